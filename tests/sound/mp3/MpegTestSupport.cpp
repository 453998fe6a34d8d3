#include "MpegTestSupport.h"

#include <mad.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "sound/MpgDecoder.h"
#include "sound/MpgFrame.h"

namespace mp3test {

namespace {

int counter = 0;

void Run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

void PutText(std::vector<uint8_t>& out, const char* text) {
    for (const char* c = text; *c; ++c)
        out.push_back(uint8_t(*c));
}

class TBitWriter {
public:
    explicit TBitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ == 0) out_.push_back(0);
            if ((value >> i) & 1) out_.back() |= uint8_t(0x80 >> used_);
            used_ = (used_ + 1) & 7;
        }
    }

private:
    std::vector<uint8_t>& out_;
    int used_ = 0;
};

// CRC-16 (polynomial 0x8005, start 0xFFFF) over bits of a byte string.
uint16_t Crc16(const uint8_t* bytes, size_t bitCount, uint16_t crc) {
    for (size_t i = 0; i < bitCount; ++i) {
        const bool bit = (bytes[i / 8] >> (7 - i % 8)) & 1;
        const bool top = (crc & 0x8000) != 0;
        crc = uint16_t(crc << 1);
        if (bit != top) crc ^= 0x8005;
    }
    return crc;
}

} // namespace

std::string TempFile(const std::string& name) {
    return std::string(VX_TEST_TMP) + "/" + name;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<int16_t> TestSignal(int rate, int channels, double seconds) {
    std::minstd_rand noise(12345);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    const int frames = int(rate * seconds);
    std::vector<int16_t> samples;
    samples.reserve(size_t(frames * channels));
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const bool burst = std::fmod(t, 0.5) > 0.25 && std::fmod(t, 0.5) < 0.3;
        const double n = burst ? 0.35 * uniform(noise) : 0.0;
        const double left = 0.3 * std::sin(2 * M_PI * 440 * t) + 0.12 * std::sin(2 * M_PI * 3150 * t) + n;
        const double right = 0.25 * std::sin(2 * M_PI * 660 * t) + 0.5 * left + 0.6 * n;
        samples.push_back(int16_t(std::lround(left * 32767)));
        if (channels == 2) samples.push_back(int16_t(std::lround(right * 32767)));
    }
    return samples;
}

void WriteWav(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate) {
    std::vector<uint8_t> out;
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    PutText(out, "RIFF");
    PutLe(out, 36 + dataBytes, 4);
    PutText(out, "WAVEfmt ");
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, uint32_t(channels), 2);
    PutLe(out, uint32_t(rate), 4);
    PutLe(out, uint32_t(rate * channels * 2), 4);
    PutLe(out, uint32_t(channels * 2), 2);
    PutLe(out, 16, 2);
    PutText(out, "data");
    PutLe(out, dataBytes, 4);
    for (int16_t s : samples)
        PutLe(out, uint16_t(s), 2);
    WriteBytes(path, out);
}

namespace {

std::vector<uint8_t> Encode(const std::string& tool, const std::string& options,
                            const std::vector<int16_t>& samples, int rate, int channels) {
    const std::string id = std::to_string(++counter);
    const std::string wav = TempFile("signal" + id + ".wav");
    const std::string out = TempFile("stream" + id + ".mpa");
    WriteWav(wav, samples, channels, rate);
    Run(tool + " " + options + " '" + wav + "' '" + out + "'");
    return ReadBytes(out);
}

} // namespace

std::vector<uint8_t> EncodeLame(const std::string& options, int rate, int channels, double seconds) {
    return EncodeLameSamples(options, TestSignal(rate, channels, seconds), rate, channels);
}

std::vector<uint8_t> EncodeLameSamples(const std::string& options, const std::vector<int16_t>& samples,
                                       int rate, int channels) {
    return Encode("lame -t --quiet", options, samples, rate, channels);
}

std::vector<uint8_t> EncodeTwolame(const std::string& options, int rate, int channels, double seconds) {
    return Encode("twolame --quiet", options, TestSignal(rate, channels, seconds), rate, channels);
}

