#pragma once
// The program list's rows as the window shows them, kept here and not in the
// list-view control: the control is owner-data and asks for what it paints, so
// sorting, searching, the report and the details read these rows, never the
// control's texts.
#include <string>
#include <vector>

#include "inventory/ListLogic.h"

namespace cx::inv {

class ProgramListModel {
public:
    // The rows of a load, programs first and then screen savers, in service
    // order, as PlanProgramRows and PlanScreenSaverRows plan them under the
    // hide switches, with the counts of the status line.
    void Load(const std::vector<ProgramRecord>& programs,
              const std::vector<ScreenSaverRecord>& screenSavers, bool hidePatches,
              bool hideScreenSavers);
    // Rows as given (tests; the counts stay).
    void Assign(std::vector<ListRow> rows);
    // Patches among the programs, shown or not.
    unsigned long Patches() const noexcept { return patches_; }
    // The status line, "124 (Windows Updates: 30, Screen Saver: 4)".
    std::string CountText() const;
    size_t Size() const noexcept { return rows_.size(); }
    const ListRow& Row(size_t row) const { return rows_.at(row); }
    // Sub-item 0 is the caption, 1 the publisher, 2 the folder; others are empty.
    const std::string& Text(size_t row, int subItem) const;
    // Sorts by a column as the list always has (CompareRows), keeping the
    // order of rows that compare equal.
    void Sort(int column, bool ascending);
    // The row storing `data`, or -1.
    int RowOf(LPARAM data) const;
    // FindProgram over the captions.
    int Find(int start, const std::string& text, int& searchPos) const;
    // The first row from `start` (wrapping round) whose caption begins with
    // `prefix` (ASCII case folded), or -1: what typing in the list selects.
    int FindPrefix(int start, const std::string& prefix) const;

private:
    std::vector<ListRow> rows_;
    unsigned long programs_ = 0, patches_ = 0, screenSavers_ = 0;
};

}  // namespace cx::inv
