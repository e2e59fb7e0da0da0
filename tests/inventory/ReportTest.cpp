// The report's lines, the text box's line splitting and where printed lines go.
#include <gtest/gtest.h>

#include "inventory/PrintListForm.h"
#include "inventory/Report.h"

using namespace cx;
using namespace cx::inv;

namespace {
ReportInput Input(std::vector<std::string> captions) {
    return ReportInput{"Carvexo",
                       "WORKSTATION",
                       "alice",
                       "2 (Windows Updates: 0, Screen Saver: 1)",
                       "02/03/2024 10:11:12",
                       "C:\\Tools\\Carvexo.exe",
                       std::move(captions)};
}
}  // namespace

TEST(Report, EmptyListEndsWithTheHeadingRuleAndTheClosingRule) {
    EXPECT_EQ(BuildReport(Input({})),
              (std::vector<std::string>{
                  "Carvexo Application Report", "", "",
                  "=======================", "Computer Name : WORKSTATION", "User Name : alice",
                  "Programs : 2 (Windows Updates: 0, Screen Saver: 1)",
                  "Created In : 02/03/2024 10:11:12", "Created By : C:\\Tools\\Carvexo.exe",
                  "=======================", "", "", "Programs installed on your computer:",
                  "----------------------", "----------------------"}));
}

TEST(Report, RowsAreNumberedFromOneInListOrder) {
    auto lines = BuildReport(Input({"Zeta", "[Screen Saver]Aurora", "100% sure %s %n", ""}));
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[14], "1 - Zeta");
    EXPECT_EQ(lines[15], "2 - [Screen Saver]Aurora");
    EXPECT_EQ(lines[16], "3 - 100% sure %s %n");  // captions are never formats
    EXPECT_EQ(lines[17], "4 - ");
    EXPECT_EQ(lines[18], "----------------------");
}

TEST(MemoLines, EveryBreakKindEndsALineAndAFinalBreakAddsNone) {
    using L = std::vector<std::string>;
    EXPECT_EQ(SplitLines(""), L{});
    EXPECT_EQ(SplitLines("one"), L{"one"});
    EXPECT_EQ(SplitLines("one\r\ntwo"), (L{"one", "two"}));
    EXPECT_EQ(SplitLines("one\r\ntwo\r\n"), (L{"one", "two"}));
    EXPECT_EQ(SplitLines("one\ntwo\rthree"), (L{"one", "two", "three"}));
    EXPECT_EQ(SplitLines("\r\n"), L{""});
    EXPECT_EQ(SplitLines("a\r\n\r\n\r\nb"), (L{"a", "", "", "b"}));
    EXPECT_EQ(SplitLines("a\n\r"), (L{"a", ""}));  // LF then a lone CR: two breaks
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb");
    EXPECT_EQ(SplitLines(JoinLines({"x", "", "y"})), (L{"x", "", "y"}));
    EXPECT_EQ(SplitLines(JoinLines({"x", ""})), L{"x"});  // a final empty line is a final break
}

TEST(PrintLayout, NewPageWhenTheNextLineDoesNotFit) {
    auto places = PlaceLines(7, 10, 35);  // three lines per page
    ASSERT_EQ(places.size(), 7u);
    const int pages[] = {0, 0, 0, 1, 1, 1, 2};
    const int tops[] = {0, 10, 20, 0, 10, 20, 0};
    for (size_t i = 0; i < places.size(); ++i) {
        EXPECT_EQ(places[i].page, pages[i]) << i;
        EXPECT_EQ(places[i].top, tops[i]) << i;
    }
    // An exact fit stays on the page.
    auto exact = PlaceLines(4, 10, 30);
    EXPECT_EQ(exact[2].page, 0);
    EXPECT_EQ(exact[3].page, 1);
    // A line taller than the page gets a page of its own, and the run ends.
    auto tall = PlaceLines(3, 50, 30);
    EXPECT_EQ(tall[0].page, 0);
    EXPECT_EQ(tall[1].page, 1);
    EXPECT_EQ(tall[2].page, 2);
    EXPECT_TRUE(PlaceLines(0, 10, 30).empty());
}