std::vector<uint8_t> MakeLayer1Stream(const TLayer1Options& options) {
    static const int kBitrates[15] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
    static const int kRates[3] = {44100, 48000, 32000};
    std::mt19937 random(777u + unsigned(options.mode * 16 + options.samplingIndex));
    std::vector<uint8_t> stream;
    const int channels = options.mode == 3 ? 1 : 2;
    const int bound = options.mode == 1 ? 4 * (options.modeExt + 1) : 32;
    const size_t bytes = size_t(12000 * kBitrates[options.bitrateIndex] / kRates[options.samplingIndex]) * 4;
    for (int n = 0; n < options.frames;) {
        std::vector<uint8_t> frame;
        TBitWriter bits(frame);
        bits.Put(0xFFF, 12);
        bits.Put(1, 1);
        bits.Put(3, 2);
        bits.Put(options.crc ? 0 : 1, 1);
        bits.Put(uint32_t(options.bitrateIndex), 4);
        bits.Put(uint32_t(options.samplingIndex), 2);
        bits.Put(0, 2);
        bits.Put(uint32_t(options.mode), 2);
        bits.Put(uint32_t(options.modeExt), 2);
        bits.Put(0, 4);
        if (options.crc) bits.Put(0, 16);
        // Allocations thin out towards the high subbands, as an encoder's would.
        int nb[2][32] = {};
        const size_t allocStart = frame.size();
        for (int sb = 0; sb < 32; ++sb) {
            const int top = sb < 8 ? 14 : sb < 20 ? 8 : 3;
            for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) {
                const int allocation = int(random() % unsigned(top + 1));
                bits.Put(uint32_t(allocation), 4);
                nb[ch][sb] = allocation == 0 ? 0 : allocation + 1;
                if (sb >= bound) nb[1][sb] = nb[0][sb];
            }
        }
        const size_t allocBits = (frame.size() - allocStart) * 8;
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                if (nb[ch][sb]) bits.Put(18 + random() % 30, 6);
        for (int slot = 0; slot < 12; ++slot)
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch)
                    if (nb[ch][sb]) bits.Put(uint32_t(random() % ((1u << nb[ch][sb]) - 1)), nb[ch][sb]);
        if (frame.size() > bytes) continue; // too many bits drawn: draw the frame again
        frame.resize(bytes, 0);
        ++n;
        if (options.crc) {
            const uint16_t crc = Crc16(frame.data() + 6, allocBits, Crc16(frame.data() + 2, 16, 0xFFFF));
            frame[4] = uint8_t(crc >> 8);
            frame[5] = uint8_t(crc);
        }
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    return stream;
}

std::vector<uint8_t> WithIntensityStereo(std::vector<uint8_t> stream) {
    TMpegFrameReader reader;
    reader.Attach(stream.data(), stream.size());
    TMpegFrame frame;
    size_t position = reader.Position();
    std::vector<size_t> joint;
    while (reader.ReadFrame(frame)) {
        if (frame.mode == kMpegModeJoint) joint.push_back(position);
        position = reader.Position();
    }
    for (size_t at : joint)
        stream[at + 3] |= 0x10;
    return stream;
}

TDecoded DecodeOurs(const std::vector<uint8_t>& stream, TSndMP3Quality quality) {
    TMpegFrameReader reader;
    reader.Attach(stream.data(), stream.size());
    TMpegDecoder decoder;
    decoder.SetQuality(quality);
    TDecoded decoded;
    TMpegFrame frame;
    int16_t out[TMpegDecoder::kMaxPairs * 2];
    while (reader.ReadFrame(frame)) {
        decoded.clipped += decoder.DecodeFrame(frame, reader.Body(), reader.BodySize(), out);
        decoded.pairs.insert(decoded.pairs.end(), out, out + MpegFramePairs(frame) * 2);
        ++decoded.frames;
    }
    return decoded;
}

