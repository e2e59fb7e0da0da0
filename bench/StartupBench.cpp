// Loading the startup list with 2,000 values spread over the twelve Run-family
// keys (a quarter of them disabled, in Run_Disable) and 500 files in the two
// Startup folders, against a bare enumeration of the same values and files in
// the same run:
//  - reading the rows (the registry and folder walk that the page calls);
//  - a bare list view filled with as many rows, texts and check boxes;
//  - the main window's whole LoadStartupList, list view filled.
#include <windows.h>

#include "BenchClock.h"
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/MainForm.h"
#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "startup/StartupRows.h"
#include "startup/StartupStore.h"
#include "widgets/Seam.h"

namespace {

using cx::bench::Median;
using cx::bench::Now;
using cx::bench::Time;
using namespace cx::startup;

constexpr int kValues = 2000;
constexpr int kFiles = 500;

std::wstring KeyPath(int key, bool disabled) {
    std::wstring p = cx::AnsiToWide(kRunKeys[key]);
    return disabled ? p + L"\\Run_Disable" : p;
}

std::wstring BenchName(int i) { return cx::AnsiToWide(cx::Format("CxBench%05d", i)); }

void Seed(const StartupPlaces& places, bool remove) {
    for (int i = 0; i < kValues; ++i) {
        const Hive hive = (i / kRunKeyCount) % 2 ? Hive::Machine : Hive::User;
        const int key = i % kRunKeyCount;
        const bool disabled = i % 4 == 3;
        HKEY k = nullptr;
        if (RegCreateKeyExW(HiveRoot(hive), KeyPath(key, disabled).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
            continue;
        if (remove) {
            RegDeleteValueW(k, BenchName(i).c_str());
        } else {
            std::wstring data =
                L"\"C:\\Program Files\\Synthetic\\app" + BenchName(i) + L".exe\" /tray";
            RegSetValueExW(k, BenchName(i).c_str(), 0, i % 5 ? REG_SZ : REG_EXPAND_SZ,
                           reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>((data.size() + 1) * 2));
        }
        RegCloseKey(k);
    }
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring path = places.folders[i % 2] + BenchName(i) + L".lnk";
        if (remove) {
            DeleteFileW(path.c_str());
            continue;
        }
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD n = 0;
            WriteFile(h, "L\0\0\0", 4, &n, nullptr);
            CloseHandle(h);
        }
    }
}

// What any listing of the same sources must do at least: every value with its
// data, every folder entry.
size_t BareEnumeration(const StartupPlaces& places) {
    size_t seen = 0;
    static wchar_t name[16384];
    static BYTE data[65536];
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (int key = 0; key < kRunKeyCount; ++key)
            for (bool disabled : {false, true}) {
                HKEY k = nullptr;
                if (RegOpenKeyExW(root, KeyPath(key, disabled).c_str(), 0, KEY_READ, &k) !=
                    ERROR_SUCCESS)
                    continue;
                for (DWORD i = 0;; ++i) {
                    DWORD nameLen = 16384, dataLen = sizeof data, type = 0;
                    if (RegEnumValueW(k, i, name, &nameLen, nullptr, &type, data, &dataLen) !=
                        ERROR_SUCCESS)
                        break;
                    ++seen;
                }
                RegCloseKey(k);
            }
    for (int f = 0; f < kFolderCount; ++f)
        for (const std::wstring& dir : {places.folders[f], places.kept[f]}) {
            if (dir.empty()) continue;
            WIN32_FIND_DATAW fd;
            HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
            if (h == INVALID_HANDLE_VALUE) continue;
            do ++seen;
            while (FindNextFileW(h, &fd));
            FindClose(h);
        }
    return seen;
}

size_t ReadRows(const StartupPlaces& places) {
    std::vector<StartupEntry> rows;
    AppendRegistryRows(Hive::User, rows);
    AppendRegistryRows(Hive::Machine, rows);
    AppendFolderRows(places, rows);
    return rows.size();
}

// Filling a bare list view like the page's: rows, two texts, check boxes.
double FillBare(size_t rows) {
    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600,
                                400, host, nullptr, GetModuleHandleA(nullptr), nullptr);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH;
        col.cx = 150;
        ListView_InsertColumn(list, c, &col);
    }
    double t = Time(
        [&] {
            SendMessageA(list, WM_SETREDRAW, FALSE, 0);
            ListView_DeleteAllItems(list);
            for (size_t r = 0; r < rows; ++r) {
                LVITEMA item{};
                item.mask = LVIF_TEXT;
                item.iItem = static_cast<int>(r);
                item.pszText = const_cast<char*>("CxBench00001");
                int at = ListView_InsertItem(list, &item);
                ListView_SetItemText(list, at, 1,
                                     const_cast<char*>("\"C:\\Program Files\\x.exe\" /tray"));
                ListView_SetItemText(
                    list, at, 2,
                    const_cast<char*>("HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
                ListView_SetCheckState(list, at, r % 4 != 3);
            }
            SendMessageA(list, WM_SETREDRAW, TRUE, 0);
            UpdateWindow(list);
        },
        3);
    DestroyWindow(host);
    return t;
}

}  // namespace

int main() {
    cx::ComInit com;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    std::string appDir = cx::ExeDirectory() + "bench-startup-app\\";
    cx::ForceDirectories(appDir);
    CopyFileA((cx::ExeDirectory() + "..\\out\\Dravik.dll").c_str(), (appDir + "Dravik.dll").c_str(),
              FALSE);
    if (!cx::app::InitAppPaths(appDir)) return 1;
    const StartupPlaces places = FindStartupPlaces(cx::AnsiToWide(appDir + "Back up\\startup\\"));
    Seed(places, false);

    size_t entries = BareEnumeration(places);  // warms the caches for everyone alike
    size_t rows = ReadRows(places);
    const double bareFill = FillBare(rows);
    // The three are taken in turns, round after round, so a busy moment of the
    // machine falls on all of them alike rather than on whichever ran then.
    std::vector<double> bare, reading, load, locate;
    {
        cx::ui::SetMessageResponder([](const cx::ui::MessageRecord&) { return IDOK; });
        cx::app::RegisterInventoryService((appDir + "Dravik.dll").c_str());
        cx::app::LoadSkinAndLanguage();
        cx::app::TMainForm form;
        form.CreateForm();
        for (int round = 0; round < 7; ++round) {
            bare.push_back(Time([&] { BareEnumeration(places); }, 1));
            reading.push_back(Time([&] { rows = ReadRows(places); }, 1));
            load.push_back(Time([&] { form.Startup().LoadStartupList(); }, 1));
            locate.push_back(Time([&] { form.Startup().StartupLocations(); }, 1));
        }
    }
    Seed(places, true);

    const double b = Median(bare), r = Median(reading), l = Median(load);
    std::printf("startup sources: %zu values and folder entries, %zu rows\n", entries, rows);
    std::printf("bare enumeration (baseline)      %8.1f ms\n", b);
    std::printf("reading the rows                 %8.1f ms   ratio %.2fx\n", r, r / b);
    std::printf("bare list view fill, same rows   %8.1f ms   (%.2fx the bare enumeration)\n",
                bareFill, bareFill / b);
    std::printf("LoadStartupList, list filled     %8.1f ms   ratio %.2fx (landed 1.62-1.81x; goal <= 1.30x)\n",
                l, l / b);
    std::printf("  of which finding the folders   %8.1f ms\n", Median(locate));
    return 0;
}
