// The game's rules at scale: one logic step with 500 monsters and four players, a new round
// on a 60 x 33 maze, and a frame in which a chain of 30 bombs goes off.
#include "game/GameRules.h"
#include "platform/kernel/Clock.h"

#include <benchmark/benchmark.h>

namespace {

class TDDForm : public TComponent {
public:
    static constexpr const char* StaticClassName = "TDDForm";
    using TComponent::TComponent;
    std::string ClassName() const override { return "TDDForm"; }
};

class TBenchForm : public TDDForm {
    VX_CLASS(TBenchForm, TDDForm)
public:
    TBenchForm() : TDDForm(nullptr) {}
};

class BenchGame : public TGameRules {
public:
    BenchGame(int width, int height) {
        GridWidth = width;
        GridHeight = height;
        bgWidth_ = width * CellSize;
        bgHeight_ = height * CellSize;
        Options.Playing = {true, true, true, true};
        Options.ThemeIndex = 1;
        Options.ThemeItems = 4;
        Options.Monsters = 500;
        for (int n = 1; n <= 4; ++n) {
            auto* s = new TDDSprite(&form_);
            SetupPlayerSprite(s, n);
            PlayerList.Add(s);
        }
    }
    DWORD now = 1000;
    std::array<bool, GameTimerCount> timers{};

protected:
    TComponent* SpriteOwner() override { return &form_; }
    DWORD GameClock() const override { return now; }
    TDDSurface* Sheet(TGameSheet) override { return nullptr; }
    int SheetWidth(TGameSheet sheet) const override { return sheet == gsBackground ? bgWidth_ : 128; }
    int SheetHeight(TGameSheet sheet) const override { return sheet == gsBackground ? bgHeight_ : 96; }
    bool TimerEnabled(TGameTimer t) const override { return timers[static_cast<std::size_t>(t)]; }
    void SetTimerEnabled(TGameTimer t, bool on) override { timers[static_cast<std::size_t>(t)] = on; }
    void SetTimerInterval(TGameTimer, unsigned) override {}
    void PlaySound(TSoundCue, int) override {}
    void RedrawBackground() override {}
    void RedrawStats() override {}
    void RedrawInfo() override {}
    void ThemeChanged() override {}
    void NextTrack() override {}
    void SwapPlayerColors(int, bool& swapped) override { swapped = !swapped; }
    bool IsAppPaused() const override { return false; }
    void PauseKeyPressed() override {}
    void ShiftTickOffset(int) override {}
    void ResetTickOffset() override {}
    void InstallFrameHandler(bool) override {}
    void PostUiUpdate() override {}
    void ShowTooFewPlayers() override {}

private:
    TBenchForm form_;
    int bgWidth_, bgHeight_;
};

// Open floor with monsters spread over it and the players in their corners.
void openField(BenchGame& g) {
    g.Grid.assign(static_cast<std::size_t>(g.GridWidth * g.GridHeight), TMapCell{});
    for (int n = 0; n < 4; ++n) {
        TDDSprite* p = g.PlayerList[n];
        p->SetVisible(true);
        g.SpriteList.Insert(0, p);
        g.Players[static_cast<std::size_t>(n)].GodMode = true;
    }
    for (int i = 0; i < 500; ++i)
        g.SpawnMonster(i % g.GridWidth, (i / g.GridWidth) % g.GridHeight);
}

void BM_LogicStep500Monsters(benchmark::State& state) {
    BenchGame g(60, 33);
    openField(g);
    for (int i = 0; i < 60; ++i) {
        g.now += 10;
        g.RunFrameRules();
    }
    for (auto _ : state) {
        g.now += 16;
        benchmark::DoNotOptimize(g.RunFrameRules());
    }
    state.SetItemsProcessed(state.iterations() * g.SpriteList.Count());
}
BENCHMARK(BM_LogicStep500Monsters);

void BM_NewRound60x33With500Monsters(benchmark::State& state) {
    BenchGame g(60, 33);
    for (auto _ : state)
        g.NewRound();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NewRound60x33With500Monsters)->Unit(benchmark::kMillisecond);

void BM_FrameWith30BombChain(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        BenchGame g(60, 33);
        g.Grid.assign(static_cast<std::size_t>(g.GridWidth * g.GridHeight), TMapCell{});
        TDDSprite* p = g.PlayerList[0];
        p->SetVisible(true);
        g.SpriteList.Add(p);
        g.Players[0].GodMode = true;
        g.Players[0].Power = 2;
        g.Players[0].Bombs = 30;
        for (int i = 0; i < 30; ++i) {
            p->SetX(i * 2 * CellSize);
            p->SetY(16 * CellSize);
            g.PlaceBomb(p);
        }
        g.now += 3600;
        state.ResumeTiming();
        g.RunFrameRules();
        g.RunFrameRules();
    }
}
BENCHMARK(BM_FrameWith30BombChain)->Unit(benchmark::kMicrosecond);

} // namespace
