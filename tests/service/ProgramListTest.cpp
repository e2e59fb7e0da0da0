// The program list through the real DLL, against entries made in Wine's registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <shellapi.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <memory>

#include "Inventory.h"
#include "ServiceKit.h"
#include "platform/Error.h"
#include "platform/Files.h"

using namespace svctest;

namespace {

long KindOf(IProgramItem* item) {
    LONG kind = -1;
    EXPECT_EQ(item->Kind(&kind), S_OK);
    return kind;
}

float SizeOf(IProgramItem* item) {
    float size = -1;
    EXPECT_EQ(item->Size(&size), S_OK);
    return size;
}

ULONG FrequencyOf(IProgramItem* item) {
    ULONG n = 12345;
    EXPECT_EQ(item->UsedFrequency(&n), S_OK);
    return n;
}

class Programs : public ::testing::Test {
protected:
    void TearDown() override { RemoveLeftovers(); }
    cx::ComPtr<IProgramList> Refreshed() {
        auto list = NewList();
        EXPECT_EQ(list->RefreshPrograms(), S_OK);
        return list;
    }
};

}  // namespace

TEST_F(Programs, ListsEntriesWithANameOrACommandThatAreNotSystemComponents) {
    ScopedEntry named(HKEY_CURRENT_USER, "CxSvcTest_NameOnly");
    named.Text("DisplayName", "Cx Name Only");
    ScopedEntry command(HKEY_CURRENT_USER, "CxSvcTest_CommandOnly");
    command.Text("UninstallString", "C:\\nowhere\\u.exe /S");
    ScopedEntry neither(HKEY_CURRENT_USER, "CxSvcTest_Neither");
    neither.Text("Publisher", "Nobody");
    ScopedEntry blank(HKEY_CURRENT_USER, "CxSvcTest_BlankName");
    blank.Text("DisplayName", "   ");
    ScopedEntry hidden(HKEY_LOCAL_MACHINE, "CxSvcTest_SystemComponent");
    hidden.Text("DisplayName", "Hidden").Dword("SystemComponent", 1);
    ScopedEntry shown(HKEY_LOCAL_MACHINE, "CxSvcTest_NotSystemComponent");
    shown.Text("DisplayName", "Shown").Dword("SystemComponent", 0);

    auto list = Refreshed();
    auto item = OnlyProgram(list.get(), "CxSvcTest_NameOnly");
    EXPECT_EQ(Get(item.get(), &IProgramItem::DisplayName), "Cx Name Only");
    EXPECT_EQ(Get(item.get(), &IProgramItem::UninstallString), "");
    item = OnlyProgram(list.get(), "CxSvcTest_CommandOnly");
    EXPECT_EQ(Get(item.get(), &IProgramItem::DisplayName), "");
    EXPECT_EQ(Get(item.get(), &IProgramItem::UninstallString), "C:\\nowhere\\u.exe /S");
    EXPECT_TRUE(FindPrograms(list.get(), "CxSvcTest_Neither").empty());
    EXPECT_TRUE(FindPrograms(list.get(), "CxSvcTest_BlankName").empty());
    EXPECT_TRUE(FindPrograms(list.get(), "CxSvcTest_SystemComponent").empty());
    OnlyProgram(list.get(), "CxSvcTest_NotSystemComponent");
}

