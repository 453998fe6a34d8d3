#include "GameHarness.h"
#include "platform/dinput/DIKeys.h"

#include <gtest/gtest.h>

#include <map>

using game_test::TTestGame;

namespace {

struct BombTest : ::testing::Test {
    TTestGame g;
    void arena(const std::vector<std::string>& rows) {
        g.SetMaze(rows);
        g.PutPlayer(1, 0, 0);
        g.PutPlayer(2, static_cast<int>(rows[0].size()) - 1, static_cast<int>(rows.size()) - 1);
        g.Frame();
    }
    TDDSprite* bombAt(int cx, int cy, int owner = 1, int power = 1) {
        TDDSprite* p = g.Player(owner);
        g.Players[static_cast<std::size_t>(owner - 1)].Power = power;
        p->SetX(cx * 32);
        p->SetY(cy * 32);
        g.PlaceBomb(p);
        return g.Cell(cx, cy)->Bomb;
    }
    // Flame pieces by cell: "x,y" -> the fire sheet row.
    std::map<std::pair<int, int>, unsigned> flames() {
        std::map<std::pair<int, int>, unsigned> out;
        for (int i = 0; i < g.SpriteList.Count(); ++i) {
            TDDSprite* s = g.SpriteList[i];
            if (s->UserKind == skFlame) out[{s->GetX() / 32, s->GetY() / 32}] = s->FirstFrameY / 32;
        }
        return out;
    }
};

} // namespace

TEST_F(BombTest, FuseRunsOutAfterMoreThanThreeAndAHalfSeconds) {
    arena({".....", ".....", "....."});
    g.Players[0].BombLive = true;
    TDDSprite* bomb = bombAt(2, 1);
    ASSERT_NE(bomb, nullptr);
    EXPECT_EQ(g.Players[0].Bombs, 0);
    g.Frame(3500);
    EXPECT_EQ(g.Cell(2, 1)->Bomb, bomb);
    g.Frame(1);
    EXPECT_EQ(g.Cell(2, 1)->Bomb, nullptr);
    EXPECT_EQ(g.Players[0].Bombs, 1);
    EXPECT_EQ(g.Cell(2, 1)->Kind, ckScorched1);
    ASSERT_EQ(g.CuesOf(scExBomb), 1);
    EXPECT_EQ(g.Cues[0].pan, (2 - 5 / 2) * 200);
}

TEST_F(BombTest, PowerOneGivesACrossOfEndPieces) {
    arena({".....", ".....", "....."});
    g.Players[0].BombLive = true;
    TDDSprite* bomb = bombAt(2, 1);
    g.ExplodeBomb(bomb);
    std::map<std::pair<int, int>, unsigned> expected = {
        {{2, 1}, 0}, {{1, 1}, 1}, {{3, 1}, 3}, {{2, 0}, 4}, {{2, 2}, 6}};
    EXPECT_EQ(flames(), expected);
}

TEST_F(BombTest, ArmsStopAtBlocksWoodAndTheEdge) {
    arena({"......", ".#w...", "......", "......"});
    g.Players[0].BombLive = true;
    TDDSprite* bomb = bombAt(1, 2, 1, 3);
    g.ExplodeBomb(bomb);
    auto f = flames();
    // Up: a block at distance 1 leaves that arm without a flame.
    EXPECT_EQ(f.count({1, 1}), 0u);
    // Left: the edge cuts the arm after one cell: a middle piece.
    EXPECT_EQ(f.at({0, 2}), 2u);
    // Right: full power ends with an end piece.
    EXPECT_EQ(f.at({2, 2}), 2u);
    EXPECT_EQ(f.at({3, 2}), 2u);
    EXPECT_EQ(f.at({4, 2}), 3u);
    EXPECT_EQ(f.count({5, 2}), 0u);
    // Down: cut by the edge after one cell.
    EXPECT_EQ(f.at({1, 3}), 5u);
    EXPECT_EQ(f.size(), 6u);
}

TEST_F(BombTest, FlameBurnsOneWoodCellAndStops) {
    arena({"..ww.", ".....", "....."});
    g.Players[0].BombLive = true;
    TDDSprite* bomb = bombAt(1, 0, 1, 4);
    g.ExplodeBomb(bomb);
    EXPECT_EQ(g.Cell(2, 0)->Kind, ckBurning);
    EXPECT_EQ(g.Cell(3, 0)->Kind, ckWood);
    EXPECT_EQ(flames().count({2, 0}), 0u);
    EXPECT_EQ(g.CountKind(skBurningWood), 1);
    // The burning animation plays once (7 frames of 100 ms), then the cell is floor.
    g.Frames(100);
    EXPECT_EQ(g.Cell(2, 0)->Kind, ckFloor);
    EXPECT_EQ(g.CountKind(skBurningWood), 0);
    EXPECT_EQ(g.CountKind(skFlame), 0);
}

