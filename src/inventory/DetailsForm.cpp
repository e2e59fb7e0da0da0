#include "inventory/DetailsForm.h"

#include <commctrl.h>
#include <shellapi.h>

#include "i18n/LangText.h"
#include "inventory/ListSystem.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"

namespace cx::inv {

namespace {

void AddColumn(HWND list, int index, const std::string& caption, int width) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = width;
    col.iSubItem = index;
    col.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&col));
}

void SetColumnCaption(HWND list, int index, const std::string& caption) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(list, LVM_SETCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
}

void AddRow(HWND list, const std::string& name, const std::string& value) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(name.c_str());
    int row =
        static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) throw AppError("Cannot add a row to the list.");
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>(value.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
}

std::string CellText(HWND list, int row, int column) {
    // LVM_GETITEMTEXT says how much it copied, not how long the text is: grow until it fits.
    for (size_t size = 256;; size *= 4) {
        std::string buf(size, '\0');
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buf.data();
        item.cchTextMax = static_cast<int>(size);
        int n = static_cast<int>(SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                                              reinterpret_cast<LPARAM>(&item)));
        if (n < 0) n = 0;
        if (static_cast<size_t>(n) + 1 < size || size >= (1u << 20)) {
            buf.resize(static_cast<size_t>(n));
            return buf;
        }
    }
}

std::vector<std::pair<std::string, std::string>> Rows(HWND list) {
    std::vector<std::pair<std::string, std::string>> rows;
    if (!list) return rows;
    int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < n; ++r) rows.emplace_back(CellText(list, r, 0), CellText(list, r, 1));
    return rows;
}

void SetTabCaption(HWND tabs, int index, const std::string& caption) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(tabs, TCM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void AddTab(HWND tabs, int index, const std::string& caption) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

// The small system image list, as the main window gets it: the icon indexes of
// the service point into it. Shared by the system; never destroyed.
HIMAGELIST SmallSystemImageList() {
    std::string root = ExtractFilePath(WindowsDirectory());
    SHFILEINFOA info{};
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

}  // namespace

TDetailsForm::TDetailsForm(TProgramList& list) : list_(list) {}

void TDetailsForm::Create(HWND owner) {
    if (!hwnd()) CreateForm(owner);
}

void TDetailsForm::EnsureCreated() {
    if (!hwnd()) CreateForm(owner_);
}

void TDetailsForm::CreateForm(HWND owner) {
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_USEREX_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    CreateFormWindow(owner, LangText(IDS_DETAILSFORM_Title), kClientWidth, kClientHeight);

    lblPrograms_ = AddControl("STATIC", LangText(IDS_DETAILSFORM_LABEL_Programs),
                              SS_LEFT | SS_NOPREFIX, 8, 12, 70, 16, IDC_LBL_PROGRAMS);
    cmbPrograms_ = AddControl(WC_COMBOBOXEXA, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 80, 8,
                              356, 320, IDC_CMB_PROGRAMS);
    SendMessageA(cmbPrograms_, CBEM_SETIMAGELIST, 0,
                 reinterpret_cast<LPARAM>(SmallSystemImageList()));

    pcProgramDetails_ = AddControl(WC_TABCONTROLA, "", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 8, 40,
                                   428, 298, IDC_PC_PROGRAMDETAILS, WS_EX_CONTROLPARENT);
    AddTab(pcProgramDetails_, 0, LangText(IDS_DETAILSFORM_TABSHEETPP_TITLE));
    AddTab(pcProgramDetails_, 1, LangText(IDS_DETAILSFORM_TABSHEETRV_TITLE));

    // The lists live inside the tab control's page area, one shown at a time.
    RECT page{0, 0, 428, 298};
    SendMessageA(pcProgramDetails_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    auto makeList = [&](int id) {
        HWND h = CreateWindowExA(
            WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
            WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                LVS_NOSORTHEADER,
            page.left, page.top, page.right - page.left, page.bottom - page.top, pcProgramDetails_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
        if (!h) ThrowLastError();
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
        SendMessageA(h, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_LABELTIP);
        return h;
    };
    lsvProgramInfo_ = makeList(IDC_LSV_PROGRAMINFO);
    lsvRegistryInfo_ = makeList(IDC_LSV_REGISTRYINFO);
    AddColumn(lsvProgramInfo_, 0, LangText(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name), 100);
    AddColumn(lsvProgramInfo_, 1, LangText(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Value), 240);
    AddColumn(lsvRegistryInfo_, 0, LangText(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key), 160);
    AddColumn(lsvRegistryInfo_, 1, LangText(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Value),
              240);
    ShowPage(0);
}

void TDetailsForm::FormShow() {
    SyncChooser();
    ApplyTexts();
}

void TDetailsForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_DETAILSFORM_Title));
    SetColumnCaption(lsvProgramInfo_, 0,
                     LangText(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name));
    SetColumnCaption(lsvProgramInfo_, 1,
                     LangText(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Value));
    SetColumnCaption(lsvRegistryInfo_, 0,
                     LangText(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key));
    SetColumnCaption(lsvRegistryInfo_, 1,
                     LangText(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Value));
    ui::SetWindowString(lblPrograms_, LangText(IDS_DETAILSFORM_LABEL_Programs));
    SetTabCaption(pcProgramDetails_, 0, LangText(IDS_DETAILSFORM_TABSHEETPP_TITLE));
    SetTabCaption(pcProgramDetails_, 1, LangText(IDS_DETAILSFORM_TABSHEETRV_TITLE));
}

