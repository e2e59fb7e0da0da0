#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "harness/MessageLog.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "i18n/LanguageFile.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx {
namespace {

std::string DisplayedEnglish(Ids key) {
    std::string text = LangEnglishDefault(key);
    return IsConvertedEntry(key) ? ReplaceAll(text, "#13", "\r\n") : text;
}

std::vector<std::string> NonEmptyLines(const std::string& path) {
    std::vector<std::string> lines;
    for (std::string& line : test::ReadLines(path))
        if (!TrimControl(line).empty()) lines.push_back(std::move(line));
    return lines;
}

class LanguageFile : public ::testing::Test {
protected:
    void SetUp() override {
        RestoreEnglishDefaults();
        dir =
            test::FreshScratchDir(std::string("tables-") +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { RestoreEnglishDefaults(); }
    // A language file with one line per entry, built by `line` from the entry.
    template <typename LineOf>
    std::string WriteFile(const std::string& name, const std::string& section, LineOf line) {
        std::string text = section + "\r\n";
        for (int i = 0; i < IDS_COUNT; ++i) text += line(static_cast<Ids>(i), i) + "\r\n";
        test::WriteWholeFile(dir + name, text);
        return dir + name;
    }

    test::MessageLog messageLog;
    std::vector<ui::MessageRecord>& messages = messageLog.shown;
    std::string dir;
};

TEST_F(LanguageFile, AFileOfTheOriginalKeysStillReadsAndTheAddedKeysKeepEnglish) {
    std::string text = "[Language]\r\n";
    for (int i = 0; i < kOriginalLangEntries; ++i)
        text +=
            std::string(LangKeyForRead(static_cast<Ids>(i))) + "=T" + std::to_string(i) + "\r\n";
    test::WriteWholeFile(dir + "Old.ini", text);
    ASSERT_TRUE(LoadLanguageFile(dir + "Old.ini"));
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), "T0");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed), "T140");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_CleanIncomplete),
              LangEnglishDefault(IDS_MESSAGEBOX_WARNING_CleanIncomplete));
    EXPECT_TRUE(messages.empty());
}

TEST_F(LanguageFile, FirstStartWritesEnglishInTableOrderAndReadsItBack) {
    ASSERT_TRUE(LoadLanguageFile(dir + "English.ini"));
    EXPECT_TRUE(messages.empty());

    std::vector<std::string> lines = NonEmptyLines(dir + "English.ini");
    ASSERT_EQ(lines.size(), 1u + IDS_COUNT);
    EXPECT_EQ(lines[0], "[Language]");
    for (int i = 0; i < IDS_COUNT; ++i) {
        Ids key = static_cast<Ids>(i);
        const std::string& line = lines[1 + i];
        size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        EXPECT_EQ(TrimControl(line.substr(0, eq)), TrimControl(LangKeyForWrite(key)));
        EXPECT_EQ(line.find("#13") != std::string::npos, IsConvertedEntry(key)) << line;
    }

    // Read back: line breaks in the four converted texts, every other text exactly
    // as built in, blanks at its ends included.
    for (int i = 0; i < IDS_COUNT; ++i) {
        Ids key = static_cast<Ids>(i);
        EXPECT_EQ(LangText(key), DisplayedEnglish(key)) << LangKeyForRead(key);
    }

    // Writing the texts as they are now shown stores the same file again.
    ASSERT_TRUE(WriteDefaultLanguageFile(dir + "Again.ini"));
    EXPECT_EQ(test::ReadWholeFile(dir + "Again.ini"), test::ReadWholeFile(dir + "English.ini"));
}

TEST_F(LanguageFile, UnwritableFileIsReportedOnceAndTheTextsStay) {
    ForceDirectories(dir + "Taken.ini");
    const std::string paths[] = {dir + "Missing\\English.ini", dir + "Taken.ini"};
    for (const std::string& path : paths) {
        messages.clear();
        SetLangText(IDS_MAINFORM_MENU_File, "Datei");
        EXPECT_FALSE(LoadLanguageFile(path)) << path;
        ASSERT_EQ(messages.size(), 1u) << path;
        EXPECT_EQ(messages[0].text, "Save file " + path + " failed!");
        EXPECT_EQ(messages[0].caption, ui::ApplicationTitle());
        EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), "Datei");
        EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_ScanRemains),
                  LangEnglishDefault(IDS_MESSAGEBOX_WARNING_ScanRemains));
    }
    EXPECT_FALSE(FileExists(paths[0]));

    // The message is the current language's; one that would read a number where
    // the path is passed falls back to English.
    messages.clear();
    SetLangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %s nicht gespeichert");
    EXPECT_FALSE(LoadLanguageFile(paths[0]));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Datei " + paths[0] + " nicht gespeichert");
    messages.clear();
    SetLangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Datei %d nicht gespeichert");
    EXPECT_FALSE(LoadLanguageFile(paths[0]));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Save file " + paths[0] + " failed!");
}

