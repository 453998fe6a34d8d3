#include "sound/Plug_DSC.h"
#include "DuplexTestKit.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"

#include <gtest/gtest.h>

namespace {

// A capture engine of 4 blocks of 1024 bytes (256 frames of 16-bit stereo) and the plug-in
// reading it.
class CapturePlugEngine : public ::testing::Test {
protected:
    void SetUp() override {
        capture = new TDSCapture(&owner);
        capture->SetBufferSize(1024);
        capture->SetBuffersCount(4);
        plug = new TDSCapturePlug(&owner);
        plug->SetDSCapture(capture);
        capture->SetOnProc([this](TObject*, BYTE* data, DWORD len) { log.Add(data, len); });
    }
    void feedBlock(std::int16_t value) {
        const int before = log.Count();
        audio.backend().FeedCapture(DeviceFrames(256, value, value));
        ASSERT_TRUE(log.WaitFor(before + 1));
    }
    // The 16-bit samples Process puts into a block of len bytes that starts as noise.
    std::vector<std::int16_t> process(DWORD len, bool* more = nullptr) {
        std::vector<std::int16_t> block(len / 2, 12345);
        const bool result = plug->Process(reinterpret_cast<BYTE*>(block.data()), len);
        if (more) *more = result;
        return block;
    }

    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner{nullptr};
    TDSCapture* capture = nullptr;
    TDSCapturePlug* plug = nullptr;
    BlockLog log;
};

} // namespace

TEST_F(CapturePlugEngine, AnswersOnlyToTheCaptureNameAndOnlyWithACaptureEngine) {
    EXPECT_EQ(plug->FileName, "<DirectSoundCapture>");
    EXPECT_EQ(plug->GetSupportTypes(), "DirectSound Capture Emulation");
    plug->FileName = "song.wav";
    EXPECT_FALSE(plug->Init());
    EXPECT_FALSE(capture->Active());
    plug->FileName = "<DirectSoundCapture>";
    plug->SetDSCapture(nullptr);
    EXPECT_FALSE(plug->Init());
}

TEST_F(CapturePlugEngine, InitSwitchesTheCaptureEngineOnInThePlugInsFormat) {
    plug->Format.nChannels = 1;
    plug->Format.wBitsPerSample = 8;
    plug->Format.nSamplesPerSec = 22050;
    ASSERT_TRUE(plug->Init());
    EXPECT_TRUE(capture->Active());
    EXPECT_EQ(capture->Channels(), 1);
    EXPECT_EQ(capture->BitsPerSample(), 8);
    EXPECT_EQ(capture->SamplesPerSec(), 22050u);
    plug->SetSamplesPerSec(11025);
    EXPECT_EQ(capture->SamplesPerSec(), 11025u) << "the setters reach the capture engine";
    EXPECT_TRUE(capture->Active());
    plug->Release();
    EXPECT_FALSE(capture->Active());
}

TEST_F(CapturePlugEngine, ResetRestartsAnActiveCaptureAndLeavesAStoppedOneOff) {
    ASSERT_TRUE(plug->Init());
    Counter changes;
    capture->SetOnActiveChange([&](TObject*) { changes.Add(); });
    plug->Reset();
    EXPECT_TRUE(capture->Active());
    EXPECT_EQ(changes.Value(), 2);
    capture->SetActive(false);
    plug->Reset();
    EXPECT_FALSE(capture->Active());
}

TEST_F(CapturePlugEngine, CopyingStartsABlockBehindTheNewestAndRunsOnInOrderUpToTheCursor) {
    ASSERT_TRUE(plug->Init());
    feedBlock(10); // block 0
    feedBlock(11); // block 1
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 10)) << "a block behind the newest one";
    feedBlock(12);
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 11));
    feedBlock(13);
    feedBlock(14);
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 12)) << "two captured at once: none is skipped";
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 13));
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 14)) << "the newest block is whole";
    bool more = false;
    EXPECT_EQ(process(1024, &more), std::vector<std::int16_t>(512, 0))
        << "nothing to copy yet, and never the old sound again";
    EXPECT_TRUE(more) << "capture still runs, so the data goes on";
    feedBlock(15);
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 15));
}

