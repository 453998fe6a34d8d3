#pragma once
// TSndEcho: adds one delayed copy of the dry signal to each channel,
// out = in + Gain/128 x (in delayed by Delay milliseconds). The rings hold the dry input, so
// the echo never feeds back on itself. Channel effect (ID 3).
#include "sound/Eff_Base.h"

#include <vector>

class TSndEcho : public TSndEffectBase {
    VX_CLASS(TSndEcho, TSndEffectBase)
public:
    // One second at 44100 Hz, whatever the rate; a longer delay is limited to the ring.
    static constexpr int RingLength = 44100;

    explicit TSndEcho(TComponent* owner);
    ~TSndEcho() override;

    std::int8_t GetID() const override { return 3; }
    // Restarts the write positions; the rings keep their contents, so the first echoes
    // after an Init repeat older sound.
    void Init() override;
    void Process(short* L, short* R, int n) override;

    // Processes n samples of one channel in place; answers the new write position.
    int Convert(short* buffer, int n, int position, std::vector<short>& ring);

    // Read at every block, so a change is heard with the next block.
    std::atomic<int> Delay{300}; // milliseconds
    std::atomic<int> Gain{64};   // 1/128 units

    // Running state, guarded by StateLock.
    int PosL = 0;
    int PosR = 0;
    std::vector<short> RingL;
    std::vector<short> RingR;
};
