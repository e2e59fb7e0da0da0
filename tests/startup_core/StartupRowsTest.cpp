#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "startup/Shortcut.h"
#include "startup/StartupRows.h"

namespace {

using namespace cx::startup;

std::vector<BYTE> Wide(const std::wstring& s, bool terminated = true) {
    std::vector<BYTE> b((s.size() + (terminated ? 1 : 0)) * 2);
    memcpy(b.data(), s.c_str(), b.size());
    return b;
}

TEST(DataText, StringsReadUpToTheirFirstNulWhateverTheirByteCount) {
    EXPECT_EQ(DataText(REG_SZ, Wide(L"C:\\a.exe /x")), "C:\\a.exe /x");
    EXPECT_EQ(DataText(REG_SZ, Wide(L"no end", false)), "no end");
    std::vector<BYTE> odd = Wide(L"ab", false);
    odd.push_back('c');  // a stray last byte is no character
    EXPECT_EQ(DataText(REG_SZ, odd), "ab");
    EXPECT_EQ(DataText(REG_SZ, Wide(std::wstring(L"one\0two", 7))), "one");
    EXPECT_EQ(DataText(REG_SZ, {}), "");
    // Expandable strings are shown as stored: expanding them is the system's
    // business at logon, and the row must say what is really there.
    EXPECT_EQ(DataText(REG_EXPAND_SZ, Wide(L"%ProgramFiles%\\x.exe")), "%ProgramFiles%\\x.exe");
    EXPECT_EQ(DataText(REG_MULTI_SZ, Wide(std::wstring(L"a.exe\0-b\0\0", 10))), "a.exe -b");
}

TEST(DataText, DataThatIsNoTextReadsAsNumbersOrBytes) {
    DWORD one = 1;
    std::vector<BYTE> dword(4);
    memcpy(dword.data(), &one, 4);
    EXPECT_EQ(DataText(REG_DWORD, dword), "0x00000001 (1)");
    // A DWORD of the wrong size is shown as the bytes it is, never read past.
    EXPECT_EQ(DataText(REG_DWORD, {1, 2}), "01 02");
    EXPECT_EQ(DataText(REG_BINARY, {0xde, 0xad, 0x00, 0x0a}), "DE AD 00 0A");
    EXPECT_EQ(DataText(REG_NONE, {}), "");
    std::vector<BYTE> big(kMaxShownBytes + 10, 0x41);
    std::string text = DataText(REG_BINARY, big);
    EXPECT_EQ(text.substr(text.size() - 4), " ...");
    EXPECT_EQ(text.size(), kMaxShownBytes * 3 - 1 + 4);
}

TEST(PlanApply, OnlyRowsWhoseCheckBoxDiffersFromWhereTheEntryLivesMove) {
    std::vector<StartupEntry> rows(4);
    rows[0].Enabled = true;
    rows[1].Enabled = false;
    rows[2].Enabled = true;
    rows[3].Enabled = false;
    EXPECT_EQ(PlanApply(rows, {true, false, true, false}), std::vector<size_t>{});
    EXPECT_EQ(PlanApply(rows, {false, true, true, false}), (std::vector<size_t>{0, 1}));
    EXPECT_EQ(PlanApply(rows, {false, true, false, true}), (std::vector<size_t>{0, 1, 2, 3}));
    EXPECT_EQ(PlanApply({}, {}), std::vector<size_t>{});
}

TEST(FailureList, NamesFewAndCountsTheRest) {
    EXPECT_EQ(FailureList({"A"}), "A");
    EXPECT_EQ(FailureList({"A", ""}), "A, (Default)");
    EXPECT_EQ(FailureList({"1", "2", "3", "4", "5", "6", "7"}), "1, 2, 3, 4, 5 and 2 more");
}

TEST(FindRowByName, TypeAheadGoesOnFromTheStartRowAndRoundOnlyWhenAsked) {
    std::vector<StartupEntry> rows(4);
    rows[0].Name = "Tide Clock.lnk";
    rows[1].Name = "agent";
    rows[2].Name = "Tide";
    rows[3].Name = "AGENT tray";
    EXPECT_EQ(FindRowByName(rows, "ag", 0, true, true), 1);
    EXPECT_EQ(FindRowByName(rows, "ag", 2, true, true), 3);   // letter case aside
    EXPECT_EQ(FindRowByName(rows, "tide", 3, true, true), 0); // round to the top
    EXPECT_EQ(FindRowByName(rows, "tide", 3, true, false), -1);
    EXPECT_EQ(FindRowByName(rows, "tide", 0, false, true), 2); // whole names only
    EXPECT_EQ(FindRowByName(rows, "Tide Clock.lnk and more", 0, true, true), -1);
    EXPECT_EQ(FindRowByName(rows, "x", 0, true, true), -1);
    EXPECT_EQ(FindRowByName(rows, "a", 99, true, false), 1);  // a start past the end is the top
    EXPECT_EQ(FindRowByName({}, "a", 0, true, true), -1);
}

// The Item Info's target: what file a command starts.
class CommandTargetTest : public ::testing::Test {
protected:
    std::set<std::string> files{"C:\\Program Files\\App\\app.exe", "C:\\Tools\\agent.exe",
                                "C:\\Program Files\\Tide Clock\\clock.exe"};
    std::string Target(const std::string& command) {
        return CommandTarget(
            command,
            [](const std::string& s) {
                std::string out = s;
                const std::string var = "%ProgramFiles%";
                size_t at = out.find(var);
                if (at != std::string::npos) out.replace(at, var.size(), "C:\\Program Files");
                return out;
            },
            [this](const std::string& p) { return files.count(p) > 0; });
    }
};

TEST_F(CommandTargetTest, CommonCommandFormsNameTheirProgram) {
    EXPECT_EQ(Target("\"C:\\Program Files\\App\\app.exe\" -min"), "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(Target("C:\\Tools\\agent.exe --tray"), "C:\\Tools\\agent.exe");
    EXPECT_EQ(Target("C:\\Program Files\\App\\app.exe -min --late start"),
              "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(Target("%ProgramFiles%\\Tide Clock\\clock.exe /quiet"),
              "C:\\Program Files\\Tide Clock\\clock.exe");
    EXPECT_EQ(Target("\"%ProgramFiles%\\App\\app.exe\""), "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(Target("C:\\Tools\\agent --tray"), "C:\\Tools\\agent.exe");
    EXPECT_EQ(Target("  C:\\Tools\\agent.exe"), "C:\\Tools\\agent.exe");
}

TEST_F(CommandTargetTest, WithoutAnExistingFileTheSlashRuleStands) {
    // A quoted program path, a space and a switch: the path without its
    // quotes (the quoted token wins even for a file that is gone).
    EXPECT_EQ(Target("\"C:\\Gone\\x.exe\" /s"), "C:\\Gone\\x.exe");
    EXPECT_EQ(Target("C:\\Gone\\x.exe /s"), "C:\\Gone\\x.exe ");
    EXPECT_EQ(Target("C:\\Gone\\x.exe -s"), "C:\\Gone\\x.exe -s");
    EXPECT_EQ(Target(""), "");
    EXPECT_EQ(Target("\"\""), "");
    EXPECT_EQ(Target("\"C:\\Gone\\no end"), "C:\\Gone\\no end");
}

TEST(AddNaming, ValueAndLinkNamesComeFromTheTargetsFileName) {
    EXPECT_EQ(RunValueName("C:\\Tools\\agent.exe"), "agent");
    EXPECT_EQ(RunValueName("C:\\Tools\\my.tool.exe"), "my.tool");
    EXPECT_EQ(RunValueName("C:\\Tools\\noext"), "noext");
    EXPECT_EQ(RunValueName("C:agent.exe"), "agent");
    EXPECT_EQ(TargetFileName("C:\\a\\b c.exe"), "b c.exe");
    EXPECT_EQ(LinkPathFor("C:\\Startup", "C:\\Tools\\my.tool.exe"), "C:\\Startup\\my.tool.lnk");
    EXPECT_EQ(LinkPathFor("C:\\Startup\\", "C:\\Tools\\noext"), "C:\\Startup\\noext.lnk");
    EXPECT_EQ(LinkFileName("C:\\S\\agent.exe"), "C:\\S\\agent.lnk");
    EXPECT_EQ(LinkFileName("C:\\S.d\\agent"), "C:\\S.d\\agent.lnk");
    EXPECT_EQ(EnsureTrailingBackslash("C:\\x"), "C:\\x\\");
    EXPECT_EQ(EnsureTrailingBackslash("C:\\x\\"), "C:\\x\\");
    EXPECT_EQ(EnsureTrailingBackslash(""), "\\");
}

TEST(AddNaming, OnlyAFullTargetIsTakenAndInItsPlainForm) {
    for (const char* relative :
         {"agent.exe", "Tools\\agent.exe", "..\\agent.exe", "C:agent.exe", "\\Tools\\agent.exe",
          "\\\\?\\C:\\agent.exe", "\\\\.\\C:\\agent.exe", ""})
        EXPECT_EQ(FullTarget(relative), std::nullopt) << relative;
    EXPECT_EQ(FullTarget("C:\\Tools\\agent.exe"), "C:\\Tools\\agent.exe");
    EXPECT_EQ(FullTarget("c:/Tools/./x/../agent.exe"), "c:\\Tools\\agent.exe");
    // What the system drops from a name's end: "agent.exe\." would name no value.
    EXPECT_EQ(FullTarget("C:\\Tools\\agent.exe\\."), "C:\\Tools\\agent.exe");
    EXPECT_EQ(FullTarget("C:\\Tools\\agent.exe. "), "C:\\Tools\\agent.exe");
    EXPECT_EQ(FullTarget("\\\\server\\share\\agent.exe"), "\\\\server\\share\\agent.exe");
}

TEST(AddNaming, RunDataIsQuotedWhenThePathHasBlanks) {
    EXPECT_EQ(RunValueData("C:\\Program Files\\App\\app.exe"),
              "\"C:\\Program Files\\App\\app.exe\"");
    EXPECT_EQ(RunValueData("C:\\Tools\\agent.exe"), "C:\\Tools\\agent.exe");
    EXPECT_EQ(RunValueData("C:\\Tab\there.exe"), "\"C:\\Tab\there.exe\"");
    EXPECT_EQ(RunValueData("\"C:\\Program Files\\a.exe\""), "\"C:\\Program Files\\a.exe\"");
}

}  // namespace
