// The skin and the language texts applied to the main window.
#include "app/MainForm.h"
#include "app/PageParts.h"

#include "app/AppPaths.h"
#include "i18n/LangText.h"
#include "platform/Files.h"
#include "skin/Bounds.h"
#include "skin/SkinApply.h"
#include "skin/SkinSettings.h"

namespace cx::app {

void TMainForm::ApplySkin() {
    // One guard for the whole sequence: the first bad value or picture ends it
    // there, and what came before keeps its new bounds and pictures.
    try {
        if (auto b = ParseBounds(SkinValue(SK_MAINFORM_Pos))) {
            // The window is centred on the screen whatever place the skin gives it:
            // only its size is taken.
            int x = (GetSystemMetrics(SM_CXSCREEN) - b->width) / 2;
            int y = (GetSystemMetrics(SM_CYSCREEN) - b->height) / 2;
            SetWindowPos(hwnd(), nullptr, x, y, b->width, b->height, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (auto picture = SkinPicture(SkinValue(SK_MAINFORM_PicBackGround))) {
            background_ = std::move(picture);
            InvalidateRect(hwnd(), nullptr, TRUE);
        }
        SetBoundsFromSkin(ImgTitle.hwnd(), kTitleImageBounds);
        if (auto picture = SkinPicture(kTitleImageFile)) ImgTitle.SetPicture(std::move(picture));

        SkinButton(btnMin, SK_MAINFORM_BUTTON_Min_Pos);
        SkinButton(btnHelpContent, SK_MAINFORM_BUTTON_HelpContent_Pos);
        SkinButton(btnClose, SK_MAINFORM_BUTTON_Close_Pos);
        SkinButton(btnFile, SK_MAINFORM_BUTTON_File_Pos);
        SkinButton(btnView, SK_MAINFORM_BUTTON_View_Pos);
        SkinButton(btnTools, SK_MAINFORM_BUTTON_Tools_Pos);
        SkinButton(btnHelp, SK_MAINFORM_BUTTON_Help_Pos);
        SkinPageButton(btnProgramList, SK_MAINFORM_BUTTON_ProgramList_Pos);
        SkinPageButton(btnStartupItemList, SK_MAINFORM_BUTTON_StartupItems_Pos);

        SetBoundsFromSkin(PageControl.hwnd(), SkinValue(SK_MAINFORM_PAGECONTROL_Pos));
        programs_.ApplySkin();
        startup_.ApplySkin();
    } catch (...) {
        // A broken skin leaves the rest of the window as designed; no message.
    }
}

void TMainForm::ApplyTexts() {
    btnFile.SetCaption(LangText(IDS_MAINFORM_MENU_File));
    btnView.SetCaption(LangText(IDS_MAINFORM_MENU_View));
    btnTools.SetCaption(LangText(IDS_MAINFORM_MENU_Tools));
    btnHelp.SetCaption(LangText(IDS_MAINFORM_MENU_Help));
    btnProgramList.SetCaption(LangText(IDS_PAGECONTROL_TABSHEETPL_Title));
    btnStartupItemList.SetCaption(LangText(IDS_PAGECONTROL_TABSHEETSIL_Title));
    menus_.ApplyTexts();
    programs_.ApplyTexts();
    startup_.ApplyTexts();
}

}  // namespace cx::app
