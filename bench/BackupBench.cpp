// The full backup of 300 uninstall entries, in seconds per entry, against the
// same exports run by hand one after another with `regedit /e`, each awaited,
// in the same run. Goal: the backup takes at most 1.2 times the hand-run loop.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "backup/BackupRun.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace {

using cx::bench::Median;
using cx::bench::Now;

constexpr int kEntries = 300;
constexpr int kRuns = 3;
const wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::vector<std::wstring> MakeEntries() {
    std::vector<std::wstring> names;
    cx::unique_hkey root;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    root.put(), nullptr);
    for (int i = 0; i < kEntries; ++i) {
        std::wstring name = L"CxBench Backup " + std::to_wstring(i);
        cx::unique_hkey key;
        RegCreateKeyExW(root.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr);
        std::wstring display = L"Benchmark program " + std::to_wstring(i);
        RegSetValueExW(key.get(), L"DisplayName", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(display.c_str()),
                       static_cast<DWORD>((display.size() + 1) * 2));
        std::wstring uninstall = L"C:\\Program Files\\Bench\\uninst" + std::to_wstring(i) + L".exe";
        RegSetValueExW(key.get(), L"UninstallString", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(uninstall.c_str()),
                       static_cast<DWORD>((uninstall.size() + 1) * 2));
        DWORD size = 1000 + i;
        RegSetValueExW(key.get(), L"EstimatedSize", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&size), sizeof size);
        names.push_back(name);
    }
    return names;
}

void RemoveEntries(const std::vector<std::wstring>& names) {
    cx::unique_hkey root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_ALL_ACCESS, root.put()) !=
        ERROR_SUCCESS)
        return;
    for (const auto& n : names) cx::reg::DeleteKeyTree(root.get(), n);
}

std::wstring FreshFolder(const std::string& name) {
    std::string dir = "C:\\carvexo-bench\\" + name + "\\";
    cx::ForceDirectories(dir);
    cx::ForEachFolderEntry(cx::AnsiToWide(dir), [&](const WIN32_FIND_DATAW& e) {
        DeleteFileW((cx::AnsiToWide(dir) + e.cFileName).c_str());
        return true;
    });
    return cx::AnsiToWide(dir);
}

// The baseline: regedit started and awaited once per entry, nothing else.
size_t HandLoop(const std::vector<std::wstring>& names, const std::wstring& dir) {
    size_t failed = 0;
    for (const auto& n : names) {
        std::wstring line = L"regedit.exe /e \"" + dir + n + L".reg\" \"HKEY_LOCAL_MACHINE\\" +
                            kUninstall + L"\\" + n + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi)) {
            ++failed;
            continue;
        }
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return failed;
}

}  // namespace

int main() {
    std::vector<std::wstring> names = MakeEntries();
    auto plan = cx::backup::PlanBackup(names, {});
    std::vector<double> hand, backup, sequential;
    size_t failures = 0;
    for (int run = 0; run < kRuns; ++run) {
        std::wstring dir = FreshFolder("hand");
        double t0 = Now();
        failures += HandLoop(names, dir);
        hand.push_back(Now() - t0);

        dir = FreshFolder("backup");
        t0 = Now();
        failures += cx::backup::RunBackup(plan, dir).failed;
        backup.push_back(Now() - t0);

        cx::backup::BackupOptions one;
        one.parallel = 1;
        dir = FreshFolder("sequential");
        t0 = Now();
        failures += cx::backup::RunBackup(plan, dir, {}, one).failed;
        sequential.push_back(Now() - t0);
    }
    RemoveEntries(names);

    const double perHand = Median(hand) / 1000.0 / kEntries;
    const double perBackup = Median(backup) / 1000.0 / kEntries;
    const double perSequential = Median(sequential) / 1000.0 / kEntries;
    std::printf("Full backup of %d uninstall entries (median of %d runs)\n", kEntries, kRuns);
    std::printf("  regedit /e by hand, one after another: %.4f s per entry\n", perHand);
    std::printf(
        "  RunBackup, %zu at a time:                %.4f s per entry  (%.2fx the hand loop)\n",
        cx::backup::BackupOptions{}.parallel, perBackup, perBackup / perHand);
    std::printf(
        "  RunBackup, one at a time:              %.4f s per entry  (%.2fx the hand loop)\n",
        perSequential, perSequential / perHand);
    std::printf("  goal: at most 1.20x; %s\n", perBackup <= 1.2 * perHand ? "met" : "NOT met");
    if (failures) std::printf("  %zu exports failed\n", failures);
    return failures ? 1 : 0;
}
