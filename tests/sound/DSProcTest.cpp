#include "sound/DSProc.h"
#include "DuplexTestKit.h"
#include "platform/framework/MessageService.h"
#include "sound/Eff_Echo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

namespace {

// 16 blocks of 1024 bytes, 16-bit stereo 44100 Hz on both sides: 256 device frames a block.
constexpr int BlockFrames = 256;

class ProcessorEngine : public ::testing::Test {
protected:
    void SetUp() override {
        proc = new TDSProcessor(&owner);
        proc->SetBufferSize(1024);
        owner.LoadTree();
        proc->SetOnProc([this](TObject*, BYTE* data, DWORD len) { log.Add(data, len); });
        proc->SetOnActiveChange([this](TObject*) { changes.Add(); });
    }
    // One block of a full-duplex device: the output plays a block, then the capture
    // completes one; waits until the processor has copied it and let the output go.
    void feedBlock(std::int16_t value, const std::string& device = "", bool waits = true) {
        outputBlocks(1);
        captureBlock(value, device, waits);
    }
    void captureBlock(std::int16_t value, const std::string& device = "", bool waits = true) {
        const int before = log.Count();
        audio.backend().FeedCapture(DeviceFrames(BlockFrames, value, static_cast<std::int16_t>(-value)),
                                    device);
        if (!waits) return;
        ASSERT_TRUE(log.WaitFor(before + 1));
        ASSERT_TRUE(WaitForUnlockedOutput(audio.backend()));
    }
    // Plays blocks of the output: the first left sample of each, also kept in heard.
    std::vector<std::int16_t> outputBlocks(int blocks = 16) {
        const std::vector<std::int16_t> out = audio.backend().Render(blocks * BlockFrames);
        std::vector<std::int16_t> firsts;
        for (int b = 0; b < blocks; ++b)
            firsts.push_back(out[static_cast<std::size_t>(b) * BlockFrames * 2]);
        heard.insert(heard.end(), firsts.begin(), firsts.end());
        return firsts;
    }
    BufferInfo output() {
        for (const BufferInfo& info : audio.backend().Buffers())
            if (!info.primary) return info;
        return {};
    }
    CaptureBufferInfo input() {
        const auto all = audio.backend().CaptureBuffers();
        return all.empty() ? CaptureBufferInfo{} : all[0];
    }

    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner{nullptr};
    TDSProcessor* proc = nullptr;
    BlockLog log;
    Counter changes;
    std::vector<std::int16_t> heard;
};

std::vector<std::int16_t> silentBut(int index, std::int16_t value, int blocks = 16) {
    std::vector<std::int16_t> expected(blocks, 0);
    expected[index] = value;
    return expected;
}

} // namespace

TEST_F(ProcessorEngine, SwitchingOnBuildsBothBuffersInTheCaptureFormatAndRunsThem) {
    proc->SetCaptChannels(1);
    proc->SetCaptSamplesPerSec(22050);
    proc->SetActive(true);
    ASSERT_TRUE(proc->Active());
    EXPECT_EQ(changes.Value(), 1);
    EXPECT_EQ(output().flags, 0x181E0u);
    EXPECT_EQ(output().size, 16u * 1024u);
    EXPECT_EQ(output().format.nChannels, 1);
    EXPECT_EQ(output().format.nSamplesPerSec, 22050u);
    EXPECT_TRUE(output().playing);
    EXPECT_TRUE(output().looping);
    EXPECT_EQ(input().flags, DSCBCAPS_WAVEMAPPED);
    EXPECT_EQ(input().size, 16u * 1024u);
    EXPECT_EQ(input().format, output().format);
    EXPECT_TRUE(input().capturing);
    EXPECT_TRUE(input().looping);
    EXPECT_EQ(proc->Channels(), 2) << "the requested format stays the primary buffer's";
    EXPECT_EQ(proc->CaptureChannels(), 1);

    proc->SetUseWaveMapper(false);
    proc->SetActive(false);
    proc->SetActive(true);
    EXPECT_EQ(input().flags, 0u);
    EXPECT_TRUE(messages.Records().empty());
}

