// The RIFF WAVE routines: format records of every size, missing or lying chunks.
#include <gtest/gtest.h>

#include "sound/WaveFile.h"
#include "tests/platform/mmsys/RiffBuilder.h"

using namespace riff_test;

namespace {

struct Loaded {
    int result = -1;
    unsigned size = 0;
    WaveFormatBlock format;
    std::vector<BYTE> data;
};

Loaded Load(const std::vector<BYTE>& file, const char* name = "wavefile.wav") {
    std::string path = TempPath(name);
    WriteFile(path, file);
    Loaded loaded;
    unsigned samples = 99;
    loaded.result = LoadWaveFile(path.c_str(), &loaded.size, &samples, &loaded.format, &loaded.data);
    EXPECT_EQ(samples, 0u);
    return loaded;
}

WAVEFORMATEX Alaw() {
    WAVEFORMATEX f = Pcm(1, 8000, 8);
    f.wFormatTag = WAVE_FORMAT_ALAW;
    return f;
}

} // namespace

TEST(LoadWaveFile, ReadsPlainAndExtendedPcmFormats) {
    const std::vector<BYTE> samples = {1, 2, 3, 4, 5, 6, 7, 8};
    Loaded plain = Load(PcmWave(Pcm(2, 22050, 16), samples));
    ASSERT_EQ(plain.result, 0);
    EXPECT_EQ(plain.size, 8u);
    EXPECT_EQ(plain.data, samples);
    EXPECT_EQ(plain.format.Format()->nSamplesPerSec, 22050u);
    EXPECT_EQ(plain.format.Format()->cbSize, 0);

    auto extended = Riff("WAVE", {Chunk("fmt ", FormatBody(Pcm(1, 8000, 8), true)), Chunk("data", samples)});
    Loaded withSize = Load(extended);
    ASSERT_EQ(withSize.result, 0);
    EXPECT_EQ(withSize.format.Format()->nChannels, 1);
}

TEST(LoadWaveFile, GivesCompressedFormatsTheirExtraBytes) {
    std::vector<BYTE> extra = {0xF9, 0x01};
    WAVEFORMATEX ima = Pcm(1, 22050, 4);
    ima.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    ima.nBlockAlign = 256;
    ima.nAvgBytesPerSec = 11100;
    auto file = Riff("WAVE", {Chunk("fmt ", FormatBody(ima, true, extra)), Chunk("fact", {0, 0, 0, 0}),
                              Chunk("data", std::vector<BYTE>(512, 0))});
    Loaded loaded = Load(file);
    ASSERT_EQ(loaded.result, 0);
    ASSERT_EQ(loaded.format.Format()->cbSize, 2);
    EXPECT_EQ(loaded.format.Extra()[0], 0xF9);
    EXPECT_EQ(loaded.format.Size(), WAVEFORMATEX_SIZE + 2);
}

TEST(LoadWaveFile, ReadsNoExtraBytesFromASixteenByteCompressedFormat) {
    // The two bytes after a 16-byte record belong to the next chunk, not to the format.
    auto file = Riff("WAVE", {Chunk("fmt ", FormatBody(Alaw())), Chunk("data", {0xD5, 0x55})});
    Loaded loaded = Load(file);
    ASSERT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.format.Format()->cbSize, 0);
    EXPECT_EQ(loaded.data, (std::vector<BYTE>{0xD5, 0x55}));
}

TEST(LoadWaveFile, RefusesBrokenFiles) {
    const std::vector<BYTE> samples(16, 0x80);
    EXPECT_EQ(Load(Riff("AVI ", {Chunk("fmt ", FormatBody(Pcm(1, 8000, 8))), Chunk("data", samples)})).result,
              ER_NOTWAVEFILE);
    EXPECT_EQ(Load(Riff("WAVE", {Chunk("fmt ", FormatBody(Pcm(1, 8000, 8)))})).result, ER_NOTWAVEFILE);
    EXPECT_EQ(Load(Riff("WAVE", {Chunk("data", samples)})).result, int(MMIOERR_CHUNKNOTFOUND));
    EXPECT_EQ(Load(Riff("WAVE", {Chunk("fmt ", std::vector<BYTE>(14, 1)), Chunk("data", samples)})).result,
              ER_NOTWAVEFILE);

    // Extra bytes claimed beyond the chunk.
    auto extraTooLong = FormatBody(Alaw(), true, {1, 2});
    extraTooLong[16] = 40;
    EXPECT_EQ(Load(Riff("WAVE", {Chunk("fmt ", extraTooLong), Chunk("data", samples)})).result,
              ER_NOTWAVEFILE);

    std::string missing = TempPath("no-such-file.wav");
    unsigned size = 0, count = 0;
    WaveFormatBlock format;
    std::vector<BYTE> data;
    EXPECT_EQ(LoadWaveFile(missing.c_str(), &size, &count, &format, &data), ER_CANNOTOPEN);
    EXPECT_TRUE(format.Empty());
}

TEST(LoadWaveFile, RefusesAZeroRateBlockAlignmentOrByteRate) {
    const std::vector<BYTE> samples(16, 0x80);
    WAVEFORMATEX zeroRate = Pcm(1, 8000, 8), zeroByteRate = Pcm(1, 8000, 8), zeroAlign = Pcm(1, 8000, 8);
    zeroRate.nSamplesPerSec = 0;
    zeroByteRate.nAvgBytesPerSec = 0;
    zeroAlign.nBlockAlign = 0;
    EXPECT_EQ(Load(PcmWave(zeroRate, samples)).result, ER_NOTWAVEFILE);
    EXPECT_EQ(Load(PcmWave(zeroByteRate, samples)).result, ER_NOTWAVEFILE);
    EXPECT_EQ(Load(PcmWave(zeroAlign, samples)).result, ER_NOTWAVEFILE);
}

TEST(LoadWaveFile, RefusesADataChunkLongerThanTheFileWithoutAllocatingIt) {
    auto file = PcmWave(Pcm(1, 8000, 8), std::vector<BYTE>(100, 0x80));
    // The data chunk's size field sits 4 bytes after its id, at the end of the header.
    std::size_t at = file.size() - 100 - 4;
    file[at] = 0xF0;
    file[at + 1] = 0xFF;
    file[at + 2] = 0xFF;
    file[at + 3] = 0x7F;
    Loaded loaded = Load(file);
    EXPECT_EQ(loaded.result, ER_CORRUPTWAVEFILE);
    EXPECT_TRUE(loaded.data.empty());
    EXPECT_TRUE(loaded.format.Empty());
}

TEST(ReadWaveData, ClampsToWhatIsLeftOfTheChunk) {
    std::string path = TempPath("readwave.wav");
    WriteFile(path, PcmWave(Pcm(1, 8000, 8), {10, 20, 30, 40, 50}));
    HMMIO file = nullptr;
    WaveFormatBlock format;
    MMCKINFO riff, data;
    ASSERT_EQ(OpenWaveFile(path.c_str(), &file, &format, &riff), 0);
    ASSERT_EQ(SeekWaveData(&file, &data, &riff), 0);
    BYTE out[8] = {};
    unsigned read = 0;
    ASSERT_EQ(ReadWaveData(file, 3, out, &data, &read), 0);
    EXPECT_EQ(read, 3u);
    ASSERT_EQ(ReadWaveData(file, 8, out, &data, &read), 0);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(out[1], 50);
    CloseWaveFile(&file, &format);
    EXPECT_EQ(file, nullptr);
    EXPECT_TRUE(format.Empty());
}
