#include "GameHarness.h"
#include "platform/dinput/DIKeys.h"

#include <gtest/gtest.h>

using game_test::TTestGame;

namespace {

struct MenuRow {
    bool pauseEnabled, pauseChecked;
    const char* startCaption;
    bool optionsEnabled, gameRunning, runningHandler;
    const char* captionSuffix;
};

void expectRow(TTestGame& g, const MenuRow& row, const char* state) {
    EXPECT_EQ(g.UiState.PauseEnabled, row.pauseEnabled) << state;
    EXPECT_EQ(g.UiState.PauseChecked, row.pauseChecked) << state;
    EXPECT_EQ(g.UiState.StartCaption, row.startCaption) << state;
    EXPECT_EQ(g.UiState.OptionsEnabled, row.optionsEnabled) << state;
    EXPECT_EQ(g.GameRunning, row.gameRunning) << state;
    EXPECT_EQ(g.RunningHandler, row.runningHandler) << state;
    EXPECT_EQ(g.UiState.CaptionSuffix, row.captionSuffix) << state;
    EXPECT_EQ(g.UiState.CursorHidden, row.runningHandler) << state;
}

const MenuRow NoMatch = {false, false, "&Start", true, false, false, " - Setup"};
const MenuRow Running = {true, false, "&Restart", false, true, true, " - Game"};
const MenuRow PausedRow = {true, true, "&Restart", false, true, false, " - Paused"};

} // namespace

TEST(MenuStates, StartPauseResumeAndStopFollowTheTable) {
    TTestGame g;
    g.Options.Playing = {true, true, false, false};
    g.FirstShowDone = true;
    expectRow(g, NoMatch, "start-up");
    g.MenuStartClick();
    expectRow(g, Running, "running");
    EXPECT_EQ(g.Round, 1);
    EXPECT_TRUE(g.ShowInfo && g.InfoWaitsForEnter);
    g.MenuPauseClick();
    expectRow(g, PausedRow, "paused");
    g.MenuPauseClick();
    expectRow(g, Running, "resumed");
    g.MenuPauseClick();
    g.MenuStartClick();
    expectRow(g, NoMatch, "stopped while paused");
    EXPECT_GT(g.UiUpdates, 0);
}

TEST(MenuStates, StartNeedsTwoPlayersAndTheFirstShow) {
    TTestGame g;
    g.Options.Playing = {true, false, false, false};
    g.MenuStartClick();
    EXPECT_EQ(g.TooFewMessages, 0);
    g.FirstShowDone = true;
    g.MenuStartClick();
    EXPECT_EQ(g.TooFewMessages, 1);
    expectRow(g, NoMatch, "refused");
    EXPECT_EQ(g.Round, 0);
}

TEST(MenuStates, AMatchStartResetsScoresAndTheFrameClock) {
    TTestGame g;
    g.Players[1].Wins = 4;
    g.Players[2].Kills = 2;
    g.TickOffset = 5000;
    g.Start();
    EXPECT_EQ(g.Players[1].Wins, 0);
    EXPECT_EQ(g.Players[2].Kills, 0);
    EXPECT_EQ(g.TickOffset, 0);
}

TEST(Pause, PausingFreezesEveryFuseAndAnimation) {
    TTestGame g;
    g.Start();
    g.SetMaze({"......", "......", "......"});
    g.PutPlayer(1, 0, 0);
    g.PutPlayer(3, 5, 2);
    g.Players[0].BombLive = true;
    g.Frame();
    g.HandleKeyDown(DIK_INSERT);
    TDDSprite* bomb = g.Cell(0, 0)->Bomb;
    ASSERT_NE(bomb, nullptr);
    DWORD laid = bomb->UserTick;
    g.Frames(300); // 3 s of the fuse
    g.MenuPauseClick();
    g.Frames(1000); // 10 s paused
    EXPECT_EQ(g.Cell(0, 0)->Bomb, bomb);
    g.MenuPauseClick();
    g.Frames(1);
    EXPECT_EQ(g.Clock().Now() + static_cast<DWORD>(g.TickOffset) - laid, 3010u);
    g.Frames(49);
    EXPECT_EQ(g.Cell(0, 0)->Bomb, bomb);
    g.Frames(1);
    EXPECT_EQ(g.Cell(0, 0)->Bomb, nullptr);
}