TEST_F(ProcessorEngine, TheOffsetStartsAtTheRingLessTwoAndIsClampedToIt) {
    EXPECT_EQ(proc->BufferOffset(), 14);
    proc->SetBufferOffset(20);
    EXPECT_EQ(proc->BufferOffset(), 14);
    proc->SetBufferOffset(-1);
    EXPECT_EQ(proc->BufferOffset(), 0);
    proc->SetBuffersCount(4);
    proc->SetBufferOffset(3);
    EXPECT_EQ(proc->BufferOffset(), 2);
    TDSProcessor small(nullptr);
    small.SetBuffersCount(4);
    EXPECT_EQ(small.BufferOffset(), 14) << "taken from the ring only when constructed";
}

TEST_F(ProcessorEngine, EveryOffsetWritesTheCapturedBlockThatManyBlocksPastTheNextButOne) {
    for (int offset = 0; offset <= 14; ++offset) {
        proc->SetActive(false);
        proc->SetActive(true);
        proc->SetBufferOffset(offset);
        const auto value = static_cast<std::int16_t>(100 + offset);
        feedBlock(value); // block 0 captured, block 1's notification
        EXPECT_EQ(log.Firsts().back(), value);
        EXPECT_EQ(outputBlocks(), silentBut(offset + 1, value)) << "offset " << offset;
    }
}

TEST_F(ProcessorEngine, WithNoOffsetBlockFiveCopiesBlockFourIntoBlockSix) {
    proc->SetBufferOffset(0);
    proc->SetActive(true);
    for (std::int16_t value = 1; value <= 5; ++value)
        feedBlock(value);
    outputBlocks(4);
    EXPECT_EQ(heard, (std::vector<std::int16_t>{0, 0, 1, 2, 3, 4, 5, 0, 0}));
}

TEST_F(ProcessorEngine, TheLargestOffsetWritesEachBlockIntoItsOwnIndexARingLater) {
    proc->SetActive(true);
    for (std::int16_t value = 1; value <= 5; ++value)
        feedBlock(value);
    EXPECT_EQ(outputBlocks(), (std::vector<std::int16_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5}));
    proc->SetBuffersCount(4);
    proc->SetActive(true);
    feedBlock(9);
    EXPECT_EQ(outputBlocks(4), silentBut(3, 9, 4)) << "an offset beyond a smaller ring wraps round it";
}

// The capture falls three blocks behind the output and catches up at once, as on a busy
// machine: meanwhile the output plays silence, never what its blocks held a turn before; a
// block too late for its place is not played a turn later; afterwards the delay is as before.
TEST_F(ProcessorEngine, ACaptureThatFallsBehindAndCatchesUpNeverBringsBackOldSoundAndKeepsTheDelay) {
    proc->SetBufferOffset(0);
    proc->SetActive(true);
    std::int16_t value = 0;
    while (value < 20)
        feedBlock(++value);
    outputBlocks(3);
    for (int b = 0; b < 3; ++b)
        audio.backend().FeedCapture(DeviceFrames(BlockFrames, ++value, 0));
    while (value < 40) {
        outputBlocks(1);
        audio.backend().FeedCapture(DeviceFrames(BlockFrames, ++value, 0));
        ASSERT_TRUE(WaitUntil([&] { return log.Count() > 0 && log.Firsts().back() == value; }));
        ASSERT_TRUE(WaitForUnlockedOutput(audio.backend()));
    }
    outputBlocks(2);
    std::vector<std::int16_t> sounded;
    std::copy_if(heard.begin(), heard.end(), std::back_inserter(sounded),
                 [](std::int16_t v) { return v != 0; });
    EXPECT_TRUE(std::is_sorted(sounded.begin(), sounded.end(), std::less_equal<>()))
        << testing::PrintToString(heard);
    EXPECT_EQ(std::vector<std::int16_t>(heard.end() - 4, heard.end()),
              (std::vector<std::int16_t>{37, 38, 39, 40}))
        << "each block heard two blocks after it was captured";
}

