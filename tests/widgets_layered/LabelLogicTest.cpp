// The layered label's decisions, without windows: where text goes, which font
// a state draws with, and how the mouse and the focus move the state.
#include <gtest/gtest.h>

#include "widgets/Layered.h"
#include "widgets/LayeredLabel.h"

namespace {

using namespace cx::ui;

TEST(LabelPlacement, EveryAlignmentAndTheFallback) {
    struct Row {
        int align;
        TextPlacement want;
    };
    const Row rows[] = {
        {Alignment_TopLeft, {0, 0}},
        {Alignment_TopCenter, {1, 0}},
        {Alignment_TopRight, {2, 0}},
        {Alignment_MiddleLeft, {0, 1}},
        {Alignment_MiddleCenter, {1, 1}},
        {Alignment_MiddleRight, {2, 1}},
        {Alignment_BottomLeft, {0, 2}},
        {Alignment_BottomCenter, {1, 2}},
        {Alignment_BottomRight, {2, 2}},
        {Alignment_Center, {1, 1}},
        {Alignment_Left, {0, 1}},
        {Alignment_Right, {2, 1}},
        {Alignment_Custom, {0, 0}},
        // Values a stored setting could hold that no alignment has: centred.
        {-1, {1, 1}},
        {13, {1, 1}},
        {1000, {1, 1}},
    };
    for (const Row& r : rows) EXPECT_EQ(PlacementOf(r.align), r.want) << "alignment " << r.align;
}

TEST(LabelPlacement, OnlyCustomMovesTheBoxByTheOffsets) {
    const RECT bounds{80, 168, 481, 231};
    const LayoutBox label{80, 168, 401, 63};
    for (int a = Alignment_TopLeft; a < Alignment_Custom; ++a)
        EXPECT_EQ(CaptionBox(bounds, a, 7, 9), label) << "alignment " << a;
    // The far edges stay where the label's are.
    EXPECT_EQ(CaptionBox(bounds, Alignment_Custom, 7, 9), (LayoutBox{87, 177, 394, 54}));
    EXPECT_EQ(CaptionBox(bounds, Alignment_Custom, 0, 0), label);
}

TEST(LabelFormat, MultiLinesDecidesOnlyTheNoWrapFlag) {
    EXPECT_EQ(CaptionFormatFlags(0, false), kNoWrapFlag);
    EXPECT_EQ(CaptionFormatFlags(kNoWrapFlag, true), 0);
    // Other flags GDI+ may report stay as they were.
    EXPECT_EQ(CaptionFormatFlags(0x4001, false), 0x4001 | kNoWrapFlag);
    EXPECT_EQ(CaptionFormatFlags(0x4001 | kNoWrapFlag, true), 0x4001);
    EXPECT_EQ(CaptionFormatFlags(kNoWrapFlag, false), kNoWrapFlag);
}

TEST(LabelFormat, BlankCaptionsAndColours) {
    EXPECT_TRUE(CaptionBlank(""));
    EXPECT_TRUE(CaptionBlank("    "));
    EXPECT_TRUE(CaptionBlank("\t\r\n \x01"));
    EXPECT_FALSE(CaptionBlank("  a  "));
    EXPECT_FALSE(CaptionBlank("\r\n."));
    // A character of the upper half is text, not a control character.
    EXPECT_FALSE(CaptionBlank(" \xE9 "));

    EXPECT_EQ(OpaqueArgb(RGB(1, 2, 3)), 0xFF010203u);
    EXPECT_EQ(OpaqueArgb(RGB(255, 0, 128), 128), 0x80FF0080u);
    // A system colour value is taken by its low bytes, not looked up.
    EXPECT_EQ(OpaqueArgb(0xFF000008), 0xFF080000u);
}

TEST(LabelFormat, EveryLineBreakReachesGdiplusAsOneLineFeed) {
    EXPECT_EQ(DrawnCaption("a\r\nb"), L"a\nb");
    EXPECT_EQ(DrawnCaption("a\rb"), L"a\nb");
    EXPECT_EQ(DrawnCaption("a\nb"), L"a\nb");
    EXPECT_EQ(DrawnCaption("a\r\r\nb\r"), L"a\n\nb\n");
    EXPECT_EQ(DrawnCaption("\r\n"), L"\n");
    EXPECT_EQ(DrawnCaption(""), L"");
}

TEST(LabelFormat, TextQualityHints) {
    for (int q = 0; q <= 5; ++q) EXPECT_EQ(TextRenderingHintFor(q), q);
    EXPECT_EQ(TextRenderingHintFor(6), 0);
    EXPECT_EQ(TextRenderingHintFor(-1), 0);
}

TEST(LabelLooks, DisabledWinsThenPressedThenHover) {
    EXPECT_EQ(LookFor(true, false, false), LabelLook::Normal);
    EXPECT_EQ(LookFor(true, false, true), LabelLook::Hover);
    EXPECT_EQ(LookFor(true, true, false), LabelLook::Down);
    EXPECT_EQ(LookFor(true, true, true), LabelLook::Down);
    EXPECT_EQ(LookFor(false, true, true), LabelLook::Disabled);
    EXPECT_EQ(LookFor(false, false, false), LabelLook::Disabled);
}

TEST(LabelLooks, OutsideMeansBeyondTheEdgesNotOnThem) {
    EXPECT_FALSE(PointOutsideLabel(0, 0, 40, 20));
    EXPECT_FALSE(PointOutsideLabel(40, 20, 40, 20));  // the far edge still counts as on it
    EXPECT_TRUE(PointOutsideLabel(-1, 5, 40, 20));
    EXPECT_TRUE(PointOutsideLabel(5, -1, 40, 20));
    EXPECT_TRUE(PointOutsideLabel(41, 5, 40, 20));
    EXPECT_TRUE(PointOutsideLabel(5, 21, 40, 20));
}

TEST(LabelStates, WhatTheMouseAndTheFocusDoToTheLooks) {
    LabelState s;
    s.MouseEnter();
    EXPECT_EQ(s, (LabelState{true, false}));
    s.LeftButtonDown();
    EXPECT_EQ(s, (LabelState{false, true}));
    EXPECT_FALSE(s.MouseLeave());  // a pressed label keeps its look
    s.MouseMove(false);
    EXPECT_EQ(s, (LabelState{false, true}));
    s.MouseMove(true);  // the first move outside drops the pressed look
    EXPECT_EQ(s, (LabelState{false, false}));
    s.ButtonUp(true);
    EXPECT_EQ(s, (LabelState{false, false}));

    s.LeftButtonDown();
    s.ButtonUp(false);  // released on it: hover
    EXPECT_EQ(s, (LabelState{true, false}));
    EXPECT_TRUE(s.MouseLeave());
    EXPECT_EQ(s, (LabelState{false, false}));

    s.LeftButtonDown();
    s.FocusLost();
    EXPECT_EQ(s, (LabelState{false, false}));
    s.LeftButtonDown();
    s.WindowMoved();  // a press that dragged the window leaves the pointer on the label
    EXPECT_EQ(s, (LabelState{true, false}));
}

}  // namespace
