// Sorting, search, row kinds, status and tip texts, link rules and the details
// rows of the program list page, on plain data.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "i18n/LangText.h"
#include "inventory/ListLogic.h"

using namespace cx;
using namespace cx::inv;

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

std::vector<std::string> SortedPublishers(std::vector<std::string> publishers, bool ascending) {
    std::vector<RowTexts> rows;
    for (auto& p : publishers) rows.push_back({"caption", p, ""});
    std::stable_sort(rows.begin(), rows.end(), [&](const RowTexts& a, const RowTexts& b) {
        return CompareRows(a, b, 1, ascending) < 0;
    });
    std::vector<std::string> out;
    for (auto& r : rows) out.push_back(r.publisher);
    return out;
}

}  // namespace

TEST(CompareText, FoldsOnlyAsciiLettersAndComparesBytesUnsigned) {
    EXPECT_EQ(CompareText("Brindle", "BRINDLE"), 0);
    EXPECT_LT(CompareText("alpha", "Beta"), 0);
    EXPECT_GT(CompareText("beta", "ALPHA"), 0);
    EXPECT_LT(CompareText("abc", "abcd"), 0);  // a prefix sorts first
    EXPECT_EQ(CompareText("", ""), 0);
    EXPECT_LT(CompareText("", "a"), 0);
    // Letters fold to upper case, so '_' (0x5F) sorts after every letter.
    EXPECT_LT(CompareText("zeta", "_tools"), 0);
    // ANSI letters above 127 are not folded and sort after ASCII.
    EXPECT_NE(CompareText("\xE4", "\xC4"), 0);
    EXPECT_GT(CompareText("\xE4pfel", "zebra"), 0);
}

TEST(CompareRows, SubItemsSortRightAlignedInTenPlaces) {
    // 3 characters before 8, whatever the letters.
    EXPECT_EQ(SortedPublishers({"Aaaaaaaa", "Zzz"}, true),
              (std::vector<std::string>{"Zzz", "Aaaaaaaa"}));
    // From 10 characters on, letter by letter.
    EXPECT_EQ(SortedPublishers({"Bbbbbbbbbbbb", "Aaaaaaaaaaaaaaa"}, true),
              (std::vector<std::string>{"Aaaaaaaaaaaaaaa", "Bbbbbbbbbbbb"}));
    // Numbers up to ten digits by value.
    EXPECT_EQ(SortedPublishers({"100", "9", "25", "1000000000"}, true),
              (std::vector<std::string>{"9", "25", "100", "1000000000"}));
    EXPECT_EQ(SortedPublishers({"100", "9", "25"}, false),
              (std::vector<std::string>{"100", "25", "9"}));
    // Same length: case-insensitive letters.
    EXPECT_EQ(Sign(CompareRows({"", "abc", ""}, {"", "ABD", ""}, 1, true)), -1);
}

TEST(CompareRows, ColumnsPickTheirTextAndDescendingNegates) {
    RowTexts a{"Beta", "Zed", "C:\\A"}, b{"alpha", "Amy", "C:\\B"};
    EXPECT_GT(CompareRows(a, b, 0, true), 0);
    EXPECT_LT(CompareRows(a, b, 0, false), 0);
    EXPECT_GT(CompareRows(a, b, 1, true), 0);
    EXPECT_LT(CompareRows(a, b, 2, true), 0);
    EXPECT_GT(CompareRows(a, b, 2, false), 0);
    EXPECT_EQ(CompareRows(a, b, 3, true), 0);  // no such sub-item: both empty
    EXPECT_EQ(CompareRows(a, a, 1, false), 0);
}

