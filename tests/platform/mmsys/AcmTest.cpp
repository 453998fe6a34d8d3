// The compression manager's registry, stream rules and PCM converter.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/mmsys/Acm.h"
#include "tests/platform/mmsys/RiffBuilder.h"

using namespace riff_test;

namespace {

MMRESULT Details(const WAVEFORMATEX& format, std::string* text = nullptr, DWORD size = WAVEFORMATEX_SIZE) {
    ACMFORMATDETAILSA details;
    details.dwFormatTag = format.wFormatTag;
    details.pwfx = &format;
    details.cbwfx = size;
    MMRESULT result = acmFormatDetailsA(nullptr, &details, ACM_FORMATDETAILSF_FORMAT);
    if (text) *text = details.szFormat;
    return result;
}

std::string TagName(DWORD tag) {
    ACMFORMATTAGDETAILSA details;
    details.dwFormatTag = tag;
    return acmFormatTagDetailsA(nullptr, &details, ACM_FORMATTAGDETAILSF_FORMATTAG) == 0 ? details.szFormatTag
                                                                                         : "(none)";
}

// Converts all of input through one PCM stream in chunks of chunkFrames source frames.
std::vector<BYTE> Convert(const WAVEFORMATEX& from, const WAVEFORMATEX& to, const std::vector<BYTE>& input,
                          std::size_t chunkFrames) {
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(acmStreamOpen(&stream, nullptr, &from, &to, nullptr, 0, 0, 0), 0u);
    if (!stream) return {};
    DWORD chunk = DWORD(chunkFrames * from.nBlockAlign), outSize = 0;
    EXPECT_EQ(acmStreamSize(stream, chunk, &outSize, ACM_STREAMSIZEF_SOURCE), 0u);
    std::vector<BYTE> source(chunk), output(outSize), all;
    ACMSTREAMHEADER header;
    header.pbSrc = source.data();
    header.pbDst = output.data();
    header.cbDstLength = outSize;
    EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), 0u);
    for (std::size_t at = 0; at < input.size(); at += chunk) {
        std::size_t take = std::min<std::size_t>(chunk, input.size() - at);
        std::copy_n(input.begin() + long(at), take, source.begin());
        header.cbSrcLength = DWORD(take);
        EXPECT_EQ(acmStreamConvert(stream, &header, at == 0 ? ACM_STREAMCONVERTF_START : 0), 0u);
        EXPECT_EQ(header.cbSrcLengthUsed, take);
        all.insert(all.end(), output.begin(), output.begin() + header.cbDstLengthUsed);
    }
    acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);
    return all;
}

// Frequency of a 16-bit mono signal from its rising zero crossings.
double MeasuredFrequency(const std::vector<short>& samples, DWORD rate) {
    std::size_t first = 0, last = 0, crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    return double(crossings - 1) * rate / double(last - first);
}

WAVEFORMATEX Float(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f = Pcm(channels, rate, bits);
    f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    return f;
}

// An extensible record of the given sample coding, with its 22 extra bytes behind it.
WaveFormatBlock Extensible(WAVEFORMATEX inner, WORD validBits = 0) {
    std::vector<BYTE> extra;
    PutWord(extra, validBits ? validBits : inner.wBitsPerSample);
    PutDword(extra, inner.nChannels == 2 ? 3 : 4); // front left and right, or front centre
    PutWord(extra, inner.wFormatTag);
    for (BYTE b : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
        extra.push_back(b);
    inner.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    inner.cbSize = WORD(extra.size());
    return WaveFormatBlock(inner, extra.data());
}

std::vector<BYTE> Bytes24(std::initializer_list<int> values) {
    std::vector<BYTE> out;
    for (int v : values)
        for (int i = 0; i < 3; ++i)
            out.push_back(BYTE(unsigned(v) >> (8 * i)));
    return out;
}

template <class T> std::vector<BYTE> RawBytes(std::initializer_list<T> values) {
    std::vector<BYTE> out(values.size() * sizeof(T));
    std::memcpy(out.data(), values.begin(), out.size());
    return out;
}

} // namespace

