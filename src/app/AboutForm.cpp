#include "app/AboutForm.h"

#include "CarvexoVersion.h"
#include "app/AppPaths.h"
#include "app/MainForm.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/SkinApply.h"
#include "skin/SkinSettings.h"
#include "widgets/Seam.h"

namespace cx::app {

namespace {
constexpr const char* kDesignedCaption = "About...";
}  // namespace

// The one version the build sets (CMake's project version), which the
// executable's version resource also carries.
std::string ProductVersionText() { return CARVEXO_VERSION_TEXT; }

void TAboutForm::CreateForm(HWND owner) {
    CreateFormWindow(owner, kDesignedCaption, kClientWidth, kClientHeight);
    ImgAbout.Create(hwnd(), 10, 11, 125, 278);
    // Static controls wrap at word boundaries within their box.
    lblProductTitle =
        AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX, 152, 11, 289, 30, IDC_LBL_PRODUCTTITLE);
    SendMessageA(lblProductTitle, WM_SETFONT,
                 reinterpret_cast<WPARAM>(MakeFont("Verdana", 11, true)), FALSE);
    // Room for two lines above the top separator: a notice longer than one wraps.
    lblCopyright =
        AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX, 152, 42, 289, 26, IDC_LBL_COPYRIGHT);
    lblWarning =
        AddControl("STATIC", "", SS_LEFT | SS_NOPREFIX, 152, 206, 288, 100, IDC_LBL_WARNING);
    // Separator lines: an etched line two pixels high where each bevel draws its edge.
    AddControl("STATIC", "", SS_ETCHEDHORZ, 152, 68, 280, 2, IDC_BEVEL_TOP);
    AddControl("STATIC", "", SS_ETCHEDHORZ, 153, 148, 280, 2, IDC_BEVEL_BOTTOM1);
    AddControl("STATIC", "", SS_ETCHEDHORZ, 11, 308, 430, 2, IDC_BEVEL_BOTTOM2);
    btnOK = AddControl("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 344, 316, 98, 25, IDC_BTN_OK);
    SetDefaultButton(IDC_BTN_OK);
}

void TAboutForm::FormShow() {
    ApplyTexts();
    LoadAboutImage();
}

void TAboutForm::ApplyTexts() {
    if (!hwnd()) return;
    ui::SetWindowString(hwnd(), LangText(IDS_ABOUTFORM_Title));
    ui::SetWindowString(lblProductTitle, Format("%s %s", ui::ApplicationTitle().c_str(),
                                                ProductVersionText().c_str()));
    ui::SetWindowString(lblCopyright, LangText(IDS_ABOUTFORM_LABEL_CopyRight));
    ui::SetWindowString(lblWarning, LangText(IDS_ABOUTFORM_LABEL_Warning));
    ui::SetWindowString(btnOK, LangText(IDS_ABOUTFORM_BUTTON_Ok));
}

void TAboutForm::LoadAboutImage() {
    if (!hwnd()) return;
    // A missing picture leaves the area empty; the window works as usual.
    if (auto picture = LoadSkinPicture(AppPaths().SkinDir, SkinValue(SK_ABOUTFORM_IMGABOUT_Pic)))
        ImgAbout.SetPicture(std::move(picture));
    SetBoundsFromSkin(ImgAbout.hwnd(), SkinValue(SK_ABOUTFORM_IMGABOUT_POS));
}

void TAboutForm::PlaceForm(HWND) {
    CentreOn(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

bool TAboutForm::OnCommand(int id, int code, HWND control) {
    if (id == IDC_BTN_OK) {
        btnOKClick();
        return true;
    }
    return Form::OnCommand(id, code, control);
}

// The Help menu's "About...": a window of its own for every use.
void TMainForm::ActionAboutExecute() {
    TAboutForm form;
    form.ShowModal(hwnd());
}

}  // namespace cx::app