TEST(Pause, ThePauseKeyPausesAndResumesFromTheFrame) {
    TTestGame g;
    g.PauseKeyClicksMenu = true;
    g.Options.Playing = {true, true, false, false};
    g.Start();
    g.HandleKeyDown(DIK_PAUSE);
    EXPECT_TRUE(g.Paused);
    EXPECT_TRUE(g.UiState.PauseChecked);
    g.HandleKeyUp(DIK_PAUSE);
    g.HandleKeyDown(DIK_PAUSE);
    EXPECT_FALSE(g.Paused);
}

TEST(Pause, EscapeStartsTheNextRoundAtTheNextFrame) {
    TTestGame g;
    g.Start();
    g.HandleKeyDown(DIK_ESCAPE);
    g.Frame();
    EXPECT_EQ(g.Round, 2);
    EXPECT_TRUE(g.ShowInfo && g.InfoWaitsForEnter);
}

// A bomb laid during the pause would be stamped with a clock that the resume shifts back:
// keys pressed while paused do nothing, their releases still end what was held before.
TEST(Pause, KeysPressedWhilePausedDoNothingButReleasesStillCount) {
    TTestGame g;
    g.PauseKeyClicksMenu = true;
    g.Start();
    g.SetMaze({"......", "......", "......"});
    g.PutPlayer(1, 0, 0);
    g.PutPlayer(3, 5, 2);
    g.Frame();
    g.HandleKeyDown(DIK_J); // player 3 walks left
    g.Frame();
    g.HandleKeyDown(DIK_PAUSE);
    ASSERT_TRUE(g.Paused);
    g.Frames(300); // 3 s paused
    g.HandleKeyDown(DIK_INSERT);
    g.HandleKeyUp(DIK_INSERT);
    g.HandleKeyDown(DIK_DOWN);
    g.HandleKeyDown(DIK_ESCAPE);
    g.HandleKeyUp(DIK_J);
    EXPECT_EQ(g.Cell(0, 0)->Bomb, nullptr) << "no bomb laid while paused";
    EXPECT_EQ(g.Player(1)->Tag() & TagDirections, 0) << "no walk started while paused";
    EXPECT_EQ(g.Player(3)->Tag() & TagDirections, 0) << "the release of a held key counts";
    g.HandleKeyDown(DIK_PAUSE);
    ASSERT_FALSE(g.Paused);
    g.Frames(50);
    EXPECT_TRUE(g.Player(1)->Visible());
    EXPECT_EQ(g.Players[0].Suicide, 0);
    EXPECT_FALSE(g.NextRoundRequested);
    EXPECT_EQ(g.Round, 1);
}

TEST(Pause, JoystickButtonsAndStickDoNothingWhilePaused) {
    TTestGame g;
    g.Start();
    g.SetMaze({"......", "......", "......"});
    g.PutPlayer(1, 0, 0);
    g.PutPlayer(3, 5, 2);
    g.JoystickSprite = g.Player(1);
    g.Frame();
    g.MenuPauseClick();
    TJoystickState state;
    state.Buttons = {0x80, 0};
    state.X = 900;
    g.HandleJoystick(state);
    EXPECT_EQ(g.Cell(0, 0)->Bomb, nullptr);
    EXPECT_EQ(g.Player(1)->Tag() & (TagDirections | TagBombKey), 0);
    g.MenuPauseClick();
    g.Frames(50);
    EXPECT_EQ(g.Players[0].Suicide, 0);
}

// However the clock moved, a bomb stamped later than the frame's time waits for its fuse.
TEST(Pause, ABombStampedAheadOfTheClockWaitsForItsWholeFuse) {
    TTestGame g;
    g.Start();
    g.SetMaze({"......", "......", "......"});
    g.PutPlayer(1, 0, 0);
    g.PutPlayer(3, 5, 2);
    g.Players[0].BombLive = true;
    g.Frame();
    g.HandleKeyDown(DIK_INSERT);
    TDDSprite* bomb = g.Cell(0, 0)->Bomb;
    ASSERT_NE(bomb, nullptr);
    bomb->UserTick += 2000;
    g.Frame();
    EXPECT_EQ(g.Cell(0, 0)->Bomb, bomb);
    g.Frames(549); // 3500 ms past the stamp
    EXPECT_EQ(g.Cell(0, 0)->Bomb, bomb);
    g.Frame();
    EXPECT_EQ(g.Cell(0, 0)->Bomb, nullptr);
}
