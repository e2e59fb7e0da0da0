// LoadProgramList on a prefix seeded with thousands of uninstall entries, in
// parts, each against a bare loop measured in the same run:
//  - registry reading: the service's enumeration without icons, against a bare
//    RegEnumKeyExA/RegQueryValueExA loop over the same keys and values;
//  - icon look-up: looking up every program's icon, which the service does
//    only for the rows a list shows;
//  - list fill: inserting the rows into a bare list view with repainting
//    suspended, and the same with the list subclassed the two ways there are
//    (comctl32's SetWindowSubclass, which under Wine looks up a window
//    property per message, and our Subclass);
//  - the whole LoadProgramList of the main window through the COM service, and
//    its steps taken one after another in the same runs.
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
#include "inventory/ProgramListModel.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/SkinFile.h"
#include "widgets/Seam.h"
#include "widgets/Subclass.h"

namespace {

using cx::bench::Median;
using cx::bench::Now;
using cx::bench::Time;

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The values the inventory reads for a program.
const char* const kValues[] = {
    "DisplayName",    "UninstallString", "SystemComponent", "ParentKeyName",  "ReleaseType",
    "DisplayVersion", "InstallDate",     "HelpLink",        "URLInfoAbout",   "URLUpdateInfo",
    "EstimatedSize",  "DisplayIcon",     "Publisher",       "InstallLocation"};

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
    cx::svc::AppendPrograms(HKEY_LOCAL_MACHINE, out);
    cx::svc::AppendPrograms(HKEY_CURRENT_USER, out);
    return out;
}

// Rows into a list view as the main window adds them.
void AddRows(HWND list, const std::vector<cx::inv::ListRow>& rows) {
    for (const auto& r : rows) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = ListView_GetItemCount(list);
        item.pszText = const_cast<char*>(r.caption.c_str());
        item.lParam = r.data;
        item.iImage = static_cast<int>(r.image);
        int at = ListView_InsertItem(list, &item);
        ListView_SetItemText(list, at, 1, const_cast<char*>(r.publisher.c_str()));
        ListView_SetItemText(list, at, 2, const_cast<char*>(r.directory.c_str()));
    }
}

void FillFrozen(HWND list, const std::vector<cx::inv::ListRow>& rows) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    AddRows(list, rows);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(list);
}

LRESULT CALLBACK PassThrough(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    return DefSubclassProc(h, msg, wp, lp);
}

enum class Hook { None, Comctl, Ours };

