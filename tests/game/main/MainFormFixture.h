#pragma once
// The whole main form without a screen: frames run by hand on a test clock, pictures kept
// in memory, settings and playlist in a scratch folder, the data tree of the run folder.
#include "game/Main.h"
#include "game/Options.h"
#include "game/SndSet.h"
#include "game/Title.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/Presenter.h"
#include "platform/dinput/DIKeys.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/files/FileNames.h"
#include "platform/framework/Application.h"
#include "platform/framework/MessageService.h"
#include "platform/framework/Timer.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Random.h"
#include "platform/kernel/Thread.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <thread>

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::path(VX_TEST_TMP) /
                  ("main-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        SetExeName((folder_ / "vortamix").string());
        previousDir_ = std::filesystem::current_path();
        std::filesystem::current_path(VX_RUN_DIR);
        SetLocalTimeSource([] { return SystemTime{}; });
        Application->SetTitle("Vortamix");
    }

    void TearDown() override {
        Stop();
        std::filesystem::current_path(previousDir_);
        SetExeName("");
        SetLocalTimeSource({});
    }

    const std::filesystem::path& Folder() const { return folder_; }
    void WriteSettings(const std::string& text) { std::ofstream(folder_ / "vortamix.ini") << text; }
    void WritePlaylist(const std::string& text) { std::ofstream(folder_ / "vortamix.m3u") << text; }
    std::string SettingsText() const {
        std::ifstream in(folder_ / "vortamix.ini");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Creates the forms as the entry does (no title dialog), calls beforeShow, runs the first
    // show. The main form is the application's when asked for (closing it ends the application).
    void Start(const std::function<void()>& beforeShow = {}, bool applicationsMainForm = false) {
        if (applicationsMainForm) {
            ASSERT_EQ(Application->MainForm(), nullptr);
            Application->CreateForm(MainForm);
            MainForm->RunFrameThread = false;
        } else {
            MainForm = new TMainForm(nullptr);
            MainForm->RunFrameThread = false;
            MainForm->LoadTree();
            MainForm->DoCreate();
        }
        auto memory = std::make_unique<MemoryPresenter>();
        presenter = memory.get();
        MainForm->SetPresenter(std::move(memory));
        SndSetForm = new TSndSetForm(nullptr);
        SndSetForm->LoadTree();
        SndSetForm->DoCreate();
        OptionsForm = new TOptionsForm(nullptr);
        OptionsForm->LoadTree();
        OptionsForm->DoCreate();
        if (beforeShow) beforeShow();
        MainForm->FormShow(MainForm);
    }

    // Destroys the forms that Start made, as the end of the program does.
    void Stop() {
        if (MainForm) {
            if (MainForm->DDActive()) MainForm->SetDDActive(false);
            delete MainForm;
        }
        delete OptionsForm;
        delete SndSetForm;
        MainForm = nullptr;
        OptionsForm = nullptr;
        SndSetForm = nullptr;
    }

    // Advances the clock, runs the timers that came due and the queued GUI work, then one
    // frame of the frame loop.
    void Frame(DWORD ms = 10) {
        clock.clock().Advance(ms);
        CheckSynchronize();
        RunDueTimers();
        MainForm->UpdateFrame();
    }
    void Frames(int count, DWORD ms = 10) {
        for (int i = 0; i < count; ++i)
            Frame(ms);
    }
    int MessagesCaptioned(const std::string& caption) const {
        const auto records = messages.Records();
        return static_cast<int>(std::count_if(records.begin(), records.end(),
                                              [&](const auto& m) { return m.caption == caption; }));
    }
    void Key(int dik) {
        MainForm->Input.Keyboard()->KeyChange(dik, true);
        MainForm->Input.Keyboard()->KeyChange(dik, false);
    }

    ScopedDDrawTest hooks;
    ScopedTestClock clock{100000};
    ScopedMessageRecorder messages;
    ScopedManualAudio audio;
    MemoryPresenter* presenter = nullptr;

private:
    std::filesystem::path folder_;
    std::filesystem::path previousDir_;
};

// Four players, quiet music, few monsters.
constexpr const char* FourPlayers = "[Sound]\nMusicEnabled=0\n[Options]\nPlayer1=1\nPlayer2=1\nPlayer3=1\n"
                                    "Player4=1\nMonsters=3\n[Themes]\nA=Garden\nB=Desert\n";
