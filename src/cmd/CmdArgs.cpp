#include "cmd/CmdArgs.h"

#include <string_view>

#include "platform/RegPath.h"
#include "platform/Strings.h"

namespace cx::cmd {

namespace {

enum Option : unsigned {
    kOptPatches = 1u << 0,
    kOptScreenSavers = 1u << 1,
    kOptFormat = 1u << 2,
    kOptHive = 1u << 3,
    kOptQuiet = 1u << 4,
    kOptRemains = 1u << 5,
    kOptYes = 1u << 6,
    kOptLocation = 1u << 7,
    kOptTimeout = 1u << 8,
    kOptNoBackup = 1u << 9,
    kOptPublisher = 1u << 10,
    kOptFolder = 1u << 11,
    kOptHistory = 1u << 12,
    kOptDrop = 1u << 13,
};

struct OptionSpec {
    Option option;
    const char* name;  // after "--"
    bool takesValue;
    // Takes the next argument as its value only when it is a number.
    bool numberMayFollow = false;
};

constexpr OptionSpec kOptions[] = {
    {kOptPatches, "patches", false},
    {kOptScreenSavers, "screensavers", false},
    {kOptFormat, "format", true},
    {kOptHive, "hive", true},
    {kOptQuiet, "quiet", false},
    {kOptRemains, "remains", true},
    {kOptYes, "yes", false},
    {kOptLocation, "location", true},
    {kOptTimeout, "timeout", true},
    {kOptNoBackup, "no-backup", false},
    {kOptPublisher, "publisher", true},
    {kOptFolder, "folder", true},
    {kOptHistory, "history", false, true},
    {kOptDrop, "drop", true},
};

// More names than a person types at once; a longer queue is a script's mistake.
constexpr size_t kMaxQueue = 64;

struct CommandEntry {
    Verb verb;
    const char* name;
    size_t minOperands, maxOperands;
    unsigned options;
    const char* usage;
};

// One line of the table per command; "restore" is served by the undo of the
// clean-ups and takes its place here with the others.
constexpr CommandEntry kCommands[] = {
    {Verb::List, "list", 0, 0, kOptPatches | kOptScreenSavers | kOptFormat,
     "  list [--patches] [--screensavers] [--format text|csv|json]\n"
     "      The program list: name, publisher, version, size, install date,\n"
     "      location, hive, registry name, kind and whether it is broken (its\n"
     "      uninstaller and files gone: see remove-entry), in the window's order.\n"
     "      System patches and screen savers are left out unless asked for.\n"},
    {Verb::Show, "show", 1, 1, kOptHive | kOptFormat,
     "  show <registry name> [--hive HKLM|HKCU] [--format text|csv|json]\n"
     "      Every property and registry value of one program.\n"},
    {Verb::Export, "export", 2, 2, kOptHive,
     "  export <registry name> <file.reg>|<folder> [--hive HKLM|HKCU]\n"
     "      Exports the program's uninstall key with regedit and waits for it.\n"
     "      Given a folder, the file is named after the program.\n"},
    {Verb::Backup, "backup", 0, 1, 0,
     "  backup [<folder>]\n"
     "      Exports every uninstall key of both hives, one .reg file each, into\n"
     "      the folder (by default \"Back up\\reg\\\" beside the program).\n"},
    {Verb::Uninstall, "uninstall", 1, kMaxQueue,
     kOptQuiet | kOptRemains | kOptYes | kOptHive | kOptTimeout | kOptNoBackup,
     "  uninstall <registry name> [<registry name> ...] [--quiet]\n"
     "            [--remains list|remove|remove-all] [--yes] [--no-backup]\n"
     "            [--timeout <seconds>] [--hive HKLM|HKCU]\n"
     "      Runs the program's uninstaller and waits for it and for the process\n"
     "      it hands over to, then lists what it left behind, each item with\n"
     "      why it is offered ([x]: sure, [ ]: matched by a name alone); with\n"
     "      --remains remove, removes the checked ones, with remove-all every\n"
     "      one listed. --quiet runs the entry's QuietUninstallString when it\n"
     "      has one (for a Windows Installer entry without one: msiexec /x\n"
     "      with /qn). An entry still registered\n"
     "      after the wait means a cancelled or failed uninstall: its remains\n"
     "      are listed and never removed. --timeout gives the wait up after\n"
     "      that many seconds, removing nothing. Remains too large for the undo\n"
     "      backup are removed for good only with --no-backup. Several names\n"
     "      are uninstalled one after another, in the order given, each waited\n"
     "      for before the next starts; the remains of every program removed are\n"
     "      scanned at the end, one program after another, each with its own\n"
     "      undo backup. The exit code is 0 only when every one was removed.\n"},
    {Verb::Startup, "startup", 1, 2, kOptFormat | kOptLocation | kOptYes,
     "  startup list [--format text|csv|json]\n"
     "  startup enable|disable|delete <name> [--location <location>] [--yes]\n"
     "      The programs that start with Windows, moved and deleted as the\n"
     "      Startup Items page does it.\n"},
    {Verb::Report, "report", 1, 1, kOptPatches | kOptScreenSavers,
     "  report <file> [--patches] [--screensavers]\n"
     "      Writes the program list report to the file.\n"},
    {Verb::Restore, "restore", 0, 1, kOptYes,
     "  restore [<clean-up>] [--yes]\n"
     "      Puts back what a clean-up removed, from the undo backup that\n"
     "      every removal of remains keeps.\n"},
    {Verb::Leftovers, "leftovers", 0, 1,
     kOptPublisher | kOptFolder | kOptHistory | kOptRemains | kOptYes | kOptNoBackup,
     "  leftovers <name> [--publisher <maker>] [--remains list|remove|remove-all]\n"
     "            [--yes] [--no-backup]\n"
     "  leftovers --folder <path> [--remains ...] [--yes] [--no-backup]\n"
     "  leftovers --history [<n>] [--remains ...] [--yes] [--no-backup]\n"
     "      Looks for what a program that is already gone left behind, by its\n"
     "      name (and maker), by the folder it was installed in, or from the\n"
     "      n-th uninstall Carvexo kept on record (1: the newest; without a\n"
     "      number the records are listed). Only what lies in the folder named\n"
     "      (or the one the uninstall on record listed) or points into it is\n"
     "      checked; by name alone nothing is. A program still installed is\n"
     "      refused. --remains as for uninstall.\n"},
    {Verb::RemoveEntry, "remove-entry", 1, 1, kOptHive | kOptRemains | kOptYes | kOptNoBackup,
     "  remove-entry <registry name> [--hive HKLM|HKCU]\n"
     "               [--remains list|remove|remove-all] [--yes] [--no-backup]\n"
     "      Removes a broken registration (its uninstaller is missing and its\n"
     "      folder gone or empty; `list` marks it), kept for `restore`, and\n"
     "      lists the program's leftovers; --remains remove takes the checked\n"
     "      ones with it. An entry that is not broken is refused.\n"},
    {Verb::Watch, "watch", 1, kMaxQueue, kOptTimeout,
     "  watch <setup.exe>|<package.msi> [<argument> ...] [--timeout <seconds>]\n"
     "      Installs and watches: takes a snapshot of the registry and of the\n"
     "      folders programs write to, runs the setup (a package through\n"
     "      msiexec /i) with the arguments given, waits for it and for what it\n"
     "      started, takes a second snapshot and keeps what the setup created\n"
     "      and changed as the trace of the program it registered. Uninstalling\n"
     "      that program offers what its setup wrote, and puts back the values\n"
     "      it changed. Arguments beginning with \"--\" follow a \"--\".\n"},
    {Verb::Trace, "trace", 0, 1, kOptDrop,
     "  trace [<n>] [--drop <item>[,<item>...]]\n"
     "      Lists the watched installs kept (1: the newest); with a number,\n"
     "      that trace's items, numbered. --drop takes those items out of the\n"
     "      trace: a change another program made while the setup ran.\n"},
};

const CommandEntry* FindCommand(std::string_view name) {
    for (const CommandEntry& c : kCommands)
        if (EqualsNoCase(name, c.name)) return &c;
    return nullptr;
}

const CommandEntry& EntryOf(Verb verb) {
    for (const CommandEntry& c : kCommands)
        if (c.verb == verb) return c;
    return kCommands[0];
}

bool IsHelp(std::string_view a) {
    return a == "/?" || a == "-?" || a == "-h" || EqualsNoCase(a, "--help");
}

// A hive as a person types it: the long name or its short form, in any case.
// Programs are registered in the machine's hive or the user's only.
std::optional<std::string> HiveFromText(std::string_view text) {
    if (EqualsNoCase(text, "HKLM")) text = HiveName(RegHive::LocalMachine);
    if (EqualsNoCase(text, "HKCU")) text = HiveName(RegHive::CurrentUser);
    const std::optional<RegHive> hive = ParseHive(text, HiveSpelling::AnyCase);
    if (!hive || *hive == RegHive::ClassesRoot) return std::nullopt;
    return std::string(HiveName(*hive));
}

// Applies one option with its value; an error text when the value is not one it takes.
std::string ApplyOption(Option option, const std::string& value, Invocation& inv) {
    switch (option) {
    case kOptPatches: inv.patches = true; break;
    case kOptScreenSavers: inv.screenSavers = true; break;
    case kOptQuiet: inv.quiet = true; break;
    case kOptYes: inv.yes = true; break;
    case kOptNoBackup: inv.noBackup = true; break;
    case kOptTimeout: {
        // Seconds that still fit the wait's milliseconds.
        constexpr unsigned long kMaxSeconds = 4000000;
        const bool digits = !value.empty() && value.size() <= 7 &&
                            value.find_first_not_of("0123456789") == std::string::npos;
        const unsigned long seconds = digits ? std::stoul(value) : 0;
        if (seconds == 0 || seconds > kMaxSeconds)
            return "--timeout takes a number of seconds from 1 to 4000000, not \"" + value + "\"";
        inv.timeoutSeconds = static_cast<unsigned>(seconds);
        break;
    }
    case kOptFormat:
        if (EqualsNoCase(value, "text"))
            inv.format = OutputFormat::Text;
        else if (EqualsNoCase(value, "csv"))
            inv.format = OutputFormat::Csv;
        else if (EqualsNoCase(value, "json"))
            inv.format = OutputFormat::Json;
        else
            return "--format takes text, csv or json, not \"" + value + "\"";
        break;
    case kOptHive:
        if (auto hive = HiveFromText(value))
            inv.hive = *hive;
        else
            return "--hive takes HKLM or HKCU, not \"" + value + "\"";
        break;
    case kOptRemains:
        if (EqualsNoCase(value, "list"))
            inv.remains = RemainsMode::List;
        else if (EqualsNoCase(value, "remove"))
            inv.remains = RemainsMode::Remove;
        else if (EqualsNoCase(value, "remove-all"))
            inv.remains = RemainsMode::RemoveAll;
        else
            return "--remains takes list, remove or remove-all, not \"" + value + "\"";
        break;
    case kOptLocation:
        if (value.empty()) return "--location needs a location";
        inv.location = value;
        break;
    case kOptPublisher:
        if (TrimControl(value).empty()) return "--publisher needs the maker's name";
        inv.publisher = value;
        break;
    case kOptFolder:
        if (TrimControl(value).empty()) return "--folder needs a folder";
        inv.folder = value;
        break;
    case kOptDrop: {
        // "3,5,8": the items' numbers as `trace <n>` shows them.
        size_t start = 0;
        for (;;) {
            const size_t comma = value.find(',', start);
            const std::string one =
                value.substr(start, comma == std::string::npos ? comma : comma - start);
            const bool digits = !one.empty() && one.size() <= 9 &&
                                one.find_first_not_of("0123456789") == std::string::npos;
            const unsigned long n = digits ? std::stoul(one) : 0;
            if (n == 0)
                return "--drop takes item numbers from 1, as \"3,5\", not \"" + value + "\"";
            inv.drop.push_back(static_cast<unsigned>(n));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        break;
    }
    case kOptHistory: {
        if (value.empty()) {
            inv.history = 0;
            break;
        }
        const bool digits =
            value.size() <= 6 && value.find_first_not_of("0123456789") == std::string::npos;
        const unsigned long n = digits ? std::stoul(value) : 0;
        if (n == 0) return "--history takes the number of an uninstall on record, 1 the newest";
        inv.history = static_cast<unsigned>(n);
        break;
    }
    }
    return {};
}

bool IsNumber(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// Exactly one of a name, a folder and the history says which program is meant.
std::string CheckLeftovers(const Invocation& inv) {
    const int sources =
        (inv.operands.empty() ? 0 : 1) + (inv.folder ? 1 : 0) + (inv.history ? 1 : 0);
    if (sources == 0) return "leftovers needs a program's name, --folder or --history";
    if (sources > 1) return "leftovers takes one of a name, --folder and --history";
    if (inv.publisher && inv.operands.empty()) return "--publisher goes with a program's name";
    if (inv.history && *inv.history == 0 &&
        (inv.remains != RemainsMode::List || inv.yes || inv.noBackup))
        return "leftovers --history without a number only lists the records";
    return {};
}

std::string CheckStartup(Invocation& inv) {
    const std::string& action = inv.operands[0];
    const size_t names = inv.operands.size() - 1;
    if (EqualsNoCase(action, "list")) {
        inv.startup = StartupAction::List;
        if (names != 0) return "startup list takes no name";
        if (inv.location || inv.yes) return "startup list takes only --format";
        return {};
    }
    if (EqualsNoCase(action, "enable"))
        inv.startup = StartupAction::Enable;
    else if (EqualsNoCase(action, "disable"))
        inv.startup = StartupAction::Disable;
    else if (EqualsNoCase(action, "delete"))
        inv.startup = StartupAction::Delete;
    else
        return "startup takes list, enable, disable or delete, not \"" + action + "\"";
    if (names != 1) return "startup " + Lower(action) + " needs the entry's name";
    if (inv.format != OutputFormat::Text) return "--format belongs to startup list";
    return {};
}

}  // namespace

const char* VerbName(Verb verb) { return EntryOf(verb).name; }

ParseResult ParseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    if (args.empty()) {
        result.error = "no command given";
        return result;
    }
    if (IsHelp(args[0])) {
        result.help = true;
        return result;
    }
    const CommandEntry* command = FindCommand(args[0]);
    if (!command) {
        result.error = "unknown command \"" + args[0] + "\"";
        return result;
    }
    Invocation inv;
    inv.verb = command->verb;
    unsigned seen = 0;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && IsHelp(a)) {
            inv.help = true;
            result.invocation = std::move(inv);
            return result;
        }
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || a.size() < 2 || a[0] != '-' || a[1] != '-') {
            inv.operands.push_back(a);
            continue;
        }
        std::string name = a.substr(2), value;
        const size_t eq = name.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionSpec* option = nullptr;
        for (const OptionSpec& o : kOptions)
            if (EqualsNoCase(name, o.name)) option = &o;
        if (!option || !(command->options & option->option)) {
            result.error = std::string(command->name) + " does not take --" + name;
            return result;
        }
        if (seen & option->option) {
            result.error = "--" + std::string(option->name) + " is given twice";
            return result;
        }
        seen |= option->option;
        if (option->numberMayFollow) {
            if (!inlineValue && i + 1 < args.size() && IsNumber(args[i + 1])) value = args[++i];
            if (inlineValue && value.empty()) value = "x";  // "--history=" names no record
        } else if (option->takesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                result.error = "--" + std::string(option->name) + " needs a value";
                return result;
            }
            value = args[++i];
        } else if (!option->takesValue && inlineValue) {
            result.error = "--" + std::string(option->name) + " takes no value";
            return result;
        }
        if (std::string error = ApplyOption(option->option, value, inv); !error.empty()) {
            result.error = error;
            return result;
        }
    }
    if (inv.operands.size() < command->minOperands || inv.operands.size() > command->maxOperands) {
        result.error = inv.operands.size() < command->minOperands
                           ? std::string(command->name) + " needs more arguments"
                           : std::string(command->name) + " takes fewer arguments";
        return result;
    }
    if (inv.verb == Verb::Startup) {
        if (std::string error = CheckStartup(inv); !error.empty()) {
            result.error = error;
            return result;
        }
    }
    if (inv.verb == Verb::Trace && !inv.drop.empty() && inv.operands.empty()) {
        result.error = "--drop goes with the number of a trace";
        return result;
    }
    if (inv.verb == Verb::Leftovers) {
        if (std::string error = CheckLeftovers(inv); !error.empty()) {
            result.error = error;
            return result;
        }
    }
    result.invocation = std::move(inv);
    return result;
}

std::string CommandUsage(Verb verb) { return "Usage:\n" + std::string(EntryOf(verb).usage); }

std::string UsageText() {
    std::string text =
        "CarvexoCmd: the Carvexo uninstall manager on the command line.\n"
        "\n"
        "Usage: CarvexoCmd <command> [arguments] [options]\n"
        "\n";
    for (const CommandEntry& c : kCommands) text += c.usage;
    text +=
        "\n"
        "  A registry name is the name of the program's uninstall key, as `list`\n"
        "  shows it; --hive chooses when both hives hold one of that name.\n"
        "  --yes answers every question with yes but one: removing remains\n"
        "  without a backup needs --no-backup. Without --yes the command asks on\n"
        "  the console; a question it cannot ask (no input) counts as no and the\n"
        "  command fails.\n"
        "  \"CarvexoCmd <command> /?\" shows one command.\n"
        "\n"
        "Exit codes: 0 success, 1 failure, 2 bad usage.\n";
    return text;
}

}  // namespace cx::cmd
