#pragma once
// Shared by the service's platform tests: the real Dravik.dll, loaded and
// registered once per run, and uninstall entries made (and removed) in Wine's
// registry. Every entry a test makes is named "CxSvcTest_..." (or, for the key
// name rule, "KB9900000..."), and leftovers of an earlier run are removed first.
#include <windows.h>

#include <string>
#include <vector>

#include "harness/ScopedEntry.h"
#include "Dravik_h.h"
#include "platform/Com.h"
#include "platform/Registry.h"

namespace svctest {

extern const char* const kUninstall;
extern const char* const kArpCache;

struct DravikDll {
    HMODULE module = nullptr;
    std::string path;  // as the DLL itself reports it
    HRESULT(__stdcall* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(__stdcall* canUnloadNow)() = nullptr;
    HRESULT(__stdcall* registerServer)() = nullptr;
    HRESULT(__stdcall* unregisterServer)() = nullptr;
};
// Loaded from the output folder and registered by the test environment.
const DravikDll& Dll();

using cx::test::ScopedEntry;

// An add/remove cache record for `name` under `hive`, removed with the object.
class ScopedSlowInfo {
public:
    ScopedSlowInfo(HKEY hive, std::string name, const std::vector<BYTE>& data);
    ~ScopedSlowInfo();
    ScopedSlowInfo(const ScopedSlowInfo&) = delete;
    ScopedSlowInfo& operator=(const ScopedSlowInfo&) = delete;

private:
    HKEY hive_;
    std::string name_;
};
std::vector<BYTE> SlowInfoBytes(int64_t size, FILETIME lastUsed, DWORD frequency);

// Removes every test entry (and cache record) from both hives.
void RemoveLeftovers();

cx::ComPtr<IProgramList> NewList();

// Every listed program whose RegistryName is `name`, with its index.
struct Found {
    long index = -1;
    cx::ComPtr<IProgramItem> item;
};
std::vector<Found> FindPrograms(IProgramList* list, const std::string& name);
// The one program named `name`; fails the test when there is not exactly one.
cx::ComPtr<IProgramItem> OnlyProgram(IProgramList* list, const std::string& name);

using ItemText = HRESULT (STDMETHODCALLTYPE IProgramItem::*)(BSTR*);
std::string Get(IProgramItem* item, ItemText method);
using ListText = HRESULT (STDMETHODCALLTYPE IProgramList::*)(LONG, BSTR*);
std::string Get(IProgramList* list, ListText method, long index);

// A key's default value, or "<missing>".
std::string DefaultValue(HKEY hive, const std::string& path);

}  // namespace svctest
