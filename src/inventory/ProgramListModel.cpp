#include "inventory/ProgramListModel.h"

#include <algorithm>
#include <cctype>

namespace cx::inv {

namespace {
bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}
}  // namespace

void ProgramListModel::Load(const std::vector<ProgramRecord>& programs,
                            const std::vector<ScreenSaverRecord>& screenSavers, bool hidePatches,
                            bool hideScreenSavers) {
    ProgramRows planned = PlanProgramRows(programs, hidePatches);
    for (ListRow& row : PlanScreenSaverRows(screenSavers, hideScreenSavers))
        planned.rows.push_back(std::move(row));
    rows_ = std::move(planned.rows);
    programs_ = static_cast<unsigned long>(programs.size());
    patches_ = planned.patches;
    screenSavers_ = static_cast<unsigned long>(screenSavers.size());
}

void ProgramListModel::Assign(std::vector<ListRow> rows) { rows_ = std::move(rows); }

std::string ProgramListModel::CountText() const {
    return ProgramCountText(programs_ + screenSavers_, patches_, screenSavers_);
}

const std::string& ProgramListModel::Text(size_t row, int subItem) const {
    static const std::string none;
    const ListRow& r = rows_.at(row);
    switch (subItem) {
    case 0: return r.caption;
    case 1: return r.publisher;
    case 2: return r.directory;
    default: return none;
    }
}

void ProgramListModel::Sort(int column, bool ascending) {
    // Each row's key is made once, not at every comparison.
    std::vector<std::string> keys;
    keys.reserve(rows_.size());
    for (const ListRow& r : rows_)
        keys.push_back(SortKey({r.caption, r.publisher, r.directory}, column));
    std::vector<size_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return CompareSortKeys(keys[a], keys[b], ascending) < 0;
    });
    std::vector<ListRow> sorted;
    sorted.reserve(rows_.size());
    for (size_t i : order) sorted.push_back(std::move(rows_[i]));
    rows_ = std::move(sorted);
}

int ProgramListModel::RowOf(LPARAM data) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].data == data) return static_cast<int>(i);
    return -1;
}

int ProgramListModel::Find(int start, const std::string& text, int& searchPos) const {
    std::vector<std::string> captions;
    captions.reserve(rows_.size());
    for (const ListRow& r : rows_) captions.push_back(r.caption);
    return FindProgram(captions, start, text, searchPos);
}

int ProgramListModel::FindPrefix(int start, const std::string& prefix) const {
    const size_t n = rows_.size();
    if (n == 0 || prefix.empty()) return -1;
    const size_t from =
        start < 0 || static_cast<size_t>(start) >= n ? 0 : static_cast<size_t>(start);
    for (size_t k = 0; k < n; ++k) {
        const size_t i = (from + k) % n;
        if (StartsWithNoCase(rows_[i].caption, prefix)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace cx::inv
