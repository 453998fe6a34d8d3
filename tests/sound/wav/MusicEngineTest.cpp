// The WAV and MOD players on a form with the music engine, set up as the game sets it: the
// engine tries them in component order and streams the one that takes the file.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"
#include "sound/Plug_MOD.h"
#include "sound/Plug_WAV.h"
#include "tests/platform/mmsys/RiffBuilder.h"
#include "tests/sound/mod/ModBuilder.h"

namespace {

class MusicEngine : public testing::Test {
protected:
    MusicEngine() {
        wav = new TSndWav(&owner);
        mod = new TSndMOD(&owner);
        play = new TDSPlay(&owner);
        play->SetBufferSize(32768);
        play->SetBuffersCount(4);
        play->SetBitsPerSample(8);
        play->SetChannels(2);
        play->SetSamplesPerSec(22050);
        owner.LoadTree();
    }
    ~MusicEngine() override { play->SetActive(false); }

    bool Audible() {
        auto out = audio.backend().Render(4000);
        return std::any_of(out.begin(), out.end(), [](std::int16_t v) { return v != 0; });
    }

    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner{nullptr};
    TSndWav* wav = nullptr;
    TSndMOD* mod = nullptr;
    TDSPlay* play = nullptr;
};

} // namespace

TEST_F(MusicEngine, StreamsAWaveFileThroughTheWavPlayer) {
    std::string path = riff_test::TempPath("engine.wav");
    riff_test::WriteFile(
        path, riff_test::PcmWave(riff_test::Pcm(2, 44100, 16), riff_test::Tone(44100, 2, 440, 2.0)));
    play->SetFileName(path);
    play->SetActive(true);
    ASSERT_TRUE(play->Active());
    EXPECT_EQ(play->ModulePlug(), wav);
    EXPECT_EQ(wav->Format.nSamplesPerSec, 22050u);
    EXPECT_TRUE(Audible());
    EXPECT_TRUE(messages.Records().empty());
}

TEST_F(MusicEngine, StreamsAModuleThroughTheModPlayerAfterTheWavPlayerRefusedIt) {
    mod_test::ModBuilder song;
    song.samples[0] = mod_test::TestSample::Looped(512, 64);
    song.orders = {0};
    song.Note(0, 0, 0, 428, 1);
    std::string path = riff_test::TempPath("engine.mod");
    riff_test::WriteFile(path, song.Build());
    play->SetFileName(path);
    play->SetActive(true);
    ASSERT_TRUE(play->Active());
    EXPECT_EQ(play->ModulePlug(), mod);
    EXPECT_TRUE(Audible());
}

TEST_F(MusicEngine, NamesBothPlayersForAFileNeitherTakes) {
    std::string path = riff_test::TempPath("engine.bin");
    riff_test::WriteFile(path, std::vector<BYTE>(4000, 0x41));
    play->SetFileName(path);
    play->SetActive(true);
    auto records = messages.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].text.find("\nWAVE (use Audio Compression Manager if necessary)\nAmiga MOD "
                                   "15-instrument/Pro/Star/FastTracker"),
              std::string::npos);
}