TEST(FindProgram, FindsCaseInsensitivelyOneMatchAfterAnother) {
    const std::vector<std::string> captions{"Brindle Notes", "Quill", "BRINDLE Sketch",
                                            "Tide Clock", "Notes for brindle"};
    int pos = 0;
    EXPECT_EQ(FindProgram(captions, pos, "brindle", pos), 0);
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(FindProgram(captions, pos, "brindle", pos), 2);
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(FindProgram(captions, pos, "brindle", pos), 4);
    EXPECT_EQ(pos, 5);
    // No wrap-around: past the last match nothing is found and the position stays.
    EXPECT_EQ(FindProgram(captions, pos, "brindle", pos), -1);
    EXPECT_EQ(pos, 5);
    pos = 1;
    EXPECT_EQ(FindProgram(captions, 1, "zzz", pos), -1);
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(FindProgram(captions, 0, "e c", pos), 3);  // blanks are part of the text
}

TEST(FindProgram, EmptyListsStartsPastTheEndAndNonAsciiLetters) {
    int pos = 7;
    EXPECT_EQ(FindProgram({}, 0, "a", pos), -1);
    EXPECT_EQ(pos, 7);
    const std::vector<std::string> captions{"One", "Two"};
    EXPECT_EQ(FindProgram(captions, 2, "o", pos), -1);
    EXPECT_EQ(FindProgram(captions, 100, "o", pos), -1);
    EXPECT_EQ(pos, 7);
    EXPECT_EQ(FindProgram(captions, -3, "two", pos), 1);  // a negative start is the top
    // Only ASCII letters fold: an upper-case umlaut does not match a lower-case one.
    EXPECT_EQ(FindProgram({"\xC4pfel"}, 0, "\xE4pfel", pos), -1);
    EXPECT_EQ(FindProgram({"\xC4pfel"}, 0, "\xC4PFEL", pos), 0);
}

TEST(RowKinds, TheKindTravelsWithTheRowData) {
    // The kind travels with the row's data, whatever the caption says.
    for (long i : {0L, 1L, 7L, 123456L}) {
        EXPECT_TRUE(RowIsScreenSaver(ScreenSaverRowData(i))) << i;
        EXPECT_EQ(RowIndex(ScreenSaverRowData(i)), i);
        EXPECT_FALSE(RowIsScreenSaver(static_cast<LPARAM>(i))) << i;
        EXPECT_EQ(RowIndex(static_cast<LPARAM>(i)), i);
    }
}

TEST(StatusTexts, CountLineAndScreenSaverCaption) {
    EXPECT_EQ(ProgramCountText(124, 30, 4), "124 (Windows Updates: 30, Screen Saver: 4)");
    EXPECT_EQ(ProgramCountText(0, 0, 0), "0 (Windows Updates: 0, Screen Saver: 0)");
    EXPECT_EQ(ScreenSaverCaption("Aurora Ribbons", "AuroraRibbons.scr"),
              "[Screen Saver]Aurora Ribbons");
    EXPECT_EQ(ScreenSaverCaption("", "Tiles.scr"), "[Screen Saver]Tiles.scr");
    EXPECT_EQ(ScreenSaverCaption("Has a title", ""), "");
    // A translated word with a percent sign is shown as it is.
    SetLangText(IDS_MAINFORM_ScreenSaver, "100% Saver");
    EXPECT_EQ(ScreenSaverCaption("", "a.scr"), "[100% Saver]a.scr");
    EXPECT_EQ(ProgramCountText(1, 0, 1), "1 (Windows Updates: 0, 100% Saver: 1)");
    RestoreEnglishDefaults();
}

TEST(StatusTexts, FrequencyBoundaries) {
    EXPECT_EQ(FrequencyWord(0), "Rarely");
    EXPECT_EQ(FrequencyWord(2), "Rarely");
    EXPECT_EQ(FrequencyWord(3), "Occasionally");
    EXPECT_EQ(FrequencyWord(10), "Occasionally");
    EXPECT_EQ(FrequencyWord(11), "Frequently");
    EXPECT_EQ(FrequencyWord(ULONG_MAX), "Frequently");  // unsigned: never "Rarely" by wrapping
}

