// The report dialog: saving the edited text, printing when there is no printer,
// and printing a long report on a real (PDF) printer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "InventoryKit.h"
#include "harness/TestKit.h"
#include "platform/Strings.h"
#include "i18n/LangText.h"
#include "inventory/PrintListForm.h"
#include "inventory/Report.h"

using namespace cx;
using namespace cx::inv;

namespace {

class PrintListFormTest : public ::testing::Test {
protected:
    void SetUp() override { dir = test::FreshScratchDir("inv-report"); }
    void TearDown() override {
        SetSaveFileChooser({});
        SetPrinterChooser({});
        SetReportFileWriter({});
    }
    // The names in the scratch folder, so a test can see that no temporary is left behind.
    std::vector<std::string> FolderNames() {
        std::vector<std::string> names;
        test::ForEachEntry(AnsiToWide(dir), [&](const std::wstring&, const WIN32_FIND_DATAW& fd) {
            names.push_back(WideToAnsi(fd.cFileName));
        });
        std::sort(names.begin(), names.end());
        return names;
    }
    // The message a failed save shows, through the general handler.
    void ExpectSaveFailedFor(const std::string& path) {
        ASSERT_EQ(seam.shown.size(), 1u);
        EXPECT_EQ(seam.shown[0].caption, "Carvexo");
        EXPECT_EQ(seam.shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(seam.shown[0].text.rfind("Save file " + path + " failed!", 0), 0u)
            << seam.shown[0].text;
    }
    // Shows the report with `lines`; `act` drives the dialog, then it is closed.
    int Show(const std::vector<std::string>& lines, std::function<void(HWND)> act) {
        ui::SetModalHook([act](HWND h) {
            act(h);
            PostMessageA(h, WM_CLOSE, 0, 0);
        });
        TPrintListForm form;
        form.SetLines(lines);
        return form.ShowModal(nullptr);
    }
    static void Click(HWND h, int id) { SendMessageA(invtest::Control(h, id), BM_CLICK, 0, 0); }

    invtest::SeamRecorder seam;
    std::string dir;
};

// Closes a visible system dialog box (class #32770) of the thread, counting it.
BOOL CALLBACK CloseDialogBox(HWND w, LPARAM counter) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (IsWindowVisible(w) && lstrcmpA(cls, "#32770") == 0) {
        PostMessageA(w, WM_CLOSE, 0, 0);
        ++*reinterpret_cast<std::atomic<int>*>(counter);
    }
    return TRUE;
}

// Presses OK in the system's print dialog once it shows our printer's name, and
// remembers that name.
struct PrintDialogAnswer {
    std::string printer;
    std::atomic<int> warnings{0};
};
BOOL CALLBACK FindPrinterName(HWND child, LPARAM answer) {
    auto* a = reinterpret_cast<PrintDialogAnswer*>(answer);
    const std::string text = ui::WindowString(child);
    if (text == "CarvexoPDF") a->printer = text;
    return a->printer.empty();
}
BOOL CALLBACK AnswerPrintDialog(HWND w, LPARAM answer) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (!IsWindowVisible(w) || lstrcmpA(cls, "#32770") != 0) return TRUE;
    auto* a = reinterpret_cast<PrintDialogAnswer*>(answer);
    EnumChildWindows(w, FindPrinterName, answer);
    if (!a->printer.empty()) {
        PostMessageA(w, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    // Not the print dialog: the system's "no printer" warning would be one.
    ++a->warnings;
    PostMessageA(w, WM_CLOSE, 0, 0);
    return TRUE;
}

std::vector<std::string> SampleReport() {
    ReportInput in{"Carvexo",
                   "PC",
                   "alice",
                   "2 (Windows Updates: 0, Screen Saver: 0)",
                   "1/2/2024 3:04:05",
                   "C:\\Carvexo.exe",
                   {"Brindle Notes 3.4", "Caf\xE9 Timer"}};
    return BuildReport(in);
}

}  // namespace

TEST_F(PrintListFormTest, SavesTheEditedMemoAsAnsiWithCrLfLines) {
    const std::string path = dir + "report.txt";
    test::WriteWholeFile(path, std::string(5000, '#'));  // a longer old file is replaced whole
    SetSaveFileChooser([&](HWND) { return std::optional<std::string>(path); });
    Show(SampleReport(), [&](HWND h) {
        HWND memo = invtest::Control(h, TPrintListForm::IDC_MEMO_LIST);
        EXPECT_EQ(ui::WindowString(memo), JoinLines(SampleReport()));
        // The user adds a line at the end before saving.
        int end = GetWindowTextLengthA(memo);
        SendMessageA(memo, EM_SETSEL, end, end);
        SendMessageA(memo, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\r\nChecked by Bob"));
        Click(h, TPrintListForm::IDC_BTN_SAVE);
    });
    std::string expected;
    for (const auto& line : SampleReport()) expected += line + "\r\n";
    expected += "Checked by Bob\r\n";
    EXPECT_EQ(test::ReadWholeFile(path), expected);
    EXPECT_NE(expected.find("2 - Caf\xE9 Timer\r\n"), std::string::npos);  // one byte, not UTF-8
    EXPECT_TRUE(seam.shown.empty());
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"report.txt"});

