// Presenting a frame: a flip of the full-screen primary (conversion to X8R8G8B8, 8 bits
// through the palette) and the nearest-neighbour scaling to the screen keeping the aspect.
#include "platform/ddraw/AspectScale.h"
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/Presenter.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// Counts frames without copying them, so only the device's own work is measured.
class CountingPresenter : public Presenter {
public:
    void Present(const std::uint32_t* pixels, int, int, int, bool) override {
        benchmark::DoNotOptimize(pixels);
        ++frames;
    }
    int frames = 0;
};

class FullScreenWindow : public DDWindow {
public:
    RECT ClientRectOnScreen() const override { return RECT{0, 0, 1920, 1080}; }
    Presenter* FramePresenter() const override { return const_cast<CountingPresenter*>(&presenter); }
    CountingPresenter presenter;
};

void FlipAndConvert(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1)), bpp = int(state.range(2));
    DDrawTest::SetVerticalBlankWait(false);
    IDirectDraw7* device = CreateDirectDraw7();
    FullScreenWindow window;
    device->SetCooperativeLevel(&window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    device->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bpp), 0, 0);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* primary = nullptr;
    device->CreateSurface(&desc, &primary, nullptr);
    for (auto _ : state)
        primary->Flip(nullptr, 0);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * std::int64_t(width) * height * 4);
    primary->Release();
    device->Release();
    DDrawTest::Reset();
}

void ScaleToScreen(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    std::vector<std::uint32_t> frame(std::size_t(width) * std::size_t(height), 0x123456);
    std::vector<std::uint32_t> screen(1920 * 1080);
    for (auto _ : state) {
        ScaleKeepingAspect(frame.data(), width, height, screen.data(), 1920, 1080);
        benchmark::DoNotOptimize(screen.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * 1920 * 1080 * 4);
}

} // namespace

BENCHMARK(FlipAndConvert)
    ->ArgsProduct({{640}, {480}, {8, 16, 32}})
    ->Args({1920, 1080, 32})
    ->ArgNames({"w", "h", "bpp"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(ScaleToScreen)
    ->Args({640, 480})
    ->Args({800, 600})
    ->ArgNames({"w", "h"})
    ->Unit(benchmark::kMicrosecond);
