// comdlg32 loaded when the first file or print dialog opens, not at start: it
// serves only those dialogs, and it brings winspool.drv and, under Wine, the
// whole printing stack behind it (about 4 MB of working set at every start).
//
// The callers, compiled against the system headers, call through the import
// slots __imp__Name@N. This file, linked into Carvexo.exe only, defines those
// slots, so the linker takes no comdlg32 entry from its import library (a
// function not listed here would bring the DLL back into the import table,
// which tests/app_e2e/LeanStartE2eTest.cpp catches). Each slot starts at a
// stand-in that loads the DLL from the system folder, puts the real function
// into the slot and calls it; later calls go straight to the system.
// (binutils' own delay-import libraries leave the i386 slots empty.)
#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

namespace {

FARPROC SystemFunction(const char* name) {
    static HMODULE dll = [] {
        wchar_t path[MAX_PATH + 16] = {};
        UINT n = GetSystemDirectoryW(path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return HMODULE{};
        lstrcatW(path, L"\\comdlg32.dll");
        return LoadLibraryW(path);
    }();
    return dll ? GetProcAddress(dll, name) : nullptr;
}

}  // namespace

// Without the DLL a dialog fails as one the user cancelled would, and the
// extended error says the dialogs could not start.
#define CX_LATE(ret, name, bytes, params, args, failed)                                \
    extern "C" ret(WINAPI* cx_slot_##name) params asm("__imp__" #name "@" #bytes);     \
    namespace {                                                                        \
    ret WINAPI Late##name params {                                                     \
        auto real = reinterpret_cast<decltype(cx_slot_##name)>(SystemFunction(#name)); \
        if (!real) return failed;                                                      \
        cx_slot_##name = real;                                                         \
        return real args;                                                              \
    }                                                                                  \
    }                                                                                  \
    ret(WINAPI* cx_slot_##name) params = &Late##name;

CX_LATE(BOOL, GetOpenFileNameA, 4, (LPOPENFILENAMEA ofn), (ofn), FALSE)
CX_LATE(BOOL, GetSaveFileNameA, 4, (LPOPENFILENAMEA ofn), (ofn), FALSE)
CX_LATE(BOOL, GetOpenFileNameW, 4, (LPOPENFILENAMEW ofn), (ofn), FALSE)
CX_LATE(BOOL, PrintDlgA, 4, (LPPRINTDLGA pd), (pd), FALSE)
CX_LATE(DWORD, CommDlgExtendedError, 0, (), (), DWORD{CDERR_INITIALIZATION})