std::vector<float> DecodeFfmpeg(const std::vector<uint8_t>& stream) {
    const std::string id = std::to_string(++counter);
    const std::string in = TempFile("oracle" + id + ".wav");
    const std::string out = TempFile("oracle" + id + ".f32");
    // Wrapped in a WAVE file, every frame reaches ffmpeg's decoder: its raw MPEG reader
    // would take a first frame it doubts for junk and skip it.
    TMpegFrameReader reader;
    reader.Attach(stream.data(), stream.size());
    TMpegFrame frame;
    if (!reader.ReadFrame(frame)) return {};
    std::vector<uint8_t> wave;
    PutText(wave, "RIFF");
    PutLe(wave, uint32_t(4 + 8 + 18 + 8 + stream.size()), 4);
    PutText(wave, "WAVEfmt ");
    PutLe(wave, 18, 4);
    PutLe(wave, 0x55, 2);
    PutLe(wave, uint32_t(frame.channels), 2);
    PutLe(wave, uint32_t(MpegSamplingRate(frame)), 4);
    PutLe(wave, uint32_t(MpegBitrate(frame) * 125), 4);
    PutLe(wave, 1, 2);
    PutLe(wave, 0, 2);
    PutLe(wave, 0, 2);
    PutText(wave, "data");
    PutLe(wave, uint32_t(stream.size()), 4);
    WriteBytes(in, wave);
    std::ofstream(in, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(stream.data()), std::streamsize(stream.size()));
    // The pan filter copies channels without any mixing gain; a single channel goes to both.
    Run("ffmpeg -v error -y -i '" + in +
        "' -f f32le -af 'pan=stereo|c0=c0|c1=" + (frame.channels == 1 ? "c0" : "c1") + "' '" + out + "'");
    const std::vector<uint8_t> bytes = ReadBytes(out);
    std::vector<float> samples(bytes.size() / 4);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 4);
    return samples;
}

std::vector<float> DecodeLibmad(const std::vector<uint8_t>& stream) {
    std::vector<uint8_t> buffer(stream);
    buffer.resize(stream.size() + MAD_BUFFER_GUARD, 0);
    mad_stream madStream;
    mad_frame madFrame;
    mad_synth madSynth;
    mad_stream_init(&madStream);
    mad_frame_init(&madFrame);
    mad_synth_init(&madSynth);
    mad_stream_buffer(&madStream, buffer.data(), buffer.size());
    std::vector<float> samples;
    for (;;) {
        if (mad_frame_decode(&madFrame, &madStream) != 0) {
            if (MAD_RECOVERABLE(madStream.error)) continue;
            break;
        }
        mad_synth_frame(&madSynth, &madFrame);
        const mad_pcm& pcm = madSynth.pcm;
        for (unsigned i = 0; i < pcm.length; ++i) {
            const float left = float(pcm.samples[0][i]) / float(1 << MAD_F_FRACBITS);
            const float right =
                pcm.channels == 2 ? float(pcm.samples[1][i]) / float(1 << MAD_F_FRACBITS) : left;
            samples.push_back(left);
            samples.push_back(right);
        }
    }
    mad_synth_finish(&madSynth);
    mad_frame_finish(&madFrame);
    mad_stream_finish(&madStream);
    return samples;
}

TAccuracy Compare(const std::vector<int16_t>& ours, const std::vector<float>& reference) {
    TAccuracy accuracy;
    accuracy.lengthOurs = ours.size();
    accuracy.lengthReference = reference.size();
    double sum = 0;
    const size_t n = std::min(ours.size(), reference.size());
    for (size_t i = 0; i < n; ++i) {
        const double expected = double(reference[i]) * 32768.0;
        if (expected >= 32767.0 || expected <= -32768.0) continue;
        const double diff = std::fabs(double(ours[i]) - expected);
        sum += diff * diff;
        accuracy.maxDiff = std::max(accuracy.maxDiff, diff);
        ++accuracy.compared;
    }
    accuracy.rms = accuracy.compared ? std::sqrt(sum / double(accuracy.compared)) : 0.0;
    return accuracy;
}

} // namespace mp3test
