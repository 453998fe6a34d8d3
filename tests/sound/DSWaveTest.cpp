#include "sound/DSWave.h"
#include "SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSPlay.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <tuple>

namespace {

void put32(std::vector<BYTE>& out, DWORD v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(v >> (8 * i)));
}
void put16(std::vector<BYTE>& out, WORD v) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}
void chunk(std::vector<BYTE>& out, const char* id, const std::vector<BYTE>& body) {
    out.insert(out.end(), id, id + 4);
    put32(out, static_cast<DWORD>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1) out.push_back(0);
}

// A RIFF WAVE image of 16-bit PCM samples.
std::vector<BYTE> waveImage(const std::vector<std::int16_t>& samples, WORD channels = 1, DWORD rate = 44100,
                            bool dataFirst = false) {
    std::vector<BYTE> fmt;
    put16(fmt, WAVE_FORMAT_PCM);
    put16(fmt, channels);
    put32(fmt, rate);
    put32(fmt, rate * channels * 2);
    put16(fmt, static_cast<WORD>(channels * 2));
    put16(fmt, 16);
    std::vector<BYTE> data(samples.size() * 2);
    std::memcpy(data.data(), samples.data(), data.size());
    std::vector<BYTE> body{'W', 'A', 'V', 'E'};
    chunk(body, "LIST", {'I', 'N', 'F', 'O', 'x'});
    chunk(body, dataFirst ? "data" : "fmt ", dataFirst ? data : fmt);
    chunk(body, dataFirst ? "fmt " : "data", dataFirst ? fmt : data);
    std::vector<BYTE> riff{'R', 'I', 'F', 'F'};
    put32(riff, static_cast<DWORD>(body.size()));
    riff.insert(riff.end(), body.begin(), body.end());
    return riff;
}

std::string writeFile(const std::string& name, const std::vector<BYTE>& bytes) {
    const std::string path = std::string(VX_TEST_TMP) + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<std::int16_t> tone(int frames, std::int16_t start) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(start + i);
    return samples;
}

class Waves : public ::testing::Test {
protected:
    TDSWave* addWave(const std::string& file, int buffers) {
        auto* wave = new TDSWave(&owner);
        wave->SetFileName(file);
        wave->SetNumBuffers(buffers);
        return wave;
    }
    void start() {
        play = new TDSPlay(&owner);
        owner.LoadTree();
        play->SetActive(true);
        ASSERT_TRUE(play->Active());
    }
    std::vector<BufferInfo> buffers() { return audio.backend().Buffers(); }

    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner{nullptr};
    TDSPlay* play = nullptr;
};

} // namespace

TEST(DirectSoundText, NamesEveryKnownCodeAndCallsTheRestUnknown) {
    EXPECT_STREQ(DirectSoundErrorText(static_cast<HRESULT>(0x88780096u)),
                 "The buffer memory has been lost and must be restored");
    EXPECT_STREQ(DirectSoundErrorText(1), "Unknow error");
    EXPECT_STREQ(DirectSoundErrorText(DS_OK), "The request completed successfully");
    EXPECT_STREQ(DirectSoundErrorText(DSERR_NODRIVER), "No sound driver is available for use");
    EXPECT_STREQ(DirectSoundErrorText(DSERR_BADFORMAT), "The specified wave format is not supported");
}

TEST(WaveParse, FindsFormatAndDataInEitherOrder) {
    for (bool dataFirst : {false, true}) {
        const auto image = waveImage(tone(10, 5), 2, 22050, dataFirst);
        WAVEFORMATEX format;
        const BYTE* data = nullptr;
        DWORD size = 0;
        ASSERT_TRUE(ParseWaveData(image.data(), image.size(), &format, &data, &size));
        EXPECT_EQ(format.nChannels, 2);
        EXPECT_EQ(format.nSamplesPerSec, 22050u);
        EXPECT_EQ(size, 20u);
        std::int16_t first;
        std::memcpy(&first, data, 2);
        EXPECT_EQ(first, 5);
    }
}