// The events thread is held for a ring or more while both devices run on, as on a busy machine:
// the output plays no block twice (each has its own value) and then plays live sound again.
TEST_F(ProcessorEngine, AThreadHeldUpForRingsNeverReplaysABlockAndThenPlaysLiveSoundAgain) {
    for (const TThreadPriority priority : {tpIdle, tpTimeCritical})
        for (const int stallBlocks : {16, 24, 40, 56}) {
            SCOPED_TRACE(testing::Message() << "priority " << priority << ", stall " << stallBlocks);
            Signal held, release;
            proc->SetOnProc(LogAndHoldAt(log, 1000, held, release));
            proc->SetPriority(priority);
            proc->SetBufferOffset(0);
            proc->SetActive(true);
            heard.clear();
            std::int16_t value = 0;
            while (value < 20)
                feedBlock(++value);
            feedBlock(1000, "", false);
            ASSERT_TRUE(held.Wait());
            for (int b = 0; b < stallBlocks; ++b)
                feedBlock(++value, "", false);
            const std::int16_t lastHeldUp = value;
            release.Set();
            for (int b = 0; b < 32; ++b)
                feedBlock(++value);
            proc->SetActive(false);
            std::map<std::int16_t, int> times;
            for (const std::int16_t v : heard)
                EXPECT_LE(v == 0 ? 0 : ++times[v], 1) << "block " << v << " again";
            EXPECT_GT(*std::max_element(heard.begin(), heard.end()), lastHeldUp);
        }
}

// The events thread stalls for a ring while the output plays on and the capture catches up
// with half a block more at once, as a sound server does after falling behind: the block the
// capture cursor is in again holds the start of the turn after over the end of its own, and
// it is as far ahead of the play cursor as it would be on time. Neither that block nor any
// other is heard twice or after a later one.
TEST_F(ProcessorEngine, ACaptureThatComesRoundWhileTheThreadStallsNeverSoundsAFrameTwiceOrLate) {
    constexpr int RingFrames = 16 * BlockFrames;
    long long fed = 0;
    std::vector<std::int16_t> out;
    auto render = [&](int frames) {
        const std::vector<std::int16_t> samples = audio.backend().Render(frames);
        out.insert(out.end(), samples.begin(), samples.end());
    };
    auto capture = [&](int frames) {
        audio.backend().FeedCapture(NumberedFrames(fed, frames));
        fed += frames;
    };
    Signal held, release;
    proc->SetOnProc([&](TObject*, BYTE* data, DWORD len) {
        log.Add(data, len);
        if (NumberOf(FirstSample(data), FirstSample(data + 2)) == 20 * BlockFrames) {
            held.Set();
            release.Wait();
        }
    });
    proc->SetActive(true);
    for (int b = 0; b <= 20; ++b) {
        const int before = log.Count();
        render(BlockFrames);
        capture(BlockFrames);
        ASSERT_TRUE(b == 20 ? held.Wait() : log.WaitFor(before + 1));
    }
    capture(RingFrames + BlockFrames / 2);
    render(RingFrames);
    const long long newestBlock = fed - BlockFrames / 2 - BlockFrames;
    release.Set();
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<std::int16_t> firsts = log.Firsts();
        return std::find(firsts.begin(), firsts.end(), Numbered(newestBlock)[0]) != firsts.end();
    })) << "the newest whole block is handed out last";
    ASSERT_TRUE(WaitForUnlockedOutput(audio.backend()));
    render(2 * RingFrames);
    std::vector<std::int16_t> left, right;
    for (std::size_t i = 0; i + 1 < out.size(); i += 2) {
        left.push_back(out[i]);
        right.push_back(out[i + 1]);
    }
    const NumberedHearing hearing = JudgeNumbered(left, right);
    EXPECT_GT(hearing.heard, 0);
    EXPECT_EQ(hearing.outOfTurn, 0);
}

