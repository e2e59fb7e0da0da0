#include <windows.h>
extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, void** ppv) { *ppv = nullptr; return CLASS_E_CLASSNOTAVAILABLE; }
extern "C" HRESULT __stdcall DllCanUnloadNow() { return S_OK; }
extern "C" HRESULT __stdcall DllRegisterServer() { return S_OK; }
extern "C" HRESULT __stdcall DllUnregisterServer() { return S_OK; }
