#include "MainFormFixture.h"
#include "graphics/DDCanvas.h"
#include "graphics/DDModesCombo.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"
#include "tests/platform/files/Undeletable.h"

TEST_F(MainFormTest, FirstShowReadsTheSettingsAndActivatesTheDisplay) {
    WriteSettings(FourPlayers);
    WritePlaylist("#EXTM3U\nData\\Music\\ms-suxx1.mod\n");
    Start();
    EXPECT_TRUE(MainForm->FirstShowDone);
    EXPECT_TRUE(MainForm->DDActive());
    EXPECT_EQ(MainForm->GridWidth, 20);
    EXPECT_EQ(MainForm->GridHeight, 15);
    EXPECT_EQ(MainForm->Playlist.size(), 1u);
    EXPECT_FALSE(SndSetForm->MenuMusic->Checked());
    EXPECT_EQ(OptionsForm->ThemeCombo->Items()->Count(), 6);
    EXPECT_EQ(OptionsForm->ThemeCombo->Items()->Strings(1), "Garden");
    EXPECT_EQ(OptionsForm->ThemeCombo->Items()->Strings(3), "Theme 3");
    // The window shows the desktop's depth.
    EXPECT_EQ(MainForm->ModeText, "Mode: 640x480 32 bpp");
    EXPECT_EQ(MainForm->StatsFontSize, 16);
    EXPECT_EQ(MainForm->Options.Playing, (std::array<bool, 4>{true, true, true, true}));
    for (const auto& m : messages.Records())
        ADD_FAILURE() << m.caption << ": " << m.text;
    // A second show does nothing.
    MainForm->Playlist.clear();
    MainForm->FormShow(MainForm);
    EXPECT_TRUE(MainForm->Playlist.empty());
}

TEST_F(MainFormTest, AMatchStartsFromTheMenuAndRoundsFollowEachOther) {
    WriteSettings(FourPlayers);
    Start();
    MainForm->MenuStart->Click();
    EXPECT_EQ(MainForm->MenuStart->Caption(), "&Restart");
    EXPECT_TRUE(MainForm->MenuPause->Enabled());
    EXPECT_FALSE(MainForm->MenuOptions->Enabled());
    EXPECT_EQ(MainForm->Caption(), "Vortamix - Game");
    EXPECT_EQ(MainForm->Round, 1);
    EXPECT_TRUE(MainForm->ShowInfo);
    Frames(3);
    Key(DIK_RETURN);
    Frames(3);
    EXPECT_FALSE(MainForm->ShowInfo);
    Key(DIK_ESCAPE);
    Frames(2);
    EXPECT_EQ(MainForm->Round, 2);
    EXPECT_TRUE(MainForm->ShowInfo && MainForm->InfoWaitsForEnter);
}

TEST_F(MainFormTest, StartingWithOnePlayerShowsTheMessageAndChangesNothing) {
    WriteSettings("[Sound]\nMusicEnabled=0\n[Options]\nPlayer1=1\nPlayer2=0\nPlayer3=0\nPlayer4=0\n");
    Start();
    MainForm->MenuStart->Click();
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text, "Select 2 players or more");
    EXPECT_EQ(messages.Records()[0].caption, "Info");
    EXPECT_EQ(MainForm->MenuStart->Caption(), "&Start");
    EXPECT_FALSE(MainForm->GameRunning);
    EXPECT_FALSE(MainForm->AppPaused());
}

TEST_F(MainFormTest, PlayersWalkLayBombsAndTheFrameIsPresented) {
    WriteSettings(FourPlayers);
    Start();
    MainForm->MenuStart->Click();
    Frames(2);
    Key(DIK_RETURN);
    Frames(2);
    int presentedBefore = presenter->FrameCount();
    TDDSprite* p1 = MainForm->Player1;
    MainForm->Input.Keyboard()->KeyChange(DIK_RIGHT, true);
    Frames(20);
    MainForm->Input.Keyboard()->KeyChange(DIK_RIGHT, false);
    Frames(40);
    EXPECT_EQ(p1->GetX(), 32);
    Key(DIK_INSERT);
    Frames(1);
    ASSERT_NE(MainForm->Cell(1, 0)->Bomb, nullptr);
    Frames(360, 10);
    EXPECT_EQ(MainForm->Cell(1, 0)->Bomb, nullptr);
    EXPECT_GT(presenter->FrameCount(), presentedBefore + 400);
    EXPECT_EQ(presenter->LastFrame().width, 640);
}