TEST_F(Programs, EachPatchRuleMakesKindOne) {
    ScopedEntry plain(HKEY_LOCAL_MACHINE, "CxSvcTest_Plain");
    plain.Text("DisplayName", "Plain").Text("ReleaseType", "Application");
    ScopedEntry parent(HKEY_LOCAL_MACHINE, "CxSvcTest_Parent");
    parent.Text("DisplayName", "Child").Text("ParentKeyName", "CxSvcTest_Plain");
    std::vector<std::unique_ptr<ScopedEntry>> releases;
    for (const char* type :
         {"Security Update", "Update", "Hotfix", "Update Rollup", "Service Pack"}) {
        releases.push_back(std::make_unique<ScopedEntry>(HKEY_CURRENT_USER,
                                                         std::string("CxSvcTest_Release ") + type));
        releases.back()->Text("DisplayName", type).Text("ReleaseType", type);
    }
    ScopedEntry kb(HKEY_LOCAL_MACHINE, "KB990000017");
    kb.Text("DisplayName", "Cx patch by key name");
    ScopedEntry kbRevised(HKEY_LOCAL_MACHINE, "KB990000018-v2");
    kbRevised.Text("DisplayName", "Cx revised patch by key name");
    ScopedEntry kbLike(HKEY_LOCAL_MACHINE, "KB9900000Tools");
    kbLike.Text("DisplayName", "Cx program whose name starts with KB");

    auto list = Refreshed();
    EXPECT_EQ(KindOf(OnlyProgram(list.get(), "CxSvcTest_Plain").get()), 0);
    EXPECT_EQ(KindOf(OnlyProgram(list.get(), "CxSvcTest_Parent").get()), 1);
    for (const auto& e : releases) EXPECT_EQ(KindOf(OnlyProgram(list.get(), e->name()).get()), 1);
    EXPECT_EQ(KindOf(OnlyProgram(list.get(), "KB990000017").get()), 1);
    EXPECT_EQ(KindOf(OnlyProgram(list.get(), "KB990000018-v2").get()), 1);
    EXPECT_EQ(KindOf(OnlyProgram(list.get(), "KB9900000Tools").get()), 0);
}

TEST_F(Programs, MachineEntriesComeBeforeUserEntries) {
    ScopedEntry machine(HKEY_LOCAL_MACHINE, "CxSvcTest_Twice");
    machine.Text("DisplayName", "Machine copy").Text("Publisher", "M");
    ScopedEntry user(HKEY_CURRENT_USER, "CxSvcTest_Twice");
    user.Text("DisplayName", "User copy").Text("Publisher", "U");
    ScopedEntry machineZ(HKEY_LOCAL_MACHINE, "CxSvcTest_ZZZ");
    machineZ.Text("DisplayName", "Late machine name");
    ScopedEntry userA(HKEY_CURRENT_USER, "CxSvcTest_AAA");
    userA.Text("DisplayName", "Early user name");

    auto list = Refreshed();
    auto twice = FindPrograms(list.get(), "CxSvcTest_Twice");
    ASSERT_EQ(twice.size(), 2u);
    EXPECT_LT(twice[0].index, twice[1].index);
    EXPECT_EQ(Get(twice[0].item.get(), &IProgramItem::DisplayName), "Machine copy");
    EXPECT_EQ(Get(twice[1].item.get(), &IProgramItem::DisplayName), "User copy");
    EXPECT_LT(FindPrograms(list.get(), "CxSvcTest_ZZZ").at(0).index,
              FindPrograms(list.get(), "CxSvcTest_AAA").at(0).index);
}

