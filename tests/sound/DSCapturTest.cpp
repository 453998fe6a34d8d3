#include "sound/DSCaptur.h"
#include "DuplexTestKit.h"
#include "platform/framework/MessageService.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// 16 blocks of 1024 bytes, 16-bit stereo at the manual device's 44100 Hz: 256 device frames
// fill one block.
constexpr int BlockFrames = 256;

class CaptureEngine : public ::testing::Test {
protected:
    void SetUp() override {
        capture = new TDSCapture(&owner);
        capture->SetBufferSize(1024);
        owner.LoadTree();
        capture->SetOnActiveChange([this](TObject*) { changes.Add(); });
    }
    void handOut() {
        capture->SetOnProc([this](TObject*, BYTE* data, DWORD len) { log.Add(data, len); });
    }
    // Feeds one block whose samples are value and waits until it was handed out.
    void feedBlock(std::int16_t value) {
        const int before = log.Count();
        audio.backend().FeedCapture(DeviceFrames(BlockFrames, value, static_cast<std::int16_t>(-value)));
        ASSERT_TRUE(log.WaitFor(before + 1));
    }
    CaptureBufferInfo buffer() {
        const auto all = audio.backend().CaptureBuffers();
        return all.empty() ? CaptureBufferInfo{} : all[0];
    }

    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner{nullptr};
    TDSCapture* capture = nullptr;
    BlockLog log;
    Counter changes;
};

} // namespace

TEST_F(CaptureEngine, SwitchingOnCapturesIntoALoopingWaveMappedRingInTheRequestedFormat) {
    capture->SetBitsPerSample(8);
    capture->SetChannels(1);
    capture->SetSamplesPerSec(22050);
    capture->SetActive(true);
    ASSERT_TRUE(capture->Active());
    EXPECT_EQ(changes.Value(), 1);
    const CaptureBufferInfo info = buffer();
    EXPECT_EQ(info.flags, DSCBCAPS_WAVEMAPPED);
    EXPECT_EQ(info.size, 16u * 1024u);
    EXPECT_EQ(info.format.nChannels, 1);
    EXPECT_EQ(info.format.wBitsPerSample, 8);
    EXPECT_EQ(info.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(info.format.nAvgBytesPerSec, 22050u);
    EXPECT_TRUE(info.capturing);
    EXPECT_TRUE(info.looping);
    EXPECT_TRUE(messages.Records().empty());
    capture->SetActive(false);
    EXPECT_EQ(changes.Value(), 2);
    EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0);
    EXPECT_TRUE(audio.backend().CaptureBuffers().empty());
}

TEST_F(CaptureEngine, HandsOutEachCompletedBlockInOrderAndTheLastOneWhenTheRingWraps) {
    handOut();
    capture->SetActive(true);
    for (std::int16_t value = 1; value <= 17; ++value)
        feedBlock(value);
    std::vector<std::int16_t> expected;
    for (std::int16_t value = 1; value <= 17; ++value)
        expected.push_back(value);
    EXPECT_EQ(log.Firsts(), expected) << "block 0's notification hands out block 15, then block 0 follows";
    EXPECT_EQ(log.Lengths(), std::vector<DWORD>(17, 1024u)) << "whole blocks, one part each";
    EXPECT_EQ(capture->CurrentBlock(), 0);
}

TEST_F(CaptureEngine, BlocksCompletedWhileAHandlerRunsAcrossTheEndOfTheRingComeOutInCaptureOrder) {
    Signal held;
    Signal release;
    capture->SetOnProc(LogAndHoldAt(log, 14, held, release));
    capture->SetActive(true);
    for (std::int16_t value = 1; value <= 13; ++value)
        feedBlock(value);
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 14, -14));
    ASSERT_TRUE(held.Wait());
    // A slow handler still holds block 13 when blocks 14 and 15 are captured and the
    // cursor wraps.
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 15, -15));
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 16, -16));
    release.Set();
    ASSERT_TRUE(log.WaitFor(16));
    std::vector<std::int16_t> expected;
    for (std::int16_t value = 1; value <= 16; ++value)
        expected.push_back(value);
    EXPECT_EQ(log.Firsts(), expected);
    EXPECT_EQ(capture->CurrentBlock(), 15);
    EXPECT_EQ(capture->Ring().blocksDone, 16u);
}