TEST_F(BombTest, BurntWoodUncoversItsBonus) {
    arena({"..w..", ".....", "....."});
    g.Players[0].BombLive = true;
    TDDSprite* item = g.PutItem(2, 0, bkPower, false);
    g.ExplodeBomb(bombAt(1, 0));
    EXPECT_FALSE(item->Visible());
    g.Frames(100);
    EXPECT_TRUE(item->Visible());
    EXPECT_EQ(g.Cell(2, 0)->Item, item);
}

TEST_F(BombTest, ChainedBombsGoOffInTheSameOrNextFrameAndReturnToTheirOwners) {
    arena({".......", ".......", "......."});
    g.Players[0].BombLive = g.Players[1].BombLive = true;
    TDDSprite* first = bombAt(2, 1, 1, 2);
    g.Frame(100);
    TDDSprite* second = bombAt(4, 1, 2, 1);
    ASSERT_NE(second, nullptr);
    g.Frame(3401);
    EXPECT_EQ(g.Cell(2, 1)->Bomb, nullptr);
    (void)first;
    int frames = 0;
    while (g.Cell(4, 1)->Bomb && frames < 2) {
        g.Frame(1);
        ++frames;
    }
    EXPECT_EQ(g.Cell(4, 1)->Bomb, nullptr);
    EXPECT_LE(frames, 1);
    EXPECT_EQ(g.Players[0].Bombs, 1);
    EXPECT_EQ(g.Players[1].Bombs, 1);
    EXPECT_EQ(g.CuesOf(scExBomb), 2);
}

TEST_F(BombTest, PrimedBombGoesOffWhenTheClockStandsNearZero) {
    arena({".......", ".......", "......."});
    g.Clock().Set(0);
    g.TickOffset = 0;
    g.Players[0].BombLive = g.Players[1].BombLive = true;
    TDDSprite* first = bombAt(2, 1, 1, 2);
    bombAt(4, 1, 2, 1);
    g.ExplodeBomb(first);
    g.Frame(1);
    EXPECT_EQ(g.Cell(4, 1)->Bomb, nullptr);
}

TEST_F(BombTest, NoBombOnWoodOnABombOrAfterTheRoundIsDecided) {
    arena({".w...", ".....", "....."});
    g.Players[0].Bombs = 3;
    EXPECT_EQ(bombAt(1, 0), nullptr);
    EXPECT_NE(bombAt(3, 0), nullptr);
    g.Players[0].Bombs = 3;
    bombAt(3, 0);
    EXPECT_EQ(g.Players[0].Bombs, 3);
    g.StartTimer(gtGameOver);
    EXPECT_EQ(bombAt(3, 2), nullptr);
    EXPECT_EQ(g.Players[0].Bombs, 3);
}

TEST_F(BombTest, AWalkingPlayerLaysTheBombOnTheCellHeIsLeaving) {
    arena({"......", "......"});
    TDDSprite* p = g.Player(1);
    p->SetX(70);
    p->SetVelocityX(-100);
    g.PlaceBomb(p);
    EXPECT_NE(g.Cell(3, 0)->Bomb, nullptr);
    p->SetX(70);
    p->SetVelocityX(100);
    g.Players[0].Bombs = 1;
    g.PlaceBomb(p);
    EXPECT_NE(g.Cell(2, 0)->Bomb, nullptr);
}

TEST_F(BombTest, BombsAreDrawnUnderPlayersAndMonsters) {
    arena({".....", ".....", "....."});
    TDDSprite* m = g.SpawnMonster(4, 0);
    TDDSprite* bomb = bombAt(2, 2);
    int bombAtIndex = g.SpriteList.IndexOf(bomb);
    EXPECT_GT(bombAtIndex, g.SpriteList.IndexOf(m));
    EXPECT_GT(bombAtIndex, g.SpriteList.IndexOf(g.Player(1)));
    EXPECT_EQ(bombAtIndex, 3);
}

TEST_F(BombTest, TriggerBombsWaitForTheDetonateKey) {
    arena({".....", ".....", "....."});
    g.Players[0].Trigger = true;
    g.Players[0].BombLive = true;
    TDDSprite* bomb = bombAt(2, 2);
    EXPECT_TRUE(bomb->Tag() & TagTriggerBomb);
    g.Frame(5000);
    EXPECT_EQ(g.Cell(2, 2)->Bomb, bomb);
    g.HandleKeyDown(DIK_DELETE);
    EXPECT_EQ(g.Cell(2, 2)->Bomb, nullptr);
}

