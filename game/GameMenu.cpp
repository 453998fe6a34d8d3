// Match, pause and menu: the three states no match / running / paused, and the switch that
// exchanges the frame handlers and keeps the frame clock still across a pause.
#include "game/GameRules.h"
#include "platform/kernel/Clock.h"

void TGameRules::SwitchPause() {
    std::lock_guard lock(gameLock_);
    if (UiState.PauseEnabled && !UiState.PauseChecked) {
        if (!Paused) return;
        Paused = false;
        if (GameRunning) {
            UiState.CaptionSuffix = " - Game";
            ShiftTickOffset(-static_cast<int>(GetTickCount() - PauseStartTick));
        }
        UiState.CursorHidden = true;
        InstallFrameHandler(true);
    } else {
        if (Paused) return;
        Paused = true;
        if (GameRunning) {
            PauseStartTick = GetTickCount();
            UiState.CaptionSuffix = " - Paused";
        }
        UiState.CursorHidden = false;
        InstallFrameHandler(false);
    }
    PostUiUpdate();
}

void TGameRules::MenuStartClick() {
    std::unique_lock lock(gameLock_);
    if (!FirstShowDone) return;
    if (UiState.PauseEnabled) {
        UiState.StartCaption = "&Start";
        UiState.OptionsEnabled = true;
        UiState.PauseEnabled = false;
        GameRunning = false;
        SwitchPause();
        UiState.CaptionSuffix = " - Setup";
    } else {
        int players = 0;
        for (bool playing : Options.Playing)
            players += playing ? 1 : 0;
        if (players < 2) {
            // A modal message: the frames must not wait for it.
            lock.unlock();
            ShowTooFewPlayers();
            return;
        }
        StartMatch();
        UiState.StartCaption = "&Restart";
        UiState.OptionsEnabled = false;
        UiState.PauseEnabled = true;
        GameRunning = true;
        SwitchPause();
        ResetTickOffset();
    }
    UiState.PauseChecked = false;
    PostUiUpdate();
}

void TGameRules::MenuPauseClick() {
    std::lock_guard lock(gameLock_);
    UiState.PauseChecked = !UiState.PauseChecked;
    SwitchPause();
}
