#pragma once
// Test streams and reference decoders for the MPEG decoder tests: signals written as WAV,
// encoded at test time with lame and twolame, a generator of layer I frames, our decoder,
// and two independent decoders (ffmpeg's command line and libmad) as oracles.
#include <cstdint>
#include <string>
#include <vector>

#include "sound/MpgSynth.h"

namespace mp3test {

std::string TempFile(const std::string& name);
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Two sines per channel with noise bursts every half second (transients for short blocks).
std::vector<int16_t> TestSignal(int rate, int channels, double seconds);
void WriteWav(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate);

// Encodes a test signal; the options go to the encoder as they stand. lame writes no
// information frame (-t), so every frame carries audio and the oracles trim nothing.
std::vector<uint8_t> EncodeLame(const std::string& options, int rate, int channels, double seconds = 2.0);
std::vector<uint8_t> EncodeLameSamples(const std::string& options, const std::vector<int16_t>& samples,
                                       int rate, int channels);
std::vector<uint8_t> EncodeTwolame(const std::string& options, int rate, int channels, double seconds = 2.0);

struct TLayer1Options {
    int samplingIndex = 0;
    int bitrateIndex = 12;
    int mode = 0;
    int modeExt = 0;
    bool crc = false;
    int frames = 40;
};
// Valid layer I frames with random allocations, scale factors and samples.
std::vector<uint8_t> MakeLayer1Stream(const TLayer1Options& options);

// Sets the intensity-stereo bit of every joint-stereo layer III header.
std::vector<uint8_t> WithIntensityStereo(std::vector<uint8_t> stream);

struct TDecoded {
    std::vector<int16_t> pairs; // interleaved left/right
    int frames = 0;
    int clipped = 0;
};
TDecoded DecodeOurs(const std::vector<uint8_t>& stream, TSndMP3Quality quality = smqFull);

// Reference outputs as floats of full scale 1.0, interleaved left/right (a single
// channel is given to both sides).
std::vector<float> DecodeFfmpeg(const std::vector<uint8_t>& stream);
std::vector<float> DecodeLibmad(const std::vector<uint8_t>& stream);

struct TAccuracy {
    double rms = 0; // in 16-bit steps
    double maxDiff = 0;
    size_t compared = 0; // unclipped samples
    size_t lengthOurs = 0, lengthReference = 0;
};
// Sample by sample at lag 0, over the samples the reference does not clip.
TAccuracy Compare(const std::vector<int16_t>& ours, const std::vector<float>& reference);

// The standard's accuracy limit: 2^-11 / sqrt(12) of full scale, in 16-bit steps.
constexpr double kAccuracyLimit = 32768.0 / 2048.0 / 3.4641016151377544;

} // namespace mp3test
