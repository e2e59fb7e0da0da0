// watch: the install of a program watched, its trace kept for its uninstall;
// trace: the traces kept, and taking out of one what was not its setup's.
#include <windows.h>

#include "cleanup/WatchRun.h"
#include "cmd/CmdRun.h"
#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::cmd {

namespace {

std::string SnapshotLine(const char* which, const cleanup::Snapshot& s, size_t items, DWORD ms) {
    return Format("%s snapshot: %u keys, %u files and folders in %u.%u s\r\n", which,
                  static_cast<unsigned>(s.keys.size()), static_cast<unsigned>(items),
                  static_cast<unsigned>(ms / 1000), static_cast<unsigned>(ms % 1000 / 100));
}

std::string CountsLine(const cleanup::WatchTrace& trace) {
    const cleanup::TraceCounts c = cleanup::CountsOf(trace);
    return Format("Watched install: %u keys, %u files", static_cast<unsigned>(c.keys),
                  static_cast<unsigned>(c.files));
}

std::string ProgramText(const cleanup::TracedProgram& p) {
    const std::string key = WideToAnsi(
        RegKeyName(p.hive, std::wstring(cleanup::kUninstallKeyPath) + L"\\" + p.registryName));
    return (p.displayName.empty() ? WideToAnsi(p.registryName) : WideToAnsi(p.displayName)) + " (" +
           key + ")";
}

}  // namespace

int RunWatch(const Invocation& args, const std::string& appDir, Console& console) {
    const std::wstring setup = FullPath(args.operands[0]);
    const std::vector<std::string> arguments(args.operands.begin() + 1, args.operands.end());
    const std::string command = cleanup::WatchCommand(setup, arguments);
    cleanup::WatchSession session(AnsiToWide(appDir), AnsiToWide(command));

    console.out("Taking the first snapshot...\r\n");
    cleanup::SnapshotProgress progress;
    DWORD started = GetTickCount();
    session.Before(progress);
    const cleanup::Snapshot& first = session.First();
    console.out(SnapshotLine("First", first, first.files.size(), GetTickCount() - started));

    console.out("Running: " + command + "\r\n");
    const cleanup::WaitEnd wait =
        AwaitUninstaller(command, args.timeoutSeconds ? *args.timeoutSeconds * 1000 : INFINITE);
    switch (wait) {
    case cleanup::WaitEnd::GaveUp:
        console.err(
            Format("gave up waiting for the setup after %u seconds; it may still be "
                   "running, so no trace was kept\r\n",
                   *args.timeoutSeconds));
        return kExitFailed;
    case cleanup::WaitEnd::Failed:
        console.err("the wait for the setup failed\r\n");
        return kExitFailed;
    case cleanup::WaitEnd::NothingStarted:
        console.err("the setup could not be started\r\n");
        return kExitFailed;
    case cleanup::WaitEnd::Ended: break;
    }

    console.out("Taking the second snapshot...\r\n");
    cleanup::SnapshotProgress second;
    started = GetTickCount();
    const cleanup::WatchTrace trace = session.After(second);
    console.out(Format("Second snapshot: %u keys and files in %u.%u s\r\n",
                       static_cast<unsigned>(session.SecondItems()),
                       static_cast<unsigned>((GetTickCount() - started) / 1000),
                       static_cast<unsigned>((GetTickCount() - started) % 1000 / 100)));
    console.out(CountsLine(trace) + "\r\n");
    if (trace.programs.empty()) {
        console.err("the setup registered no program: there is nothing to keep the trace for\r\n");
        return kExitFailed;
    }
    for (const cleanup::TracedProgram& p : trace.programs)
        console.out("Installed: " + ProgramText(p) + "\r\n");
    console.out("Trace kept: " + WideToAnsi(session.Keep(trace)) + "\r\n");
    return kExitOk;
}

int RunTrace(const Invocation& args, const std::string& appDir, Console& console) {
    std::vector<cleanup::WatchTrace> traces =
        cleanup::ReadTraces(cleanup::UserTraceRoot(AnsiToWide(appDir)));
    if (args.operands.empty()) {
        if (traces.empty()) console.out("No watched install is kept.\r\n");
        for (size_t i = 0; i < traces.size(); ++i) {
            const cleanup::WatchTrace& t = traces[i];
            std::string programs;
            for (const cleanup::TracedProgram& p : t.programs)
                programs += (programs.empty() ? "" : ", ") + ProgramText(p);
            console.out(Format("%u. %s  %s: %s\r\n", static_cast<unsigned>(i + 1), t.date.c_str(),
                               programs.c_str(), CountsLine(t).c_str()));
        }
        return kExitOk;
    }
    const std::string& which = args.operands[0];
    const bool digits = !which.empty() && which.size() <= 6 &&
                        which.find_first_not_of("0123456789") == std::string::npos;
    const size_t n = digits ? std::stoul(which) : 0;
    if (n == 0 || n > traces.size()) {
        console.err("there is no watched install " + which + "; `trace` lists them\r\n");
        return kExitFailed;
    }
    cleanup::WatchTrace& t = traces[n - 1];
    if (!args.drop.empty()) {
        std::vector<size_t> indexes;
        for (unsigned d : args.drop) {
            if (d > t.items.size()) {
                console.err(Format("the trace has no item %u\r\n", d));
                return kExitFailed;
            }
            indexes.push_back(d - 1);
        }
        cleanup::DropTraceItems(t, indexes);
        console.out(
            Format("%u items taken out of the trace.\r\n", static_cast<unsigned>(indexes.size())));
    }
    console.out("Setup: " + WideToAnsi(t.setup) + "\r\n");
    for (const cleanup::TracedProgram& p : t.programs)
        console.out("Installed: " + ProgramText(p) + "\r\n");
    console.out(CountsLine(t) + "\r\n");
    for (size_t i = 0; i < t.items.size(); ++i)
        console.out(Format("%u. %s\r\n", static_cast<unsigned>(i + 1),
                           cleanup::TraceItemText(t.items[i]).c_str()));
    return kExitOk;
}

}  // namespace cx::cmd
