#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "i18n/LangText.h"
#include "platform/Strings.h"
#include "skin/SkinSettings.h"

namespace cx {
namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string TrimRightBlanks(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

TEST(LangTable, FourConvertedEntriesAndOnlyTheyHoldLineBreaks) {
    std::set<Ids> converted;
    for (int i = 0; i < IDS_COUNT; ++i) {
        Ids key = static_cast<Ids>(i);
        bool hasBreak = std::strstr(LangEnglishDefault(key), "#13") != nullptr;
        EXPECT_EQ(hasBreak, IsConvertedEntry(key)) << LangKeyForRead(key);
        if (IsConvertedEntry(key)) converted.insert(key);
    }
    EXPECT_EQ(
        converted,
        (std::set<Ids>{IDS_SPLASHFORM_LABEL_Copyright, IDS_MESSAGEBOX_WARNING_ScanRemains,
                       IDS_MESSAGEBOX_WARNING_DeleteScr, IDS_MESSAGEBOX_WARNING_UninstallFailed}));
}

TEST(LangTable, KeysAreTheConstantsNamesWithTheirBlanks) {
    const std::map<Ids, std::string> blanks = {
        {IDS_LISTVIEW_RIGHTCLICK_Uninstall, "  "},  {IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo, " "},
        {IDS_LISTVIEW_RIGHTCLICK_ShowDetails, " "}, {IDS_SIDEBAR_BUTTON_UnSelectAll, " "},
        {IDS_SIDEBAR_GROUPBOX_LABEL_Version, " "},  {IDS_SCANFORM_LABEL_Scaning, " "},
        {IDS_MESSAGEBOX_WARNING_DeleteScr, " "},
    };
    std::set<std::string> seen;
    for (int i = 0; i < IDS_COUNT; ++i) {
        Ids key = static_cast<Ids>(i);
        std::string read = LangKeyForRead(key), write = LangKeyForWrite(key);
        std::string bare = TrimRightBlanks(read);
        auto it = blanks.find(key);
        EXPECT_EQ(read.substr(bare.size()), it == blanks.end() ? "" : it->second) << read;
        EXPECT_EQ(read.rfind("IDS_", 0), 0u) << read;
        if (key == IDS_MESSAGEBOX_WARNING_Noremains) {
            EXPECT_EQ(read, "IDS_MESSAGEBOX_WARNING_Noremains");
            EXPECT_EQ(write, "IDS_MESSAGEBOX_WARNING_NoRemains");
        } else {
            EXPECT_EQ(write, read);
        }
        // The profile functions match keys without regard to case: two keys
        // differing only so would read the same line.
        EXPECT_TRUE(seen.insert(Lower(bare)).second) << "duplicate key " << read;
    }
}

// Where each window's block starts and ends in the file; a row added, lost or
// moved shifts these.
TEST(LangTable, FileOrderAtTheBlockBoundaries) {
    const std::pair<Ids, const char*> marks[] = {
        {static_cast<Ids>(0), "IDS_MAINFORM_MENU_File"},
        {static_cast<Ids>(26), "IDS_MAINFORM_MENU_HELP_About"},
        {static_cast<Ids>(27), "IDS_PAGECONTROL_TABSHEETPL_Title"},
        {static_cast<Ids>(58), "IDS_STATUSBAR_LABEL_RegistryName"},
        {static_cast<Ids>(59), "IDS_PAGECONTROL_TABSHEETSIL_Title"},
        {static_cast<Ids>(74), "IDS_DETAILSFORM_Title"},
        {static_cast<Ids>(92), "IDS_PROGRESSFORM_Title"},
        {static_cast<Ids>(110), "IDS_SCANFORM_Title"},
        {static_cast<Ids>(125), "IDS_ADDITEMFORM_COMBOBOX_Items4"},
        {static_cast<Ids>(126), "IDS_ABOUTFORM_Title"},
        {static_cast<Ids>(130), "IDS_SPLASHFORM_LABEL_Copyright"},
        {static_cast<Ids>(131), "IDS_MESSAGEBOX_WARNING_ScanRemains"},
        {static_cast<Ids>(140), "IDS_MESSAGEBOX_WARNING_SaveFileFailed"},
    };
    for (const auto& [key, name] : marks) EXPECT_EQ(TrimRightBlanks(LangKeyForRead(key)), name);
}

// The English texts keep their odd spellings: translators' files are keyed to them.
TEST(LangTable, EnglishTextsAsShipped) {
    EXPECT_STREQ(LangEnglishDefault(IDS_MAINFORM_MENU_FILE_ExportRegInfo), "Export Regisrty Info");
    EXPECT_STREQ(LangEnglishDefault(IDS_LISTVIEW_COLUMNS_StatrupItem), "Startup Item");
    EXPECT_STREQ(LangEnglishDefault(IDS_LISTVIEW_TIPS_Size), "Size:  %.2f M");
    EXPECT_STREQ(LangEnglishDefault(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher), "Publisher: ");
    EXPECT_STREQ(LangEnglishDefault(IDS_ADDITEMFORM_COMBOBOX_Items3),
                 "Registry\\Current User\\Run");
    EXPECT_STREQ(LangEnglishDefault(IDS_MESSAGEBOX_WARNING_ScanRemains),
                 "May be some registry keys or files were not completly removed, #13would you "
                 "like to remove them?");
    EXPECT_STREQ(LangEnglishDefault(IDS_MESSAGEBOX_MESSAGE_PrintError),
                 "Something is wrong with the printer or Print Spooler service is unaviable.");
    for (Ids key : {IDS_ABOUTFORM_LABEL_CopyRight, IDS_SPLASHFORM_LABEL_Copyright}) {
        std::string text = LangEnglishDefault(key);
        EXPECT_NE(text.find("Carvexo"), std::string::npos) << text;
        EXPECT_NE(text.find("2026"), std::string::npos) << text;
    }
    EXPECT_EQ(ReplaceAll(LangEnglishDefault(IDS_SPLASHFORM_LABEL_Copyright), "#13", "").size() + 3,
              std::strlen(LangEnglishDefault(IDS_SPLASHFORM_LABEL_Copyright)));
    for (int i = 0; i < IDS_COUNT; ++i)
        EXPECT_EQ(LangText(static_cast<Ids>(i)), LangEnglishDefault(static_cast<Ids>(i)));
}

TEST(LangFormatText, TranslationsWithOtherPlaceholdersFallBackToEnglish) {
    const struct {
        Ids key;
        const char* translation;
        bool used;
    } cases[] = {
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %s nicht gespeichert", true},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "%-40s: 100%% kaputt", true},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Speichern fehlgeschlagen", true},  // fewer
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %d", false},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "%s und %s", false},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "%*s", false},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "%s%n", false},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %", false},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "50% off %s", false},  // "% o" reads an int
        {IDS_LISTVIEW_TIPS_Size, "Grootte: %.1f MB", true},
        {IDS_LISTVIEW_TIPS_Size, "Grootte: %s", false},
        {IDS_LISTVIEW_TIPS_Size, "Grootte: %I64f", false},
        {IDS_MAINFORM_MENU_File, "Datei", true},
        {IDS_MAINFORM_MENU_File, "Datei %s", false},
        // Widths and precisions that would make the formatter write or pad for ever.
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %999999999s", false},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %.2147483648s", false},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %-0000000000000000000000080s", true},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %257s", false},
        {IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %256.256s", true},
        {IDS_LISTVIEW_TIPS_Size, "Grootte: %.99999f MB", false},
        {IDS_LISTVIEW_TIPS_Size, "Grootte: %1.1.1f MB", false},
    };
    for (const auto& c : cases) {
        SetLangText(c.key, c.translation);
        EXPECT_STREQ(LangFormatText(c.key), c.used ? c.translation : LangEnglishDefault(c.key))
            << c.translation;
    }
    RestoreEnglishDefaults();
    EXPECT_STREQ(LangFormatText(IDS_LISTVIEW_TIPS_Size), "Size:  %.2f M");
}

