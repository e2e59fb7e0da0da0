#pragma once
// The command line of CarvexoCmd.exe: the table of commands with the options
// each takes, parsing into an Invocation, and the usage texts. Plain code: the
// arguments arrive as ANSI texts already split.
#include <optional>
#include <string>
#include <vector>

namespace cx::cmd {

// The exit codes of Windows command-line tools.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

enum class Verb {
    List,
    Show,
    Export,
    Backup,
    Uninstall,
    Startup,
    Report,
    Restore,
    Leftovers,
    RemoveEntry,
    Watch,
    Trace,
};
enum class OutputFormat { Text, Csv, Json };
// RemoveAll also takes what the scan offered unchecked (matched by a name
// alone); what it keeps locked for another program still stays.
enum class RemainsMode { List, Remove, RemoveAll };
enum class StartupAction { List, Enable, Disable, Delete };

struct Invocation {
    Verb verb = Verb::List;
    bool help = false;  // "<command> /?": that command's usage, nothing run
    std::vector<std::string> operands;
    bool patches = false;
    bool screenSavers = false;
    OutputFormat format = OutputFormat::Text;
    // "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER" when --hive chose one.
    std::optional<std::string> hive;
    bool quiet = false;
    RemainsMode remains = RemainsMode::List;
    bool yes = false;
    // --no-backup: remains too large for the undo backup may be removed for good.
    bool noBackup = false;
    // --timeout: the wait for the uninstaller is given up after this many seconds.
    std::optional<unsigned> timeoutSeconds;
    StartupAction startup = StartupAction::List;
    std::optional<std::string> location;
    // leftovers: the maker of the program named, the folder named, or the
    // uninstall on record (1: the newest; 0: list the records).
    std::optional<std::string> publisher, folder;
    std::optional<unsigned> history;
    // trace --drop: the numbers (from 1) of the items to take out of the trace.
    std::vector<unsigned> drop;
};

// What the arguments ask for. Exactly one of: the general usage (`help`), an
// invocation, or a usage error (`error`, to be shown with the usage, exit 2).
struct ParseResult {
    bool help = false;
    std::optional<Invocation> invocation;
    std::string error;
};
// `args` without the program's own name. "/?", "-?", "-h" and "--help" ask for
// help, alone or after a command. Options may stand anywhere after the command
// as "--name value" or "--name=value"; "--" ends the options, so an operand
// may begin with "-". Each command accepts only its own options, each once.
ParseResult ParseArguments(const std::vector<std::string>& args);

// The usage of every command, for "/?" and after a usage error.
std::string UsageText();
// The usage of one command.
std::string CommandUsage(Verb verb);
// The name a command is called by ("list", "show", ...).
const char* VerbName(Verb verb);

}  // namespace cx::cmd
