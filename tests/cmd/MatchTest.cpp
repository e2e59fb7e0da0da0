// Which record or startup entry a name on the command line means: never a
// guess between two, and never a move of an entry that is already in place.
#include <gtest/gtest.h>

#include "cmd/CmdMatch.h"

namespace {

using namespace cx;
using namespace cx::cmd;

inv::ProgramRecord Record(const char* name, const char* hive) {
    inv::ProgramRecord r;
    r.registryName = name;
    r.hive = hive;
    return r;
}

TEST(RecordMatch, ByRegistryNameInAnyCaseAndChosenByHive) {
    const std::vector<inv::ProgramRecord> records = {
        Record("QuillNotes", "HKEY_LOCAL_MACHINE"), Record("Tool", "HKEY_LOCAL_MACHINE"),
        Record("TOOL", "HKEY_CURRENT_USER"), Record("Quill", "HKEY_CURRENT_USER")};
    EXPECT_EQ(ChooseRecord(records, "quillnotes", std::nullopt).index, 0u);
    // A prefix is not the name.
    EXPECT_EQ(ChooseRecord(records, "Quill", std::nullopt).index, 3u);
    EXPECT_FALSE(ChooseRecord(records, "Quil", std::nullopt).index);

    RecordChoice both = ChooseRecord(records, "tool", std::nullopt);
    EXPECT_FALSE(both.index);
    EXPECT_NE(both.problem.find("--hive"), std::string::npos) << both.problem;
    EXPECT_EQ(ChooseRecord(records, "tool", std::string("HKEY_CURRENT_USER")).index, 2u);
    EXPECT_EQ(ChooseRecord(records, "tool", std::string("HKEY_LOCAL_MACHINE")).index, 1u);

    RecordChoice none = ChooseRecord(records, "QuillNotes", std::string("HKEY_CURRENT_USER"));
    EXPECT_FALSE(none.index);
    EXPECT_FALSE(none.problem.empty());
}

startup::StartupEntry Value(const char* name, const char* location, bool enabled, int keyIndex = 0,
                            startup::Hive hive = startup::Hive::User) {
    startup::StartupEntry e;
    e.Name = name;
    e.Location = location;
    e.Enabled = enabled;
    e.source = startup::Source::Registry;
    e.hive = hive;
    e.keyIndex = keyIndex;
    for (const char* p = name; *p; ++p) e.valueName += static_cast<wchar_t>(*p);
    return e;
}

startup::StartupEntry Link(const char* name, const char* location, bool enabled) {
    startup::StartupEntry e;
    e.Name = name;
    e.Location = location;
    e.Enabled = enabled;
    e.source = startup::Source::Folder;
    e.folder = startup::kUserFolder;
    for (const char* p = name; *p; ++p) e.fileName += static_cast<wchar_t>(*p);
    return e;
}

TEST(StartupMatch, AValueInItsKeyAndInRunDisableIsOneEntry) {
    const std::vector<startup::StartupEntry> rows = {Value("Sync", "HKCU\\Run", true),
                                                     Value("Other", "HKCU\\Run", true),
                                                     Value("SYNC", "HKCU\\Run", false)};
    StartupChoice enable = ChooseStartupRow(rows, StartupAction::Enable, "sync", std::nullopt);
    EXPECT_TRUE(enable.problem.empty()) << enable.problem;
    EXPECT_EQ(enable.row, 2u);  // the disabled copy is the one to move
    StartupChoice disable = ChooseStartupRow(rows, StartupAction::Disable, "Sync", std::nullopt);
    EXPECT_EQ(disable.row, 0u);
    StartupChoice del = ChooseStartupRow(rows, StartupAction::Delete, "Sync", std::nullopt);
    EXPECT_EQ(del.row, 0u);  // deleting takes both copies
}

TEST(StartupMatch, AnEntryAlreadyInPlaceIsNotMoved) {
    const std::vector<startup::StartupEntry> rows = {Value("Sync", "HKCU\\Run", true),
                                                     Link("Notes.lnk", "Startup", false)};
    StartupChoice enable = ChooseStartupRow(rows, StartupAction::Enable, "Sync", std::nullopt);
    EXPECT_FALSE(enable.row);
    EXPECT_TRUE(enable.nothingToDo);
    EXPECT_TRUE(enable.problem.empty());
    StartupChoice disable =
        ChooseStartupRow(rows, StartupAction::Disable, "notes.LNK", std::nullopt);
    EXPECT_TRUE(disable.nothingToDo);
    EXPECT_EQ(ChooseStartupRow(rows, StartupAction::Enable, "Notes.lnk", std::nullopt).row, 1u);
}

TEST(StartupMatch, NamesSharedByDifferentEntriesNeedTheLocation) {
    const std::vector<startup::StartupEntry> rows = {
        Value("Sync", "HKCU\\Run", true, 0, startup::Hive::User),
        Value("Sync", "HKLM\\Run", true, 0, startup::Hive::Machine),
        Value("Sync", "HKCU\\RunOnce", true, 1, startup::Hive::User),
        Link("Sync", "Startup", true)};
    for (StartupAction a : {StartupAction::Enable, StartupAction::Disable, StartupAction::Delete}) {
        StartupChoice c = ChooseStartupRow(rows, a, "Sync", std::nullopt);
        EXPECT_FALSE(c.row);
        EXPECT_FALSE(c.nothingToDo);
        EXPECT_NE(c.problem.find("--location"), std::string::npos);
        EXPECT_NE(c.problem.find("HKLM\\Run"), std::string::npos) << "the choices are named";
    }
    EXPECT_EQ(ChooseStartupRow(rows, StartupAction::Delete, "Sync", std::string("hklm\\run")).row,
              1u);
    EXPECT_EQ(ChooseStartupRow(rows, StartupAction::Disable, "Sync", std::string("Startup")).row,
              3u);
    StartupChoice missing =
        ChooseStartupRow(rows, StartupAction::Delete, "Sync", std::string("HKLM\\RunOnce"));
    EXPECT_FALSE(missing.row);
    EXPECT_FALSE(missing.problem.empty());
    EXPECT_FALSE(ChooseStartupRow(rows, StartupAction::Delete, "Syn", std::nullopt).row);
}

}  // namespace