TEST(SkinTable, SectionsInFileOrder) {
    for (int i = 0; i < SK_COUNT; ++i)
        EXPECT_STREQ(SkinSection(static_cast<SkinKey>(i)), i < 108 ? "MainForm" : "RegistryForm")
            << SkinKeyName(static_cast<SkinKey>(i));
    const std::pair<SkinKey, const char*> marks[] = {
        {static_cast<SkinKey>(0), "SK_MAINFORM_Pos"},
        {static_cast<SkinKey>(1), "SK_MAINFORM_PicBackGround"},
        {static_cast<SkinKey>(46), "SK_MAINFORM_BUTTON_StartupItems_PosDisabled"},
        {static_cast<SkinKey>(47), "SK_MAINFORM_PAGECONTROL_Pos"},
        {static_cast<SkinKey>(77), "SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos"},
        {static_cast<SkinKey>(79), "SK_MAINFORM_PAGE2_Pos"},
        {static_cast<SkinKey>(91), "SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos"},
        {static_cast<SkinKey>(107), "SK_PROGRESSFORM_ImageBG_Pic"},
        {static_cast<SkinKey>(108), "SK_ABOUTFORM_IMGABOUT_POS"},
        {static_cast<SkinKey>(119), "SK_SPLASHFORM_LABEL_CopyrightInfo_Pos"},
    };
    for (const auto& [key, name] : marks) EXPECT_STREQ(SkinKeyName(key), name);
}