TEST(WaveParse, RefusesMalformedImagesAndNeverReadsPastTheBytes) {
    auto image = waveImage(tone(10, 5));
    WAVEFORMATEX format;
    const BYTE* data = nullptr;
    DWORD size = 0;
    auto bad = image;
    bad[0] = 'X';
    EXPECT_FALSE(ParseWaveData(bad.data(), bad.size(), &format, &data, &size));
    bad = image;
    bad[4] = 4, bad[5] = bad[6] = bad[7] = 0;
    EXPECT_FALSE(ParseWaveData(bad.data(), bad.size(), &format, &data, &size)) << "RIFF size of 4";
    bad = image;
    bad[12 + 8 + 6 + 4] = 14; // the fmt chunk's size
    EXPECT_FALSE(ParseWaveData(bad.data(), bad.size(), &format, &data, &size)) << "short fmt chunk";
    // A data chunk and a RIFF size that claim more than there is: the data stops at the end.
    bad = image;
    bad[4] = bad[5] = bad[6] = 0x7F;
    const std::size_t dataSizeAt = bad.size() - 20 - 4;
    bad[dataSizeAt + 2] = 0x10;
    ASSERT_TRUE(ParseWaveData(bad.data(), bad.size(), &format, &data, &size));
    EXPECT_EQ(data + size, bad.data() + bad.size());
    for (std::size_t cut = 0; cut < image.size(); ++cut) {
        std::vector<BYTE> part(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
        ParseWaveData(part.data(), part.size(), &format, &data, &size);
    }
}

TEST(WaveLoad, AFileShorterThan48BytesFailsAndAResourceWinsOverAFile) {
    std::vector<BYTE> tiny(47, 0);
    WaveData wave;
    EXPECT_FALSE(LoadWaveResource(writeFile("tiny.wav", tiny), wave));
    const std::string path = writeFile("both.wav", waveImage(tone(20, 100)));
    static const std::vector<BYTE> resource = waveImage(tone(20, 900));
    RegisterWaveResource(path, resource.data(), resource.size());
    ASSERT_TRUE(LoadWaveResource(path, wave));
    EXPECT_TRUE(wave.file.empty()) << "a resource needs no copy";
    std::int16_t first;
    std::memcpy(&first, wave.data, 2);
    EXPECT_EQ(first, 900);
    UnregisterWaveResource(path);
    ASSERT_TRUE(LoadWaveResource(path, wave));
    std::memcpy(&first, wave.data, 2);
    EXPECT_EQ(first, 100);
}

TEST_F(Waves, SwitchingThePlayerLoadsAndReleasesItsEffects) {
    TDSWave* wave = addWave(writeFile("cool.wav", waveImage(tone(100, 1))), 5);
    start();
    EXPECT_TRUE(wave->IsLoaded());
    const auto infos = buffers();
    ASSERT_EQ(infos.size(), 5u);
    for (const BufferInfo& info : infos) {
        EXPECT_EQ(info.flags, 0x100E2u);
        EXPECT_EQ(info.memory, infos[0].memory) << "duplicates share the samples";
    }
    play->SetActive(false);
    EXPECT_FALSE(wave->IsLoaded());
    EXPECT_TRUE(buffers().empty());
}

TEST_F(Waves, TheSixthOfSixQuickPlaysOnFiveBuffersRestartsTheOldestCopy) {
    TDSWave* wave = addWave(writeFile("bomb.wav", waveImage(tone(4000, 1))), 5);
    start();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(wave->Play(0, 0));
        audio.backend().Render(10);
    }
    auto infos = buffers();
    for (const BufferInfo& info : infos)
        EXPECT_TRUE(info.playing);
    EXPECT_EQ(infos[0].playCursor, 100u);
    ASSERT_TRUE(wave->Play(0, 0));
    infos = buffers();
    EXPECT_EQ(infos[0].playCursor, 0u) << "cut off and started again";
    EXPECT_EQ(infos[1].playCursor, 80u);
}

TEST_F(Waves, AOneBufferEffectStillSoundingIsNotRestarted) {
    TDSWave* wave = addWave(writeFile("fart.wav", waveImage(tone(4000, 1))), 1);
    start();
    ASSERT_TRUE(wave->Play(0, 0));
    audio.backend().Render(10);
    EXPECT_FALSE(wave->Play(0, 0));
    EXPECT_EQ(buffers()[0].playCursor, 20u);
    audio.backend().Render(4000);
    EXPECT_TRUE(wave->Play(0, 0)) << "a finished effect plays again";
}

TEST_F(Waves, LoopingIsRefusedForASetOfSeveralBuffers) {
    TDSWave* set = addWave(writeFile("set.wav", waveImage(tone(100, 1))), 5);
    TDSWave* single = addWave(writeFile("single.wav", waveImage(tone(100, 1))), 1);
    start();
    EXPECT_FALSE(set->Play(DSBPLAY_LOOPING, 0));
    EXPECT_TRUE(single->Play(DSBPLAY_LOOPING, 0));
    int playing = 0;
    for (const BufferInfo& info : buffers()) {
        if (info.playing) {
            EXPECT_TRUE(info.looping);
            ++playing;
        }
    }
    EXPECT_EQ(playing, 1);
}

