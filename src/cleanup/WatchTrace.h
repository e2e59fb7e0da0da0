#pragma once
// The trace of a watched install: what the setup created and changed, found
// by the difference of the snapshots before and after it (WatchSnapshot.h),
// noise left out (WatchNoise.h), and tied to the program(s) whose
// registrations appeared. It is kept as readable text in the account's own
// store, sealed like a kept clean-up (a trace says what may be deleted and
// what data may be written back, so a trace changed by anybody else is
// refused), and read again when that program is uninstalled.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleanup/WatchNoise.h"
#include "cleanup/WatchSnapshot.h"

namespace cx::cleanup {

enum class TraceKind {
    Key,           // a key the setup created (with all it holds)
    Value,         // a value the setup created in a key that was there before
    ChangedValue,  // a value that was there before and the setup changed
    Folder,        // a folder the setup created
    File,          // a file the setup created in a folder that was there before
    ChangedFile,   // a file that was there before and the setup changed
};

struct TraceItem {
    TraceKind kind = TraceKind::Key;
    RegHive hive = RegHive::LocalMachine;
    std::wstring key;    // registry kinds: the key, below the hive
    std::wstring value;  // Value, ChangedValue: the value's name
    std::wstring path;   // file kinds: the full path
    // Value, ChangedValue: the hash of the data the setup left (ValueHash).
    uint64_t hash = 0;
    // ChangedValue: its data before the setup, when it was short enough to
    // keep (kKeptValueBytes); without it the change cannot be put back.
    bool oldKept = false;
    DWORD oldType = REG_NONE;
    std::vector<BYTE> oldData;
};

// A program whose registration the setup made.
struct TracedProgram {
    RegHive hive = RegHive::LocalMachine;
    std::wstring registryName;
    std::wstring displayName;
};

struct WatchTrace {
    std::string date;    // local time the watch ended, "2026-12-10 03:12:45"
    std::wstring setup;  // the command that ran
    std::vector<TracedProgram> programs;
    std::vector<TraceItem> items;
    // Where it is kept (set when read from or written to the store).
    std::wstring file;
};

// The uninstall keys a registration lives in (HKLM and HKCU alike).
inline constexpr const wchar_t* kUninstallKeyPath =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// What the setup did between `before` and `after`: keys created (each key,
// not only the topmost), values created in and changed of keys that were
// there, folders and files created, files changed (size or time); what the
// filter calls noise is left out, and so is what went (the snapshots hold no
// contents to bring it back). The programs are the registrations new in
// `after`: keys created directly below either hive's Uninstall key.
WatchTrace TraceOf(const Snapshot& before, const Snapshot& after, const NoiseFilter& noise);

// "N keys, M files": the registry keys the setup created or changed a value
// of, and the files and folders it created or changed.
struct TraceCounts {
    size_t keys = 0, files = 0;
};
TraceCounts CountsOf(const WatchTrace& trace);

// The text of a trace: a header line, then one tab-separated record a line,
// every field escaped (EscapeField); data as hex.
std::string TraceText(const WatchTrace& trace);
// nullopt for a text that is not such a trace.
std::optional<WatchTrace> ParseTrace(std::string_view text);

// "<appDir>Back up\traces\<computer>\<SID>\": this account's traces.
std::wstring UserTraceRoot(const std::wstring& appDir);

// Writes the trace sealed with the account's secret (made when there is
// none), first beside its final name and then moved there in one step;
// returns the file. Throws AppError with the reason.
std::wstring WriteTrace(const std::wstring& folder, const WatchTrace& trace);
// The traces of `folder` that prove themselves as this account's, newest
// first; others are left out (and left alone).
std::vector<WatchTrace> ReadTraces(const std::wstring& folder);
// The newest trace tied to the registration `registryName` in `hive`
// ("HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER"), compared without case.
std::optional<WatchTrace> FindTrace(const std::wstring& folder, const std::string& hive,
                                    const std::string& registryName);
// Removes the items at `indexes` (of trace.items) from the kept trace and
// writes it again in its place. Throws AppError with the reason.
void DropTraceItems(WatchTrace& trace, std::vector<size_t> indexes);
// Deletes the kept trace (its program is gone and its clean-up was offered).
void RetireTrace(const WatchTrace& trace);

// One line for a trace item, as the windows and the command line show it
// (language texts): "created key HKEY_LOCAL_MACHINE\SOFTWARE\Acme",
// "changed value ...".
std::string TraceItemText(const TraceItem& item);

}  // namespace cx::cleanup
