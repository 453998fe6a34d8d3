#include "GameHarness.h"

#include <gtest/gtest.h>

using game_test::TTestGame;

namespace {

struct MonsterTest : ::testing::Test {
    TTestGame g;
    void arena(const std::vector<std::string>& rows) {
        g.SetMaze(rows);
        g.PutPlayer(1, 0, 0);
        g.Frame();
    }
    // Spawns with scripted traits: fast, through bombs, hunter, then type 0.
    TDDSprite* spawn(int cx, int cy, bool fast, bool throughBombs, bool hunter) {
        g.Script = {fast ? 1 : 0, throughBombs ? 1 : 0, hunter ? 1 : 0, 0};
        return g.SpawnMonster(cx, cy);
    }
};

} // namespace

TEST_F(MonsterTest, TraitsComeFromThreeDrawsInOrder) {
    arena({"....", "...."});
    TDDSprite* m = spawn(2, 1, true, false, true);
    EXPECT_EQ(m->Tag(), MonsterFast | MonsterHunter);
    EXPECT_EQ(m->UserKind, skMonster);
    EXPECT_FALSE(m->Visible());
    EXPECT_EQ(g.SpriteList.IndexOf(m), g.SpriteList.IndexOf(g.Player(1)) + 1);
    EXPECT_EQ(g.MonsterList[0], m);
}

TEST_F(MonsterTest, AppearsAfterHalfASecondAndDoesNotKillBefore) {
    arena({"....", "...."});
    TDDSprite* m = spawn(0, 0, false, false, false);
    g.Frames(50); // 500 ms: not yet
    EXPECT_FALSE(m->Visible());
    EXPECT_TRUE(g.Player(1)->Visible());
    g.Frame(1);
    EXPECT_TRUE(m->Visible());
    g.Frame(1);
    EXPECT_FALSE(g.Player(1)->Visible());
}

TEST_F(MonsterTest, EnclosedMonsterStaysInItsCell) {
    arena({".#..", "#.#.", ".#.."});
    TDDSprite* m = spawn(1, 1, true, true, false);
    g.Frames(300);
    EXPECT_EQ(m->GetX(), 32);
    EXPECT_EQ(m->GetY(), 32);
}

TEST_F(MonsterTest, WalksOneCellPerStepAtItsSpeed) {
    arena({".....", ".....", "....."});
    TDDSprite* m = spawn(2, 1, false, false, false);
    g.Frames(51);
    ASSERT_TRUE(m->Visible());
    g.Script = {1}; // right
    g.Frame();
    EXPECT_DOUBLE_EQ(m->GetVelocityX(), 50.0);
    EXPECT_EQ(m->LimMovX2, 4 * 32);
    g.Script.assign(200, 3); // then always down (blocked at the bottom row after one)
    g.Frames(64);
    EXPECT_EQ(m->GetX(), 96);
}

TEST_F(MonsterTest, OnlyBombWalkersEnterACellWithABomb) {
    arena({".....", ".....", "....."});
    g.Players[0].BombLive = true;
    TDDSprite* p = g.Player(1);
    p->SetX(96);
    p->SetY(32);
    g.PlaceBomb(p);
    g.PutPlayer(1, 0, 0);
    TDDSprite* walker = spawn(2, 1, false, true, false);
    TDDSprite* shy = spawn(2, 1, false, false, false);
    EXPECT_FALSE(g.MonsterCellBlocked(3, 1, walker));
    EXPECT_TRUE(g.MonsterCellBlocked(3, 1, shy));
    EXPECT_TRUE(g.MonsterCellBlocked(1, 1, shy) == false);
}

TEST_F(MonsterTest, HunterHeadsForTheNearestPlayerThreeTimesInFour) {
    arena({".......", ".......", "......."});
    g.PutPlayer(2, 6, 2);
    TDDSprite* m = spawn(3, 0, false, false, true);
    // Player 1 at (0,0) is 3 cells away, player 2 at (6,2) sqrt(13): left.
    g.Script = {0};
    g.MonsterStep(m);
    EXPECT_LT(m->RawVelocityX(), 0);
    // The fourth case: a random direction (3 = down).
    m->SetVelocityX(0);
    g.Script = {3, 3};
    g.MonsterStep(m);
    EXPECT_GT(m->RawVelocityY(), 0);
    EXPECT_EQ(m->RawVelocityX(), 0);
}

TEST_F(MonsterTest, FlameKillsItAndItLeavesRemains) {
    arena({".....", ".....", "....."});
    g.Players[0].BombLive = true;
    TDDSprite* m = spawn(3, 1, false, false, false);
    m->FirstFrameY = 64;
    g.Frames(51);
    TDDSprite* p = g.Player(1);
    p->SetX(64);
    p->SetY(32);
    g.Script = {};
    g.PlaceBomb(p);
    m->SetX(96);
    m->SetY(32);
    m->SetVelocityX(0);
    m->SetVelocityY(0);
    g.ExplodeBomb(g.Cell(2, 1)->Bomb);
    EXPECT_FALSE(m->Loop);
    EXPECT_EQ(m->Start, 4u);
    EXPECT_EQ(g.Players[0].Kills, 1);
    EXPECT_EQ(g.CuesOf(scExMonster), 1);
    g.Frames(120);
    EXPECT_EQ(g.MonsterList.Count(), 0);
    EXPECT_EQ(g.CountKind(skMonster), 0);
    // A dying monster goes on walking; its remains lie where its animation ends.
    int remains = 0;
    for (const TMapCell& c : g.Grid) {
        remains += c.Remains[0] == 2 ? 1 : 0;
        EXPECT_EQ(c.Remains[1], -1);
    }
    EXPECT_EQ(remains, 1);
}
