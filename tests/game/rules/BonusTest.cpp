#include "GameHarness.h"
#include "platform/dinput/DIKeys.h"

#include <gtest/gtest.h>

using game_test::TTestGame;

namespace {

struct BonusTest : ::testing::Test {
    TTestGame g;
    TDDSprite* p1 = nullptr;
    void SetUp() override {
        g.SetMaze({"......", "..w...", "......", "......"});
        g.PutPlayer(1, 0, 0);
        g.PutPlayer(2, 5, 3);
        p1 = g.Player(1);
        g.Frame();
    }
    // Puts a bonus under player 1 and runs one frame; answers whether it was taken.
    bool take(TBonusKind kind) {
        g.PutItem(0, 0, kind);
        g.Frame();
        bool taken = g.Cell(0, 0)->Item == nullptr;
        if (!taken) g.DeleteSpriteForTest(g.Cell(0, 0)->Item);
        g.Cell(0, 0)->Item = nullptr;
        return taken;
    }
};

struct BonusCase {
    TBonusKind kind;
    TSoundCue cue;
};

} // namespace

TEST_F(BonusTest, EachBonusPlaysItsCueOnlyWhenTaken) {
    const BonusCase cases[] = {
        {bkPower, scBonus},    {bkBombs, scBonus},      {bkTrigger, scHuHu},    {bkSpeed, scSpeed},
        {bkBombLive, scCool},  {bkBombClip, scBonus},   {bkGodMode, scCool},    {bkFreeze, scFreez},
        {bkWoodClip, scBonus}, {bkShowSecrets, scHuHu}, {bkMultiBomb, scBonus}, {bkMonster, scCool},
        {bkSkull, scShit},
    };
    for (const BonusCase& c : cases) {
        g.Cues.clear();
        ASSERT_TRUE(take(c.kind)) << c.kind;
        ASSERT_EQ(g.Cues.size(), 1u) << c.kind;
        EXPECT_EQ(g.Cues[0].cue, c.cue) << c.kind;
        EXPECT_EQ(g.Cues[0].pan, -3 * 200);
    }
    const TPlayerRecord& r = g.Players[0];
    EXPECT_EQ(r.Power, 2);
    EXPECT_EQ(r.Bombs, 2);
    EXPECT_TRUE(r.Trigger && r.BombLive && r.BombClip && r.GodMode && r.FreezeExempt && r.WoodClip);
    EXPECT_TRUE(r.MultiBomb && r.MonsterLook);
    EXPECT_DOUBLE_EQ(r.Speed, 200.0);
    for (TGameTimer t : {gtGodFlip, gtFreez, gtShow, gtMulti, gtGluck})
        EXPECT_TRUE(g.Timers[t].enabled) << t;
    EXPECT_TRUE(g.Timers[TTestGame::GodModeTimer(0)].enabled);
    EXPECT_TRUE(g.Timers[TTestGame::WoodClipTimer(0)].enabled);
    EXPECT_TRUE(g.Timers[TTestGame::MonsterLookTimer(0)].enabled);
    EXPECT_EQ(p1->FirstFrameY, 128u);
}

TEST_F(BonusTest, RefusedBonusesStayOnTheMazeSilently) {
    g.Players[0].Power = MaxPower;
    g.Players[0].WoodClip = true;
    g.Players[0].Trigger = true;
    g.Players[0].Speed = 200.0;
    for (TBonusKind kind : {bkPower, bkWoodClip, bkTrigger, bkSpeed}) {
        g.Cues.clear();
        EXPECT_FALSE(take(kind)) << kind;
        EXPECT_TRUE(g.Cues.empty());
    }
    g.StartTimer(gtFreez);
    g.Players[0].FreezeExempt = true;
    EXPECT_FALSE(take(bkFreeze));
    g.StartTimer(gtMulti);
    g.Players[0].MultiBomb = true;
    EXPECT_FALSE(take(bkMultiBomb));
    g.StartTimer(gtShow);
    EXPECT_FALSE(take(bkShowSecrets));
}

