// The Languages submenu as planned from the names in the language folder.
#include <gtest/gtest.h>

#include "i18n/LanguageMenu.h"

namespace {

using cx::LanguageChoice;
using cx::PlanLanguageMenu;

TEST(LanguageMenu, CaptionsStopAtTheFirstDotAndItemsKeepTheirFile) {
    auto items =
        PlanLanguageMenu({"English.ini", "Norsk.nb.ini", "Deutsch.ini", ".ini"}, "deutsch.INI");
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].caption, "English");
    EXPECT_EQ(items[1].caption, "Norsk");
    EXPECT_EQ(items[1].fileName, "Norsk.nb.ini") << "the item must find its own file again";
    EXPECT_EQ(items[3].caption, "");
    // The current file is checked whatever its letter case, and only it.
    EXPECT_FALSE(items[0].checked);
    EXPECT_FALSE(items[1].checked);
    EXPECT_TRUE(items[2].checked);
    EXPECT_FALSE(items[3].checked);

    EXPECT_TRUE(PlanLanguageMenu({}, "English.ini").empty());
    for (const LanguageChoice& c : PlanLanguageMenu({"English.ini"}, "Norsk.ini"))
        EXPECT_FALSE(c.checked) << "a current file that is not listed checks nothing";
}

TEST(LanguageMenu, FileNameOfPath) {
    EXPECT_EQ(cx::FileNameOfPath("C:\\Apps\\Carvexo\\Langs\\English.ini"), "English.ini");
    EXPECT_EQ(cx::FileNameOfPath("English.ini"), "English.ini");
    EXPECT_EQ(cx::FileNameOfPath("C:English.ini"), "English.ini");
    EXPECT_EQ(cx::FileNameOfPath("C:\\Langs\\"), "");
}

}  // namespace