TEST_F(Programs, ReportsTheEntrysValues) {
    ScopedEntry e(HKEY_CURRENT_USER, "CxSvcTest_Full");
    e.Text("DisplayName", "Cx Full")
        .Text("UninstallString", "\"C:\\Program Files\\Cx\\unins.exe\" /S")
        .Text("Publisher", "Cx Publisher")
        .Text("InstallLocation", "C:\\Program Files\\Cx\\")
        .Text("DisplayVersion", "1.2.3")
        .Text("InstallDate", "20230105")
        .Text("HelpLink", "http://help")
        .Text("URLInfoAbout", "http://about")
        .Text("URLUpdateInfo", "http://update")
        .Dword("EstimatedSize", 2048);
    ScopedEntry odd(HKEY_CURRENT_USER, "CxSvcTest_OddDate");
    odd.Text("DisplayName", "Cx odd date").Text("InstallDate", "05.01.2023");

    auto list = Refreshed();
    auto item = OnlyProgram(list.get(), "CxSvcTest_Full");
    EXPECT_EQ(Get(item.get(), &IProgramItem::Publisher), "Cx Publisher");
    EXPECT_EQ(Get(item.get(), &IProgramItem::InstallLocation), "C:\\Program Files\\Cx\\");
    EXPECT_EQ(Get(item.get(), &IProgramItem::Version), "1.2.3");
    SYSTEMTIME date{};
    date.wYear = 2023;
    date.wMonth = 1;
    date.wDay = 5;
    EXPECT_EQ(Get(item.get(), &IProgramItem::InstallDate), cx::svc::FormatShortDate(date));
    EXPECT_EQ(Get(item.get(), &IProgramItem::HelpLink), "http://help");
    EXPECT_EQ(Get(item.get(), &IProgramItem::AboutLink), "http://about");
    EXPECT_EQ(Get(item.get(), &IProgramItem::UpdateLink), "http://update");
    EXPECT_EQ(SizeOf(item.get()), 2048.0f * 1024.0f);
    EXPECT_EQ(FrequencyOf(item.get()), 0u);
    EXPECT_EQ(Get(item.get(), &IProgramItem::LastUsed), "");
    EXPECT_EQ(Get(OnlyProgram(list.get(), "CxSvcTest_OddDate").get(), &IProgramItem::InstallDate),
              "05.01.2023");
}

TEST_F(Programs, UsageComesFromTheAddRemoveCacheOfEitherHive) {
    FILETIME used{0x2AC56000, 0x01D9A1B2};  // mid 2023
    ScopedEntry own(HKEY_LOCAL_MACHINE, "CxSvcTest_Cached");
    own.Text("DisplayName", "Cached").Dword("EstimatedSize", 1);
    ScopedSlowInfo ownCache(HKEY_LOCAL_MACHINE, "CxSvcTest_Cached",
                            SlowInfoBytes(5000000, used, 7));
    ScopedEntry other(HKEY_LOCAL_MACHINE, "CxSvcTest_CachedInUserHive");
    other.Text("DisplayName", "Cached elsewhere");
    ScopedSlowInfo otherCache(HKEY_CURRENT_USER, "CxSvcTest_CachedInUserHive",
                              SlowInfoBytes(4096, FILETIME{0, 0}, 11));
    ScopedEntry unknown(HKEY_CURRENT_USER, "CxSvcTest_CacheUnknowns");
    unknown.Text("DisplayName", "Unknown usage").Dword("EstimatedSize", 3);
    ScopedSlowInfo unknownCache(HKEY_CURRENT_USER, "CxSvcTest_CacheUnknowns",
                                SlowInfoBytes(-1, FILETIME{0, 0}, 0xFFFFFFFF));
    ScopedEntry bad(HKEY_CURRENT_USER, "CxSvcTest_CacheWrongSize");
    bad.Text("DisplayName", "Broken cache").Dword("EstimatedSize", 5);
    auto shortRecord = SlowInfoBytes(999, used, 9);
    shortRecord.resize(300);
    ScopedSlowInfo badCache(HKEY_CURRENT_USER, "CxSvcTest_CacheWrongSize", shortRecord);

    auto list = Refreshed();
    auto item = OnlyProgram(list.get(), "CxSvcTest_Cached");
    EXPECT_EQ(SizeOf(item.get()), 5000000.0f);
    EXPECT_EQ(FrequencyOf(item.get()), 7u);
    EXPECT_EQ(Get(item.get(), &IProgramItem::LastUsed), cx::svc::FormatFileTimeDate(used));
    EXPECT_NE(Get(item.get(), &IProgramItem::LastUsed), "");

    item = OnlyProgram(list.get(), "CxSvcTest_CachedInUserHive");
    EXPECT_EQ(SizeOf(item.get()), 4096.0f);
    EXPECT_EQ(FrequencyOf(item.get()), 11u);
    EXPECT_EQ(Get(item.get(), &IProgramItem::LastUsed), "");

    item = OnlyProgram(list.get(), "CxSvcTest_CacheUnknowns");
    EXPECT_EQ(SizeOf(item.get()), 3.0f * 1024.0f);
    EXPECT_EQ(FrequencyOf(item.get()), 0u);

    item = OnlyProgram(list.get(), "CxSvcTest_CacheWrongSize");
    EXPECT_EQ(SizeOf(item.get()), 5.0f * 1024.0f);
    EXPECT_EQ(FrequencyOf(item.get()), 0u);
    EXPECT_EQ(Get(item.get(), &IProgramItem::LastUsed), "");
}