TEST(Tips, ProgramTipHasTwoOrThreeLines) {
    EXPECT_EQ(ProgramTip({11, "2024-03-02", "\"C:\\P\\unins000.exe\""}),
              "Used Frequency: Frequently\r\nLast Used On: 2024-03-02\r\n"
              "Uninstall String: \"C:\\P\\unins000.exe\"");
    EXPECT_EQ(ProgramTip({3, "", "C:\\u.exe /x"}),
              "Used Frequency: Occasionally\r\nUninstall String: C:\\u.exe /x");
    // Texts from the service are arguments, never formats.
    EXPECT_EQ(ProgramTip({0, "", "%s%n%d"}), "Used Frequency: Rarely\r\nUninstall String: %s%n%d");
}

TEST(Tips, ScreenSaverTipShowsMegabytesWithTwoDecimals) {
    EXPECT_EQ(ScreenSaverTip(1572864, "Aurora.scr", "2024-01-05"),
              "Size:  1.50 M\r\nName:  Aurora.scr\r\nLast Used On: 2024-01-05\r\n");
    EXPECT_EQ(ScreenSaverTip(0, "a.scr", ""),
              "Size:  0.00 M\r\nName:  a.scr\r\nLast Used On: \r\n");
    // The largest count converts exactly: 4095.999999... rounds to 4096.00.
    EXPECT_EQ(ScreenSaverTip(4294967295ul, "b.scr", "x").substr(0, 15), "Size:  4096.00 ");
}

TEST(StatusLink, FirstNonEmptyOfAboutHelpUpdate) {
    EXPECT_EQ(ChooseStatusLink("https://a", "https://h", "https://u"), "https://a");
    EXPECT_EQ(ChooseStatusLink("", "https://h", "https://u"), "https://h");
    EXPECT_EQ(ChooseStatusLink("", "", "https://u"), "https://u");
    EXPECT_EQ(ChooseStatusLink("", "", ""), "");
}

TEST(LinkRule, OnlyWebAndMailAddressesAreLaunched) {
    for (const char* ok :
         {"http://x", "https://brindlecode.example/support?a=1&b=2", "HTTP://EXAMPLE.COM",
          "HtTpS://example.com", "mailto:a@b", "MAILTO:someone@example.com"}) {
        EXPECT_TRUE(IsLaunchableLink(ok)) << ok;
    }
    for (const char* bad : {"",
                            "http://",
                            "https://",
                            "mailto:",
                            " http://x",
                            "\thttp://x",
                            "\x01http://x",
                            "http://x\r\ncalc.exe",
                            "http://x calc.exe",
                            "http://x\" --renderer-cmd-prefix=calc",
                            "http://x\x7f",
                            "C:\\Windows\\system32\\calc.exe",
                            "calc.exe",
                            "cmd /c del C:\\x",
                            "file:///C:/windows",
                            "javascript:alert(1)",
                            "ftp://example.com",
                            "httpx://example.com",
                            "http:\\\\example.com",
                            "\\\\server\\share",
                            "shell:startup",
                            "C:\\Windows"}) {
        EXPECT_FALSE(IsLaunchableLink(bad)) << bad;
    }
}

