#pragma once
// Sandboxes and before/after pictures for the scan and removal tests.
#include <windows.h>

#include <map>
#include <string>

#include "cleanup/Scanner.h"
#include "harness/TestKit.h"

namespace cx::test {

// Below HKEY_CURRENT_USER; every test key lives under it and goes with it.
constexpr const char* kRegSandbox = "SOFTWARE\\CxTestCore";

// Deletes and recreates HKEY_CURRENT_USER\<kRegSandbox>\<sub>; returns its path.
std::string FreshRegSandbox(const std::string& sub);
void DropRegSandbox();
void SetValue(HKEY key, const std::string& name, DWORD type, const std::string& data);

// Every key ("K:" + path relative to `path`) and value ("V:" + key path + "|" +
// name -> type and data) of the subtree.
std::map<std::string, std::string> RegPicture(HKEY root, const std::string& path);
// Every entry below `dir` ("D:" / "F:" + relative path -> file content).
std::map<std::string, std::string> FilePicture(const std::string& dir);

cleanup::ScanProgress Quiet();

// A key made for one test below `root` (with any keys missing on its way),
// deleted with everything below it at the end: for keys outside the sandbox,
// where the scan looks (another hive, the uninstall entries).
class ScopedKey {
public:
    ScopedKey(HKEY root, std::string path);
    ~ScopedKey();
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY root_;
    std::string path_;
    HKEY key_;
};

}  // namespace cx::test