// The device captures on over a ring held by a handler: afterwards what the ring still holds
// comes out oldest first, and no block twice nor after a newer one; also when the first
// block after the hold is taken without the cursor read, as it stands.
TEST_F(CaptureEngine, AHandlerHeldLongerThanTheRingGetsWhatTheRingStillHoldsInOrderAndNothingTwice) {
    for (const bool cursorUnread : {false, true}) {
        SCOPED_TRACE(cursorUnread ? "the cursor unread once" : "the cursor read");
        Signal held, release;
        BlockLog handed;
        capture->SetOnProc(LogAndHoldAt(handed, 3, held, release));
        capture->SetActive(false);
        capture->SetActive(true);
        std::vector<std::int16_t> expected{1, 2, 3};
        for (std::int16_t value = 1; value <= 23; ++value) {
            audio.backend().FeedCapture(DeviceFrames(BlockFrames, value, value));
            if (value <= 3) {
                ASSERT_TRUE(value == 3 ? held.Wait() : handed.WaitFor(value));
            }
            // 4 to 7 were captured over; the block taken unread holds 20, the turn after 4.
            if (cursorUnread ? value >= 20 : value >= 8) expected.push_back(value);
        }
        if (cursorUnread) audio.backend().FailNext(DsOp::GetCurrentPosition, DSERR_GENERIC);
        release.Set();
        ASSERT_TRUE(handed.WaitFor(static_cast<int>(expected.size())));
        audio.backend().FeedCapture(DeviceFrames(BlockFrames, 24, 24));
        expected.push_back(24);
        ASSERT_TRUE(handed.WaitFor(static_cast<int>(expected.size())));
        EXPECT_EQ(handed.Firsts(), expected);
    }
}

TEST_F(CaptureEngine, WithoutOnProcItCapturesButHandsOutNothing) {
    capture->SetActive(true);
    audio.backend().FeedCapture(DeviceFrames(3 * BlockFrames, 5, 5));
    ASSERT_TRUE(WaitUntil([&] { return capture->CurrentBlock() == 2; }));
    EXPECT_EQ(capture->Ring().blocksDone, 3u);
    EXPECT_EQ(log.Count(), 0);
}

TEST_F(CaptureEngine, ChangingTheRateWhileCapturingRestartsInTheNewFormat) {
    capture->SetActive(true);
    capture->SetSamplesPerSec(11025);
    EXPECT_TRUE(capture->Active());
    EXPECT_EQ(changes.Value(), 3) << "on, then off and on again";
    EXPECT_EQ(buffer().format.nSamplesPerSec, 11025u);
    EXPECT_EQ(buffer().format.nAvgBytesPerSec, 44100u);
    capture->SetBuffersCount(4);
    EXPECT_EQ(buffer().size, 4u * 1024u) << "a new ring restarts it too";
    EXPECT_TRUE(capture->Active());
}

TEST_F(CaptureEngine, GetCurrentBufferReadsTheFramesBeforeTheReadPositionWrappingRoundTheStart) {
    capture->SetActive(true);
    audio.backend().FeedCapture(DeviceFrames(16 * BlockFrames, 300, -300)); // a whole ring
    audio.backend().FeedCapture(DeviceFrames(50, 700, -700));
    std::vector<short> left(100, 1);
    std::vector<short> right(100, 1);
    capture->GetCurrentBuffer(left.data(), right.data(), 100);
    EXPECT_EQ(left[0], 300) << "the first 50 frames lie at the end of the ring";
    EXPECT_EQ(left[49], 300);
    EXPECT_EQ(left[50], 700) << "the last 50 at its start";
    EXPECT_EQ(right[99], -700);

    capture->SetChannels(1);
    capture->SetBitsPerSample(8);
    audio.backend().FeedCapture(DeviceFrames(10, 256 * 20, 256 * 20));
    std::vector<short> mono(10, 1);
    capture->GetCurrentBuffer(mono.data(), nullptr, 10);
    EXPECT_EQ(mono, std::vector<short>(10, 256 * 20)) << "8-bit mono reads as 16-bit samples";
}

