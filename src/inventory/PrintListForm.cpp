#include "inventory/PrintListForm.h"

#include <commdlg.h>

#include "i18n/LangText.h"
#include "inventory/Report.h"
#include "platform/Handles.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::inv {

namespace {

SaveFileChooser& SaveSeam() {
    static SaveFileChooser chooser;
    return chooser;
}
PrinterChooser& PrintSeam() {
    static PrinterChooser chooser;
    return chooser;
}
ReportFileWriter& WriteSeam() {
    static ReportFileWriter writer;
    return writer;
}

// "Name|pattern|..." as the file dialogs want it: NUL-separated, two NULs at the end.
std::string DialogFilter(const std::string& pairs) {
    std::string filter = pairs;
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.push_back('\0');
    filter.push_back('\0');
    return filter;
}

void WriteAll(HANDLE file, const std::string& content) {
    if (WriteSeam()) {
        WriteSeam()(file, content);
        return;
    }
    DWORD written = 0;
    if (!WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr))
        ThrowLastError();
    if (written != content.size()) ThrowWin32(ERROR_DISK_FULL);
}

// A temporary file that is removed unless it was moved into place.
struct TemporaryFile {
    std::wstring name;
    bool moved = false;
    ~TemporaryFile() {
        if (!moved) DeleteFileW(name.c_str());
    }
};