TEST(AcmRegistry, ReadsFloatAndExtensibleFormatsOfOneOrTwoChannels) {
    EXPECT_EQ(TagName(WAVE_FORMAT_IEEE_FLOAT), "IEEE Float");
    EXPECT_EQ(TagName(WAVE_FORMAT_EXTENSIBLE), "Extensible");
    std::string text;
    EXPECT_EQ(Details(Float(2, 48000, 32), &text), 0u);
    EXPECT_EQ(text, "48000 Hz, 32 Bit, Stereo");
    EXPECT_EQ(Details(Float(1, 48000, 64)), 0u);
    EXPECT_NE(Details(Float(1, 48000, 16)), 0u);

    auto detailsOf = [](const WaveFormatBlock& block, DWORD size) {
        return Details(*block.Format(), nullptr, size);
    };
    const WaveFormatBlock pcm24 = Extensible(Pcm(2, 44100, 24));
    EXPECT_EQ(detailsOf(pcm24, DWORD(pcm24.Size())), 0u);
    EXPECT_NE(detailsOf(pcm24, WAVEFORMATEX_SIZE), 0u) << "the sub-format is not there";
    EXPECT_EQ(detailsOf(Extensible(Pcm(2, 44100, 24), 20), DWORD(pcm24.Size())), 0u);
    EXPECT_NE(detailsOf(Extensible(Pcm(2, 44100, 24), 25), DWORD(pcm24.Size())), 0u);
    EXPECT_EQ(detailsOf(Extensible(Float(1, 8000, 32)), DWORD(pcm24.Size())), 0u);
    WAVEFORMATEX adpcm = Pcm(1, 8000, 4);
    adpcm.wFormatTag = WAVE_FORMAT_ADPCM;
    EXPECT_NE(detailsOf(Extensible(adpcm), DWORD(pcm24.Size())), 0u);
    EXPECT_NE(detailsOf(Extensible(Pcm(6, 44100, 24)), DWORD(pcm24.Size())), 0u);
    WaveFormatBlock strange = Extensible(Pcm(2, 44100, 24));
    strange.Extra()[20] = 0x72; // the sub-format of someone else's identifier
    EXPECT_NE(detailsOf(strange, DWORD(strange.Size())), 0u);
}

// Half a 16-bit step rounds up, the top of the range clips; floats take 32768 steps to full
// scale and round ties to even, and what is not a number is silence.
TEST(AcmPcmConversion, RoundsWideIntegersAndFloatsToSixteenBitsAndClips) {
    const std::vector<short> fromInt24 = Samples(
        Convert(Pcm(1, 8000, 24), Pcm(1, 8000, 16),
                Bytes24({0x7FFFFF, 0x7FFF7F, 0x000080, 0x00007F, -0x80, -0x81, -0x800000, 0x1234C0}), 8));
    EXPECT_EQ(fromInt24, (std::vector<short>{32767, 32767, 1, 0, 0, -1, -32768, 0x1234 + 1}));
    const std::vector<short> fromInt32 =
        Samples(Convert(Pcm(1, 8000, 32), Pcm(1, 8000, 16),
                        RawBytes<std::int32_t>({0x7FFFFFFF, 0x8000, 0x7FFF, -0x8001, INT32_MIN}), 5));
    EXPECT_EQ(fromInt32, (std::vector<short>{32767, 1, 0, -1, -32768}));
    const float nan = std::nanf("");
    const std::vector<short> fromFloat =
        Samples(Convert(Float(1, 8000, 32), Pcm(1, 8000, 16),
                        RawBytes<float>({1.0f, -1.0f, 2.5f, -7.0f, 0.5f / 32768, 1.5f / 32768, -1.5f / 32768,
                                         nan, 0.25f, INFINITY}),
                        10));
    EXPECT_EQ(fromFloat, (std::vector<short>{32767, -32768, 32767, -32768, 0, 2, -2, 0, 8192, 32767}));
    const std::vector<short> fromDouble = Samples(Convert(
        Float(1, 8000, 64), Pcm(1, 8000, 16), RawBytes<double>({0.999, -0.5, 3.5 / 32768, 1e300}), 4));
    EXPECT_EQ(fromDouble, (std::vector<short>{32735, -16384, 4, 32767}));
}

