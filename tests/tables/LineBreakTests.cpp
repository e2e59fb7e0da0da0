#include <gtest/gtest.h>

#include <string>

#include "i18n/LangText.h"
#include "i18n/LanguageFile.h"

namespace cx {
namespace {

struct Case {
    const char* in;
    const char* out;
};

TEST(ConvertLineBreaks, TowardsDisplay) {
    const Case cases[] = {
        {"", ""},
        {"a#13b", "a\r\nb"},
        {"  a#13b \t\r\n", "a\r\nb"},  // trimmed before anything else
        {"#13#13", "\r\n\r\n"},
        {"a#13", "a\r\n"},  // a break at the end survives: trimming came first
        {"##133", "#\r\n3"},
        {"#1 3 #31", "#1 3 #31"},
        {"a\r\nb", "a\r\nb"},  // already displayed: unchanged
    };
    for (const Case& c : cases) EXPECT_EQ(ConvertLineBreaks(c.in, true), c.out) << c.in;
}

TEST(ConvertLineBreaks, TowardsStorage) {
    const Case cases[] = {
        {"", ""},
        {"a\r\nb", "a#13b"},
        {"a\nb", "a#13b"},
        {"a\rb", "a#13b"},
        {"a\n\rb", "a#13#13b"},  // LF CR is two breaks, not one pair
        {"a\r\r\nb", "a#13#13b"},
        {"\r\n a\r\nb \r\n", "a#13b"},
        {"a#13b", "a#13b"},
    };
    for (const Case& c : cases) EXPECT_EQ(ConvertLineBreaks(c.in, false), c.out) << c.in;
}

TEST(ConvertLineBreaks, ConvertedEnglishTextsSurviveTheRoundTrip) {
    int converted = 0;
    for (int i = 0; i < IDS_COUNT; ++i) {
        Ids key = static_cast<Ids>(i);
        if (!IsConvertedEntry(key)) continue;
        ++converted;
        std::string shown = ConvertLineBreaks(LangEnglishDefault(key), true);
        EXPECT_EQ(shown.find("#13"), std::string::npos) << LangKeyForRead(key);
        EXPECT_NE(shown.find("\r\n"), std::string::npos) << LangKeyForRead(key);
        EXPECT_EQ(ConvertLineBreaks(shown, false), LangEnglishDefault(key));
    }
    EXPECT_EQ(converted, 4);
}

}  // namespace
}  // namespace cx