TEST_F(ProcessorEngine, AFailedCaptureLockSilencesTheOutputBlockInsteadOfReplayingIt) {
    proc->SetActive(true);
    for (int b = 0; b < 16; ++b)
        feedBlock(7);
    outputBlocks(1);
    audio.backend().FailNext(DsOp::CaptureLock, DSERR_GENERIC);
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 9, 9)); // block 16: its copy fails
    feedBlock(11);                                                // block 17
    EXPECT_EQ(log.Count(), 17) << "the failed block is not handed out";
    outputBlocks();
    EXPECT_EQ(std::vector<std::int16_t>(heard.begin() + 16, heard.begin() + 32),
              std::vector<std::int16_t>(16, 7));
    EXPECT_EQ(heard[32], 0) << "where block 16 would have sounded, not block 0 again";
    EXPECT_EQ(heard[33], 11);
}

TEST_F(ProcessorEngine, AFailedOutputLockSkipsTheBlock) {
    proc->SetBufferOffset(0);
    proc->SetActive(true);
    audio.backend().FailNext(DsOp::Lock, DSERR_GENERIC);
    audio.backend().FeedCapture(DeviceFrames(BlockFrames, 5, 5));
    captureBlock(6);
    EXPECT_EQ(log.Firsts(), std::vector<std::int16_t>{6});
    EXPECT_EQ(outputBlocks(4), (std::vector<std::int16_t>{0, 0, 0, 6}));
}

TEST_F(ProcessorEngine, EffectsSeeTheBlocksInTheCaptureFormatWhateverThePrimaryWasAskedFor) {
    std::vector<std::string> effectLog;
    auto* halve = new LogEffect(&owner, 1, &effectLog);
    halve->Enabled = true;
    halve->SetOnChange([](TObject*) {});
    proc->SetUseEffects(true);
    proc->SetCaptBitsPerSample(8);
    proc->SetCaptChannels(1);
    proc->SetCaptSamplesPerSec(22050);
    owner.LoadTree();
    std::vector<BYTE> handed;
    proc->SetOnProc([&](TObject*, BYTE* data, DWORD len) {
        handed.assign(data, data + len);
        log.Add(data, len);
    });
    proc->SetBufferOffset(0);
    proc->SetActive(true);
    // 1024 frames of 8-bit mono at half the device rate: 2048 device frames.
    const int before = log.Count();
    audio.backend().FeedCapture(DeviceFrames(2048, 40 * 256, 40 * 256));
    ASSERT_TRUE(log.WaitFor(before + 1));
    ASSERT_TRUE(WaitForUnlockedOutput(audio.backend()));
    EXPECT_EQ(effectLog, std::vector<std::string>{"1:L:1024"}) << "mono: no right channel, one frame a byte";
    EXPECT_EQ(handed, std::vector<BYTE>(1024, 128 + 40)) << "OnProc sees the block before the effects";
    std::vector<short> left(1024, 1);
    proc->GetCurrentBuffer(left.data(), nullptr, 1024);
    EXPECT_EQ(left, std::vector<short>(1024, 40 * 256)) << "capture side, read as 8-bit mono";
    proc->SetGetOutputBuffer(true);
    audio.backend().Render(2 * 2048);
    proc->GetCurrentBuffer(left.data(), nullptr, 1024);
    EXPECT_EQ(left, std::vector<short>(1024, 20 * 256)) << "output block 2, halved by the effect";
}

