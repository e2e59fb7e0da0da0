#include "platform/Files.h"

#include <vector>

#include "platform/Error.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx {

bool FileExists(const std::string& path) noexcept {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) noexcept {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void ForceDirectories(const std::string& dir) {
    std::string d = dir;
    while (!d.empty() && d.back() == '\\') d.pop_back();
    if (d.empty() || DirectoryExists(d)) return;
    std::string parent = ExtractFilePath(d);
    // Stop at a drive ("C:\") or share root; those cannot be created.
    if (!parent.empty() && parent != d + "\\" && parent.size() > 3) ForceDirectories(parent);
    // "Already exists" is success only when what exists is a folder (another
    // process may have made it meanwhile), not a file of that name.
    if (!CreateDirectoryA(d.c_str(), nullptr) && !DirectoryExists(d))
        throw AppError(Format("Unable to create directory %s", d.c_str()));
}

std::string ModuleFileName(HMODULE module) {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) ThrowLastError();
        if (n < buf.size()) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::string ExeDirectory() { return ExtractFilePath(ModuleFileName()); }

std::string WindowsDirectory() {
    char buf[MAX_PATH];
    UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    return std::string(buf, n < MAX_PATH ? n : 0);
}

std::string SystemDirectory() {
    char buf[MAX_PATH];
    UINT n = GetSystemDirectoryA(buf, MAX_PATH);
    return std::string(buf, n < MAX_PATH ? n : 0);
}

std::wstring LongPathForApi(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    return path;
}

void ForEachFolderEntry(const std::wstring& dir, const FolderVisitor& visit,
                        const std::wstring& pattern) {
    const std::wstring base = !dir.empty() && dir.back() == L'\\' ? dir : dir + L"\\";
    WIN32_FIND_DATAW fd;
    unique_hfind find(FindFirstFileW(LongPathForApi(base + pattern).c_str(), &fd));
    if (!find) return;
    do {
        const wchar_t* n = fd.cFileName;
        if (n[0] == L'.' && (!n[1] || (n[1] == L'.' && !n[2]))) continue;
        if (!visit(fd)) return;
    } while (FindNextFileW(find.get(), &fd));
}

std::optional<std::string> ReadFileBytes(const std::wstring& path, uint64_t maxBytes) {
    unique_hfile file(CreateFileW(LongPathForApi(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > maxBytes)
        return std::nullopt;
    std::string data(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!data.empty() &&
        (!ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr) ||
         got != data.size()))
        return std::nullopt;
    return data;
}

void WriteFileBytes(const std::wstring& path, const std::string& data, bool createNew) {
    unique_hfile file(CreateFileW(LongPathForApi(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  createNew ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) throw AppError(WideToAnsi(path) + ": " + SysErrorMessage(GetLastError()));
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
        written != data.size() || !FlushFileBuffers(file.get()))
        throw AppError(WideToAnsi(path) + ": " + SysErrorMessage(GetLastError()));
}

}  // namespace cx