// Keys in any letter case, with blanks around them or without the trailing
// blanks of the program's own key strings, and NoRemains as it is written.
TEST_F(LanguageFile, KeysMatchWhateverTheirCaseAndBlanks) {
    std::string path = WriteFile("Lower.ini", "[language]", [](Ids key, int i) {
        std::string name = Lower(TrimControl(LangKeyForWrite(key)));
        if (i % 3 == 1) name = "  " + name + " \t";
        return name + "=T" + std::to_string(i);
    });
    ASSERT_TRUE(LoadLanguageFile(path));
    for (int i = 0; i < IDS_COUNT; ++i)
        EXPECT_EQ(LangText(static_cast<Ids>(i)), "T" + std::to_string(i))
            << LangKeyForRead(static_cast<Ids>(i));

    path = WriteFile("Upper.ini", "[LANGUAGE]", [](Ids key, int i) {
        std::string upper = LangKeyForRead(key);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return upper + "=U" + std::to_string(i);
    });
    ASSERT_TRUE(LoadLanguageFile(path));
    EXPECT_EQ(LangText(IDS_LISTVIEW_RIGHTCLICK_Uninstall),
              "U" + std::to_string(IDS_LISTVIEW_RIGHTCLICK_Uninstall));
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_Noremains),
              "U" + std::to_string(IDS_MESSAGEBOX_WARNING_Noremains));
}

TEST_F(LanguageFile, ValuesAreUsedAsReadExceptTheConvertedOnes) {
    SetLangText(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher, "Herausgeber: ");
    std::string longValue(3000, 'x');
    test::WriteWholeFile(dir + "Values.ini",
                         "[Language]\r\n"
                         "IDS_MAINFORM_MENU_File=Da#13tei\r\n"
                         "IDS_MESSAGEBOX_WARNING_ScanRemains=   Rest#13weg?  \r\n"
                         "IDS_MESSAGEBOX_WARNING_DeleteScr =x#13y\r\n"
                         "IDS_MESSAGEBOX_WARNING_UninstallFailed=\"  quoted  \"\r\n"
                         "IDS_SIDEBAR_GROUPBOX_LABEL_Version=\"Version: \"\r\n"
                         "IDS_PRINTFORM_MEMO_Title=" +
                             longValue + "\r\n");
    ASSERT_TRUE(LoadLanguageFile(dir + "Values.ini"));
    EXPECT_EQ(LangText(IDS_MAINFORM_MENU_File), "Da#13tei");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_ScanRemains), "Rest\r\nweg?");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_DeleteScr), "x\r\ny");
    EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_UninstallFailed), "quoted");
    EXPECT_EQ(LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Version), "Version: ");
    EXPECT_EQ(LangText(IDS_PRINTFORM_MEMO_Title), longValue.substr(0, 2047));

    // Keys the file lacks keep the text they had, trailing blank included; a
    // converted one is shown with its line breaks.
    EXPECT_EQ(LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher), "Herausgeber: ");
    EXPECT_EQ(LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Description), "Description: ");
    EXPECT_EQ(LangText(IDS_SPLASHFORM_LABEL_Copyright),
              DisplayedEnglish(IDS_SPLASHFORM_LABEL_Copyright));
}

TEST_F(LanguageFile, AnotherSectionNameChangesNothingAndStillSucceeds) {
    SetLangText(IDS_MAINFORM_MENU_Tools, "Extras");
    std::string path = WriteFile("Other.ini", "[Sprache]", [](Ids key, int i) {
        return std::string(LangKeyForRead(key)) + "=S" + std::to_string(i);
    });
    ASSERT_TRUE(LoadLanguageFile(path));
    EXPECT_TRUE(messages.empty());
    for (int i = 0; i < IDS_COUNT; ++i) {
        Ids key = static_cast<Ids>(i);
        EXPECT_EQ(LangText(key), key == IDS_MAINFORM_MENU_Tools ? "Extras" : DisplayedEnglish(key))
            << LangKeyForRead(key);
    }
}

// The shipped second language translates every entry: each key is there with
// a text, its placeholders fit the English ones, and the four converted entries
// keep their line breaks in the stored form.
TEST_F(LanguageFile, TheShippedGermanFileTranslatesEveryEntry) {
    const std::string german = test::OutDir() + "Langs\\Deutsch.ini";
    ASSERT_TRUE(FileExists(german)) << german;
    ASSERT_TRUE(LoadLanguageFile(german));
    int same = 0;
    for (int i = 0; i < IDS_COUNT; ++i) {
        const Ids key = static_cast<Ids>(i);
        char raw[2048] = {};
        GetPrivateProfileStringA("Language", LangKeyForRead(key), "\x01", raw, sizeof raw,
                                 german.c_str());
        EXPECT_STRNE(raw, "\x01") << LangKeyForRead(key) << " is missing";
        EXPECT_STRNE(raw, "") << LangKeyForRead(key) << " is empty";
        EXPECT_STREQ(LangFormatText(key), LangText(key).c_str())
            << LangKeyForRead(key) << ": its placeholders do not fit the English text";
        if (IsConvertedEntry(key)) {
            EXPECT_NE(std::string(raw).find("#13"), std::string::npos) << LangKeyForRead(key);
        }
        if (LangText(key) == DisplayedEnglish(key)) ++same;
    }
    // Names, "OK" and the like read the same in both; most texts do not.
    EXPECT_LT(same, 12) << "entries still in English";
}

}  // namespace
}  // namespace cx