TEST_F(CapturePlugEngine, ARegionThatRunsPastTheEndOfTheRingIsCopiedFromBothParts) {
    ASSERT_TRUE(plug->Init());
    for (std::int16_t value = 10; value <= 13; ++value)
        feedBlock(value); // blocks 0..3
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 12));
    feedBlock(14); // block 4 lies in the ring's first slot
    feedBlock(15);
    const std::vector<std::int16_t> block = process(2048);
    EXPECT_EQ(block[0], 13) << "block 3, the ring's last slot";
    EXPECT_EQ(block[511], 13);
    EXPECT_EQ(block[512], 14) << "continues at the start of the ring";
    EXPECT_EQ(block[1023], 14);
}

TEST_F(CapturePlugEngine, AReaderARingBehindGoesOnWithTheOldestSoundTheRingStillHolds) {
    ASSERT_TRUE(plug->Init());
    feedBlock(10);
    feedBlock(11);
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 10));
    for (std::int16_t value = 12; value <= 17; ++value)
        feedBlock(value); // block 1, next to be copied, has been captured over
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 15))
        << "blocks 1 to 4 are lost; block 5 is the oldest a block clear of the cursor";
}

TEST_F(CapturePlugEngine, ARestartedCaptureBeginsWithNothingNotWithTheOldRing) {
    ASSERT_TRUE(plug->Init());
    feedBlock(10);
    feedBlock(11);
    feedBlock(12);
    plug->Reset();
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 0));
    feedBlock(20);
    feedBlock(21);
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 20));
}

TEST_F(CapturePlugEngine, WithoutACaptureBufferTheBlockIsSilenceAndTheDataEnds) {
    bool more = true;
    EXPECT_EQ(process(1024, &more), std::vector<std::int16_t>(512, 0));
    EXPECT_FALSE(more);
    plug->SetDSCapture(nullptr);
    EXPECT_EQ(process(64, &more), std::vector<std::int16_t>(32, 0));
    EXPECT_FALSE(more);
    plug->SetBitsPerSample(8);
    BYTE narrow[4] = {1, 2, 3, 4};
    EXPECT_FALSE(plug->Process(narrow, 4));
    EXPECT_EQ(std::vector<BYTE>(narrow, narrow + 4), std::vector<BYTE>(4, 0x80));
}

TEST_F(CapturePlugEngine, AFailedLockGivesSilenceAndTheBlockComesNextTime) {
    ASSERT_TRUE(plug->Init());
    feedBlock(10);
    feedBlock(11);
    audio.backend().FailNext(DsOp::CaptureLock, DSERR_GENERIC);
    bool more = false;
    EXPECT_EQ(process(1024, &more), std::vector<std::int16_t>(512, 0)) << "not what the block held before";
    EXPECT_TRUE(more);
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 10));
    feedBlock(12);
    EXPECT_EQ(process(8 * 1024, &more), std::vector<std::int16_t>(4 * 1024, 0)) << "more than the ring holds";
    EXPECT_TRUE(more);
}

TEST_F(CapturePlugEngine, PositionIsTheReadPositionInBytesOfTheCaptureRing) {
    SND_POSITION position;
    plug->GetPosition(&position);
    EXPECT_EQ(position.dwLength, 4096u);
    EXPECT_EQ(position.dwPosition, 0u);
    plug->Format.nChannels = 1;
    plug->Format.wBitsPerSample = 8;
    plug->Format.nSamplesPerSec = 22050;
    ASSERT_TRUE(plug->Init());
    audio.backend().FeedCapture(DeviceFrames(100, 1, 1)); // 50 frames at half the rate
    plug->GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 50u);
    EXPECT_EQ(position.dwUnitsPerSec, 22050u) << "bytes of 8-bit mono 22050 Hz per second";
    plug->SetPosition(&position);
    plug->GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 50u) << "a capture cannot be moved";
}

TEST_F(CapturePlugEngine, ACaptureEngineDestroyedFirstIsForgotten) {
    ASSERT_TRUE(plug->Init());
    delete capture;
    EXPECT_EQ(plug->DSCapture(), nullptr);
    bool more = true;
    EXPECT_EQ(process(64, &more), std::vector<std::int16_t>(32, 0));
    EXPECT_FALSE(more);
    EXPECT_FALSE(plug->Init());
}