// The cache is listed once per refresh rather than asked per program; an entry
// is still found whatever the letter case of its name, also when another cache
// entry's name is no plain ASCII.
TEST_F(Programs, CacheEntriesAreFoundWithoutRegardToCase) {
    ScopedEntry cased(HKEY_LOCAL_MACHINE, "CxSvcTest_CaseOfCache");
    cased.Text("DisplayName", "Cache in other case");
    ScopedSlowInfo casedCache(HKEY_LOCAL_MACHINE, "cxsvctest_CASEOFCACHE",
                              SlowInfoBytes(8192, FILETIME{0, 0}, 4));
    EXPECT_EQ(FrequencyOf(OnlyProgram(Refreshed().get(), "CxSvcTest_CaseOfCache").get()), 4u);

    ScopedSlowInfo wide(HKEY_LOCAL_MACHINE, "CxSvcTest_\xE4pfel",
                        SlowInfoBytes(1, FILETIME{0, 0}, 2));
    ScopedEntry wideEntry(HKEY_LOCAL_MACHINE, "CxSvcTest_\xC4pfel");
    wideEntry.Text("DisplayName", "Non-ASCII");
    auto list = Refreshed();
    EXPECT_EQ(FrequencyOf(OnlyProgram(list.get(), "CxSvcTest_CaseOfCache").get()), 4u);
    EXPECT_EQ(FrequencyOf(OnlyProgram(list.get(), "CxSvcTest_\xC4pfel").get()), 2u);
}

TEST_F(Programs, BadDataNeverTakesTheListDown) {
    ScopedEntry numberName(HKEY_CURRENT_USER, "CxSvcTest_NumberName");
    numberName.Dword("DisplayName", 42).Text("UninstallString", "u.exe");
    ScopedEntry numberOnly(HKEY_CURRENT_USER, "CxSvcTest_NumberNameOnly");
    numberOnly.Dword("DisplayName", 42);
    ScopedEntry textSize(HKEY_CURRENT_USER, "CxSvcTest_TextSize");
    textSize.Text("DisplayName", "Text size").Text("EstimatedSize", "1234");
    ScopedEntry huge(HKEY_LOCAL_MACHINE, "CxSvcTest_Huge");
    std::string megabyte(1 << 20, 'h');
    huge.Text("DisplayName", megabyte)
        .Text("DisplayIcon", megabyte)
        .Text("UninstallString", megabyte);
    ScopedEntry after(HKEY_CURRENT_USER, "CxSvcTest_ZZ_After");
    after.Text("DisplayName", "After the bad ones");

    auto list = Refreshed();
    auto item = OnlyProgram(list.get(), "CxSvcTest_NumberName");
    EXPECT_EQ(Get(item.get(), &IProgramItem::DisplayName), "");
    EXPECT_TRUE(FindPrograms(list.get(), "CxSvcTest_NumberNameOnly").empty());
    EXPECT_EQ(SizeOf(OnlyProgram(list.get(), "CxSvcTest_TextSize").get()), 0.0f);
    item = OnlyProgram(list.get(), "CxSvcTest_Huge");
    EXPECT_EQ(Get(item.get(), &IProgramItem::DisplayName).size(), cx::svc::kMaxTextChars);
    EXPECT_EQ(Get(item.get(), &IProgramItem::UninstallString).size(), cx::svc::kMaxCommandChars);
    OnlyProgram(list.get(), "CxSvcTest_ZZ_After");
}

