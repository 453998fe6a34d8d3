#pragma once
// A game without a window: the rules run frame by frame on a test clock with a fixed seed,
// timers fire when the clock passes them, and sound cues and redraws are recorded.
#include "game/GameRules.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Random.h"

#include <map>
#include <vector>

namespace game_test {

// Sprites want a direct subclass of TDDForm as their owner.
class TDDForm : public TComponent {
public:
    static constexpr const char* StaticClassName = "TDDForm";
    using TComponent::TComponent;
    std::string ClassName() const override { return "TDDForm"; }
    std::string ClassParentName() const override { return "TForm"; }
};

class TRulesHostForm : public TDDForm {
    VX_CLASS(TRulesHostForm, TDDForm)
public:
    TRulesHostForm() : TDDForm(nullptr) {}
};

struct SoundCue {
    TSoundCue cue;
    int pan;
};

class TTestGame : public TGameRules {
public:
    explicit TTestGame(DWORD seedTime = 12345);
    ~TTestGame() override;

    TestClock& Clock() { return clock_.clock(); }
    // Advances the clock by ms, fires the timers that came due, then runs one running frame
    // (input handlers are called by the test before).
    void Frame(DWORD ms = 10);
    void Frames(int count, DWORD ms = 10) {
        for (int i = 0; i < count; ++i)
            Frame(ms);
    }
    // Start from the menu, as a user does, and close the round screen.
    void Start() {
        FirstShowDone = true;
        MenuStartClick();
        HandleKeyDown(0x1C);
    }
    TDDSprite* Player(int n) { return PlayerList[n - 1]; }
    // Rebuilds the grid from rows of text: '#' solid, 'w' wood, '.' floor.
    void SetMaze(const std::vector<std::string>& rows);
    void PutPlayer(int n, int cx, int cy);
    TDDSprite* PutItem(int cx, int cy, TBonusKind kind, bool visible = true);
    int CountKind(int kind) const;
    void DeleteSpriteForTest(TDDSprite* s) { DeleteSprite(s); }
    void StartTimer(TGameTimer t) { SetTimerEnabled(t, true); }
    int CuesOf(TSoundCue cue) const;

    std::vector<SoundCue> Cues;
    int BackgroundRedraws = 0, InfoRedraws = 0, StatsRedraws = 0, ThemeChanges = 0, Tracks = 0;
    int PauseKeys = 0;
    bool PauseKeyClicksMenu = false;
    bool RunningHandler = false;
    int UiUpdates = 0;
    int TooFewMessages = 0;
    std::vector<std::pair<int, bool>> Swaps;
    bool AppPaused = false;
    int TickOffset = 0;
    std::map<TGameSheet, std::pair<int, int>> Sizes;
    struct Timer {
        bool enabled = false;
        unsigned interval = 0;
        DWORD due = 0;
    };
    std::array<Timer, GameTimerCount> Timers;
    // Draws answered in order before the generator is asked (each taken modulo n).
    std::vector<int> Script;

protected:
    TComponent* SpriteOwner() override { return &form_; }
    DWORD GameClock() const override { return clock_.clock().Now() + static_cast<DWORD>(TickOffset); }
    TDDSurface* Sheet(TGameSheet) override { return nullptr; }
    int SheetWidth(TGameSheet sheet) const override { return Sizes.at(sheet).first; }
    int SheetHeight(TGameSheet sheet) const override { return Sizes.at(sheet).second; }
    bool TimerEnabled(TGameTimer t) const override { return Timers[static_cast<std::size_t>(t)].enabled; }
    void SetTimerEnabled(TGameTimer t, bool enabled) override;
    void SetTimerInterval(TGameTimer t, unsigned ms) override;
    void PlaySound(TSoundCue cue, int pan) override { Cues.push_back({cue, pan}); }
    void RedrawBackground() override { ++BackgroundRedraws; }
    void RedrawStats() override { ++StatsRedraws; }
    void RedrawInfo() override { ++InfoRedraws; }
    void ThemeChanged() override { ++ThemeChanges; }
    void NextTrack() override { ++Tracks; }
    void SwapPlayerColors(int firstRow, bool& swapped) override {
        Swaps.emplace_back(firstRow, swapped);
        swapped = !swapped;
    }
    bool IsAppPaused() const override { return AppPaused; }
    void PauseKeyPressed() override {
        ++PauseKeys;
        if (PauseKeyClicksMenu) MenuPauseClick();
    }
    void ShiftTickOffset(int delta) override { TickOffset += delta; }
    void ResetTickOffset() override { TickOffset = 0; }
    void InstallFrameHandler(bool running) override { RunningHandler = running; }
    void PostUiUpdate() override { ++UiUpdates; }
    void ShowTooFewPlayers() override { ++TooFewMessages; }
    int GameRandom(int n) override {
        if (Script.empty()) return TGameRules::GameRandom(n);
        int v = Script.front();
        Script.erase(Script.begin());
        return n > 0 ? v % n : 0;
    }

private:
    void fireDueTimers();
    mutable ScopedTestClock clock_;
    TRulesHostForm form_;
};

} // namespace game_test
