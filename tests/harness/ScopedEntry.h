#pragma once
// An uninstall entry made for one test below a hive's Uninstall key (an older
// one of the name is replaced), deleted with everything below it at the end;
// its values are set as the test needs them. And the demo data seeded again.
#include <windows.h>

#include <string>

#include "platform/Registry.h"

namespace cx::test {

class ScopedEntry {
public:
    ScopedEntry(HKEY hive, std::string name);
    ~ScopedEntry();
    ScopedEntry(const ScopedEntry&) = delete;
    ScopedEntry& operator=(const ScopedEntry&) = delete;

    reg::Key& key() { return key_; }
    ScopedEntry& Text(const std::string& name, const std::string& value);
    ScopedEntry& Dword(const std::string& name, DWORD value);
    const std::string& name() const { return name_; }
    HKEY hive() const { return hive_; }
    // Its path below the hive.
    std::string KeyPath() const;

private:
    HKEY hive_;
    std::string name_;
    reg::Key key_;
};

// Seeds the test prefix with the demo machine again (tools\Seeder.exe /seed);
// the seeder's exit code.
int Reseed();

}  // namespace cx::test
