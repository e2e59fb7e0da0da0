// A client of the inventory service that knows only what a third party would:
// the class and interface identifiers, the slot order of the two method tables,
// and the member names for IDispatch. It lists the seeded prefix through the
// registered Dravik.dll and checks the records against the seeder's tables.
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "harness/ScopedEntry.h"
#include "harness/TestKit.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"

// The method tables in slot order, after IDispatch's seven. They live outside
// the anonymous namespace on purpose: GCC assumes it sees every implementation
// of a class with internal linkage, finds none here and turns each call through
// these tables into a call of the pure-virtual handler.
namespace cx::test::contract {

const CLSID kClsidProgramList = {
    0xB840D7A9, 0x1A1F, 0x4A30, {0x8C, 0x51, 0x22, 0x7E, 0x5E, 0xB1, 0x02, 0x85}};
const IID kIidProgramList = {
    0xB309C186, 0xD900, 0x48F1, {0xB0, 0x38, 0xC3, 0xCC, 0x0F, 0x5A, 0xE8, 0xDE}};
const IID kIidProgramItem = {
    0x6E0C2F51, 0x7D4B, 0x4B7A, {0x9A, 0x43, 0x3C, 0x1D, 0x5B, 0x8E, 0x2A, 0x17}};

struct IProgramItemSlots : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE DisplayName(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE UninstallString(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegistryName(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadDetails(BSTR keyName) = 0;
    virtual HRESULT STDMETHODCALLTYPE Kind(long* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Publisher(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE InstallLocation(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE IconIndex(long* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE UsedFrequency(unsigned long* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE LastUsed(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Size(float* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE InstallDate(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Version(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE HelpLink(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE AboutLink(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateLink(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegistryValueCount(long* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegistryValueName(long index, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegistryValueData(long index, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetComment(BSTR text) = 0;
};

struct IProgramListSlots : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetProgram(long index, IProgramItemSlots** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ProgramCount(unsigned long* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScreenSaverCount(unsigned long* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScreenSaverFile(long index, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScreenSaverPublisher(long index, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScreenSaverFolder(long index, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScreenSaverTitle(long index, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScreenSaverIcon(long index, long* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScreenSaverSize(long index, unsigned long* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScreenSaverLastUsed(long index, BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RefreshPrograms() = 0;
    virtual HRESULT STDMETHODCALLTYPE RefreshScreenSavers() = 0;
};

}  // namespace cx::test::contract

namespace {

using namespace cx;
using namespace cx::demo;
using namespace cx::test::contract;

// Calls a BSTR getter and returns its text; a failed call fails the test.
template <typename Fn>
std::string Text(Fn&& call) {
    BSTR b = nullptr;
    HRESULT hr = call(&b);
    unique_bstr owner(b);
    EXPECT_HRESULT_SUCCEEDED(hr);
    return BstrToAnsi(b);
}

struct ProgramRecord {
    long index = 0;
    std::string displayName, uninstallString, registryName, publisher, installLocation, lastUsed,
        installDate, version, helpLink, aboutLink, updateLink;
    long kind = -1, iconIndex = -1;
    unsigned long frequency = 0;
    float size = -1;
};

ProgramRecord ReadRecord(IProgramItemSlots* item, long index) {
    ProgramRecord r;
    r.index = index;
    r.displayName = Text([&](BSTR* b) { return item->DisplayName(b); });
    r.uninstallString = Text([&](BSTR* b) { return item->UninstallString(b); });
    r.registryName = Text([&](BSTR* b) { return item->RegistryName(b); });
    r.publisher = Text([&](BSTR* b) { return item->Publisher(b); });
    r.installLocation = Text([&](BSTR* b) { return item->InstallLocation(b); });
    r.lastUsed = Text([&](BSTR* b) { return item->LastUsed(b); });
    r.installDate = Text([&](BSTR* b) { return item->InstallDate(b); });
    r.version = Text([&](BSTR* b) { return item->Version(b); });
    r.helpLink = Text([&](BSTR* b) { return item->HelpLink(b); });
    r.aboutLink = Text([&](BSTR* b) { return item->AboutLink(b); });
    r.updateLink = Text([&](BSTR* b) { return item->UpdateLink(b); });
    EXPECT_HRESULT_SUCCEEDED(item->Kind(&r.kind));
    EXPECT_HRESULT_SUCCEEDED(item->IconIndex(&r.iconIndex));
    EXPECT_HRESULT_SUCCEEDED(item->UsedFrequency(&r.frequency));
    EXPECT_HRESULT_SUCCEEDED(item->Size(&r.size));
    return r;
}

std::string Or(const char* s) { return s ? s : ""; }

class ServiceClient : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Earlier tests may have uninstalled things; start from the seeded state.
        ASSERT_EQ(test::Reseed(), 0);
        com_ = new ComInit();
        dll_ = LoadLibraryA((test::OutDir() + "Dravik.dll").c_str());
        ASSERT_TRUE(dll_) << "cannot load " << test::OutDir() << "Dravik.dll";
        auto reg =
            reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(dll_, "DllRegisterServer"));
        ASSERT_TRUE(reg);
        ASSERT_HRESULT_SUCCEEDED(reg());
    }
    static void TearDownTestSuite() {
        delete com_;
        com_ = nullptr;
    }

    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(kClsidProgramList, nullptr, CLSCTX_INPROC_SERVER,
                                                  kIidProgramList, list.put_void()));
    }

    // Every program record, in service order.
    std::vector<ProgramRecord> AllPrograms() {
        std::vector<ProgramRecord> records;
        EXPECT_HRESULT_SUCCEEDED(list->RefreshPrograms());
        unsigned long n = 0;
        EXPECT_HRESULT_SUCCEEDED(list->ProgramCount(&n));
        for (unsigned long i = 0; i < n; ++i) {
            ComPtr<IProgramItemSlots> item;
            EXPECT_HRESULT_SUCCEEDED(list->GetProgram(static_cast<long>(i), item.put()));
            if (!item) {
                ADD_FAILURE() << "no record at " << i << " of " << n;
                break;
            }
            records.push_back(ReadRecord(item.get(), static_cast<long>(i)));
        }
        // Past the end there is no record, and that is not a failure.
        ComPtr<IProgramItemSlots> none;
        EXPECT_HRESULT_SUCCEEDED(list->GetProgram(static_cast<long>(n), none.put()));
        EXPECT_FALSE(none);
        return records;
    }

    static ComInit* com_;
    static HMODULE dll_;
    ComPtr<IProgramListSlots> list;
};
ComInit* ServiceClient::com_ = nullptr;
HMODULE ServiceClient::dll_ = nullptr;

bool IsUninstallKey(const std::string& name) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        if (reg::Key::Open(root, std::string(kUninstallPath) + "\\" + name)) return true;
    return false;
}

TEST_F(ServiceClient, ListsTheSeededProgramsAndPatchesWithTheirValues) {
    const auto records = AllPrograms();
    std::map<std::string, std::vector<const ProgramRecord*>> byKey;
    for (const auto& r : records) {
        byKey[r.registryName].push_back(&r);
        EXPECT_TRUE(IsUninstallKey(r.registryName)) << "made-up record " << r.registryName;
    }

    size_t listed = 0, patches = 0;
    long lastMachine = -1, firstUser = 1 << 30;
    for (const DemoProgram& p : Programs()) {
        SCOPED_TRACE(p.keyName);
        auto found = byKey.find(p.keyName);
        if (!IsListed(p)) {
            EXPECT_EQ(found, byKey.end()) << "listed though it should not be";
            continue;
        }
        ++listed;
        ASSERT_NE(found, byKey.end());
        ASSERT_EQ(found->second.size(), 1u);
        const ProgramRecord& r = *found->second.front();
        if (p.hive == Hive::Machine)
            lastMachine = std::max(lastMachine, r.index);
        else
            firstUser = std::min(firstUser, r.index);

        EXPECT_EQ(r.displayName, Or(p.displayName));
        EXPECT_EQ(r.uninstallString, UninstallCommand(p));
        EXPECT_EQ(r.publisher, Or(p.publisher));
        EXPECT_EQ(r.installLocation, p.writeLocation ? InstallLocation(p) : "");
        EXPECT_EQ(r.version, Or(p.version));
        EXPECT_EQ(r.helpLink, Or(p.helpLink));
        EXPECT_EQ(r.aboutLink, Or(p.aboutLink));
        EXPECT_EQ(r.updateLink, Or(p.updateLink));
        EXPECT_EQ(r.installDate.empty(), p.installDate == nullptr) << r.installDate;
        if (p.patch) {
            ++patches;
            EXPECT_EQ(r.kind, 1);
        } else {
            EXPECT_NE(r.kind, 1);
        }
        // The add/remove cache, where there is one, knows size and use; else the entry's size.
        const double size = p.arpFrequency >= 0 ? static_cast<double>(p.arpInstallSize)
                                                : static_cast<double>(p.estimatedSizeKB) * 1024.0;
        EXPECT_NEAR(r.size, size, size * 1e-6);
        EXPECT_EQ(r.frequency,
                  p.arpFrequency >= 0 ? static_cast<unsigned long>(p.arpFrequency) : 0ul);
        EXPECT_EQ(r.lastUsed.empty(), p.arpFrequency < 0) << r.lastUsed;
        EXPECT_GE(r.iconIndex, 0);
    }
    EXPECT_GE(listed, 30u);
    EXPECT_GE(patches, 5u);
    EXPECT_GE(records.size(), listed);
    // Machine-wide entries come before per-user ones.
    EXPECT_LT(lastMachine, firstUser);
}

TEST_F(ServiceClient, DetailsShowEveryValueOfTheEntry) {
    const DemoProgram& p = ProgramByKey("BrindleNotes_is1");
    const auto records = AllPrograms();
    auto r = std::find_if(records.begin(), records.end(),
                          [&](const ProgramRecord& x) { return x.registryName == p.keyName; });
    ASSERT_NE(r, records.end());
    ComPtr<IProgramItemSlots> item;
    ASSERT_HRESULT_SUCCEEDED(list->GetProgram(r->index, item.put()));
    ASSERT_TRUE(item);
    ComPtr<IProgramItemSlots> again;
    ASSERT_HRESULT_SUCCEEDED(item->QueryInterface(kIidProgramItem, again.put_void()));

    unique_bstr key(SysAllocString(AnsiToWide(p.keyName).c_str()));
    ASSERT_HRESULT_SUCCEEDED(item->LoadDetails(key.get()));
    long count = 0;
    ASSERT_HRESULT_SUCCEEDED(item->RegistryValueCount(&count));
    auto entry = reg::Key::Open(HiveRoot(p.hive), std::string(kUninstallPath) + "\\" + p.keyName);
    ASSERT_TRUE(entry);
    EXPECT_EQ(count, static_cast<long>(entry->Values().size()));
    std::map<std::string, std::string> shown;
    for (long i = 0; i < count; ++i)
        shown[Text([&](BSTR* b) { return item->RegistryValueName(i, b); })] =
            Text([&](BSTR* b) { return item->RegistryValueData(i, b); });
    EXPECT_EQ(shown["DisplayName"], p.displayName);
    EXPECT_EQ(shown["UninstallString"], UninstallCommand(p));
    EXPECT_EQ(shown["EstimatedSize"], std::to_string(p.estimatedSizeKB));
}

TEST_F(ServiceClient, ListsTheSeededScreenSaversOnceEach) {
    ASSERT_HRESULT_SUCCEEDED(list->RefreshScreenSavers());
    unsigned long m = 0;
    ASSERT_HRESULT_SUCCEEDED(list->ScreenSaverCount(&m));
    struct Saver {
        std::string folder, title, publisher, lastUsed;
        unsigned long size;
        long icon;
    };
    std::multimap<std::string, Saver> byFile;
    for (long j = 0; j < static_cast<long>(m); ++j) {
        Saver s{};
        const std::string file = Lower(Text([&](BSTR* b) { return list->ScreenSaverFile(j, b); }));
        s.folder = Text([&](BSTR* b) { return list->ScreenSaverFolder(j, b); });
        s.title = Text([&](BSTR* b) { return list->ScreenSaverTitle(j, b); });
        s.publisher = Text([&](BSTR* b) { return list->ScreenSaverPublisher(j, b); });
        s.lastUsed = Text([&](BSTR* b) { return list->ScreenSaverLastUsed(j, b); });
        EXPECT_HRESULT_SUCCEEDED(list->ScreenSaverSize(j, &s.size));
        EXPECT_HRESULT_SUCCEEDED(list->ScreenSaverIcon(j, &s.icon));
        EXPECT_EQ(s.folder.back(), '\\');
        byFile.emplace(file, s);
    }
    size_t seeded = 0;
    for (const DemoScreenSaver& d : ScreenSavers()) {
        SCOPED_TRACE(ScreenSaverPath(d));
        // A name in both folders is listed once, from the system folder.
        ASSERT_EQ(byFile.count(Lower(d.fileName)), 1u);
        if (d.shadowed) continue;
        ++seeded;
        const Saver& s = byFile.find(Lower(d.fileName))->second;
        EXPECT_TRUE(EqualsNoCase(s.folder + d.fileName, ScreenSaverPath(d))) << s.folder;
        EXPECT_EQ(s.title, d.title);
        EXPECT_EQ(s.publisher, d.publisher);
        EXPECT_EQ(s.size, test::ReadWholeFile(ScreenSaverPath(d)).size());
        EXPECT_FALSE(s.lastUsed.empty());
        EXPECT_GE(s.icon, 0);
    }
    EXPECT_GE(m, seeded);
    BSTR b = nullptr;
    EXPECT_TRUE(FAILED(list->ScreenSaverFile(static_cast<long>(m), &b)));
    SysFreeString(b);
}

// Invoke of a method or property with no arguments or one index.
VARIANT CallByName(IDispatch* target, const wchar_t* name, const VARIANT* arg = nullptr) {
    VARIANT result;
    VariantInit(&result);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_HRESULT_SUCCEEDED(target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))
        << WideToAnsi(name);
    VARIANT args[1];
    if (arg) args[0] = *arg;
    DISPPARAMS params{arg ? args : nullptr, nullptr, arg ? 1u : 0u, 0};
    EXCEPINFO info{};
    UINT badArg = 0;
    EXPECT_HRESULT_SUCCEEDED(target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                                            DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                                            &result, &info, &badArg))
        << WideToAnsi(name);
    return result;
}

TEST_F(ServiceClient, AnswersByNameThroughIDispatch) {
    const auto records = AllPrograms();
    ComPtr<IDispatch> disp;
    ASSERT_HRESULT_SUCCEEDED(list->QueryInterface(IID_IDispatch, disp.put_void()));

    VARIANT count = CallByName(disp.get(), L"ProgramCount");
    ASSERT_HRESULT_SUCCEEDED(VariantChangeType(&count, &count, 0, VT_UI4));
    EXPECT_EQ(count.ulVal, records.size());

    const DemoProgram& p = ProgramByKey("Saltmarsh Archiver");
    auto r = std::find_if(records.begin(), records.end(),
                          [&](const ProgramRecord& x) { return x.registryName == p.keyName; });
    ASSERT_NE(r, records.end());
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = r->index;
    VARIANT item = CallByName(disp.get(), L"GetProgram", &index);
    ASSERT_EQ(item.vt, VT_DISPATCH);
    ASSERT_TRUE(item.pdispVal);
    VARIANT name = CallByName(item.pdispVal, L"DisplayName");
    ASSERT_EQ(name.vt, VT_BSTR);
    EXPECT_EQ(BstrToAnsi(name.bstrVal), p.displayName);
    VariantClear(&name);
    VariantClear(&item);

    DISPID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id),
              DISP_E_UNKNOWNNAME);
}

}  // namespace