// The chooser's entries are kept here and put into the combo box only when the
// window needs them: filling a combo box with thousands of entries at every load
// of the program list would double the load's time.
void TDetailsForm::ClearPrograms() {
    entries_.clear();
    chooserStale_ = true;
}

int TDetailsForm::AddProgram(const std::string& caption) {
    entries_.push_back(ChooserEntry{caption, -1, -1});
    chooserStale_ = true;
    return static_cast<int>(entries_.size()) - 1;
}

void TDetailsForm::SetProgramData(int position, long serviceIndex) {
    if (position < 0 || position >= ProgramCount()) return;
    entries_[position].data = serviceIndex;
    chooserStale_ = true;
}

void TDetailsForm::SetProgramImage(int position, int imageIndex) {
    if (position < 0 || position >= ProgramCount()) return;
    entries_[position].image = imageIndex;
    chooserStale_ = true;
}

int TDetailsForm::ProgramCount() const { return static_cast<int>(entries_.size()); }

long TDetailsForm::ProgramData(int position) const {
    if (position < 0 || position >= ProgramCount()) return -1;
    return entries_[position].data;
}

std::string TDetailsForm::ProgramCaption(int position) const {
    if (position < 0 || position >= ProgramCount()) return {};
    return entries_[position].caption;
}

int TDetailsForm::SelectedProgramPosition() const {
    if (!cmbPrograms_ || chooserStale_) return -1;
    return static_cast<int>(SendMessageA(cmbPrograms_, CB_GETCURSEL, 0, 0));
}

