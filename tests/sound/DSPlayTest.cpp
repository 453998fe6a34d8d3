#include "sound/DSPlay.h"
#include "SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace {

// The player as its owner's other components reach it: told when one of them goes away.
class NotifiedPlay : public TDSPlay {
public:
    using TDSPlay::Notification;
    using TDSPlay::TDSPlay;
};

class Player : public ::testing::Test {
protected:
    // A form with one ramp plug-in and the player, set up like the game's music engine.
    void build(DWORD rampBytes, int bufferSize, int buffersCount, WORD bits, WORD channels, DWORD rate) {
        plug = new RampPlug(&owner, "ramp", rampBytes);
        play = new NotifiedPlay(&owner);
        play->SetBufferSize(bufferSize);
        play->SetBuffersCount(buffersCount);
        play->SetBitsPerSample(bits);
        play->SetChannels(channels);
        play->SetSamplesPerSec(rate);
        owner.LoadTree();
        play->SetOnProc([this](TObject*, BYTE*, DWORD) { procs.Add(); });
        play->SetOnActiveChange([this](TObject*) { changes.Add(); });
    }
    BufferInfo stream() {
        for (const BufferInfo& info : audio.backend().Buffers())
            if (!info.primary) return info;
        return {};
    }
    // Renders one block's worth of device frames and waits until the events thread answered.
    void playBlock(int frames) {
        const int before = procs.Value();
        audio.backend().Render(frames);
        procs.WaitFor(before + 1);
    }
    // The device renders on its own thread, as a real one does, until the test ends.
    void runDevice() {
        device = std::thread([this] {
            while (!deviceDone.load())
                audio.backend().Render(512);
        });
    }
    // The player goes off before it is destroyed, so no events thread still runs while
    // its destructors start.
    void TearDown() override {
        deviceDone = true;
        if (device.joinable()) device.join();
        if (play) play->SetActive(false);
    }
    // True once: for the first call made on a thread other than the test's (the events
    // thread), never for the pre-fill's calls on the test's own thread.
    bool firstOnEventsThread() { return std::this_thread::get_id() != testThread && !handled.exchange(true); }
    // Signals a block until the events thread has taken the signal: it is then on its way
    // into Process. A thread that takes none for a second is already there, held up.
    void wakeEventsThread() {
        const HANDLE event = play->Events()[1];
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        do
            SetEvent(event);
        while (WaitForSingleObject(event, 0) == WAIT_OBJECT_0 && std::chrono::steady_clock::now() < giveUp);
    }

    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner{nullptr};
    RampPlug* plug = nullptr;
    NotifiedPlay* play = nullptr;
    Counter procs;
    Counter changes;
    std::thread device;
    std::atomic<bool> deviceDone{false};
    // Handlers outlive a test's body (until TearDown), so their state lives here.
    const std::thread::id testThread = std::this_thread::get_id();
    std::atomic<bool> handled{false};
    std::atomic<std::thread::id> seeker{};
};

} // namespace

