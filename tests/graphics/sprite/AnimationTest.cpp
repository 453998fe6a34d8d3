#include "SpriteFixture.h"

#include <gtest/gtest.h>

#include <vector>

using sprite_test::TSpriteHostForm;

namespace {

struct FrameCase {
    bool mirror;
    DWORD tick;
    unsigned frame;
};

unsigned frameAt(TDDSprite& s, DWORD tick) {
    unsigned f = 0;
    s.GetFrameNumber(tick, f);
    return f;
}

} // namespace

TEST(SpriteAnimation, LoopingAndMirroredFrameNumbers) {
    const std::vector<FrameCase> cases = {
        {false, 0, 2},  {false, 100, 3}, {false, 400, 2}, {false, 350, 5}, {true, 300, 5},
        {true, 400, 4}, {true, 500, 3},  {true, 600, 2},  {true, 700, 3},  {true, 0, 2},
    };
    TSpriteHostForm form;
    for (const FrameCase& c : cases) {
        TDDSprite s(&form);
        s.Start = 2;
        s.Stop = 5;
        s.Interval = 100;
        s.Mirror = c.mirror;
        EXPECT_EQ(frameAt(s, c.tick), c.frame) << "mirror " << c.mirror << " tick " << c.tick;
    }
}

TEST(SpriteAnimation, OffsetAddsFramesAndStopNotAboveStartAnswersStart) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    s.Start = 0;
    s.Stop = 3;
    s.Interval = 100;
    s.Offset = 2;
    EXPECT_EQ(frameAt(s, 0), 2u);
    EXPECT_EQ(frameAt(s, 200), 0u);
    s.Start = 7;
    s.Stop = 7;
    EXPECT_EQ(frameAt(s, 12345), 7u);
    s.Stop = 3;
    EXPECT_EQ(frameAt(s, 12345), 7u);
}

TEST(SpriteAnimation, ZeroIntervalCountsAsOneMillisecond) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    s.Start = 0;
    s.Stop = 9;
    s.Interval = 0;
    EXPECT_EQ(frameAt(s, 13), 3u);
}

TEST(SpriteAnimation, HugeFrameRangeDoesNotDivideByZero) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    s.Start = 0;
    s.Stop = 0xFFFFFFFFu;
    s.Interval = 1;
    EXPECT_EQ(frameAt(s, 77), 77u);
    s.Mirror = true;
    EXPECT_EQ(frameAt(s, 78), 78u);
}

TEST(SpriteAnimation, OneShotRunsOnceFromTheFirstQueryAndHidesItself) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    s.Loop = false;
    s.Start = 0;
    s.Stop = 3;
    s.Interval = 100;
    // The first query only restarts the clock; its frame still counts from StartTick 0.
    EXPECT_EQ(frameAt(s, 1050), 2u);
    EXPECT_EQ(s.StartTick, 1050u);
    EXPECT_EQ(frameAt(s, 1050), 0u);
    EXPECT_EQ(frameAt(s, 1150), 1u);
    EXPECT_TRUE(s.AnimationStarted());
    EXPECT_EQ(frameAt(s, 1350), 3u);
    EXPECT_TRUE(s.Visible());
    EXPECT_EQ(frameAt(s, 1450), 3u);
    EXPECT_FALSE(s.Visible());
}

TEST(SpriteAnimation, SetVisibleRestartsAOneShot) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    s.Loop = false;
    s.Start = 0;
    s.Stop = 1;
    s.Interval = 10;
    frameAt(s, 0);
    frameAt(s, 10);
    frameAt(s, 20);
    EXPECT_FALSE(s.Visible());
    s.SetVisible(true);
    EXPECT_TRUE(s.RestartPending());
    frameAt(s, 500);
    EXPECT_EQ(frameAt(s, 505), 0u);
    EXPECT_EQ(frameAt(s, 510), 1u);
    EXPECT_TRUE(s.Visible());
}

TEST(SpriteAnimation, OneShotWithoutAutoHideAnswersStopAtEachWrap) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    s.Loop = false;
    s.AutoHide = false;
    s.Start = 0;
    s.Stop = 2;
    s.Interval = 10;
    frameAt(s, 0);
    EXPECT_EQ(frameAt(s, 10), 1u);
    EXPECT_EQ(frameAt(s, 30), 2u);
    EXPECT_TRUE(s.Visible());
}

TEST(SpriteFrameRect, CutsTheFrameFromTheSheetGrid) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    s.Start = 0;
    s.Stop = 20;
    s.Interval = 100;
    s.FramesPerLine = 4;
    s.FrameWidth = 32;
    s.FrameHeight = 40;
    s.FirstFrameX = 3;
    s.FirstFrameY = 64;
    s.ShowLeft = 2;
    s.ShowTop = 1;
    s.ShowWidth = 20;
    s.ShowHeight = 30;
    RECT r;
    s.GetFrameRect(600, r); // frame 6: column 2, row 1
    EXPECT_EQ(r, (RECT{2 * 32 + 3 + 2, 40 + 64 + 1, 2 * 32 + 3 + 2 + 20, 40 + 64 + 1 + 30}));
    s.GetFrameRectWH(600, r);
    EXPECT_EQ(r, (RECT{69, 105, 20, 30}));
    s.FramesPerLine = 0; // counts as one frame a row
    s.GetFrameRectWH(200, r);
    EXPECT_EQ(r, (RECT{5, 2 * 40 + 65, 20, 30}));
    s.SetX(-4);
    s.SetY(9);
    s.GetShowRect(r);
    EXPECT_EQ(r, (RECT{-4, 9, 16, 39}));
}
