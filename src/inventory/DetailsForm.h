#pragma once
// TDetailsForm: everything the inventory service knows about one program, on
// two pages (its properties and the raw values of its uninstall key), with a
// chooser that switches to any program of the list without closing. One
// instance lives for the whole run; the program list load fills its chooser.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "inventory/ProgramList.h"
#include "widgets/Form.h"

namespace cx::inv {

class TDetailsForm : public ui::Form {
public:
    static constexpr int kClientWidth = 444;
    static constexpr int kClientHeight = 346;
    enum : int {
        IDC_LBL_PROGRAMS = 201,
        IDC_CMB_PROGRAMS,
        IDC_PC_PROGRAMDETAILS,
        IDC_LSV_PROGRAMINFO,
        IDC_LSV_REGISTRYINFO,
    };

    explicit TDetailsForm(TProgramList& list);

    // FormCreate: the window (hidden), its columns and the chooser's image list.
    // Does nothing when the window exists.
    void Create(HWND owner);
    // The window is then made on first use (the chooser and page calls below
    // make it), owned by `owner`: most runs never open it, and building it
    // costs the program's start-up a good part of its list load.
    void SetOwner(HWND owner) { owner_ = owner; }

    // The chooser cmbPrograms; positions are 0-based.
    void ClearPrograms();
    int AddProgram(const std::string& caption);  // returns the new entry's position
    void SetProgramData(int position, long serviceIndex);
    void SetProgramImage(int position, int imageIndex);
    int ProgramCount() const;
    long ProgramData(int position) const;  // -1 for a position without an entry
    std::string ProgramCaption(int position) const;
    int SelectedProgramPosition() const;  // -1: none

    // Rows a feature above adds to the properties page of a program, given its
    // hive ("HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER") and registry name.
    using ExtraRows = std::function<std::vector<std::pair<std::string, std::string>>(
        const std::string& hive, const std::string& registryName)>;
    void SetExtraRows(ExtraRows rows) { extraRows_ = std::move(rows); }

    // Fills both pages for the program with that service index and selects its
    // chooser entry (the one whose data is the index) without a change event.
    // An index without a program changes nothing; service failures are thrown.
    void FillDetails(long index);
    // What the chooser's change event does.
    void cmbProgramsChange();

    // The rows of the two pages as shown (for tests and the report of a page).
    std::vector<std::pair<std::string, std::string>> PropertyRowsShown() const;
    std::vector<std::pair<std::string, std::string>> RegistryRowsShown() const;
    // The page on show: 0 properties, 1 registry values.
    int ActivePage() const;
    void SetActivePage(int page);

    void ApplyTexts();

protected:
    void CreateForm(HWND owner) override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT OnNotify(int id, NMHDR* header) override;

private:
    void EnsureCreated();
    // An entry's picture: known, or asked of the service when the chooser
    // first draws the entry (entries may come with kIconWhenShown).
    int EntryImage(int position);
    void SelectProgramEntry(long index);
    void ShowPage(int page);

    TProgramList& list_;
    ExtraRows extraRows_;
    HWND lblPrograms_ = nullptr;
    HWND owner_ = nullptr;
    HWND cmbPrograms_ = nullptr;
    struct ChooserEntry {
        std::string caption;
        long data;
        int image;
    };
    std::vector<ChooserEntry> entries_;
    bool chooserStale_ = false;
    void SyncChooser();
    HWND pcProgramDetails_ = nullptr;
    HWND lsvProgramInfo_ = nullptr;
    HWND lsvRegistryInfo_ = nullptr;
    bool selecting_ = false;  // the chooser is being set by the program, not the user
};

}  // namespace cx::inv
