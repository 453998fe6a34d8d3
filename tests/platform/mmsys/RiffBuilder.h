#pragma once
// Builds RIFF files byte by byte for tests, and runs the command-line peers.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/mmsys/WaveFormat.h"

namespace riff_test {

inline void PutWord(std::vector<BYTE>& out, unsigned value) {
    out.push_back(BYTE(value));
    out.push_back(BYTE(value >> 8));
}
inline void PutDword(std::vector<BYTE>& out, unsigned value) {
    PutWord(out, value & 0xFFFF);
    PutWord(out, value >> 16);
}
inline void PutTag(std::vector<BYTE>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(BYTE(tag[i]));
}

// A chunk with its header and a pad byte after an odd body.
inline std::vector<BYTE> Chunk(const char* id, const std::vector<BYTE>& body) {
    std::vector<BYTE> out;
    PutTag(out, id);
    PutDword(out, unsigned(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1) out.push_back(0);
    return out;
}

inline std::vector<BYTE> FormatBody(const WAVEFORMATEX& f, bool withExtraSize = false,
                                    const std::vector<BYTE>& extra = {}) {
    std::vector<BYTE> body;
    PutWord(body, f.wFormatTag);
    PutWord(body, f.nChannels);
    PutDword(body, f.nSamplesPerSec);
    PutDword(body, f.nAvgBytesPerSec);
    PutWord(body, f.nBlockAlign);
    PutWord(body, f.wBitsPerSample);
    if (withExtraSize) {
        PutWord(body, unsigned(extra.size()));
        body.insert(body.end(), extra.begin(), extra.end());
    }
    return body;
}

inline std::vector<BYTE> Riff(const char* type, const std::vector<std::vector<BYTE>>& chunks) {
    std::vector<BYTE> body;
    PutTag(body, type);
    for (const auto& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    return Chunk("RIFF", body);
}

inline WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = WORD(channels * bits / 8);
    f.nAvgBytesPerSec = f.nBlockAlign * rate;
    return f;
}

inline std::vector<BYTE> PcmWave(const WAVEFORMATEX& f, const std::vector<BYTE>& data) {
    return Riff("WAVE", {Chunk("fmt ", FormatBody(f)), Chunk("data", data)});
}

inline void WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<BYTE> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef VX_TEST_TMP
inline std::string TempPath(const std::string& name) {
    return std::string(VX_TEST_TMP) + "/" + name;
}
#endif

// Runs a command line quietly; true when it exits with 0.
inline bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::vector<short> Samples(const std::vector<BYTE>& bytes) {
    std::vector<short> out(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = short(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return out;
}

// A 16-bit sine tone of the given frequency, as little-endian bytes.
inline std::vector<BYTE> Tone(DWORD rate, WORD channels, double frequency, double seconds,
                              double amplitude = 12000) {
    std::vector<BYTE> out;
    auto frames = std::size_t(rate * seconds);
    for (std::size_t i = 0; i < frames; ++i) {
        double t = double(i) / rate;
        for (WORD c = 0; c < channels; ++c)
            PutWord(out, unsigned(short(amplitude * std::sin(2 * 3.14159265358979323846 * frequency * t))) &
                             0xFFFF);
    }
    return out;
}

} // namespace riff_test
