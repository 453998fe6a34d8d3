#include "sound/MpgFrame.h"

#include <gtest/gtest.h>

#include <set>

#include "MpegTestSupport.h"
#include "sound/MpgTables.h"

using namespace mp3test;

namespace {

// An MPEG-1 header: layer 1..3, bitrate and sampling index, padding, mode, mode extension.
uint32_t Header(int layer, int bitrate, int sampling, int padding = 0, int mode = 0, int modeExt = 0) {
    return 0xFFF90000u | uint32_t(4 - layer) << 17 | 0x10000u | uint32_t(bitrate) << 12 |
           uint32_t(sampling) << 10 | uint32_t(padding) << 9 | uint32_t(mode) << 6 | uint32_t(modeExt) << 4;
}

std::vector<uint8_t> Frames(uint32_t header, int count) {
    TMpegFrame frame;
    MpegDecodeHeader(header, frame);
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) {
        const size_t at = out.size();
        out.resize(at + MpegFrameBytes(frame), uint8_t(i + 1));
        for (int b = 0; b < 4; ++b)
            out[at + size_t(b)] = uint8_t(header >> (24 - 8 * b));
    }
    return out;
}

int CountFrames(const std::vector<uint8_t>& data, std::vector<uint8_t>* firstBodyBytes = nullptr) {
    TMpegFrameReader reader;
    reader.Attach(data.data(), data.size());
    TMpegFrame frame;
    int count = 0;
    while (reader.ReadFrame(frame)) {
        if (firstBodyBytes) firstBodyBytes->push_back(reader.Body()[0]);
        ++count;
    }
    return count;
}

TEST(MpegHeader, RefusesWhatIsNotMpeg1LayerOneToThree) {
    EXPECT_EQ(MpegCheckHeader(Header(3, 9, 0)), TMpegHeaderCheck::Ok);
    EXPECT_EQ(MpegCheckHeader(0x12345678u), TMpegHeaderCheck::NotMpeg);
    EXPECT_EQ(MpegCheckHeader(Header(3, 9, 0) & ~0x00080000u), TMpegHeaderCheck::Mpeg2);
    EXPECT_EQ(MpegCheckHeader(Header(3, 9, 0) & ~0x00180000u), TMpegHeaderCheck::Mpeg25);
    EXPECT_EQ(MpegCheckHeader(Header(3, 0, 0)), TMpegHeaderCheck::FreeFormat);
    EXPECT_EQ(MpegCheckHeader(Header(3, 15, 0)), TMpegHeaderCheck::BadBitrate);
    EXPECT_EQ(MpegCheckHeader(Header(3, 9, 3)), TMpegHeaderCheck::BadRate);
    EXPECT_EQ(MpegCheckHeader(Header(3, 9, 0) & ~0x00060000u), TMpegHeaderCheck::BadLayer);
}

TEST(MpegHeader, FrameSizesFollowBitrateRateAndPadding) {
    struct Case {
        uint32_t header;
        size_t bytes;
    } cases[] = {
        {Header(3, 9, 0), 417},     {Header(3, 9, 0, 1), 418}, {Header(3, 14, 2), 1440},
        {Header(2, 10, 1), 576},    {Header(2, 14, 2), 1728},  {Header(1, 12, 0), 416},
        {Header(1, 12, 0, 1), 420}, {Header(1, 14, 2), 672},
    };
    for (const Case& c : cases) {
        TMpegFrame frame;
        MpegDecodeHeader(c.header, frame);
        EXPECT_EQ(MpegFrameBytes(frame), c.bytes) << std::hex << c.header;
    }
}

TEST(MpegHeader, LayerTwoChoosesItsAllocationTableByRateAndBitratePerChannel) {
    struct Case {
        int sampling, mode, bitrate, sblimit;
    } cases[] = {
        {0, 0, 8, 27},  // 44.1 kHz, 64 kbit/s per channel
        {1, 0, 10, 27}, // 48 kHz, 96 per channel
        {0, 0, 10, 30}, // 44.1 kHz, 96 per channel
        {2, 0, 14, 30}, // 32 kHz, 192 per channel
        {1, 3, 2, 8},   // 48 kHz single channel, 48
        {2, 3, 1, 12},  // 32 kHz single channel, 32
    };
    for (const Case& c : cases) {
        TMpegFrame frame;
        MpegDecodeHeader(Header(2, c.bitrate, c.sampling, 0, c.mode), frame);
        EXPECT_EQ(frame.sblimit, c.sblimit) << c.sampling << " " << c.bitrate;
    }
}

TEST(MpegHeader, JointStereoBoundNeverPassesTheSubbandLimit) {
    TMpegFrame frame;
    MpegDecodeHeader(Header(2, 4, 1, 0, 1, 3), frame); // 64 kbit/s at 48 kHz: 8 subbands
    EXPECT_EQ(frame.sblimit, 8);
    EXPECT_EQ(frame.jsBound, 8);
    MpegDecodeHeader(Header(2, 12, 0, 0, 1, 1), frame);
    EXPECT_EQ(frame.jsBound, 8);
    MpegDecodeHeader(Header(1, 12, 0, 0, 1, 2), frame);
    EXPECT_EQ(frame.jsBound, 12);
}

