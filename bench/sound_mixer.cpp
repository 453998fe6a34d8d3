// Cost of the software mixer per output frame with 1 to 77 voices (the game's eleven
// effects own 77 buffers), from 8-bit 22050 Hz mono and 16-bit 44100 Hz stereo sources
// into a 44100 Hz stereo device.
#include "platform/dsound/DSound.h"
#include "platform/dsound/ManualBackend.h"

#include <benchmark/benchmark.h>

#include <cmath>
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

void mixVoices(benchmark::State& state, const WAVEFORMATEX& format) {
    ScopedManualAudio audio({44100, 2, 512});
    IDirectSound* ds = nullptr;
    DirectSoundCreate(nullptr, &ds, nullptr);
    ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    const DWORD bytes = format.nAvgBytesPerSec; // one second
    std::vector<IDirectSoundBuffer*> voices;
    for (int v = 0; v < state.range(0); ++v) {
        DSBUFFERDESC desc;
        desc.dwFlags = 0x100E2;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* buffer = nullptr;
        ds->CreateSoundBuffer(&desc, &buffer, nullptr);
        void* p1;
        DWORD l1;
        buffer->Lock(0, bytes, &p1, &l1, nullptr, nullptr, 0);
        auto* data = static_cast<BYTE*>(p1);
        for (DWORD i = 0; i < l1; ++i)
            data[i] = static_cast<BYTE>(128 + 100 * std::sin(i * 0.01 * (v + 1)));
        buffer->Unlock(p1, l1, nullptr, 0);
        buffer->SetVolume(-600 - 10 * v);
        buffer->SetPan(-2000 + 50 * v);
        buffer->Play(0, 0, DSBPLAY_LOOPING);
        voices.push_back(buffer);
    }
    constexpr int Frames = 512;
    for (auto _ : state)
        benchmark::DoNotOptimize(audio.backend().Render(Frames));
    state.SetItemsProcessed(state.iterations() * Frames);
    for (IDirectSoundBuffer* buffer : voices)
        buffer->Release();
    ds->Release();
}

void BM_MixEightBitMono22050(benchmark::State& state) {
    mixVoices(state, pcm(1, 8, 22050));
}
void BM_MixSixteenBitStereo44100(benchmark::State& state) {
    mixVoices(state, pcm(2, 16, 44100));
}

} // namespace

BENCHMARK(BM_MixEightBitMono22050)->Arg(1)->Arg(8)->Arg(32)->Arg(77);
BENCHMARK(BM_MixSixteenBitStereo44100)->Arg(1)->Arg(8)->Arg(32)->Arg(77);
