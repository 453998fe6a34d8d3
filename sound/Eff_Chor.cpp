#include "sound/Eff_Chor.h"

#include "platform/framework/Published.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const bool chorusPublished = RegisterPublishedClass("TSndChorus", "TSndEffectBase", {});

// The slowest engine rate the oscillator is built for; a lower one is taken as this.
constexpr DWORD LowestRate = 4000;

struct Gains {
    std::int64_t dry, wet, feedback;
};

} // namespace

TSndChorus::TSndChorus(TComponent* owner)
    : TSndEffectBase(owner), RingL(RingLength), RingR(RingLength), LfoTable(1) {}

TSndChorus::~TSndChorus() {
    Withdraw();
}

void TSndChorus::Init() {
    {
        std::lock_guard guard(StateLock);
        PosL = 0;
        PosR = 0;
        if (const WAVEFORMATEX* format = Format.load()) {
            // The engine's format is only read: a rate below the lowest is used as the
            // lowest here, never written back into the engine.
            const DWORD rate = std::max(format->nSamplesPerSec, LowestRate);
            buildOscillator(rate);
            NoteInitRate(rate);
        }
    }
    FireChange();
}

void TSndChorus::buildOscillator(DWORD rate) {
    const long double fs = rate;
    // Delays beyond one ring (fields set past the panel's range) are limited to it, so the
    // products below stay far inside an int.
    const auto samples = [&](int ms) {
        return static_cast<int>(std::clamp<long double>(std::trunc(ms * fs * 0.001L), 0, RingLength - 1));
    };
    const int delay = samples(Delay.load());
    const int depth = samples(Depth.load());
    float rateHz = Rate.load();
    if (!(rateHz > 0.0f)) rateHz = 1.0f;
    if (fs < rateHz) rateHz = static_cast<float>(rate);
    // A slower sweep than the table can hold is taken at the slowest one that fits.
    if (rateHz < MinRate) rateHz = MinRate;
    Rate.store(rateHz);
    LfoLength = static_cast<int>(fs / rateHz);
    LfoPos = 0;
    LfoTable.assign(static_cast<std::size_t>(std::max(LfoLength, 1)), 0.0f);
    const int centre = delay + depth / 2;
    const bool sine = Waveform.load() == 0;
    for (int i = 0; i < LfoLength; ++i) {
        double value;
        if (sine) {
            value = std::sin(i * 2.0 * std::numbers::pi / LfoLength) * depth + centre;
        } else {
            const int t = i < LfoLength / 2 ? i : LfoLength - i;
            value = depth * 2.0 * t / LfoLength + delay;
        }
        LfoTable[static_cast<std::size_t>(i)] = static_cast<float>(value);
    }
}

void TSndChorus::Process(short* L, short* R, int n) {
    std::lock_guard guard(StateLock);
    if (!Ready()) return;
    if (L) PosL = Convert(L, n, PosL, RingL);
    if (R) PosR = Convert(R, n, PosR, RingR);
}

int TSndChorus::Convert(short* buffer, int n, int position, std::vector<short>& ring) {
    const Gains gains{DryGain.load(std::memory_order_relaxed), WetGain.load(std::memory_order_relaxed),
                      FeedbackGain.load(std::memory_order_relaxed)};
    // Signs are +1 or -1; anything larger is taken as its sign, so products stay in range.
    const std::int64_t mixSign = std::clamp(MixSign.load(std::memory_order_relaxed), -1, 1);
    const std::int64_t feedbackSign = std::clamp(FeedbackSign.load(std::memory_order_relaxed), -1, 1);
    if (position < 0 || position >= RingLength) position = 0;
    if (LfoPos < 0 || LfoPos >= LfoLength) LfoPos = 0;
    for (int i = 0; i < n; ++i) {
        const auto p = static_cast<float>(static_cast<long double>(position) -
                                          LfoTable[static_cast<std::size_t>(LfoPos)]);
        const auto k = static_cast<int>(p);
        const float frac = p - static_cast<float>(k);
        int i0 = k % RingLength;
        if (i0 < 0) i0 += RingLength;
        const int i1 = i0 + 1 == RingLength ? 0 : i0 + 1;
        const std::int64_t x = buffer[i];
        const std::int64_t dry = GainDiv128(x * gains.dry);
        const std::int64_t wet =
            static_cast<std::int64_t>(ring[static_cast<std::size_t>(i0)] * (1.0 - frac)) +
            static_cast<std::int64_t>(ring[static_cast<std::size_t>(i1)] * static_cast<double>(frac));
        const short out = Saturate16(dry + GainDiv128(mixSign * wet * gains.wet));
        const std::int64_t feedback = out + GainDiv128(feedbackSign * wet * gains.feedback);
        // The ring keeps the low 16 bits of the feedback sum: no saturation.
        ring[static_cast<std::size_t>(position)] = static_cast<short>(static_cast<std::uint16_t>(feedback));
        if (++position == RingLength) position = 0;
        if (++LfoPos >= LfoLength) LfoPos = 0;
        buffer[i] = out;
    }
    return position;
}
