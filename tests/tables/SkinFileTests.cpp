#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/MessageLog.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/SkinFile.h"
#include "skin/SkinSettings.h"
#include "widgets/Seam.h"

namespace cx {
namespace {

class SkinFile : public ::testing::Test {
protected:
    void SetUp() override {
        RestoreSkinDefaults();
        RestoreEnglishDefaults();
        dir =
            test::FreshScratchDir(std::string("tables-") +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { RestoreSkinDefaults(); }

    test::MessageLog messageLog;
    std::vector<ui::MessageRecord>& messages = messageLog.shown;
    std::string dir;
};

TEST_F(SkinFile, FirstStartWritesBothSectionsInFileOrder) {
    ASSERT_EQ(LoadSkinFile(dir + "Default.ini"), SkinLoad::Read);
    EXPECT_TRUE(messages.empty());

    std::vector<std::string> lines;
    for (std::string& line : test::ReadLines(dir + "Default.ini"))
        if (!TrimControl(line).empty()) lines.push_back(std::move(line));
    ASSERT_EQ(lines.size(), 2u + SK_COUNT);
    EXPECT_EQ(lines[0], "[MainForm]");
    EXPECT_EQ(lines[1 + 108], "[RegistryForm]");
    size_t at = 1;
    for (int i = 0; i < SK_COUNT; ++i, ++at) {
        if (i == 108) ++at;
        SkinKey key = static_cast<SkinKey>(i);
        EXPECT_EQ(lines[at], std::string(SkinKeyName(key)) + "=" + SkinDefault(key));
        EXPECT_EQ(SkinValue(key), SkinDefault(key));
    }
}

TEST_F(SkinFile, AFileWithOneKeyChangesOnlyThatEntry) {
    // The About image bounds under the wrong section must not be taken.
    test::WriteWholeFile(dir + "Small.ini",
                         "[mainform]\r\n"
                         "sk_mainform_pos = 10, 20, 800, 600\r\n"
                         "SK_ABOUTFORM_IMGABOUT_POS=1,1,1,1\r\n");
    ASSERT_EQ(LoadSkinFile(dir + "Small.ini"), SkinLoad::Read);
    EXPECT_TRUE(messages.empty());
    for (int i = 0; i < SK_COUNT; ++i) {
        SkinKey key = static_cast<SkinKey>(i);
        EXPECT_EQ(SkinValue(key), key == SK_MAINFORM_Pos ? "10, 20, 800, 600" : SkinDefault(key))
            << SkinKeyName(key);
    }
}

// Saying so is the caller's part (start-up reports it: see the app tests).
TEST_F(SkinFile, UnwritableFileIsReturnedUnsaidAndTheDefaultsStay) {
    std::string path = dir + "Missing\\Default.ini";
    EXPECT_EQ(LoadSkinFile(path), SkinLoad::NotWritten);
    EXPECT_TRUE(messages.empty());
    for (int i = 0; i < SK_COUNT; ++i)
        EXPECT_EQ(SkinValue(static_cast<SkinKey>(i)), SkinDefault(static_cast<SkinKey>(i)));
}

}  // namespace
}  // namespace cx
