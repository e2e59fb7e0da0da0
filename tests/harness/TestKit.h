#pragma once
// What tests share: where things are as seen from inside the throwaway prefix,
// and small helpers to prepare and inspect state.
#include <windows.h>

#include <functional>
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

// Clears the read-only attribute below a folder and deletes it; links are
// removed as links, never entered.
void RemoveTree(const std::string& dir);

// Calls `visit` for every entry of the folder `dir` (with or without its
// trailing "\") whose name matches `pattern`, "." and ".." left out, in the
// file system's order. By UTF-16 names: an 8-bit listing turns some names into
// look-alikes of "\" and "..".
using EntryVisitor = std::function<void(const std::wstring& fullPath, const WIN32_FIND_DATAW&)>;
void ForEachEntry(const std::wstring& dir, const EntryVisitor& visit,
                  const std::wstring& pattern = L"*");

// Creates root\path with every missing key on the way, one level at a time (Wine
// opens at most about 260 characters of path in one go); the deepest key, for
// the caller to close, or nullptr after reporting a test failure.
HKEY CreateKeyPath(HKEY root, const std::wstring& path, DWORD options = 0);
HKEY CreateKeyPath(HKEY root, const std::string& path, DWORD options = 0);

}  // namespace cx::test