// A value under the wrong key shows as a bounds text where a picture name is
// expected, or the other way round.
TEST(SkinTable, EveryDefaultFitsItsKind) {
    std::set<std::string> seen;
    for (int i = 0; i < SK_COUNT; ++i) {
        SkinKey key = static_cast<SkinKey>(i);
        std::string name = SkinKeyName(key), value = SkinDefault(key);
        EXPECT_EQ(SkinValue(key), value);
        EXPECT_TRUE(seen.insert(Lower(name)).second) << "duplicate key " << name;
        bool bounds =
            EndsWith(name, "_Pos") || EndsWith(name, "_POS") || EndsWith(name, "_FullPos");
        if (bounds) {
            int l, t, w, h;
            char rest;
            EXPECT_EQ(std::sscanf(value.c_str(), "%d ,%d ,%d ,%d %c", &l, &t, &w, &h, &rest), 4)
                << name << " = " << value;
        } else {
            EXPECT_TRUE(EndsWith(value, ".png")) << name << " = " << value;
        }
    }
}

TEST(SkinTable, ButtonPicturesFollowTheirStem) {
    const std::pair<const char*, const char*> states[] = {
        {"_PicNormal", "_Normal.png"},
        {"_PicMouseHover", "_Hover.png"},
        {"_PicMouseDown", "_Down.png"},
        {"_PicDisabled", "_Disabled.png"},
    };
    int pictures = 0;
    for (int i = 0; i < SK_COUNT; ++i) {
        std::string name = SkinKeyName(static_cast<SkinKey>(i));
        std::string value = SkinDefault(static_cast<SkinKey>(i));
        if (name.rfind("SK_MAINFORM_BUTTON_ProgramList_", 0) == 0 ||
            name.rfind("SK_MAINFORM_BUTTON_StartupItems_", 0) == 0)
            continue;
        for (int state = 0; state < 4; ++state) {
            std::string suffix = states[state].first;
            if (!EndsWith(name, suffix)) continue;
            ++pictures;
            EXPECT_TRUE(EndsWith(value, states[state].second)) << name << " = " << value;
            // The four pictures of one button follow its bounds.
            std::string prefix = name.substr(0, name.size() - suffix.size());
            EXPECT_EQ(SkinKeyName(static_cast<SkinKey>(i - state - 1)), prefix + "_Pos") << name;
        }
    }
    EXPECT_EQ(pictures, 14 * 4);
    // The page buttons share one picture set; their fifth key says "Pos".
    for (SkinKey key :
         {SK_MAINFORM_BUTTON_ProgramList_PicNormal, SK_MAINFORM_BUTTON_StartupItems_PicNormal})
        EXPECT_STREQ(SkinDefault(key), "btnProgramList_Hover.png");
    for (SkinKey key :
         {SK_MAINFORM_BUTTON_ProgramList_PicMouseHover, SK_MAINFORM_BUTTON_ProgramList_PicMouseDown,
          SK_MAINFORM_BUTTON_ProgramList_PosDisabled, SK_MAINFORM_BUTTON_StartupItems_PicMouseHover,
          SK_MAINFORM_BUTTON_StartupItems_PicMouseDown,
          SK_MAINFORM_BUTTON_StartupItems_PosDisabled})
        EXPECT_STREQ(SkinDefault(key), "btnProgramList_Disabled.png");
}

}  // namespace
}  // namespace cx
