#include "sound/Plug_MP3.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

#include "MpegTestSupport.h"
#include "platform/framework/MessageService.h"
#include "sound/Sndutils.h"

using namespace mp3test;

namespace {

std::string WriteStream(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = TempFile(name);
    WriteBytes(path, bytes);
    return path;
}

// MPEG data in the "data" chunk of a RIFF WAVE file, after a "fmt " and a "fact" chunk.
std::vector<uint8_t> InWave(const std::vector<uint8_t>& stream) {
    std::vector<uint8_t> out;
    auto put = [&out](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(uint8_t(value >> (8 * i)));
    };
    auto text = [&out](const char* t) { out.insert(out.end(), t, t + 4); };
    text("RIFF");
    put(uint32_t(4 + 8 + 30 + 12 + 8 + stream.size()), 4);
    text("WAVE");
    text("fmt ");
    put(30, 4);
    put(0x55, 2);
    put(2, 2);
    put(44100, 4);
    put(16000, 4);
    put(1, 2);
    put(0, 2);
    put(12, 2);
    for (int i = 0; i < 12; ++i)
        out.push_back(0);
    text("fact");
    put(4, 4);
    put(0, 4);
    text("data");
    put(uint32_t(stream.size()), 4);
    out.insert(out.end(), stream.begin(), stream.end());
    return out;
}

class PlugMP3 : public testing::Test {
protected:
    bool Open(const std::string& path) {
        plug.FileName = path;
        return plug.Init();
    }
    // Plays to the end in blocks of the given size; the block that ends the data is kept
    // only up to its silence.
    std::vector<uint8_t> PlayAll(unsigned long block) {
        std::vector<uint8_t> out, chunk(block);
        for (int guard = 0; guard < 100000; ++guard) {
            const bool more = plug.Process(chunk.data(), block);
            out.insert(out.end(), chunk.begin(), chunk.end());
            if (!more) break;
        }
        return out;
    }
    static std::vector<int16_t> AsSamples(const std::vector<uint8_t>& bytes) {
        std::vector<int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }

