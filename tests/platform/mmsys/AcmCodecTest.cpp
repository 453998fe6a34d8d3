// The codec stage against two independent decoders: each compressed format decodes to the
// very samples the command-line tools give, whatever the chunking.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/mmsys/Acm.h"
#include "platform/mmsys/Mmio.h"
#include "tests/platform/mmsys/RiffBuilder.h"

using namespace riff_test;

namespace {

struct CodecCase {
    const char* name;
    const char* soxEncoding; // sox's -e value
    int rate;
    int channels;
    // ffmpeg's two ADPCM decoders round each step's difference their own way, so their
    // samples drift from the reference algorithm (which sox follows) by a few steps within a
    // block; for those it is held to a bound, bit-exactness is checked against sox.
    bool ffmpegExact;
};

const CodecCase Codecs[] = {
    {"alaw", "a-law", 8000, 1, true},        {"ulaw", "u-law", 8000, 2, true},
    {"ima", "ima-adpcm", 22050, 1, false},   {"imastereo", "ima-adpcm", 11025, 2, false},
    {"adpcm", "ms-adpcm", 22050, 1, false},  {"adpcmstereo", "ms-adpcm", 8000, 2, false},
    {"gsm", "gsm-full-rate", 8000, 1, true},
};

// Makes a compressed test file from a chirp with some noise in it, so that every predictor
// and step size of the codec is exercised.
std::string MakeCodecFile(const CodecCase& c) {
    std::string path = TempPath(std::string("codec_") + c.name + ".wav");
    std::string command = "sox -R -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) +
                          " -e " + c.soxEncoding + " " + path +
                          " synth 1.3 sine 200-3000 synth 1.3 pinknoise mix vol 0.7";
    return Run(command) ? path : std::string();
}

std::vector<short> DecodeWithSox(const std::string& path) {
    std::string out = path + ".sox.raw";
    if (!Run("sox " + path + " -t raw -e signed -b 16 -L " + out)) return {};
    return Samples(ReadFile(out));
}

std::vector<short> DecodeWithFfmpeg(const std::string& path) {
    std::string out = path + ".ff.raw";
    if (!Run("ffmpeg -y -v error -i " + path + " -f s16le -acodec pcm_s16le " + out)) return {};
    return Samples(ReadFile(out));
}

// The format and data chunk of a WAVE file, read with the chunk walker.
bool ReadWave(const std::string& path, WaveFormatBlock& format, std::vector<BYTE>& data) {
    HMMIO file = mmioOpenA(path.c_str(), nullptr, MMIO_ALLOCBUF);
    if (!file) return false;
    MMCKINFO riff, fmt, chunk;
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    bool ok =
        mmioDescend(file, &riff, nullptr, 0) == 0 && mmioDescend(file, &fmt, &riff, MMIO_FINDCHUNK) == 0;
    std::vector<BYTE> body(ok ? fmt.cksize : 0);
    ok = ok && mmioRead(file, body.data(), LONG(body.size())) == LONG(body.size()) && body.size() >= 18;
    if (ok) {
        WAVEFORMATEX record;
        record.wFormatTag = WORD(body[0] | body[1] << 8);
        record.nChannels = WORD(body[2] | body[3] << 8);
        record.nSamplesPerSec = DWORD(body[4] | body[5] << 8 | body[6] << 16);
        record.nAvgBytesPerSec = DWORD(body[8] | body[9] << 8 | body[10] << 16);
        record.nBlockAlign = WORD(body[12] | body[13] << 8);
        record.wBitsPerSample = WORD(body[14] | body[15] << 8);
        record.cbSize = WORD(body[16] | body[17] << 8);
        format = WaveFormatBlock(record, body.data() + 18);
        ok = mmioAscend(file, &fmt, 0) == 0 && mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == 0;
    }
    if (ok) {
        data.resize(chunk.cksize);
        ok = mmioRead(file, data.data(), LONG(data.size())) == LONG(data.size());
    }
    mmioClose(file, 0);
    return ok;
}

// Decodes the file's data chunk through one ACM stream, chunk blocks at a time.
std::vector<short> DecodeWithAcm(const std::string& path, std::size_t chunkBlocks) {
    WaveFormatBlock format;
    std::vector<BYTE> data;
    if (!ReadWave(path, format, data)) return {};
    WAVEFORMATEX pcm = Pcm(format.Format()->nChannels, format.Format()->nSamplesPerSec, 16);
    HACMSTREAM stream = nullptr;
    if (acmStreamOpen(&stream, nullptr, format.Format(), &pcm, nullptr, 0, 0, 0) != 0) return {};
    std::size_t chunk = chunkBlocks * format.Format()->nBlockAlign;
    DWORD outSize = 0;
    acmStreamSize(stream, DWORD(chunk), &outSize, ACM_STREAMSIZEF_SOURCE);
    std::vector<BYTE> source(chunk), output(outSize), all;
    ACMSTREAMHEADER header;
    header.pbSrc = source.data();
    header.cbSrcLength = DWORD(chunk);
    header.pbDst = output.data();
    header.cbDstLength = outSize;
    acmStreamPrepareHeader(stream, &header, 0);
    DWORD flags = ACM_STREAMCONVERTF_START;
    for (std::size_t at = 0; at < data.size(); at += chunk) {
        std::size_t take = std::min(chunk, data.size() - at);
        std::copy_n(data.begin() + long(at), take, source.begin());
        header.cbSrcLength = DWORD(take);
        bool last = at + take == data.size();
        if (acmStreamConvert(stream, &header,
                             flags | (last ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN)) != 0)
            break;
        flags = 0;
        all.insert(all.end(), output.begin(), output.begin() + header.cbDstLengthUsed);
    }
    acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);
    return Samples(all);
}