// The library's echo in the loop: half of each captured sample again 10 ms (441 frames)
// later, across the boundary of the blocks it was captured in.
TEST_F(ProcessorEngine, AnEchoInTheChainAddsHalfTheCapturedSoundTenMillisecondsLater) {
    auto* echo = new TSndEcho(&owner);
    echo->Delay = 10;
    echo->Gain = 64;
    echo->SetOnChange([](TObject*) {});
    echo->Enabled = true;
    owner.LoadTree();
    proc->SetBufferSize(4096); // 1024 frames a block
    proc->SetBufferOffset(0);
    proc->SetUseEffects(true);
    proc->SetActive(true);
    for (std::int16_t value : {1000, 0, 0}) {
        const int before = log.Count();
        audio.backend().FeedCapture(DeviceFrames(1024, value, static_cast<std::int16_t>(-value)));
        ASSERT_TRUE(log.WaitFor(before + 1));
        ASSERT_TRUE(WaitForUnlockedOutput(audio.backend()));
    }
    const std::vector<std::int16_t> out = audio.backend().Render(5 * 1024);
    auto frame = [&](int block, int index) {
        return out[static_cast<std::size_t>(block * 1024 + index) * 2];
    };
    EXPECT_EQ(frame(1, 1023), 0);
    EXPECT_EQ(frame(2, 0), 1000) << "captured block 0 sounds two blocks on";
    EXPECT_EQ(frame(2, 440), 1000);
    EXPECT_EQ(frame(2, 441), 1500) << "joined by its own echo 441 frames in";
    EXPECT_EQ(frame(2, 1023), 1500);
    EXPECT_EQ(frame(3, 0), 500) << "the echo runs on into the next block";
    EXPECT_EQ(frame(3, 440), 500);
    EXPECT_EQ(frame(3, 441), 0);
    EXPECT_EQ(out[static_cast<std::size_t>(3 * 1024) * 2 + 1], -500) << "the right channel has its own";
    EXPECT_EQ(frame(4, 0), 0);
}

TEST_F(ProcessorEngine, GetCurrentBufferReadsCaptureBeforeItsReadPositionOrOutputFromItsPlayCursor) {
    std::vector<short> left(64, 1);
    std::vector<short> right(64, 1);
    proc->GetCurrentBuffer(left.data(), right.data(), 64);
    EXPECT_EQ(left, std::vector<short>(64, 0)) << "off: silence";
    EXPECT_EQ(right, std::vector<short>(64, 0));
    proc->SetBufferOffset(0);
    proc->SetActive(true);
    captureBlock(3);
    audio.backend().FeedCapture(DeviceFrames(32, 4, -4));
    proc->GetCurrentBuffer(left.data(), right.data(), 64);
    EXPECT_EQ(left[0], 3);
    EXPECT_EQ(left[63], 4);
    EXPECT_EQ(right[63], -4);
    proc->SetGetOutputBuffer(true);
    audio.backend().Render(2 * BlockFrames - 16);
    proc->GetCurrentBuffer(left.data(), right.data(), 64);
    EXPECT_EQ(left[0], 0) << "the end of block 1";
    EXPECT_EQ(left[16], 3) << "block 2 holds captured block 0";
    EXPECT_EQ(right[16], -3);
    audio.backend().FailNext(DsOp::GetCurrentPosition, DSERR_GENERIC);
    proc->GetCurrentBuffer(left.data(), right.data(), 64);
    EXPECT_EQ(left, std::vector<short>(64, 0));
}

// A caller that shows the output reads it while the device plays it: what it reads still
// sounds, none of it as silence.
TEST_F(ProcessorEngine, ShowingTheOutputWhileItPlaysLeavesEveryFrameOfItSounding) {
    proc->SetGetOutputBuffer(true);
    proc->SetActive(true);
    for (std::int16_t value = 1; value <= 16; ++value)
        feedBlock(value); // each sounds a ring after its capture: the next turn is all sound
    std::vector<short> left(2048), right(2048);
    const std::vector<std::int16_t> played = RenderWhileShowing(
        audio.backend(), 16 * BlockFrames, [&] { proc->GetCurrentBuffer(left.data(), right.data(), 2048); });
    ASSERT_EQ(played.size(), 2u * 16 * BlockFrames);
    EXPECT_EQ(std::count(played.begin(), played.end(), 0), 0);
}

