// The compression manager's registry, stream rules and PCM converter.
#include <gtest/gtest.h>

#include <cmath>

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

} // namespace

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
