#include "cleanup/Uninstall.h"

#include "cleanup/Evidence.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <atomic>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

#include "platform/Com.h"

namespace cx::cleanup {
namespace {

// The record layouts the system hands out on 32-bit Windows.
static_assert(sizeof(PROCESSENTRY32) == 296);
static_assert(sizeof(STARTUPINFOA) == 68);
static_assert(sizeof(SHELLEXECUTEINFOA) == 60);

struct ProcessBasicInformation {
    LONG exitStatus;
    PVOID pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR inheritedFromUniqueProcessId;
};
static_assert(sizeof(ProcessBasicInformation) == 24);

using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

// GetProcAddress gives a generic pointer; going through void(*)() keeps GCC's
// function-cast check quiet for a cast that is the documented use.
template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct SnapshotApi {
    CreateSnapshotFn create = nullptr;
    ProcessWalkFn first = nullptr;
    ProcessWalkFn next = nullptr;
};

// Looked up once and kept: kernel32 stays loaded for the life of the process.
const SnapshotApi& Snapshot() {
    static const SnapshotApi api = [] {
        SnapshotApi a;
        HMODULE k32 = GetModuleHandleA("kernel32.dll");
        a.create = ProcAddress<CreateSnapshotFn>(k32, "CreateToolhelp32Snapshot");
        a.first = ProcAddress<ProcessWalkFn>(k32, "Process32First");
        a.next = ProcAddress<ProcessWalkFn>(k32, "Process32Next");
        if (!a.first || !a.next) a.create = nullptr;
        return a;
    }();
    return api;
}

// Calls `visit(entry)` for every process in a fresh snapshot until it returns
// true; false when the walk ends or no snapshot can be taken.
template <typename Visit>
bool WalkProcesses(Visit&& visit) {
    const SnapshotApi& api = Snapshot();
    if (!api.create) return false;
    unique_snapshot snap(api.create(TH32CS_SNAPPROCESS, 0));
    if (!snap) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = api.first(snap.get(), &entry); ok; ok = api.next(snap.get(), &entry)) {
        if (visit(entry)) return true;
        entry.dwSize = sizeof entry;
    }
    return false;
}

// 100 ns units since 1601; 0 when the process cannot tell.
ULONGLONG CreationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

std::atomic<bool> g_windowClosing{false};

// Detached waits of an earlier test may still read it while a test sets it.
std::mutex g_lookLock;
std::function<void(HANDLE)> g_lookForTests;

void LookPause(HANDLE process) {
    std::function<void(HANDLE)> look;
    {
        std::lock_guard<std::mutex> hold(g_lookLock);
        look = g_lookForTests;
    }
    if (look)
        look(process);
    else
        Sleep(kHandOverLookMs);
}

// True when the process's program lies in one of the temporary folders.
bool RunsFromTemporaryFolder(HANDLE process) {
    wchar_t image[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(process, 0, image, &size)) return false;
    const std::wstring path(image, size);
    for (const std::wstring& temp : CurrentSystemPlaces().tempDirs)
        if (PathIsIn(path, temp)) return true;
    return false;
}

void Notify(HWND notify, WPARAM started, LPARAM waitId) {
    // The main window sets the switch while it is destroyed, on its own thread;
    // a window that went away between this check and the send makes SendMessage
    // fail harmlessly (a window handle is not handed out again at once).
    if (g_windowClosing.load() || !IsWindow(notify)) return;
    SendMessageA(notify, UninstallDoneMessage(), started, waitId);
}

void RunAndWaitUnguarded(const std::string& commandLine, HWND notify, LPARAM waitId) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi{};
    std::string writable = commandLine;  // CreateProcessA may write into its command line
    if (CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE,
                       CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si, &pi)) {
        // Holding the handle keeps the id from being given to another process
        // while the hand-over is looked for.
        unique_handle process(pi.hProcess);
        unique_handle thread(pi.hThread);
        LookPause(process.get());
        DWORD result = WAIT_OBJECT_0;
        if (IsProcessRunning(pi.dwProcessId)) {
            result = WaitForSingleObject(process.get(), INFINITE);
            // A starter still there at the look is awaited, not what it leaves
            // running (a browser it opened) -- except the copy of itself that
            // an uninstaller hands over to, which runs from a temporary folder:
            // a busy machine can hold the starter past the look.
            if (result == WAIT_OBJECT_0)
                if (unique_handle copy = FindChildProcess(pi.dwProcessId);
                    copy && RunsFromTemporaryFolder(copy.get()))
                    result = WaitForSingleObject(copy.get(), INFINITE);
        } else if (unique_handle child = FindChildProcess(pi.dwProcessId)) {
            result = WaitForSingleObject(child.get(), INFINITE);
        }
        if (result == WAIT_OBJECT_0) Notify(notify, kWaitEnded, waitId);
        return;
    }

    SHELLEXECUTEINFOA sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT;
    sei.lpFile = commandLine.c_str();
    sei.nShow = SW_SHOWNORMAL;
    BOOL launched;
    {
        // The shell may hand the verb to extensions that need an apartment.
        ComInit com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        launched = ShellExecuteExA(&sei);
    }
    if (!launched) {
        Notify(notify, kNothingStarted, waitId);
        return;
    }
    // A shell that reports success without a process (a document opened in a
    // program already running) makes this wait fail, and then nothing is said.
    unique_handle process(sei.hProcess);
    if (WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0)
        Notify(notify, kWaitEnded, waitId);
}

}  // namespace

