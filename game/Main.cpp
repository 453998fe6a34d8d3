#include "game/Main.h"
#include "game/DrawPlans.h"
#include "game/Options.h"
#include "game/PlayerColors.h"
#include "game/SndSet.h"
#include "game/Title.h"
#include "graphics/DDCanvas.h"
#include "graphics/DDModesCombo.h"
#include "graphics/ImageLoaders.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/IniFiles.h"
#include "platform/files/PathResolver.h"
#include "platform/framework/Application.h"
#include "platform/kernel/Random.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"
#include "sound/Plug_MOD.h"
#include "sound/Plug_MP3.h"
#include "sound/Plug_WAV.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

TMainForm* MainForm = nullptr;

namespace {

constexpr const char* DataFolder = "data";

struct SurfaceSpec {
    TDDSurface* TMainForm::*member;
    const char* name;
    const char* file;
};

const SurfaceSpec ImageSurfaces[] = {
    {&TMainForm::TitleSurface, "TitleSurface", "data\\gfx\\title.pcx"},
    {&TMainForm::MapsSurface, "MapsSurface", "data\\gfx\\maps.pcx"},
    {&TMainForm::PlayersSurface, "PlayersSurface", "data\\gfx\\players.pcx"},
    {&TMainForm::ExploseSurface, "ExploseSurface", "data\\gfx\\explose.pcx"},
    {&TMainForm::Explose2Surface, "Explose2Surface", "data\\gfx\\explose2.pcx"},
    {&TMainForm::BombSurface, "BombSurface", "data\\gfx\\bomb.pcx"},
    {&TMainForm::MonstersSurface, "MonstersSurface", "data\\gfx\\monsters.pcx"},
    {&TMainForm::FireSurface, "FireSurface", "data\\gfx\\fire.pcx"},
    {&TMainForm::BonusSurface, "BonusSurface", "data\\gfx\\bonus.pcx"},
};

struct WaveSpec {
    const char* name;
    const char* file;
    int buffers;
};

constexpr WaveSpec WaveSpecs[SoundCueCount] = {
    {"DSWaveHuHu", "data\\sfx\\huhuhu.wav", 5},        {"DSWaveCool", "data\\sfx\\coolgame.wav", 5},
    {"DSWaveSpeed", "data\\sfx\\closew.wav", 5},       {"DSWaveBonus", "data\\sfx\\bonus.wav", 5},
    {"DSWaveFreez", "data\\sfx\\fart.wav", 1},         {"DSWaveShit", "data\\sfx\\holyshit.wav", 5},
    {"DSWaveExPlayer", "data\\sfx\\ExPlayer.wav", 4},  {"DSWaveExBomb", "data\\sfx\\ExBomb.wav", 30},
    {"DSWaveExMonster", "data\\sfx\\ExMonst.wav", 10}, {"DSWaveExItem", "data\\sfx\\ExItem.wav", 5},
    {"DSWaveFinal", "data\\sfx\\theclap.wav", 1},
};

TTimer* makeTimer(TComponent* owner, const char* name, DWORD interval, TNotifyEvent handler) {
    auto* timer = new TTimer(owner);
    timer->SetName(name);
    timer->SetEnabled(false);
    timer->SetInterval(interval);
    timer->OnTimer = std::move(handler);
    return timer;
}

} // namespace

