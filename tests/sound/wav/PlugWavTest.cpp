// The WAV player: copying, one- and two-stage conversion with the carry between blocks,
// positions and file information.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "sound/Plug_WAV.h"
#include "sound/Sndutils.h"
#include "sound/WaveFile.h"
#include "tests/platform/mmsys/RiffBuilder.h"

using namespace riff_test;

namespace {

// Opens a file as the engine does: output format first, Init, then the three setters.
bool Open(TSndWav& wav, const std::string& path, WORD channels, DWORD rate, WORD bits) {
    wav.Format.nChannels = channels;
    wav.Format.nSamplesPerSec = rate;
    wav.Format.wBitsPerSample = bits;
    UpdateWaveFormat(&wav.Format);
    wav.FileName = path;
    if (!wav.Init()) return false;
    wav.SetSamplesPerSec(rate);
    wav.SetBitsPerSample(bits);
    wav.SetChannels(channels);
    return true;
}

// Plays the whole file in blocks of block bytes, up to the block in which Process reported the
// end (padded with silence).
std::vector<BYTE> PlayAll(TSndWav& wav, std::size_t block) {
    std::vector<BYTE> all, part(block);
    for (int guard = 0; guard < 100000; ++guard) {
        bool more = wav.Process(part.data(), part.size());
        all.insert(all.end(), part.begin(), part.end());
        if (!more) break;
    }
    return all;
}

std::string WriteWave(const std::string& name, const std::vector<BYTE>& bytes) {
    std::string path = TempPath(name);
    WriteFile(path, bytes);
    return path;
}

// Frequency from the rising zero crossings of the left channel of 8-bit stereo.
double Frequency8Stereo(const std::vector<BYTE>& data, std::size_t frames, DWORD rate) {
    std::size_t first = 0, last = 0, count = 0;
    for (std::size_t i = 1; i < frames; ++i)
        if (data[2 * (i - 1)] < 0x80 && data[2 * i] >= 0x80) {
            if (count++ == 0) first = i;
            last = i;
        }
    return double(count - 1) * rate / double(last - first);
}

} // namespace

TEST(SndWavCopy, PlaysAFileInTheOutputFormatByCopyingThenPadsWithSilence) {
    std::vector<BYTE> samples = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0};
    TSndWav wav(nullptr);
    ASSERT_TRUE(Open(wav, WriteWave("copy16.wav", PcmWave(Pcm(2, 22050, 16), samples)), 2, 22050, 16));
    std::vector<BYTE> block(16, 0xEE);
    EXPECT_FALSE(wav.Process(block.data(), block.size()));
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), block.begin()));
    EXPECT_EQ(block[12], 0);
    EXPECT_EQ(block[15], 0);

    std::vector<BYTE> bytes8 = {10, 20, 30};
    ASSERT_TRUE(Open(wav, WriteWave("copy8.wav", PcmWave(Pcm(1, 8000, 8), bytes8)), 1, 8000, 8));
    std::vector<BYTE> block8(5, 0);
    EXPECT_FALSE(wav.Process(block8.data(), block8.size()));
    EXPECT_EQ(block8, (std::vector<BYTE>{10, 20, 30, 0x80, 0x80}));
    wav.Reset();
    std::vector<BYTE> exact(3, 0);
    EXPECT_TRUE(wav.Process(exact.data(), exact.size()));
}

TEST(SndWavConvert, ConvertsToTheGameFormatKeepingLengthAndPitch) {
    auto tone = Tone(44100, 2, 1000, 3.0);
    TSndWav wav(nullptr);
    ASSERT_TRUE(Open(wav, WriteWave("tone44.wav", PcmWave(Pcm(2, 44100, 16), tone)), 2, 22050, 8));
    auto out = PlayAll(wav, 4096);
    // 3 s at 22050 Hz, 2 bytes a frame; the block the data ended in is padded with 0x80.
    std::size_t frames = 3 * 22050;
    ASSERT_GE(out.size(), frames * 2);
    EXPECT_LT(out.size(), frames * 2 + 4096 + 2);
    EXPECT_NEAR(Frequency8Stereo(out, frames, 22050), 1000.0, 1.0);
}

TEST(SndWavConvert, GivesIdenticalOutputForAnyBlockSize) {
    auto tone = Tone(48000, 2, 440, 1.5);
    std::string path = WriteWave("tone48.wav", PcmWave(Pcm(2, 48000, 16), tone));
    TSndWav wav(nullptr);
    ASSERT_TRUE(Open(wav, path, 1, 22050, 8));
    auto reference = PlayAll(wav, 1 << 16);
    for (std::size_t block : {1u, 3u, 1000u, 32768u, 70000u}) {
        wav.Reset();
        auto out = PlayAll(wav, block);
        std::size_t common = std::min(out.size(), reference.size());
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + long(common), reference.begin())) << block;
    }
}

