#include "harness/TestKit.h"

#include "harness/Windows.h"

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

namespace {
// By UTF-16 names: an 8-bit listing turns some names into look-alikes of "\\"
// and "..", and a clean-up of test folders must not be led out of them either.
// Links are removed as links, never entered.
void RemoveTreeW(const std::wstring& dir) {
    const std::wstring base = dir.empty() || dir.back() == L'\\' ? dir : dir + L"\\";
    WIN32_FIND_DATAW fd;
    unique_hfind h(FindFirstFileW((base + L"*").c_str(), &fd));
    if (h) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = base + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTreeW(full);
            else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(full.c_str());
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h.get(), &fd));
    }
    h.reset();
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

static void CopyTree(const std::string& from, const std::string& to) {
    ForceDirectories(to);
    WIN32_FIND_DATAA fd;
    unique_hfind h(FindFirstFileA((from + "*").c_str(), &fd));
    if (!h) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + name + "\\", to + name + "\\");
        else
            CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
    } while (FindNextFileA(h.get(), &fd));
}

std::string FreshAppCopy(const std::string& name) {
    std::string dir = FreshScratchDir(name);
    CopyTree(OutDir(), dir);
    // Only what the build ships: the files the program writes must be made by the test run.
    DeleteFileA((dir + "Config.ini").c_str());
    RemoveTree(dir + "Langs");
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
