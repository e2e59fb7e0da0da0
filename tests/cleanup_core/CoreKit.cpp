#include "CoreKit.h"

#include <gtest/gtest.h>

#include <utility>

#include "harness/TestKit.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::test {

std::string FreshRegSandbox(const std::string& sub) {
    std::string path = std::string(kRegSandbox) + "\\" + sub;
    reg::DeleteTree(HKEY_CURRENT_USER, path);
    RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, path));
    return path;
}

void DropRegSandbox() { reg::DeleteTree(HKEY_CURRENT_USER, kRegSandbox); }

void SetValue(HKEY key, const std::string& name, DWORD type, const std::string& data) {
    LONG rc = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size()));
    if (rc != ERROR_SUCCESS) ADD_FAILURE() << "cannot set " << name << ": " << rc;
}

static void RegWalk(HKEY key, const std::string& rel, std::map<std::string, std::string>& out) {
    out["K:" + rel] = "";
    {
        // A second handle of its own for the owner type to close.
        auto view = reg::Key::Open(key, "", KEY_READ);
        if (view)
            for (const auto& v : view->Values())
                out["V:" + rel + "|" + v.name] =
                    std::to_string(v.type) + ":" + std::string(v.data.begin(), v.data.end());
    }
    for (const auto& name : reg::SubKeyNames(key)) {
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) {
            out["K:" + rel + "\\" + name] = "unreadable";
            continue;
        }
        RegWalk(child, rel + "\\" + name, out);
        RegCloseKey(child);
    }
}

std::map<std::string, std::string> RegPicture(HKEY root, const std::string& path) {
    std::map<std::string, std::string> out;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    RegWalk(key, "", out);
    RegCloseKey(key);
    return out;
}

// By UTF-16 names, so names an 8-bit listing would misread are pictured too
// (their keys show what the code page lacks as "?").
static std::string ReadWholeFileW(const std::wstring& path) {
    unique_hfile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return "<unreadable>";
    std::string out;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    return out;
}

static void FileWalk(const std::wstring& dir, const std::string& rel,
                     std::map<std::string, std::string>& out) {
    ForEachEntry(dir, [&](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
        std::string name = WideToAnsi(fd.cFileName);
        std::string r = rel.empty() ? name : rel + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out["D:" + r] = "";
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) FileWalk(full, r, out);
        } else {
            out["F:" + r] = ReadWholeFileW(full);
        }
    });
}

std::map<std::string, std::string> FilePicture(const std::string& dir) {
    std::map<std::string, std::string> out;
    std::string d = dir;
    if (!d.empty() && d.back() == '\\') d.pop_back();
    FileWalk(AnsiToWide(d), "", out);
    return out;
}

cleanup::ScanProgress Quiet() { return {}; }

ScopedKey::ScopedKey(HKEY root, std::string path)
    : root_(root), path_(std::move(path)), key_(CreateKeyPath(root_, path_)) {
    if (!key_) ADD_FAILURE() << "cannot make " << path_;
}

ScopedKey::~ScopedKey() {
    if (key_) RegCloseKey(key_);
    reg::DeleteTree(root_, path_);
}

}  // namespace cx::test