// The whole content goes to a new file beside the target, which then takes the
// target's place in one step: until that step the old file stays as it was,
// so a failed write (a full disk, a lost share) costs nothing but the new text.
void ReplaceFileContents(const std::wstring& target, const std::string& content) {
    DWORD attributes = GetFileAttributesW(target.c_str());
    // Windows refuses to replace a read-only file; Wine run by root replaces
    // it, so the refusal is made here for both.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        ThrowWin32(ERROR_ACCESS_DENIED);

    // Beside the target, so the final move never crosses volumes.
    size_t slash = target.find_last_of(L"\\/");
    std::wstring folder =
        slash == std::wstring::npos ? std::wstring(L".") : target.substr(0, slash + 1);
    wchar_t tempName[MAX_PATH] = {};
    if (!GetTempFileNameW(folder.c_str(), L"cxr", 0, tempName)) ThrowLastError();
    TemporaryFile temp{tempName};
    {
        unique_hfile file(CreateFileW(temp.name.c_str(), GENERIC_WRITE, 0, nullptr,
                                      TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) ThrowLastError();
        WriteAll(file.get(), content);
        if (!FlushFileBuffers(file.get())) ThrowLastError();
    }
    if (!MoveFileExW(temp.name.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowLastError();
    temp.moved = true;
}

struct PrintDlgMemory {
    PRINTDLGA& pd;
    ~PrintDlgMemory() {
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
    }
};

bool HaveDefaultPrinter() {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDEFAULT;
    PrintDlgMemory memory{pd};
    return PrintDlgA(&pd) && pd.hDevNames;
}

HDC RunPrintDlg(HWND owner, DWORD flags) {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.Flags = flags;
    pd.nCopies = 1;
    PrintDlgMemory memory{pd};
    if (!PrintDlgA(&pd)) {
        DWORD error = CommDlgExtendedError();
        // Wine's dialog reports "no printer" as a plain cancel after its warning;
        // without a printer it is a failure, as it is on Windows.
        if (error == 0 && ((flags & PD_RETURNDEFAULT) || HaveDefaultPrinter())) return nullptr;
        throw PrinterError(Format("The print dialog failed (code %lu).", error));
    }
    if (!pd.hDC) throw PrinterError("The printer gave no device context.");
    return pd.hDC;
}

void CheckPrint(int result, const char* call) {
    if (result > 0) return;
    DWORD error = GetLastError();
    throw PrinterError(Format("%s: %s", call, SysErrorMessage(error).c_str()));
}

}  // namespace

void SetSaveFileChooser(SaveFileChooser chooser) { SaveSeam() = std::move(chooser); }
void SetPrinterChooser(PrinterChooser chooser) { PrintSeam() = std::move(chooser); }
void SetReportFileWriter(ReportFileWriter writer) { WriteSeam() = std::move(writer); }

std::optional<std::string> ChooseSaveFile(HWND owner) {
    const std::string filter = DialogFilter("Text File (*.txt)|*.txt");
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrDefExt = "txt";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                OFN_ENABLESIZING;
    if (!GetSaveFileNameA(&ofn)) return std::nullopt;
    return std::string(file);
}

HDC ChoosePrinter(HWND owner) {
    // Without PD_NOWARNING the dialog itself tells the user when no printer is installed.
    return RunPrintDlg(
        owner, PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE);
}

HDC DefaultPrinterDC() {
    HDC dc = RunPrintDlg(nullptr, PD_RETURNDC | PD_RETURNDEFAULT);
    if (!dc) throw PrinterError("There is no default printer.");
    return dc;
}

void SaveLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string content;
    for (const auto& line : lines) content += line + "\r\n";
    try {
        ReplaceFileContents(AnsiToWide(path), content);
    } catch (const AppError& e) {
        throw AppError(Format(LangFormatText(IDS_MESSAGEBOX_WARNING_SaveFileFailed), path.c_str()) +
                       "\r\n" + e.what());
    }
}

std::vector<LinePlace> PlaceLines(size_t lineCount, int lineHeight, int pageHeight) {
    std::vector<LinePlace> places;
    places.reserve(lineCount);
    int page = 0, y = 0;
    for (size_t i = 0; i < lineCount; ++i) {
        if (y > 0 && y + lineHeight > pageHeight) {
            ++page;
            y = 0;
        }
        places.push_back({page, y});
        y += lineHeight;
    }
    return places;
}

void PrintLines(HDC printer, const std::vector<std::string>& lines, const std::string& jobName) {
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(10, GetDeviceCaps(printer, LOGPIXELSY), 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    lstrcpynA(lf.lfFaceName, "Arial", LF_FACESIZE);
    unique_hfont font(CreateFontIndirectA(&lf));
    select_object selected(
        printer, font ? static_cast<HGDIOBJ>(font.get()) : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm{};
    if (!GetTextMetricsA(printer, &tm)) CheckPrint(0, "GetTextMetrics");
    const int lineHeight = tm.tmHeight + tm.tmExternalLeading;
    const auto places = PlaceLines(lines.size(), lineHeight, GetDeviceCaps(printer, VERTRES));

    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = jobName.c_str();
    CheckPrint(StartDocA(printer, &doc), "StartDoc");
    struct AbortUnlessDone {
        HDC dc;
        bool done = false;
        ~AbortUnlessDone() {
            if (!done) AbortDoc(dc);
        }
    } job{printer};
    CheckPrint(StartPage(printer), "StartPage");
    int page = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (places[i].page != page) {
            CheckPrint(EndPage(printer), "EndPage");
            CheckPrint(StartPage(printer), "StartPage");
            page = places[i].page;
        }
        TextOutA(printer, 0, places[i].top, lines[i].c_str(), static_cast<int>(lines[i].size()));
    }
    CheckPrint(EndPage(printer), "EndPage");
    CheckPrint(EndDoc(printer), "EndDoc");
    job.done = true;
}

void TPrintListForm::SetLines(const std::vector<std::string>& lines) {
    text_ = JoinLines(lines);
    if (memoList_) ui::SetWindowString(memoList_, text_);
}

std::string TPrintListForm::MemoText() const {
    return memoList_ ? ui::WindowString(memoList_) : text_;
}

std::vector<std::string> TPrintListForm::MemoLines() const { return SplitLines(MemoText()); }

void TPrintListForm::CreateForm(HWND owner) {
    CreateFormWindow(owner, LangText(IDS_PRINTFORM_Title), kClientWidth, kClientHeight);
    btnSave_ = AddControl("BUTTON", LangText(IDS_PRINTFORM_BUTTON_Save), WS_TABSTOP | BS_PUSHBUTTON,
                          8, 8, 75, 25, IDC_BTN_SAVE);
    btnPrint_ = AddControl("BUTTON", LangText(IDS_PRINTFORM_BUTTON_Print),
                           WS_TABSTOP | BS_PUSHBUTTON, 91, 8, 75, 25, IDC_BTN_PRINT);
    memoList_ = AddControl(
        "EDIT", "",
        WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL, 8,
        41, 496, 337, IDC_MEMO_LIST, WS_EX_CLIENTEDGE);
    SendMessageA(memoList_, WM_SETFONT, reinterpret_cast<WPARAM>(MakeFont("Arial", 10, false)),
                 FALSE);
    // A long list outgrows the edit box's default limit for typed text.
    SendMessageA(memoList_, EM_SETLIMITTEXT, 0, 0);
    ui::SetWindowString(memoList_, text_);
}

void TPrintListForm::FormShow() { ApplyTexts(); }

void TPrintListForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_PRINTFORM_Title));
    ui::SetWindowString(btnSave_, LangText(IDS_PRINTFORM_BUTTON_Save));
    ui::SetWindowString(btnPrint_, LangText(IDS_PRINTFORM_BUTTON_Print));
}

void TPrintListForm::PlaceForm(HWND) {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    CentreOn(screen);
}

void TPrintListForm::btnSaveClick() {
    auto path = SaveSeam() ? SaveSeam()(hwnd()) : ChooseSaveFile(hwnd());
    if (!path) return;
    SaveLines(*path, MemoLines());
}

void TPrintListForm::btnPrintClick() {
    try {
        unique_memdc printer(PrintSeam() ? PrintSeam()(hwnd()) : ChoosePrinter(hwnd()));
        if (!printer) return;
        PrintLines(printer.get(), MemoLines(), ui::ApplicationTitle());
    } catch (const PrinterError&) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_MESSAGE_PrintError),
                           MB_OK | MB_ICONWARNING);
    }
}

bool TPrintListForm::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_BTN_SAVE: btnSaveClick(); return true;
    case IDC_BTN_PRINT: btnPrintClick(); return true;
    default: return Form::OnCommand(id, code, control);
    }
}

void RunReport(HWND owner, const std::vector<std::string>& lines) {
    TPrintListForm form;
    form.SetLines(lines);
    form.ShowModal(owner);
}

}  // namespace cx::inv
