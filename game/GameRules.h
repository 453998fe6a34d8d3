#pragma once
// The game's rules over its model: rounds, walking, bombs and flames, bonuses and hits,
// monsters, keys and the timers' ends. The main form supplies what the rules need from the
// outside world (surfaces, timers, sound cues, redraws, the frame clock) through the hooks
// at the bottom, so that the rules run frame by frame in a test with no window.
#include "game/Model.h"
#include "graphics/DDSprite.h"
#include "platform/kernel/Types.h"

#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class TDDSurface;

// The image sheets of the main form the rules cut sprites from.
enum TGameSheet : int {
    gsMaps,
    gsPlayers,
    gsExplose,
    gsExplose2,
    gsBomb,
    gsMonsters,
    gsFire,
    gsBonus,
    gsBackground,
    GameSheetCount
};

// The game's timers; the three per-player ones come four times, player 1 first.
enum TGameTimer : int {
    gtStats,
    gtGameOver,
    gtShow,
    gtGluck,
    gtMulti,
    gtFreez,
    gtGodFlip,
    gtWoodClip1,
    gtMonsterLook1 = gtWoodClip1 + 4,
    gtGodMode1 = gtMonsterLook1 + 4,
    GameTimerCount = gtGodMode1 + 4
};

// The eleven sound effects, in the order of the main form's waves.
enum TSoundCue : int {
    scHuHu,
    scCool,
    scSpeed,
    scBonus,
    scFreez,
    scShit,
    scExPlayer,
    scExBomb,
    scExMonster,
    scExItem,
    scFinal,
    SoundCueCount
};

// What the rules read of the dialogs. The dialogs' widgets live on the GUI thread; these
// mirrors are written there under the game lock and read by the frame thread.
struct TGameOptions {
    std::array<bool, 4> Playing{true, false, true, false};
    std::array<std::string, 4> Names{"Player 1", "Player 2", "Player 3", "Player 4"};
    int Monsters = 10;
    std::array<int, BonusKindCount> BonusCount{15, 15, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5};
    // Item index of the theme chooser (0 = random) and its item count.
    int ThemeIndex = 0;
    int ThemeItems = 1;
    bool SFXEnabled = true;
    bool MusicEnabled = true;
};

// What the menu bar, the window caption and the cursor show. The frame thread may change it
// (the PAUSE key); the GUI thread applies it to the widgets when told.
struct TGameUiState {
    bool PauseEnabled = false;
    bool PauseChecked = false;
    bool OptionsEnabled = true;
    std::string StartCaption = "&Start";
    // The window caption is the application's title followed by this.
    std::string CaptionSuffix = " - Setup";
    bool CursorHidden = false;
};

// The joystick as one poll sees it.
struct TJoystickState {
    int X = 0;
    int Y = 0;
    std::array<BYTE, 2> Buttons{0, 0};
};

class TGameRules {
public:
    TGameRules();
    virtual ~TGameRules();
    TGameRules(const TGameRules&) = delete;
    TGameRules& operator=(const TGameRules&) = delete;

    // One recursive lock guards everything below: the frame thread holds it for a whole
    // frame, timer, menu and dialog handlers while they change the game.
    std::recursive_mutex& GameLock() const { return gameLock_; }

    // The model (guarded by GameLock).
    std::vector<TMapCell> Grid;
    int GridWidth = 0;
    int GridHeight = 0;
    int ThemeRow = 0;
    std::array<TPlayerRecord, 4> Players;
    TDDSpriteList SpriteList{2000};
    TDDSpriteList MonsterList{1000};
    TDDSpriteList PlayerList{4};
    TDDSprite* JoystickSprite = nullptr;
    bool JoystickPresent = false;
    std::array<BYTE, 2> JoystickButtons{0, 0};
    bool JoystickCentred = true;
    bool GameRunning = false;
    bool NextRoundRequested = false;
    bool ShowInfo = false;
    bool InfoWaitsForEnter = false;
    bool ShowStats = false;
    bool StrongGlitch = false;
    int Round = 0;
    std::array<int, BonusKindCount> BonusFrames{2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 4, 24};
    TGameOptions Options;

    // The cell at (cx, cy), or none outside the grid.
    TMapCell* Cell(int cx, int cy);
    static int CellOf(int pixel) { return pixel / CellSize; }
    int PlayerNumber(const TDDSprite* s) const { return static_cast<int>(s->Tag() & TagPlayerMask); }
    TPlayerRecord& RecordOf(const TDDSprite* s);

    // Gives a player sprite the layout the form description gives it and binds its walk.
    void SetupPlayerSprite(TDDSprite* s, int number);

    // Rounds (Rounds.cpp).
    void StartMatch();
    void NewRound();
    TDDSprite* CreateCellSprite(int cx, int cy, int n);

    // The rules of one running frame after the input poll (GameFrame.cpp): starts a requested
    // round, else walks the sprites. Answers whether the frame is to be composed.
    bool RunFrameRules();
    // Runs the current animation frame of every visible sprite from the last of the list to
    // the first (the drawing order); a finished one-shot animation hides its sprite here.
    void AnimateSprites(const std::function<void(TDDSprite* s, const RECT& frame)>& draw);
    // Whether a player sprite stands still this frame under another player's Freeze.
    bool IsFrozen(const TDDSprite* s);

    // Movement (Movement.cpp).
    void Player1CheckedLimits(TObject* Sender);
    bool CellBlocked(int cx, int cy, TDDSprite* s);
    void StartWalk(TDDSprite* s);
    void PressDirection(TDDSprite* s, long dir);
    void ReleaseDirection(TDDSprite* s, long dir);
    void RefreshWalk(TDDSprite* s);

