// CarvexoCmd.exe: the console companion of Carvexo.exe. Splits the command
// line, prints usage or runs one command, and turns every failure into a
// message on stderr and an exit code.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cmd/CmdArgs.h"
#include "cmd/CmdFormat.h"
#include "cmd/CmdRun.h"
#include "inventory/ProgramList.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace {

using namespace cx;

// The arguments by their UTF-16 spelling, split as every Windows program splits them.
std::vector<std::string> Arguments() {
    std::vector<std::string> out;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return out;
    for (int i = 1; i < argc; ++i) out.push_back(WideToAnsi(argv[i]));
    LocalFree(argv);
    return out;
}

// Writes an ANSI text to a standard handle in the console's code page, line
// breaks as CR LF.
void Write(DWORD which, const std::string& ansi) {
    HANDLE h = GetStdHandle(which);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    std::string text = ReplaceAll(ReplaceAll(ansi, "\r\n", "\n"), "\n", "\r\n");
    text = cmd::ToCodePage(text, GetConsoleOutputCP());
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// One line from stdin, without its line break; nothing at the end of input.
std::optional<std::string> ReadLine() {
    HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
    if (!h || h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string line;
    char c;
    DWORD got = 0;
    bool any = false;
    while (ReadFile(h, &c, 1, &got, nullptr) && got == 1) {
        any = true;
        if (c == '\n') break;
        if (c != '\r' && line.size() < 256) line += c;
    }
    if (!any) return std::nullopt;
    return line;
}

bool NeedsService(cmd::Verb verb) {
    return verb == cmd::Verb::List || verb == cmd::Verb::Show || verb == cmd::Verb::Export ||
           verb == cmd::Verb::Uninstall || verb == cmd::Verb::Report;
}

int Run() {
    const cmd::ParseResult parsed = cmd::ParseArguments(Arguments());
    if (parsed.help) {
        Write(STD_OUTPUT_HANDLE, cmd::UsageText());
        return cmd::kExitOk;
    }
    if (!parsed.invocation) {
        Write(STD_ERROR_HANDLE,
              "CarvexoCmd: " + parsed.error +
                  "\nRun \"CarvexoCmd /?\" for the commands and their options.\n");
        return cmd::kExitUsage;
    }
    const cmd::Invocation& invocation = *parsed.invocation;
    if (invocation.help) {
        Write(STD_OUTPUT_HANDLE, cmd::CommandUsage(invocation.verb));
        return cmd::kExitOk;
    }

    ComInit com;
    ui::SetApplicationTitle("Carvexo");
    cmd::Console console;
    console.out = [](const std::string& s) { Write(STD_OUTPUT_HANDLE, s); };
    console.err = [](const std::string& s) { Write(STD_ERROR_HANDLE, "CarvexoCmd: " + s); };
    console.ask = [](const std::string& prompt) {
        Write(STD_ERROR_HANDLE, prompt);
        return ReadLine();
    };
    // The window registers the service at every start; so does this program,
    // which may run where the window never has.
    if (NeedsService(invocation.verb)) RegisterInventoryService();
    return cmd::RunCommand(invocation, ExeDirectory(), console);
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception& e) {
        Write(STD_ERROR_HANDLE, std::string("CarvexoCmd: ") + e.what() + "\n");
    } catch (...) {
        Write(STD_ERROR_HANDLE, "CarvexoCmd: an unexpected error ended the command\n");
    }
    return cx::cmd::kExitFailed;
}
