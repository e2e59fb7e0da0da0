#include <gtest/gtest.h>

#include "platform/Error.h"
#include "skin/Bounds.h"

namespace {

using Parts = std::vector<std::string>;

TEST(SplitList, TrimsEveryPartButTheLast) {
    EXPECT_EQ(cx::SplitList("", ",", true), Parts{""});
    EXPECT_EQ(cx::SplitList(" a , b ,c ", ",", true), (Parts{"a", "b", "c "}));
    EXPECT_EQ(cx::SplitList(" a , b ", ",", false), (Parts{" a ", " b "}));
    EXPECT_EQ(cx::SplitList("a,", ",", true), (Parts{"a", ""}));
    EXPECT_EQ(cx::SplitList(",,", ",", true), (Parts{"", "", ""}));
    EXPECT_EQ(cx::SplitList("\t1\r\n,2", ",", true), (Parts{"1", "2"}));
    EXPECT_EQ(cx::SplitList("a::b", "::", true), (Parts{"a", "b"}));
}

TEST(ParseBounds, BlanksAroundNumbersGiveTheSameBounds) {
    cx::Bounds expected{152, 40, 280, 16};
    EXPECT_EQ(cx::ParseBounds("152,40,280,16"), expected);
    EXPECT_EQ(cx::ParseBounds("152, 40, 280, 16"), expected);
    EXPECT_EQ(cx::ParseBounds("  152 ,  40 ,280,   16"), expected);
    EXPECT_EQ(cx::ParseBounds("-5, +3, 0, 0"), (cx::Bounds{-5, 3, 0, 0}));
}

TEST(ParseBounds, FewerThanFourPartsChangeNothingAndExtraPartsAreIgnored) {
    EXPECT_FALSE(cx::ParseBounds(""));
    EXPECT_FALSE(cx::ParseBounds("11, 28, 117"));
    EXPECT_EQ(cx::ParseBounds("11, 28, 117, 34, 99"), (cx::Bounds{11, 28, 117, 34}));
    // The fifth part is not read, so it may be anything.
    EXPECT_EQ(cx::ParseBounds("11, 28, 117, 34, x"), (cx::Bounds{11, 28, 117, 34}));
}

TEST(ParseBounds, APartThatIsNotANumberIsAnError) {
    EXPECT_THROW(cx::ParseBounds("a, 28, 117, 34"), cx::AppError);
    EXPECT_THROW(cx::ParseBounds("11, 28, 1x7, 34"), cx::AppError);
    EXPECT_THROW(cx::ParseBounds("11, , 117, 34"), cx::AppError);
    EXPECT_THROW(cx::ParseBounds("11, 28, 117, 99999999999"), cx::AppError);
    // The last part is not trimmed, so a trailing blank makes it no number.
    EXPECT_THROW(cx::ParseBounds("11, 28, 117, 34 "), cx::AppError);
}

}  // namespace
