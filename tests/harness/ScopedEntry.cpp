#include "harness/ScopedEntry.h"

#include <utility>

#include "harness/TestKit.h"

namespace cx::test {

namespace {
const char* const kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
}

ScopedEntry::ScopedEntry(HKEY hive, std::string name) : hive_(hive), name_(std::move(name)) {
    reg::DeleteTree(hive_, KeyPath());
    reg::Key parent = reg::Key::Create(hive_, kUninstall);
    key_ = reg::Key::Create(parent.get(), name_);
}

ScopedEntry::~ScopedEntry() {
    key_ = reg::Key();
    reg::DeleteTree(hive_, KeyPath());
}

std::string ScopedEntry::KeyPath() const { return std::string(kUninstall) + "\\" + name_; }

ScopedEntry& ScopedEntry::Text(const std::string& name, const std::string& value) {
    key_.SetString(name, value);
    return *this;
}

ScopedEntry& ScopedEntry::Dword(const std::string& name, DWORD value) {
    key_.SetDword(name, value);
    return *this;
}

int Reseed() {
    // Seeding a fresh prefix writes thousands of keys: a loaded machine takes a while.
    return RunAndWait("\"" + BuildDir() + "tools\\Seeder.exe\" /seed", 180000);
}

}  // namespace cx::test