    // A file that is not there yet is made.
    const std::string fresh = dir + "fresh report.txt";
    SetSaveFileChooser([&](HWND) { return std::optional<std::string>(fresh); });
    Show({"only line"}, [&](HWND h) { Click(h, TPrintListForm::IDC_BTN_SAVE); });
    EXPECT_EQ(test::ReadWholeFile(fresh), "only line\r\n");
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"fresh report.txt", "report.txt"}));
    EXPECT_TRUE(seam.shown.empty());
}

TEST_F(PrintListFormTest, AWriteThatFailsPartWayLeavesTheOldFileByteForByte) {
    const std::string path = dir + "report.txt";
    std::string old = "Last week's report\r\n1 - Caf\xE9 Timer\r\n";
    old += std::string("\0\x01\xFF tail", 8) + std::string(3000, 'o');
    test::WriteWholeFile(path, old);
    SetSaveFileChooser([&](HWND) { return std::optional<std::string>(path); });
    // Half the bytes reach the disk, then it is full.
    SetReportFileWriter([](HANDLE file, const std::string& content) {
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size() / 2), &written, nullptr);
        throw AppError("There is not enough space on the disk.");
    });
    bool stillOpen = false;
    Show(SampleReport(), [&](HWND h) {
        Click(h, TPrintListForm::IDC_BTN_SAVE);
        stillOpen = IsWindowVisible(h);
    });
    EXPECT_TRUE(stillOpen);
    ExpectSaveFailedFor(path);
    EXPECT_EQ(test::ReadWholeFile(path), old);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"report.txt"});  // no temporary left
}

