// Rates of the WAV player: copying a file already in the output format, converting 44100 Hz
// 16-bit stereo to the game's 22050 Hz 8-bit stereo in one stage, and decoding IMA ADPCM in
// two stages (the compressed file is made by sox when it is installed).
#include <benchmark/benchmark.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "sound/Plug_WAV.h"
#include "sound/Sndutils.h"
#include "tests/platform/mmsys/RiffBuilder.h"

namespace {

std::string Scratch(const char* name) {
    return "/tmp/vx_bench_" + std::to_string(getpid()) + "_" + name;
}

const std::string& ToneFile() {
    static const std::string path = [] {
        std::string p = Scratch("tone.wav");
        riff_test::WriteFile(
            p, riff_test::PcmWave(riff_test::Pcm(2, 44100, 16), riff_test::Tone(44100, 2, 440, 10.0)));
        return p;
    }();
    return path;
}

const std::string& ImaFile() {
    static const std::string path = [] {
        std::string p = Scratch("ima.wav");
        return riff_test::Run("sox -n -r 44100 -c 2 -e ima-adpcm " + p + " synth 10 sine 440")
                   ? p
                   : std::string();
    }();
    return path;
}

void Play(benchmark::State& state, const std::string& file, WORD channels, DWORD rate, WORD bits) {
    if (file.empty()) {
        state.SkipWithError("no test file");
        return;
    }
    TSndWav wav(nullptr);
    wav.Format.nChannels = channels;
    wav.Format.nSamplesPerSec = rate;
    wav.Format.wBitsPerSample = bits;
    UpdateWaveFormat(&wav.Format);
    wav.FileName = file;
    if (!wav.Init()) {
        state.SkipWithError("the file did not load");
        return;
    }
    std::vector<unsigned char> block(32768);
    for (auto _ : state) {
        if (!wav.Process(block.data(), block.size())) wav.Reset();
        benchmark::DoNotOptimize(block.data());
    }
    // Output bytes; items are output frames, so the rate reads as seconds of sound per second.
    state.SetBytesProcessed(state.iterations() * std::int64_t(block.size()));
    state.SetItemsProcessed(state.iterations() * std::int64_t(block.size() / wav.Format.nBlockAlign));
}

void BM_WavCopy(benchmark::State& state) {
    Play(state, ToneFile(), 2, 44100, 16);
}
void BM_WavConvertToGameFormat(benchmark::State& state) {
    Play(state, ToneFile(), 2, 22050, 8);
}
void BM_WavImaAdpcmTwoStages(benchmark::State& state) {
    Play(state, ImaFile(), 2, 22050, 8);
}

} // namespace

BENCHMARK(BM_WavCopy);
BENCHMARK(BM_WavConvertToGameFormat);
BENCHMARK(BM_WavImaAdpcmTwoStages);
