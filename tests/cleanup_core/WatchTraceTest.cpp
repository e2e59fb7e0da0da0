// What a watched install's two snapshots say the setup did, and the trace's
// text as it is kept.
#include <gtest/gtest.h>

#include <algorithm>

#include "cleanup/WatchTrace.h"

using namespace cx;
using namespace cx::cleanup;

namespace {

ValueShot Value(const wchar_t* name, const std::string& text) {
    ValueShot v;
    v.name = name;
    v.type = REG_SZ;
    const std::wstring w(text.begin(), text.end());
    v.data.assign(reinterpret_cast<const BYTE*>(w.c_str()),
                  reinterpret_cast<const BYTE*>(w.c_str() + w.size() + 1));
    v.size = static_cast<uint32_t>(v.data.size());
    v.hash = ValueHash(v.type, v.data.data(), v.data.size());
    if (v.data.size() > kKeptValueBytes) v.data.clear();
    return v;
}

const std::wstring kUninstall = kUninstallKeyPath;

// Only what the setup made, in either hive and in any spelling the registry
// gives: the Uninstall keys name the programs, changed values keep their old
// data when short, noise and what went are left out.
TEST(WatchTrace, TheDifferenceIsWhatTheSetupCreatedAndChanged) {
    Snapshot before, after;
    before.keys = {
        {RegHive::LocalMachine, L"SOFTWARE\\Acme", {Value(L"Theme", "plain"), Value(L"Old", "x")}},
        {RegHive::LocalMachine, L"SOFTWARE\\Acme\\Gone", {}},
        {RegHive::CurrentUser, L"Software\\Shared", {Value(L"Big", std::string(3000, 'a'))}},
        {RegHive::CurrentUser,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
         {}},
    };
    after.keys = {
        // The registry's own spelling may differ between the walks.
        {RegHive::LocalMachine,
         L"Software\\ACME",
         {Value(L"theme", "acme"), Value(L"Old", "x"), Value(L"New", "1")}},
        {RegHive::LocalMachine, L"SOFTWARE\\Acme\\Tool", {}},
        {RegHive::LocalMachine,
         kUninstall + L"\\Acme Tool_is1",
         {Value(L"DisplayName", "Acme Tool 2")}},
        {RegHive::CurrentUser, kUninstall + L"\\AcmeUser", {}},
        {RegHive::CurrentUser, kUninstall + L"\\AcmeUser\\Deeper", {}},
        {RegHive::CurrentUser, L"Software\\Shared", {Value(L"Big", std::string(3000, 'b'))}},
        {RegHive::CurrentUser,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
         {Value(L"0", "doc")}},
        {RegHive::CurrentUser,
         L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs\\.txt",
         {}},
    };
    before.files = {{L"C:\\Program Files", true},
                    {L"C:\\Windows\\win.ini", false, 10, 1},
                    {L"C:\\Users\\u\\AppData\\Local\\Temp\\a.tmp", false, 1, 1}};
    after.files = {{L"C:\\Program Files", true},
                   {L"C:\\Program Files\\Acme", true},
                   {L"C:\\Program Files\\Acme\\tool.exe", false, 100, 5},
                   {L"C:\\WINDOWS\\win.ini", false, 12, 2},
                   {L"C:\\Users\\u\\AppData\\Local\\Temp\\b.tmp", false, 1, 1}};
    const NoiseFilter noise(kNoiseRules, [](const std::wstring& name) -> std::wstring {
        return name == L"TEMP" ? L"C:\\Users\\u\\AppData\\Local\\Temp\\" : L"";
    });
    const WatchTrace t = TraceOf(before, after, noise);

    std::vector<std::string> lines;
    for (const TraceItem& i : t.items) lines.push_back(TraceItemText(i));
    std::vector<std::string> want = {
        "changed value HKEY_LOCAL_MACHINE\\Software\\ACME\\theme",
        "created value HKEY_LOCAL_MACHINE\\Software\\ACME\\New",
        "created key HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Tool",
        "created key HKEY_LOCAL_MACHINE\\" + std::string(kUninstall.begin(), kUninstall.end()) +
            "\\Acme Tool_is1",
        "created key HKEY_CURRENT_USER\\" + std::string(kUninstall.begin(), kUninstall.end()) +
            "\\AcmeUser",
        "created key HKEY_CURRENT_USER\\" + std::string(kUninstall.begin(), kUninstall.end()) +
            "\\AcmeUser\\Deeper",
        "changed value HKEY_CURRENT_USER\\Software\\Shared\\Big (its old data was too long to "
        "keep)",
        "created folder C:\\Program Files\\Acme",
        "created file C:\\Program Files\\Acme\\tool.exe",
        "changed file C:\\WINDOWS\\win.ini",
    };
    std::sort(lines.begin(), lines.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(lines, want);
    const TraceItem* theme = nullptr;
    for (const TraceItem& i : t.items)
        if (i.value == L"theme") theme = &i;
    ASSERT_TRUE(theme && theme->oldKept);
    EXPECT_EQ(theme->oldData, Value(L"Theme", "plain").data);
    EXPECT_EQ(theme->hash, Value(L"theme", "acme").hash);

    ASSERT_EQ(t.programs.size(), 2u);  // the user's hive first
    EXPECT_EQ(t.programs[0].hive, RegHive::CurrentUser);
    EXPECT_EQ(t.programs[0].registryName, L"AcmeUser");
    EXPECT_EQ(t.programs[1].registryName, L"Acme Tool_is1");
    EXPECT_EQ(t.programs[1].displayName, L"Acme Tool 2");

    const TraceCounts c = CountsOf(t);
    EXPECT_EQ(c.keys, 6u);  // four created, and two that had values changed or added
    EXPECT_EQ(c.files, 3u);
}

// The kept text reads back as it was written, and a text anybody made up
// in any other shape is no trace.
TEST(WatchTrace, ItsTextReadsBackAndAnythingElseIsRefused) {
    WatchTrace t;
    t.date = "2026-12-10 03:12:45";
    t.setup = L"\"C:\\Setups\\acme\tsetup.exe\" /S %TEMP%";
    t.programs = {{RegHive::LocalMachine, L"Acme\nTool", L"Acme 100%"}};
    TraceItem changed{TraceKind::ChangedValue, RegHive::CurrentUser, L"Software\\Shared", L"a\tb"};
    changed.hash = 0x0123456789abcdefull;
    changed.oldKept = true;
    changed.oldType = REG_BINARY;
    changed.oldData = {0, 1, 0xfe};
    TraceItem unkept = changed;
    unkept.oldKept = false;
    unkept.oldData.clear();
    t.items = {{TraceKind::Key, RegHive::LocalMachine, L"SOFTWARE\\Acme"},
               changed,
               unkept,
               {TraceKind::File, {}, {}, {}, L"C:\\Program Files\\Acme\\a.txt"}};
    const std::string text = TraceText(t);
    const std::optional<WatchTrace> back = ParseTrace(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->setup, t.setup);
    EXPECT_EQ(back->programs[0].registryName, L"Acme\nTool");
    EXPECT_EQ(back->programs[0].displayName, L"Acme 100%");
    ASSERT_EQ(back->items.size(), 4u);
    EXPECT_EQ(back->items[1].value, L"a\tb");
    EXPECT_EQ(back->items[1].hash, changed.hash);
    EXPECT_EQ(back->items[1].oldData, changed.oldData);
    EXPECT_FALSE(back->items[2].oldKept);
    EXPECT_EQ(TraceText(*back), text);

    const std::string header = "Carvexo watched install 1\n";
    for (const std::string& bad :
         {std::string("Carvexo uninstall 1\n"), header + "key\tHKCR\tx\n", header + "key\tHKLM\t\n",
          header + "value\tHKLM\tk\tn\tnothex\n", header + "changed\tHKLM\tk\tn\t1\t1\tabc\n",
          header + "changed\tHKLM\tk\tn\t1\t99999999999\t00\n",
          header + "changed\tHKLM\tk\tn\t1\t1\t" + std::string(2 * (kKeptValueBytes + 1), 'a') +
              "\n",
          header + "file\t%zz\n", header + "delete\tC:\\x\n", header + "key\tHKLM\tk\textra\n"})
        EXPECT_FALSE(ParseTrace(bad)) << bad;
}

}  // namespace
