#include "harness/TestKit.h"

#include "harness/Windows.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx::test {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string BuildDir() {
    static const std::string dir = [] {
        std::string d = ExtractFilePath(ModuleFileName());
        // The build folder is usually a drive of its own (D:\), so the root is checked too.
        for (;;) {
            if (FileExists(d + "CMakeCache.txt")) return d;
            if (d.size() <= 3) break;
            d = ExtractFilePath(d.substr(0, d.size() - 1));
        }
        throw std::runtime_error("test executable is not inside a build folder");
    }();
    return dir;
}

std::string OutDir() { return BuildDir() + "out\\"; }

void ForEachEntry(const std::wstring& dir, const EntryVisitor& visit, const std::wstring& pattern) {
    const std::wstring base = dir.empty() || dir.back() == L'\\' ? dir : dir + L"\\";
    WIN32_FIND_DATAW fd;
    unique_hfind h(FindFirstFileW((base + pattern).c_str(), &fd));
    if (!h) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        visit(base + name, fd);
    } while (FindNextFileW(h.get(), &fd));
}

HKEY CreateKeyPath(HKEY root, const std::wstring& path, DWORD options) {
    unique_hkey cur;
    HKEY at = root;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find(L'\\', pos);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty()) continue;
        HKEY next = nullptr;
        LONG rc = RegCreateKeyExW(at, part.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr,
                                  &next, nullptr);
        if (rc != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot create " << WideToAnsi(path) << ": " << rc;
            return nullptr;
        }
        cur.reset(next);
        at = next;
    }
    return cur.release();
}

HKEY CreateKeyPath(HKEY root, const std::string& path, DWORD options) {
    return CreateKeyPath(root, AnsiToWide(path), options);
}

namespace {
// A clean-up of test folders must not be led out of them: by UTF-16 names.
void RemoveTreeW(const std::wstring& dir) {
    ForEachEntry(dir, [](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveTreeW(full);
        else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(full.c_str());
        else
            DeleteFileW(full.c_str());
    });
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(dir.c_str());
}
}  // namespace

void RemoveTree(const std::string& dir) { RemoveTreeW(AnsiToWide(dir)); }

std::string FreshScratchDir(const std::string& name) {
    std::string dir = "C:\\carvexo-tests\\" + name + "\\";
    RemoveTree(dir);
    ForceDirectories(dir);
    return dir;
}

static void CopyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    const std::wstring base = !to.empty() && to.back() == L'\\' ? to : to + L"\\";
    ForEachEntry(from, [&](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
        const std::wstring target = base + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(full, target);
        else
            CopyFileW(full.c_str(), target.c_str(), FALSE);
    });
}

std::string FreshAppCopy(const std::string& name) {
    std::string dir = FreshScratchDir(name);
    CopyTree(AnsiToWide(OutDir()), AnsiToWide(dir));
    // Only what the build ships: the files the program writes must be made by the test run.
    DeleteFileA((dir + "Config.ini").c_str());
    DeleteFileA((dir + "Langs\\English.ini").c_str());
    DeleteFileA((dir + "Skins\\Default.ini").c_str());
    return dir;
}

int RunAndWait(const std::string& commandLine, DWORD timeoutMs, const std::string& workDir) {
    Launched proc;
    Launch(commandLine, proc, workDir);
    DWORD code = 0;
    if (!WaitForExit(proc.process, timeoutMs, &code)) return -1;  // ~Launched terminates it
    return static_cast<int>(code);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadWholeFile(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace cx::test
