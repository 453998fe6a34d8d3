#pragma once
// TSndEQ: a ten-band graphic equaliser with a master gain. A ladder of centred moving
// averages whose windows double from 2 to 512 frames splits the signal into octave bands:
// each band is the difference of two neighbouring averages, the lowest band the 512-frame
// average itself, the highest the sample less the 2-frame average. With every gain at 128
// the bands add up to the input again, 256 frames late. Raw effect (ID 4): it works on the
// output data itself, 8 or 16 bits, mono or interleaved stereo.
#include "sound/Eff_Base.h"

#include <array>
#include <vector>

class TSndEQ : public TSndEffectBase {
    VX_CLASS(TSndEQ, TSndEffectBase)
public:
    static constexpr int HistoryLength = 65536;
    static constexpr int Bands = 10;
    static constexpr int Windows = 9;
    // The output lags the input by this many frames.
    static constexpr int Lag = 256;

    explicit TSndEQ(TComponent* owner);
    ~TSndEQ() override;

    std::int8_t GetID() const override { return 4; }
    // Restarts the history position and makes the next block recompute the sums from
    // whatever the history holds.
    void Init() override;
    // data: the raw block part; R is not used; n: its length in bytes.
    void Process(short* data, short* R, int n) override;

    // count: sample values, both channels together in stereo.
    void Process16Mono(short* data, int count);
    void Process16Stereo(short* data, int count);
    void Process8Mono(BYTE* data, int count);
    void Process8Stereo(BYTE* data, int count);

    // 1/128 units: [0] master, [1] the highest band (sample less the 2-frame average) ..
    // [10] the lowest (the 512-frame average). Read at every block.
    std::array<std::atomic<int>, Bands + 1> Gains;

    // Running state, guarded by StateLock.
    std::vector<short> History; // interleaved left, right in stereo
    std::array<int, Windows> SumsL{};
    std::array<int, Windows> SumsR{};
    int WritePos = 0;
    bool Resync = true;

private:
    template <class Sample, int Stride> void run(Sample* data, int count);
    template <class Sample, int Stride> void runPiece(Sample* data, int count, const std::int64_t* gains);
    template <int Stride> void resync(int w);
};