TEST_F(BonusTest, AHiddenBonusCannotBeTaken) {
    g.PutItem(0, 0, bkBombs, false);
    g.Frame();
    EXPECT_NE(g.Cell(0, 0)->Item, nullptr);
    EXPECT_EQ(g.Players[0].Bombs, 1);
}

TEST_F(BonusTest, FreezeStopsTheOthersButNotTheTakerForFiveSeconds) {
    TDDSprite* p2 = g.Player(2);
    p2->Start = 15;
    p2->Stop = 18;
    g.PutItem(0, 0, bkFreeze);
    g.Frame();
    EXPECT_EQ(p2->Start, 19u);
    g.HandleKeyDown(DIK_A); // ignored for a frozen player
    EXPECT_EQ(p2->Tag() & TagDirections, 0);
    g.HandleKeyDown(DIK_RIGHT);
    g.Frames(20);
    EXPECT_GT(p1->GetX(), 0);
    p2->SetVelocityX(-100);
    p2->LimMovX1 = 0;
    int x2 = p2->GetX();
    g.Frames(20);
    EXPECT_EQ(p2->GetX(), x2);
    g.Frames(500);
    EXPECT_FALSE(g.Timers[gtFreez].enabled);
    EXPECT_FALSE(g.Players[0].FreezeExempt);
    EXPECT_EQ(p2->Start, 15u);
    EXPECT_EQ(p2->Stop, 18u);
    EXPECT_NE(p2->GetX(), x2);
}

TEST_F(BonusTest, ShowSecretsMarksWoodWithBonusesForTenSeconds) {
    TDDSprite* hidden = g.PutItem(2, 1, bkPower, false);
    (void)hidden;
    g.PutItem(0, 0, bkShowSecrets);
    g.Frame();
    ASSERT_NE(g.Cell(2, 1)->Marker, nullptr);
    EXPECT_EQ(g.CountKind(skSecretMarker), 1);
    g.Frames(1000);
    EXPECT_EQ(g.Cell(2, 1)->Marker, nullptr);
    EXPECT_EQ(g.CountKind(skSecretMarker), 0);
}

TEST_F(BonusTest, SecondSkullStrengthensAndRestartsTheGlitch) {
    take(bkSkull);
    EXPECT_FALSE(g.StrongGlitch);
    g.Frames(500);
    take(bkSkull);
    EXPECT_TRUE(g.StrongGlitch);
    g.Frames(900);
    EXPECT_TRUE(g.Timers[gtGluck].enabled);
    g.Frames(200);
    EXPECT_FALSE(g.Timers[gtGluck].enabled);
}

TEST_F(BonusTest, GodModeBlinksAndEndsRestoringColours) {
    take(bkGodMode);
    g.Frames(8); // 80 ms: one blink
    ASSERT_EQ(g.Swaps.size(), 1u);
    EXPECT_EQ(g.Swaps[0].first, 0);
    g.Frames(1500);
    EXPECT_FALSE(g.Players[0].GodMode);
    EXPECT_FALSE(g.Players[0].ColorsSwapped);
    g.Frames(10);
    EXPECT_FALSE(g.Timers[gtGodFlip].enabled);
}

TEST_F(BonusTest, MonsterLookEndingWhileSwappedSwapsTheMonsterRowsBackFirst) {
    take(bkGodMode);
    take(bkMonster);
    g.Players[0].ColorsSwapped = true;
    g.Swaps.clear();
    g.MonsterLookTimerTimer(0);
    ASSERT_EQ(g.Swaps.size(), 1u);
    EXPECT_EQ(g.Swaps[0].first, 128);
    EXPECT_EQ(p1->FirstFrameY, 0u);
}

TEST_F(BonusTest, OwnFlameIsASuicideUnlessBombLive) {
    g.PlaceBomb(p1);
    g.ExplodeBomb(g.Cell(0, 0)->Bomb);
    EXPECT_FALSE(p1->Visible());
    EXPECT_EQ(g.Players[0].Suicide, 1);
    EXPECT_EQ(g.Players[0].Kills, 0);
    EXPECT_EQ(g.Cell(0, 0)->DeadPlayer, 0);
    EXPECT_EQ(g.CountKind(skExplosion), 1);
    EXPECT_EQ(g.CuesOf(scFinal), 1);
    EXPECT_TRUE(g.Timers[gtGameOver].enabled);
}

