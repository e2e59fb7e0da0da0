#pragma once
// The steps of an install and watch that the window and the command line
// share: the command that runs the setup, the snapshots with the noise left
// out, and the trace kept for the program that appeared. Each caller waits
// for the setup its own way (the window on a waiting thread, the command line
// for a bounded time), as an uninstall is waited for.
#include <string>
#include <vector>

#include "cleanup/WatchNoise.h"
#include "cleanup/WatchSnapshot.h"
#include "cleanup/WatchTrace.h"

namespace cx::cleanup {

// The command line that runs `setup` with `arguments` (each quoted when it
// holds a blank or is empty): a Windows Installer package (.msi) through the
// system's msiexec with /i, anything else itself. Throws AppError for a
// setup that is not a full path to an existing file, or whose path the 8-bit
// command line cannot carry as it is.
std::string WatchCommand(const std::wstring& setup, const std::vector<std::string>& arguments);

// What a snapshot leaves out: the noise filter's places, whole.
SnapshotSkip SkipOf(const NoiseFilter& noise);

// One watch: the places and noise of this machine (Carvexo's own folder
// `appDir`, ending in "\"), the first snapshot, then (after the setup) the
// second and the trace.
class WatchSession {
public:
    WatchSession(std::wstring appDir, std::wstring setupCommand);
    void Before(SnapshotProgress& progress);
    // The trace of what changed since Before; its programs are those that appeared.
    WatchTrace After(SnapshotProgress& progress);
    const Snapshot& First() const noexcept { return before_; }
    size_t SecondItems() const noexcept { return secondItems_; }
    // Keeps `trace` in this account's traces; returns the file.
    std::wstring Keep(const WatchTrace& trace) const;

private:
    std::wstring appDir_, command_;
    WatchPlaces places_;
    NoiseFilter noise_;
    Snapshot before_;
    size_t secondItems_ = 0;
};

}  // namespace cx::cleanup