TEST_F(CaptureEngine, GetCurrentBufferIsSilenceWithoutABufferOrWhenTheLockFails) {
    std::vector<short> left(64, 123);
    std::vector<short> right(64, 123);
    capture->GetCurrentBuffer(left.data(), right.data(), 64);
    EXPECT_EQ(left, std::vector<short>(64, 0));
    EXPECT_EQ(right, std::vector<short>(64, 0));
    capture->SetActive(true);
    audio.backend().FeedCapture(DeviceFrames(64, 900, 900));
    std::fill(left.begin(), left.end(), short{123});
    std::fill(right.begin(), right.end(), short{123});
    audio.backend().FailNext(DsOp::CaptureLock, DSERR_GENERIC);
    capture->GetCurrentBuffer(left.data(), right.data(), 64);
    EXPECT_EQ(left, std::vector<short>(64, 0));
    EXPECT_EQ(right, std::vector<short>(64, 0));
    capture->GetCurrentBuffer(left.data(), right.data(), 64);
    EXPECT_EQ(left, std::vector<short>(64, 900));
}

TEST_F(CaptureEngine, ABlockWhoseLockFailsIsNotHandedOut) {
    handOut();
    capture->SetActive(true);
    feedBlock(1);
    audio.backend().FailNext(DsOp::CaptureLock, DSERR_GENERIC);
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 2, 2));
    ASSERT_TRUE(WaitUntil([&] { return capture->Ring().blocksDone == 2; }));
    feedBlock(3);
    EXPECT_EQ(log.Firsts(), (std::vector<std::int16_t>{1, 3}));
}

TEST_F(CaptureEngine, EachFailingStepShowsItsMessageAndLeavesTheEngineReleased) {
    struct Step {
        DsOp op;
        const char* text;
        int changes;
    };
    const Step steps[] = {
        {DsOp::CaptureCreate,
         "Can't create a DirectSoundCapture object: device is busy or the DirectSoundCapture subsystem "
         "(DirectX 5 "
         "or better) is not properly installed",
         0},
        {DsOp::CreateCaptureBuffer, "Can't create DirectSound Capture Buffer", 0},
        {DsOp::QueryNotify, "Query DirectSoundCapture Notify failed", 0},
        {DsOp::SetNotificationPositions, "Set notification positions failed", 0},
        // Capture had been switched on: it goes off again before the box.
        {DsOp::CaptureStart, "Start capture failed", 1},
    };
    for (const Step& step : steps) {
        messages.recorder().Clear();
        const int before = changes.Value();
        audio.backend().FailNext(step.op, DSERR_GENERIC);
        capture->SetActive(true);
        EXPECT_FALSE(capture->Active()) << step.text;
        ASSERT_EQ(messages.Records().size(), 1u) << step.text;
        EXPECT_EQ(messages.Records()[0].text,
                  std::string(step.text) +
                      " (An undetermined error occurred inside the DirectSound subsystem)");
        EXPECT_EQ(messages.Records()[0].caption, "TDSCapture");
        EXPECT_EQ(messages.Records()[0].flags, 48u);
        EXPECT_EQ(changes.Value() - before, step.changes) << step.text;
        EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0) << step.text;
        EXPECT_TRUE(audio.backend().CaptureBuffers().empty()) << step.text;
    }
    messages.recorder().Clear();
    FailNextThreadCreation();
    capture->SetActive(true);
    EXPECT_FALSE(capture->Active());
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text, "Can't create thread") << "no DirectSound result to add";
    EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0);
    capture->SetActive(true);
    EXPECT_TRUE(capture->Active()) << "nothing is left over that keeps it from starting";
}

// A handler on the events thread that switches its own engine, or changes its format, is
// served after the block in hand, never by the events thread waiting for itself.
TEST_F(CaptureEngine, EngineSwitchedFromItsOwnHandlerEndsOffWithoutHangingOrCrashing) {
    Counter switches;
    capture->SetOnProc([&](TObject*, BYTE* data, DWORD len) {
        log.Add(data, len);
        if (log.Count() == 1) capture->SetSamplesPerSec(22050);
        if (log.Count() == 2) capture->SetActive(false);
    });
    capture->SetActive(true);
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 1, 1));
    ASSERT_TRUE(log.WaitFor(1));
    ASSERT_TRUE(changes.WaitFor(3)) << "off and on again in the new format";
    EXPECT_EQ(buffer().format.nSamplesPerSec, 22050u);
    audio.backend().FeedCapture(DeviceFrames(2 * BlockFrames, 2, 2));
    ASSERT_TRUE(log.WaitFor(2));
    ASSERT_TRUE(changes.WaitFor(4));
    EXPECT_FALSE(capture->Active());
    EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0);
}

