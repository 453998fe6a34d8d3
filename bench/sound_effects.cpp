// Samples per second through each effect's Process on one 32768-byte block, at 16-bit
// stereo (8192 frames) and 8-bit mono (32768 frames); the whole chain 0-1-3-4 as the engine
// runs it (split, channel effects, join, raw effect); the spectrum filter at transform
// lengths 512 and 65536. The peer is memcpy of the same block, measured in the same run.
#include "sound/DSPlay.h"
#include "sound/Eff_Chor.h"
#include "sound/Eff_EQ.h"
#include "sound/Eff_Echo.h"
#include "sound/Eff_FFT.h"
#include "sound/Sndutils.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int BlockBytes = 32768;

WAVEFORMATEX pcm(WORD channels, WORD bits) {
    WAVEFORMATEX format{};
    format.nChannels = channels;
    format.wBitsPerSample = bits;
    format.nSamplesPerSec = 44100;
    UpdateWaveFormat(&format);
    return format;
}

std::vector<short> noise(std::size_t count) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> spread(-20000, 20000);
    std::vector<short> samples(count);
    for (short& s : samples)
        s = static_cast<short>(spread(random));
    return samples;
}

void ready(TSndEffectBase& effect, const WAVEFORMATEX& format) {
    effect.Format = &format;
    effect.SetOnChange([](TObject*) {});
    effect.Init();
}

// A channel effect sees the block split: 16-bit stereo gives two arrays of 8192 samples,
// 8-bit mono one array of 32768.
template <class Effect> void ChannelEffect(benchmark::State& state, WORD channels, WORD bits) {
    Effect effect(nullptr);
    const WAVEFORMATEX format = pcm(channels, bits);
    ready(effect, format);
    const int frames = BlockBytes / format.nBlockAlign;
    auto left = noise(static_cast<std::size_t>(frames)), right = noise(static_cast<std::size_t>(frames));
    for (auto _ : state) {
        effect.Process(left.data(), channels == 2 ? right.data() : nullptr, frames);
        benchmark::DoNotOptimize(left.data());
    }
    state.SetItemsProcessed(state.iterations() * frames * channels);
    state.SetBytesProcessed(state.iterations() * BlockBytes);
}

void Spectrum(benchmark::State& state, WORD channels, WORD bits) {
    ChannelEffect<TSndFFT>(state, channels, bits);
}
void Chorus(benchmark::State& state, WORD channels, WORD bits) {
    ChannelEffect<TSndChorus>(state, channels, bits);
}
void Echo(benchmark::State& state, WORD channels, WORD bits) {
    ChannelEffect<TSndEcho>(state, channels, bits);
}

void Equaliser(benchmark::State& state, WORD channels, WORD bits) {
    TSndEQ eq(nullptr);
    const WAVEFORMATEX format = pcm(channels, bits);
    ready(eq, format);
    auto block = noise(BlockBytes / 2);
    for (auto _ : state) {
        eq.Process(block.data(), nullptr, BlockBytes);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * BlockBytes / (bits / 8));
    state.SetBytesProcessed(state.iterations() * BlockBytes);
}

void SpectrumLength(benchmark::State& state) {
    TSndFFT fft(nullptr);
    const WAVEFORMATEX format = pcm(1, 16);
    ready(fft, format);
    fft.SetNumSamples(static_cast<int>(state.range(0)));
    fft.Curve[10] = 0;
    auto samples = noise(65536);
    for (auto _ : state) {
        fft.Process(samples.data(), nullptr, 65536);
        benchmark::DoNotOptimize(samples.data());
    }
    state.SetItemsProcessed(state.iterations() * 65536);
}

// The four effects on one engine, processed as the engine's events thread does.
void Chain(benchmark::State& state, WORD channels, WORD bits) {
    TComponent owner(nullptr);
    TSndEffectBase* effects[] = {new TSndFFT(&owner), new TSndChorus(&owner), new TSndEcho(&owner),
                                 new TSndEQ(&owner)};
    auto* play = new TDSPlay(&owner);
    play->SetBufferSize(BlockBytes);
    play->SetChannels(channels);
    play->SetBitsPerSample(bits);
    owner.LoadTree();
    for (TSndEffectBase* effect : effects) {
        effect->SetOnChange([](TObject*) {});
        effect->Enabled = true;
    }
    auto block = noise(BlockBytes / 2);
    auto* bytes = reinterpret_cast<BYTE*>(block.data());
    for (auto _ : state) {
        play->EffectsProcess(bytes, BlockBytes, nullptr, 0);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * BlockBytes / (bits / 8));
    state.SetBytesProcessed(state.iterations() * BlockBytes);
}

void Memcpy(benchmark::State& state) {
    std::vector<BYTE> from(BlockBytes, 1), to(BlockBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), BlockBytes);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetItemsProcessed(state.iterations() * BlockBytes / 2);
    state.SetBytesProcessed(state.iterations() * BlockBytes);
}

} // namespace

BENCHMARK_CAPTURE(Spectrum, 16Stereo, 2, 16);
BENCHMARK_CAPTURE(Spectrum, 8Mono, 1, 8);
BENCHMARK_CAPTURE(Chorus, 16Stereo, 2, 16);
BENCHMARK_CAPTURE(Chorus, 8Mono, 1, 8);
BENCHMARK_CAPTURE(Echo, 16Stereo, 2, 16);
BENCHMARK_CAPTURE(Echo, 8Mono, 1, 8);
BENCHMARK_CAPTURE(Equaliser, 16Stereo, 2, 16);
BENCHMARK_CAPTURE(Equaliser, 8Mono, 1, 8);
BENCHMARK_CAPTURE(Chain, 16Stereo, 2, 16);
BENCHMARK_CAPTURE(Chain, 8Mono, 1, 8);
BENCHMARK(SpectrumLength)->Arg(512)->Arg(65536);
BENCHMARK(Memcpy);