TEST_F(BombTest, ADeadTriggerPlayersWaitingBombsGetAFreshFuseButPrimedOnesStayPrimed) {
    arena({"........", "........", "........"});
    g.Players[0].Trigger = true;
    g.Players[0].Bombs = 2;
    TDDSprite* waiting = bombAt(6, 0);
    TDDSprite* primed = bombAt(6, 2);
    primed->SetTag((primed->Tag() & ~TagTriggerBomb) | TagPrimedBomb);
    g.PutPlayer(1, 0, 2);
    g.Clock().Advance(1000);
    g.KillPlayer(0, 64, 0);
    EXPECT_FALSE(g.Player(1)->Visible());
    EXPECT_FALSE(waiting->Tag() & TagTriggerBomb);
    EXPECT_EQ(waiting->UserTick, g.Clock().Now());
    EXPECT_TRUE(primed->Tag() & TagPrimedBomb);
    g.Frame(1);
    EXPECT_EQ(g.Cell(6, 2)->Bomb, nullptr);
    g.Frame(3499);
    EXPECT_EQ(g.Cell(6, 0)->Bomb, waiting);
    g.Frame(1);
    EXPECT_EQ(g.Cell(6, 0)->Bomb, nullptr);
}

TEST_F(BombTest, AVisibleSkullInAFlameReleasesThreeToFiveMonsters) {
    for (DWORD seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        TTestGame game(seed * 1000);
        game.SetMaze({".....", ".....", "....."});
        game.PutPlayer(1, 0, 0);
        game.Players[0].BombLive = true;
        game.PutItem(3, 1, bkSkull);
        TDDSprite* p = game.Player(1);
        p->SetX(64);
        p->SetY(32);
        game.PlaceBomb(p);
        game.ExplodeBomb(game.Cell(2, 1)->Bomb);
        EXPECT_GE(game.MonsterList.Count(), 3);
        EXPECT_LE(game.MonsterList.Count(), 5);
        EXPECT_EQ(game.Cell(3, 1)->Item, nullptr);
        EXPECT_EQ(game.CountKind(skExplosion), 1);
        EXPECT_EQ(game.CuesOf(scExItem), 1);
    }
}

TEST_F(BombTest, ExplosionIsCentredOnTheCellAndClippedToTheMaze) {
    arena({".....", ".....", "....."});
    TDDSprite* e = g.CreateExplosion(0, 0, gsExplose2); // 96 x 96 frames
    EXPECT_EQ(e->GetX(), 0);
    EXPECT_EQ(e->ShowLeft, 32u);
    EXPECT_EQ(e->ShowWidth, 64u);
    EXPECT_EQ(e->FramesPerLine, 8u);
    TDDSprite* f = g.CreateExplosion(128, 64, gsExplose2);
    EXPECT_EQ(f->GetX(), 96);
    EXPECT_EQ(f->ShowWidth, 64u);
    EXPECT_EQ(f->ShowHeight, 64u);
}

// The explosion frees the bonus that followed the bomb in the list and makes a flame, which
// the allocator may place at the freed address: the walk must still reach every sprite that
// came after the bomb in this frame.
TEST_F(BombTest, TheWalkGoesOnBehindABombWhoseFollowerTheExplosionFreed) {
    arena({"........", "........", "........"});
    g.Players[0].BombLive = g.Players[1].BombLive = true;
    TDDSprite* first = bombAt(3, 1, 1);
    TDDSprite* second = bombAt(7, 0, 2);
    g.PutPlayer(1, 0, 0);
    g.PutPlayer(2, 7, 2);
    g.PutItem(3, 1, bkPower);
    // The second bomb lies behind the bonus in the drawing order.
    g.SpriteList.Remove(second);
    g.SpriteList.Add(second);
    for (TDDSprite* bomb : {first, second})
        bomb->SetTag(bomb->Tag() | TagPrimedBomb);
    ASSERT_EQ(g.SpriteList.IndexOf(first) + 2, g.SpriteList.IndexOf(second));
    g.Frame();
    EXPECT_EQ(g.Cell(3, 1)->Bomb, nullptr);
    EXPECT_EQ(g.Cell(7, 0)->Bomb, nullptr) << "the bomb behind went off in the same frame";
    EXPECT_EQ(g.Players[1].Bombs, 1);
}