TEST_F(ProcessorEngine, EachFailingStepShowsItsMessageAndLeavesEverythingReleased) {
    struct Step {
        DsOp op;
        int skip;
        const char* text;
        int changes;
    };
    const Step steps[] = {
        {DsOp::Create, 0,
         "Can't create a DirectSound object: device is busy or the DirectSound subsystem (DirectX 5 or "
         "better) is "
         "not properly installed",
         0},
        {DsOp::SetCooperativeLevel, 0, "Could not set Cooperative Level on DirectSound object!", 0},
        {DsOp::CreateSoundBuffer, 0, "Can't create DirectSound Primary Buffer", 0},
        {DsOp::SetFormat, 0, "Set PrimaryBuffer format failed", 0},
        {DsOp::CreateSoundBuffer, 1, "Can't create DirectSound Secondary Buffer", 0},
        {DsOp::CaptureCreate, 0,
         "Can't create DirectSoundCapture object: device is busy or the DirectSoundCapture subsystem "
         "(DirectX 5 or "
         "better) is not properly installed",
         0},
        {DsOp::CreateCaptureBuffer, 0, "Can't create DirectSoundCapture Buffer", 0},
        {DsOp::QueryNotify, 0, "Query DirectSoundCapture Notify failed", 0},
        {DsOp::SetNotificationPositions, 0, "Set notification positions failed", 0},
        {DsOp::CaptureStart, 0, "Start capture failed", 1},
        // Playback cannot start after capture has: capture is stopped and released too.
        {DsOp::Play, 0, "Play failed", 1},
    };
    for (const Step& step : steps) {
        messages.recorder().Clear();
        const int before = changes.Value();
        audio.backend().FailNext(step.op, DSERR_GENERIC, step.skip);
        proc->SetActive(true);
        EXPECT_FALSE(proc->Active()) << step.text;
        ASSERT_EQ(messages.Records().size(), 1u) << step.text;
        EXPECT_EQ(messages.Records()[0].text,
                  std::string(step.text) +
                      " (An undetermined error occurred inside the DirectSound subsystem)");
        EXPECT_EQ(messages.Records()[0].caption, "TDSProcessor");
        EXPECT_EQ(messages.Records()[0].flags, 48u);
        EXPECT_EQ(changes.Value() - before, step.changes) << step.text;
        EXPECT_EQ(audio.backend().LiveDirectSoundObjects(), 0) << step.text;
        EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0) << step.text;
        EXPECT_TRUE(audio.backend().Buffers().empty()) << step.text;
        EXPECT_TRUE(audio.backend().CaptureBuffers().empty()) << step.text;
    }
    messages.recorder().Clear();
    FailNextThreadCreation();
    proc->SetActive(true);
    EXPECT_FALSE(proc->Active());
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text, "Can't create thread");
    EXPECT_EQ(messages.Records()[0].caption, "TDSProcessor");
    EXPECT_EQ(audio.backend().LiveDirectSoundObjects(), 0);
    EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0);
}

// Switching the processor from its own handler is served after the block in hand; the
// events thread never waits for itself.
TEST_F(ProcessorEngine, EngineSwitchedFromItsOwnHandlerEndsOffWithoutHangingOrCrashing) {
    proc->SetOnProc([this](TObject*, BYTE* data, DWORD len) {
        log.Add(data, len);
        if (log.Count() == 1) proc->SetCaptChannels(1);
        if (log.Count() == 2) proc->SetActive(false);
    });
    proc->SetActive(true);
    feedBlock(1);
    ASSERT_TRUE(changes.WaitFor(3)) << "off and on again in the new capture format";
    EXPECT_EQ(input().format.nChannels, 1);
    audio.backend().Render(2 * BlockFrames);
    audio.backend().FeedCapture(DeviceFrames(2 * BlockFrames, 2, 2));
    ASSERT_TRUE(log.WaitFor(2));
    ASSERT_TRUE(changes.WaitFor(4));
    EXPECT_FALSE(proc->Active());
    EXPECT_EQ(audio.backend().LiveDirectSoundObjects(), 0);
    EXPECT_EQ(audio.backend().LiveCaptureObjects(), 0);
}

TEST_F(ProcessorEngine, AFormatTheDevicesCannotTakeEndsInTheBufferMessage) {
    proc->SetCaptChannels(6);
    proc->SetActive(true);
    EXPECT_FALSE(proc->Active());
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text,
              "Can't create DirectSound Secondary Buffer (The specified wave format is not supported)");
}

