// The window that asks which removed program to look for leftovers of, driven
// in-process: what each way hands on, what a blank box says,
// and the uninstalls on record.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>

#include "cleanup/LeftoversForm.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "i18n/LangText.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

using namespace cx;
using namespace cx::cleanup;
using From = LeftoversQuery::From;
using Form = TLeftoversForm;

namespace {

bool Checked(HWND form, int id) {
    return SendMessageA(test::Control(form, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void Type(HWND form, int id, const std::string& text) {
    ui::SetWindowString(test::Control(form, id), text);
}
void Press(HWND form, int id) { SendMessageA(test::Control(form, id), BM_CLICK, 0, 0); }
std::string ComboItem(HWND combo, int row) {
    char text[256] = "";
    SendMessageA(combo, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(text));
    return text;
}

// Shows the window and lets `act` drive it; closed with Cancel if `act` left it open.
int Drive(Form& form, const std::function<void(HWND)>& act) {
    ui::SetModalHook([&](HWND h) {
        if (h != form.hwnd()) return;
        act(h);
        if (form.InModal()) Press(h, Form::IDC_BTN_CANCEL);
    });
    const int result = form.ShowModal(nullptr);
    ui::SetModalHook({});
    return result;
}

HistoryRecord Record(const char* date, const wchar_t* name) {
    HistoryRecord r;
    r.date = date;
    r.displayName = name;
    r.registryName = std::wstring(name) + L"_is1";
    return r;
}

}  // namespace

TEST(LeftoversFormTest, NamesAndFolderAreTakenAsGivenAndBlankBoxesAreRefused) {
    test::MessageLog messages;
    const std::string scratch = test::FreshScratchDir("leftoversform");
    Form form({});
    EXPECT_EQ(Drive(form,
                    [&](HWND h) {
                        // Nothing on record: that way cannot be chosen, and says why.
                        EXPECT_FALSE(IsWindowEnabled(test::Control(h, Form::IDC_RAD_HISTORY)));
                        EXPECT_FALSE(IsWindowEnabled(test::Control(h, Form::IDC_CMB_HISTORY)));
                        EXPECT_TRUE(IsWindowVisible(test::Control(h, Form::IDC_LBL_NOHISTORY)));
                        EXPECT_EQ(test::ControlText(h, Form::IDC_LBL_NOHISTORY),
                                  LangText(IDS_LEFTOVERSFORM_INFO_NoHistory));
                        EXPECT_TRUE(Checked(h, Form::IDC_RAD_NAMES));

                        Type(h, Form::IDC_EDT_PRODUCT, "  \t ");
                        Press(h, Form::IDC_BTN_SCAN);
                        ASSERT_EQ(messages.shown.size(), 1u);
                        EXPECT_EQ(messages.shown[0].text,
                                  LangText(IDS_MESSAGEBOX_WARNING_LeftoversNoName));
                        EXPECT_EQ(messages.shown[0].flags, UINT(MB_OK | MB_ICONEXCLAMATION));
                        EXPECT_TRUE(form.InModal());

                        // Typing in the folder box chooses that way. (The system's
                        // folder picker is not driven here: under Wine it fills its
                        // tree after it is up, so an answer posted to it races that.)
                        Type(h, Form::IDC_EDT_FOLDER, scratch);
                        EXPECT_TRUE(Checked(h, Form::IDC_RAD_FOLDER));
                        EXPECT_FALSE(Checked(h, Form::IDC_RAD_NAMES));
                        Type(h, Form::IDC_EDT_FOLDER, " ");
                        Press(h, Form::IDC_BTN_SCAN);
                        ASSERT_EQ(messages.shown.size(), 2u);
                        EXPECT_EQ(messages.shown[1].text,
                                  LangText(IDS_MESSAGEBOX_WARNING_LeftoversNoFolder));
                        EXPECT_FALSE(form.Query());

                        Type(h, Form::IDC_EDT_PUBLISHER, " Cx Soft ");
                        EXPECT_TRUE(Checked(h, Form::IDC_RAD_NAMES));
                        Type(h, Form::IDC_EDT_PRODUCT, " Cx Paint 2 ");
                        Press(h, Form::IDC_BTN_SCAN);
                    }),
              IDOK);
    EXPECT_EQ(messages.shown.size(), 2u);
    ASSERT_TRUE(form.Query());
    EXPECT_EQ(form.Query()->from, From::Names);
    EXPECT_EQ(form.Query()->product, "Cx Paint 2");
    EXPECT_EQ(form.Query()->publisher, "Cx Soft");
    EXPECT_EQ(form.Query()->folder, "");
}

TEST(LeftoversFormTest, HistoryListsTheRecordsNewestFirstAndGivesTheOneChosen) {
    test::MessageLog messages;
    const std::vector<HistoryRecord> history = {Record("2026-12-09 21:40:12", L"Cx Paint"),
                                                Record("2026-11-02 08:01:55", L"Cx Notes")};
    Form form(history);
    EXPECT_EQ(Drive(form,
                    [&](HWND h) {
                        HWND combo = test::Control(h, Form::IDC_CMB_HISTORY);
                        ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
                        EXPECT_EQ(ComboItem(combo, 0), HistoryRecordText(history[0]));
                        EXPECT_EQ(ComboItem(combo, 1), HistoryRecordText(history[1]));
                        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
                        EXPECT_FALSE(IsWindowVisible(test::Control(h, Form::IDC_LBL_NOHISTORY)));
                        EXPECT_TRUE(Checked(h, Form::IDC_RAD_NAMES));
                        // A choice in the list, as the list reports it.
                        SendMessageA(combo, CB_SETCURSEL, 1, 0);
                        SendMessageA(h, WM_COMMAND,
                                     MAKEWPARAM(Form::IDC_CMB_HISTORY, CBN_SELCHANGE),
                                     reinterpret_cast<LPARAM>(combo));
                        EXPECT_TRUE(Checked(h, Form::IDC_RAD_HISTORY));
                        Press(h, Form::IDC_BTN_SCAN);
                    }),
              IDOK);
    ASSERT_TRUE(form.Query());
    EXPECT_EQ(form.Query()->from, From::History);
    EXPECT_EQ(form.Query()->record.displayName, L"Cx Notes");
    EXPECT_EQ(form.Query()->record.date, "2026-11-02 08:01:55");

    // Shown again and cancelled: nothing is asked for.
    EXPECT_EQ(Drive(form, [](HWND) {}), IDCANCEL);
    EXPECT_FALSE(form.Query());
    EXPECT_TRUE(messages.shown.empty());
}
