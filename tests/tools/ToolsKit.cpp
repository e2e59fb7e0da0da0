#include "ToolsKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

#include "harness/TestKit.h"
#include "platform/Error.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"

namespace cx::test::tools {

namespace {

using namespace cx::demo;

// The uninstall tests change the seeded state: every run of this executable
// starts from, and leaves behind, a freshly seeded prefix for the tests after it.
class SeededPrefix : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(RunSeeder("/seed"), 0); }
    void TearDown() override { EXPECT_EQ(RunSeeder("/seed"), 0); }
};
[[maybe_unused]] auto* const kSeededPrefix = ::testing::AddGlobalTestEnvironment(new SeededPrefix);

std::string Hex(const std::vector<BYTE>& data) {
    std::string out;
    for (BYTE b : data) out += Format("%02x", b);
    return out;
}

void DumpInto(const reg::Key& key, const std::string& path, std::vector<std::string>& lines) {
    std::vector<std::string> values;
    for (const auto& v : key.Values())
        values.push_back(path + "|" + v.name + "|" + std::to_string(v.type) + "|" + Hex(v.data));
    std::sort(values.begin(), values.end());
    lines.push_back(path + "\\");
    lines.insert(lines.end(), values.begin(), values.end());
    std::vector<std::string> subkeys = key.SubKeyNames();
    std::sort(subkeys.begin(), subkeys.end());
    for (const auto& name : subkeys) {
        if (auto child = key.OpenSub(name))
            DumpInto(*child, path + "\\" + name, lines);
        else
            lines.push_back(path + "\\" + name + " (unreadable)");
    }
}

void ListInto(const std::string& base, const std::string& rel, std::vector<std::string>& out) {
    ForEachEntry(AnsiToWide(base + rel), [&](const std::wstring&, const WIN32_FIND_DATAW& fd) {
        const std::string name = WideToAnsi(fd.cFileName);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(rel + name + "\\");
            ListInto(base, rel + name + "\\", out);
        } else {
            out.push_back(rel + name + "|" + std::to_string(fd.nFileSizeLow));
        }
    });
}

std::string ValueText(HKEY root, const std::string& path, const std::string& name) {
    auto key = reg::Key::Open(root, path);
    auto v = key ? key->RawValue(name) : std::nullopt;
    return v ? std::to_string(v->type) + ":" + reg::StringFromData(v->data) : "(missing)";
}

}  // namespace

std::string ToolsDir() { return BuildDir() + "tools\\"; }

int RunSeeder(const std::string& args) {
    return RunAndWait("\"" + ToolsDir() + "Seeder.exe\" " + args, 180000);
}

bool KeyExists(HKEY root, const std::string& path) {
    return reg::Key::Open(root, path).has_value();
}

std::string DumpKey(HKEY root, const std::string& path) {
    auto key = reg::Key::Open(root, path);
    if (!key) return path + " (missing)\n";
    std::vector<std::string> lines;
    DumpInto(*key, path, lines);
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

std::vector<std::string> ListTree(const std::string& dir) {
    std::vector<std::string> out;
    ListInto(dir.back() == '\\' ? dir : dir + "\\", "", out);
    std::sort(out.begin(), out.end());
    return out;
}

std::string SeededState() {
    std::string s;
    for (const DemoProgram& p : Programs()) {
        s += "== " + std::string(p.keyName) + "\n";
        s += DumpKey(HiveRoot(p.hive), std::string(kUninstallPath) + "\\" + p.keyName);
        for (Hive h : {Hive::Machine, Hive::User})
            s += DumpKey(HiveRoot(h), std::string(kArpCachePath) + "\\" + p.keyName);
        for (const RemainKey& r : RemainKeysOf(p)) s += DumpKey(HiveRoot(r.hive), r.path);
        if (!InstallDir(p).empty())
            for (const auto& line : ListTree(InstallDir(p))) s += InstallDir(p) + line + "\n";
    }
    for (const DemoScreenSaver& scr : ScreenSavers())
        s += ScreenSaverPath(scr) + "|" +
             std::to_string(ReadWholeFile(ScreenSaverPath(scr)).size()) + "\n";
    for (const DemoRunValue& v : RunValues()) {
        const std::string path = std::string(kCurrentVersionPath) + "\\" + v.keyPath;
        s += path + "|" + v.name + "|" + ValueText(HiveRoot(v.hive), path, v.name) + "|" +
             ValueText(HiveRoot(v.hive), path + "\\" + kDisabledSubkey, v.name) + "\n";
    }
    for (const DemoShortcut& sc : Shortcuts()) {
        const std::string path = StartupFolder(sc.allUsers) + sc.fileName;
        s += path + "|" + std::to_string(ReadWholeFile(path).size()) + "\n";
    }
    return s;
}

std::string LineDiff(const std::string& a, const std::string& b) {
    auto split = [](const std::string& text) {
        std::multiset<std::string> lines;
        size_t start = 0;
        for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
            lines.insert(text.substr(start, nl - start));
        if (start < text.size()) lines.insert(text.substr(start));
        return lines;
    };
    const auto la = split(a), lb = split(b);
    std::vector<std::string> onlyA, onlyB;
    std::set_difference(la.begin(), la.end(), lb.begin(), lb.end(), std::back_inserter(onlyA));
    std::set_difference(lb.begin(), lb.end(), la.begin(), la.end(), std::back_inserter(onlyB));
    std::string out;
    for (const auto& l : onlyA) out += "- " + l + "\n";
    for (const auto& l : onlyB) out += "+ " + l + "\n";
    return out;
}

}  // namespace cx::test::tools