TEST(SndWavConvert, DecodesACompressedFileInTwoStagesForAnyBlockSize) {
    std::string path = TempPath("ima_two_stage.wav");
    ASSERT_TRUE(riff_test::Run("sox -R -n -r 11025 -c 1 -e ima-adpcm " + path + " synth 2 sine 700"));
    TSndWav wav(nullptr);
    ASSERT_TRUE(Open(wav, path, 2, 22050, 8));
    auto reference = PlayAll(wav, 1 << 17);
    EXPECT_NEAR(Frequency8Stereo(reference, 2 * 22050 - 2000, 22050), 700.0, 0.7);
    for (std::size_t block : {7u, 4096u, 40000u}) {
        wav.Reset();
        auto out = PlayAll(wav, block);
        std::size_t common = std::min(out.size(), reference.size());
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + long(common), reference.begin())) << block;
    }
}

TEST(SndWavConvert, KeepsStagesWithinTheirBuffersForAFarSmallerOutput) {
    auto tone = Tone(48000, 2, 500, 2.0);
    TSndWav wav(nullptr);
    ASSERT_TRUE(Open(wav, WriteWave("tone48big.wav", PcmWave(Pcm(2, 48000, 16), tone)), 1, 8000, 8));
    auto out = PlayAll(wav, 2000);
    EXPECT_GE(out.size(), 16000u);
    EXPECT_LE(out.size(), 16000u + 2000u);
}

namespace {

struct PeerCase {
    const char* name;
    std::string make;      // writes {out}
    std::string reference; // converts {in} to 16-bit PCM in {out}
};

const std::string SoxInteger = "sox -D {in} -b 16 -e signed-integer {out}";
const std::string FfmpegFloat = "ffmpeg -v error -nostdin -y -i {in} -c:a pcm_s16le {out}";
// Louder than full scale on the left, so that both conversions clip.
const std::string FfmpegSignal = "ffmpeg -v error -nostdin -y -f lavfi -i "
                                 "'aevalsrc=1.2*sin(2*PI*440*t)|0.7*sin(2*PI*1234*t):s=48000:d=0.5' ";
const std::string SoxSignal = "sox -R -n -r 44100 -c 2 ";
const std::string SoxTones = " synth 0.5 sine 440 sine 1234";

std::string Filled(std::string command, const std::string& in, const std::string& out) {
    for (auto [key, value] : {std::pair<std::string, std::string>{"{in}", in}, {"{out}", out}})
        if (auto at = command.find(key); at != std::string::npos) command.replace(at, key.size(), value);
    return command;
}

} // namespace

// Wide integer and float files (the extensible record sox and ffmpeg write above 16 bits,
// and the plain float tag) play as the peers convert them: sox without dither rounds
// integers half a step up, ffmpeg rounds floats to the nearest step; both clip.
TEST(SndWavConvert, WideAndFloatFilesPlayAsThePeersConvertThemSampleForSample) {
    const PeerCase cases[] = {
        {"sox-int24", SoxSignal + "-b 24 {out}" + SoxTones, SoxInteger},
        {"sox-int32", SoxSignal + "-b 32 {out}" + SoxTones, SoxInteger},
        {"sox-float32", SoxSignal + "-e floating-point -b 32 {out}" + SoxTones, FfmpegFloat},
        {"sox-float64", SoxSignal + "-e floating-point -b 64 {out}" + SoxTones, FfmpegFloat},
        {"ffmpeg-int24", FfmpegSignal + "-c:a pcm_s24le {out}", SoxInteger},
        {"ffmpeg-int32", FfmpegSignal + "-c:a pcm_s32le {out}", SoxInteger},
        {"ffmpeg-float32", FfmpegSignal + "-c:a pcm_f32le {out}", FfmpegFloat},
        {"ffmpeg-float64", FfmpegSignal + "-c:a pcm_f64le {out}", FfmpegFloat},
    };
    for (const PeerCase& peer : cases) {
        const std::string source = TempPath(std::string(peer.name) + ".wav");
        const std::string converted = TempPath(std::string(peer.name) + "-16.wav");
        ASSERT_TRUE(riff_test::Run(Filled(peer.make, "", source))) << peer.name;
        ASSERT_TRUE(riff_test::Run(Filled(peer.reference, source, converted))) << peer.name;
        unsigned size = 0, samples = 0;
        WaveFormatBlock format;
        std::vector<BYTE> expected;
        ASSERT_EQ(LoadWaveFile(converted.c_str(), &size, &samples, &format, &expected), 0) << peer.name;
        ASSERT_EQ(format.Format()->nChannels, 2) << peer.name;

        TSndWav wav(nullptr);
        const DWORD rate = format.Format()->nSamplesPerSec;
        ASSERT_TRUE(Open(wav, source, 2, rate, 16)) << peer.name;
        const std::vector<BYTE> out = PlayAll(wav, 4096);
        ASSERT_GE(out.size(), expected.size()) << peer.name;
        EXPECT_EQ(Samples(std::vector<BYTE>(out.begin(), out.begin() + long(expected.size()))),
                  Samples(expected))
            << peer.name;
    }
}