namespace {

// The full chain on the manual backend: capture feeds the plug-in, the plug-in feeds a
// player, the player writes to the output device. Same ring on both sides.
class CaptureToPlayerEngine : public CapturePlugEngine {
protected:
    void SetUp() override {
        CapturePlugEngine::SetUp();
        play = new TDSPlay(&owner);
        play->SetBufferSize(1024);
        play->SetBuffersCount(4);
        owner.LoadTree();
        play->SetFileName(TDSCapturePlug::CaptureFileName);
        play->SetOnProc([this](TObject*, BYTE* data, DWORD len) { played.Add(data, len); });
    }
    // Renders one block of the output and waits for the player to refill.
    void renderBlock() {
        const int before = played.Count();
        audio.backend().Render(256);
        ASSERT_TRUE(played.WaitFor(before + 1));
        ASSERT_TRUE(WaitForUnlockedOutput(audio.backend()));
    }
    TDSPlay* play = nullptr;
    BlockLog played;
};

} // namespace

TEST_F(CaptureToPlayerEngine, APlayerFedByCapturePlaysEachCapturedBlockOnceThenSilence) {
    play->SetActive(true);
    ASSERT_TRUE(play->Active());
    ASSERT_TRUE(capture->Active()) << "choosing the plug-in switched the capture on";
    EXPECT_EQ(played.Firsts(), (std::vector<std::int16_t>{0, 0, 0}))
        << "the prefill finds nothing captured yet";
    feedBlock(21);
    feedBlock(22);
    renderBlock(); // block 1 entered: block 3 filled from a block behind the newest
    feedBlock(23);
    renderBlock(); // block 2 entered: block 0 filled
    renderBlock(); // block 3 entered: block 1 filled with the newest
    renderBlock(); // no capture in between
    EXPECT_EQ(played.Firsts(), (std::vector<std::int16_t>{0, 0, 0, 21, 22, 23, 0}));
    const std::vector<std::int16_t> out = audio.backend().Render(4 * 256);
    EXPECT_EQ(out[0], 22) << "block 0 sounds the second captured block";
    EXPECT_EQ(out[2 * 256], 23);
    EXPECT_EQ(out[4 * 256], 0);
    play->SetActive(false);
    EXPECT_TRUE(capture->Active()) << "a player switched off keeps its plug-in";
    play->SetFileName("");
    EXPECT_FALSE(capture->Active()) << "letting the plug-in go switches the capture off";
    EXPECT_TRUE(messages.Records().empty());
}

// While the capture engine's handler holds its thread, the player still gets each block as the
// device captures it, in order, with no silent block putting everything after it later.
TEST_F(CaptureToPlayerEngine, APlayerKeepsItsDelayWhileTheCaptureEnginesHandlerHoldsItsThread) {
    Signal held, release;
    capture->SetOnProc(LogAndHoldAt(log, 23, held, release));
    play->SetActive(true);
    feedBlock(21);
    feedBlock(22);
    renderBlock();
    audio.backend().FeedCapture(DeviceFrames(256, 23, 23));
    ASSERT_TRUE(held.Wait());
    audio.backend().FeedCapture(DeviceFrames(256, 24, 24));
    for (int b = 0; b < 3; ++b)
        renderBlock();
    release.Set();
    feedBlock(25);
    renderBlock();
    EXPECT_EQ(played.Firsts(), (std::vector<std::int16_t>{0, 0, 0, 21, 22, 23, 24, 25}));
    capture->SetActive(false); // no block reaches the handler once the test's signals are gone
}

TEST_F(CaptureToPlayerEngine, ACaptureDeviceThatVanishesLeavesThePlayerSilentNotRepeating) {
    audio.backend().SetCaptureDevices({{"mic", "Microphone"}});
    const GUID mic = DeviceGuid("mic", true);
    capture->SetpID(&mic);
    play->SetActive(true);
    auto feedMic = [&](std::int16_t value) {
        const int before = log.Count();
        audio.backend().FeedCapture(DeviceFrames(256, value, value), "mic");
        ASSERT_TRUE(log.WaitFor(before + 1));
    };
    feedMic(31);
    feedMic(32);
    renderBlock();
    audio.backend().VanishCaptureDevice("mic");
    for (int i = 0; i < 6; ++i) {
        feedMic(33);
        renderBlock();
    }
    const std::vector<std::int16_t> firsts = played.Firsts();
    ASSERT_EQ(firsts.size(), 10u);
    EXPECT_EQ(firsts[3], 31);
    EXPECT_EQ(firsts[4], 32) << "the last block captured before it vanished";
    EXPECT_EQ(std::vector<std::int16_t>(firsts.begin() + 5, firsts.end()), std::vector<std::int16_t>(5, 0));
    EXPECT_TRUE(play->Active());
    play->SetFileName("");
    EXPECT_FALSE(capture->Active());
}
