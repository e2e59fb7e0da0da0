// LoadProgramList on a prefix seeded with thousands of uninstall entries, in
// parts, each against a bare loop measured in the same run:
//  - registry reading: the service's enumeration without icons, against a bare
//    RegEnumKeyExA/RegQueryValueExA loop over the same keys and values;
//  - icon look-up: what the icons add to the enumeration;
//  - list fill: inserting the rows into a list view with repainting suspended;
//  - the whole LoadProgramList of the main window through the COM service.
#include <windows.h>

#include "BenchClock.h"
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Enumerate.h"
#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/MainForm.h"
#include "i18n/LanguageFile.h"
#include "inventory/DetailsForm.h"
#include "inventory/ListLogic.h"
#include "inventory/ListSystem.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/SkinFile.h"
#include "widgets/Seam.h"

namespace {

using cx::bench::Median;
using cx::bench::Now;

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The values the inventory reads for a program.
const char* const kValues[] = {
    "DisplayName",    "UninstallString", "SystemComponent", "ParentKeyName",  "ReleaseType",
    "DisplayVersion", "InstallDate",     "HelpLink",        "URLInfoAbout",   "URLUpdateInfo",
    "EstimatedSize",  "DisplayIcon",     "Publisher",       "InstallLocation"};

// Median of several runs, in milliseconds.
double Time(const std::function<void()>& work, int runs = 5) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        work();
        t.push_back(Now() - start);
    }
    return Median(t);
}

size_t BareLoop() {
    size_t seen = 0;
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY root = nullptr;
        if (RegOpenKeyExA(hive, kUninstall, 0, KEY_READ, &root) != ERROR_SUCCESS) continue;
        char name[512];
        BYTE data[4096];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            if (RegEnumKeyExA(root, i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            HKEY key = nullptr;
            if (RegOpenKeyExA(root, name, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
            for (const char* value : kValues) {
                DWORD type = 0, size = sizeof data;
                RegQueryValueExA(key, value, nullptr, &type, data, &size);
            }
            RegCloseKey(key);
            ++seen;
        }
        RegCloseKey(root);
    }
    return seen;
}

std::vector<cx::svc::ProgramRecord> ReadWithoutIcons() {
    std::vector<cx::svc::ProgramRecord> out;
    cx::svc::AppendPrograms(HKEY_LOCAL_MACHINE, nullptr, out);
    cx::svc::AppendPrograms(HKEY_CURRENT_USER, nullptr, out);
    return out;
}

double FillList(const std::vector<cx::svc::ProgramRecord>& records, HIMAGELIST images) {
    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0, 600,
                                400, host, nullptr, GetModuleHandleA(nullptr), nullptr);
    ListView_SetImageList(list, images, LVSIL_SMALL);
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH;
        col.cx = 150;
        ListView_InsertColumn(list, c, &col);
    }
    double t = Time([&] {
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        ListView_DeleteAllItems(list);
        int row = 0;
        for (const auto& r : records) {
            LVITEMA item{};
            item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
            item.iItem = row;
            item.pszText = const_cast<char*>(r.displayName.c_str());
            item.lParam = row;
            item.iImage = static_cast<int>(r.iconIndex);
            int at = ListView_InsertItem(list, &item);
            ListView_SetItemText(list, at, 1, const_cast<char*>(r.publisher.c_str()));
            ListView_SetItemText(list, at, 2, const_cast<char*>(r.installLocation.c_str()));
            ++row;
        }
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        UpdateWindow(list);
    });
    DestroyWindow(host);
    return t;
}

}  // namespace

int main() {
    cx::ComInit com;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    size_t keys = BareLoop();  // warms the registry caches for everyone alike
    double bare = Time([] { BareLoop(); });
    std::vector<cx::svc::ProgramRecord> records;
    double reading = Time([&] { records = ReadWithoutIcons(); });
    double withIcons = Time([] { cx::svc::EnumeratePrograms(); });

    SHFILEINFOA info{};
    auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    double fill = FillList(records, images);

    // The main window's whole load through the COM service, in-process.
    std::string appDir = cx::ExeDirectory() + "bench-app\\";
    cx::ForceDirectories(appDir);
    CopyFileA((cx::ExeDirectory() + "..\\out\\Dravik.dll").c_str(), (appDir + "Dravik.dll").c_str(),
              FALSE);
    double load = -1, refresh = -1, chooser = -1, readCom = -1, plan = -1, savers = -1;
    if (cx::app::InitAppPaths(appDir)) {
        cx::ui::SetMessageResponder([](const cx::ui::MessageRecord&) { return IDOK; });
        cx::app::RegisterInventoryService((appDir + "Dravik.dll").c_str());
        cx::app::LoadSkinAndLanguage();
        cx::app::TMainForm form;
        form.CreateForm();
        load = Time([&] { form.LoadProgramList(); }, 3);
        refresh = Time([&] { form.ProgramList().RefreshPrograms(); }, 3);
        // The steps of the load after the refresh, one by one.
        cx::inv::ProgramRecords read;
        readCom = Time([&] { read = cx::inv::ReadProgramRecords(form.ProgramList()); }, 3);
        plan = Time([&] { cx::inv::PlanProgramRows(read.records, false); }, 3);
        savers = Time(
            [&] {
                form.ProgramList().RefreshScreenSavers();
                cx::inv::ReadScreenSaverRecords(form.ProgramList());
            },
            3);
        cx::inv::TDetailsForm& details = form.DetailsForm();
        chooser = Time(
            [&] {
                details.ClearPrograms();
                for (size_t i = 0; i < records.size(); ++i) {
                    int at = details.AddProgram(records[i].displayName);
                    details.SetProgramData(at, static_cast<long>(i));
                    details.SetProgramImage(at, static_cast<int>(records[i].iconIndex));
                }
            },
            3);
    }

    std::printf("uninstall keys: %zu, programs listed: %zu\n", keys, records.size());
    std::printf("bare registry loop (baseline)    %8.1f ms\n", bare);
    std::printf("registry reading (service)       %8.1f ms   ratio %.2fx (goal <= 1.30x)\n",
                reading, reading / bare);
    std::printf("icon look-up                     %8.1f ms   (%.2fx the bare loop)\n",
                withIcons - reading, (withIcons - reading) / bare);
    std::printf("list fill, repaint suspended     %8.1f ms   (%.2fx the bare loop)\n", fill,
                fill / bare);
    std::printf("LoadProgramList, whole (COM)     %8.1f ms   (%.2fx the bare loop)\n", load,
                load / bare);
    std::printf("  of which service refresh       %8.1f ms\n", refresh);
    std::printf("  of which records through COM   %8.1f ms\n", readCom);
    std::printf("  of which rows planned          %8.1f ms\n", plan);
    std::printf("  of which screen savers         %8.1f ms\n", savers);
    std::printf("  of which the rest (list, count)%8.1f ms\n",
                load - refresh - readCom - plan - savers);
    std::printf(
        "  of which details chooser fill  %8.1f ms   (the combo box is filled when the window "
        "opens)\n",
        chooser);
    return 0;
}