TEST_F(PrintListFormTest, AReadOnlyTargetIsReportedAndKeptAsItWas) {
    const std::string path = dir + "kept.txt";
    test::WriteWholeFile(path, "do not touch\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    SetSaveFileChooser([&](HWND) { return std::optional<std::string>(path); });
    Show(SampleReport(), [&](HWND h) { Click(h, TPrintListForm::IDC_BTN_SAVE); });
    ExpectSaveFailedFor(path);
    EXPECT_EQ(test::ReadWholeFile(path), "do not touch\r\n");
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"kept.txt"});
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PrintListFormTest, CancelledSaveWritesNothingAndAFailedWriteIsReported) {
    SetSaveFileChooser([](HWND) { return std::optional<std::string>(); });
    Show(SampleReport(), [&](HWND h) { Click(h, TPrintListForm::IDC_BTN_SAVE); });
    EXPECT_EQ(GetFileAttributesA((dir + "report.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(seam.shown.empty());

    // A folder where the file should go: the general handler shows the error and the window stays.
    CreateDirectoryA((dir + "taken.txt").c_str(), nullptr);
    SetSaveFileChooser([&](HWND) { return std::optional<std::string>(dir + "taken.txt"); });
    bool stillOpen = false;
    Show(SampleReport(), [&](HWND h) {
        Click(h, TPrintListForm::IDC_BTN_SAVE);
        stillOpen = IsWindowVisible(h);
    });
    EXPECT_TRUE(stillOpen);
    ExpectSaveFailedFor(dir + "taken.txt");
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"taken.txt"});
}

TEST_F(PrintListFormTest, NoPrinterShowsThePrintErrorAndKeepsTheWindow) {
    // The prefix has no printer: asking the system for the default one fails.
    SetPrinterChooser([](HWND) { return DefaultPrinterDC(); });
    bool stillOpen = false;
    Show(SampleReport(), [&](HWND h) {
        Click(h, TPrintListForm::IDC_BTN_PRINT);
        stillOpen = IsWindowVisible(h);
    });
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(seam.shown.size(), 1u);
    EXPECT_EQ(seam.shown[0].text,
              "Something is wrong with the printer or Print Spooler service is unaviable.");
    EXPECT_EQ(seam.shown[0].caption, "Carvexo");
    EXPECT_EQ(seam.shown[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

TEST_F(PrintListFormTest, RealPrintDialogWithoutPrinterEndsInThePrintError) {
    try {
        DeleteDC(DefaultPrinterDC());
        GTEST_SKIP() << "this machine has a printer";
    } catch (const PrinterError&) {
    }
    // The system's own "install a printer" warning comes first; answer it like a user.
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    DWORD uiThread = GetCurrentThreadId();
    std::thread closer([&] {
        // Looks for the system's box until the test is over; the guard only ends a hang.
        for (DWORD start = GetTickCount(); !stop && GetTickCount() - start < test::kHangGuardMs;) {
            Sleep(100);
            EnumThreadWindows(uiThread, CloseDialogBox, reinterpret_cast<LPARAM>(&answered));
        }
    });
    Show({"one line"}, [&](HWND h) { Click(h, TPrintListForm::IDC_BTN_PRINT); });
    stop = true;
    closer.join();
    EXPECT_GE(answered.load(), 1);
    ASSERT_EQ(seam.shown.size(), 1u);
    EXPECT_EQ(seam.shown[0].text, LangText(IDS_MESSAGEBOX_MESSAGE_PrintError));
    EXPECT_EQ(seam.shown[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

TEST_F(PrintListFormTest, ADeviceThatRefusesTheJobShowsThePrintError) {
    // A memory context is no printer: StartDoc fails as a spooler would.
    SetPrinterChooser([](HWND) { return CreateCompatibleDC(nullptr); });
    Show({"one line"}, [&](HWND h) { Click(h, TPrintListForm::IDC_BTN_PRINT); });
    ASSERT_EQ(seam.shown.size(), 1u);
    EXPECT_EQ(seam.shown[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));

    // Cancelling the print dialog shows nothing.
    seam.shown.clear();
    SetPrinterChooser([](HWND) -> HDC { return nullptr; });
    Show({"one line"}, [&](HWND h) { Click(h, TPrintListForm::IDC_BTN_PRINT); });
    EXPECT_TRUE(seam.shown.empty());
}

TEST_F(PrintListFormTest, LooksAsDesignedAndFollowsTheLanguage) {
    SetLangText(IDS_PRINTFORM_Title, "Speichern/Drucken");
    SetLangText(IDS_PRINTFORM_BUTTON_Print, "Drucken");
    int result = Show(SampleReport(), [&](HWND h) {
        EXPECT_EQ(ui::WindowString(h), "Speichern/Drucken");
        EXPECT_EQ(ui::WindowString(invtest::Control(h, TPrintListForm::IDC_BTN_SAVE)), "Save");
        EXPECT_EQ(ui::WindowString(invtest::Control(h, TPrintListForm::IDC_BTN_PRINT)), "Drucken");
        SIZE client = invtest::ClientSize(h);
        EXPECT_EQ(client.cx, 512);
        EXPECT_EQ(client.cy, 386);
        RECT d;
        GetWindowRect(h, &d);
        EXPECT_NEAR((d.left + d.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
        EXPECT_NEAR((d.top + d.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
        HWND memo = invtest::Control(h, TPrintListForm::IDC_MEMO_LIST);
        LONG style = GetWindowLongA(memo, GWL_STYLE);
        EXPECT_TRUE(style & ES_MULTILINE);
        EXPECT_TRUE(style & WS_VSCROLL);
        EXPECT_FALSE(style & ES_READONLY);
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(memo, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(lf.lfHeight, -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72));
        ReleaseDC(nullptr, screen);
        // A report longer than an edit box takes by default can still be typed into.
        EXPECT_GE(static_cast<unsigned>(SendMessageA(memo, EM_GETLIMITTEXT, 0, 0)), 1000000u);
    });
    RestoreEnglishDefaults();
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(PrintListFormTest, QuitRequestEndsTheDialogAndIsLeftForTheMainLoop) {
    ui::SetModalHook([](HWND) { PostQuitMessage(7); });
    TPrintListForm form;
    form.SetLines({"x"});
    EXPECT_EQ(form.ShowModal(nullptr), IDCANCEL);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

// The print server that scripts/test starts has one PDF printer as its default;
// tests/inventory/print-check runs this test, then reads the PDF back and checks
// that every line written here is on the pages, in order, none cut at a page end.
TEST_F(PrintListFormTest, ALongReportGoesToTheDefaultPrinterThroughTheRealDialog) {
    try {
        DeleteDC(DefaultPrinterDC());
    } catch (const PrinterError&) {
        GTEST_SKIP() << "no printer: run through tests/inventory/print-check";
    }
    ReportInput in{"Carvexo", "PRINTHOST", "alice", "130 (Windows Updates: 4, Screen Saver: 2)",
                   "1/2/2024 3:04:05", "C:\\Program Files\\Carvexo\\Carvexo.exe", {}};
    for (int i = 1; i <= 130; ++i)
        in.captions.push_back(Format("Program %03d of the long list%s", i,
                                     i % 10 == 0 ? " - Caf\xE9 Edition" : ""));
    const auto lines = BuildReport(in);
    // The lines in the ANSI code page, as the memo holds them; the checker converts them.
    const std::string expected = test::FreshScratchDir("inv-print") + "expected.txt";
    test::WriteWholeFile(expected, JoinLines(lines) + "\r\n");

    PrintDialogAnswer answer;
    std::atomic<bool> stop{false};
    DWORD uiThread = GetCurrentThreadId();
    std::thread presser([&] {
        for (DWORD start = GetTickCount();
             !stop && answer.printer.empty() && GetTickCount() - start < test::kHangGuardMs;) {
            Sleep(50);
            EnumThreadWindows(uiThread, AnswerPrintDialog, reinterpret_cast<LPARAM>(&answer));
        }
    });
    Show(lines, [&](HWND h) { Click(h, TPrintListForm::IDC_BTN_PRINT); });
    stop = true;
    presser.join();
    EXPECT_EQ(answer.printer, "CarvexoPDF");
    EXPECT_EQ(answer.warnings.load(), 0);
    EXPECT_TRUE(seam.shown.empty()) << (seam.shown.empty() ? "" : seam.shown[0].text);
}