TEST(LinkRule, AnAddressWrittenWithoutSchemeOpensAsHttp) {
    const std::pair<const char*, const char*> bare[] = {
        {"www.example.com", "http://www.example.com"},
        {"WWW.Example.COM", "http://WWW.Example.COM"},
        {"Www.brindle-code.example.co.uk", "http://Www.brindle-code.example.co.uk"},
        {"www.example.com/", "http://www.example.com/"},
        {"www.example.com/support/faq.html?id=1&x=2#top",
         "http://www.example.com/support/faq.html?id=1&x=2#top"},
        {"www.example.com:8080/x", "http://www.example.com:8080/x"},
        {"www.example.com?q=1", "http://www.example.com?q=1"},
        {"www.example.com#news", "http://www.example.com#news"},
        {"www.4you.example.com", "http://www.4you.example.com"},
    };
    for (const auto& [link, opened] : bare) {
        EXPECT_EQ(LaunchableLink(link), std::optional<std::string>(opened)) << link;
        EXPECT_TRUE(IsLaunchableLink(link)) << link;
    }
    // A link with its scheme is handed on as written.
    EXPECT_EQ(LaunchableLink("https://www.example.com"),
              std::optional<std::string>("https://www.example.com"));
    EXPECT_EQ(LaunchableLink("mailto:a@b"), std::optional<std::string>("mailto:a@b"));

    std::string longHost = "www.";
    for (int i = 0; i < 50; ++i) longHost += "abcd.";
    longHost += "com";  // 257 characters
    for (const std::string& bad : {std::string("www."),
                                   std::string("www"),
                                   std::string("www.com"),
                                   std::string("www.example"),
                                   std::string("www..com"),
                                   std::string("www.example..com"),
                                   std::string("www.example.com."),
                                   std::string("www.-a.com"),
                                   std::string("www.a-.com"),
                                   std::string("www.exa_mple.com"),
                                   std::string("www.ex%41mple.com"),
                                   std::string("www.example.1"),
                                   std::string("www.example.c"),
                                   std::string("www.example.c0m"),
                                   std::string("wwwexample.com"),
                                   std::string("ww.example.com"),
                                   std::string("www.example.com\\..\\..\\cmd.exe"),
                                   std::string("www.example.com/..\\..\\cmd.exe"),
                                   std::string("www.example.com\\"),
                                   std::string("www.example.com cmd.exe"),
                                   std::string("www.example.com/a b"),
                                   std::string(" www.example.com"),
                                   std::string("www.example.com\t"),
                                   std::string("www.example.com\r\ncalc.exe"),
                                   std::string("www.example.com\x7f"),
                                   std::string("www.example.com/\"x"),
                                   std::string("www.example.com\"x"),
                                   std::string("www.example.com@evil.example"),
                                   std::string("www.example.com:"),
                                   std::string("www.example.com:abc"),
                                   std::string("www.example.com:80x"),
                                   std::string("www.example.com;calc"),
                                   std::string("www.example.com|calc"),
                                   std::string("www.\xE9xample.com"),
                                   std::string("www.example.com\0.exe", 20),
                                   std::string("javascript:alert(1)"),
                                   std::string("file:///C:/windows"),
                                   std::string("\\\\www.example.com\\share"),
                                   std::string("C:\\www.example.com"),
                                   "www." + std::string(64, 'a') + ".com",
                                   longHost}) {
        EXPECT_EQ(LaunchableLink(bad), std::nullopt) << bad;
        EXPECT_FALSE(IsLaunchableLink(bad)) << bad;
    }
    // The longest label a host name may have.
    EXPECT_TRUE(IsLaunchableLink("www." + std::string(63, 'a') + ".com"));
}

TEST(PropertyRows, RowsInOrderEachUnderItsCondition) {
    ProgramProperties all;
    all.size = 1572864.0f;
    all.installDate = "20230914";
    all.usedFrequency = 25;
    all.lastUsed = "2024-02-01";
    all.installLocation = "C:\\Program Files\\Brindle";
    all.version = "3.4.2";
    all.publisher = "Brindlecode";
    all.helpLink = "https://h";
    all.aboutLink = "https://a";
    all.updateLink = "https://u";
    using Rows = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(PropertyRows(all), (Rows{{"Programs Size", "1.50 MB"},
                                       {"Install Date", "20230914"},
                                       {"Used Frequency", "Frequently"},
                                       {"Last Access Date", "2024-02-01"},
                                       {"Install Location", "C:\\Program Files\\Brindle"},
                                       {"Program Version", "3.4.2"},
                                       {"Publisher", "Brindlecode"},
                                       {"Help Info", "https://h"},
                                       {"About Link", "https://a"},
                                       {"Update Link", "https://u"}}));
    // Nothing known: the frequency row alone, "Rarely" for a count of 0.
    EXPECT_EQ(PropertyRows(ProgramProperties{}), (Rows{{"Used Frequency", "Rarely"}}));
    ProgramProperties some;
    some.size = 1.0f;  // one byte is not "no size"
    some.usedFrequency = 3;
    some.updateLink = "https://u";
    EXPECT_EQ(PropertyRows(some), (Rows{{"Programs Size", "0.00 MB"},
                                        {"Used Frequency", "Occasionally"},
                                        {"Update Link", "https://u"}}));
}

