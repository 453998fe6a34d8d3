#pragma once
// TSndFFT: a filter in the frequency domain. Each channel of a block is cut into chunks of
// NumSamples samples; each chunk is transformed with a radix-2 FFT, its spectrum multiplied
// by a 256-point gain curve (after an optional shift of every frequency) and transformed
// back in place. Chunks are neither windowed nor overlapped. Channel effect (ID 0).
#include "sound/Eff_Base.h"

#include <array>
#include <vector>

class TSndFFT : public TSndEffectBase {
    VX_CLASS(TSndFFT, TSndEffectBase)
public:
    static constexpr int CurvePoints = 256;
    static constexpr int CurveUnity = 32;
    static constexpr int MinSamples = 32;
    static constexpr int MaxSamples = 65536;
    static constexpr int MaxStages = 20;
    // A shift beyond a quarter of the spectrum either way would read bins that do not exist.
    static constexpr int ShiftLimit = 256;

    explicit TSndFFT(TComponent* owner);
    ~TSndFFT() override;

    std::int8_t GetID() const override { return 0; }
    // Brings the transform length back to 512, whatever it was.
    void Init() override;
    void Process(short* L, short* R, int n) override;

    // The transform length N: a power of two 32..65536 (0 until the first Init).
    int NumSamples() const { return numSamples_.load(); }
    // Takes n down to a power of two, limited to 32..65536, and builds the tables for it.
    void SetNumSamples(int n);
    // Fill out[0 .. N/2 - 1] from the spectrum work arrays (after a Process: the last chunk
    // transformed back).
    void CalcSpectrum(int* out, int scale);
    void LogSpectrum(int* out, int scale);

    // Read at every block.
    std::atomic<int> Shift{0};                       // 0: none; see Convert
    std::atomic<bool> Proportional{true};            // shift scales frequencies, else moves them
    std::array<std::atomic<int>, CurvePoints> Curve; // 1/32 units over the lower half of the spectrum

    // Running state, guarded by StateLock. Bin i is paired with bin N-1-i throughout.
    std::vector<int> BitRev;
    std::array<double, MaxStages> Alpha{}; // per stage of m = 2^(s+1): 1 - cos(2 pi / m)
    std::array<double, MaxStages> Beta{};  // sin(2 pi / m)
    std::vector<double> OutRe, OutIm;      // the filtered spectrum
    std::vector<double> Re, Im;            // transform work arrays

    // The steps of one chunk, for the running effect and for tests.
    void Perform(const short* chunk);
    void Convert();
    void Post(short* chunk);
    // In place on Re/Im, input in bit-reversed order: forward, and backward without scaling.
    void FFT();
    void RFFT();
    void Release();

private:
    void transform(bool inverse);
    void buildTables(int n);
    void snapshotGains();
    void filterChannel(short* samples, int n);

    std::atomic<int> numSamples_{0};
    // Per stage, the rotations the stage's recurrence produces, computed once per length
    // (the same values the recurrence gives inside the loop).
    std::vector<double> twiddleRe_, twiddleIm_;
    std::vector<double> binGain_; // per bin below N/2, from Curve at the block's start
    std::vector<short> tail_;     // a last chunk shorter than N, zero padded
    int shift_ = 0;
    bool proportional_ = true;
};
