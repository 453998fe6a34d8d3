#include "sound/Eff_EQ.h"

#include "platform/framework/Published.h"

#include <algorithm>

namespace {

const bool equaliserPublished = RegisterPublishedClass("TSndEQ", "TSndEffectBase", {});

constexpr int HistoryMask = TSndEQ::HistoryLength - 1;
// A block is taken in pieces small enough that storing one never overwrites history the
// widest window still needs; the result is the same as in one go.
constexpr int PieceValues = 16384;
// Gains beyond this (far past any panel) are taken at it, so the 64-bit sums cannot overflow.
constexpr std::int64_t GainLimit = 1 << 20;

// Input values as stored in the history, and results as written back.
inline short toHistory(short sample) {
    return sample;
}
inline short toHistory(BYTE sample) {
    return static_cast<short>(static_cast<signed char>(sample ^ 0x80) * 256);
}
inline void store(short& out, short value) {
    out = value;
}
inline void store(BYTE& out, short value) {
    out = static_cast<BYTE>((value >> 8) ^ 0x80);
}

} // namespace

TSndEQ::TSndEQ(TComponent* owner) : TSndEffectBase(owner), History(HistoryLength) {
    for (auto& gain : Gains)
        gain = 128;
}

TSndEQ::~TSndEQ() {
    Withdraw();
}

void TSndEQ::Init() {
    {
        std::lock_guard guard(StateLock);
        WritePos = 0;
        Resync = true;
        if (const WAVEFORMATEX* format = Format.load()) NoteInitRate(format->nSamplesPerSec);
    }
    FireChange();
}

void TSndEQ::Process(short* data, short* /*R*/, int n) {
    std::lock_guard guard(StateLock);
    const WAVEFORMATEX* format = Format.load();
    if (!format || !Ready() || !data || n <= 0) return;
    const bool stereo = format->nChannels == 2;
    if (format->wBitsPerSample == 16)
        stereo ? Process16Stereo(data, n / 2) : Process16Mono(data, n / 2);
    else
        stereo ? Process8Stereo(reinterpret_cast<BYTE*>(data), n)
               : Process8Mono(reinterpret_cast<BYTE*>(data), n);
}

void TSndEQ::Process16Mono(short* data, int count) {
    run<short, 1>(data, count);
}

void TSndEQ::Process16Stereo(short* data, int count) {
    run<short, 2>(data, count);
}

void TSndEQ::Process8Mono(BYTE* data, int count) {
    run<BYTE, 1>(data, count);
}

void TSndEQ::Process8Stereo(BYTE* data, int count) {
    run<BYTE, 2>(data, count);
}

template <class Sample, int Stride> void TSndEQ::run(Sample* data, int count) {
    // Whole frames only: a half frame would shift the channels in the history for good.
    count -= count % Stride;
    std::int64_t gains[Bands + 1];
    for (int j = 0; j <= Bands; ++j)
        gains[j] = std::clamp<std::int64_t>(
            Gains[static_cast<std::size_t>(j)].load(std::memory_order_relaxed), -GainLimit, GainLimit);
    for (int done = 0; done < count; done += PieceValues)
        runPiece<Sample, Stride>(data + done, std::min(PieceValues, count - done), gains);
}

template <int Stride> void TSndEQ::resync(int w) {
    for (int ch = 0; ch < Stride; ++ch) {
        auto& sums = ch == 0 ? SumsL : SumsR;
        const int c0 = w - Lag * Stride + ch;
        sums[0] = History[static_cast<std::size_t>((c0 - Stride) & HistoryMask)];
        for (int k = 1; k < Windows; ++k) {
            int sum = 0;
            for (int j = -(1 << k); j <= (1 << k) - 2; ++j)
                sum += History[static_cast<std::size_t>((c0 + j * Stride) & HistoryMask)];
            sums[static_cast<std::size_t>(k)] = sum;
        }
    }
}

template <class Sample, int Stride>
void TSndEQ::runPiece(Sample* data, int count, const std::int64_t* gains) {
    const int w = WritePos;
    for (int i = 0; i < count; ++i)
        History[static_cast<std::size_t>((w + i) & HistoryMask)] = toHistory(data[i]);
    WritePos = (w + count) & HistoryMask;
    if (Resync) {
        resync<Stride>(w);
        Resync = false;
    }
    const short* h = History.data();
    const auto at = [h](int index) { return static_cast<int>(h[index & HistoryMask]); };
    for (int ch = 0; ch < Stride; ++ch) {
        auto& stored = ch == 0 ? SumsL : SumsR;
        int s[Windows];
        std::copy(stored.begin(), stored.end(), s);
        for (int i = ch; i < count; i += Stride) {
            const int c = w - Lag * Stride + i;
            // Complete the windows: s[k] now covers c - 2^k .. c + 2^k - 1 (frames).
            s[0] += at(c);
            for (int k = 1; k < Windows; ++k)
                s[k] += at(c + ((1 << k) - 1) * Stride);
            int average[Windows];
            for (int k = 0; k < Windows; ++k)
                average[k] = s[k] / (2 << k);
            std::int64_t sum = static_cast<std::int64_t>(at(c) - average[0]) * gains[1] / 128;
            for (int k = 1; k < Windows; ++k)
                sum += static_cast<std::int64_t>(average[k - 1] - average[k]) * gains[k + 1] / 128;
            sum += static_cast<std::int64_t>(average[Windows - 1]) * gains[Bands] / 128;
            store(data[i], Saturate16(GainDiv128(sum * gains[0])));
            // Slide the windows on by one frame.
            s[0] -= at(c - Stride);
            for (int k = 1; k < Windows; ++k)
                s[k] -= at(c - (1 << k) * Stride);
        }
        std::copy(s, s + Windows, stored.begin());
    }
}