    TSndMP3 plug{nullptr};
};

TEST_F(PlugMP3, PlaysAStreamAtItsOwnRateAsDecoded) {
    const std::vector<uint8_t> stream = EncodeLame("-b 128 -m j", 44100, 2);
    ASSERT_TRUE(Open(WriteStream("a.mp3", stream)));
    const std::vector<int16_t> played = AsSamples(PlayAll(4096));
    const TDecoded decoded = DecodeOurs(stream);
    ASSERT_GE(played.size(), decoded.pairs.size());
    EXPECT_TRUE(std::equal(decoded.pairs.begin(), decoded.pairs.end(), played.begin()));
    EXPECT_TRUE(std::all_of(played.begin() + long(decoded.pairs.size()), played.end(),
                            [](int16_t v) { return v == 0; }));
    EXPECT_EQ(plug.GetSupportTypes(), "MPEG-1 Layer 1/2/3 (32, 44, 48 kHz only)");
}

TEST_F(PlugMP3, BlockBoundariesNeitherDropNorRepeatSamples) {
    ASSERT_TRUE(Open(WriteStream("a.mp2", EncodeTwolame("-b 192", 44100, 2))));
    const std::vector<uint8_t> big = PlayAll(1 << 20);
    TSndMP3 fresh(nullptr); // filter memories start from silence again
    fresh.FileName = plug.FileName;
    ASSERT_TRUE(fresh.Init());
    std::vector<uint8_t> small, chunk(1000);
    while (fresh.Process(chunk.data(), chunk.size()))
        small.insert(small.end(), chunk.begin(), chunk.end());
    const size_t n = std::min(big.size(), small.size());
    EXPECT_TRUE(std::equal(big.begin(), big.begin() + long(n), small.begin()));
}

TEST_F(PlugMP3, MonoOutputAveragesTheChannelsAndEightBitsKeepTheHighByte) {
    const std::vector<uint8_t> stream = EncodeLame("-b 160 -m s", 44100, 2, 1.0);
    const TDecoded decoded = DecodeOurs(stream);
    ASSERT_TRUE(Open(WriteStream("s.mp3", stream)));
    plug.SetChannels(1);
    const std::vector<int16_t> mono = AsSamples(PlayAll(2048));
    ASSERT_TRUE(Open(plug.FileName));
    plug.SetChannels(2);
    plug.SetBitsPerSample(8);
    const std::vector<uint8_t> bytes = PlayAll(2048);
    for (size_t i = 0; i < decoded.pairs.size() / 2; i += 97) {
        const int left = decoded.pairs[2 * i], right = decoded.pairs[2 * i + 1];
        EXPECT_EQ(mono[i], (left + right) / 2) << i;
        EXPECT_EQ(bytes[2 * i], uint8_t((left >> 8) ^ 0x80)) << i;
        EXPECT_EQ(bytes[2 * i + 1], uint8_t((right >> 8) ^ 0x80)) << i;
    }
    EXPECT_EQ(bytes.back(), 0x80) << "eight-bit silence after the end";
}

TEST_F(PlugMP3, RateConversionKeepsItsPhaseAcrossFrames) {
    const std::vector<uint8_t> stream = EncodeLame("-b 128 -m j", 48000, 2);
    const TDecoded decoded = DecodeOurs(stream);
    ASSERT_TRUE(Open(WriteStream("r.mp3", stream)));
    const unsigned long block = 4 * 441;
    std::vector<uint8_t> chunk(block);
    size_t frames = 0;
    while (plug.Process(chunk.data(), block))
        frames += 441;
    const size_t expected = decoded.pairs.size() / 2 * 44100 / 48000;
    EXPECT_GE(frames + 441, expected);
    EXPECT_LE(frames, expected);
}

TEST_F(PlugMP3, ReachingTheEndAnswersFalseAndResetStartsOver) {
    ASSERT_TRUE(Open(WriteStream("e.mp3", EncodeLame("-b 64 -m m", 44100, 1, 0.5))));
    std::vector<uint8_t> block(1 << 20, 0x33);
    EXPECT_FALSE(plug.Process(block.data(), block.size()));
    EXPECT_EQ(block.back(), 0);
    SND_POSITION position;
    plug.GetPosition(&position);
    EXPECT_EQ(position.dwPosition, position.dwLength);
    plug.Reset();
    plug.GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 0u);
    EXPECT_TRUE(plug.Process(block.data(), 4096));
}

TEST_F(PlugMP3, PlaysMpegDataFromAWaveDataChunk) {
    const std::vector<uint8_t> stream = EncodeLame("-b 128 -m j", 44100, 2, 1.0);
    ASSERT_TRUE(Open(WriteStream("w.wav", InWave(stream))));
    SND_POSITION position;
    plug.GetPosition(&position);
    EXPECT_EQ(position.dwLength, stream.size());
    EXPECT_EQ(position.dwUnitsPerSec, 16000u);
    const std::vector<int16_t> played = AsSamples(PlayAll(8192));
    const TDecoded decoded = DecodeOurs(stream);
    EXPECT_TRUE(std::equal(decoded.pairs.begin(), decoded.pairs.end(), played.begin()));
}

TEST_F(PlugMP3, SkipsALeadingId3v2Tag) {
    const std::vector<uint8_t> stream = EncodeLame("-b 128 -m j", 44100, 2, 0.5);
    std::vector<uint8_t> tagged(10 + 256 + stream.size(), 0);
    const uint8_t head[10] = {'I', 'D', '3', 3, 0, 0, 0, 0, 2, 0};
    std::memcpy(tagged.data(), head, sizeof head);
    std::memcpy(tagged.data() + 10 + 256, stream.data(), stream.size());
    ASSERT_TRUE(Open(WriteStream("t.mp3", tagged)));
    const std::vector<int16_t> played = AsSamples(PlayAll(8192));
    const TDecoded decoded = DecodeOurs(stream);
    EXPECT_TRUE(std::equal(decoded.pairs.begin(), decoded.pairs.end(), played.begin()));
}

