#pragma once
// The main form: the game's window with its surfaces, player sprites, timers, sound effects
// and music engine; the frame handlers, the menus and the form's life from creation to close.
#include "game/DirectInput.h"
#include "game/DrawPlans.h"
#include "game/GameRules.h"
#include "game/Settings.h"
#include "graphics/DDForm.h"
#include "platform/framework/Menus.h"
#include "platform/framework/Timer.h"

#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

class TIniFile;
class TDSWave;
class TDSPlay;
class TSndWav;
class TSndMOD;
class TSndMP3;

class TMainForm : public TDDForm, public TGameRules {
    VX_CLASS(TMainForm, TDDForm)
public:
    explicit TMainForm(TComponent* Owner);
    ~TMainForm() override;

    TMainMenu* MainMenu;
    TMenuItem *MenuGame, *MenuStart, *MenuPause, *N2, *MenuExit;
    TMenuItem *MenuSetup, *MenuOptions, *MenuSound;
    TMenuItem *MenuView, *MenuToggle;
    TMenuItem *MenuHelp, *MenuHelpCont, *N5, *MenuAbout;

    TDDSurface *TitleSurface, *MapsSurface, *PlayersSurface, *ExploseSurface, *Explose2Surface, *BombSurface,
        *MonstersSurface, *FireSurface, *BonusSurface, *BackgroundSurface, *StatsSurface, *InfoSurface;
    TDDSprite *Player1, *Player2, *Player3, *Player4;

    TTimer *StatsTimer, *GameOverTimer, *ShowTimer, *GluckTimer, *MultiTimer, *FreezTimer, *GodFlipTimer;
    // Per player (index = player number - 1), made by FormCreate.
    std::array<TTimer*, 4> WoodClipTimers{}, MonsterLookTimers{}, GodModeTimers{};

    // The eleven sound effects in cue order.
    std::array<TDSWave*, SoundCueCount> Waves{};
    TSndWav* SndWav;
    TSndMOD* SndMOD;
    TSndMP3* SndMP3;
    TDSPlay* DSPlay;

    std::unique_ptr<TIniFile> Settings;
    TGameSettings Values;
    std::vector<std::string> Playlist;
    // Music files that no plug-in could play, the title's and the playlist's (game lock).
    std::set<std::string> UnplayableTracks;
    std::array<int, 256> SineTable{};
    TDirectInput Input;
    int TitleScrollPhase = 0;
    // Rows of the round screen the frame shows (the ranked players' part).
    int InfoShownHeight = 0;
    std::string ModeText;
    int StatsFontSize = 0, InfoTextWidth = 0, InfoLineHeight = 0;
    DWORD PlayerBorderColor = 0, GodBorderPixel = 0;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormDestroy(TObject* Sender);
    void FormChangeSize(TObject* Sender);
    void FormChangePalette(TObject* Sender);

    void FormUpdateDisplay(TObject* Sender);
    void FormUpdateDisplay1(TObject* Sender);

    void MenuExitClick(TObject* Sender);
    void MenuSoundClick(TObject* Sender);
    void MenuAboutClick(TObject* Sender);
    void MenuOptionsClick(TObject* Sender);
    void MenuHelpContClick(TObject* Sender);
    void MenuToggleClick(TObject* Sender);

    void BackgroundSurfaceUpdate(TObject* Sender);
    void StatsSurfaceUpdate(TObject* Sender);
    void InfoSurfaceUpdate(TObject* Sender);
    void StatsSurfaceInit(TObject* Sender);
    void InfoSurfaceInit(TObject* Sender);

    void PlayRandomTrack();
    // The dialogs' values the frame thread reads, taken on the GUI thread.
    void SyncOptions();

protected:
    TComponent* SpriteOwner() override { return this; }
    DWORD GameClock() const override { return FrameTick.load(); }
    TDDSurface* Sheet(TGameSheet sheet) override;
    int SheetWidth(TGameSheet sheet) const override;
    int SheetHeight(TGameSheet sheet) const override;
    bool TimerEnabled(TGameTimer timer) const override;
    void SetTimerEnabled(TGameTimer timer, bool enabled) override;
    void SetTimerInterval(TGameTimer timer, unsigned ms) override;
    void PlaySound(TSoundCue cue, int pan) override;
    void RedrawBackground() override { BackgroundSurfaceUpdate(nullptr); }
    void RedrawStats() override { StatsSurfaceUpdate(nullptr); }
    void RedrawInfo() override { InfoSurfaceUpdate(nullptr); }
    void ThemeChanged() override { UpdateSurfaces(); }
    void NextTrack() override { PlayRandomTrack(); }
    void SwapPlayerColors(int firstRow, bool& swapped) override;
    bool IsAppPaused() const override { return AppPaused(); }
    void PauseKeyPressed() override { MenuPauseClick(); }
    void ShiftTickOffset(int delta) override { TickOffset += delta; }
    void ResetTickOffset() override { TickOffset = 0; }
    void InstallFrameHandler(bool running) override;
    void PostUiUpdate() override;
    void ShowTooFewPlayers() override;

private:
    void createMenu();
    void createSurfaces();
    void createPlayers();
    void createTimers();
    void createSound();
    // Unlinks the effects that did not load at the engine's switch-on from it.
    void unlinkFailedWaves();
    void connectDialogs();
    void readSettings();
    void writeSettings();
    void applyUiState();
    // Centres the window in the work area of the screen it is on, its frame kept on it.
    void centreOnScreen();
    void showFullScreenRefused(const Exception& error);
    TTimer* timerOf(TGameTimer timer) const;
    bool isUnplayable(const std::string& name) const;
    // Called after the engine was switched on with name.
    void rememberIfUnplayable(const std::string& name);
    TDDSurface* sheetOf(TGameSheet sheet) const;
    void composeFrame();
    // Repeats a blit while the form asks for it (a restored surface, a busy one).
    template <class Blit> void blit(Blit&& operation) {
        while (!MakeItSo(operation())) {
        }
    }

    // The paused picture last drawn into the back surface, with the uniqueness values of the
    // back and the title surface right after: while all three hold, the back surface shows
    // it still and the paused frame has nothing to draw. Frame thread only.
    struct TDrawnTitle {
        std::array<TStretch, 2> Plan{};
        DWORD Back = 0, Title = 0;
        friend bool operator==(const TDrawnTitle&, const TDrawnTitle&) = default;
    };
    TDrawnTitle drawnTitle_;

    // Frame handlers and queued UI updates check it: false once the form goes away.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool appliedRunning_ = false;
    // The user has been told at start that the settings file cannot be read or written.
    bool settingsFileReported_ = false;
};

extern TMainForm* MainForm;
