#pragma once
// Which program record or startup entry a command's name means. Names come
// from the user and are compared as the registry and the file system compare
// them: without regard to case.
#include <optional>
#include <string>
#include <vector>

#include "cmd/CmdArgs.h"
#include "inventory/ListLogic.h"
#include "startup/StartupRows.h"

namespace cx::cmd {

// The indexes of the records registered as `registryName`, in `hive`
// ("HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER") when one is given.
std::vector<size_t> MatchRecords(const std::vector<inv::ProgramRecord>& records,
                                 const std::string& registryName,
                                 const std::optional<std::string>& hive);

// The one record a name means, or the sentence saying why there is none: no
// record of that name, or one in each hive and no --hive to choose.
struct RecordChoice {
    std::optional<size_t> index;
    std::string problem;
};
RecordChoice ChooseRecord(const std::vector<inv::ProgramRecord>& records,
                          const std::string& registryName, const std::optional<std::string>& hive);

// The startup row an enable, disable or delete acts on. A registry value shows
// as two rows when it sits both in its key and in the key's Run_Disable
// subkey, and so may a file in its Startup folder and among the kept copies:
// those rows are one entry. Enable and disable take the row that is not yet
// where it is asked to be (none: `nothingToDo`); delete takes the first row,
// since deleting removes every copy. Rows of different entries with the same
// name and no --location to tell them apart are a problem, not a guess.
struct StartupChoice {
    std::optional<size_t> row;
    bool nothingToDo = false;
    std::string problem;
};
StartupChoice ChooseStartupRow(const std::vector<startup::StartupEntry>& rows, StartupAction action,
                               const std::string& name, const std::optional<std::string>& location);

}  // namespace cx::cmd
