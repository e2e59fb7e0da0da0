#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <set>
#include <string>
#include <vector>

#include "backup/BackupPlan.h"
#include "platform/Error.h"
#include "platform/Strings.h"

namespace {

using cx::backup::BackupEntry;
using cx::backup::Hive;
using cx::backup::PlanBackup;
using cx::backup::SanitiseFileStem;

std::wstring Upper(std::wstring s) {
    CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// What Windows accepts as one file name that stays as written.
::testing::AssertionResult ValidFileName(const std::wstring& name) {
    if (name.empty() || name.size() > 255) return ::testing::AssertionFailure() << "length";
    for (wchar_t c : name)
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c))
            return ::testing::AssertionFailure() << "character " << int(c);
    if (name.back() == L'.' || name.back() == L' ')
        return ::testing::AssertionFailure() << "ends in a dot or blank";
    std::wstring base = Upper(name.substr(0, name.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* d : {L"CON", L"PRN", L"AUX", L"NUL", L"COM1", L"COM9", L"LPT1", L"LPT9",
                             L"CONIN$", L"CONOUT$"})
        if (base == d) return ::testing::AssertionFailure() << "device name";
    return ::testing::AssertionSuccess();
}

std::wstring FileOf(const std::vector<BackupEntry>& plan, Hive hive, const std::wstring& name) {
    for (const BackupEntry& e : plan)
        if (e.hive == hive && e.name == name) return e.fileName;
    ADD_FAILURE() << "no entry";
    return {};
}

TEST(RegeditParameters, ExportNamesTheFileByItsFullPathAndTheRecordsOwnHive) {
    EXPECT_EQ(cx::backup::ExportParameters("C:\\B\\My Tool 2.reg", Hive::LocalMachine, "My Tool"),
              " /e \"C:\\B\\My Tool 2.reg\" "
              "\"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My "
              "Tool\"");
    EXPECT_EQ(cx::backup::ExportParameters("\\\\server\\share\\x.reg", Hive::CurrentUser, "{1-2}"),
              " /e \"\\\\server\\share\\x.reg\" "
              "\"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{1-2}"
              "\"");
    EXPECT_EQ(cx::backup::ReloadParameters("D:\\old backup.reg"), " \"D:\\old backup.reg\"");
    // regedit would look for a file named otherwise in whatever folder is current.
    for (const char* relative : {"x.reg", "B\\x.reg", "\\B\\x.reg", "C:x.reg", ""}) {
        EXPECT_THROW(cx::backup::ExportParameters(relative, Hive::CurrentUser, "A"), cx::AppError)
            << relative;
        EXPECT_THROW(cx::backup::ReloadParameters(relative), cx::AppError) << relative;
        EXPECT_THROW(
            cx::backup::BackupParameters(cx::AnsiToWide(relative), L"HKEY_CURRENT_USER\\A"),
            cx::AppError)
            << relative;
    }
    EXPECT_EQ(
        cx::backup::BackupParameters(L"C:\\B\\~cx.tmp",
                                     cx::backup::UninstallKeyPath(Hive::CurrentUser, L"a b")),
        L"/e \"C:\\B\\~cx.tmp\" "
        L"\"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\a b\"");
}

// What regedit reads back from its command line.
std::vector<std::wstring> Arguments(const std::wstring& parameters) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW((L"regedit.exe " + parameters).c_str(), &argc);
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    LocalFree(argv);
    return args;
}

TEST(RegeditParameters, NamesWithQuotesAndBackslashesReachRegeditIntact) {
    for (const wchar_t* name : {L"Plain", L"Say \"cheese\"", L"\"", L"ends\\", L"a\\\"b",
                                L"two\\\\\"\"", L"\\\\server"}) {
        const std::wstring key = cx::backup::UninstallKeyPath(Hive::LocalMachine, name);
        const std::wstring target = L"C:\\Back up\\reg\\~cxexport1.tmp";
        EXPECT_EQ(Arguments(cx::backup::BackupParameters(target, key)),
                  (std::vector<std::wstring>{L"/e", target, key}))
            << name;
    }
    std::string exported =
        cx::backup::ExportParameters("C:\\x y.reg", Hive::CurrentUser, "Q\"uote");
    std::vector<std::wstring> args = Arguments(cx::AnsiToWide(exported));
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[1], L"C:\\x y.reg");
    EXPECT_EQ(
        args[2],
        L"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Q\"uote");
    EXPECT_EQ(Arguments(cx::AnsiToWide(cx::backup::ReloadParameters("C:\\a b.reg"))),
              (std::vector<std::wstring>{L"C:\\a b.reg"}));
}

