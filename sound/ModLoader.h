#pragma once
// Loading of tracker modules: 31-sample modules with 4, 6 or 8 channels and the older
// 15-sample modules, into the form the player reads: notes as note indices, samples as
// unsigned bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel/Types.h"

constexpr int ModHeaderSize = 1084;
constexpr int ModSamples = 31;
constexpr int ModOrders = 128;
constexpr int ModRows = 64;

struct MOD_SAMPLE {
    std::int32_t finetune = 0; // 0..15
    std::int32_t volume = 0;   // 0..64
    std::int32_t length = 0;   // bytes
    std::int32_t loopStart = 0;
    std::int32_t loopLength = 0;
};

struct MOD_NOTE {
    BYTE sample = 0;  // 0 = none, 1..31 name a sample
    BYTE note = 0;    // 0 = none, else note index 1..60
    BYTE command = 0; // 0..15
    BYTE parameter = 0;
};

// The kind of module a header announces.
struct ModLayout {
    const char* typeName = nullptr; // "15-instrument", "ProTracker", "StarTracker", "FastTracker"
    int channels = 0;
    std::size_t patternOffset = 0; // where the pattern data starts in the file
};

// Recognises the module in the first 1084 bytes. A 15-sample module's header is rearranged in
// place into the 31-sample layout. False when the header is no module.
bool ModReadLayout(std::array<BYTE, ModHeaderSize>& header, ModLayout& layout);

struct TModModule {
    std::array<BYTE, ModHeaderSize> header{};
    std::array<MOD_SAMPLE, ModSamples> samples{};
    std::array<std::vector<BYTE>, ModSamples> sampleData; // unsigned 8-bit
    std::vector<std::vector<MOD_NOTE>> patterns;          // 64 rows x channels each
    ModLayout layout;
    int channels = 0;
    int songLength = 0; // 1..128

    BYTE Order(int index) const { return header[952 + index]; }
    std::string SongName() const;
    // Sample headers with a non-zero length.
    int UsedSamples() const;
};

// Loads a module from its file bytes. False for anything that is no playable module: no
// module signature and no valid 15-sample header, a song length of 0, a pattern count outside
// 1..128, or no sample at all. Bytes missing at the end of a short file read as silence.
bool ModLoad(const BYTE* data, std::size_t size, TModModule& module);