TEST_F(Waves, VolumeMapsToTwentyFourHundredthsOfADecibelPerStep) {
    TDSWave* wave = addWave(writeFile("vol.wav", waveImage(tone(4000, 1))), 3);
    start();
    const struct {
        int volume;
        LONG hundredths;
    } table[] = {{128, -3072}, {256, 0}, {0, -6144}};
    for (int i = 0; i < 3; ++i) {
        wave->SetVolume(table[i].volume);
        ASSERT_TRUE(wave->Play(0, -200 * i));
        EXPECT_EQ(buffers()[static_cast<std::size_t>(i)].volume, table[i].hundredths);
        EXPECT_EQ(buffers()[static_cast<std::size_t>(i)].pan, -200 * i);
    }
}

TEST_F(Waves, AnInvalidFileIsReportedAndTheEffectStaysSilent) {
    TDSWave* wave = addWave(writeFile("broken.wav", std::vector<BYTE>(60, 'x')), 2);
    start();
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].text,
              "Can't open wave file '" + wave->FileName() + "' or file is invalid");
    EXPECT_EQ(messages.Records()[0].caption, "DSWave: Fatal error");
    EXPECT_EQ(messages.Records()[0].flags, 16u);
    EXPECT_FALSE(wave->Play(0, 0));
}

TEST_F(Waves, ANewCountWhoseSetCannotBeMadeIsReportedAndKeepsThePlayingSetAndItsCount) {
    const std::string path = writeFile("count.wav", waveImage(tone(100, 1)));
    TDSWave* wave = addWave(path, 3);
    start();
    const std::tuple<const char*, int, std::function<void()>> causes[] = {
        {"too many", INT_MAX, [] {}},
        {"first buffer refused", 4,
         [&] { audio.backend().FailNext(DsOp::CreateSoundBuffer, DSERR_OUTOFMEMORY); }},
        {"file gone", 4, [&] { std::filesystem::remove(path); }}};
    for (const auto& [cause, count, refuse] : causes) {
        refuse();
        wave->SetNumBuffers(count);
        EXPECT_EQ(wave->NumBuffers(), 3) << cause;
        EXPECT_TRUE(wave->Play(0, 0)) << cause << ": the set of three plays on";
    }
    EXPECT_EQ(buffers().size(), 3u);
    EXPECT_EQ(messages.Records().size(), 3u);
    writeFile("count.wav", waveImage(tone(100, 1)));
    wave->SetNumBuffers(1000);
    EXPECT_EQ(buffers().size(), 1000u) << "a large set that can be made is";
}

TEST_F(Waves, SettingTheSameFileNameOnAnActivePlayerReloads) {
    const std::string path = writeFile("same.wav", waveImage(tone(100, 1000)));
    TDSWave* wave = addWave(path, 1);
    start();
    writeFile("same.wav", waveImage(tone(100, 2000)));
    wave->SetFileName(path);
    wave->SetVolume(256);
    ASSERT_TRUE(wave->Play(0, 0));
    EXPECT_EQ(audio.backend().Render(1)[0], 2000);
}

TEST_F(Waves, ALostBufferIsRestoredAndRefilledWhenNextPicked) {
    TDSWave* wave = addWave(writeFile("lost.wav", waveImage(tone(100, 500))), 2);
    start();
    wave->SetVolume(256);
    audio.backend().LoseAllBuffers();
    ASSERT_TRUE(wave->Play(0, 0));
    EXPECT_EQ(audio.backend().Render(1)[0], 500);
    audio.backend().FailNext(DsOp::Restore, DSERR_GENERIC);
    audio.backend().LoseAllBuffers();
    EXPECT_FALSE(wave->Play(0, 0));
}

TEST_F(Waves, ARefusedDuplicateIsReplacedByABufferOfItsOwn) {
    audio.backend().FailNext(DsOp::DuplicateSoundBuffer, DSERR_GENERIC);
    addWave(writeFile("dup.wav", waveImage(tone(100, 1))), 3);
    start();
    const auto infos = buffers();
    ASSERT_EQ(infos.size(), 3u);
    EXPECT_NE(infos[1].memory, infos[0].memory);
    EXPECT_EQ(infos[2].memory, infos[0].memory);
}

// Playing from the frame thread while the music engine switches on and off: a play that
// meets a reload answers false instead of touching the buffers being released.
TEST_F(Waves, EngineSwitchingWhilePlayingNeverTouchesReleasedBuffers) {
    TDSWave* wave = addWave(writeFile("race.wav", waveImage(tone(200, 1))), 4);
    start();
    std::atomic<bool> done{false};
    std::atomic<int> attempts{0};
    std::thread frame([&] {
        while (!done.load()) {
            wave->Play(0, 0);
            ++attempts;
        }
    });
    for (int i = 0; i < 10000 && (i < 30 || attempts.load() < 200); ++i) {
        play->SetActive(false);
        play->SetActive(true);
        audio.backend().Render(50);
    }
    done = true;
    frame.join();
    EXPECT_GE(attempts.load(), 200);
    EXPECT_TRUE(wave->Play(0, 0)) << "the effect plays once the player is settled";
}