void TDetailsForm::SyncChooser() {
    EnsureCreated();
    if (!chooserStale_) return;
    SendMessageA(cmbPrograms_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(cmbPrograms_, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < entries_.size(); ++i) {
        const ChooserEntry& e = entries_[i];
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_TEXT | CBEIF_LPARAM | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = static_cast<INT_PTR>(i);
        item.pszText = const_cast<char*>(e.caption.c_str());
        item.lParam = e.data;
        item.iImage = e.image;
        item.iSelectedImage = e.image;
        SendMessageA(cmbPrograms_, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(cmbPrograms_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(cmbPrograms_, nullptr, TRUE);
    chooserStale_ = false;
}

void TDetailsForm::SelectProgramEntry(long index) {
    SyncChooser();
    // Hidden patches shift positions against service indexes: look the entry up by its data.
    int found = -1;
    for (int p = 0, n = ProgramCount(); p < n; ++p) {
        if (ProgramData(p) == index) {
            found = p;
            break;
        }
    }
    selecting_ = true;
    SendMessageA(cmbPrograms_, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    selecting_ = false;
}

void TDetailsForm::FillDetails(long index) {
    EnsureCreated();
    auto item = list_.GetProgram(index);
    if (!item) return;
    const DetailRows rows = ReadDetailRows(*item);
    SelectProgramEntry(index);

    SendMessageA(lsvProgramInfo_, LVM_DELETEALLITEMS, 0, 0);
    for (const auto& [name, value] : rows.properties) AddRow(lsvProgramInfo_, name, value);
    if (extraRows_) {
        try {
            for (const auto& [name, value] : extraRows_(item->Hive(), item->RegistryName()))
                AddRow(lsvProgramInfo_, name, value);
        } catch (const std::exception&) {
            // What another feature knows of the program is an extra; the details stand.
        }
    }

    SendMessageA(lsvRegistryInfo_, LVM_DELETEALLITEMS, 0, 0);
    for (const auto& [name, value] : rows.registry) AddRow(lsvRegistryInfo_, name, value);
}

void TDetailsForm::cmbProgramsChange() {
    int position = SelectedProgramPosition();
    if (position < 0) return;
    FillDetails(ProgramData(position));
}

std::vector<std::pair<std::string, std::string>> TDetailsForm::PropertyRowsShown() const {
    return Rows(lsvProgramInfo_);
}

std::vector<std::pair<std::string, std::string>> TDetailsForm::RegistryRowsShown() const {
    return Rows(lsvRegistryInfo_);
}

int TDetailsForm::ActivePage() const {
    return pcProgramDetails_
               ? static_cast<int>(SendMessageA(pcProgramDetails_, TCM_GETCURSEL, 0, 0))
               : 0;
}

void TDetailsForm::SetActivePage(int page) {
    EnsureCreated();
    SendMessageA(pcProgramDetails_, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
    ShowPage(page);
}

void TDetailsForm::ShowPage(int page) {
    ShowWindow(lsvProgramInfo_, page == 0 ? SW_SHOW : SW_HIDE);
    ShowWindow(lsvRegistryInfo_, page == 1 ? SW_SHOW : SW_HIDE);
}

bool TDetailsForm::OnCommand(int id, int code, HWND control) {
    if (id == IDC_CMB_PROGRAMS) {
        if (code == CBN_SELCHANGE && !selecting_) cmbProgramsChange();
        return true;
    }
    if (id == IDOK) {
        EndModal(IDOK);
        return true;
    }
    return Form::OnCommand(id, code, control);
}

int TDetailsForm::EntryImage(int position) {
    if (position < 0 || position >= ProgramCount()) return I_IMAGENONE;
    int& image = entries_[position].image;
    if (image != kIconWhenShown) return image;
    try {
        auto item = list_.GetProgram(entries_[position].data);
        image = item ? static_cast<int>(item->IconIndex()) : I_IMAGENONE;
    } catch (...) {
        // A picture the service cannot give leaves the entry without one.
        image = I_IMAGENONE;
    }
    return image;
}

LRESULT TDetailsForm::OnNotify(int id, NMHDR* header) {
    if (id == IDC_PC_PROGRAMDETAILS && header->code == TCN_SELCHANGE) ShowPage(ActivePage());
    if (id == IDC_CMB_PROGRAMS &&
        (header->code == CBEN_GETDISPINFOA || header->code == CBEN_GETDISPINFOW)) {
        // Both item structures start alike; only the text differs in width.
        COMBOBOXEXITEMA& item = reinterpret_cast<NMCOMBOBOXEXA*>(header)->ceItem;
        if (item.mask & (CBEIF_IMAGE | CBEIF_SELECTEDIMAGE)) {
            item.iImage = item.iSelectedImage = EntryImage(static_cast<int>(item.iItem));
            item.mask |= CBEIF_DI_SETITEM;
        }
    }
    return 0;
}

}  // namespace cx::inv