double FillList(const std::vector<cx::inv::ListRow>& rows, HIMAGELIST images, Hook hook) {
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
    cx::ui::Subclass ours;
    if (hook == Hook::Comctl) SetWindowSubclass(list, &PassThrough, 1, 0);
    if (hook == Hook::Ours)
        ours.Attach(list, [](const cx::ui::Subclass::Call& call) { return call.Previous(); });
    double t = Time([&] { FillFrozen(list, rows); });
    if (hook == Hook::Comctl) RemoveWindowSubclass(list, &PassThrough, 1);
    ours.Detach();
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
    std::vector<long> icons;
    double lookUp = Time([&] {
        cx::svc::IconCache cache;
        icons.clear();
        for (const auto& r : records) icons.push_back(cx::svc::ProgramIcon(r, cache));
    });

    SHFILEINFOA info{};
    auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    std::vector<cx::inv::ListRow> bareRows;
    for (size_t i = 0; i < records.size(); ++i)
        bareRows.push_back({records[i].displayName, records[i].publisher,
                            records[i].installLocation, static_cast<LPARAM>(i), icons[i]});
    double fill = FillList(bareRows, images, Hook::None);
    double fillComctl = FillList(bareRows, images, Hook::Comctl);
    double fillOurs = FillList(bareRows, images, Hook::Ours);

    // The main window's whole load through the COM service, in-process, and
    // its steps one after another in the same runs: the whole first, then the
    // steps, so each run sees the same machine.
    std::string appDir = cx::ExeDirectory() + "bench-app\\";
    cx::ForceDirectories(appDir);
    CopyFileA((cx::ExeDirectory() + "..\\out\\Dravik.dll").c_str(), (appDir + "Dravik.dll").c_str(),
              FALSE);
    struct Steps {
        std::vector<double> bare, whole, refresh, readCom, plan, rows, chooser, savers, sort,
            search;
    } st;
    if (cx::app::InitAppPaths(appDir)) {
        cx::ui::SetMessageResponder([](const cx::ui::MessageRecord&) { return IDOK; });
        cx::app::RegisterInventoryService((appDir + "Dravik.dll").c_str());
        cx::app::LoadSkinAndLanguage();
        cx::app::TMainForm form;
        form.CreateForm();
        cx::TProgramList& service = form.Programs().ProgramList();
        cx::inv::TDetailsForm& details = form.Programs().DetailsForm();
        for (int run = 0; run < 5; ++run) {
            double t = Now();
            BareLoop();
            st.bare.push_back(Now() - t);
            t = Now();
            form.Programs().LoadProgramList();
            st.whole.push_back(Now() - t);

            t = Now();
            service.RefreshPrograms();
            st.refresh.push_back(Now() - t);
            t = Now();
            cx::inv::ProgramRecords read = cx::inv::ReadProgramRecords(service);
            st.readCom.push_back(Now() - t);
            t = Now();
            cx::inv::ProgramRows planned = cx::inv::PlanProgramRows(read.records, false);
            st.plan.push_back(Now() - t);
            // The main window's list is owner-data: the rows go into the
            // model, the control is told how many there are and paints them.
            t = Now();
            cx::inv::ProgramListModel model;
            model.Assign(planned.rows);
            ListView_SetItemCountEx(form.Programs().ListView(), static_cast<int>(model.Size()), 0);
            UpdateWindow(form.Programs().ListView());
            st.rows.push_back(Now() - t);
            // A click on a column header and a step of Find Next, on the model.
            t = Now();
            model.Sort(1, run % 2 == 0);
            st.sort.push_back(Now() - t);
            int pos = 0;
            t = Now();
            model.Find(static_cast<int>(model.Size()) / 2, "zz-no-such-program", pos);
            st.search.push_back(Now() - t);
            t = Now();
            details.ClearPrograms();
            for (const auto& row : planned.rows) {
                int at = details.AddProgram(row.caption);
                details.SetProgramData(at, cx::inv::RowIndex(row.data));
                details.SetProgramImage(at, static_cast<int>(row.image));
            }
            st.chooser.push_back(Now() - t);
            t = Now();
            service.RefreshScreenSavers();
            auto savers = cx::inv::ReadScreenSaverRecords(service);
            AddRows(form.Programs().ListView(), cx::inv::PlanScreenSaverRows(savers, false));
            st.savers.push_back(Now() - t);
        }
    }
    const double load = st.whole.empty() ? -1 : Median(st.whole);
    // The load's ratio is against the bare loop timed in the same runs.
    const double bareBeside = st.bare.empty() ? bare : Median(st.bare);
    auto step = [&](const char* what, const std::vector<double>& t) {
        std::printf("  %-32s%8.1f ms\n", what, t.empty() ? -1.0 : Median(t));
    };

    std::printf("uninstall keys: %zu, programs listed: %zu\n", keys, records.size());
    std::printf("bare registry loop (baseline)    %8.1f ms\n", bare);
    std::printf(
        "registry reading (service)       %8.1f ms   ratio %.2fx (landed 0.78x, goal <= 1.30x)\n",
        reading, reading / bare);
    std::printf(
        "icon look-up, every program      %8.1f ms   (%.2fx the bare loop; the list asks only for "
        "rows shown)\n",
        lookUp, lookUp / bare);
    std::printf("list fill, bare list view        %8.1f ms   (%.2fx the bare loop)\n", fill,
                fill / bare);
    std::printf("  with SetWindowSubclass         %8.1f ms   (%.1fx the bare list view)\n",
                fillComctl, fillComctl / fill);
    std::printf("  with our Subclass              %8.1f ms   (%.1fx the bare list view)\n",
                fillOurs, fillOurs / fill);
    std::printf("bare loop, timed beside the loads%8.1f ms\n", bareBeside);
    std::printf(
        "LoadProgramList, whole (COM)     %8.1f ms   ratio %.2fx (landed 1.50x, goal <= 1.20x)\n",
        load, load / bareBeside);
    std::printf("its steps, one after another in the same runs:\n");
    step("service refresh", st.refresh);
    step("records through COM", st.readCom);
    step("rows planned", st.plan);
    step("rows into the main window's list", st.rows);
    step("details chooser fill", st.chooser);
    step("screen savers (refresh, read, rows)", st.savers);
    std::printf("sort of the rows by a column     %8.1f ms   (goal <= 50 ms)\n",
                st.sort.empty() ? -1.0 : Median(st.sort));
    std::printf("search step through half of them %8.1f ms   (goal <= 5 ms)\n",
                st.search.empty() ? -1.0 : Median(st.search));
    return 0;
}
