#pragma once
// TPrintListForm: the program list report in an editable text box, saved as a
// text file or printed. What is saved or printed is the box's text at that moment.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "widgets/Form.h"

namespace cx::inv {

// A failure of the printer, the spooler or the print dialog (not a cancel).
class PrinterError : public AppError {
public:
    using AppError::AppError;
};

// Asks where to save: the chosen path, or nothing when the user cancels.
using SaveFileChooser = std::function<std::optional<std::string>(HWND owner)>;
// Asks for a printer: its device context (the caller deletes it), or nullptr
// when the user cancels; throws PrinterError when the system fails.
using PrinterChooser = std::function<HDC(HWND owner)>;
// Tests answer the two common dialogs through these; an empty one restores the real dialog.
void SetSaveFileChooser(SaveFileChooser chooser);
void SetPrinterChooser(PrinterChooser chooser);

// The real dialogs behind the two seams.
std::optional<std::string> ChooseSaveFile(HWND owner);
HDC ChoosePrinter(HWND owner);
// The default printer's context without asking; throws PrinterError when there is none.
HDC DefaultPrinterDC();

// Writes the lines as ANSI text, each ended by CR LF, to a temporary file beside
// `path` that then replaces it. Throws AppError ("Save file %s failed!" and the
// reason) when the file cannot be written; the old file is then as it was and
// the temporary file is gone. A read-only file is not replaced.
void SaveLines(const std::string& path, const std::vector<std::string>& lines);

// Puts the report's bytes into an open file; throws AppError when they do not
// all get there. Tests replace it to fail part-way, as a full disk or a lost
// network share would; an empty one restores the real write.
using ReportFileWriter = std::function<void(HANDLE file, const std::string& content)>;
void SetReportFileWriter(ReportFileWriter writer);

// Where each printed line goes: lines run top to bottom and a new page starts
// when the next line would not fit below the last one. A line taller than a
// page still gets a page of its own.
struct LinePlace {
    int page;
    int top;
};
std::vector<LinePlace> PlaceLines(size_t lineCount, int lineHeight, int pageHeight);

// Prints the lines on a printer context as one job; throws PrinterError when
// the spooler or the device fails (the job is aborted then).
void PrintLines(HDC printer, const std::vector<std::string>& lines, const std::string& jobName);

class TPrintListForm : public ui::Form {
public:
    static constexpr int kClientWidth = 512;
    static constexpr int kClientHeight = 386;
    enum : int { IDC_BTN_SAVE = 401, IDC_BTN_PRINT, IDC_MEMO_LIST };

    TPrintListForm() = default;

    // The report to show; replaces what the box holds.
    void SetLines(const std::vector<std::string>& lines);
    std::string MemoText() const;
    std::vector<std::string> MemoLines() const;

    // Save: asks for a file and writes the box's lines to it. A file that cannot
    // be written is an error for the general handler; the window stays.
    void btnSaveClick();
    // Print: asks for a printer and prints the box's lines. A failure of the
    // printer or the spooler shows the print-error message; the window stays.
    void btnPrintClick();
    void ApplyTexts();

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    void PlaceForm(HWND owner) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    std::string text_;
    HWND btnSave_ = nullptr;
    HWND btnPrint_ = nullptr;
    HWND memoList_ = nullptr;
};

// "Export Program List...": shows the report modally until the user closes it.
void RunReport(HWND owner, const std::vector<std::string>& lines);

}  // namespace cx::inv