TEST(MpegFrameReader, EachFrameTakesItsOwnBitrateAndPadding) {
    std::vector<uint8_t> data = Frames(Header(3, 9, 0), 2);
    const std::vector<uint8_t> fast = Frames(Header(3, 14, 0, 1), 2);
    const std::vector<uint8_t> slow = Frames(Header(3, 1, 0), 2);
    data.insert(data.end(), fast.begin(), fast.end());
    data.insert(data.end(), slow.begin(), slow.end());
    std::vector<uint8_t> bodies;
    EXPECT_EQ(CountFrames(data, &bodies), 6);
    EXPECT_EQ(bodies, (std::vector<uint8_t>{1, 2, 1, 2, 1, 2}));
}

TEST(MpegFrameReader, SkipsALeadingId3v2Tag) {
    std::vector<uint8_t> data = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 1, 0}; // 128-byte body and a footer
    data.resize(10 + 128 + 10, 0xFF);
    const std::vector<uint8_t> frames = Frames(Header(2, 8, 0), 3);
    data.insert(data.end(), frames.begin(), frames.end());
    TMpegFrameReader reader;
    reader.Attach(data.data(), data.size());
    EXPECT_EQ(reader.DataStart(), 148u);
    EXPECT_EQ(CountFrames(data), 3);
}

TEST(MpegFrameReader, ResynchronisesOnAHeaderOfTheSameLayerAndRate) {
    std::vector<uint8_t> data = Frames(Header(3, 9, 0, 0, 1, 2), 2);
    std::vector<uint8_t> junk(5000, 0x55);
    // Headers of another layer and of another rate inside the junk are not frames.
    const uint32_t others[2] = {Header(2, 9, 0), Header(3, 9, 1)};
    for (int i = 0; i < 2; ++i)
        for (int b = 0; b < 4; ++b)
            junk[size_t(100 + 1000 * i + b)] = uint8_t(others[i] >> (24 - 8 * b));
    data.insert(data.end(), junk.begin(), junk.end());
    // Padding, mode, mode extension and bitrate may differ after the junk.
    const std::vector<uint8_t> more = Frames(Header(3, 11, 0, 1, 0, 1), 3);
    data.insert(data.end(), more.begin(), more.end());
    std::vector<uint8_t> bodies;
    EXPECT_EQ(CountFrames(data, &bodies), 5);
    EXPECT_EQ(bodies, (std::vector<uint8_t>{1, 2, 1, 2, 3}));
}

TEST(MpegFrameReader, JunkOfTheResyncLimitEndsTheData) {
    std::vector<uint8_t> data = Frames(Header(3, 9, 0), 1);
    data.resize(data.size() + TMpegFrameReader::kResyncLimit, 0);
    const std::vector<uint8_t> more = Frames(Header(3, 9, 0), 2);
    data.insert(data.end(), more.begin(), more.end());
    EXPECT_EQ(CountFrames(data), 1);
}

TEST(MpegFrameReader, ACutLastFrameIsPaddedWithZeros) {
    const std::vector<uint8_t> whole = Frames(Header(3, 9, 0), 2);
    const std::vector<uint8_t> data(whole.begin(), whole.end() - 300);
    TMpegFrameReader reader;
    reader.Attach(data.data(), data.size());
    TMpegFrame frame;
    ASSERT_TRUE(reader.ReadFrame(frame));
    ASSERT_TRUE(reader.ReadFrame(frame));
    EXPECT_EQ(reader.BodySize(), 413u);
    EXPECT_EQ(reader.Body()[112], 2);
    EXPECT_EQ(reader.Body()[113], 0);
    EXPECT_EQ(reader.Position(), data.size());
    EXPECT_FALSE(reader.ReadFrame(frame));
}

TEST(MpegFrameReader, AStreamMustStartWithAFrame) {
    std::vector<uint8_t> data(10, 0);
    const std::vector<uint8_t> frames = Frames(Header(3, 9, 0), 2);
    data.insert(data.end(), frames.begin(), frames.end());
    EXPECT_EQ(CountFrames(data), 0);
}

TEST(MpegFrameReader, ReadsEveryFrameOfAVariableBitrateStream) {
    const std::vector<uint8_t> stream = EncodeLame("-V 0", 44100, 2, 1.0);
    TMpegFrameReader reader;
    reader.Attach(stream.data(), stream.size());
    TMpegFrame frame;
    std::set<int> bitrates;
    int frames = 0;
    while (reader.ReadFrame(frame)) {
        bitrates.insert(frame.bitrateIndex);
        ++frames;
    }
    EXPECT_GT(bitrates.size(), 1u);
    EXPECT_EQ(frames, int(stream.size() > 0 ? DecodeFfmpeg(stream).size() / 2304 : 0));
}

} // namespace
