#include "GameHarness.h"
#include "platform/dinput/DIKeys.h"

#include <gtest/gtest.h>

using game_test::TTestGame;

namespace {

struct MovementTest : ::testing::Test {
    TTestGame g;
    TDDSprite* p1 = nullptr;
    void arena(const std::vector<std::string>& rows, int cx, int cy) {
        g.SetMaze(rows);
        g.PutPlayer(1, cx, cy);
        p1 = g.Player(1);
        g.Frame(); // the first move of a sprite only starts its clock
    }
    // Runs frames until the player stands still (at most limit frames); answers the count.
    int untilStill(int limit = 1000) {
        for (int n = 1; n <= limit; ++n) {
            g.Frame();
            if (p1->RawVelocityX() == 0 && p1->RawVelocityY() == 0) return n;
        }
        return -1;
    }
};

const std::vector<std::string> openRow = {
    "........",
    ".#.#.#.#",
    "........",
};

} // namespace

TEST_F(MovementTest, HoldingRightWalksToTheEndOfTheRowCellByCell) {
    arena(openRow, 0, 0);
    g.HandleKeyDown(DIK_RIGHT);
    std::vector<int> xs;
    for (int i = 0; i < 40; ++i) {
        g.Frame(8);
        xs.push_back(p1->GetX());
    }
    // 100 px/s: 0.8 px per 8 ms frame, whole pixels by rounding.
    // The walk starts at the first frame's limit check; 0.8 px per 8 ms frame after it.
    EXPECT_EQ(xs[0], 0);
    EXPECT_EQ(xs[39], 31);
    // Held against the end of the row the walk restarts every frame without moving.
    g.Frames(300);
    EXPECT_EQ(p1->GetX(), 224);
    EXPECT_GT(p1->RawVelocityX(), 0);
    EXPECT_EQ(p1->Start, 0u);
    EXPECT_EQ(p1->Stop, 3u);
}

TEST_F(MovementTest, ATapMovesExactlyOneCellAtBothSpeeds) {
    for (double speed : {100.0, 200.0}) {
        arena(openRow, 2, 0);
        g.Players[0].Speed = speed;
        g.HandleKeyDown(DIK_LEFT);
        g.Frames(2);
        g.HandleKeyUp(DIK_LEFT);
        int frames = untilStill();
        EXPECT_EQ(p1->GetX(), 32) << speed;
        EXPECT_EQ(p1->GetY(), 0);
        // 32 pixels at 10 ms a frame, one of them before the key-up.
        EXPECT_NEAR(frames + 1, 3200 / speed, 1) << speed;
        EXPECT_EQ(p1->Stop, p1->Start);
    }
}

TEST_F(MovementTest, ReleasingRightHalfwayStopsInTheNextFreeCell) {
    arena(openRow, 0, 0);
    g.HandleKeyDown(DIK_RIGHT);
    g.Frames(50);
    ASSERT_EQ(p1->GetX(), 49);
    g.HandleKeyUp(DIK_RIGHT);
    untilStill();
    EXPECT_EQ(p1->GetX(), 64);
}

TEST_F(MovementTest, ReleasingLeftHalfwayStopsAtTheLeftEdgeOfTheCell) {
    arena(openRow, 4, 0);
    g.HandleKeyDown(DIK_LEFT);
    g.Frames(50);
    ASSERT_EQ(p1->GetX(), 79);
    g.HandleKeyUp(DIK_LEFT);
    untilStill();
    EXPECT_EQ(p1->GetX(), 64);
}

TEST_F(MovementTest, PushingAgainstAWallKeepsThePlayerInPlaceWithWalkingFrames) {
    arena(openRow, 0, 0);
    g.HandleKeyDown(DIK_UP);
    g.Frames(20);
    EXPECT_EQ(p1->GetY(), 0);
    EXPECT_EQ(p1->Start, 5u);
    EXPECT_EQ(p1->Stop, 8u);
}

TEST_F(MovementTest, WalkingDownStopsAtSolidBlockAndWoodEndsTheWalk) {
    arena({"..w.", ".#..", "...."}, 0, 0);
    g.HandleKeyDown(DIK_DOWN);
    untilStill();
    EXPECT_EQ(p1->GetY(), 64);
    g.HandleKeyUp(DIK_DOWN);
    g.PutPlayer(1, 1, 0);
    g.HandleKeyDown(DIK_RIGHT);
    g.Frame();
    untilStill();
    EXPECT_EQ(p1->GetX(), 32);
}

TEST_F(MovementTest, AStraddlingPlayerTurnsOnlyWhenBothRowsAreFree) {
    arena({"...", ".#.", "...", "..."}, 0, 0);
    g.HandleKeyDown(DIK_DOWN);
    g.Frames(17);
    ASSERT_EQ(p1->GetY(), 16);
    // Rows 0 and 1 at column 1: block in row 1, so no turn right.
    g.HandleKeyDown(DIK_RIGHT);
    g.Frames(5);
    EXPECT_EQ(p1->GetX(), 0);
    untilStill();
    EXPECT_EQ(p1->GetY(), 32);
    EXPECT_EQ(p1->GetX(), 0);
}

TEST_F(MovementTest, ABombInFrontShortensTheWalk) {
    arena(openRow, 0, 0);
    g.PutPlayer(2, 5, 0);
    g.HandleKeyDown(DIK_RIGHT);
    g.Frame();
    g.HandleKeyDown(DIK_LSHIFT); // player 2 lays a bomb on (5, 0)
    ASSERT_NE(g.Cell(5, 0)->Bomb, nullptr);
    g.Frames(200);
    EXPECT_EQ(p1->GetX(), 4 * 32);
}

TEST_F(MovementTest, WoodClipWalksIntoWoodAndItsEndGoesNoFurtherIntoWood) {
    arena({"..wwww.."}, 0, 0);
    g.Players[0].WoodClip = true;
    g.HandleKeyDown(DIK_RIGHT);
    g.Frames(70);
    ASSERT_GT(p1->GetX(), 64);
    ASSERT_LT(p1->GetX(), 96);
    g.WoodClipTimerTimer(0);
    EXPECT_FALSE(g.Players[0].WoodClip);
    g.HandleKeyUp(DIK_RIGHT);
    untilStill();
    EXPECT_EQ(p1->GetX(), 64);
}

TEST_F(MovementTest, BombClipPassesOwnBombsOnly) {
    arena({"........"}, 0, 0);
    g.Players[0].BombClip = true;
    g.Players[0].Bombs = 2;
    g.PutPlayer(2, 7, 0);
    g.HandleKeyDown(DIK_INSERT);
    g.HandleKeyUp(DIK_INSERT);
    g.PutPlayer(1, 2, 0);
    g.HandleKeyDown(DIK_INSERT);
    g.HandleKeyUp(DIK_INSERT);
    g.PutPlayer(1, 3, 0);
    EXPECT_FALSE(g.CellBlocked(2, 0, p1));
    EXPECT_TRUE(g.CellBlocked(2, 0, g.Player(2)));
    g.Players[0].BombClip = false;
    EXPECT_TRUE(g.CellBlocked(2, 0, p1));
}

TEST_F(MovementTest, PressingADirectionReleasesTheOthers) {
    arena(openRow, 0, 0);
    g.HandleKeyDown(DIK_RIGHT);
    g.HandleKeyDown(DIK_DOWN);
    EXPECT_EQ(p1->Tag() & TagDirections, TagDown);
}
