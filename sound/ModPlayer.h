#pragma once
// Renders a loaded module: the tick clock (50 ticks a second unless the tempo command changes
// it), rows and order, the effect commands, and an integer mixer without interpolation that
// sums the channels into two sides by a fixed placement.
#include <array>
#include <cstdint>

#include "sound/ModLoader.h"

constexpr int ModMaxChannels = 8;

struct MOD_CHANNEL {
    const BYTE* sampleData = nullptr;
    std::int32_t playOffset = 0; // bytes from the sample start
    std::int32_t sampleLength = 0;
    std::int32_t end = 0; // bytes playable from the play offset
    std::int32_t loopStart = 0;
    std::int32_t loopLength = 0;
    std::int32_t sampleNumber = 0; // sample number - 1
    std::int32_t mixVolume = 0;
    std::int32_t baseVolume = 0;
    std::int32_t mixPeriod = 0;
    std::int32_t period = 0;
    std::int32_t targetPeriod = 0;
    std::int32_t finetune = 0;
    // Position from the play offset in 1/65536 sample bytes, advanced by increment each output
    // frame: a period change alters the speed from here on and never moves the position.
    std::uint64_t position = 0;
    std::uint64_t increment = 0;
    std::int32_t noteIndex = 0; // 0..59
    std::int32_t command = 0;
    std::int32_t parameter = 0;
    std::int32_t retrigger = 0;
    std::int32_t portamentoSpeed = 0;
    std::int32_t glissando = 0;
    std::int32_t waveControl = 0; // low nibble vibrato, high nibble tremolo
    std::int8_t vibratoPosition = 0;
    std::int32_t vibratoSpeed = 0;
    std::int32_t vibratoDepth = 0;
    std::int8_t tremoloPosition = 0;
    std::int32_t tremoloSpeed = 0;
    std::int32_t tremoloDepth = 0;
};

class TModPlayer {
public:
    explicit TModPlayer(const TModModule& module) : module_(module) {}

    // Output rate: 50 ticks a second, and the next frame starts a tick.
    void InitFreq(DWORD rate);
    // Back to the first row at speed 6 and 50 ticks a second, every channel silent.
    void Reset();
    // Fills len bytes of PCM (bits 8 or 16, one or two channels). False when the song ended in
    // this block; the rest of the block is then silence.
    bool Render(BYTE* data, DWORD len, WORD bits, WORD channels);

    // Positions count rows: order index * 64 + row.
    DWORD Length() const { return DWORD(module_.songLength) * ModRows; }
    DWORD Position() const;
    DWORD RowsPerSecond() const;
    // The next row to start is the one at position; at or past the end, the song ends there.
    void SetPosition(DWORD position);

    int Tick() const { return tick_; }
    int Speed() const { return speed_; }
    int SamplesPerTick() const { return samplesPerTick_; }
    const MOD_CHANNEL& Channel(int index) const { return channel_[index]; }

private:
    void AdvanceFrame();
    void NewRow();
    void PlayNote(const MOD_NOTE& note, MOD_CHANNEL& channel);
    // Frames from here up to the next tick, at most RunFrames.
    int FramesToTick() const;
    void MixRun(int frames);
    static void MixChannelRun(MOD_CHANNEL& channel, int* side, int frames);

    void Effect(MOD_CHANNEL& channel);
    bool RunCommand(MOD_CHANNEL& channel, int x, int y);
    void ExEffects(MOD_CHANNEL& channel, int x, int y);
    void PatternBreak(int x, int y);
    void PositionJump(int order);
    void PatternLoop(int y);
    void Vibrato(MOD_CHANNEL& channel);
    void Tremolo(MOD_CHANNEL& channel);
    void VolSlide(MOD_CHANNEL& channel);
    void ToneSlide(MOD_CHANNEL& channel);
    void UpdateIncrement(MOD_CHANNEL& channel) const;
    int FinetunePeriod(int finetune, int note) const;

    static constexpr int RunFrames = 512;

    const TModModule& module_;
    std::array<MOD_CHANNEL, ModMaxChannels> channel_{};
    // The two sides of the frames mixed between two ticks.
    std::array<int, RunFrames> side0_{};
    std::array<int, RunFrames> side1_{};
    DWORD rate_ = 0;
    int orderIndex_ = 0;
    int rowPosition_ = 0; // row * channels of the row being played
    int loopPosition_ = 0;
    int loopCounter_ = 0;
    int tick_ = 0;
    int speed_ = 6;
    int patternDelay_ = 0;
    bool breakFlag_ = false;
    // The row the next row start goes to, when a jump, break or loop chose it during this row.
    bool positionChosen_ = false;
    int nextOrder_ = 0;
    int nextRowPosition_ = 0;
    bool rowPlayed_ = false; // a row has started since Reset
    bool songEnded_ = false;
    int sampleCounter_ = 0;
    int samplesPerTick_ = 1;
    DWORD step_ = 0;
};
