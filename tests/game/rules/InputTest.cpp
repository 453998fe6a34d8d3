#include "GameHarness.h"
#include "platform/dinput/DIKeys.h"

#include <gtest/gtest.h>

using game_test::TTestGame;

namespace {

struct InputTest : ::testing::Test {
    TTestGame g;
    void SetUp() override {
        g.SetMaze({"......", "......", "......", "......"});
        for (int n = 1; n <= 4; ++n)
            g.PutPlayer(n, n, n - 1);
        g.Frame();
    }
};

struct KeyCase {
    int player;
    int key;
    long bit;
};

} // namespace

TEST_F(InputTest, EachPlayersDirectionKeysSetAndClearTheirBits) {
    const KeyCase cases[] = {
        {1, DIK_LEFT, TagLeft},    {1, DIK_RIGHT, TagRight},   {1, DIK_UP, TagUp},
        {1, DIK_DOWN, TagDown},    {2, DIK_A, TagLeft},        {2, DIK_D, TagRight},
        {2, DIK_W, TagUp},         {2, DIK_S, TagDown},        {3, DIK_J, TagLeft},
        {3, DIK_L, TagRight},      {3, DIK_I, TagUp},          {3, DIK_K, TagDown},
        {4, DIK_NUMPAD4, TagLeft}, {4, DIK_NUMPAD6, TagRight}, {4, DIK_NUMPAD8, TagUp},
        {4, DIK_NUMPAD5, TagDown},
    };
    for (const KeyCase& c : cases) {
        g.HandleKeyDown(c.key);
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(g.Player(n)->Tag() & TagDirections, n == c.player ? c.bit : 0) << c.key;
        g.HandleKeyUp(c.key);
        EXPECT_EQ(g.Player(c.player)->Tag() & TagDirections, 0);
    }
}

TEST_F(InputTest, BombKeysLayAndTheirReleaseClearsTheHeldBit) {
    const int bombKeys[] = {DIK_INSERT, DIK_LSHIFT, DIK_SPACE, DIK_NUMPAD0};
    for (int n = 1; n <= 4; ++n) {
        g.HandleKeyDown(bombKeys[n - 1]);
        EXPECT_TRUE(g.Player(n)->Tag() & TagBombKey);
        EXPECT_NE(g.Cell(n, n - 1)->Bomb, nullptr) << n;
        g.HandleKeyUp(bombKeys[n - 1]);
        EXPECT_FALSE(g.Player(n)->Tag() & TagBombKey);
    }
}

TEST_F(InputTest, RoundScreenWaitsForEnterAndF2AlsoFreesTheKeys) {
    g.ShowInfo = g.InfoWaitsForEnter = true;
    g.HandleKeyDown(DIK_ESCAPE);
    g.HandleKeyDown(DIK_LEFT);
    EXPECT_FALSE(g.NextRoundRequested);
    EXPECT_EQ(g.Player(1)->Tag() & TagDirections, 0);
    g.HandleKeyDown(DIK_F2);
    EXPECT_FALSE(g.ShowInfo);
    g.HandleKeyDown(DIK_LEFT);
    EXPECT_EQ(g.Player(1)->Tag() & TagDirections, TagLeft);
    g.HandleKeyDown(DIK_F2);
    EXPECT_TRUE(g.ShowInfo);
    g.HandleKeyDown(DIK_RETURN);
    EXPECT_FALSE(g.ShowInfo || g.InfoWaitsForEnter);
    g.HandleKeyDown(DIK_ESCAPE);
    EXPECT_TRUE(g.NextRoundRequested);
}

TEST_F(InputTest, F1TogglesTheStatisticsAndTheirTimer) {
    g.HandleKeyDown(DIK_F1);
    EXPECT_TRUE(g.ShowStats);
    EXPECT_TRUE(g.Timers[gtStats].enabled);
    g.Frames(80);
    EXPECT_GT(g.Fps, 0);
    EXPECT_GE(g.StatsRedraws, 1);
    g.HandleKeyDown(DIK_F1);
    EXPECT_FALSE(g.ShowStats || g.Timers[gtStats].enabled);
}

TEST_F(InputTest, PauseKeyWorksOnlyWhileThePauseEntryIsEnabledAndOtherKeysNotWhilePaused) {
    g.HandleKeyDown(DIK_PAUSE);
    EXPECT_EQ(g.PauseKeys, 0);
    g.UiState.PauseEnabled = true;
    g.AppPaused = true;
    g.HandleKeyDown(DIK_PAUSE);
    EXPECT_EQ(g.PauseKeys, 1);
    g.HandleKeyDown(DIK_ESCAPE);
    EXPECT_FALSE(g.NextRoundRequested);
}

