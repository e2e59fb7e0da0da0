// The program list's rows kept outside the control: sorting keeps ties in
// their order and every row whole, and typing finds the next caption.
#include <gtest/gtest.h>

#include "inventory/ProgramListModel.h"

using cx::inv::ListRow;
using cx::inv::ProgramListModel;

namespace {

ProgramListModel Sample() {
    ProgramListModel m;
    m.Assign({{"Bracken Calc", "Brackenridge", "C:\\B", 0, 5},
              {"alder Notes", "Alder", "C:\\A", 1, 6},
              {"Bracken Draw", "Brackenridge", "C:\\D", 2, 7},
              {"[Screen Saver]Tide", "", "", cx::inv::ScreenSaverRowData(0), 8}});
    return m;
}

TEST(ProgramListModel, SortsByColumnKeepingTiesAndRowsWhole) {
    ProgramListModel m = Sample();
    m.Sort(1, true);  // by publisher, as the list compares it
    std::vector<LPARAM> order;
    for (size_t i = 0; i < m.Size(); ++i) order.push_back(m.Row(i).data);
    // Equal publishers keep their order; every text and picture stays with its row.
    const int calc = m.RowOf(0), draw = m.RowOf(2);
    ASSERT_GE(calc, 0);
    EXPECT_LT(calc, draw);
    EXPECT_EQ(m.Text(static_cast<size_t>(calc), 2), "C:\\B");
    EXPECT_EQ(m.Row(static_cast<size_t>(draw)).image, 7);
    m.Sort(1, false);
    EXPECT_GT(m.RowOf(1), m.RowOf(0)) << "descending puts Alder after Brackenridge";
    EXPECT_EQ(m.RowOf(99), -1);
    EXPECT_EQ(m.Text(0, 7), "");
}

TEST(ProgramListModel, FindsCaptionsByWordAndByTypedPrefix) {
    const ProgramListModel m = Sample();
    int pos = 0;
    EXPECT_EQ(m.Find(0, "bracken", pos), 0);
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(m.Find(pos, "bracken", pos), 2);
    EXPECT_EQ(m.Find(pos, "bracken", pos), -1);
    EXPECT_EQ(m.FindPrefix(0, "AL"), 1);
    EXPECT_EQ(m.FindPrefix(3, "brack"), 0) << "typing wraps round to the top";
    EXPECT_EQ(m.FindPrefix(0, "zz"), -1);
    EXPECT_EQ(ProgramListModel().FindPrefix(0, "a"), -1);
}

TEST(ProgramListModel, LoadsUnderTheHideSwitchesAndCountsWhatIsHiddenToo) {
    std::vector<cx::inv::ProgramRecord> programs(3);
    programs[0].displayName = "Bracken Calc";
    programs[1].displayName = "Security Update (KB1)";
    programs[1].kind = cx::inv::kKindPatch;
    programs[2].registryName = "NoName";
    std::vector<cx::inv::ScreenSaverRecord> savers(1);
    savers[0].file = "tide.scr";
    savers[0].title = "Tide";
    ProgramListModel m;
    m.Load(programs, savers, true, false);
    ASSERT_EQ(m.Size(), 3u) << "the patch is hidden, the screen saver shown";
    EXPECT_EQ(m.Text(1, 0), "NoName");
    EXPECT_TRUE(cx::inv::RowIsScreenSaver(m.Row(2).data));
    EXPECT_EQ(m.Patches(), 1u);
    EXPECT_EQ(m.CountText(), cx::inv::ProgramCountText(4, 1, 1));
    m.Load(programs, savers, false, true);
    EXPECT_EQ(m.Size(), 3u) << "the patch shown, the screen saver hidden";
    EXPECT_EQ(m.CountText(), cx::inv::ProgramCountText(4, 1, 1));
}

}  // namespace
