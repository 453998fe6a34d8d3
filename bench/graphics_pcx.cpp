// PCX decoding: the game's 672 x 256 sprite sheet and a 1920 x 1080 picture, one plane
// (palette) and three planes, into 32-bit and 8-bit surfaces; and a noisy colour picture
// (a photograph's worth of distinct colours), which an 8-bit surface maps colour by colour.
#include "graphics/ImageLoaders.h"
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

IDirectDraw7* device() {
    static IDirectDraw7* dd7 = CreateDirectDraw7();
    return dd7;
}

void encodeLine(std::vector<BYTE>& out, const std::vector<BYTE>& line) {
    for (std::size_t i = 0; i < line.size();) {
        std::size_t run = 1;
        while (i + run < line.size() && line[i + run] == line[i] && run < 63)
            ++run;
        if (run > 1 || line[i] >= 0xC0) out.push_back(BYTE(0xC0 + run));
        out.push_back(line[i]);
        i += run;
    }
}

// A picture of tiles and gradients, so runs are as mixed as in real art; or noise.
std::string writePcx(int width, int height, int planes, bool noisy) {
    std::vector<BYTE> out(128, 0);
    out[0] = 0x0A, out[1] = 5, out[2] = 1, out[3] = 8;
    out[8] = BYTE(width - 1), out[9] = BYTE((width - 1) >> 8);
    out[10] = BYTE(height - 1), out[11] = BYTE((height - 1) >> 8);
    out[65] = BYTE(planes);
    out[66] = BYTE(width), out[67] = BYTE(width >> 8);
    std::vector<BYTE> line(static_cast<std::size_t>(width));
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y)
        for (int p = 0; p < planes; ++p) {
            for (int x = 0; x < width; ++x)
                line[std::size_t(x)] = noisy                          ? BYTE(random())
                                       : ((x / 32 + y / 32) % 3 == 0) ? BYTE(0)
                                                                      : BYTE((x * (p + 1) + y) / 3);
            encodeLine(out, line);
        }
    if (planes == 1) {
        out.push_back(0x0C);
        for (int i = 0; i < 768; ++i)
            out.push_back(BYTE(i * 7));
    }
    std::string path = (std::filesystem::temp_directory_path() /
                        ("vx_bench_" + std::to_string(width) + "x" + std::to_string(height) + "_" +
                         std::to_string(planes) + (noisy ? "_noise" : "") + ".pcx"))
                           .string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    return path;
}

void DecodePcx(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    const int planes = int(state.range(2)), bpp = int(state.range(3));
    std::string path = writePcx(width, height, planes, state.range(4) != 0);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = DWORD(width);
    desc.dwHeight = DWORD(height);
    desc.ddpfPixelFormat.dwRGBBitCount = DWORD(bpp);
    IDirectDrawSurface7* surface = nullptr;
    device()->CreateSurface(&desc, &surface, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodePcxImage(surface, 0, 0, path, 0, 0, 0, 0));
    // Rates count decoded image bytes (width * height * planes).
    state.SetBytesProcessed(state.iterations() * std::int64_t(width) * height * planes);
    surface->Release();
    std::filesystem::remove(path);
}

} // namespace

BENCHMARK(DecodePcx)
    ->Args({672, 256, 1, 32, 0})
    ->Args({672, 256, 1, 8, 0})
    ->Args({1920, 1080, 1, 32, 0})
    ->Args({1920, 1080, 3, 32, 0})
    ->Args({1920, 1080, 3, 8, 0})
    ->Args({1920, 1080, 3, 32, 1})
    ->Args({1920, 1080, 3, 8, 1})
    ->ArgNames({"w", "h", "planes", "bpp", "noisy"})
    ->Unit(benchmark::kMicrosecond);
