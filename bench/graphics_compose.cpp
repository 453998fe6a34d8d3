// Composing a frame as the game does: one background BltFast and N colour-keyed 32 x 32
// sprite BltFasts, at two display sizes and three depths.
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

IDirectDraw7* device() {
    static IDirectDraw7* dd7 = CreateDirectDraw7();
    return dd7;
}

IDirectDrawSurface7* surface(int w, int h, int bpp) {
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = DWORD(w);
    desc.dwHeight = DWORD(h);
    desc.ddpfPixelFormat.dwRGBBitCount = DWORD(bpp);
    IDirectDrawSurface7* s = nullptr;
    device()->CreateSurface(&desc, &s, nullptr);
    return s;
}

// A sprite sheet whose frames have a transparent border around an opaque middle.
IDirectDrawSurface7* spriteSheet(int bpp) {
    IDirectDrawSurface7* sheet = surface(672, 256, bpp);
    DDSURFACEDESC2 desc;
    sheet->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    int bytes = bpp / 8;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 672; ++x) {
            bool opaque = (x % 32) >= 6 && (x % 32) < 26 && (y % 32) >= 4 && (y % 32) < 28;
            DWORD value = opaque ? DWORD(x * 7 + y) | 1 : 0;
            std::memcpy(static_cast<BYTE*>(desc.lpSurface) + y * desc.lPitch + x * bytes, &value,
                        std::size_t(bytes));
        }
    sheet->Unlock(nullptr);
    DDCOLORKEY key{0, 0};
    sheet->SetColorKey(DDCKEY_SRCBLT, &key);
    return sheet;
}

void ComposeFrame(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1)), bpp = int(state.range(2));
    const int sprites = int(state.range(3));
    IDirectDrawSurface7* back = surface(width, height, bpp);
    IDirectDrawSurface7* background = surface(width, height, bpp);
    IDirectDrawSurface7* sheet = spriteSheet(bpp);
    std::mt19937 random(42);
    struct Placement {
        int x, y;
        RECT frame;
    };
    std::vector<Placement> placements;
    for (int i = 0; i < sprites; ++i) {
        int fx = int(random() % 21) * 32, fy = int(random() % 8) * 32;
        placements.push_back({int(random() % DWORD(width - 32)), int(random() % DWORD(height - 32)),
                              RECT{fx, fy, fx + 32, fy + 32}});
    }
    for (auto _ : state) {
        back->BltFast(0, 0, background, nullptr, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT);
        for (const Placement& p : placements)
            back->BltFast(p.x, p.y, sheet, &p.frame, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    }
    const double keyedPixels = double(sprites) * 32 * 32;
    // Seconds per keyed pixel (shown with an SI prefix: 150p is 0.15 ns).
    state.counters["per_keyed_pixel"] = benchmark::Counter(
        keyedPixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * sprites);
    sheet->Release();
    background->Release();
    back->Release();
}

void composeArguments(benchmark::internal::Benchmark* b) {
    for (auto size : {std::pair{640, 480}, std::pair{1920, 1080}})
        for (int bpp : {8, 16, 32})
            for (int n : {50, 500, 2000})
                b->Args({size.first, size.second, bpp, n});
    b->ArgNames({"w", "h", "bpp", "sprites"});
}

} // namespace

BENCHMARK(ComposeFrame)->Apply(composeArguments)->Unit(benchmark::kMicrosecond);