TEST(AcmPcmConversion, ReadsExtensibleRecordsAsTheirSampleCoding) {
    const WaveFormatBlock int24 = Extensible(Pcm(2, 8000, 24));
    const std::vector<short> stereo =
        Samples(Convert(*int24.Format(), Pcm(2, 8000, 16), Bytes24({0x000180, -0x000180}), 1));
    EXPECT_EQ(stereo, (std::vector<short>{2, -1}));
    const WaveFormatBlock float32 = Extensible(Float(2, 8000, 32));
    const std::vector<BYTE> eightBit =
        Convert(*float32.Format(), Pcm(1, 8000, 8), RawBytes<float>({0.5f, 0.25f}), 1);
    EXPECT_EQ(eightBit, (std::vector<BYTE>{0x80 + 0x30})) << "mixed down to 12288, high byte kept";
}

TEST(AcmRegistry, NamesItsFormatsAndRefusesMpeg) {
    EXPECT_EQ(TagName(WAVE_FORMAT_PCM), "PCM");
    EXPECT_EQ(TagName(WAVE_FORMAT_IMA_ADPCM), "IMA ADPCM");
    EXPECT_EQ(TagName(WAVE_FORMAT_GSM610), "GSM 6.10");
    EXPECT_EQ(TagName(WAVE_FORMAT_ALAW), "CCITT A-Law");
    EXPECT_EQ(TagName(WAVE_FORMAT_MPEGLAYER3), "(none)");
    EXPECT_EQ(TagName(WAVE_FORMAT_MPEG), "(none)");

    std::string text;
    EXPECT_EQ(Details(Pcm(2, 22050, 16), &text), 0u);
    EXPECT_EQ(text, "22050 Hz, 16 Bit, Stereo");
    WAVEFORMATEX mp3 = Pcm(2, 44100, 16);
    mp3.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    EXPECT_EQ(Details(mp3), ACMERR_NOTPOSSIBLE);
}

TEST(AcmRegistry, RefusesFormatsThatDoNotAddUp) {
    WAVEFORMATEX zeroRate = Pcm(1, 8000, 8);
    zeroRate.nSamplesPerSec = 0;
    EXPECT_NE(Details(zeroRate), 0u);
    WAVEFORMATEX badAlign = Pcm(2, 8000, 16);
    badAlign.nBlockAlign = 3;
    EXPECT_NE(Details(badAlign), 0u);
    WAVEFORMATEX carelessByteRate = Pcm(2, 8000, 16);
    carelessByteRate.nAvgBytesPerSec = 1234;
    EXPECT_EQ(Details(carelessByteRate), 0u) << "a file's byte rate is not needed to read it";
    WAVEFORMATEX sixChannels = Pcm(6, 8000, 16);
    EXPECT_NE(Details(sixChannels), 0u);
    WAVEFORMATEX ima = Pcm(1, 8000, 4);
    ima.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    ima.nBlockAlign = 256;
    ima.nAvgBytesPerSec = 4055;
    EXPECT_EQ(Details(ima), 0u);
    ima.nBlockAlign = 3; // shorter than its own header
    EXPECT_NE(Details(ima), 0u);
}

TEST(AcmStreamOpen, DecodesCompressedDataOnlyToSixteenBitsAtItsOwnShape) {
    WAVEFORMATEX alaw = Pcm(1, 8000, 8);
    alaw.wFormatTag = WAVE_FORMAT_ALAW;
    WAVEFORMATEX same = Pcm(1, 8000, 16);
    WAVEFORMATEX faster = Pcm(1, 22050, 16);
    WAVEFORMATEX narrow = Pcm(1, 8000, 8);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &alaw, &same, nullptr, 0, 0, ACM_STREAMOPENF_QUERY), 0u);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &alaw, &faster, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
              ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &alaw, &narrow, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
              ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &narrow, &faster, nullptr, 0, 0, ACM_STREAMOPENF_QUERY), 0u);
}