TEST_F(Programs, AKeyThatCannotBeOpenedIsPassedOver) {
    ScopedEntry locked(HKEY_CURRENT_USER, "CxSvcTest_Locked");
    locked.Text("DisplayName", "Locked away");
    ScopedEntry open(HKEY_CURRENT_USER, "CxSvcTest_Open");
    open.Text("DisplayName", "Open");
    // Everyone may do anything but read it.
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:(D;;0x19;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &sd, nullptr));
    ASSERT_EQ(RegSetKeySecurity(locked.key().get(), DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
    LocalFree(sd);
    // The test's own handle was opened before the lock: it puts the key back in reach.
    struct Unlock {
        HKEY key;
        ~Unlock() {
            PSECURITY_DESCRIPTOR open = nullptr;
            if (ConvertStringSecurityDescriptorToSecurityDescriptorA(
                    "D:(A;;KA;;;WD)", SDDL_REVISION_1, &open, nullptr)) {
                RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, open);
                LocalFree(open);
            }
        }
    } unlock{locked.key().get()};
    ASSERT_FALSE(cx::reg::Key::Open(HKEY_CURRENT_USER,
                                    std::string(kUninstall) + "\\CxSvcTest_Locked", KEY_READ));

    auto list = Refreshed();
    EXPECT_TRUE(FindPrograms(list.get(), "CxSvcTest_Locked").empty());
    OnlyProgram(list.get(), "CxSvcTest_Open");
}

TEST_F(Programs, ThousandsOfEntries) {
    const int n = 3000;
    {
        cx::reg::Key parent = cx::reg::Key::Create(HKEY_CURRENT_USER, kUninstall);
        for (int i = 0; i < n; ++i) {
            cx::reg::Key k =
                cx::reg::Key::Create(parent.get(), cx::Format("CxSvcTest_Bulk%04d", i));
            k.SetString("DisplayName", cx::Format("Bulk %d", i));
            k.SetString("UninstallString", cx::Format("C:\\bulk\\%d\\u.exe", i));
        }
    }
    auto start = std::chrono::steady_clock::now();
    auto list = Refreshed();
    ULONG count = 0;
    ASSERT_EQ(list->ProgramCount(&count), S_OK);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    EXPECT_GE(count, static_cast<ULONG>(n));
    RecordProperty("refresh_ms_for_3000", static_cast<int>(ms));
    printf("RefreshPrograms + ProgramCount with %d extra entries: %lld ms\n", n,
           static_cast<long long>(ms));
    int bulk = 0;
    for (ULONG i = 0; i < count; ++i) {
        cx::ComPtr<IProgramItem> item;
        ASSERT_EQ(list->GetProgram(static_cast<LONG>(i), item.put()), S_OK);
        ASSERT_TRUE(item);
        if (Get(item.get(), &IProgramItem::RegistryName).rfind("CxSvcTest_Bulk", 0) == 0) ++bulk;
    }
    EXPECT_EQ(bulk, n);
}

TEST_F(Programs, IndexOutOfRangeIsNoProgram) {
    ScopedEntry e(HKEY_CURRENT_USER, "CxSvcTest_One");
    e.Text("DisplayName", "One");
    auto list = Refreshed();
    ULONG count = 0;
    ASSERT_EQ(list->ProgramCount(&count), S_OK);
    ASSERT_GE(count, 1u);
    for (LONG index : {static_cast<LONG>(count), static_cast<LONG>(count + 100), -1L, LONG_MIN}) {
        IProgramItem* item = reinterpret_cast<IProgramItem*>(1);
        EXPECT_EQ(list->GetProgram(index, &item), S_OK) << index;
        EXPECT_EQ(item, nullptr) << index;
    }
    EXPECT_EQ(list->GetProgram(0, nullptr), E_POINTER);
    EXPECT_EQ(list->ProgramCount(nullptr), E_POINTER);
}

