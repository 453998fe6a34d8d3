// What the rules ask of the main form: its image sheets, its timers, its sound effects, the
// colours of its players sheet, the frame handlers and the menu bar.
#include "game/Main.h"
#include "game/PlayerColors.h"
#include "platform/framework/Application.h"
#include "platform/kernel/Thread.h"
#include "sound/DSWave.h"

TDDSurface* TMainForm::sheetOf(TGameSheet sheet) const {
    switch (sheet) {
    case gsMaps:
        return MapsSurface;
    case gsPlayers:
        return PlayersSurface;
    case gsExplose:
        return ExploseSurface;
    case gsExplose2:
        return Explose2Surface;
    case gsBomb:
        return BombSurface;
    case gsMonsters:
        return MonstersSurface;
    case gsFire:
        return FireSurface;
    case gsBonus:
        return BonusSurface;
    default:
        return BackgroundSurface;
    }
}

TDDSurface* TMainForm::Sheet(TGameSheet sheet) {
    return sheetOf(sheet);
}
int TMainForm::SheetWidth(TGameSheet sheet) const {
    return sheetOf(sheet)->Width;
}
int TMainForm::SheetHeight(TGameSheet sheet) const {
    return sheetOf(sheet)->Height;
}

TTimer* TMainForm::timerOf(TGameTimer timer) const {
    switch (timer) {
    case gtStats:
        return StatsTimer;
    case gtGameOver:
        return GameOverTimer;
    case gtShow:
        return ShowTimer;
    case gtGluck:
        return GluckTimer;
    case gtMulti:
        return MultiTimer;
    case gtFreez:
        return FreezTimer;
    case gtGodFlip:
        return GodFlipTimer;
    default:
        if (timer >= gtGodMode1) return GodModeTimers[static_cast<std::size_t>(timer - gtGodMode1)];
        if (timer >= gtMonsterLook1)
            return MonsterLookTimers[static_cast<std::size_t>(timer - gtMonsterLook1)];
        return WoodClipTimers[static_cast<std::size_t>(timer - gtWoodClip1)];
    }
}

bool TMainForm::TimerEnabled(TGameTimer timer) const {
    TTimer* t = timerOf(timer);
    return t && t->Enabled();
}

void TMainForm::SetTimerEnabled(TGameTimer timer, bool enabled) {
    if (TTimer* t = timerOf(timer)) t->SetEnabled(enabled);
}

void TMainForm::SetTimerInterval(TGameTimer timer, unsigned ms) {
    if (TTimer* t = timerOf(timer)) t->SetInterval(ms);
}

void TMainForm::PlaySound(TSoundCue cue, int pan) {
    if (TDSWave* wave = Waves[static_cast<std::size_t>(cue)]) wave->Play(0, pan);
}

void TMainForm::SwapPlayerColors(int firstRow, bool& swapped) {
    if (!SurfacesReady || !PlayersSurface->Surface) return;
    IDirectDrawSurface7* sheet = PlayersSurface->Surface;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    HRESULT hr;
    while ((hr = sheet->Lock(nullptr, &desc, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
    }
    if (FAILED(hr)) return;
    TSheetPixels pixels{static_cast<BYTE*>(desc.lpSurface), static_cast<int>(desc.lPitch),
                        static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight),
                        static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount)};
    if (SwapSheetColors(pixels, firstRow, PlayerBorderColor, GodBorderPixel)) swapped = !swapped;
    sheet->Unlock(nullptr);
}

void TMainForm::InstallFrameHandler(bool running) {
    if (running)
        OnDDUpdateDisplay = [this](TObject* s) { FormUpdateDisplay(s); };
    else
        OnDDUpdateDisplay = [this](TObject* s) { FormUpdateDisplay1(s); };
}

void TMainForm::PostUiUpdate() {
    if (IsMainThread()) {
        applyUiState();
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    QueueOnMainThread([this, alive] {
        if (auto flag = alive.lock(); flag && *flag) applyUiState();
    });
}

// GUI thread: the menu bar, the caption, the cursor and the display state follow UiState.
void TMainForm::applyUiState() {
    TGameUiState ui;
    bool paused;
    {
        std::lock_guard lock(GameLock());
        ui = UiState;
        paused = Paused;
    }
    MenuPause->SetEnabled(ui.PauseEnabled);
    MenuPause->SetChecked(ui.PauseChecked);
    MenuStart->SetCaption(ui.StartCaption);
    MenuOptions->SetEnabled(ui.OptionsEnabled);
    SetCaption(Application->Title() + ui.CaptionSuffix);
    SetCursor(ui.CursorHidden ? crNone : crDefault);
    SetFullScreenClip(paused);
    if (paused && DirectDraw7) DirectDraw7->FlipToGDISurface();
    DrawMenuBar();
}

void TMainForm::ShowTooFewPlayers() {
    SetAppPaused(true);
    Application->MessageBox("Select 2 players or more", "Info", MB_OK);
    SetAppPaused(false);
}
