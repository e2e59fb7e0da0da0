#pragma once
// TAddItemForm: makes a program start with Windows, by a shortcut in one of
// the two Startup folders or by a value of a Run key. Nothing already there is
// replaced without asking, and nothing fails without a word.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "widgets/Form.h"

namespace cx::startup {

class TAddItemForm : public ui::Form {
public:
    static constexpr int kClientWidth = 360;
    static constexpr int kClientHeight = 128;
    enum Section : int {
        kUserFolderSection = 0,
        kCommonFolderSection = 1,
        kUserRunSection = 2,
        kMachineRunSection = 3,
    };
    enum : int {
        IDC_LBL_TARGET = 401,
        IDC_TXT_TARGET,
        IDC_LBL_SECTION,
        IDC_CMB_SECTION,
        IDC_BTN_BROWSE,
        IDC_BTN_OK = IDOK,
        IDC_BTN_CANCEL = IDCANCEL,
    };
    // The two fixed messages of OK.
    static constexpr const char* kNotFoundText =
        "The specified target file can't be found, please reset!";
    static constexpr const char* kEmptyText = "Can't be null";
    // A target that is no full path (see FullTarget).
    static constexpr const char* kRelativeText =
        "Give the full path of the program, beginning with its drive or its network share "
        "(for example C:\\Tools\\agent.exe): at logon Windows would look for a relative path "
        "in whatever folder happens to be current.";

    // Picks a file for the target; nullopt when the user cancels. The default
    // runs the system's file-open dialog; tests put their own in.
    using FileChooser = std::function<std::optional<std::string>(HWND owner)>;
    static void SetFileChooser(FileChooser chooser);

    void btnBrowseClick();
    void btnOKClick();
    void btnCancelClick() { EndModal(IDCANCEL); }
    void ApplyTexts();

    HWND txtTarget = nullptr;
    HWND cmbSection = nullptr;
    HWND lblTarget = nullptr, lblSection = nullptr;
    HWND btnBrowse = nullptr, btnOK = nullptr, btnCancel = nullptr;

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    // Each returns true when the entry now exists as asked; false after telling why not.
    bool AddShortcut(const std::string& target, int csidl);
    bool AddRunValue(const std::string& target, HKEY root);
    bool ConfirmReplace(const std::string& name);
};

}  // namespace cx::startup
