// Four-channel "M.K." tracker modules: the data model and the file layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/datagen/ByteWriter.h"

namespace datagen {

constexpr int kModChannels = 4;
constexpr int kModRows = 64;
constexpr int kModNotes = 60; // five octaves of the period table

// Period of a note (0 = the lowest of the table's five octaves, 59 the highest).
int modPeriod(int note);

struct ModSample {
    std::string name;
    std::vector<std::int8_t> data; // even length
    int volume = 64;
    int loopStart = 0, loopLength = 0; // bytes, even; length 0 = no loop
};

// Effect commands the tunes use (low nibble of the command byte).
enum ModEffect : std::uint8_t {
    kArpeggio = 0x0,
    kPortaDown = 0x2,
    kTonePorta = 0x3,
    kVibrato = 0x4,
    kVolumeSlide = 0xA,
    kPositionJump = 0xB,
    kSetVolume = 0xC,
    kExtended = 0xE,
    kSetSpeed = 0xF,
};

// Extended command E9y: restart the sample every y ticks.
constexpr int kExtendedRetrigger = 0x90;

struct ModNote {
    int sample = 0; // 1-31, 0 = keep
    int note = -1;  // 0-59, -1 = none
    int effect = 0, param = 0;
};

using ModRow = std::array<ModNote, kModChannels>;
using ModPattern = std::array<ModRow, kModRows>;

struct Module {
    std::string title;
    std::vector<ModSample> samples; // at most 31
    std::vector<ModPattern> patterns;
    std::vector<int> order;
};

// The whole file; throws std::invalid_argument for a module the format cannot hold.
Bytes encodeMod(const Module& module);

} // namespace datagen
