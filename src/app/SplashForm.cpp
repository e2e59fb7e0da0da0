#include "app/SplashForm.h"

#include "app/AppPaths.h"
#include "i18n/LangText.h"
#include "widgets/Seam.h"

namespace cx::app {

namespace {
// The notice is drawn over the picture's light lower part, in the default
// skin's ink colour.
constexpr COLORREF kNoticeColour = RGB(0x1E, 0x29, 0x3B);
}  // namespace

void TSplashForm::CreateSplash() {
    if (hwnd()) return;
    CreateLayeredWindow(nullptr, kClassName, ui::ApplicationTitle(), kClientWidth, kClientHeight);
    lblCopyrightInfo.Create(*this, 80, 168, 401, 63);
    lblCopyrightInfo.SetFont(ui::LabelFont::Make("Tahoma", 12, kNoticeColour));
    lblCopyrightInfo.SetFontMouseHover(lblCopyrightInfo.Font());
    lblCopyrightInfo.SetFontMouseDown(lblCopyrightInfo.Font());
    lblCopyrightInfo.SetFontDisabled(lblCopyrightInfo.Font());
    lblCopyrightInfo.SetMultiLines(true);
    lblCopyrightInfo.SetTextAlign(ui::Alignment_Left);
    lblCopyrightInfo.SetDrawFocused(false);
    lblCopyrightInfo.SetMoveHandler(false);
    FormCreate();
}

void TSplashForm::CreateForm(HWND) { CreateSplash(); }

void TSplashForm::FormCreate() {
    // The interval counts from here: the splash is up about that long once shown.
    if (SetTimer(hwnd(), kShowTimerId, kShowInterval, nullptr)) timerOn_ = true;
    ApplyTexts();
    SetBackgroundImage(AppPaths().SkinDir + kPictureFile);
    Repaint();
}

void TSplashForm::ApplyTexts() {
    lblCopyrightInfo.SetCaption(LangText(IDS_SPLASHFORM_LABEL_Copyright));
}

void TSplashForm::tmrShowTimer() {
    if (timerOn_) KillTimer(hwnd(), kShowTimerId);
    timerOn_ = false;
    EndModal(IDCANCEL);
}

void TSplashForm::PlaceForm(HWND) {
    CentreOn(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

LRESULT TSplashForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kShowTimerId) {
        tmrShowTimer();
        return 0;
    }
    return TfrmLayered::HandleMessage(msg, wp, lp);
}

void ShowSplash() {
    TSplashForm splash;
    splash.CreateSplash();
    splash.ShowModal(nullptr);
}

}  // namespace cx::app