bool IsProcessRunning(DWORD pid) {
    return WalkProcesses([pid](const PROCESSENTRY32& e) { return e.th32ProcessID == pid; });
}

long GetParentProcessId(DWORD pid) {
    auto query = ProcAddress<NtQueryInformationProcessFn>(GetModuleHandleA("ntdll"),
                                                          "NtQueryInformationProcess");
    if (!query) return -1;
    unique_handle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) return -1;
    ProcessBasicInformation info{};
    if (query(process.get(), 0 /* ProcessBasicInformation */, &info, sizeof info, nullptr) != 0)
        return -1;
    return static_cast<long>(info.inheritedFromUniqueProcessId);
}

unique_handle FindChildProcess(DWORD pid) {
    ULONGLONG parentCreated = 0;
    if (unique_handle parent{OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid)})
        parentCreated = CreationTime(parent.get());

    unique_handle found;
    WalkProcesses([&](const PROCESSENTRY32& e) {
        // -1 means "no parent known" and must not match a pid that reads as -1.
        const long parent = GetParentProcessId(e.th32ProcessID);
        if (parent == -1 || static_cast<DWORD>(parent) != pid || e.th32ProcessID == pid)
            return false;
        unique_handle child(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, e.th32ProcessID));
        if (child && parentCreated) {
            const ULONGLONG childCreated = CreationTime(child.get());
            // Older than its "parent": an orphan of an earlier process with the same id.
            if (childCreated && childCreated < parentCreated) return false;
        }
        found = std::move(child);
        return true;
    });
    return found;
}

void RunAndWait(const std::string& commandLine, HWND notify, LPARAM waitId) {
    try {
        RunAndWaitUnguarded(commandLine, notify, waitId);
    } catch (...) {
        // The worker has no one to tell; the user simply gets no question.
    }
}

void StartWaitingThread(std::string commandLine, HWND notify, LPARAM waitId) {
    std::thread([commandLine = std::move(commandLine), notify, waitId] {
        try {
            RunAndWait(commandLine, notify, waitId);
        } catch (...) {
        }
    }).detach();
}

void SetHandOverLookForTests(std::function<void(HANDLE)> look) {
    std::lock_guard<std::mutex> hold(g_lookLock);
    g_lookForTests = std::move(look);
}

void SetUninstallWindowClosing(bool closing) { g_windowClosing.store(closing); }

UINT UninstallDoneMessage() {
    static const UINT msg =
        RegisterWindowMessageA("Carvexo.UninstallDone.5F0C8A4E-2B7D-4E31-9A60-1D3C7B8E4F21");
    return msg;
}

LPARAM NewWaitId() {
    // Random, so a process that learns the message number still cannot name a
    // wait; a repeat within one run is harmless (ids are looked up, then dropped).
    static std::mutex lock;
    static std::mt19937 gen{std::random_device{}() ^ GetTickCount() ^ GetCurrentProcessId()};
    std::lock_guard<std::mutex> hold(lock);
    LPARAM id = 0;
    while (id == 0) id = static_cast<LPARAM>(gen() & 0x7FFFFFFF);
    return id;
}

void StartReportingWait(std::string commandLine, HWND notify, LPARAM waitId) {
    std::thread([command = std::move(commandLine), notify, waitId] {
        try {
            RunAndWait(command, notify, waitId);
            PostMessageA(notify, kWaitReturnedMessage, 0, waitId);
        } catch (...) {
        }
    }).detach();
}

}  // namespace cx::cleanup
