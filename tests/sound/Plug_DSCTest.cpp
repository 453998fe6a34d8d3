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

TEST_F(CapturePlugEngine, ProcessCopiesTheBlockBeforeTheNewestAndABlockThatWrapsComesInTwoParts) {
    ASSERT_TRUE(plug->Init());
    feedBlock(10); // block 0
    feedBlock(11); // block 1
    std::vector<std::int16_t> block = process(1024);
    EXPECT_EQ(block, std::vector<std::int16_t>(512, 10)) << "the block before the newest one";
    feedBlock(12); // block 2
    feedBlock(13); // block 3
    feedBlock(14); // block 0 again: block 3 is the newest, block 2 the one before
    feedBlock(15); // block 1: the block before is block 0
    // Three blocks from block 3 run past the end of the ring into blocks 0 and 1.
    feedBlock(16); // block 2: copy from block 1
    block = process(3 * 1024);
    EXPECT_EQ(block[0], 15);
    EXPECT_EQ(block[511], 15);
    EXPECT_EQ(block[512], 16);
    EXPECT_EQ(block[1023], 16);
    EXPECT_EQ(block[1024], 13) << "block 3 is where the ring ends";
    feedBlock(17); // block 3: copy from block 2, 2 blocks run to block 3 and wrap into block 0
    feedBlock(18); // block 0: block 3 is newest, copy from block 3 and wrap
    block = process(2 * 1024);
    EXPECT_EQ(block[0], 17);
    EXPECT_EQ(block[511], 17);
    EXPECT_EQ(block[512], 18) << "the second part continues at the start of the ring";
    EXPECT_EQ(block[1023], 18);
}

TEST_F(CapturePlugEngine, ABlockIsCopiedOnceAndThenSilenceUntilANewOneIsCaptured) {
    ASSERT_TRUE(plug->Init());
    feedBlock(10);
    feedBlock(11);
    bool more = false;
    EXPECT_EQ(process(1024, &more), std::vector<std::int16_t>(512, 10));
    EXPECT_EQ(process(1024, &more), std::vector<std::int16_t>(512, 0))
        << "no capture since: never the same again";
    EXPECT_TRUE(more) << "capture still runs, so the data goes on";
    feedBlock(12);
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 11));
    plug->Reset();
    EXPECT_EQ(process(1024), std::vector<std::int16_t>(512, 0))
        << "a restarted capture begins with an empty ring, never the old sound";
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

TEST_F(CapturePlugEngine, AFailedLockGivesSilenceNotWhatTheBlockHeldBefore) {
    ASSERT_TRUE(plug->Init());
    feedBlock(10);
    feedBlock(11);
    audio.backend().FailNext(DsOp::CaptureLock, DSERR_GENERIC);
    bool more = false;
    EXPECT_EQ(process(1024, &more), std::vector<std::int16_t>(512, 0));
    EXPECT_TRUE(more);
    EXPECT_EQ(process(8 * 1024, &more), std::vector<std::int16_t>(4 * 1024, 0))
        << "more than the ring cannot be locked either";
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

TEST_F(CapturePlugEngine, FileInfoDescribesTheCapture) {
    SND_FILE_INFO info;
    std::snprintf(info.szTitle, sizeof info.szTitle, "old");
    std::snprintf(info.szTime, sizeof info.szTime, "1:00");
    EXPECT_TRUE(plug->GetFileInfo("anything", &info));
    EXPECT_STREQ(info.szTitle, "");
    EXPECT_STREQ(info.szTime, "");
    EXPECT_STREQ(info.szSize, "");
    EXPECT_STREQ(info.szFormat, "DirectSound Capture");
    EXPECT_STREQ(info.szShortFormat, "DirectSound Capture");
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
class CaptureToPlayer : public CapturePlugEngine {
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

TEST_F(CaptureToPlayer, APlayerFedByCapturePlaysEachCapturedBlockOnceThenSilence) {
    play->SetActive(true);
    ASSERT_TRUE(play->Active());
    ASSERT_TRUE(capture->Active()) << "choosing the plug-in switched the capture on";
    EXPECT_EQ(played.Firsts(), (std::vector<std::int16_t>{0, 0, 0}))
        << "the prefill finds nothing captured yet";
    feedBlock(21);
    feedBlock(22);
    renderBlock(); // block 1 entered: block 3 filled from the block before the newest
    feedBlock(23);
    renderBlock(); // block 2 entered: block 0 filled
    renderBlock(); // no capture in between
    EXPECT_EQ(played.Firsts(), (std::vector<std::int16_t>{0, 0, 0, 21, 22, 0}));
    const std::vector<std::int16_t> out = audio.backend().Render(3 * 256);
    EXPECT_EQ(out[0], 21) << "block 3 sounds the first captured block";
    EXPECT_EQ(out[2 * 256], 22);
    EXPECT_EQ(out[4 * 256], 0);
    play->SetActive(false);
    EXPECT_TRUE(capture->Active()) << "a player switched off keeps its plug-in";
    play->SetFileName("");
    EXPECT_FALSE(capture->Active()) << "letting the plug-in go switches the capture off";
    EXPECT_TRUE(messages.Records().empty());
}

TEST_F(CaptureToPlayer, ACaptureDeviceThatVanishesLeavesThePlayerSilentNotRepeating) {
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
