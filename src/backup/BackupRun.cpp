#include "backup/BackupRun.h"

#include <algorithm>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/ShellRun.h"
#include "platform/Strings.h"

namespace cx::backup {

namespace {

std::vector<std::wstring> UninstallSubkeys(HKEY root) {
    // Read access is all a backup needs; asking for more fails without
    // administrator rights and would leave the machine's programs out.
    unique_hkey key;
    if (RegOpenKeyExW(root, AnsiToWide(kUninstallPath).c_str(), 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS)
        return {};
    return reg::SubKeyNamesW(key.get());
}

bool NonEmptyFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(LongPathForApi(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

// A file the user made read-only is one they mean to keep: Windows refuses to
// replace it, and Wine would, so it is never replaced here.
bool ReadOnly(const std::wstring& path) {
    DWORD a = GetFileAttributesW(LongPathForApi(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

struct Export {
    size_t index;
    unique_handle process;
    std::wstring temp;
    DWORD started;
};

}  // namespace

std::vector<BackupEntry> ReadBackupEntries() {
    return PlanBackup(UninstallSubkeys(HKEY_LOCAL_MACHINE), UninstallSubkeys(HKEY_CURRENT_USER));
}

BackupOutcome RunBackup(const std::vector<BackupEntry>& entries, const std::wstring& folder,
                        const BackupProgress& progress, const BackupOptions& options) {
    BackupOutcome outcome;
    outcome.total = entries.size();
    const size_t parallel = std::max<size_t>(1, std::min<size_t>(options.parallel, 32));
    std::vector<Export> running;
    size_t next = 0, finished = 0;

    auto finish = [&](size_t index, bool written, const std::wstring& temp) {
        const std::wstring target = folder + entries[index].fileName;
        bool ok = written && NonEmptyFile(temp) && !ReadOnly(target) &&
                  MoveFileExW(LongPathForApi(temp).c_str(), LongPathForApi(target).c_str(),
                              MOVEFILE_REPLACE_EXISTING) &&
                  NonEmptyFile(target);
        if (!temp.empty()) DeleteFileW(temp.c_str());  // whatever a failed export left
        if (!ok) {
            ++outcome.failed;
            outcome.failedFiles.push_back(entries[index].fileName);
        }
        ++finished;
        if (progress.onFinished) progress.onFinished(finished, outcome.total);
    };

    // Whatever happens, no regedit of ours outlives the backup.
    struct EndAll {
        std::vector<Export>& running;
        ~EndAll() {
            for (Export& e : running) {
                TerminateProcess(e.process.get(), 1);
                WaitForSingleObject(e.process.get(), 5000);
                DeleteFileW(e.temp.c_str());
            }
        }
    } endAll{running};

    bool stopped = false;
    while (finished < outcome.total) {
        while (!stopped && running.size() < parallel && next < outcome.total) {
            if (progress.stop && progress.stop()) {
                stopped = true;
                break;
            }
            const size_t index = next++;
            // A short name of our own: regedit never meets a long path or a
            // name it might read otherwise, and the real file is replaced only
            // by a complete export.
            std::wstring temp = folder + L"~cxexport" + std::to_wstring(index) + L".tmp";
            DeleteFileW(temp.c_str());
            unique_handle process = StartWithShell(
                options.program,
                BackupParameters(temp, UninstallKeyPath(entries[index].hive, entries[index].name)));
            if (!process) {
                finish(index, false, temp);
                continue;
            }
            running.push_back(Export{index, std::move(process), std::move(temp), GetTickCount()});
        }
        if (running.empty()) {
            // Stopped: what was never started is not backed up.
            while (next < outcome.total) finish(next++, false, {});
            break;
        }

        const DWORD now = GetTickCount();
        DWORD wait = INFINITE;
        for (const Export& e : running) {
            DWORD spent = now - e.started;
            DWORD left = spent >= options.timeLimitMs ? 0 : options.timeLimitMs - spent;
            wait = std::min(wait, left);
        }
        std::vector<HANDLE> handles;
        for (const Export& e : running) handles.push_back(e.process.get());
        const DWORD n = static_cast<DWORD>(handles.size());
        DWORD got = progress.pump
                        ? MsgWaitForMultipleObjects(n, handles.data(), FALSE, wait, QS_ALLINPUT)
                        : WaitForMultipleObjects(n, handles.data(), FALSE, wait);
        if (got < WAIT_OBJECT_0 + n) {
            Export done = std::move(running[got - WAIT_OBJECT_0]);
            running.erase(running.begin() + (got - WAIT_OBJECT_0));
            finish(done.index, true, done.temp);
        } else if (got == WAIT_OBJECT_0 + n) {
            progress.pump();
        } else if (got == WAIT_TIMEOUT) {
            const DWORD at = GetTickCount();
            for (size_t i = running.size(); i-- > 0;) {
                if (at - running[i].started < options.timeLimitMs) continue;
                Export late = std::move(running[i]);
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
                TerminateProcess(late.process.get(), 1);
                WaitForSingleObject(late.process.get(), 5000);
                finish(late.index, false, late.temp);
            }
        } else {
            ThrowLastError();
        }
    }
    return outcome;
}

}  // namespace cx::backup