// The peers may stop at the sample count the file states while the stream decodes whole
// blocks; the samples both give must be the same.
void ExpectSamePrefix(const std::vector<short>& ours, const std::vector<short>& peer, const char* peerName,
                      std::size_t blockSamples) {
    ASSERT_FALSE(peer.empty()) << peerName;
    ASSERT_GE(ours.size() + blockSamples, peer.size()) << peerName;
    std::size_t common = std::min(ours.size(), peer.size());
    ASSERT_GT(common, ours.size() - std::min(ours.size(), blockSamples)) << peerName;
    auto mismatch = std::mismatch(ours.begin(), ours.begin() + long(common), peer.begin());
    EXPECT_EQ(mismatch.first, ours.begin() + long(common))
        << peerName << " differs at sample " << (mismatch.first - ours.begin());
}

// Same length as the peer within a block, and no sample further off than maxDifference, with
// a mean difference below a sixteenth of it.
void ExpectClose(const std::vector<short>& ours, const std::vector<short>& peer, int maxDifference) {
    ASSERT_FALSE(peer.empty());
    std::size_t common = std::min(ours.size(), peer.size());
    ASSERT_GT(common, peer.size() * 9 / 10);
    long long total = 0;
    int worst = 0;
    for (std::size_t i = 0; i < common; ++i) {
        int difference = std::abs(ours[i] - peer[i]);
        worst = std::max(worst, difference);
        total += difference;
    }
    EXPECT_LE(worst, maxDifference);
    EXPECT_LE(total / (long long)common, maxDifference / 16);
}

class AcmCodecPeers : public testing::TestWithParam<CodecCase> {};

} // namespace

TEST_P(AcmCodecPeers, DecodesBitExactLikeSoxAndFfmpeg) {
    const CodecCase& c = GetParam();
    std::string path = MakeCodecFile(c);
    ASSERT_FALSE(path.empty()) << "sox could not encode " << c.name;
    std::vector<short> ours = DecodeWithAcm(path, 7);
    ASSERT_FALSE(ours.empty());
    std::size_t blockSamples = 1000 * std::size_t(c.channels) * 2;
    ExpectSamePrefix(ours, DecodeWithSox(path), "sox", blockSamples);
    if (c.ffmpegExact)
        ExpectSamePrefix(ours, DecodeWithFfmpeg(path), "ffmpeg", blockSamples);
    else
        ExpectClose(ours, DecodeWithFfmpeg(path), 512);
}

TEST_P(AcmCodecPeers, GivesTheSameSamplesForAnyChunking) {
    std::string path = MakeCodecFile(GetParam());
    ASSERT_FALSE(path.empty());
    std::vector<short> whole = DecodeWithAcm(path, 100000);
    ASSERT_FALSE(whole.empty());
    for (std::size_t blocks : {1u, 3u, 64u})
        EXPECT_EQ(DecodeWithAcm(path, blocks), whole) << blocks << " blocks per chunk";
}

INSTANTIATE_TEST_SUITE_P(Codecs, AcmCodecPeers, testing::ValuesIn(Codecs),
                         [](const testing::TestParamInfo<CodecCase>& param) {
                             return std::string(param.param.name);
                         });
