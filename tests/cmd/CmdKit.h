#pragma once
// Runs CarvexoCmd.exe from the output folder as a script would: its output and
// errors into files, its input from a file, the exit code once it has ended.
#include <string>

namespace cx::test {

struct CmdResult {
    int exitCode = -1;  // -1: it had to be ended (a hang)
    std::string out, err;
};

// `arguments` after the program's name; `input` is what it reads on stdin
// (nothing: end of input at once); `workDir` the folder it starts in (nothing:
// a fresh scratch folder).
CmdResult RunCmd(const std::string& arguments, const std::string& input = {},
                 const std::string& workDir = {});

// RunCmd in a console of its own (ConsoleHost), where Ctrl+C is pressed once
// the named event `press` is set.
CmdResult RunCmdPressingCtrlC(const std::string& arguments, const std::string& press);

// The folder RunCmd starts CarvexoCmd.exe from (ending in "\"): the build's
// output folder unless a test names its own copy. The command keeps its undo
// backups below its own folder, so a test that removes anything runs a copy.
void SetCmdFolder(const std::string& folder);

}  // namespace cx::test