    // Bombs, explosions and flames (Bombs.cpp).
    void PlaceBomb(TDDSprite* s);
    void PressBombKey(TDDSprite* s);
    void DetonateBombs(TDDSprite* s);
    void ExplodeBomb(TDDSprite* b);
    TDDSprite* SpreadFire(int cx, int cy, int owner, bool& go);
    TDDSprite* CreateExplosion(int x, int y, TGameSheet sheet);

    // Bonuses and hits (Bonuses.cpp).
    void TakeBonus(int cx, int cy, TDDSprite* s);
    void KillPlayer(int x, int y, int code);

    // Monsters (Monsters.cpp).
    TDDSprite* SpawnMonster(int cx, int cy);
    void MonstersCheckedLimits(TObject* Sender);
    void MonsterStep(TDDSprite* m);
    bool MonsterCellBlocked(int cx, int cy, TDDSprite* m);

    // Keys and joystick (Input.cpp), DIK key codes.
    void HandleKeyDown(int key);
    void HandleKeyUp(int key);
    void HandleJoystick(const TJoystickState& state);

    // Timers' ends (Timers.cpp). OnGameTimer runs the handler of a timer under the lock.
    void OnGameTimer(TGameTimer timer);
    void StatsTimerTimer();
    void GameOverTimerTimer();
    void FreezTimerTimer();
    void ShowTimerTimer();
    void GluckTimerTimer();
    void MultiTimerTimer();
    void GodFlipTimerTimer();
    void WoodClipTimerTimer(int player);
    void MonsterLookTimerTimer(int player);
    void GodModeTimerTimer(int player);

    // Match, pause and menu (GameMenu.cpp).
    TGameUiState UiState;
    bool Paused = true;
    DWORD PauseStartTick = 0;
    // Nothing of the game reacts to the menu before the settings are in place.
    bool FirstShowDone = false;
    void SwitchPause();
    void MenuStartClick();
    void MenuPauseClick();

    // Frame-rate measurement, fed by the frames and sampled by the statistics timer.
    int FrameCount = 0;
    DWORD FpsSampleTick = 0;
    int Fps = 0;

    static TGameTimer WoodClipTimer(int player) { return static_cast<TGameTimer>(gtWoodClip1 + player); }
    static TGameTimer MonsterLookTimer(int player) {
        return static_cast<TGameTimer>(gtMonsterLook1 + player);
    }
    static TGameTimer GodModeTimer(int player) { return static_cast<TGameTimer>(gtGodMode1 + player); }

protected:
    // The component that owns the game's sprites (a direct subclass of TDDForm).
    virtual TComponent* SpriteOwner() = 0;
    virtual DWORD GameClock() const = 0;
    virtual TDDSurface* Sheet(TGameSheet sheet) = 0;
    virtual int SheetWidth(TGameSheet sheet) const = 0;
    virtual int SheetHeight(TGameSheet sheet) const = 0;
    virtual bool TimerEnabled(TGameTimer timer) const = 0;
    virtual void SetTimerEnabled(TGameTimer timer, bool enabled) = 0;
    virtual void SetTimerInterval(TGameTimer timer, unsigned ms) = 0;
    virtual void PlaySound(TSoundCue cue, int pan) = 0;
    virtual void RedrawBackground() = 0;
    virtual void RedrawStats() = 0;
    virtual void RedrawInfo() = 0;
    // The theme changed: every surface is reloaded.
    virtual void ThemeChanged() = 0;
    virtual void NextTrack() = 0;
    // Swaps the border and god colours in the 32 rows of the players sheet from firstRow and
    // flips swapped; nothing changes when the sheet cannot be locked.
    virtual void SwapPlayerColors(int firstRow, bool& swapped) = 0;
    virtual bool IsAppPaused() const = 0;
    // The PAUSE key: the pause menu entry is clicked.
    virtual void PauseKeyPressed() = 0;
    // The frame clock's offset: moved by the length of a pause, set to 0 at a match start.
    virtual void ShiftTickOffset(int delta) = 0;
    virtual void ResetTickOffset() = 0;
    // Installs the running (true) or the paused frame handler and the display state of it:
    // clipping in full screen, the GDI surface shown while paused.
    virtual void InstallFrameHandler(bool running) = 0;
    // UiState changed: the GUI thread shows it (posted, never waited for).
    virtual void PostUiUpdate() = 0;
    // Tells the user that a match needs two players, the frame clock held meanwhile.
    virtual void ShowTooFewPlayers() = 0;

    // Uniform in 0..n-1, 0 for n <= 0: the process's generator, replaceable by a script.
    virtual int GameRandom(int n);

    // Plays a cue panned by the column, when sound effects are on.
    void PlayCue(TSoundCue cue, int column);
    int PanOf(int column) const { return (column - GridWidth / 2) * 200; }
    void DeleteSprite(TDDSprite* s);

private:
    void clearRoundSprites();
    void chooseTheme();
    void layMaze(std::vector<int>& plan);
    void clearCorners(std::vector<int>& plan);
    void placeBonuses(std::vector<int>& plan);
    void placeMonsters(std::vector<int>& plan);
    void resetPlayers();
    void walkSprite(int& i);
    // Milliseconds of the game clock since the sprite's stamp.
    int elapsed(const TDDSprite* s) const;
    void retireInvisible(TDDSprite* s, TMapCell* cell, int& i);
    void handlePlayerKey(int p, int key, bool down);
    void grantBonus(TDDSprite* item, TDDSprite* s, TPlayerRecord& r);
    TDDSprite* nearestPlayer(int cx, int cy);

    mutable std::recursive_mutex gameLock_;
    // The sprite the frame's walk goes on with after an explosion (guarded by the lock).
    TDDSprite* walkResume_ = nullptr;
};