TEST(SndWavInit, RefusesMpegDataAndUnknownFormats) {
    WAVEFORMATEX mp3 = Pcm(2, 44100, 16);
    mp3.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.nBlockAlign = 1;
    mp3.nAvgBytesPerSec = 16000;
    TSndWav wav(nullptr);
    EXPECT_FALSE(Open(wav, WriteWave("mpeg.wav", PcmWave(mp3, std::vector<BYTE>(400, 0xFF))), 2, 22050, 8));
    WAVEFORMATEX odd = Pcm(2, 44100, 16);
    odd.wFormatTag = 0x1234;
    EXPECT_FALSE(Open(wav, WriteWave("odd.wav", PcmWave(odd, std::vector<BYTE>(400, 0))), 2, 22050, 8));
    wav.FileName.clear();
    EXPECT_FALSE(wav.Init());
}

TEST(SndWavPosition, RoundsToTheFilesBlockAlignment) {
    TSndWav wav(nullptr);
    ASSERT_TRUE(Open(wav, WriteWave("pos16.wav", PcmWave(Pcm(2, 22050, 16), std::vector<BYTE>(400, 0))), 2,
                     22050, 16));
    SND_POSITION position;
    position.dwPosition = 10;
    wav.SetPosition(&position);
    wav.GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 8u);
    EXPECT_EQ(position.dwLength, 400u);
    EXPECT_EQ(position.dwUnitsPerSec, 88200u);

    ASSERT_TRUE(Open(wav, WriteWave("pos8.wav", PcmWave(Pcm(1, 8000, 8), std::vector<BYTE>(400, 0x80))), 2,
                     22050, 16));
    position.dwPosition = 11;
    wav.SetPosition(&position);
    wav.GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 11u);
    position.dwPosition = 100000;
    wav.SetPosition(&position);
    wav.GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 400u);
}

TEST(SndWavFileInfo, DescribesFormatTimeAndSize) {
    TSndWav wav(nullptr);
    SND_FILE_INFO info;
    std::string path = WriteWave("info.wav", PcmWave(Pcm(2, 22050, 16), std::vector<BYTE>(88200 + 882, 0)));
    ASSERT_TRUE(wav.GetFileInfo(path, &info));
    EXPECT_STREQ(info.szFormat, "WAVE PCM, 22050 Hz, 16 Bit, Stereo");
    EXPECT_STREQ(info.szShortFormat, "PCM, 22050 Hz, 16 Bit, Stereo");
    EXPECT_STREQ(info.szTime, "0:01.01");
    EXPECT_STREQ(info.szSize, "86 KB");
    EXPECT_STREQ(info.szTitle, "");
    EXPECT_FALSE(wav.GetFileInfo(TempPath("none.wav"), &info));
}

TEST(SndWavFileInfo, JoinsInfoTextsInTheirFixedOrderAndPrefersThemToATag) {
    std::vector<BYTE> list;
    PutTag(list, "INFO");
    auto add = [&list](const char* id, const std::string& text) {
        std::vector<BYTE> body(text.begin(), text.end());
        body.push_back(0);
        for (BYTE b : Chunk(id, body))
            list.push_back(b);
    };
    add("INAM", "  Night Run \t");
    add("IART", "The Band");
    add("DISP", std::string("\x01\x00\x00\x00", 4) + "Shown");
    auto file = Riff("WAVE", {Chunk("fmt ", FormatBody(Pcm(1, 8000, 8))),
                              Chunk("data", std::vector<BYTE>(800, 0x80)), Chunk("LIST", list)});
    std::vector<BYTE> tag(128, 0);
    std::memcpy(tag.data(), "TAGTag Title", 12);
    file.insert(file.end(), tag.begin(), tag.end());
    TSndWav wav(nullptr);
    SND_FILE_INFO info;
    ASSERT_TRUE(wav.GetFileInfo(WriteWave("infolist.wav", file), &info));
    EXPECT_STREQ(info.szTitle, "Shown, The Band, Night Run");
    EXPECT_EQ(std::memcmp(info.Tag, "TAG", 3), 0);

    auto tagged = PcmWave(Pcm(1, 8000, 8), std::vector<BYTE>(800, 0x80));
    tagged.insert(tagged.end(), tag.begin(), tag.end());
    ASSERT_TRUE(wav.GetFileInfo(WriteWave("tagonly.wav", tagged), &info));
    EXPECT_STREQ(info.szTitle, "Tag Title");
}