TEST_F(BonusTest, FlameOfAnotherPlayerCountsAKill) {
    g.PutPlayer(2, 1, 0);
    g.Players[0].BombLive = true;
    g.PlaceBomb(p1);
    g.ExplodeBomb(g.Cell(0, 0)->Bomb);
    EXPECT_TRUE(p1->Visible());
    EXPECT_FALSE(g.Player(2)->Visible());
    EXPECT_EQ(g.Players[0].Kills, 1);
}

TEST_F(BonusTest, TwoLastPlayersInOneFlameStartTheEndWithoutTheFinalCue) {
    g.PutPlayer(2, 1, 0);
    g.Player(2)->SetX(16); // half in the bomb's cell
    g.PlaceBomb(p1);
    g.ExplodeBomb(g.Cell(0, 0)->Bomb);
    EXPECT_FALSE(p1->Visible());
    EXPECT_FALSE(g.Player(2)->Visible());
    EXPECT_EQ(g.CuesOf(scFinal), 0);
    EXPECT_EQ(g.CountKind(skExplosion), 1); // one per hit, however many it hit
    EXPECT_TRUE(g.Timers[gtGameOver].enabled);
    g.Frames(310);
    EXPECT_EQ(g.Players[0].Wins + g.Players[1].Wins, 0);
    EXPECT_EQ(g.Round, 1);
}

TEST_F(BonusTest, MonsterKillsScoreNothingAndMonsterLookKillsByContact) {
    g.PutPlayer(2, 2, 2);
    g.KillPlayer(2 * 32 + 7, 2 * 32 - 7, 0);
    EXPECT_FALSE(g.Player(2)->Visible());
    EXPECT_EQ(g.Players[0].Kills + g.Players[1].Kills, 0);
    g.PutPlayer(2, 0, 0);
    g.Players[0].MonsterLook = true;
    g.KillPlayer(0, 0, 0); // a monster: the monster-look player is spared
    EXPECT_TRUE(p1->Visible());
    EXPECT_FALSE(g.Player(2)->Visible());
    EXPECT_EQ(g.Players[0].Kills, 0);
    g.PutPlayer(2, 0, 0);
    g.Player(2)->SetX(7);
    g.KillPlayer(0, 0, 1 | 0x100); // contact of player 1
    EXPECT_TRUE(p1->Visible());
    EXPECT_FALSE(g.Player(2)->Visible());
    EXPECT_EQ(g.Players[0].Kills, 1);
}

TEST_F(BonusTest, GodModeCannotBeHit) {
    g.Players[0].GodMode = true;
    g.KillPlayer(0, 0, 2);
    EXPECT_TRUE(p1->Visible());
}

TEST_F(BonusTest, RoundEndsOnlyAfterTheLastBombAndGivesSurvivorsAWin) {
    g.PlaceBomb(g.Player(2)); // at (5, 3), ticking
    g.PutPlayer(2, 1, 0);
    g.Players[0].BombLive = true;
    g.PlaceBomb(p1);
    g.ExplodeBomb(g.Cell(0, 0)->Bomb);
    ASSERT_FALSE(g.Player(2)->Visible());
    g.Round = 1;
    g.Frames(300); // 3 s: the other bomb still ticks
    EXPECT_TRUE(g.Timers[gtGameOver].enabled);
    EXPECT_EQ(g.Timers[gtGameOver].interval, 100u);
    EXPECT_EQ(g.Round, 1);
    g.Frames(52);
    EXPECT_EQ(g.Cell(5, 3)->Bomb, nullptr);
    g.Frames(10);
    EXPECT_EQ(g.Round, 2);
    EXPECT_EQ(g.Players[0].Wins, 1);
    EXPECT_EQ(g.Players[1].Wins, 0);
    EXPECT_TRUE(g.ShowInfo && g.InfoWaitsForEnter);
}