TEST_F(ProcessorEngine, ReleaseWarnsWhileBothRunThenLetsGoOfCaptureBeforeOutput) {
    proc->SetActive(true);
    bool runningBeforeStop = false;
    proc->SetOnBeforeStop([&](TObject*) { runningBeforeStop = input().capturing && output().playing; });
    StartReleaseTrace();
    proc->SetActive(false);
    EXPECT_EQ(StopReleaseTrace(), (std::vector<std::string>{"capture notify", "capture buffer",
                                                            "capture object", "buffer", "DirectSound"}));
    EXPECT_TRUE(runningBeforeStop);
}

TEST_F(ProcessorEngine, DevicesAreKeptByValueAndAChangeMovesAnActiveProcessor) {
    audio.backend().SetOutputDevices({{"speakers", "Speakers"}});
    audio.backend().SetCaptureDevices({{"mic", "Microphone"}});
    proc->SetActive(true);
    EXPECT_EQ(output().device, "");
    const GUID speakers = DeviceGuid("speakers", false);
    const GUID mic = DeviceGuid("mic", true);
    proc->SetpDSID(&speakers);
    proc->SetpDSCID(&mic);
    EXPECT_TRUE(proc->Active());
    EXPECT_EQ(output().device, "speakers");
    EXPECT_EQ(input().device, "mic");
    EXPECT_EQ(changes.Value(), 5);
    proc->SetpDSCID(&mic);
    EXPECT_EQ(changes.Value(), 5) << "the same device does nothing";
}

TEST_F(ProcessorEngine, ACaptureDeviceThatVanishesLeavesTheOutputSilentWithinARing) {
    audio.backend().SetCaptureDevices({{"mic", "Microphone"}});
    const GUID mic = DeviceGuid("mic", true);
    proc->SetpDSCID(&mic);
    proc->SetActive(true);
    for (int b = 0; b < 16; ++b)
        feedBlock(50, "mic");
    audio.backend().VanishCaptureDevice("mic");
    for (int b = 0; b < 16; ++b)
        feedBlock(50, "mic");
    EXPECT_EQ(outputBlocks(), std::vector<std::int16_t>(16, 0));
    proc->SetActive(false);
    proc->SetActive(true);
    EXPECT_FALSE(proc->Active());
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_NE(messages.Records()[0].text.find("(No sound driver is available for use)"), std::string::npos);
}

// Capture and output run on a device thread while the caller moves the offset, switches
// the effects, reads both buffers and restarts; the handler on the events thread reads too.
// Run under ThreadSanitizer.
TEST_F(ProcessorEngine, EngineEventsThreadCopiesBlocksWhileTheCallerChangesEverything) {
    std::vector<std::string> effectLog;
    auto* effect = new LogEffect(&owner, 4, &effectLog);
    owner.LoadTree();
    effect->Enabled = true;
    proc->SetBufferSize(256);
    proc->SetOnProc([this](TObject*, BYTE* data, DWORD len) {
        short left[8];
        short right[8];
        proc->GetCurrentBuffer(left, right, 8);
        log.Add(data, len);
    });
    proc->SetActive(true);
    std::atomic<bool> done{false};
    std::thread device([&] {
        while (!done.load()) {
            audio.backend().FeedCapture(DeviceFrames(64, 1, 1));
            audio.backend().Render(64);
        }
    });
    short left[16];
    short right[16];
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(log.WaitFor(log.Count() + 2));
        proc->SetBufferOffset(round % 15);
        proc->SetUseEffects(round % 2 == 0);
        proc->SetGetOutputBuffer(round % 3 == 0);
        proc->GetCurrentBuffer(left, right, 16);
        if (round % 5 == 4) {
            proc->SetActive(false);
            proc->SetCaptSamplesPerSec(round % 2 ? 44100 : 22050);
            proc->SetActive(true);
        }
    }
    proc->SetActive(false);
    done = true;
    device.join();
    EXPECT_FALSE(proc->Active());
    EXPECT_TRUE(messages.Records().empty());
}
