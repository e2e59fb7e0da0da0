#include <windows.h>
extern "C" __declspec(dllexport) int __stdcall SomethingElse() { return 1; }