TEST_F(PlugMP3, SetPositionGoesBackToAFrameBoundary) {
    ASSERT_TRUE(Open(WriteStream("p.mp3", EncodeLame("-b 128 -m j", 44100, 2, 1.0))));
    std::vector<uint8_t> block(8192);
    plug.Process(block.data(), block.size());
    SND_POSITION position;
    position.dwPosition = 1000;
    plug.SetPosition(&position);
    plug.GetPosition(&position);
    EXPECT_EQ(position.dwPosition % plug.GetPackFrameSize(), 0u);
    EXPECT_LE(position.dwPosition, 1000u);
    EXPECT_EQ(plug.GetUnpackFrameSize(), 4608u);
    EXPECT_TRUE(plug.Process(block.data(), block.size()));
}

TEST_F(PlugMP3, HalfQualityTakesEffectWithTheNextFrame) {
    ASSERT_TRUE(Open(WriteStream("q.mp3", EncodeLame("-b 128 -m j", 44100, 2, 1.0))));
    plug.SetQuality(smqHalf);
    EXPECT_EQ(plug.Quality(), smqHalf);
    const std::vector<int16_t> played = AsSamples(PlayAll(4608));
    size_t unequal = 0;
    for (size_t i = 0; i + 3 < played.size(); i += 4)
        unequal += played[i] != played[i + 2] || played[i + 1] != played[i + 3];
    EXPECT_EQ(unequal, 0u);
}

struct TRefusal {
    const char* name;
    uint32_t header;
    const char* message; // nullptr: refused without a message
};

class PlugMP3Refusal : public PlugMP3, public testing::WithParamInterface<TRefusal> {};

TEST_P(PlugMP3Refusal, RefusesTheFirstHeader) {
    std::vector<uint8_t> bytes(4000, 0);
    for (int b = 0; b < 4; ++b)
        bytes[size_t(b)] = uint8_t(GetParam().header >> (24 - 8 * b));
    ScopedMessageRecorder messages;
    EXPECT_FALSE(Open(WriteStream("x.mp3", bytes)));
    const auto records = messages.Records();
    if (GetParam().message == nullptr) {
        EXPECT_TRUE(records.empty());
    } else {
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].text, GetParam().message);
        EXPECT_EQ(records[0].caption, "SndMP3: Fatal error");
        EXPECT_EQ(records[0].flags, MB_OK | MB_ICONSTOP);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, PlugMP3Refusal,
    testing::Values(TRefusal{"Mpeg2", 0xFFF39000u, "MPEG 2.0 Audio not supported"},
                    TRefusal{"Mpeg25", 0xFFE39000u, "MPEG 2.5 Audio not supported"},
                    TRefusal{"ReservedVersion", 0xFFEB9000u, nullptr},
                    TRefusal{"FreeFormat", 0xFFFB0000u, nullptr},
                    TRefusal{"ForbiddenBitrate", 0xFFFBF000u, nullptr},
                    TRefusal{"ReservedRate", 0xFFFB9C00u, nullptr},
                    TRefusal{"ReservedLayerFree", 0xFFF90000u, "Free format not supported"},
                    TRefusal{"ReservedLayer", 0xFFF99000u, "Sorry, unknow layer type"},
                    TRefusal{"NotMpeg", 0x52494646u, nullptr}),
    [](const testing::TestParamInfo<TRefusal>& param) { return std::string(param.param.name); });

TEST_F(PlugMP3, RealMpeg2AndMpeg25FilesAreRefusedWithTheirMessages) {
    ScopedMessageRecorder messages;
    EXPECT_FALSE(Open(WriteStream("m2.mp3", EncodeLame("--resample 22.05 -b 64", 44100, 2, 0.5))));
    EXPECT_FALSE(Open(WriteStream("m25.mp3", EncodeLame("--resample 8 -b 16", 44100, 2, 0.5))));
    const auto records = messages.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].text, "MPEG 2.0 Audio not supported");
    EXPECT_EQ(records[1].text, "MPEG 2.5 Audio not supported");
}

TEST_F(PlugMP3, ARealFreeFormatFileIsRefusedWithoutAMessage) {
    ScopedMessageRecorder messages;
    EXPECT_FALSE(Open(WriteStream("free.mp2", EncodeTwolame("--freeformat -b 450", 44100, 2, 0.5))));
    EXPECT_TRUE(messages.Records().empty());
    SND_FILE_INFO info;
    EXPECT_FALSE(plug.GetFileInfo(plug.FileName, &info));
}