TEST(RegeditParameters, HiveTextFromTheServiceFallsBackToTheMachine) {
    EXPECT_EQ(cx::backup::HiveFromName("HKEY_CURRENT_USER"), Hive::CurrentUser);
    EXPECT_EQ(cx::backup::HiveFromName("hkey_current_user "), Hive::CurrentUser);
    EXPECT_EQ(cx::backup::HiveFromName("HKEY_LOCAL_MACHINE"), Hive::LocalMachine);
    EXPECT_EQ(cx::backup::HiveFromName(""), Hive::LocalMachine);
    EXPECT_EQ(cx::backup::HiveFromName("HKEY_USERS"), Hive::LocalMachine);
}

TEST(SanitiseFileStem, ValidNamesStayAsTheyAre) {
    for (const wchar_t* n : {L"Tool", L"{6F3A0C1E-0000-4B7A-9C00-1234ABCD0001}", L"My App 2.0",
                             L"KB123456", L".hidden", L"CONSOLE", L"COM10", L"LPT", L"NULL.x",
                             L"Grüße € 日本", L"a~b!c#d$e%f&g(h)i[j]k{l}m;n'o,p=q+r"})
        EXPECT_EQ(SanitiseFileStem(n), n) << n;
}

TEST(SanitiseFileStem, CharactersNoFileNameHoldsBecomeUnderscores) {
    EXPECT_EQ(SanitiseFileStem(L"a:b?c*d|e<f>g\"h/i\\j"), L"a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(SanitiseFileStem(std::wstring(L"tab\there\x01\x1f\0z", 12)), L"tab_here___z");
    EXPECT_EQ(SanitiseFileStem(L"http://vendor/x"), L"http___vendor_x");
}

TEST(SanitiseFileStem, DeviceNamesAndTrailingDotsOrBlanksAreChanged) {
    EXPECT_EQ(SanitiseFileStem(L"CON"), L"CON_");
    EXPECT_EQ(SanitiseFileStem(L"nul"), L"nul_");
    EXPECT_EQ(SanitiseFileStem(L"Aux.Setup"), L"Aux_.Setup");
    EXPECT_EQ(SanitiseFileStem(L"com1 .x"), L"com1 _.x");
    EXPECT_EQ(SanitiseFileStem(L"LPT9"), L"LPT9_");
    EXPECT_EQ(SanitiseFileStem(L"CONOUT$"), L"CONOUT$_");
    EXPECT_EQ(SanitiseFileStem(L"Tool."), L"Tool_");
    EXPECT_EQ(SanitiseFileStem(L"Tool. . "), L"Tool____");
    EXPECT_EQ(SanitiseFileStem(L"..."), L"___");
    EXPECT_EQ(SanitiseFileStem(L""), L"_");
    EXPECT_EQ(SanitiseFileStem(L"PRN."), L"PRN_");  // the dot goes first, then it is no device
}

TEST(SanitiseFileStem, LongNamesAreCutWithinTheLimitAndStayValid) {
    std::wstring longName(300, L'x');
    EXPECT_EQ(SanitiseFileStem(longName).size(), 251u);
    EXPECT_EQ(SanitiseFileStem(longName, 10), std::wstring(10, L'x'));
    // A cut that ends on a dot or a blank would lose it on disk.
    EXPECT_EQ(SanitiseFileStem(L"abcd. efgh", 6), L"abcd__");
    // Never half a surrogate pair.
    std::wstring pairs = L"ab\xD83D\xDE00\xD83D\xDE00";
    EXPECT_EQ(SanitiseFileStem(pairs, 3), L"ab");
    EXPECT_EQ(SanitiseFileStem(pairs, 4), L"ab\xD83D\xDE00");
    EXPECT_EQ(SanitiseFileStem(L"CON", 3), L"CO_");
    EXPECT_TRUE(ValidFileName(SanitiseFileStem(L"CON", 3)));
    EXPECT_EQ(SanitiseFileStem(L"abc", 0), L"a");
}

TEST(PlanBackup, MachineNamesKeepTheirFileAndUserNamesArePrefixed) {
    auto plan = PlanBackup({L"Alpha", L"{GUID-1}"}, {L"Alpha", L"Beta"});
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(FileOf(plan, Hive::LocalMachine, L"Alpha"), L"Alpha.reg");
    EXPECT_EQ(FileOf(plan, Hive::LocalMachine, L"{GUID-1}"), L"{GUID-1}.reg");
    EXPECT_EQ(FileOf(plan, Hive::CurrentUser, L"Alpha"), L"HKCU_Alpha.reg");
    EXPECT_EQ(FileOf(plan, Hive::CurrentUser, L"Beta"), L"HKCU_Beta.reg");
    // The order read is kept: machine first, then the user's.
    EXPECT_EQ(plan[0].name, L"Alpha");
    EXPECT_EQ(plan[2].hive, Hive::CurrentUser);
}

TEST(PlanBackup, NamesThatSanitiseAlikeGetFilesOfTheirOwn) {
    auto plan = PlanBackup({L"a:b", L"A?B", L"a_b", L"a*b"}, {L"x", L"HKCU_x"});
    // The name that needed no change keeps its file, wherever it stands in the order.
    EXPECT_EQ(FileOf(plan, Hive::LocalMachine, L"a_b"), L"a_b.reg");
    EXPECT_EQ(FileOf(plan, Hive::LocalMachine, L"a:b"), L"a_b (2).reg");
    EXPECT_EQ(FileOf(plan, Hive::LocalMachine, L"A?B"), L"A_B (3).reg");  // case does not part them
    EXPECT_EQ(FileOf(plan, Hive::LocalMachine, L"a*b"), L"a_b (4).reg");
    EXPECT_EQ(FileOf(plan, Hive::CurrentUser, L"x"), L"HKCU_x.reg");
    EXPECT_EQ(FileOf(plan, Hive::CurrentUser, L"HKCU_x"), L"HKCU_HKCU_x.reg");

    // A machine entry that looks like a user's file keeps it; the user's moves aside.
    auto clash = PlanBackup({L"HKCU_Tool"}, {L"Tool"});
    EXPECT_EQ(FileOf(clash, Hive::LocalMachine, L"HKCU_Tool"), L"HKCU_Tool.reg");
    EXPECT_EQ(FileOf(clash, Hive::CurrentUser, L"Tool"), L"HKCU_Tool (2).reg");
}

TEST(PlanBackup, EveryFileIsValidAndDistinctForHostileAndLongNames) {
    std::vector<std::wstring> machine, user;
    const std::wstring pieces[] = {L"a", L"A", L":", L"?", L".", L" ", L"CON", L"nul", L"|", L"b"};
    // All names of three pieces: many sanitise alike, some are device names.
    for (const auto& p : pieces)
        for (const auto& q : pieces)
            for (const auto& r : pieces) {
                std::wstring n = p + q + r;
                // Subkeys of one key differ regardless of case.
                bool dup = false;
                for (const auto& m : machine) dup = dup || Upper(m) == Upper(n);
                if (!dup) machine.push_back(n);
            }
    for (int i = 0; i < 30; ++i)
        machine.push_back(std::wstring(255 - (i % 3), L'L') + std::to_wstring(i));
    user = {L"CON", L"a:a", std::wstring(255, L'u'), std::wstring(254, L'u') + L"?"};
    auto plan = PlanBackup(machine, user);
    ASSERT_EQ(plan.size(), machine.size() + user.size());
    std::set<std::wstring> seen;
    for (const BackupEntry& e : plan) {
        EXPECT_TRUE(ValidFileName(e.fileName));
        ASSERT_GE(e.fileName.size(), 4u);
        EXPECT_EQ(e.fileName.substr(e.fileName.size() - 4), L".reg");
        EXPECT_TRUE(seen.insert(Upper(e.fileName)).second) << "shared file";
        if (e.hive == Hive::CurrentUser) {
            EXPECT_EQ(e.fileName.rfind(L"HKCU_", 0), 0u);
        }
    }
}

TEST(BackupProgress, BarCountsFinishedExportsAndReachesTheEndOnlyWithTheLast) {
    EXPECT_EQ(cx::backup::ProgressPercent(299, 300), 99);
    EXPECT_EQ(cx::backup::ProgressPercent(1999, 2000), 99);
    EXPECT_EQ(cx::backup::ProgressPercent(300, 300), 100);
    EXPECT_EQ(cx::backup::ProgressPercent(1, 1), 100);
    EXPECT_EQ(cx::backup::ProgressPercent(0, 0), 0);
}

}  // namespace