TEST_F(MainFormTest, PauseHoldsTheFrameClockAndShowsTheTitle) {
    WriteSettings(FourPlayers);
    Start();
    MainForm->MenuStart->Click();
    Frames(5);
    DWORD tick = MainForm->FrameTick.load();
    MainForm->MenuPause->Click();
    EXPECT_TRUE(MainForm->MenuPause->Checked());
    EXPECT_EQ(MainForm->Caption(), "Vortamix - Paused");
    Frames(500);
    MainForm->MenuPause->Click();
    Frame(10);
    EXPECT_EQ(MainForm->FrameTick.load(), tick + 10);
    EXPECT_EQ(MainForm->Caption(), "Vortamix - Game");
}

// The paused title moves one column every 51.2 ms at 640 pixels: the frames between show the
// same picture, and it is neither drawn nor presented again.
TEST_F(MainFormTest, APausedPictureIsDrawnAndPresentedOnlyWhenTheTitleMoves) {
    WriteSettings(FourPlayers);
    Start();
    MainForm->MenuStart->Click();
    Frames(5);
    MainForm->MenuPause->Click();
    clock.clock().Set(0x10000); // title phase 0
    Frame(0);
    const int presented = presenter->FrameCount(), blits = DDrawTest::CallCount(DDOperation::Blt);
    Frames(5, 10);
    EXPECT_EQ(presenter->FrameCount(), presented);
    EXPECT_EQ(DDrawTest::CallCount(DDOperation::Blt), blits + 5) << "only the five presents, done as nothing";
    Frame(10);
    EXPECT_EQ(presenter->FrameCount(), presented + 1);
}

TEST_F(MainFormTest, ClosingWritesTheSettingsBack) {
    WriteSettings(std::string("; kept\n") + FourPlayers + "[Mine]\nX=1\n");
    Start();
    OptionsForm->NameEdits[1]->SetText("Zed");
    TCloseAction action = caHide;
    MainForm->FormClose(MainForm, action);
    std::string text = SettingsText();
    EXPECT_NE(text.find("; kept"), std::string::npos);
    EXPECT_NE(text.find("[Mine]\nX=1"), std::string::npos);
    EXPECT_NE(text.find("Name2=Zed"), std::string::npos);
    EXPECT_NE(text.find("Width=640"), std::string::npos);
    EXPECT_NE(text.find("MusicEnabled=0"), std::string::npos);
    EXPECT_FALSE(MainForm->DDActive());
}

TEST_F(MainFormTest, AStartUpFailureEndsTheProgramWithOneBoxBeforeTheFirstShow) {
    const std::string noData =
        "The folder " + (Folder() / "data").string() + " with the game's pictures and sounds is missing.";
    const std::tuple<std::function<void()>, std::string, std::string> failures[] = {
        {[] { TDirectInput::FailNextInit(static_cast<HRESULT>(0x80004005u)); }, "Can't use DirectInput 8",
         "Need DirectX 8 or better"},
        {[&] { std::filesystem::current_path(Folder()); }, noData, "Vortamix"}};
    for (const auto& [fail, text, caption] : failures) {
        messages.recorder().Clear();
        fail();
        MainForm = new TMainForm(nullptr);
        MainForm->RunFrameThread = false;
        MainForm->LoadTree();
        MainForm->DoCreate();
        ASSERT_EQ(messages.Records().size(), 1u);
        EXPECT_EQ(messages.Records()[0].text, text);
        EXPECT_EQ(messages.Records()[0].caption, caption);
        EXPECT_EQ(MainForm->PlayerList.Count(), 0);
        EXPECT_EQ(Application->ExitCode(), 1) << "the program ends with a failure status";
        Application->SetExitCode(0);
        Stop();
    }
}

TEST_F(MainFormTest, FrameThreadPlaysWhileTimersMenusAndKeysRunOnTheGuiThread) {
    WriteSettings(FourPlayers);
    Start();
    MainForm->MenuStart->Click();
    MainForm->SetDDActive(false);
    MainForm->RunFrameThread = true;
    MainForm->SetDDActive(true);
    const int keys[] = {DIK_RETURN, DIK_RIGHT, DIK_INSERT, DIK_A, DIK_LSHIFT, DIK_F1, DIK_ESCAPE, DIK_SPACE};
    for (int i = 0; i < 400; ++i) {
        clock.clock().Advance(25);
        CheckSynchronize();
        RunDueTimers();
        Key(keys[i % 8]);
        if (i % 50 == 25) MainForm->MenuPause->Click();
        if (i % 50 == 30) MainForm->MenuPause->Click();
        std::this_thread::yield();
    }
    MainForm->SetDDActive(false);
    EXPECT_GE(MainForm->Round, 1);
    EXPECT_TRUE(MainForm->GameRunning);
}

