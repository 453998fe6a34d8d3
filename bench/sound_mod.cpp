// Output frames per second of the MOD player with 4 and 8 channels, every voice playing a
// looping sample on every row, at 44100 Hz 16-bit stereo and at the game's 22050 Hz 8-bit
// stereo; and libxmp (loaded at run time when installed) rendering the same module at the
// same rate without interpolation, for the ratio.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <xmp.h>

#include <vector>

#include "sound/ModLoader.h"
#include "sound/ModPlayer.h"
#include "tests/sound/mod/ModBuilder.h"

namespace {

std::vector<BYTE> BusyModule(int channels) {
    mod_test::ModBuilder song(channels == 4 ? "M.K." : "8CHN", channels);
    for (int s = 0; s < 8; ++s)
        song.samples[s] = mod_test::TestSample::Make(8000 + 2000 * s, 1000, 6000, 48, s);
    song.orders = {0, 1, 0, 1};
    const int periods[] = {428, 381, 339, 320, 285, 254, 226, 214};
    for (int pattern = 0; pattern < 2; ++pattern)
        for (int row = 0; row < 64; row += 4)
            for (int c = 0; c < channels; ++c)
                song.Note(pattern, row, c, periods[(row / 4 + c + pattern) % 8], 1 + (c + row) % 8,
                          c % 2 ? 4 : 10, c % 2 ? 0x34 : 0x01);
    return song.Build();
}

void RenderOurs(benchmark::State& state, int channels, DWORD rate, WORD bits) {
    auto bytes = BusyModule(channels);
    TModModule module;
    ModLoad(bytes.data(), bytes.size(), module);
    TModPlayer player(module);
    player.InitFreq(rate);
    player.Reset();
    const DWORD frames = 4096;
    std::vector<BYTE> block(frames * 2 * bits / 8);
    for (auto _ : state) {
        if (!player.Render(block.data(), DWORD(block.size()), bits, 2)) player.Reset();
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

// libxmp's entry points, found at run time so that only the tests link the library.
struct Xmp {
    decltype(&xmp_create_context) create = nullptr;
    decltype(&xmp_load_module_from_memory) load = nullptr;
    decltype(&xmp_start_player) start = nullptr;
    decltype(&xmp_set_player) set = nullptr;
    decltype(&xmp_play_buffer) play = nullptr;
    decltype(&xmp_end_player) end = nullptr;
    decltype(&xmp_release_module) release = nullptr;
    decltype(&xmp_free_context) free = nullptr;

    static const Xmp* Load() {
        static const Xmp xmp = [] {
            Xmp x;
            void* library = dlopen("libxmp.so.4", RTLD_NOW);
            if (!library) return x;
            x.create = reinterpret_cast<decltype(x.create)>(dlsym(library, "xmp_create_context"));
            x.load = reinterpret_cast<decltype(x.load)>(dlsym(library, "xmp_load_module_from_memory"));
            x.start = reinterpret_cast<decltype(x.start)>(dlsym(library, "xmp_start_player"));
            x.set = reinterpret_cast<decltype(x.set)>(dlsym(library, "xmp_set_player"));
            x.play = reinterpret_cast<decltype(x.play)>(dlsym(library, "xmp_play_buffer"));
            x.end = reinterpret_cast<decltype(x.end)>(dlsym(library, "xmp_end_player"));
            x.release = reinterpret_cast<decltype(x.release)>(dlsym(library, "xmp_release_module"));
            x.free = reinterpret_cast<decltype(x.free)>(dlsym(library, "xmp_free_context"));
            return x;
        }();
        return xmp.create && xmp.load && xmp.start && xmp.set && xmp.play && xmp.end && xmp.release &&
                       xmp.free
                   ? &xmp
                   : nullptr;
    }
};

void RenderLibxmp(benchmark::State& state, int channels, DWORD rate, WORD bits) {
    const Xmp* xmp = Xmp::Load();
    if (!xmp) {
        state.SkipWithError("libxmp is not installed");
        return;
    }
    auto bytes = BusyModule(channels);
    xmp_context context = xmp->create();
    xmp->load(context, bytes.data(), long(bytes.size()));
    xmp->start(context, int(rate), bits == 8 ? XMP_FORMAT_8BIT | XMP_FORMAT_UNSIGNED : 0);
    xmp->set(context, XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
    const int frames = 4096;
    std::vector<BYTE> block(std::size_t(frames) * 2 * bits / 8);
    for (auto _ : state) {
        xmp->play(context, block.data(), int(block.size()), 0);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * frames);
    xmp->end(context);
    xmp->release(context);
    xmp->free(context);
}

void BM_ModPlayer4Channels44100x16(benchmark::State& state) {
    RenderOurs(state, 4, 44100, 16);
}
void BM_ModPlayer8Channels44100x16(benchmark::State& state) {
    RenderOurs(state, 8, 44100, 16);
}
void BM_ModPlayer4Channels22050x8(benchmark::State& state) {
    RenderOurs(state, 4, 22050, 8);
}
void BM_ModPlayer8Channels22050x8(benchmark::State& state) {
    RenderOurs(state, 8, 22050, 8);
}
void BM_Libxmp4Channels44100x16(benchmark::State& state) {
    RenderLibxmp(state, 4, 44100, 16);
}
void BM_Libxmp8Channels44100x16(benchmark::State& state) {
    RenderLibxmp(state, 8, 44100, 16);
}
void BM_Libxmp4Channels22050x8(benchmark::State& state) {
    RenderLibxmp(state, 4, 22050, 8);
}
void BM_Libxmp8Channels22050x8(benchmark::State& state) {
    RenderLibxmp(state, 8, 22050, 8);
}

} // namespace

BENCHMARK(BM_ModPlayer4Channels44100x16);
BENCHMARK(BM_Libxmp4Channels44100x16);
BENCHMARK(BM_ModPlayer8Channels44100x16);
BENCHMARK(BM_Libxmp8Channels44100x16);
BENCHMARK(BM_ModPlayer4Channels22050x8);
BENCHMARK(BM_Libxmp4Channels22050x8);
BENCHMARK(BM_ModPlayer8Channels22050x8);
BENCHMARK(BM_Libxmp8Channels22050x8);