TEST_F(InputTest, FrozenPlayersKeysAreIgnoredButKeyUpsStillEndWalks) {
    g.HandleKeyDown(DIK_A);
    g.StartTimer(gtFreez);
    g.HandleKeyDown(DIK_D);
    EXPECT_EQ(g.Player(2)->Tag() & TagDirections, TagLeft);
    g.HandleKeyUp(DIK_A);
    EXPECT_EQ(g.Player(2)->Tag() & TagDirections, 0);
}

TEST_F(InputTest, JoystickDrivesItsPlayerAndCentringReleasesOnlyOnce) {
    g.JoystickSprite = g.Player(2);
    TJoystickState state;
    state.X = -900;
    g.HandleJoystick(state);
    EXPECT_EQ(g.Player(2)->Tag() & TagDirections, TagLeft);
    state.X = 0;
    g.HandleJoystick(state);
    EXPECT_EQ(g.Player(2)->Tag() & TagDirections, 0);
    // Centred from now on: the keyboard keeps the player walking.
    g.HandleKeyDown(DIK_S);
    g.HandleJoystick(state);
    g.HandleJoystick(state);
    EXPECT_EQ(g.Player(2)->Tag() & TagDirections, TagDown);
    state.Y = 800;
    state.X = 700;
    g.HandleJoystick(state);
    EXPECT_EQ(g.Player(2)->Tag() & TagDirections, TagDown);
    state.X = 900;
    g.HandleJoystick(state);
    EXPECT_EQ(g.Player(2)->Tag() & TagDirections, TagRight);
}

TEST_F(InputTest, JoystickButtonsLayDetonateAndCloseTheRoundScreen) {
    g.JoystickSprite = g.Player(3);
    g.Players[2].Trigger = true;
    TJoystickState state;
    state.Buttons = {0x80, 0};
    g.HandleJoystick(state);
    TDDSprite* bomb = g.Cell(3, 2)->Bomb;
    ASSERT_NE(bomb, nullptr);
    EXPECT_TRUE(g.Player(3)->Tag() & TagBombKey);
    state.Buttons = {0, 0};
    g.HandleJoystick(state);
    EXPECT_FALSE(g.Player(3)->Tag() & TagBombKey);
    g.ShowInfo = g.InfoWaitsForEnter = true;
    state.Buttons = {0, 0x80};
    g.HandleJoystick(state);
    EXPECT_FALSE(g.ShowInfo || g.InfoWaitsForEnter);
    EXPECT_EQ(g.Cell(3, 2)->Bomb, nullptr);
}

TEST_F(InputTest, NoJoystickPlayerMeansTheStickDrivesNobody) {
    TJoystickState state;
    state.X = -1000;
    state.Buttons = {0x80, 0};
    g.HandleJoystick(state);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(g.Player(n)->Tag() & (TagDirections | TagBombKey), 0);
}

// Centring the stick is the joystick's key-up: done during a Freeze it still ends the walk,
// so that the player does not walk on when the Freeze is over.
TEST(JoystickFreeze, CentringTheStickDuringAFreezeEndsTheWalkAfterIt) {
    TTestGame g;
    g.SetMaze({"............", "............"});
    g.PutPlayer(2, 0, 0);
    g.PutPlayer(1, 11, 1);
    g.JoystickSprite = g.Player(2);
    g.Frame();
    TJoystickState state;
    state.X = 900;
    g.HandleJoystick(state);
    g.Frames(5); // walking right, a few pixels into the row
    g.Players[0].FreezeExempt = true;
    g.StartTimer(gtFreez);
    state.X = 0;
    for (int i = 0; i < 10; ++i) {
        g.HandleJoystick(state);
        g.Frame();
    }
    g.Frames(500); // the Freeze ends after 5 s
    ASSERT_FALSE(g.Timers[gtFreez].enabled);
    for (int i = 0; i < 100; ++i) {
        g.HandleJoystick(state);
        g.Frame();
    }
    EXPECT_EQ(g.Player(2)->GetX(), 32) << "stopped at the next cell boundary";
    EXPECT_EQ(g.Player(2)->Tag() & TagDirections, 0);
}