TEST_F(Programs, AFreshObjectListsOnFirstUse) {
    ScopedEntry e(HKEY_CURRENT_USER, "CxSvcTest_Lazy");
    e.Text("DisplayName", "Lazy");
    auto list = NewList();  // no RefreshPrograms
    OnlyProgram(list.get(), "CxSvcTest_Lazy");
}

TEST_F(Programs, RecordsStayAsTheyWereUntilTheNextRefresh) {
    auto gone = std::make_unique<ScopedEntry>(HKEY_CURRENT_USER, "CxSvcTest_Gone");
    gone->Text("DisplayName", "Soon gone");
    auto list = Refreshed();
    auto item = OnlyProgram(list.get(), "CxSvcTest_Gone");
    ScopedEntry added(HKEY_CURRENT_USER, "CxSvcTest_Added");
    added.Text("DisplayName", "Added later");
    gone.reset();

    EXPECT_EQ(FindPrograms(list.get(), "CxSvcTest_Gone").size(), 1u);
    EXPECT_TRUE(FindPrograms(list.get(), "CxSvcTest_Added").empty());
    ASSERT_EQ(list->RefreshPrograms(), S_OK);
    EXPECT_TRUE(FindPrograms(list.get(), "CxSvcTest_Gone").empty());
    EXPECT_EQ(FindPrograms(list.get(), "CxSvcTest_Added").size(), 1u);
    // An item handed out earlier keeps its own record.
    EXPECT_EQ(Get(item.get(), &IProgramItem::DisplayName), "Soon gone");
}

TEST_F(Programs, IconsComeFromTheDisplayIconTheUninstallerOrTheGenericProgram) {
    // Wine's shell gives every file of a fresh prefix the same icon, but a folder
    // another one: a folder is what tells the three sources apart here.
    const std::string folder = cx::WindowsDirectory();
    const std::string file = cx::SystemDirectory() + "\\notepad.exe";
    SHFILEINFOA sfi{};
    ASSERT_TRUE(
        SHGetFileInfoA(folder.c_str(), 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    const long folderIcon = sfi.iIcon;
    ASSERT_TRUE(SHGetFileInfoA("x.exe", FILE_ATTRIBUTE_NORMAL, &sfi, sizeof sfi,
                               SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    const long genericIcon = sfi.iIcon;
    ASSERT_NE(folderIcon, genericIcon);

    ScopedEntry byIcon(HKEY_CURRENT_USER, "CxSvcTest_DisplayIcon");
    byIcon.Text("DisplayName", "By icon")
        .Text("DisplayIcon", "\"" + folder + "\",0")
        .Text("UninstallString", file + " /x");
    ScopedEntry byCommand(HKEY_CURRENT_USER, "CxSvcTest_Uninstaller");
    byCommand.Text("DisplayName", "By command")
        .Text("DisplayIcon", "C:\\nowhere\\x.ico,2")
        .Text("UninstallString", "\"" + folder + "\" /x");
    ScopedEntry generic(HKEY_CURRENT_USER, "CxSvcTest_NoIcon");
    generic.Text("DisplayName", "No icon")
        .Text("DisplayIcon", "C:\\nowhere\\x.ico")
        .Text("UninstallString", "C:\\nowhere\\u.exe /x");

    auto list = Refreshed();
    LONG icon = -1, command = -1, none = -1;
    ASSERT_EQ(OnlyProgram(list.get(), "CxSvcTest_DisplayIcon")->IconIndex(&icon), S_OK);
    ASSERT_EQ(OnlyProgram(list.get(), "CxSvcTest_Uninstaller")->IconIndex(&command), S_OK);
    ASSERT_EQ(OnlyProgram(list.get(), "CxSvcTest_NoIcon")->IconIndex(&none), S_OK);
    EXPECT_EQ(icon, folderIcon);
    EXPECT_EQ(command, folderIcon);
    EXPECT_EQ(none, genericIcon);
}