// --- which records become rows ---------------------------------------------------

namespace {

ProgramRecord Record(long kind, std::string display, std::string registry, long icon = 0) {
    ProgramRecord r;
    r.kind = kind;
    r.displayName = std::move(display);
    r.registryName = std::move(registry);
    r.publisher = "Pub " + r.registryName;
    r.installLocation = "C:\\Apps\\" + r.registryName;
    r.icon = icon;
    return r;
}

std::vector<std::string> Captions(const std::vector<ListRow>& rows) {
    std::vector<std::string> out;
    for (const ListRow& r : rows) out.push_back(r.caption);
    return out;
}

}  // namespace

TEST(PlanProgramRows, PatchesAreCountedShownOrHiddenAndRowsKeepTheirRecordIndex) {
    std::vector<ProgramRecord> records{
        Record(kKindProgram, "Alpha", "A", 3), Record(kKindPatch, "Update 1", "KB1"),
        Record(kKindProgram, "", "{GUID-C}", 5), Record(kKindPatch, "Update 2", "KB2")};
    ProgramRows shown = PlanProgramRows(records, false);
    EXPECT_EQ(shown.patches, 2u);
    EXPECT_EQ(Captions(shown.rows),
              (std::vector<std::string>{"Alpha", "Update 1", "{GUID-C}", "Update 2"}));

    ProgramRows hidden = PlanProgramRows(records, true);
    EXPECT_EQ(hidden.patches, 2u);
    ASSERT_EQ(Captions(hidden.rows), (std::vector<std::string>{"Alpha", "{GUID-C}"}));
    // A row names its record, not its position among the rows.
    EXPECT_EQ(RowIndex(hidden.rows[1].data), 2);
    EXPECT_FALSE(RowIsScreenSaver(hidden.rows[1].data));
    EXPECT_EQ(hidden.rows[1].image, 5);
    EXPECT_EQ(hidden.rows[1].publisher, "Pub {GUID-C}");
    EXPECT_EQ(hidden.rows[1].directory, "C:\\Apps\\{GUID-C}");
}

TEST(PlanProgramRows, CaptionFallsBackToTheRegistryNameOnlyWhenTheDisplayNameIsEmpty) {
    EXPECT_EQ(ProgramCaption(Record(kKindProgram, "Shown", "Key")), "Shown");
    EXPECT_EQ(ProgramCaption(Record(kKindProgram, "", "Key")), "Key");
    EXPECT_EQ(ProgramCaption(Record(kKindProgram, " ", "Key")),
              " ");  // a blank name is still a name
    EXPECT_TRUE(PlanProgramRows({}, true).rows.empty());
}

TEST(PlanScreenSaverRows, MarkedRowsInOrderOrNoneWhenHidden) {
    RestoreEnglishDefaults();
    std::vector<ScreenSaverRecord> savers{{"ribbons.scr", "Aurora Ribbons", "Maker", "C:\\W\\", 7},
                                          {"tiles.scr", "", "", "C:\\W\\System32\\", 0},
                                          {"", "No File", "", "C:\\W\\", 0}};
    EXPECT_TRUE(PlanScreenSaverRows(savers, true).empty());
    std::vector<ListRow> rows = PlanScreenSaverRows(savers, false);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].caption, "[Screen Saver]Aurora Ribbons");
    EXPECT_EQ(rows[1].caption, "[Screen Saver]tiles.scr");
    EXPECT_EQ(rows[2].caption, "");
    EXPECT_EQ(rows[0].publisher, "Maker");
    EXPECT_EQ(rows[1].directory, "C:\\W\\System32\\");
    EXPECT_EQ(rows[0].image, 7);
    for (long j = 0; j < 3; ++j) {
        EXPECT_TRUE(RowIsScreenSaver(rows[j].data));
        EXPECT_EQ(RowIndex(rows[j].data), j);
    }
}
