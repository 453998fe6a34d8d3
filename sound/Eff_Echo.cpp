#include "sound/Eff_Echo.h"

#include "platform/framework/Published.h"

#include <algorithm>

namespace {

const bool echoPublished = RegisterPublishedClass("TSndEcho", "TSndEffectBase", {});

} // namespace

TSndEcho::TSndEcho(TComponent* owner) : TSndEffectBase(owner), RingL(RingLength), RingR(RingLength) {}

TSndEcho::~TSndEcho() {
    Withdraw();
}

void TSndEcho::Init() {
    {
        std::lock_guard guard(StateLock);
        PosL = 0;
        PosR = 0;
        if (const WAVEFORMATEX* format = Format.load()) NoteInitRate(format->nSamplesPerSec);
    }
    FireChange();
}

void TSndEcho::Process(short* L, short* R, int n) {
    std::lock_guard guard(StateLock);
    if (!Ready()) return;
    if (L) PosL = Convert(L, n, PosL, RingL);
    if (R) PosR = Convert(R, n, PosR, RingR);
}

int TSndEcho::Convert(short* buffer, int n, int position, std::vector<short>& ring) {
    const WAVEFORMATEX* format = Format.load();
    const std::int64_t gain = Gain.load(std::memory_order_relaxed);
    // A delay before zero (a field set below any panel's range) would read ahead of the
    // write position and past the ring's end: it counts as no delay.
    const auto delay = static_cast<int>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(format ? format->nSamplesPerSec : 0) *
                                     Delay.load(std::memory_order_relaxed) / 1000,
                                 0, RingLength - 1));
    if (position < 0 || position >= RingLength) position = 0;
    int read = position - delay;
    if (read < 0) read += RingLength;
    for (int i = 0; i < n; ++i) {
        const short dry = buffer[i];
        ring[static_cast<std::size_t>(position)] = dry;
        if (++position == RingLength) position = 0;
        const short echo = ring[static_cast<std::size_t>(read)];
        if (++read == RingLength) read = 0;
        buffer[i] = Saturate16(dry + GainDiv128(gain * echo));
    }
    return position;
}
