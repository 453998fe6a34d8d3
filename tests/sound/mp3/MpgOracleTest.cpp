// Accuracy of our decoder against two independent decoders on streams made at test time.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "MpegTestSupport.h"

using namespace mp3test;

namespace {

struct TOracleCase {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
};

void PrintTo(const TOracleCase& c, std::ostream* os) {
    *os << c.name;
}

class OracleAccuracy : public testing::TestWithParam<TOracleCase> {};

void ExpectAccurate(const char* oracle, const TDecoded& ours, const std::vector<float>& reference) {
    const TAccuracy a = Compare(ours.pairs, reference);
    std::printf("[ accuracy ] %-28s vs %-7s rms %.4f max %.4f over %zu samples\n",
                testing::UnitTest::GetInstance()->current_test_info()->name(), oracle, a.rms, a.maxDiff,
                a.compared);
    EXPECT_EQ(a.lengthOurs, a.lengthReference) << oracle << ": both decode every frame, lag 0";
    EXPECT_GT(a.compared, a.lengthOurs * 9 / 10) << oracle;
    EXPECT_LT(a.rms, kAccuracyLimit) << oracle;
    EXPECT_LT(a.maxDiff, 4.0) << oracle;
}

TEST_P(OracleAccuracy, MatchesFfmpegAndLibmadAtLagZero) {
    const std::vector<uint8_t> stream = GetParam().make();
    ASSERT_GT(stream.size(), 1000u);
    const TDecoded ours = DecodeOurs(stream);
    ASSERT_GT(ours.frames, 10);
    ExpectAccurate("ffmpeg", ours, DecodeFfmpeg(stream));
    ExpectAccurate("libmad", ours, DecodeLibmad(stream));
}

TLayer1Options Layer1(int samplingIndex, int mode, int modeExt, bool crc, int bitrateIndex = 12) {
    TLayer1Options options;
    options.samplingIndex = samplingIndex;
    options.mode = mode;
    options.modeExt = modeExt;
    options.crc = crc;
    options.bitrateIndex = bitrateIndex;
    return options;
}

const TOracleCase kCases[] = {
    {"Layer1Stereo44k", [] { return MakeLayer1Stream(Layer1(0, 0, 0, false)); }},
    {"Layer1JointCrc48k", [] { return MakeLayer1Stream(Layer1(1, 1, 1, true)); }},
    {"Layer1JointBound4At32k", [] { return MakeLayer1Stream(Layer1(2, 1, 0, false, 14)); }},
    {"Layer1Mono32k", [] { return MakeLayer1Stream(Layer1(2, 3, 0, false, 8)); }},
    {"Layer1Dual44k", [] { return MakeLayer1Stream(Layer1(0, 2, 0, true)); }},
    {"Layer2Stereo192k", [] { return EncodeTwolame("-b 192 -m s", 44100, 2); }},
    {"Layer2Joint128k48k", [] { return EncodeTwolame("-b 128 -m j", 48000, 2); }},
    {"Layer2JointLowRate32k", [] { return EncodeTwolame("-b 64 -m j", 32000, 2); }},
    {"Layer2MonoCrc32k", [] { return EncodeTwolame("-b 64 -m m -p", 32000, 1); }},
    {"Layer2DualCrc384k", [] { return EncodeTwolame("-b 384 -m d -p", 44100, 2); }},
    {"Layer2NarrowTable48k", [] { return EncodeTwolame("-b 48 -m m", 48000, 1); }},
    {"Layer3Joint128k", [] { return EncodeLame("-b 128 -m j", 44100, 2); }},
    {"Layer3StereoCrc320k48k", [] { return EncodeLame("-b 320 -m s -p", 48000, 2); }},
    {"Layer3Vbr32k", [] { return EncodeLame("-V 2", 32000, 2); }},
    {"Layer3Mono64k", [] { return EncodeLame("-b 64 -m m", 44100, 1); }},
    {"Layer3Dual160k", [] { return EncodeLame("-b 160 -m d", 44100, 2); }},
    {"Layer3MidSide160k", [] { return EncodeLame("-b 160 -m f", 44100, 2); }},
    {"Layer3NoReservoir96k", [] { return EncodeLame("-b 96 -m j --nores", 44100, 2); }},
    {"Layer3Intensity96k32k", [] { return WithIntensityStereo(EncodeLame("-b 96 -m j", 32000, 2)); }},
    {"Layer3IntensityShort48k", [] { return WithIntensityStereo(EncodeLame("-b 112 -m j", 48000, 2)); }},
};

INSTANTIATE_TEST_SUITE_P(Streams, OracleAccuracy, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TOracleCase>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