TEST(AcmPcmConversion, NarrowsAndMixesDownAsTheEnginesDo) {
    // Two stereo frames: (1000, -3001) and (-32768, 32767).
    std::vector<BYTE> input;
    for (int v : {1000, -3001, -32768, 32767})
        PutWord(input, unsigned(short(v)) & 0xFFFF);
    auto mono16 = Samples(Convert(Pcm(2, 8000, 16), Pcm(1, 8000, 16), input, 2));
    EXPECT_EQ(mono16, (std::vector<short>{-1000, 0}));
    auto stereo8 = Convert(Pcm(2, 8000, 16), Pcm(2, 8000, 8), input, 2);
    EXPECT_EQ(stereo8, (std::vector<BYTE>{0x83, 0x74, 0x00, 0xFF}));
    auto widened = Samples(Convert(Pcm(1, 8000, 8), Pcm(2, 8000, 16), {0x00, 0x80, 0xFF}, 3));
    EXPECT_EQ(widened, (std::vector<short>{-32768, -32768, 0, 0, 32512, 32512}));
}

TEST(AcmPcmConversion, KeepsLengthWithinOneFrameAndPitchWithinATenthOfAPercent) {
    struct Rates {
        DWORD from, to;
    };
    for (Rates r : {Rates{44100, 22050}, Rates{22050, 44100}, Rates{48000, 22050}, Rates{8000, 22050},
                    Rates{11025, 8000}}) {
        auto tone = Tone(r.from, 1, 1000, 2.0);
        auto out = Samples(Convert(Pcm(1, r.from, 16), Pcm(1, r.to, 16), tone, 4093));
        double expectedFrames = 2.0 * r.to;
        EXPECT_LE(std::abs(double(out.size()) - expectedFrames), 1.0) << r.from << " to " << r.to;
        EXPECT_NEAR(MeasuredFrequency(out, r.to), 1000.0, 1.0) << r.from << " to " << r.to;
    }
}

TEST(AcmPcmConversion, GivesTheSameOutputForAnyChunkSplit) {
    auto tone = Tone(44100, 2, 440, 0.5);
    auto whole = Convert(Pcm(2, 44100, 16), Pcm(1, 22050, 8), tone, 1 << 20);
    ASSERT_EQ(whole.size(), 11025u);
    for (std::size_t frames : {1u, 7u, 333u, 4096u})
        EXPECT_EQ(Convert(Pcm(2, 44100, 16), Pcm(1, 22050, 8), tone, frames), whole) << frames;
    auto up = Convert(Pcm(1, 8000, 16), Pcm(2, 22050, 16), Tone(8000, 1, 440, 0.5), 1 << 20);
    for (std::size_t frames : {1u, 13u, 999u})
        EXPECT_EQ(Convert(Pcm(1, 8000, 16), Pcm(2, 22050, 16), Tone(8000, 1, 440, 0.5), frames), up)
            << frames;
}

TEST(AcmStreamSize, SourceSizeAlwaysFitsTheDestination) {
    HACMSTREAM stream = nullptr;
    WAVEFORMATEX from = Pcm(2, 44100, 16), to = Pcm(1, 48000, 8);
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, &from, &to, nullptr, 0, 0, 0), 0u);
    DWORD source = 0;
    ASSERT_EQ(acmStreamSize(stream, 32768, &source, ACM_STREAMSIZEF_DESTINATION), 0u);
    EXPECT_EQ(source % 4, 0u);
    std::vector<BYTE> in(source, 0x11), out(32768);
    ACMSTREAMHEADER header;
    header.pbSrc = in.data();
    header.cbSrcLength = source;
    header.pbDst = out.data();
    header.cbDstLength = 32768;
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), ACMERR_UNPREPARED);
    ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), 0u);
    for (int round = 0; round < 5; ++round) {
        ASSERT_EQ(acmStreamConvert(stream, &header, 0), 0u);
        EXPECT_EQ(header.cbSrcLengthUsed, source);
        EXPECT_LE(header.cbDstLengthUsed, 32768u);
    }
    acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);
}
