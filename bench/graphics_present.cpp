// Presenting a frame: a flip of the full-screen primary (8 and 16 bits converted to
// X8R8G8B8, 8 through the palette; 32 bits handed over as they are), the scaling to the
// screen keeping the aspect, and a whole present at every display mode, in a window and in
// full screen on a 1920 x 1200 screen: the device's present, the comparison with the frame
// before and the drawing of what changed, as the Qt presenter does it (without the window
// system's own copy).
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/Presenter.h"
#include "platform/ddraw/ProportionalScale.h"
#include "platform/ddraw/ScreenPicture.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kScreenWidth = 1920, kScreenHeight = 1200;

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

// What the Qt presenter does with a frame, into a screen image of its own.
class ScreenPresenter : public Presenter {
public:
    void Present(const std::uint32_t* pixels, int width, int height, int stride, bool fullScreen) override {
        if (!picture_.Receive(pixels, width, height, stride, fullScreen)) return;
        for (const RECT& area : picture_.Update(kScreenWidth, kScreenHeight))
            picture_.Draw(area, screen_.data() + std::ptrdiff_t(area.top) * kScreenWidth + area.left,
                          kScreenWidth, 0xFF000000);
        benchmark::DoNotOptimize(screen_.data());
    }

private:
    ScreenPicture picture_;
    std::vector<std::uint32_t> screen_ =
        std::vector<std::uint32_t>(std::size_t(kScreenWidth) * kScreenHeight);
};

class ScreenWindow : public DDWindow {
public:
    ScreenWindow(int width, int height) : client_{0, 0, width, height} {}
    RECT ClientRectOnScreen() const override { return client_; }
    Presenter* FramePresenter() const override { return const_cast<ScreenPresenter*>(&presenter); }
    ScreenPresenter presenter;

private:
    RECT client_;
};

IDirectDrawSurface7* createSurface(IDirectDraw7* device, DDSURFACEDESC2 desc) {
    IDirectDrawSurface7* surface = nullptr;
    device->CreateSurface(&desc, &surface, nullptr);
    return surface;
}

IDirectDrawSurface7* createOffscreen(IDirectDraw7* device, int width, int height) {
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = DWORD(width);
    desc.dwHeight = DWORD(height);
    return createSurface(device, desc);
}

void fill(IDirectDrawSurface7* surface, const RECT& area, DWORD value) {
    DDBLTFX fx;
    fx.dwFillColor = value;
    surface->Blt(const_cast<RECT*>(&area), nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

// A game frame: the maze as one background blit, then sixteen 32 x 32 sprites walking two
// pixels a frame; frame n of the scrolling picture (the paused frame) moves every column.
class Scene {
public:
    Scene(IDirectDraw7* device, int width, int height) : width_(width), height_(height) {
        background_ = createOffscreen(device, width, height);
        sprite_ = createOffscreen(device, 32, 32);
        for (int y = 0; y < height; y += 32)
            for (int x = 0; x < width; x += 32)
                fill(background_, RECT{x, y, std::min(x + 32, width), std::min(y + 32, height)},
                     DWORD((x * 7 + y * 13) & 0xFF) * 0x010101u);
        fill(sprite_, RECT{0, 0, 32, 32}, 0xC0C0C0);
        fill(sprite_, RECT{8, 8, 24, 24}, 0x00FF00);
    }
    ~Scene() {
        sprite_->Release();
        background_->Release();
    }

    void DrawRunning(IDirectDrawSurface7* back, int frame) const {
        RECT whole{0, 0, width_, height_};
        back->BltFast(0, 0, background_, &whole, DDBLTFAST_WAIT);
        for (int i = 0; i < 16; ++i) {
            const int x = (i * 97 + frame * 2) % (width_ - 32), y = (i * 61) % (height_ - 32);
            back->BltFast(x, y, sprite_, nullptr, DDBLTFAST_WAIT);
        }
    }

    void DrawScrolled(IDirectDrawSurface7* back, int frame) const {
        const int a = frame % width_;
        RECT left{width_ - a, 0, width_, height_}, right{0, 0, width_ - a, height_};
        if (a > 0) back->BltFast(0, 0, background_, &left, DDBLTFAST_WAIT);
        back->BltFast(a, 0, background_, &right, DDBLTFAST_WAIT);
    }

private:
    int width_, height_;
    IDirectDrawSurface7* background_;
    IDirectDrawSurface7* sprite_;
};

// One present per iteration at the mode (w, h, bpp), full screen or windowed; the frame is
// drawn between the timed presents.
void presentFrames(benchmark::State& state, bool scrolled) {
    const int width = int(state.range(0)), height = int(state.range(1)), bpp = int(state.range(2));
    const bool fullScreen = state.range(3) != 0;
    DDrawTest::SetVerticalBlankWait(false);
    DDrawTest::SetDesktopMode(kScreenWidth, kScreenHeight, 32);
    IDirectDraw7* device = CreateDirectDraw7();
    ScreenWindow window(width, height);
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* back = nullptr;
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (fullScreen) {
        device->SetCooperativeLevel(&window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
        device->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bpp), 0, 0);
        desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        desc.dwBackBufferCount = 1;
        primary = createSurface(device, desc);
        DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0};
        primary->GetAttachedSurface(&caps, &back);
    } else {
        device->SetCooperativeLevel(&window, DDSCL_NORMAL);
        primary = createSurface(device, desc);
        back = createOffscreen(device, width, height);
    }
    {
        Scene scene(device, width, height);
        RECT whole{0, 0, width, height};
        int frame = 0;
        for (auto _ : state) {
            state.PauseTiming();
            if (scrolled)
                scene.DrawScrolled(back, ++frame);
            else
                scene.DrawRunning(back, ++frame);
            state.ResumeTiming();
            if (fullScreen)
                primary->Flip(nullptr, 0);
            else
                primary->Blt(&whole, back, &whole, DDBLT_WAIT, nullptr);
        }
    }
    state.SetItemsProcessed(state.iterations());
    back->Release();
    primary->Release();
    device->Release();
    DDrawTest::Reset();
}

void PresentRunningFrame(benchmark::State& state) {
    presentFrames(state, false);
}

void PresentScrollingPicture(benchmark::State& state) {
    presentFrames(state, true);
}

// Every mode a 1920 x 1200 screen offers, at the three depths in full screen; a window takes
// the desktop's depth, so one depth there.
void everyMode(benchmark::internal::Benchmark* b) {
    const int sizes[][2] = {{320, 200},   {320, 240},   {400, 300},  {512, 384},  {640, 480},
                            {800, 600},   {1024, 768},  {1152, 864}, {1280, 720}, {1280, 960},
                            {1280, 1024}, {1600, 1200}, {1920, 1080}};
    for (const auto& size : sizes) {
        b->Args({size[0], size[1], 32, 0});
        for (int bpp : {8, 16, 32})
            b->Args({size[0], size[1], bpp, 1});
    }
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
BENCHMARK(PresentRunningFrame)
    ->Apply(everyMode)
    ->ArgNames({"w", "h", "bpp", "full"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(PresentScrollingPicture)
    ->Args({640, 480, 32, 1})
    ->Args({640, 480, 32, 0})
    ->Args({1024, 768, 32, 1})
    ->Args({1600, 1200, 32, 1})
    ->Args({1600, 1200, 32, 0})
    ->ArgNames({"w", "h", "bpp", "full"})
    ->Unit(benchmark::kMicrosecond);
