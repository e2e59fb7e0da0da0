// The command line as scripts write it: what is accepted, what is bad usage
// (exit 2), and that no option slips into a command that would ignore it.
#include <gtest/gtest.h>

#include "cmd/CmdArgs.h"

namespace {

using namespace cx::cmd;
using Args = std::vector<std::string>;

Invocation Parsed(const Args& args) {
    ParseResult r = ParseArguments(args);
    EXPECT_TRUE(r.invocation.has_value()) << "refused: " << r.error;
    EXPECT_TRUE(r.error.empty());
    return r.invocation.value_or(Invocation{});
}

TEST(CmdArgs, HelpIsAskedForInTheUsualSpellings) {
    for (const char* h : {"/?", "-?", "-h", "--help", "--HELP"}) {
        ParseResult r = ParseArguments({h});
        EXPECT_TRUE(r.help) << h;
        EXPECT_FALSE(r.invocation) << h;
    }
    // After a command: that command's help, however wrong the rest would be.
    Invocation inv = Parsed({"uninstall", "/?"});
    EXPECT_TRUE(inv.help);
    EXPECT_EQ(inv.verb, Verb::Uninstall);
    EXPECT_TRUE(Parsed({"export", "--help"}).help);
    // Behind "--" it is an operand, the name of something.
    Invocation named = Parsed({"show", "--", "/?"});
    EXPECT_FALSE(named.help);
    EXPECT_EQ(named.operands, Args{"/?"});
}

TEST(CmdArgs, OptionsInBothSpellingsAnywhereAfterTheCommand) {
    Invocation a = Parsed({"list", "--format", "json", "--patches"});
    Invocation b = Parsed({"LIST", "--patches", "--format=JSON"});
    for (const Invocation& inv : {a, b}) {
        EXPECT_EQ(inv.verb, Verb::List);
        EXPECT_EQ(inv.format, OutputFormat::Json);
        EXPECT_TRUE(inv.patches);
        EXPECT_FALSE(inv.screenSavers);
    }
    Invocation u =
        Parsed({"uninstall", "--remains", "remove", "{GUID}", "--yes", "--quiet", "--hive=hkcu"});
    EXPECT_EQ(u.operands, Args{"{GUID}"});
    EXPECT_EQ(u.remains, RemainsMode::Remove);
    EXPECT_TRUE(u.yes);
    EXPECT_TRUE(u.quiet);
    EXPECT_EQ(u.hive, "HKEY_CURRENT_USER");
    // Nothing asked: the remains are only listed, and the questions are asked.
    Invocation plain = Parsed({"uninstall", "Tool"});
    EXPECT_EQ(plain.remains, RemainsMode::List);
    EXPECT_FALSE(plain.yes);
    EXPECT_FALSE(plain.quiet);
    EXPECT_FALSE(plain.hive);
    EXPECT_EQ(Parsed({"show", "X", "--hive", "HKEY_LOCAL_MACHINE"}).hive, "HKEY_LOCAL_MACHINE");
    Invocation limited = Parsed({"uninstall", "Tool", "--timeout", "90", "--no-backup"});
    EXPECT_EQ(limited.timeoutSeconds, 90u);
    EXPECT_TRUE(limited.noBackup);
    EXPECT_FALSE(limited.yes) << "--no-backup answers no other question";
    EXPECT_FALSE(plain.timeoutSeconds);
    EXPECT_FALSE(plain.noBackup);
}

TEST(CmdArgs, OperandsMayLookLikeOptionsAfterTheEnd) {
    Invocation inv = Parsed({"export", "--", "--odd-name", "-file.reg"});
    EXPECT_EQ(inv.operands, (Args{"--odd-name", "-file.reg"}));
    // A single dash is no option: a name such as "-Tool" stands as it is.
    EXPECT_EQ(Parsed({"show", "-Tool"}).operands, Args{"-Tool"});
    // Values are taken as given, even when they begin with dashes.
    EXPECT_EQ(Parsed({"startup", "delete", "x", "--location", "--odd"}).location, "--odd");
}

TEST(CmdArgs, StartupActionsAndTheirOperands) {
    Invocation list = Parsed({"startup", "list", "--format", "csv"});
    EXPECT_EQ(list.startup, StartupAction::List);
    EXPECT_EQ(list.format, OutputFormat::Csv);
    Invocation del = Parsed({"startup", "DELETE", "Quill Sync", "--location", "HKCU\\X", "--yes"});
    EXPECT_EQ(del.startup, StartupAction::Delete);
    EXPECT_EQ(del.operands, (Args{"DELETE", "Quill Sync"}));
    EXPECT_EQ(del.location, "HKCU\\X");
    EXPECT_TRUE(del.yes);
    EXPECT_EQ(Parsed({"startup", "enable", "A"}).startup, StartupAction::Enable);
    EXPECT_EQ(Parsed({"startup", "disable", "A"}).startup, StartupAction::Disable);
}

TEST(CmdArgs, LeftoversByNameFolderOrTheNthUninstallOnRecord) {
    Invocation byName = Parsed({"leftovers", "Heron Paint", "--publisher", "Heronfield Labs"});
    EXPECT_EQ(byName.operands, (Args{"Heron Paint"}));
    EXPECT_EQ(byName.publisher, "Heronfield Labs");
    EXPECT_EQ(Parsed({"leftovers", "--folder=C:\\Old App"}).folder, "C:\\Old App");
    // A number after --history is its value; without one the records are listed.
    EXPECT_EQ(Parsed({"leftovers", "--history", "3", "--remains", "remove"}).history, 3u);
    EXPECT_EQ(Parsed({"leftovers", "--history"}).history, 0u);
    EXPECT_EQ(Parsed({"leftovers", "--history", "--remains", "list"}).history, 0u);
    Invocation entry = Parsed({"remove-entry", "Old_is1", "--hive", "HKCU", "--yes"});
    EXPECT_EQ(entry.verb, Verb::RemoveEntry);
    EXPECT_EQ(entry.hive, "HKEY_CURRENT_USER");
    // A setup's own switches are its operands; "--" lets one begin with "--".
    Invocation watch = Parsed({"watch", "C:\\Setup.exe", "/S", "/D=C:\\A", "--timeout", "60"});
    EXPECT_EQ(watch.verb, Verb::Watch);
    EXPECT_EQ(watch.operands, (Args{"C:\\Setup.exe", "/S", "/D=C:\\A"}));
    EXPECT_EQ(Parsed({"watch", "s.exe", "--", "--silent"}).operands, (Args{"s.exe", "--silent"}));
    EXPECT_EQ(Parsed({"trace", "2", "--drop", "3,5,8"}).drop, (std::vector<unsigned>{3, 5, 8}));
}

TEST(CmdArgs, BadUsageIsRefusedWithAReason) {
    const std::vector<Args> bad = {
        {},
        {"frobnicate"},
        {"--format", "json"},         // an option before any command
        {"list", "extra"},            // list takes no operand
        {"list", "--yes"},            // not list's option
        {"list", "--format"},         // value missing
        {"list", "--format", "xml"},  // value not one it takes
        {"list", "--patches=1"},      // a switch takes no value
        {"list", "--patches", "--patches"},
        {"list", "--format=csv", "--format", "json"},
        {"list", "--nonsense"},
        {"show"},
        {"show", "A", "B"},
        {"show", "A", "--hive", "HKU"},
        {"export", "A"},
        {"export", "A", "f.reg", "--quiet"},
        {"backup", "a", "b"},
        {"uninstall"},
        {"uninstall", "A", "--remains", "delete"},
        {"uninstall", "A", "--format", "json"},
        {"uninstall", "A", "--timeout", "0"},
        {"uninstall", "A", "--timeout", "5s"},
        {"uninstall", "A", "--timeout", "99999999999"},
        {"restore", "--no-backup"},
        {"report"},
        {"report", "r.txt", "--format", "csv"},
        {"startup"},
        {"startup", "list", "Name"},
        {"startup", "list", "--location", "HKCU"},
        {"startup", "list", "--yes"},
        {"startup", "enable"},
        {"startup", "enable", "A", "B"},
        {"startup", "enable", "A", "--format", "json"},
        {"startup", "frob", "A"},
        {"startup", "delete", "A", "--location="},
        {"restore", "a", "b"},
        {"leftovers"},                            // which program?
        {"leftovers", "A", "--folder", "C:\\A"},  // two at once
        {"leftovers", "--history", "2", "A"},     // the same
        {"leftovers", "--folder", "C:\\A", "--publisher", "M"},
        {"leftovers", "--history", "--remains", "remove"},  // the listing removes nothing
        {"leftovers", "--history=0"},
        {"leftovers", "--history=", "A"},
        {"leftovers", "A", "--hive", "HKLM"},
        {"remove-entry"},
        {"remove-entry", "A", "--quiet"},
        {"watch"},
        {"watch", "s.exe", "--silent"},  // not watch's option: the setup's goes after "--"
        {"trace", "--drop", "1"},        // of which trace?
        {"trace", "1", "--drop", "0"},
        {"trace", "1", "--drop", "2,,3"},
        {"trace", "1", "2"},
    };
    for (const Args& args : bad) {
        ParseResult r = ParseArguments(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_FALSE(r.invocation) << line;
        EXPECT_FALSE(r.help) << line;
        EXPECT_FALSE(r.error.empty()) << line;
    }
}

TEST(CmdArgs, UsageNamesEveryCommandWithRestoreAmongThem) {
    const std::string usage = UsageText();
    for (Verb v :
         {Verb::List, Verb::Show, Verb::Export, Verb::Backup, Verb::Uninstall, Verb::Startup,
          Verb::Report, Verb::Restore, Verb::Leftovers, Verb::RemoveEntry}) {
        EXPECT_NE(usage.find(std::string("  ") + VerbName(v) + " "), std::string::npos)
            << VerbName(v);
        EXPECT_NE(CommandUsage(v).find(VerbName(v)), std::string::npos);
        // Every command of the table parses by its own name.
        ParseResult r = ParseArguments({VerbName(v), "/?"});
        ASSERT_TRUE(r.invocation) << VerbName(v);
        EXPECT_EQ(r.invocation->verb, v);
    }
    EXPECT_NE(usage.find("Exit codes: 0 success, 1 failure, 2 bad usage"), std::string::npos);
}

}  // namespace
