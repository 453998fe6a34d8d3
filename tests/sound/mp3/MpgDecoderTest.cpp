#include "sound/MpgDecoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "MpegTestSupport.h"

using namespace mp3test;

namespace {

// Frame starts of a stream, as the reader finds them.
std::vector<size_t> FrameStarts(const std::vector<uint8_t>& stream) {
    TMpegFrameReader reader;
    reader.Attach(stream.data(), stream.size());
    TMpegFrame frame;
    std::vector<size_t> starts;
    size_t at = reader.Position();
    while (reader.ReadFrame(frame)) {
        starts.push_back(at);
        at = reader.Position();
    }
    return starts;
}

uint32_t BitsAt(const uint8_t* bytes, int offset, int count) {
    uint32_t value = 0;
    for (int i = offset; i < offset + count; ++i)
        value = value << 1 | ((bytes[i / 8] >> (7 - i % 8)) & 1);
    return value;
}

void SetBits(uint8_t* bytes, int offset, int count, uint32_t value) {
    for (int i = 0; i < count; ++i) {
        const int bit = offset + i;
        const uint8_t mask = uint8_t(0x80 >> (bit % 8));
        if ((value >> (count - 1 - i)) & 1)
            bytes[bit / 8] |= mask;
        else
            bytes[bit / 8] &= uint8_t(~mask);
    }
}

// Side information of a two-channel layer III frame without check word: granule g,
// channel c starts at this bit of the body.
int SideInfoBit(int granule, int channel) {
    return 20 + 59 * (granule * 2 + channel);
}

double SnrDb(const std::vector<int16_t>& reference, const std::vector<int16_t>& test) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(test[i]) - reference[i]) * (double(test[i]) - reference[i]);
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

// The full-quality output with every sample of a run replaced by the run's first.
std::vector<int16_t> Decimated(const std::vector<int16_t>& pairs, int run) {
    std::vector<int16_t> out(pairs.size());
    for (size_t i = 0; i < pairs.size(); ++i)
        out[i] = pairs[(i / 2) / size_t(run) * size_t(run) * 2 + i % 2];
    return out;
}

TEST(MpegDecoderQuality, ReducedQualitiesRepeatEachSampleAndKeepTheRate) {
    const std::vector<uint8_t> stream = EncodeLame("-b 128 -m j", 44100, 2);
    const TDecoded full = DecodeOurs(stream, smqFull);
    for (auto [quality, run] : {std::pair{smqHalf, 2}, std::pair{smqQuarter, 4}}) {
        const TDecoded reduced = DecodeOurs(stream, quality);
        ASSERT_EQ(reduced.pairs.size(), full.pairs.size());
        size_t unequal = 0;
        for (size_t i = 0; i < reduced.pairs.size(); ++i) {
            const size_t first = (i / 2) / size_t(run) * size_t(run) * 2 + i % 2;
            unequal += reduced.pairs[i] != reduced.pairs[first];
        }
        EXPECT_EQ(unequal, 0u) << "run " << run;
    }
}

TEST(MpegDecoderQuality, ReducedQualitiesStayCloseToTheDecimatedFullOutput) {
    // Below 5 kHz the lower quarter of the subbands carries nearly everything.
    std::vector<int16_t> samples;
    for (int i = 0; i < 44100 * 2; ++i) {
        const double t = i / 44100.0;
        const double v = 0.4 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 1200 * t + 1) +
                         0.1 * std::sin(2 * M_PI * 2500 * t);
        samples.push_back(int16_t(v * 32767));
        samples.push_back(int16_t(v * 24000));
    }
    const std::vector<uint8_t> stream = EncodeLameSamples("-b 192 -m s", samples, 44100, 2);
    const TDecoded full = DecodeOurs(stream, smqFull);
    const double half = SnrDb(Decimated(full.pairs, 2), DecodeOurs(stream, smqHalf).pairs);
    const double quarter = SnrDb(Decimated(full.pairs, 4), DecodeOurs(stream, smqQuarter).pairs);
    std::printf("[ quality ] SNR against the decimated full output: half %.1f dB, quarter %.1f dB\n", half,
                quarter);
    EXPECT_GT(half, 58.0);
    EXPECT_GT(quarter, 50.0);
}

TEST(MpegDecoderOutput, AFullScaleSquareWaveClipsExactlyAtTheLimitsAndIsCounted) {
    std::vector<int16_t> samples;
    for (int i = 0; i < 44100; ++i)
        samples.push_back((i / 50) % 2 ? 32767 : -32768);
    const TDecoded decoded = DecodeOurs(EncodeLameSamples("-b 320 -m m", samples, 44100, 1));
    EXPECT_GT(decoded.clipped, 0);
    const auto [low, high] = std::minmax_element(decoded.pairs.begin(), decoded.pairs.end());
    EXPECT_EQ(*low, -32768);
    EXPECT_EQ(*high, 32767);
    const long atLimits = std::count(decoded.pairs.begin(), decoded.pairs.end(), int16_t(32767)) +
                          std::count(decoded.pairs.begin(), decoded.pairs.end(), int16_t(-32768));
    EXPECT_GE(atLimits, decoded.clipped) << "every clipped sample sits at a limit";
}