TMainForm::TMainForm(TComponent* Owner) : TDDForm(Owner) {
    SetName("MainForm");
    SetCaption("Vortamix - Setup");
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 648, 523);
    SetConstraints({648, 523, 648, 523});
    DDPalFileName = "Data\\GFX\\palette.bmp";
    SetDDWidth(640);
    SetDDHeight(480);
    SetDDBPP(8);
    DDWindowed = true;
    createMenu();
    createSurfaces();
    createPlayers();
    createTimers();
    createSound();
    OnDDUpdateDisplay = [this](TObject* s) { FormUpdateDisplay1(s); };
    OnDDChangeSize = [this](TObject* s) { FormChangeSize(s); };
    OnDDChangePalette = [this](TObject* s) { FormChangePalette(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
}

TMainForm::~TMainForm() {
    *alive_ = false;
}

void TMainForm::createMenu() {
    MainMenu = new TMainMenu(this);
    MainMenu->SetName("MainMenu");
    auto item = [this](TMenuItem* parent, const char* name, const char* caption, TShortCut shortCut,
                       TNotifyEvent click) {
        auto* entry = new TMenuItem(this);
        entry->SetName(name);
        entry->SetCaption(caption);
        entry->SetShortCut(shortCut);
        entry->OnClick = std::move(click);
        parent->Add(entry);
        return entry;
    };
    TMenuItem* bar = MainMenu->Items();
    MenuGame = item(bar, "MenuGame", "&Game", ShortCut(0x79, 0), {});
    MenuStart = item(MenuGame, "MenuStart", "&Start", ShortCut(0x78, 0), [this](TObject*) {
        SyncOptions();
        MenuStartClick();
    });
    MenuPause = item(MenuGame, "MenuPause", "&Pause", scNone, [this](TObject*) { MenuPauseClick(); });
    MenuPause->SetEnabled(false);
    N2 = item(MenuGame, "N2", "-", scNone, {});
    MenuExit =
        item(MenuGame, "MenuExit", "E&xit", ShortCut(VK_F12, 0), [this](TObject* s) { MenuExitClick(s); });
    MenuSetup = item(bar, "MenuSetup", "&Setup", scNone, {});
    MenuOptions = item(MenuSetup, "MenuOptions", "&Options", ShortCut(0x74, 0),
                       [this](TObject* s) { MenuOptionsClick(s); });
    MenuSound =
        item(MenuSetup, "MenuSound", "S&ound", ShortCut(0x75, 0), [this](TObject* s) { MenuSoundClick(s); });
    MenuView = item(bar, "MenuView", "&View", scNone, {});
    MenuToggle = item(MenuView, "MenuToggle", "Full Screen", ShortCut(VK_RETURN, ssAlt),
                      [this](TObject* s) { MenuToggleClick(s); });
    MenuHelp = item(bar, "MenuHelp", "&Help", scNone, {});
    MenuHelpCont =
        item(MenuHelp, "MenuHelpCont", "&Contents...", scNone, [this](TObject* s) { MenuHelpContClick(s); });
    N5 = item(MenuHelp, "N5", "-", scNone, {});
    MenuAbout = item(MenuHelp, "MenuAbout", "&About...", scNone, [this](TObject* s) { MenuAboutClick(s); });
    SetMenu(MainMenu);
}

void TMainForm::createSurfaces() {
    for (const SurfaceSpec& spec : ImageSurfaces) {
        auto* surface = new TDDSurface(this);
        surface->SetName(spec.name);
        surface->FileName = spec.file;
        surface->FileType = ddsPcx;
        surface->AutoColorKey = true;
        this->*spec.member = surface;
    }
    TitleSurface->AutoColorKey = false;
    auto drawn = [this](const char* name, int width, int height) {
        auto* surface = new TDDSurface(this);
        surface->SetName(name);
        surface->Width = width;
        surface->Height = height;
        surface->AutoColorKey = false;
        return surface;
    };
    BackgroundSurface = drawn("BackgroundSurface", 640, 480);
    BackgroundSurface->OnUpdate = [this](TObject* s) { BackgroundSurfaceUpdate(s); };
    StatsSurface = drawn("StatsSurface", 320, 240);
    StatsSurface->OnUpdate = [this](TObject* s) { StatsSurfaceUpdate(s); };
    StatsSurface->OnInit = [this](TObject* s) { StatsSurfaceInit(s); };
    InfoSurface = drawn("InfoSurface", 440, 300);
    InfoSurface->OnUpdate = [this](TObject* s) { InfoSurfaceUpdate(s); };
    InfoSurface->OnInit = [this](TObject* s) { InfoSurfaceInit(s); };
}

void TMainForm::createPlayers() {
    TDDSprite** players[4] = {&Player1, &Player2, &Player3, &Player4};
    for (int n = 1; n <= 4; ++n) {
        auto* s = new TDDSprite(this);
        s->SetName("Player" + std::to_string(n));
        s->Frames = PlayersSurface;
        SetupPlayerSprite(s, n);
        *players[n - 1] = s;
    }
}

void TMainForm::createTimers() {
    StatsTimer = makeTimer(this, "StatsTimer", 750, [this](TObject*) { OnGameTimer(gtStats); });
    GameOverTimer = makeTimer(this, "GameOverTimer", 3000, [this](TObject*) { OnGameTimer(gtGameOver); });
    ShowTimer = makeTimer(this, "ShowTimer", 10000, [this](TObject*) { OnGameTimer(gtShow); });
    GluckTimer = makeTimer(this, "GluckTimer", 10000, [this](TObject*) { OnGameTimer(gtGluck); });
    MultiTimer = makeTimer(this, "MultiTimer", 10000, [this](TObject*) { OnGameTimer(gtMulti); });
    FreezTimer = makeTimer(this, "FreezTimer", 5000, [this](TObject*) { OnGameTimer(gtFreez); });
    GodFlipTimer = makeTimer(this, "GodFlipTimer", 75, [this](TObject*) { OnGameTimer(gtGodFlip); });
}

void TMainForm::createSound() {
    for (std::size_t i = 0; i < Waves.size(); ++i) {
        auto* wave = new TDSWave(this);
        wave->SetName(WaveSpecs[i].name);
        wave->SetNumBuffers(WaveSpecs[i].buffers);
        wave->SetVolume(128);
        wave->SetFileName(WaveSpecs[i].file);
        Waves[i] = wave;
    }
    // The engine tries its plug-ins in this order.
    SndWav = new TSndWav(this);
    SndWav->SetName("SndWav");
    SndMOD = new TSndMOD(this);
    SndMOD->SetName("SndMOD");
    SndMP3 = new TSndMP3(this);
    SndMP3->SetName("SndMP3");
    DSPlay = new TDSPlay(this);
    DSPlay->SetName("DSPlay");
    DSPlay->SetPriority(tpNormal);
    DSPlay->SetChannels(2);
    DSPlay->SetBitsPerSample(16);
    DSPlay->SetSamplesPerSec(44100);
    DSPlay->SetBufferSize(32768);
    DSPlay->SetBuffersCount(4);
    DSPlay->SetVolume(128);
    DSPlay->SetFileName("Data\\Music\\ms-suxx1.mod");
    DSPlay->SetOnActiveChange([this](TObject*) { unlinkFailedWaves(); });
}

void TMainForm::unlinkFailedWaves() {
    // Each switch-on loads the effects again, and every round change switches the engine on:
    // a missing or damaged file has said so once and stays silent for the rest of the run.
    if (!DSPlay->Active()) return;
    for (TDSWave* wave : Waves)
        if (wave->Player() && !wave->IsLoaded()) wave->SetPlayer(nullptr);
}

void TMainForm::FormCreate(TObject*) {
    // Seeded before anything is drawn: the start-up music and the first round's theme come
    // before the first round reseeds the generator.
    Randomize();
    if (!DirectoryExists(DataFolder)) {
        // Every picture and sound would fail one by one; the user learns where to put them.
        const std::string missing = (std::filesystem::current_path() / DataFolder).string();
        Application->MessageBox("The folder " + missing + " with the game's pictures and sounds is missing.",
                                "Vortamix", MB_ICONERROR);
        Application->SetExitCode(1);
        Application->Terminate();
        return;
    }
    if (FAILED(Input.InitDirectInput(vx::ControlWidget(this), false))) {
        Application->MessageBox("Can't use DirectInput 8", "Need DirectX 8 or better", MB_ICONHAND);
        Application->SetExitCode(1);
        Application->Terminate();
        return;
    }
    JoystickPresent = Input.JoystickPresent();
    for (int p = 0; p < 4; ++p) {
        std::string n = std::to_string(p + 1);
        WoodClipTimers[p] = makeTimer(this, ("WoodClipTimer" + n).c_str(), 10000,
                                      [this, p](TObject*) { OnGameTimer(WoodClipTimer(p)); });
        MonsterLookTimers[p] = makeTimer(this, ("MonsterLookTimer" + n).c_str(), 10000,
                                         [this, p](TObject*) { OnGameTimer(MonsterLookTimer(p)); });
        GodModeTimers[p] = makeTimer(this, ("GodModeTimer" + n).c_str(), 15000,
                                     [this, p](TObject*) { OnGameTimer(GodModeTimer(p)); });
        for (TTimer* t : {WoodClipTimers[p], MonsterLookTimers[p], GodModeTimers[p]})
            t->SetTag(p + 1);
    }
    std::lock_guard lock(GameLock());
    for (TDDSprite* s : {Player1, Player2, Player3, Player4}) {
        PlayerList.Add(s);
        s->UserKind = skPlayer;
    }
    JoystickSprite = nullptr;
    SineTable = MakeSineTable();
}

void TMainForm::connectDialogs() {
    if (OptionsForm) {
        OptionsForm->Game = this;
        OptionsForm->FormCreate(OptionsForm);
        OptionsForm->DDModesCombo->SetDDForm(this);
        OptionsForm->OnModeChosen = [this](int width, int height, int bpp) {
            ChangeSize(width, height, bpp);
            centreOnScreen();
            return DDWindowed.load();
        };
    }
    if (SndSetForm) SndSetForm->Connect({DSPlay, SndMP3, Waves, this, [this] { PlayRandomTrack(); }});
}

void TMainForm::centreOnScreen() {
    // The desktop tells the work area (the screen less its panels) of the primary screen
    // only; on another screen the whole screen stands for it.
    const RECT screen = MonitorRect();
    RECT area = Screen->WorkAreaRect();
    if (area.left < screen.left || area.top < screen.top || area.right > screen.right ||
        area.bottom > screen.bottom)
        area = screen;
    CentreIn(area);
}

void TMainForm::FormShow(TObject*) {
    if (FirstShowDone) return;
    connectDialogs();
    Playlist = ReadPlaylist(PlaylistFileName());
    readSettings();
    if (SndSetForm && SndSetForm->MenuMusic->Checked()) {
        DSPlay->SetActive(true);
        if (!DSPlay->Active()) SndSetForm->MenuSFX->SetChecked(false);
        rememberIfUnplayable(DSPlay->FileName());
    }
    if (TitleForm) TitleForm->ShowModal();
    DSPlay->SetActive(false);
    // Switched on again without a playlist entry, the engine would try the title once more.
    if (isUnplayable(DSPlay->FileName())) DSPlay->SetFileName("");
    DSPlay->SetLoop(true);
    if (SndSetForm) SndSetForm->MenuMusicClick(SndSetForm);
    PlayRandomTrack();
    {
        std::lock_guard lock(GameLock());
        FirstShowDone = true;
    }
    SetDDActive(true);
    if (OptionsForm)
        OptionsForm->SetThemes(ReadThemeNames(*Settings, MapsSurface->Height / CellSize), Values.Theme);
    SyncOptions();
    ChangeSize(Values.Width, Values.Height, Values.BPP);
    // The window was placed for the form's own size before the stored mode resized it.
    if (DDWindowed) centreOnScreen();
    if (OptionsForm) OptionsForm->DDModesCombo->FixIndex();
    SetAppPaused(false);
}

void TMainForm::readSettings() {
    std::string name = SettingsFileName();
    // A file that is there but cannot be read gives the defaults, one that cannot be written
    // loses this run's changes: the user hears of it once, now, not when the game closes.
    std::string reason, problem;
    if ((FileExists(name) || DirectoryExists(name)) && !OpenRegularFile(name))
        problem = "cannot be read; the defaults are used.";
    else if (!FileCanBeWritten(ResolvePath(name), reason))
        problem = "cannot be written (" + reason + "); changed settings will not be kept.";
    if (!problem.empty()) {
        Application->MessageBox("The settings file " + name + " " + problem, "Vortamix", MB_OK);
        settingsFileReported_ = true;
    }
    Settings = std::make_unique<TIniFile>(name);
    ReadSettings(*Settings, Values, JoystickPresent);
    if (SndSetForm) SndSetForm->LoadSettings(Values);
    if (OptionsForm) OptionsForm->LoadSettings(Values);
    std::lock_guard lock(GameLock());
    BonusFrames = Values.BonusFrames;
}

void TMainForm::writeSettings() {
    if (!Settings) return;
    Values.Width = DDWidth();
    Values.Height = DDHeight();
    Values.BPP = DDBPP();
    if (SndSetForm) SndSetForm->SaveSettings(Values);
    if (OptionsForm) OptionsForm->SaveSettings(Values);
    try {
        WriteSettings(*Settings, Values);
    } catch (const Exception& e) {
        if (!settingsFileReported_) Application->MessageBox(e.Message(), "Vortamix", MB_OK);
    }
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
    SetDDActive(false);
    DSPlay->SetFileName("");
    writeSettings();
    Settings.reset();
}

void TMainForm::FormDestroy(TObject*) {
    *alive_ = false;
    std::lock_guard lock(GameLock());
    MonsterList.Clear();
    PlayerList.Clear();
    SpriteList.Clear();
    Input.FreeDirectInput();
}

void TMainForm::SyncOptions() {
    std::lock_guard lock(GameLock());
    if (OptionsForm) OptionsForm->CopyTo(Options);
    if (SndSetForm) {
        Options.SFXEnabled = SndSetForm->MenuSFX->Checked();
        Options.MusicEnabled = SndSetForm->MenuMusic->Checked();
    }
}

void TMainForm::FormChangeSize(TObject*) {
    if (!FirstShowDone) return;
    std::lock_guard lock(GameLock());
    GridWidth = DDWidth() / CellSize;
    GridHeight = DDHeight() / CellSize;
    BackgroundSurface->Width = DDWidth();
    BackgroundSurface->Height = DDHeight();
    BackgroundSurface->Init();
    TCanvas& measure = Canvas();
    measure.Font().SetName("Arial");
    StatsFontSize = BackgroundSurface->Width * 16 / 640;
    measure.Font().SetSize(StatsFontSize);
    int depth = DDBPP();
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (PrimarySurface && SUCCEEDED(PrimarySurface->GetSurfaceDesc(&desc)))
        depth = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount);
    char text[64];
    std::snprintf(text, sizeof text, "Mode: %dx%d %d bpp", DDWidth(), DDHeight(), depth);
    ModeText = text;
    // Modes wider than 1024 pixels have a longer mode line than the sample.
    StatsSurface->Width =
        std::max(measure.TextWidth("Mode: 1024x768 32 bpp"), measure.TextWidth(ModeText)) + 20;
    StatsSurface->Height = measure.TextHeight("A") * 7 + 20;
    StatsSurface->Init();
    InfoTextWidth = measure.TextWidth("Suicide: 100");
    InfoLineHeight = measure.TextHeight("A");
    InfoSurface->Width = InfoTextWidth * 4 + 80;
    InfoSurface->Height = (InfoLineHeight + 10) * 2 + 4 * InfoRowPitch(InfoLineHeight) + 10;
    InfoSurface->Init();
    for (TPlayerRecord& r : Players)
        if (r.GodMode) r.ColorsSwapped = false;
}

void TMainForm::FormChangePalette(TObject*) {
    if (!FirstShowDone) return;
    std::lock_guard lock(GameLock());
    PlayerBorderColor = 0;
    IDirectDrawSurface7* sheet = PlayersSurface->Surface;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    HRESULT hr;
    while (sheet && (hr = sheet->Lock(nullptr, &desc, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
    }
    if (sheet && SUCCEEDED(hr)) {
        TSheetPixels pixels{static_cast<BYTE*>(desc.lpSurface), static_cast<int>(desc.lPitch),
                            static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight),
                            static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount)};
        DWORD pixel = 0;
        if (ReadSheetPixel(pixels, Values.PlayerBorderColorX, Values.PlayerBorderColorY, pixel))
            PlayerBorderColor = pixel;
        sheet->Unlock(nullptr);
    }
    GodBorderPixel = sheet ? MatchSurfaceColor(sheet, static_cast<COLORREF>(Values.GodBorderColor)) : 0;
}
