#include <windows.h>
extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return E_ACCESSDENIED; }
