#pragma once
// File-system helpers over the ANSI API.
#include <windows.h>

#include <string>

namespace cx {

bool FileExists(const std::string& path) noexcept;
bool DirectoryExists(const std::string& path) noexcept;
// Creates a directory with all missing parents; throws AppError on failure.
void ForceDirectories(const std::string& dir);
// Full path of a loaded module (nullptr: the running executable).
std::string ModuleFileName(HMODULE module = nullptr);
// Directory of the running executable, ending in "\".
std::string ExeDirectory();
std::string WindowsDirectory();
std::string SystemDirectory();

}  // namespace cx
