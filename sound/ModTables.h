#pragma once
// Constant tables of the MOD player.
#include <array>
#include <cstdint>

constexpr int ModNotes = 60;     // five octaves of twelve notes
constexpr int ModFinetunes = 16; // 0..7 = 0..+7 eighths of a semitone, 8..15 = -8..-1

// Amiga periods of the five octaves at finetune 0; note index 1 is the first entry.
extern const std::array<std::uint16_t, ModNotes> ModNotePeriods;
// Periods by finetune and note index 0..59.
extern const std::array<std::array<std::uint16_t, ModNotes>, ModFinetunes> ModFinetunePeriods;
// Half a sine, 32 steps, for vibrato and tremolo.
extern const std::array<std::uint8_t, 32> ModVibratoSine;
// Output side of each channel: 1 is the first (left) value, 0 the second (right).
extern const std::array<std::uint8_t, 8> ModChannelSide;