TEST_F(PlugMP3, MissingFileAndEmptyNameAreRefused) {
    EXPECT_FALSE(Open(TempFile("none.mp3")));
    EXPECT_FALSE(Open(""));
    std::vector<uint8_t> silence(4096);
    EXPECT_TRUE(plug.Process(silence.data(), silence.size()));
}

TEST_F(PlugMP3, FileInformationDescribesTheFirstFrame) {
    const std::vector<uint8_t> stream = EncodeLame("-b 128 -m j", 44100, 2, 2.0);
    SND_FILE_INFO info;
    ASSERT_TRUE(plug.GetFileInfo(WriteStream("i.mp3", stream), &info));
    EXPECT_STREQ(info.szShortFormat, "MPEG L-3, 128 Kbps, Joint-Stereo");
    EXPECT_STREQ(info.szFormat, "MPEG Layer-3, 44100 Hz, 128 Kbits/s, Joint-Stereo");
    char expected[16];
    nTimeToStr(expected, sizeof expected, int(stream.size() * 100 / 16000), true);
    EXPECT_STREQ(info.szTime, expected);
    EXPECT_STREQ(info.szTitle, "");

    SND_FILE_INFO layer2;
    ASSERT_TRUE(plug.GetFileInfo(WriteStream("i.mp2", EncodeTwolame("-b 256 -m d", 48000, 2, 0.5)), &layer2));
    EXPECT_STREQ(layer2.szFormat, "MPEG Layer-2, 48000 Hz, 256 Kbits/s, Dual-Channel");
    EXPECT_FALSE(plug.GetFileInfo(TempFile("none.mp3"), &layer2));
}

TEST_F(PlugMP3, FileInformationOfAVeryLongFileCountsIn64Bits) {
    const std::vector<uint8_t> stream = EncodeLame("-b 128 -m j", 44100, 2, 0.2);
    const std::string path = WriteStream("long.mp3", stream);
    std::filesystem::resize_file(path, 60000000); // sparse: 3750 s at 16000 bytes per second
    SND_FILE_INFO info;
    ASSERT_TRUE(plug.GetFileInfo(path, &info));
    EXPECT_STREQ(info.szTime, "1:2:30.00");
    EXPECT_STREQ(info.szSize, "57.2 MB");
}

} // namespace

namespace {

TEST(PlugMP3Info, AFileShorterThanATagHasNoTag) {
    std::vector<uint8_t> bytes(100, 0x54); // "TTT..." where a tag would start
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
    std::copy(header, header + 4, bytes.begin());
    TSndMP3 plug(nullptr);
    SND_FILE_INFO info;
    std::strcpy(info.szTitle, "stale");
    ASSERT_TRUE(plug.GetFileInfo(WriteStream("short.mp3", bytes), &info));
    EXPECT_STREQ(info.szTitle, "");
    EXPECT_TRUE(
        std::all_of(std::begin(info.Tag), std::end(info.Tag), [](unsigned char c) { return c == 0; }));
    EXPECT_STREQ(info.szSize, "100");
}

} // namespace

namespace {

TEST(PlugMP3Threads, PositionCallsMeetTheEngineThreadSafely) {
    TSndMP3 plug(nullptr);
    plug.FileName = WriteStream("threads.mp3", EncodeLame("-b 128 -m j", 44100, 2, 1.0));
    ASSERT_TRUE(plug.Init());
    std::atomic<bool> done{false};
    std::thread engine([&] {
        std::vector<uint8_t> block(4096);
        for (int i = 0; i < 200; ++i)
            if (!plug.Process(block.data(), block.size())) plug.Reset();
        done = true;
    });
    SND_POSITION position;
    while (!done) {
        plug.GetPosition(&position);
        EXPECT_LE(position.dwPosition, position.dwLength);
        plug.SetQuality(position.dwPosition % 2 ? smqHalf : smqFull);
        if (position.dwPosition > position.dwLength / 2) {
            position.dwPosition = 0;
            plug.SetPosition(&position);
        }
    }
    engine.join();
}

} // namespace