TEST_F(Player, GameSettingsPrefillThreeOfFourBlocks) {
    build(1 << 20, 32768, 4, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    ASSERT_TRUE(play->Active());
    EXPECT_EQ(play->PrefillBlocks(), 4);
    EXPECT_EQ(plug->processed.load(), 3u * 32768u);
    EXPECT_TRUE(stream().playing);
    EXPECT_TRUE(stream().looping);
    EXPECT_EQ(stream().flags, 0x181E0u);
    EXPECT_EQ(stream().size, 4u * 32768u);
}

TEST_F(Player, SmallBlocksAtLowRatesPrefillThreeSecondsLessOne) {
    build(1 << 20, 4096, 16, 8, 1, 11025);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    EXPECT_EQ(play->PrefillBlocks(), 8);
    EXPECT_EQ(plug->processed.load(), 7u * 4096u);
}

TEST_F(Player, StreamedDataReachesTheDevice) {
    build(1 << 20, 8192, 4, 8, 1, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    const auto out = audio.backend().Render(3);
    EXPECT_EQ(out, (std::vector<std::int16_t>{(1 - 128) * 256, (1 - 128) * 256, (2 - 128) * 256,
                                              (2 - 128) * 256, (3 - 128) * 256, (3 - 128) * 256}));
}

TEST_F(Player, ShowingTheOutputWhileItPlaysLeavesEveryFrameOfItSounding) {
    build(1 << 20, 8192, 4, 8, 1, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    std::vector<short> shown(8192);
    const std::vector<std::int16_t> played = RenderWhileShowing(
        audio.backend(), 3 * 8192, [&] { play->GetCurrentBuffer(shown.data(), nullptr, 8192); });
    ASSERT_EQ(played.size(), 2u * 3 * 8192);
    int cut = 0;
    for (std::size_t frame = 0; frame < played.size() / 2; ++frame)
        cut += played[2 * frame] != (1 + static_cast<int>(frame % 251) - 128) * 256;
    EXPECT_EQ(cut, 0) << "frames of the pre-filled ramp that did not sound";
}

TEST_F(Player, WithoutAFileThePlayerIsActiveWithoutStreaming) {
    build(100, 8192, 4, 16, 2, 44100);
    play->SetActive(true);
    EXPECT_TRUE(play->Active());
    EXPECT_EQ(stream().size, 0u);
    EXPECT_TRUE(messages.Records().empty());
    EXPECT_EQ(changes.Value(), 1);
    play->UseDirectSound([](IDirectSound* ds) { EXPECT_NE(ds, nullptr); });
    SND_POSITION position;
    play->SetPosition(&position); // nothing streams, so nothing to seek or restart
    EXPECT_TRUE(play->Active());
}

TEST_F(Player, AFileNoPlugInTakesStopsThePlayerOnlyWithStopIfNoModule) {
    build(100, 8192, 4, 16, 2, 44100);
    play->SetFileName("song.mp3");
    play->SetActive(true);
    EXPECT_TRUE(play->Active());
    EXPECT_EQ(messages.Records().size(), 1u);
    play->SetActive(false);
    play->SetStopIfNoModule(true);
    changes.WaitFor(0);
    const int before = changes.Value();
    play->SetActive(true);
    EXPECT_FALSE(play->Active());
    EXPECT_EQ(messages.Records().size(), 2u);
    EXPECT_EQ(changes.Value(), before);
}

TEST_F(Player, AFileEndingWithoutLoopPlaysOutAsSilenceAndSwitchesOff) {
    build(40000, 8192, 4, 8, 1, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    playBlock(8192); // block 1 entered: block 3 filled
    playBlock(8192); // block 2 entered: block 0 filled, the data ends there
    EXPECT_EQ(plug->processed.load(), 5u * 8192u);
    audio.backend().Render(8192); // block 3 entered: block 2 silenced
    audio.backend().Render(8192); // block 0 entered
    const int before = changes.Value();
    audio.backend().Render(8192); // block 1 entered: the stop thread switches off
    ASSERT_TRUE(changes.WaitFor(before + 1));
    EXPECT_FALSE(play->Active());
    EXPECT_EQ(play->FileName(), "ramp.raw");
    EXPECT_EQ(audio.backend().LiveDirectSoundObjects(), 0);
}

TEST_F(Player, ALoopingFileRestartsInsideTheBlockAfterItsEnd) {
    build(10000, 8192, 4, 8, 1, 44100);
    std::vector<BYTE> firstBytes;
    play->SetLoop(true);
    play->SetFileName("ramp.raw");
    play->SetOnProc([&](TObject*, BYTE* data, DWORD) {
        firstBytes.push_back(data[0]);
        procs.Add();
    });
    play->SetActive(true);
    EXPECT_EQ(plug->resets.load(), 1) << "the end of the data rewinds the file";
    ASSERT_GE(firstBytes.size(), 3u);
    EXPECT_EQ(firstBytes[1], 1 + 8192 % 251) << "block 1 continues the file";
    EXPECT_EQ(firstBytes[2], 1) << "block 2 starts the file again";
    playBlock(8192);
    EXPECT_TRUE(play->Active());
}

TEST_F(Player, PausedOnAnInactivePlayerReadsBackFalse) {
    build(100, 8192, 4, 16, 2, 44100);
    play->SetPaused(true);
    EXPECT_FALSE(play->Paused());
}

TEST_F(Player, PauseStopsTheStreamAndResumeContinuesWhereItStopped) {
    build(1 << 20, 8192, 4, 8, 1, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    audio.backend().Render(1000);
    play->SetPaused(true);
    EXPECT_TRUE(play->Paused());
    EXPECT_FALSE(stream().playing);
    audio.backend().Render(1000);
    EXPECT_EQ(stream().playCursor, 1000u);
    play->SetPaused(false);
    EXPECT_TRUE(stream().playing);
    EXPECT_EQ(stream().playCursor, 1000u);
    EXPECT_EQ(audio.backend().Render(1)[0], (1 + 1000 % 251 - 128) * 256);
}

TEST_F(Player, ResumingAfterAFailedPlaySwitchesOff) {
    build(1 << 20, 8192, 4, 8, 1, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    play->SetPaused(true);
    audio.backend().FailNext(DsOp::Play, DSERR_GENERIC);
    play->SetPaused(false);
    EXPECT_FALSE(play->Active());
}

TEST_F(Player, DeviceIsKeptByValueAndAChangeMovesAnActivePlayer) {
    audio.backend().SetOutputDevices({{"a", "Card A"}});
    build(1 << 20, 8192, 4, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    GUID card = DeviceGuid("a", false);
    const int before = changes.Value();
    play->SetpID(&card);
    EXPECT_EQ(changes.Value(), before + 2);
    EXPECT_EQ(stream().device, "a");
    GUID copy = card;
    card.Data1 ^= 1; // the caller's storage may change or go away
    play->SetpID(&copy);
    EXPECT_EQ(changes.Value(), before + 2) << "the same identifier changes nothing";
    play->SetpID(nullptr);
    EXPECT_EQ(stream().device, "");
}

// A sound server can take seconds to close a stream it has just opened: a new file or
// another device, switched on the game's threads at every round, never waits for a close.
TEST_F(Player, EngineSwitchesNeverWaitForADeviceToClose) {
    audio.backend().SetOutputDevices({{"a", "Card A"}});
    build(1 << 20, 8192, 4, 16, 2, 44100);
    audio.backend().SetClosesHeld(true);
    const GUID card = DeviceGuid("a", false);
    auto switching = std::async(std::launch::async, [&] {
        for (const GUID* device : {&card, static_cast<const GUID*>(nullptr), &card, &card}) {
            play->SetFileName("ramp.raw");
            play->SetActive(true);
            play->SetpID(device);
        }
        play->SetActive(false);
    });
    const bool prompt = switching.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    audio.backend().SetClosesHeld(false);
    switching.wait();
    EXPECT_TRUE(prompt) << "a switch waited for a device to close";
    EXPECT_TRUE(messages.Records().empty());
    EXPECT_EQ(changes.Value(), 14);
}

TEST_F(Player, VolumeKeepsAnyValueWhileTheBufferTakesOnlyValidOnes) {
    build(1 << 20, 8192, 4, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetVolume(128);
    play->SetActive(true);
    EXPECT_EQ(play->Volume(), 128);
    EXPECT_EQ(stream().volume, 0);
    play->SetVolume(-600);
    EXPECT_EQ(stream().volume, -600);
}

TEST_F(Player, EachFailingStepShowsItsMessageAndLeavesThePlayerReleased) {
    struct Step {
        DsOp op;
        int skip;
        const char* text;
    };
    const Step steps[] = {
        {DsOp::Create, 0,
         "Can't create DirectSound object: device is busy or DirectSound subsystem (DirectX 5 or better) is "
         "not "
         "properly installed"},
        {DsOp::SetCooperativeLevel, 0, "Could not set Cooperative Level on DirectSound object!"},
        {DsOp::CreateSoundBuffer, 0, "Can't create DirectSound Primary Buffer"},
        {DsOp::SetFormat, 0, "Set PrimaryBuffer format failed"},
        {DsOp::CreateSoundBuffer, 1, "Can't create DirectSound Secondary Buffer"},
        {DsOp::QueryNotify, 0, "Query DirectSound Notify failed"},
        {DsOp::SetNotificationPositions, 0, "Set notification positions failed"},
        {DsOp::Play, 0, "Play failed"},
    };
    build(1 << 20, 8192, 4, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    for (const Step& step : steps) {
        messages.recorder().Clear();
        audio.backend().FailNext(step.op, DSERR_GENERIC, step.skip);
        play->SetActive(true);
        EXPECT_FALSE(play->Active()) << step.text;
        ASSERT_EQ(messages.Records().size(), 1u) << step.text;
        EXPECT_EQ(messages.Records()[0].text,
                  std::string(step.text) +
                      " (An undetermined error occurred inside the DirectSound subsystem)");
        EXPECT_EQ(messages.Records()[0].caption, "TDSPlay");
        EXPECT_EQ(messages.Records()[0].flags, 48u);
        EXPECT_EQ(audio.backend().LiveDirectSoundObjects(), 0) << step.text;
        EXPECT_TRUE(audio.backend().Buffers().empty()) << step.text;
    }
}

TEST_F(Player, PositionIsWhatIsHeardNotWhatIsDecoded) {
    build(1 << 20, 32768, 4, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    SND_POSITION position;
    play->GetPosition(&position);
    // Decoded 3 blocks; blocks 1 and 2 still queued.
    EXPECT_EQ(position.dwPosition, 3u * 32768u - 2u * 32768u);
    EXPECT_EQ(position.dwLength, 1u << 20);
    EXPECT_EQ(position.dwBuffersCount, 4u);
    EXPECT_EQ(position.dwBufferSize, 32768u);
}

TEST_F(Player, PositionNearTheStartDoesNotWrapToTheEnd) {
    build(1 << 20, 32768, 4, 16, 2, 44100);
    plug->unitsPerByte = 4;
    play->SetLoop(true);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    SND_POSITION position;
    play->GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 0u);
    play->SetLoop(false);
    play->GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 0u);
}

TEST_F(Player, PositionCanBeSetWhileActive) {
    build(1 << 20, 8192, 4, 8, 1, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    SND_POSITION position;
    position.dwPosition = 251 * 10 + 7;
    play->SetPosition(&position);
    EXPECT_EQ(audio.backend().Render(1)[0], (1 + 7 - 128) * 256);
}

TEST_F(Player, RingChangesSwitchAnActivePlayerOffAndOn) {
    build(1 << 20, 8192, 4, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    play->SetBuffersCount(8);
    EXPECT_TRUE(play->Active());
    EXPECT_EQ(stream().size, 8u * 8192u);
}

// The events thread fills blocks while the device renders on another thread and the
// caller pauses, asks the position, seeks and switches; a handler on the events thread
// asks the position too. Run under ThreadSanitizer.
TEST_F(Player, EngineEventsThreadRacesNothingAndNeverDecodesTwice) {
    build(1 << 22, 4096, 8, 16, 2, 44100);
    play->SetLoop(true);
    play->SetFileName("ramp.raw");
    play->SetOnProc([this](TObject*, BYTE*, DWORD) {
        SND_POSITION position;
        play->GetPosition(&position);
        procs.Add();
    });
    play->SetActive(true);
    std::atomic<bool> done{false};
    std::thread device([&] {
        while (!done.load())
            audio.backend().Render(512);
    });
    for (int round = 0; round < 20; ++round) {
        procs.WaitFor(procs.Value() + 2);
        SND_POSITION position;
        play->GetPosition(&position);
        play->SetPaused(true);
        play->SetVolume(-100 * round);
        play->SetPaused(false);
        if (round % 5 == 4) {
            play->SetFileName("ramp.raw");
            play->SetActive(true);
        }
    }
    play->SetActive(false);
    done = true;
    device.join();
    EXPECT_FALSE(plug->overlapped.load());
    EXPECT_FALSE(play->Active());
}

// A data handler that switches its engine off runs on the events thread, which the switch
// must stop: the switch is handed to another thread and the block in hand is finished.
TEST_F(Player, EngineSwitchedOffByItsDataHandlerGoesOffAfterTheBlock) {
    build(1 << 22, 4096, 8, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetOnProc([this](TObject*, BYTE*, DWORD) {
        if (firstOnEventsThread()) play->SetActive(false);
        procs.Add();
    });
    play->SetActive(true);
    const int before = changes.Value();
    runDevice();
    ASSERT_TRUE(changes.WaitFor(before + 1));
    EXPECT_FALSE(play->Active());
    EXPECT_EQ(audio.backend().LiveDirectSoundObjects(), 0);
}

// Handed-off calls keep their order: a new file and a switch-on made from the handler
// restart the engine on that file.
TEST_F(Player, EngineGivenANewFileByItsDataHandlerRestartsOnIt) {
    build(1 << 22, 4096, 8, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetOnProc([this](TObject*, BYTE*, DWORD) {
        if (firstOnEventsThread()) {
            play->SetFileName("ramp2.raw");
            play->SetActive(true);
        }
        procs.Add();
    });
    play->SetActive(true);
    const int before = changes.Value();
    runDevice();
    ASSERT_TRUE(changes.WaitFor(before + 2));
    EXPECT_TRUE(play->Active());
    EXPECT_EQ(play->FileName(), "ramp2.raw");
    EXPECT_EQ(plug->inits.load(), 2);
}

TEST_F(Player, EngineGivenANewRateByItsDataHandlerRestartsInIt) {
    build(1 << 22, 4096, 8, 16, 2, 44100);
    // A looping file never plays to its end, so only the handed-off restart switches the
    // engine off and on, however fast the device runs.
    play->SetLoop(true);
    play->SetFileName("ramp.raw");
    play->SetOnProc([this](TObject*, BYTE*, DWORD) {
        if (firstOnEventsThread()) play->SetSamplesPerSec(22050);
        procs.Add();
    });
    play->SetActive(true);
    const int before = changes.Value();
    runDevice();
    ASSERT_TRUE(changes.WaitFor(before + 2));
    EXPECT_TRUE(play->Active());
    EXPECT_EQ(stream().format.nSamplesPerSec, 22050u);
}

// The pre-fill of a switch-on calls the handler on the caller's thread, inside the switch.
TEST_F(Player, EngineSwitchedOffByItsDataHandlerDuringThePrefillGoesOffAfterTheSwitchOn) {
    build(1 << 22, 4096, 8, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetOnProc([this](TObject*, BYTE*, DWORD) {
        if (!handled.exchange(true)) play->SetActive(false);
        procs.Add();
    });
    play->SetActive(true);
    ASSERT_TRUE(changes.WaitFor(2));
    EXPECT_FALSE(play->Active());
    EXPECT_EQ(audio.backend().LiveDirectSoundObjects(), 0);
}

TEST_F(Player, EngineSeekWhoseRestartFailsToPlaySwitchesOffWithoutDeadlock) {
    build(1 << 22, 4096, 8, 16, 2, 44100);
    play->SetLoop(true);
    play->SetFileName("ramp.raw");
    // The seek's pre-fill, on the seeking thread, wakes the events thread once.
    plug->onProcess = [this] {
        if (std::this_thread::get_id() == seeker.load()) {
            seeker = std::thread::id();
            wakeEventsThread();
        }
    };
    runDevice();
    for (int round = 0; round < 5; ++round) {
        play->SetActive(true);
        ASSERT_TRUE(play->Active());
        audio.backend().FailNext(DsOp::Play, DSERR_GENERIC);
        SND_POSITION position;
        position.dwPosition = 4096;
        FinishesWithin(
            10000,
            [&] {
                seeker = std::this_thread::get_id();
                play->SetPosition(&position);
            },
            "SetPosition");
        EXPECT_FALSE(play->Active());
    }
}

TEST_F(Player, EngineWhosePlugInGoesAwayWhileStreamingSwitchesOffWithoutDeadlock) {
    build(1 << 22, 4096, 8, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    play->SetOnBeforeStop([this](TObject*) { wakeEventsThread(); });
    FinishesWithin(
        10000, [&] { play->Notification(plug, opRemove); }, "removing the plug-in");
    EXPECT_FALSE(play->Active());
    EXPECT_EQ(play->ModulePlug(), nullptr);
}

TEST_F(Player, SwitchingOnSetsPriorityLevelThePrimaryFormatAndOneNotificationPerBlock) {
    build(1 << 20, 8192, 4, 8, 1, 22050);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    const std::vector<DirectSoundInfo> objects = audio.backend().DirectSoundObjects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].cooperativeLevel, DSSCL_PRIORITY);
    ASSERT_TRUE(objects[0].primaryFormatSet);
    EXPECT_EQ(objects[0].primaryFormat.nChannels, 1);
    EXPECT_EQ(objects[0].primaryFormat.wBitsPerSample, 8);
    EXPECT_EQ(objects[0].primaryFormat.nSamplesPerSec, 22050u);
    const std::vector<DSBPOSITIONNOTIFY> notifications = stream().notifications;
    ASSERT_EQ(notifications.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(notifications[i].dwOffset, DWORD(8192 * i));
        EXPECT_EQ(notifications[i].hEventNotify, play->Events()[i]);
    }
}

TEST_F(Player, EngineThreadTheSystemRefusesShowsItsMessageAndLeavesThePlayerReleased) {
    build(1 << 20, 8192, 4, 16, 2, 44100);
    play->SetFileName("ramp.raw");
    FailNextThreadCreation();
    play->SetActive(true);
    EXPECT_FALSE(play->Active());
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text, "Can't create thread");
    EXPECT_EQ(messages.Records()[0].caption, "TDSPlay");
    EXPECT_EQ(audio.backend().LiveDirectSoundObjects(), 0);
    EXPECT_TRUE(audio.backend().Buffers().empty());
    play->SetActive(true);
    EXPECT_TRUE(play->Active()) << "the fault hit only the one creation";
}

// The blocks between the end of a file and the play cursor still hold what they played a
// ring before; they must sound as silence until the stop thread stops the buffer.
TEST_F(Player, EnginePlaysTheBlocksPastTheEndOfAFileAsSilenceUntilTheStop) {
    constexpr int Block = 4096;
    constexpr DWORD Length = 20 * Block + 1000; // longer than the ring of 16 blocks
    build(Length, Block, 16, 8, 1, 44100);
    play->SetFileName("ramp.raw");
    // The handler owns its signal: the stop may come after this body, at the fixture's switch-off.
    auto stopMayGoOn = std::make_shared<Signal>();
    play->SetOnBeforeStop([stopMayGoOn](TObject*) { stopMayGoOn->Wait(); });
    play->SetActive(true);
    ASSERT_EQ(play->PrefillBlocks(), 16);
    std::vector<std::int16_t> heard;
    for (int block = 0; block < 6; ++block) { // the sixth fills the last block of the file
        const int before = procs.Value();
        const std::vector<std::int16_t> chunk = audio.backend().Render(Block);
        heard.insert(heard.end(), chunk.begin(), chunk.end());
        ASSERT_TRUE(procs.WaitFor(before + 1));
    }
    // The events thread unlocks the block after its handler ran; until then the block
    // sounds as silence.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (stream().lockedBytes != 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    // On to the end of block 5, which the cursor enters after the file's last block.
    while (heard.size() / 2 < 22u * Block) {
        const std::vector<std::int16_t> chunk = audio.backend().Render(Block);
        heard.insert(heard.end(), chunk.begin(), chunk.end());
    }
    stopMayGoOn->Set();
    for (DWORD frame = 0; frame < 22u * Block; ++frame) {
        const int expected = frame < Length ? (1 + int(frame % 251) - 128) * 256 : 0;
        ASSERT_EQ(heard[2 * frame], expected) << "frame " << frame;
    }
}