TEST_F(MainFormTest, ADisplayOf800PixelsGivesTwentyFiveColumnsAndALargerFont) {
    WriteSettings(std::string(FourPlayers) + "[Screen]\nWidth=800\nHeight=600\nBPP=16\n");
    Start();
    EXPECT_EQ(MainForm->DDWidth(), 800);
    EXPECT_EQ(MainForm->GridWidth, 25);
    EXPECT_EQ(MainForm->GridHeight, 18);
    EXPECT_EQ(MainForm->StatsFontSize, 20);
    EXPECT_EQ(MainForm->BackgroundSurface->Width, 800);
    MainForm->MenuStart->Click();
    EXPECT_EQ(MainForm->Grid.size(), 25u * 18u);
}

// The bomb key pressed during the game's pause: nothing is laid, and the frame clock that
// the resume moves back cannot set anything off at once.
TEST_F(MainFormTest, TheBombKeyPressedWhilePausedLaysNothing) {
    WriteSettings(FourPlayers);
    Start();
    MainForm->MenuStart->Click();
    Frames(2);
    Key(DIK_RETURN);
    Frames(2);
    Key(DIK_PAUSE);
    Frames(2);
    ASSERT_TRUE(MainForm->MenuPause->Checked());
    Frames(300, 10);
    Key(DIK_INSERT);
    Frames(2);
    Key(DIK_PAUSE);
    Frames(20);
    ASSERT_FALSE(MainForm->MenuPause->Checked());
    EXPECT_EQ(MainForm->Cell(0, 0)->Bomb, nullptr);
    EXPECT_TRUE(MainForm->Player1->Visible());
    EXPECT_EQ(MainForm->Players[0].Suicide, 0);
}

// The generator is seeded at start-up from the time of day, so the first round's theme (and
// the start-up music) differ from one start to the next whatever the generator held before.
TEST_F(MainFormTest, TheFirstRoundsThemeFollowsTheTimeOfDayAtStartUp) {
    WriteSettings(FourPlayers);
    std::set<int> themes;
    for (int second : {1, 7, 13, 22, 35, 48}) {
        SetLocalTimeSource([second] {
            SystemTime t;
            t.second = second;
            return t;
        });
        SetRandSeed(4242);
        Start();
        MainForm->MenuStart->Click();
        themes.insert(MainForm->ThemeRow);
        Stop();
    }
    EXPECT_GT(themes.size(), 1u);
}

// The window is placed for the form's own size at its first show; a stored mode then resizes
// it, and it must be centred again, or start at the work area's corner when it is larger.
TEST_F(MainFormTest, AStoredModeCentresTheWindowAndKeepsALargerOneWithItsMenuBarOnTheScreen) {
    // Wider or taller than the 800 x 800 offscreen screen, with the menu bar, or neither.
    for (const auto& [mode, wider, taller] : {std::tuple{"Width=640\nHeight=480", false, false},
                                              {"Width=640\nHeight=800", false, true},
                                              {"Width=1024\nHeight=768", true, false}}) {
        WriteSettings(std::string(FourPlayers) + "[Screen]\n" + mode + "\nBPP=32\n");
        Start();
        ASSERT_EQ(Screen->WorkAreaRect(), (RECT{0, 0, 800, 800}));
        EXPECT_EQ(MainForm->Left(), wider ? 0 : (800 - MainForm->Width()) / 2) << mode;
        EXPECT_EQ(MainForm->Top(), taller ? 0 : (800 - MainForm->Height()) / 2) << mode;
        Stop();
    }
}

// The help panel is as wide as the longest mode line of the modes the options offer.
TEST_F(MainFormTest, TheHelpPanelHoldsTheModeLineOfEveryOfferedMode) {
    WriteSettings(FourPlayers);
    Start();
    TDDModesCombo* modes = OptionsForm->DDModesCombo;
    ASSERT_GT(modes->Items()->Count(), 10);
    for (int i = 0; i < modes->Items()->Count(); ++i) {
        const DWORD code = modes->ItemModeCode(i);
        if (code >> 24 != 32) continue;
        MainForm->ChangeSize(static_cast<int>(code & 0xFFF), static_cast<int>((code >> 12) & 0xFFF), 32);
        EXPECT_LE(MainForm->StatsSurface->Canvas->TextWidth(MainForm->ModeText) + 20,
                  MainForm->StatsSurface->Width)
            << MainForm->ModeText;
    }
}

