// A program's registry values (LoadDetails) and its comment (SetComment).
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "ServiceKit.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

using namespace svctest;

namespace {

std::map<std::string, std::string> Details(IProgramItem* item) {
    std::map<std::string, std::string> rows;
    LONG count = -1;
    EXPECT_EQ(item->RegistryValueCount(&count), S_OK);
    for (LONG i = 0; i < count; ++i) {
        BSTR name = nullptr, data = nullptr;
        EXPECT_EQ(item->RegistryValueName(i, &name), S_OK);
        EXPECT_EQ(item->RegistryValueData(i, &data), S_OK);
        cx::unique_bstr n(name), d(data);
        rows[cx::BstrToAnsi(name)] = cx::BstrToAnsi(data);
    }
    return rows;
}

HRESULT LoadDetails(IProgramItem* item, const std::string& keyName) {
    cx::unique_bstr name(SysAllocString(cx::AnsiToWide(keyName).c_str()));
    return item->LoadDetails(name.get());
}

HRESULT SetComment(IProgramItem* item, const std::string& text) {
    cx::unique_bstr b(SysAllocString(cx::AnsiToWide(text).c_str()));
    return item->SetComment(b.get());
}

class ProgramDetails : public ::testing::Test {
protected:
    void TearDown() override { RemoveLeftovers(); }
};

}  // namespace

TEST_F(ProgramDetails, EveryValueRenderedByItsType) {
    ScopedEntry e(HKEY_CURRENT_USER, "CxSvcTest_Details");
    auto& k = e.key();
    k.SetString("DisplayName", "Cx Details");
    k.SetString("Expand", "%SystemRoot%\\x", REG_EXPAND_SZ);
    k.SetDword("Number", 4000000000u);
    unsigned long long q = 1099511627776ull;
    k.SetRaw("Big", REG_QWORD, &q, sizeof q);
    const BYTE bin[] = {0x01, 0x02, 0xff};
    k.SetBinary("Bytes", bin, sizeof bin);
    k.SetRaw("List", REG_MULTI_SZ, "one\0two\0\0", 9);
    k.SetRaw("Nothing", REG_NONE, "\x0a\x0b", 2);
    k.SetRaw("ShortNumber", REG_DWORD, "\x01\x02", 2);
    k.SetString("", "default text");

    auto list = NewList();
    auto item = OnlyProgram(list.get(), "CxSvcTest_Details");
    ASSERT_TRUE(item);
    ASSERT_EQ(LoadDetails(item.get(), "CxSvcTest_Details"), S_OK);
    auto rows = Details(item.get());
    EXPECT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows["DisplayName"], "Cx Details");
    EXPECT_EQ(rows["Expand"], "%SystemRoot%\\x");
    EXPECT_EQ(rows["Number"], "4000000000");
    EXPECT_EQ(rows["Big"], "1099511627776");
    EXPECT_EQ(rows["Bytes"], "01 02 ff");
    EXPECT_EQ(rows["List"], "one | two");
    EXPECT_EQ(rows["Nothing"], "0a 0b");
    EXPECT_EQ(rows["ShortNumber"], "01 02");
    EXPECT_EQ(rows[""], "default text");
}

TEST_F(ProgramDetails, IndexesOutOfRangeAndForeignNamesFailCleanly) {
    ScopedEntry e(HKEY_CURRENT_USER, "CxSvcTest_DetailsRange");
    e.Text("DisplayName", "Range").Text("Publisher", "P");
    ScopedEntry below(HKEY_CURRENT_USER, "CxSvcTest_DetailsRange\\Sub");
    below.Text("Deep", "value");

    auto list = NewList();
    auto item = OnlyProgram(list.get(), "CxSvcTest_DetailsRange");
    ASSERT_TRUE(item);
    // Before LoadDetails the item shows its own key.
    LONG count = -1;
    ASSERT_EQ(item->RegistryValueCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    BSTR b = reinterpret_cast<BSTR>(1);
    for (LONG bad : {2L, 100L, -1L}) {
        EXPECT_EQ(item->RegistryValueName(bad, &b), E_INVALIDARG);
        EXPECT_EQ(b, nullptr);
        EXPECT_EQ(item->RegistryValueData(bad, &b), E_INVALIDARG);
    }
    // A path would reach below another key; a missing key has no values.
    for (const char* name : {"CxSvcTest_DetailsRange\\Sub", "", "CxSvcTest_NoSuchKey"}) {
        ASSERT_EQ(LoadDetails(item.get(), name), S_OK) << name;
        ASSERT_EQ(item->RegistryValueCount(&count), S_OK);
        EXPECT_EQ(count, 0) << name;
    }
    ASSERT_EQ(LoadDetails(item.get(), "CxSvcTest_DetailsRange"), S_OK);
    EXPECT_EQ(Details(item.get()).size(), 2u);
}

TEST_F(ProgramDetails, SetCommentWritesCommentsInTheHiveWhereTheProgramWasFound) {
    ScopedEntry machine(HKEY_LOCAL_MACHINE, "CxSvcTest_Comment");
    machine.Text("DisplayName", "Machine");
    ScopedEntry user(HKEY_CURRENT_USER, "CxSvcTest_Comment");
    user.Text("DisplayName", "User");

    auto list = NewList();
    auto both = FindPrograms(list.get(), "CxSvcTest_Comment");
    ASSERT_EQ(both.size(), 2u);
    ASSERT_EQ(LoadDetails(both[1].item.get(), "CxSvcTest_Comment"), S_OK);
    EXPECT_EQ(Details(both[1].item.get()).count("Comments"), 0u);

    ASSERT_EQ(SetComment(both[1].item.get(), "for the user"), S_OK);
    ASSERT_EQ(SetComment(both[0].item.get(), "for the machine"), S_OK);
    EXPECT_EQ(user.key().GetString("Comments"), "for the user");
    EXPECT_EQ(machine.key().GetString("Comments"), "for the machine");
    auto comments = user.key().RawValue("Comments");
    ASSERT_TRUE(comments);
    EXPECT_EQ(comments->type, static_cast<DWORD>(REG_SZ));
    // Details read before the comment show it afterwards.
    EXPECT_EQ(Details(both[1].item.get())["Comments"], "for the user");

    ASSERT_EQ(SetComment(both[1].item.get(), ""), S_OK);
    EXPECT_EQ(user.key().GetString("Comments"), "");
    ASSERT_EQ(both[1].item->SetComment(nullptr), S_OK);  // a null BSTR is the empty text
    EXPECT_EQ(user.key().GetString("Comments"), "");
}

TEST_F(ProgramDetails, ACommentForARemovedProgramFailsAndDoesNotBringItBack) {
    auto e = std::make_unique<ScopedEntry>(HKEY_CURRENT_USER, "CxSvcTest_Removed");
    e->Text("DisplayName", "Removed");
    auto list = NewList();
    auto item = OnlyProgram(list.get(), "CxSvcTest_Removed");
    ASSERT_TRUE(item);
    e.reset();
    EXPECT_TRUE(FAILED(SetComment(item.get(), "too late")));
    EXPECT_FALSE(
        cx::reg::Key::Open(HKEY_CURRENT_USER, std::string(kUninstall) + "\\CxSvcTest_Removed"));
}
