#pragma once
// TSndChorus: a modulated delay. Each output sample mixes the dry input with a sample read
// from a ring at a delay that a low-frequency oscillator sweeps (sine or triangle), and the
// delayed signal is fed back into the ring. Channel effect (ID 1): each channel has its own
// ring and write position; both share one oscillator.
#include "sound/Eff_Base.h"

#include <vector>

class TSndChorus : public TSndEffectBase {
    VX_CLASS(TSndChorus, TSndEffectBase)
public:
    // One second at 44100 Hz, whatever the rate; reads wrap around it.
    static constexpr int RingLength = 44100;
    // The slowest sweep: one cycle in ten seconds, so the oscillator table stays bounded.
    static constexpr float MinRate = 0.1f;

    explicit TSndChorus(TComponent* owner);
    ~TSndChorus() override;

    std::int8_t GetID() const override { return 1; }
    // Rebuilds the oscillator from the format, Rate, Delay, Depth and Waveform and restarts
    // the positions; the rings keep their contents.
    void Init() override;
    void Process(short* L, short* R, int n) override;
    // Processes n samples of one channel in place; answers the new write position.
    int Convert(short* buffer, int n, int position, std::vector<short>& ring);

    // Taken at the next Init.
    std::atomic<float> Rate{1.0f}; // cycles per second
    std::atomic<int> Delay{200};   // milliseconds
    std::atomic<int> Depth{100};   // milliseconds
    std::atomic<int> Waveform{1};  // 0 sine, anything else triangle
    // Read at every block.
    std::atomic<int> DryGain{64}; // 1/128 units
    std::atomic<int> WetGain{64};
    std::atomic<int> FeedbackGain{64};
    std::atomic<int> FeedbackSign{-1}; // +1 or -1
    std::atomic<int> MixSign{1};       // +1 or -1

    // Running state, guarded by StateLock.
    int PosL = 0;
    int PosR = 0;
    std::vector<short> RingL;
    std::vector<short> RingR;
    int LfoLength = 0;
    int LfoPos = 0;
    // The delay in samples for each sample of one oscillator period.
    std::vector<float> LfoTable;

private:
    void buildOscillator(DWORD rate);
};