// Every round switches the engine on, which loads the effects again.
TEST_F(MainFormTest, MusicAndEffectsThatFailAreReportedOnceNotEveryRound) {
    std::ofstream(Folder() / "damaged.wav") << std::string(60, 'x');
    WriteSettings("[Options]\nPlayer1=1\nPlayer2=1\nMonsters=0\n");
    WritePlaylist("Data\\Music\\no such tune.mod\n");
    Start([&] {
        MainForm->Waves[scFreez]->SetFileName("data\\sfx\\no such.wav");
        MainForm->Waves[scFinal]->SetFileName((Folder() / "damaged.wav").string());
    });
    MainForm->MenuStart->Click();
    for (int key : {DIK_RETURN, DIK_ESCAPE, DIK_RETURN, DIK_ESCAPE, DIK_RETURN, DIK_ESCAPE}) {
        Key(key);
        Frames(2);
    }
    EXPECT_EQ(MainForm->Round, 4);
    EXPECT_EQ(MessagesCaptioned("SndOutEngine: Fatal error"), 1);
    EXPECT_EQ(MessagesCaptioned("DSWave: Fatal error"), 2);
    EXPECT_TRUE(MainForm->Waves[scCool]->Play(0, 0)) << "the other effects still play";
}

TEST_F(MainFormTest, ATitleMusicThatNoPlugInPlaysIsReportedOnceWhateverThePlaylistHolds) {
    const std::string title = "Data\\Music\\no such title.mod";
    for (const std::string& playlist : {std::string(), title + "\n"}) {
        WriteSettings("[Options]\nPlayer1=1\nPlayer2=1\nMonsters=0\n");
        WritePlaylist(playlist);
        messages.recorder().Clear();
        Start([&] { MainForm->DSPlay->SetFileName(title); });
        MainForm->MenuStart->Click();
        Frames(2);
        EXPECT_EQ(MessagesCaptioned("SndOutEngine: Fatal error"), 1) << "playlist: " << playlist;
        Stop();
    }
}

// A settings file that cannot be read, or cannot be written back, is reported once: when it
// is read at start, not again when the game closes.
TEST_F(MainFormTest, AnUnusableSettingsFileIsReportedOnceWhenItIsRead) {
    std::filesystem::create_directory(Folder() / "vortamix.ini");
    std::filesystem::create_directory(Folder() / "locked");
    std::ofstream(Folder() / "locked" / "vortamix.ini") << FourPlayers;
    for (const std::filesystem::path& exe : {Folder() / "vortamix", Folder() / "locked" / "vortamix"}) {
        SetExeName(exe.string());
        // A folder that takes no new entries: no file can replace the settings in it.
        ScopedUndeletable lock((Folder() / "locked").string());
        VX_REQUIRE_UNDELETABLE(lock);
        messages.recorder().Clear();
        Start();
        EXPECT_EQ(MessagesCaptioned("Vortamix"), 1) << "at start, " << exe;
        TCloseAction action = caHide;
        MainForm->FormClose(MainForm, action);
        EXPECT_EQ(MessagesCaptioned("Vortamix"), 1) << "at close";
        Stop();
    }
}

// A size the display modes lack (a carried-over or hand-edited settings file) plays in its
// window: full screen leaves it there with a message, and even a fatal error afterwards keeps
// what was changed in the session.
TEST_F(MainFormTest, FullScreenInASizeTheModesLackStaysInTheWindowAndAFatalErrorKeepsTheSettings) {
    for (const std::string size : {"Width=1000\nHeight=700", "Width=2400\nHeight=1800"}) {
        WriteSettings(std::string(FourPlayers) + "[Screen]\n" + size + "\nBPP=32\n");
        messages.recorder().Clear();
        Start({}, true);
        OptionsForm->NameEdits[1]->SetText("Zed");
        MainForm->MenuToggleClick(MainForm);
        EXPECT_TRUE(MainForm->DDWindowed && MainForm->SurfacesReady) << size;
        EXPECT_EQ(MainForm->MenuToggle->Caption(), "Full Screen") << size;
        EXPECT_EQ(MessagesCaptioned("Vortamix"), 1) << size;
        const int presented = presenter->FrameCount();
        Frame();
        EXPECT_EQ(presenter->FrameCount(), presented + 1) << size << ": the window still plays";
        Application->HandleException(Exception("boom"));
        EXPECT_EQ(MessagesCaptioned("DirectDraw fatal error"), 1) << size;
        EXPECT_NE(SettingsText().find("Name2=Zed"), std::string::npos) << size;
        EXPECT_NE(SettingsText().find(size), std::string::npos) << size;
        Stop();
    }
    Application->SetExitCode(0);
}