TEST_F(CaptureEngine, AFormatTheDeviceCannotTakeEndsInTheBufferMessage) {
    capture->SetBitsPerSample(24);
    capture->SetActive(true);
    EXPECT_FALSE(capture->Active());
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text,
              "Can't create DirectSound Capture Buffer (The specified wave format is not supported)");
    EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0);
}

TEST_F(CaptureEngine, ReleaseWarnsWhileStillCapturingThenLetsGoOfNotifyBufferAndObjectInTurn) {
    capture->SetActive(true);
    bool capturingBeforeStop = false;
    capture->SetOnBeforeStop([&](TObject*) {
        const auto all = audio.backend().CaptureBuffers();
        capturingBeforeStop = !all.empty() && all[0].capturing;
    });
    StartReleaseTrace();
    capture->SetActive(false);
    EXPECT_EQ(StopReleaseTrace(),
              (std::vector<std::string>{"capture notify", "capture buffer", "capture object"}));
    EXPECT_TRUE(capturingBeforeStop);
}

TEST_F(CaptureEngine, TheDeviceIsKeptByValueAndAChangeMovesAnActiveEngine) {
    audio.backend().SetCaptureDevices({{"mic", "Microphone"}, {"line", "Line in"}});
    GUID mic = DeviceGuid("mic", true);
    capture->SetpID(&mic);
    capture->SetActive(true);
    mic.Data1 ^= 1; // the engine holds its own copy
    EXPECT_EQ(buffer().device, "mic");
    EXPECT_EQ(changes.Value(), 1);
    GUID same = DeviceGuid("mic", true);
    capture->SetpID(&same);
    EXPECT_EQ(changes.Value(), 1) << "the same device does nothing";
    const GUID line = DeviceGuid("line", true);
    capture->SetpID(&line);
    EXPECT_TRUE(capture->Active());
    EXPECT_EQ(buffer().device, "line");
    capture->SetpID(nullptr);
    EXPECT_EQ(buffer().device, "");
}

TEST_F(CaptureEngine, AVanishedDeviceEndsInSilenceAndSwitchingOnAgainShowsWhy) {
    audio.backend().SetCaptureDevices({{"mic", "Microphone"}});
    const GUID mic = DeviceGuid("mic", true);
    capture->SetpID(&mic);
    handOut();
    capture->SetActive(true);
    const int before = log.Count();
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 1000, 1000), "mic");
    ASSERT_TRUE(log.WaitFor(before + 1));
    audio.backend().VanishCaptureDevice("mic");
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 1000, 1000), "mic");
    ASSERT_TRUE(log.WaitFor(before + 2));
    EXPECT_EQ(log.Firsts().back(), 0);
    capture->SetActive(false);
    capture->SetActive(true);
    EXPECT_FALSE(capture->Active());
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text,
              "Can't create a DirectSoundCapture object: device is busy or the DirectSoundCapture subsystem "
              "(DirectX 5 "
              "or better) is not properly installed (No sound driver is available for use)");
}

// The device feeds on its own thread while the caller restarts the engine, changes its
// format and reads the newest frames, and the handler on the events thread reads them too.
// Run under ThreadSanitizer.
TEST_F(CaptureEngine, EngineEventsThreadHandsOutBlocksWhileTheCallerSwitchesAndReads) {
    capture->SetBufferSize(256);
    capture->SetOnProc([this](TObject*, BYTE* data, DWORD len) {
        short left[16];
        short right[16];
        capture->GetCurrentBuffer(left, right, 16);
        log.Add(data, len);
    });
    capture->SetActive(true);
    std::atomic<bool> done{false};
    std::thread device([&] {
        std::int16_t value = 0;
        while (!done.load()) {
            ++value;
            audio.backend().FeedCapture(DeviceFrames(64, value, value));
        }
    });
    short left[32];
    short right[32];
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(log.WaitFor(log.Count() + 2));
        capture->GetCurrentBuffer(left, right, 32);
        capture->SetChannels(round % 2 ? 2 : 1);
        if (round % 5 == 4) capture->SetActive(false);
        capture->SetActive(true);
    }
    capture->SetActive(false);
    done = true;
    device.join();
    EXPECT_FALSE(capture->Active());
    EXPECT_TRUE(messages.Records().empty());
}
