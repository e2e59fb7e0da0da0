#pragma once
// What the COM objects need from the DLL around them.
#include <windows.h>

#include <string>

namespace cx::svc {

// Live objects and server locks; DllCanUnloadNow answers from both.
void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;
void LockModule(bool lock) noexcept;

// Full path of Dravik.dll itself (where its type library lives).
std::string ModulePath();

// A new program list object, handed out as `riid`; deleted again when it does
// not answer `riid`.
HRESULT CreateProgramList(REFIID riid, void** ppv) noexcept;

}  // namespace cx::svc
