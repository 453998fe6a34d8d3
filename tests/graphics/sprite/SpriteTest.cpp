#include "SpriteFixture.h"

#include <gtest/gtest.h>

#include <vector>

using sprite_test::TSpriteHostForm;

namespace {

struct SpriteTest : ::testing::Test {
    TSpriteHostForm form;
    TDDSprite* make() { return new TDDSprite(&form); }
};

} // namespace

TEST(SpriteOwner, RefusesAnOwnerThatIsNotADirectTDDFormSubclass) {
    sprite_test::TDDForm plain(nullptr);
    TComponent other(nullptr);
    EXPECT_THROW({ TDDSprite s(&plain); }, Exception);
    EXPECT_THROW({ TDDSprite s(&other); }, Exception);
    EXPECT_THROW({ TDDSprite s(nullptr); }, Exception);
    try {
        TDDSprite s(&plain);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TDDSprite: Owner Form is not TDDForm");
    }
}

TEST_F(SpriteTest, DefaultsAfterConstruction) {
    TDDSprite* s = make();
    EXPECT_TRUE(s->Visible());
    EXPECT_TRUE(s->Loop);
    EXPECT_TRUE(s->AutoHide);
    EXPECT_FALSE(s->AutoBounce);
    EXPECT_EQ(s->Interval, 20u);
    EXPECT_EQ(s->Alpha, 128);
    EXPECT_EQ(s->FramesPerLine, 1u);
    EXPECT_TRUE(s->RestartPending());
    EXPECT_FALSE(s->HasMoved());
    EXPECT_EQ(s->Owner(), &form);
}

TEST_F(SpriteTest, PositionRoundsHalfUpAndWrapsInSixteenBits) {
    TDDSprite* s = make();
    s->SetX(5);
    EXPECT_EQ(s->GetX(), 5);
    s->SetX(-3);
    EXPECT_EQ(s->GetX(), -3);
    s->SetX(40000);
    EXPECT_EQ(s->GetX(), 40000 - 65536);
    // Half a pixel per second over 1 s leaves a fraction of exactly 0x8000.
    s->SetX(7);
    s->SetVelocityX(0.5);
    s->Move(1000);
    s->Move(1500);
    EXPECT_EQ(s->PosX() & 0xFFFF, 0x4000);
    s->Move(2000);
    EXPECT_EQ(s->PosX() & 0xFFFF, 0x8000);
    EXPECT_EQ(s->GetX(), 8);
}

TEST_F(SpriteTest, VelocityIsStoredAsTruncatedFixedPoint) {
    TDDSprite* s = make();
    s->SetVelocityX(-1.00001);
    EXPECT_EQ(s->RawVelocityX(), -65536);
    s->SetVelocityY(1e12);
    EXPECT_EQ(s->RawVelocityY(), 2147483647);
    s->SetAccelerationX(2.5);
    EXPECT_DOUBLE_EQ(s->GetAccelerationX(), 2.5);
}

TEST_F(SpriteTest, FirstMoveDoesNotMoveAndGapsAreCappedAtHalfASecond) {
    struct Case {
        double velocity;
        DWORD first, second;
        int expectedX;
    };
    const std::vector<Case> cases = {
        {100.0, 1000, 1250, 25}, {50.0, 1000, 3000, 25}, {50.0, 1000, 1500, 25},
        {-40.0, 0, 100, -4},     {100.0, 5000, 4000, 0}, // the clock went back: no motion
    };
    for (const Case& c : cases) {
        TDDSprite* s = make();
        s->SetVelocityX(c.velocity);
        s->Move(c.first);
        EXPECT_EQ(s->GetX(), 0);
        s->Move(c.second);
        EXPECT_EQ(s->GetX(), c.expectedX) << c.velocity << " " << c.first << "->" << c.second;
    }
}

TEST(SpriteMove, SpeedTimesGapUses64Bits) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    // 400 px/s over 500 ms: 400 * 65536 * 500 is past 2^31.
    s.SetVelocityX(400.0);
    s.Move(100);
    s.Move(700);
    EXPECT_EQ(s.GetX(), 200);
}

TEST(SpriteMove, ClockAtZeroCountsAsMoved) {
    TSpriteHostForm form;
    TDDSprite s(&form);
    s.SetVelocityY(100.0);
    s.Move(0);
    s.Move(100);
    EXPECT_EQ(s.GetY(), 10);
}

TEST_F(SpriteTest, AccelerationUsesTheVelocityFromBeforeTheStep) {
    TDDSprite* s = make();
    s->SetVelocityX(10.0);
    s->SetAccelerationX(100.0);
    s->Move(0);
    s->Move(500);
    EXPECT_EQ(s->GetX(), 5);
    EXPECT_DOUBLE_EQ(s->GetVelocityX(), 60.0);
}

TEST_F(SpriteTest, LimitsClampToTheMovementBox) {
    TDDSprite* s = make();
    s->LimPosX2 = 32;
    s->LimPosY2 = 32;
    s->LimMovX1 = 0;
    s->LimMovX2 = 100;
    s->LimMovY1 = 10;
    s->LimMovY2 = 200;
    s->SetX(90);
    s->SetY(0);
    s->CheckLimits();
    EXPECT_EQ(s->GetX(), 68);
    EXPECT_EQ(s->GetY(), 10);
}

TEST_F(SpriteTest, EmptyBoxIsNotInForce) {
    TDDSprite* s = make();
    s->LimMovX1 = 10;
    s->LimMovX2 = 10;
    s->LimMovY2 = 100;
    s->SetX(-50);
    s->CheckLimits();
    EXPECT_EQ(s->GetX(), -50);
}

TEST_F(SpriteTest, BounceTurnsAtTheEdgeAfterClamping) {
    TDDSprite* s = make();
    s->AutoBounce = true;
    s->LimPosX2 = 10;
    s->LimPosY2 = 10;
    s->LimMovX2 = 100;
    s->LimMovY2 = 100;
    s->SetX(95);
    s->SetY(-5);
    s->SetVelocityX(30.0);
    s->SetVelocityY(-20.0);
    s->CheckLimits();
    EXPECT_EQ(s->GetX(), 90);
    EXPECT_EQ(s->GetY(), 0);
    EXPECT_DOUBLE_EQ(s->GetVelocityX(), -30.0);
    EXPECT_DOUBLE_EQ(s->GetVelocityY(), 20.0);
}

TEST_F(SpriteTest, CheckLimitsHandlerDecidesOnClampingAndCheckedLimitsAlwaysFires) {
    TDDSprite* s = make();
    s->LimMovX2 = 100;
    s->LimMovY2 = 100;
    s->SetX(-20);
    int checked = 0;
    s->OnCheckedLimits = [&](TObject* sender) {
        EXPECT_EQ(sender, s);
        ++checked;
    };
    s->OnCheckLimits = [](TObject*, bool& clamp) { EXPECT_FALSE(clamp); };
    s->Move(10);
    EXPECT_EQ(s->GetX(), -20);
    EXPECT_EQ(checked, 1);
    s->OnCheckLimits = [](TObject*, bool& clamp) { clamp = true; };
    s->Move(20);
    EXPECT_EQ(s->GetX(), 0);
    EXPECT_EQ(checked, 2);
}
