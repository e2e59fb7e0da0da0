#include "ServiceKit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace svctest {

const char* const kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kArpCache =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";

namespace {

DravikDll g_dll;

template <typename F>
F Export(HMODULE m, const char* name) {
    return reinterpret_cast<F>(GetProcAddress(m, name));
}

bool IsTestName(const std::string& name) {
    return cx::StartsWithNoCase(name, "CxSvcTest_") || cx::StartsWithNoCase(name, "KB9900000");
}

class ServiceEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        com_ = std::make_unique<cx::ComInit>();
        // A fatal failure here skips every test: without the DLL none can run.
        std::string path = cx::test::OutDir() + "Dravik.dll";
        g_dll.module = LoadLibraryA(path.c_str());
        ASSERT_TRUE(g_dll.module) << "cannot load " << path;
        g_dll.path = cx::ModuleFileName(g_dll.module);
        using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
        using NoArgs = HRESULT(__stdcall*)();
        g_dll.getClassObject = Export<GetClassObject>(g_dll.module, "DllGetClassObject");
        g_dll.canUnloadNow = Export<NoArgs>(g_dll.module, "DllCanUnloadNow");
        g_dll.registerServer = Export<NoArgs>(g_dll.module, "DllRegisterServer");
        g_dll.unregisterServer = Export<NoArgs>(g_dll.module, "DllUnregisterServer");
        ASSERT_TRUE(g_dll.getClassObject && g_dll.canUnloadNow && g_dll.registerServer &&
                    g_dll.unregisterServer);
        ASSERT_EQ(g_dll.registerServer(), S_OK);
        RemoveLeftovers();
    }
    void TearDown() override {
        RemoveLeftovers();
        com_.reset();
    }

private:
    std::unique_ptr<cx::ComInit> com_;
};

[[maybe_unused]] auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ServiceEnvironment);

}  // namespace

const DravikDll& Dll() { return g_dll; }

ScopedSlowInfo::ScopedSlowInfo(HKEY hive, std::string name, const std::vector<BYTE>& data)
    : hive_(hive), name_(std::move(name)) {
    cx::reg::Key cache = cx::reg::Key::Create(hive_, kArpCache);
    cx::reg::Key::Create(cache.get(), name_).SetBinary("SlowInfoCache", data.data(), data.size());
}

ScopedSlowInfo::~ScopedSlowInfo() {
    cx::reg::DeleteTree(hive_, std::string(kArpCache) + "\\" + name_);
}

std::vector<BYTE> SlowInfoBytes(int64_t size, FILETIME lastUsed, DWORD frequency) {
    std::vector<BYTE> d(552);
    DWORD cb = 552, hasName = 1;
    memcpy(d.data(), &cb, 4);
    memcpy(d.data() + 4, &hasName, 4);
    memcpy(d.data() + 8, &size, 8);
    memcpy(d.data() + 16, &lastUsed, 8);
    memcpy(d.data() + 24, &frequency, 4);
    const wchar_t name[] = L"Program.exe";
    memcpy(d.data() + 28, name, sizeof name);
    return d;
}

void RemoveLeftovers() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (const char* path : {kUninstall, kArpCache}) {
            auto key = cx::reg::Key::Open(hive, path, KEY_READ);
            if (!key) continue;
            for (const auto& name : key->SubKeyNames())
                if (IsTestName(name)) cx::reg::DeleteTree(hive, std::string(path) + "\\" + name);
        }
}

cx::ComPtr<IProgramList> NewList() {
    cx::ComPtr<IProgramList> list;
    HRESULT hr = CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IProgramList, list.put_void());
    EXPECT_EQ(hr, S_OK);
    return list;
}

std::vector<Found> FindPrograms(IProgramList* list, const std::string& name) {
    std::vector<Found> out;
    ULONG count = 0;
    EXPECT_EQ(list->ProgramCount(&count), S_OK);
    for (ULONG i = 0; i < count; ++i) {
        cx::ComPtr<IProgramItem> item;
        EXPECT_EQ(list->GetProgram(static_cast<LONG>(i), item.put()), S_OK);
        if (!item) break;
        if (Get(item.get(), &IProgramItem::RegistryName) == name)
            out.push_back({static_cast<long>(i), item});
    }
    return out;
}

cx::ComPtr<IProgramItem> OnlyProgram(IProgramList* list, const std::string& name) {
    auto found = FindPrograms(list, name);
    EXPECT_EQ(found.size(), 1u) << name;
    return found.empty() ? cx::ComPtr<IProgramItem>() : found.front().item;
}

std::string Get(IProgramItem* item, ItemText method) {
    if (!item) return "<no item>";
    BSTR b = nullptr;
    HRESULT hr = (item->*method)(&b);
    cx::unique_bstr owned(b);
    EXPECT_EQ(hr, S_OK);
    return cx::BstrToAnsi(b);
}

std::string Get(IProgramList* list, ListText method, long index) {
    BSTR b = nullptr;
    HRESULT hr = (list->*method)(index, &b);
    cx::unique_bstr owned(b);
    EXPECT_EQ(hr, S_OK);
    return cx::BstrToAnsi(b);
}

std::string DefaultValue(HKEY hive, const std::string& path) {
    auto key = cx::reg::Key::Open(hive, path, KEY_READ);
    if (!key) return "<missing>";
    return key->GetString("").value_or("<missing>");
}

}  // namespace svctest
