#include "sound/Eff_FFT.h"

#include "platform/framework/Published.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const bool spectrumPublished = RegisterPublishedClass(
    "TSndFFT", "TSndEffectBase",
    {Property("NumSamples", TypeInteger(), &TSndFFT::NumSamples, &TSndFFT::SetNumSamples, 0)});

constexpr int InitSamples = 512;

int powerOfTwoIn(int n) {
    if (n <= TSndFFT::MinSamples) return TSndFFT::MinSamples;
    int power = 1;
    while (power <= n / 2 && power < TSndFFT::MaxSamples)
        power *= 2;
    return power;
}

short saturatedSample(double value) {
    const double truncated = std::trunc(value);
    if (truncated <= -32768.0) return -32768;
    if (truncated >= 32767.0) return 32767;
    return static_cast<short>(truncated);
}

} // namespace

TSndFFT::TSndFFT(TComponent* owner) : TSndEffectBase(owner) {
    for (auto& point : Curve)
        point = CurveUnity;
}

TSndFFT::~TSndFFT() {
    Withdraw();
    Release();
}

void TSndFFT::Release() {
    for (auto* values : {&OutRe, &OutIm, &Re, &Im, &twiddleRe_, &twiddleIm_, &binGain_})
        std::vector<double>().swap(*values);
    std::vector<int>().swap(BitRev);
    std::vector<short>().swap(tail_);
}

void TSndFFT::Init() {
    SetNumSamples(InitSamples);
    if (const WAVEFORMATEX* format = Format.load()) NoteInitRate(format->nSamplesPerSec);
    FireChange();
}

void TSndFFT::SetNumSamples(int n) {
    std::lock_guard guard(StateLock);
    if (n == numSamples_.load()) return;
    const int length = powerOfTwoIn(n);
    if (length == numSamples_.load()) return;
    Release();
    buildTables(length);
    numSamples_.store(length);
}

void TSndFFT::buildTables(int n) {
    const auto size = static_cast<std::size_t>(n);
    OutRe.assign(size, 0.0);
    OutIm.assign(size, 0.0);
    Re.assign(size, 0.0);
    Im.assign(size, 0.0);
    BitRev.assign(size, 0);
    binGain_.assign(size / 2, 1.0);
    tail_.assign(size, 0);
    const int half = n / 2;
    int j = 0;
    for (int i = 0; i < n - 1; ++i) {
        BitRev[static_cast<std::size_t>(i)] = j;
        int m = half;
        while (m >= 1 && j >= m) {
            j -= m;
            m /= 2;
        }
        j += m;
    }
    BitRev[size - 1] = n - 1;
    Alpha.fill(0.0);
    Beta.fill(0.0);
    int s = 0;
    for (int m = 2; m <= n; m *= 2, ++s) {
        Alpha[static_cast<std::size_t>(s)] = 1.0 - std::cos(2.0 * std::numbers::pi / m);
        Beta[static_cast<std::size_t>(s)] = std::sin(2.0 * std::numbers::pi / m);
    }
    // The rotations of stage s start at 1 and turn by 2 pi / m each step through the
    // recurrence; stage s's live at offset 2^s - 1.
    twiddleRe_.assign(size, 0.0);
    twiddleIm_.assign(size, 0.0);
    s = 0;
    for (int stageHalf = 1; stageHalf < n; stageHalf *= 2, ++s) {
        const double alpha = Alpha[static_cast<std::size_t>(s)], beta = Beta[static_cast<std::size_t>(s)];
        double wRe = 1.0, wIm = 0.0;
        for (int k = 0; k < stageHalf; ++k) {
            twiddleRe_[static_cast<std::size_t>(stageHalf - 1 + k)] = wRe;
            twiddleIm_[static_cast<std::size_t>(stageHalf - 1 + k)] = wIm;
            const double nextRe = wRe - (alpha * wRe + beta * wIm);
            wIm = wIm - (alpha * wIm - beta * wRe);
            wRe = nextRe;
        }
    }
}

void TSndFFT::transform(bool inverse) {
    const int n = NumSamples();
    double* re = Re.data();
    double* im = Im.data();
    // Turning the other way negates Beta, which makes every rotation the conjugate of the
    // forward one, exactly.
    const double sign = inverse ? -1.0 : 1.0;
    for (int half = 1; half < n; half *= 2) {
        const double* wRe = twiddleRe_.data() + half - 1;
        const double* wIm = twiddleIm_.data() + half - 1;
        for (int group = 0; group < n; group += 2 * half) {
            for (int k = 0; k < half; ++k) {
                const int a = group + k, b = a + half;
                const double cRe = wRe[k], cIm = sign * wIm[k];
                const double tRe = cRe * re[b] - cIm * im[b];
                const double tIm = cRe * im[b] + cIm * re[b];
                re[b] = re[a] - tRe;
                im[b] = im[a] - tIm;
                re[a] = re[a] + tRe;
                im[a] = im[a] + tIm;
            }
        }
    }
}

void TSndFFT::FFT() {
    transform(false);
}

void TSndFFT::RFFT() {
    transform(true);
}

