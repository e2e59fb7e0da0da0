#pragma once
// What tests share: where things are as seen from inside the throwaway prefix,
// and small helpers to prepare and inspect state.
#include <windows.h>

#include <string>
#include <vector>

namespace cx::test {

// How long a test waits for something that must come before it calls it a
// hang. Only a guard: no test measures speed (that is bench/'s work).
constexpr DWORD kHangGuardMs = 120000;

// True under Wine (ntdll exports wine_get_version), for expectations that pin
// what Wine does differently from Windows.
bool UnderWine();

// The build folder (found by walking up from the test executable to CMakeCache.txt), ending in "\".
std::string BuildDir();
// The output folder a user unpacks (Carvexo.exe, Dravik.dll, Skins\), ending in "\".
std::string OutDir();
// A fresh, empty folder on C: for one test, ending in "\".
std::string FreshScratchDir(const std::string& name);
// A copy of the output folder in a fresh scratch folder (nothing the program writes).
std::string FreshAppCopy(const std::string& name);

// Runs a command line, waits up to `timeoutMs`, returns its exit code (or -1 on
// timeout, after terminating it).
int RunAndWait(const std::string& commandLine, DWORD timeoutMs = kHangGuardMs,
               const std::string& workDir = {});

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
std::vector<std::string> ReadLines(const std::string& path);

// Clears the read-only attribute below a folder and deletes it.
void RemoveTree(const std::string& dir);

}  // namespace cx::test