TEST(MpegDecoderOutput, ASingleChannelStreamGivesEqualLeftAndRight) {
    for (const auto& stream : {EncodeLame("-b 64 -m m", 44100, 1), EncodeTwolame("-b 96 -m m", 48000, 1),
                               MakeLayer1Stream(TLayer1Options{2, 8, 3, 0, false, 20})}) {
        const TDecoded decoded = DecodeOurs(stream);
        ASSERT_GT(decoded.frames, 0);
        size_t unequal = 0, nonzero = 0;
        for (size_t i = 0; i < decoded.pairs.size(); i += 2) {
            unequal += decoded.pairs[i] != decoded.pairs[i + 1];
            nonzero += decoded.pairs[i] != 0;
        }
        EXPECT_EQ(unequal, 0u);
        EXPECT_GT(nonzero, decoded.pairs.size() / 4);
    }
}

TEST(MpegDecoderReservoir, AStreamCutBeforeAReservoirFrameStartsSilentThenMatches) {
    const std::vector<uint8_t> stream = EncodeLame("-b 128 -m j", 44100, 2);
    const std::vector<size_t> starts = FrameStarts(stream);
    // A frame whose first granule lies wholly in earlier frames' data.
    size_t cut = 0;
    for (size_t k = 4; k < starts.size() && cut == 0; ++k) {
        const uint8_t* body = stream.data() + starts[k] + 4;
        const uint32_t back = BitsAt(body, 0, 9) * 8;
        const uint32_t granule0 = BitsAt(body, SideInfoBit(0, 0), 12) + BitsAt(body, SideInfoBit(0, 1), 12);
        if (back >= granule0 && granule0 > 0) cut = k;
    }
    ASSERT_NE(cut, 0u);
    const TDecoded full = DecodeOurs(stream);
    const TDecoded tail = DecodeOurs(std::vector<uint8_t>(stream.begin() + long(starts[cut]), stream.end()));
    ASSERT_EQ(tail.frames, full.frames - int(cut));
    for (size_t i = 0; i < 576 * 2; ++i)
        ASSERT_EQ(tail.pairs[i], 0) << "sample " << i;
    // Four frames on, the reservoir, the overlap and the synthesis memory agree again.
    const size_t from = 4 * 2304;
    EXPECT_TRUE(std::equal(tail.pairs.begin() + long(from), tail.pairs.end(),
                           full.pairs.begin() + long(cut * 2304 + from)));
}

TEST(MpegDecoderDamage, LayerThreeSideInformationOutOfRangeStaysInsideTheGranule) {
    const std::vector<uint8_t> clean = EncodeLame("-b 128 -m s", 44100, 2, 1.0);
    const std::vector<size_t> starts = FrameStarts(clean);
    using TEdit = std::function<void(uint8_t * body, int at)>;
    const TEdit edits[] = {
        [](uint8_t* b, int at) { SetBits(b, at + 12, 9, 511); }, // big values
        [](uint8_t* b, int at) {
            SetBits(b, at, 12, 4095);
            SetBits(b, at + 12, 9, 511);
        },                       // lengths
        [](uint8_t* b, int at) { // long blocks with region ends past the granule
            SetBits(b, at + 12, 9, 400);
            SetBits(b, at + 33, 1, 0);
            SetBits(b, at + 34, 15, 13 << 10 | 24 << 5 | 31);
            SetBits(b, at + 49, 7, 0x7F);
        },
        [](uint8_t* b, int at) { SetBits(b, at + 33, 3, 0b100); }, // switched window of block type 0
        [](uint8_t* b, int at) { // books without codes and a mixed short block
            SetBits(b, at + 33, 4, 0b1101);
            SetBits(b, at + 37, 10, 4 << 5 | 14);
        },
        [](uint8_t* b, int at) {
            SetBits(b, at + 21, 12, 0xFFF);
            SetBits(b, at + 56, 3, 7);
        },                                                 // gains
        [](uint8_t* b, int at) { SetBits(b, 0, 9, 511); }, // main data far back
    };
    for (size_t e = 0; e < std::size(edits); ++e) {
        std::vector<uint8_t> damaged = clean;
        for (size_t k = 0; k < starts.size(); ++k)
            for (int g = 0; g < 4; ++g)
                edits[e](damaged.data() + starts[k] + 4, SideInfoBit(g / 2, g % 2));
        const TDecoded decoded = DecodeOurs(damaged);
        EXPECT_EQ(decoded.frames, int(starts.size())) << "edit " << e;
    }
}

TEST(MpegDecoderDamage, ForbiddenLayerOneAllocationsDecodeAsSilence) {
    std::vector<uint8_t> stream = MakeLayer1Stream(TLayer1Options{0, 12, 0, 0, false, 4});
    for (size_t at : FrameStarts(stream))
        std::fill(stream.begin() + long(at) + 4, stream.begin() + long(at) + 36, 0xFF);
    const TDecoded decoded = DecodeOurs(stream);
    EXPECT_EQ(decoded.frames, 4);
    EXPECT_TRUE(std::all_of(decoded.pairs.begin(), decoded.pairs.end(), [](int16_t v) { return v == 0; }));
}

TEST(MpegDecoderDamage, RandomByteDamageDecodesToNoiseOrSilence) {
    std::mt19937 random(99);
    for (const auto& clean :
         {EncodeLame("-b 128 -m j", 44100, 2, 1.0), EncodeTwolame("-b 192 -m j", 44100, 2, 1.0),
          MakeLayer1Stream(TLayer1Options{})}) {
        for (int round = 0; round < 5; ++round) {
            std::vector<uint8_t> damaged = clean;
            // The first header stays: a stream has to start with a frame.
            for (size_t i = 0; i < damaged.size() / 50; ++i)
                damaged[4 + random() % (damaged.size() - 4)] = uint8_t(random());
            const TDecoded decoded = DecodeOurs(damaged);
            EXPECT_GT(decoded.frames, 0);
            EXPECT_EQ(decoded.pairs.size() % 768, 0u);
        }
    }
}

} // namespace
