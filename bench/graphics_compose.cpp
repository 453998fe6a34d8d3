// Composing a frame as the game does: one background BltFast and N colour-keyed 32 x 32
// sprite BltFasts, at two display sizes and three depths; side by side with a memcpy of one
// 640 x 480 x 32 frame, the peer the composing time is measured against. The keyed blits are
// also timed alone (per keyed pixel), and each version of the keyed copy on its own.
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/KeyedCopy.h"

#include <benchmark/benchmark.h>

#include <cstdint>
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

struct Placement {
    int x, y;
    RECT frame;
};

std::vector<Placement> placements(int width, int height, int sprites) {
    std::mt19937 random(42);
    std::vector<Placement> out;
    for (int i = 0; i < sprites; ++i) {
        int fx = int(random() % 21) * 32, fy = int(random() % 8) * 32;
        out.push_back({int(random() % DWORD(width - 32)), int(random() % DWORD(height - 32)),
                       RECT{fx, fy, fx + 32, fy + 32}});
    }
    return out;
}

void ComposeFrame(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1)), bpp = int(state.range(2));
    const int sprites = int(state.range(3));
    IDirectDrawSurface7* back = surface(width, height, bpp);
    IDirectDrawSurface7* background = surface(width, height, bpp);
    IDirectDrawSurface7* sheet = spriteSheet(bpp);
    const std::vector<Placement> where = placements(width, height, sprites);
    for (auto _ : state) {
        back->BltFast(0, 0, background, nullptr, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT);
        for (const Placement& p : where)
            back->BltFast(p.x, p.y, sheet, &p.frame, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    }
    state.SetItemsProcessed(state.iterations() * sprites);
    sheet->Release();
    background->Release();
    back->Release();
}

// The sprites of ComposeFrame alone, so that the time per keyed pixel holds nothing else.
void KeyedSprites(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1)), bpp = int(state.range(2));
    const int sprites = int(state.range(3));
    IDirectDrawSurface7* back = surface(width, height, bpp);
    IDirectDrawSurface7* sheet = spriteSheet(bpp);
    const std::vector<Placement> where = placements(width, height, sprites);
    for (auto _ : state)
        for (const Placement& p : where)
            back->BltFast(p.x, p.y, sheet, &p.frame, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    // Seconds per keyed pixel (shown with an SI prefix: 150p is 0.15 ns).
    state.counters["per_keyed_pixel"] =
        benchmark::Counter(double(sprites) * 32 * 32,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    sheet->Release();
    back->Release();
}

// The peer: one 640 x 480 frame of 32-bit pixels copied with memcpy.
void FrameMemcpy(benchmark::State& state) {
    const std::size_t bytes = std::size_t(640) * 480 * 4;
    std::vector<BYTE> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes));
}

// The rows of 500 sprites of 32 x 32, half of each keyed, through each version of the copy;
// source and destination stay in the cache, so this is the copy's own speed.
template <class T> void KeyedRect(benchmark::State& state) {
    const auto versions = pixelops::AvailableKeyedCopies();
    const pixelops::KeyedRowCopies& copies = *versions.at(std::size_t(state.range(0)));
    state.SetLabel(copies.name);
    std::vector<T> source(32 * 32), dest(source.size());
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = i % 2 == 0 ? T(0) : T(i * 7 + 1);
    const std::ptrdiff_t pitch = 32 * sizeof(T);
    for (auto _ : state) {
        for (int sprite = 0; sprite < 500; ++sprite) {
            if constexpr (sizeof(T) == 1)
                copies.rect8(dest.data(), pitch, source.data(), pitch, 32, 32, 0);
            else if constexpr (sizeof(T) == 2)
                copies.rect16(dest.data(), pitch, source.data(), pitch, 32, 32, 0);
            else
                copies.rect32(dest.data(), pitch, source.data(), pitch, 32, 32, 0);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 500 * 32 * 32);
}

void versionArguments(benchmark::internal::Benchmark* b) {
    for (std::size_t i = 0; i < pixelops::AvailableKeyedCopies().size(); ++i)
        b->Arg(int(i));
    b->ArgName("version");
}

void composeArguments(benchmark::internal::Benchmark* b) {
    for (auto size : {std::pair{640, 480}, std::pair{1920, 1080}})
        for (int bpp : {8, 16, 32})
            for (int n : {50, 500, 2000})
                b->Args({size.first, size.second, bpp, n});
    b->ArgNames({"w", "h", "bpp", "sprites"});
}

} // namespace

BENCHMARK(FrameMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(ComposeFrame)->Apply(composeArguments)->Unit(benchmark::kMicrosecond);
BENCHMARK(KeyedSprites)->Apply(composeArguments)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(KeyedRect, std::uint8_t)->Apply(versionArguments)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(KeyedRect, std::uint16_t)->Apply(versionArguments)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(KeyedRect, std::uint32_t)->Apply(versionArguments)->Unit(benchmark::kMicrosecond);