void TSndFFT::Perform(const short* chunk) {
    const int n = NumSamples();
    for (int i = 0; i < n; ++i) {
        const auto to = static_cast<std::size_t>(BitRev[static_cast<std::size_t>(i)]);
        Re[to] = chunk[i];
        Im[to] = 0.0;
    }
    FFT();
}

void TSndFFT::snapshotGains() {
    const int half = NumSamples() / 2;
    std::array<double, CurvePoints> curve;
    for (int p = 0; p < CurvePoints; ++p)
        curve[static_cast<std::size_t>(p)] =
            Curve[static_cast<std::size_t>(p)].load(std::memory_order_relaxed) / double{CurveUnity};
    // Bin i reads point i * 256 / (N/2): the same as i / (N/512) where that step is whole,
    // and still defined for lengths below 512.
    for (int i = 0; i < half; ++i)
        binGain_[static_cast<std::size_t>(i)] =
            curve[static_cast<std::size_t>(static_cast<std::int64_t>(i) * CurvePoints / half)];
    shift_ = std::clamp(Shift.load(std::memory_order_relaxed), -ShiftLimit, ShiftLimit);
    proportional_ = Proportional.load(std::memory_order_relaxed);
}

void TSndFFT::Convert() {
    const int n = NumSamples(), half = n / 2, last = n - 1;
    const auto put = [&](int i, int j) {
        const double g = binGain_[static_cast<std::size_t>(i)];
        const auto to = static_cast<std::size_t>(i), from = static_cast<std::size_t>(j);
        const auto toMirror = static_cast<std::size_t>(last - i),
                   fromMirror = static_cast<std::size_t>(last - j);
        OutRe[to] = g * Re[from];
        OutIm[to] = g * Im[from];
        OutRe[toMirror] = g * Re[fromMirror];
        OutIm[toMirror] = g * Im[fromMirror];
    };
    const auto clear = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            OutRe[static_cast<std::size_t>(i)] = OutIm[static_cast<std::size_t>(i)] = 0.0;
            OutRe[static_cast<std::size_t>(last - i)] = OutIm[static_cast<std::size_t>(last - i)] = 0.0;
        }
    };
    if (shift_ == 0) {
        for (int i = 0; i < half; ++i)
            put(i, i);
    } else if (proportional_) {
        int i = 0;
        for (int j = 0; i < half && j < half; ++i) {
            j = (256 - shift_) * i / 256;
            put(i, j);
        }
        clear(i, half);
    } else {
        const int d = shift_ * n / 1024;
        if (d > 0) clear(0, d);
        int i = std::max(d, 0);
        for (int j = 0; i < half && j < half; ++i) {
            j = i - d;
            put(i, j);
        }
        clear(i, half);
    }
    OutRe[0] = Re[0];
    OutIm[0] = Im[0];
}

void TSndFFT::Post(short* chunk) {
    const int n = NumSamples();
    for (int i = 0; i < n; ++i) {
        const auto to = static_cast<std::size_t>(BitRev[static_cast<std::size_t>(i)]);
        Re[to] = OutRe[static_cast<std::size_t>(i)];
        Im[to] = OutIm[static_cast<std::size_t>(i)];
    }
    RFFT();
    for (int i = 0; i < n; ++i)
        chunk[i] = saturatedSample(Re[static_cast<std::size_t>(i)] / n);
}

void TSndFFT::filterChannel(short* samples, int n) {
    const int length = NumSamples();
    int at = 0;
    for (; at + length <= n; at += length) {
        Perform(samples + at);
        Convert();
        Post(samples + at);
    }
    // A block that is not a whole number of chunks ends in a short one: it is filtered
    // padded with silence, and only its own samples are written back.
    if (const int rest = n - at; rest > 0) {
        std::fill(std::copy(samples + at, samples + n, tail_.begin()), tail_.end(), short{0});
        Perform(tail_.data());
        Convert();
        Post(tail_.data());
        std::copy(tail_.begin(), tail_.begin() + rest, samples + at);
    }
}

void TSndFFT::Process(short* L, short* R, int n) {
    std::lock_guard guard(StateLock);
    if (!Ready() || NumSamples() == 0 || n <= 0) return;
    snapshotGains();
    if (L) filterChannel(L, n);
    if (R) filterChannel(R, n);
}

void TSndFFT::CalcSpectrum(int* out, int scale) {
    std::lock_guard guard(StateLock);
    const int n = NumSamples();
    for (int i = 0; i < n / 2; ++i) {
        const double re = Re[static_cast<std::size_t>(i)], im = Im[static_cast<std::size_t>(i)];
        const double magnitude = std::sqrt(re * re + im * im);
        out[i] = static_cast<int>(magnitude * scale / n * (1.0 / 1024));
    }
}

void TSndFFT::LogSpectrum(int* out, int scale) {
    std::lock_guard guard(StateLock);
    const int n = NumSamples();
    for (int i = 0; i < n / 2; ++i) {
        const double re = Re[static_cast<std::size_t>(i)], im = Im[static_cast<std::size_t>(i)];
        double v = std::sqrt(re * re + im * im) / n * (1.0 / 1024);
        if (v < 0.001) v = 0.001;
        out[i] = static_cast<int>((std::log10(v) * 2 / 3 + 1.5) * scale);
    }
}
