#pragma once
// TAboutForm: the Help menu's About window: the skin's picture, the product
// name with its version, the copyright notices and OK. Made for one showing.
#include <windows.h>

#include <string>

#include "widgets/Controls.h"
#include "widgets/Form.h"

namespace cx::app {

class TAboutForm : public ui::Form {
public:
    static constexpr int kClientWidth = 474;
    static constexpr int kClientHeight = 347;
    enum : int {
        IDC_LBL_PRODUCTTITLE = 401,
        IDC_LBL_COPYRIGHT,
        IDC_LBL_WARNING,
        IDC_BEVEL_TOP,
        IDC_BEVEL_BOTTOM1,
        IDC_BEVEL_BOTTOM2,
        IDC_BTN_OK = IDOK,
    };

    // The texts of the current language and the product title with the version.
    void ApplyTexts();
    // The skin's picture (when its file exists) at the skin's bounds.
    void LoadAboutImage();
    void btnOKClick() { EndModal(IDOK); }

    ui::ImagePanel ImgAbout;
    HWND lblProductTitle = nullptr;
    HWND lblCopyright = nullptr;
    HWND lblWarning = nullptr;
    HWND btnOK = nullptr;

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    // The centre of the screen, not of the owner.
    void PlaceForm(HWND owner) override;
    bool OnCommand(int id, int code, HWND control) override;
};

// The version shown after the product name: the one the build sets.
std::string ProductVersionText();

}  // namespace cx::app
