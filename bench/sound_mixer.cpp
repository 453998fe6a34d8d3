// Cost of the software mixer per output frame with 1 to 77 voices (the game's eleven
// effects own 77 buffers): 8-bit 22050 Hz mono effects into a 44100 Hz stereo device,
// 16-bit 22050 Hz music into a 48000 Hz device (both through the band-limited resampler),
// and 16-bit 44100 Hz stereo at the device's own rate. Beside each resampled case, the peer:
// the same voices mixed by two-point linear interpolation, the cheapest resampler there is.
#include "platform/dsound/DSound.h"
#include "platform/dsound/ManualBackend.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

WAVEFORMATEX pcm(WORD channels, WORD bits, DWORD rate) {
    WAVEFORMATEX f;
    f.nChannels = channels;
    f.wBitsPerSample = bits;
    f.nSamplesPerSec = rate;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = f.nBlockAlign * rate;
    return f;
}

constexpr int Frames = 512;

// One second of a voice's sound, different for each voice.
std::vector<BYTE> voiceBytes(const WAVEFORMATEX& format, int voice) {
    std::vector<BYTE> data(format.nAvgBytesPerSec);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(128 + 100 * std::sin(static_cast<double>(i) * 0.01 * (voice + 1)));
    return data;
}

void mixVoices(benchmark::State& state, const WAVEFORMATEX& format, int deviceRate) {
    ScopedManualAudio audio({deviceRate, 2, Frames});
    IDirectSound* ds = nullptr;
    DirectSoundCreate(nullptr, &ds, nullptr);
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    std::vector<IDirectSoundBuffer*> voices;
    for (int v = 0; v < state.range(0); ++v) {
        const std::vector<BYTE> bytes = voiceBytes(format, v);
        DSBUFFERDESC desc;
        desc.dwFlags = 0x100E2;
        desc.dwBufferBytes = static_cast<DWORD>(bytes.size());
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* buffer = nullptr;
        ds->CreateSoundBuffer(&desc, &buffer, nullptr);
        void* p1;
        DWORD l1;
        buffer->Lock(0, desc.dwBufferBytes, &p1, &l1, nullptr, nullptr, 0);
        std::memcpy(p1, bytes.data(), l1);
        buffer->Unlock(p1, l1, nullptr, 0);
        buffer->SetVolume(-600 - 10 * v);
        buffer->SetPan(-2000 + 50 * v);
        buffer->Play(0, 0, DSBPLAY_LOOPING);
        voices.push_back(buffer);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(audio.backend().Render(Frames));
    state.SetItemsProcessed(state.iterations() * Frames);
    for (IDirectSoundBuffer* buffer : voices)
        buffer->Release();
    ds->Release();
}

struct LinearVoice {
    std::vector<BYTE> bytes;
    DWORD frame = 0;
    std::uint32_t phase = 0; // in 1/device rate of a source frame
};

template <int Bits> float sampleAt(const BYTE* p) {
    if constexpr (Bits == 8) {
        return static_cast<float>((*p - 128) * 256);
    } else {
        std::int16_t value;
        std::memcpy(&value, p, 2);
        return value;
    }
}

// A mono voice into stereo frames, looping.
template <int Bits>
void mixLinear(LinearVoice& v, DWORD rate, DWORD deviceRate, float gainLeft, float gainRight, float* acc) {
    constexpr DWORD align = Bits / 8;
    const auto total = static_cast<DWORD>(v.bytes.size() / align);
    for (int i = 0; i < Frames; ++i) {
        const DWORD next = v.frame + 1 == total ? 0 : v.frame + 1;
        const float s0 = sampleAt<Bits>(&v.bytes[v.frame * align]);
        const float s1 = sampleAt<Bits>(&v.bytes[next * align]);
        const float s = s0 + (s1 - s0) * static_cast<float>(v.phase) / static_cast<float>(deviceRate);
        acc[2 * i] += s * gainLeft;
        acc[2 * i + 1] += s * gainRight;
        for (v.phase += rate; v.phase >= deviceRate; v.phase -= deviceRate)
            v.frame = v.frame + 1 == total ? 0 : v.frame + 1;
    }
}

template <int Bits> void linearPeer(benchmark::State& state, const WAVEFORMATEX& format, int deviceRate) {
    std::vector<LinearVoice> voices(static_cast<std::size_t>(state.range(0)));
    for (std::size_t v = 0; v < voices.size(); ++v)
        voices[v].bytes = voiceBytes(format, static_cast<int>(v));
    std::vector<float> acc(2 * Frames);
    std::vector<std::int16_t> out(2 * Frames);
    for (auto _ : state) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (LinearVoice& v : voices)
            mixLinear<Bits>(v, format.nSamplesPerSec, static_cast<DWORD>(deviceRate), 0.5f, 0.4f, acc.data());
        for (std::size_t i = 0; i < acc.size(); ++i)
            out[i] = static_cast<std::int16_t>(std::clamp(std::nearbyint(acc[i]), -32768.0f, 32767.0f));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * Frames);
}

void BM_MixEightBitMono22050(benchmark::State& state) {
    mixVoices(state, pcm(1, 8, 22050), 44100);
}
void BM_LinearPeerEightBitMono22050(benchmark::State& state) {
    linearPeer<8>(state, pcm(1, 8, 22050), 44100);
}
void BM_MixSixteenBitMono22050To48000(benchmark::State& state) {
    mixVoices(state, pcm(1, 16, 22050), 48000);
}
void BM_LinearPeerSixteenBitMono22050To48000(benchmark::State& state) {
    linearPeer<16>(state, pcm(1, 16, 22050), 48000);
}
void BM_MixSixteenBitStereo44100(benchmark::State& state) {
    mixVoices(state, pcm(2, 16, 44100), 44100);
}

} // namespace

BENCHMARK(BM_MixEightBitMono22050)->Arg(1)->Arg(8)->Arg(32)->Arg(77);
BENCHMARK(BM_LinearPeerEightBitMono22050)->Arg(1)->Arg(8)->Arg(32)->Arg(77);
BENCHMARK(BM_MixSixteenBitMono22050To48000)->Arg(1)->Arg(8);
BENCHMARK(BM_LinearPeerSixteenBitMono22050To48000)->Arg(1)->Arg(8);
BENCHMARK(BM_MixSixteenBitStereo44100)->Arg(1)->Arg(8)->Arg(32)->Arg(77);
