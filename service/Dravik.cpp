// The DLL around the server: entry point, class factory and the four exports.
#include <windows.h>
#include <olectl.h>

#include "Dravik_h.h"
#include "Module.h"
#include "Registration.h"
#include "platform/Files.h"

namespace cx::svc {

namespace {

HMODULE g_module = nullptr;
volatile LONG g_objects = 0;
volatile LONG g_locks = 0;

// One factory for the process; holding it keeps the DLL loaded.
class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        LockModule(true);
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        LockModule(false);
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return CreateProgramList(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

void ObjectCreated() noexcept { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() noexcept { InterlockedDecrement(&g_objects); }
void LockModule(bool lock) noexcept {
    if (lock)
        InterlockedIncrement(&g_locks);
    else
        InterlockedDecrement(&g_locks);
}

std::string ModulePath() { return ModuleFileName(g_module); }

}  // namespace cx::svc

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        cx::svc::g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_ProgramList) return CLASS_E_CLASSNOTAVAILABLE;
    return cx::svc::g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return cx::svc::g_objects == 0 && cx::svc::g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT __stdcall DllRegisterServer() {
    try {
        cx::svc::RegisterServer(cx::svc::ModulePath());
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    try {
        return cx::svc::UnregisterServer() ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}
