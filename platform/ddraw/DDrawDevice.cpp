#include "platform/ddraw/DDrawSurface.h"
#include "platform/ddraw/SurfaceDC.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstring>
#include <new>
#include <thread>

namespace ddcore {

Environment& env() {
    static Environment environment;
    return environment;
}

HRESULT Injected(DDOperation operation) {
    Environment& e = env();
    auto index = std::size_t(operation);
    e.calls[index].fetch_add(1, std::memory_order_relaxed);
    if (e.armedFaults.load(std::memory_order_acquire) == 0) return DD_OK;
    std::lock_guard guard(e.lock);
    Environment::Fault& fault = e.faults[index];
    if (fault.remaining <= 0) return DD_OK;
    --fault.remaining;
    e.armedFaults.fetch_sub(1, std::memory_order_release);
    return fault.result;
}

DWORD NewContentSerial() {
    static std::atomic<DWORD> last{0};
    return ++last;
}

void DeviceCore::waitForVerticalBlank() {
    if (!env().verticalBlankWait.load()) return;
    using namespace std::chrono;
    constexpr auto period = microseconds(16667);
    auto now = steady_clock::now();
    time_point<steady_clock> target;
    {
        std::lock_guard guard(lock);
        // After a long pause the next blank is the first one from now, not a burst of
        // blanks that were missed meanwhile.
        if (nextVerticalBlank < now) nextVerticalBlank = now + period;
        target = nextVerticalBlank;
        nextVerticalBlank += period;
    }
    std::this_thread::sleep_until(target);
}

Palette::Palette(const PALETTEENTRY* entries) {
    std::copy(entries, entries + 256, entries_.begin());
}

ULONG Palette::AddRef() {
    return ++refs_;
}

ULONG Palette::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Palette::GetCaps(DWORD* caps) {
    if (!caps) return DDERR_INVALIDPARAMS;
    *caps = DDPCAPS_8BIT;
    return DD_OK;
}

HRESULT Palette::GetEntries(DWORD, DWORD base, DWORD count, PALETTEENTRY* entries) {
    if (!entries || base > 256 || count > 256 - base) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(lock_);
    std::copy_n(entries_.begin() + base, count, entries);
    return DD_OK;
}

HRESULT Palette::SetEntries(DWORD, DWORD base, DWORD count, const PALETTEENTRY* entries) {
    if (!entries || base > 256 || count > 256 - base) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(lock_);
    std::copy_n(entries, count, entries_.begin() + base);
    serial_.store(NewContentSerial());
    return DD_OK;
}

std::array<PALETTEENTRY, 256> Palette::Entries() const {
    std::lock_guard guard(lock_);
    return entries_;
}

ULONG Clipper::AddRef() {
    return ++refs_;
}

ULONG Clipper::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Clipper::SetHWnd(DWORD, DDWindow* window) {
    window_.store(window);
    return DD_OK;
}

HRESULT Clipper::GetHWnd(DDWindow** window) {
    if (!window) return DDERR_INVALIDPARAMS;
    *window = window_.load();
    return DD_OK;
}

namespace {

constexpr Mode kModeSizes[] = {{320, 200, 0},  {320, 240, 0},  {400, 300, 0},   {512, 384, 0},
                               {640, 480, 0},  {800, 600, 0},  {1024, 768, 0},  {1152, 864, 0},
                               {1280, 720, 0}, {1280, 960, 0}, {1280, 1024, 0}, {1600, 1200, 0},
                               {1920, 1080, 0}};
constexpr int kDepths[] = {8, 16, 32};

bool listedMode(DWORD width, DWORD height, DWORD bpp) {
    bool depthOk = std::find(std::begin(kDepths), std::end(kDepths), int(bpp)) != std::end(kDepths);
    return depthOk && std::any_of(std::begin(kModeSizes), std::end(kModeSizes), [&](const Mode& m) {
               return DWORD(m.width) == width && DWORD(m.height) == height;
           });
}

DDSURFACEDESC2 modeDesc(const Mode& mode) {
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc.dwWidth = DWORD(mode.width);
    desc.dwHeight = DWORD(mode.height);
    desc.lPitch = mode.width * mode.bpp / 8;
    desc.dwRefreshRate = 60;
    desc.ddpfPixelFormat = pixelops::FormatForDepth(mode.bpp);
    return desc;
}

bool emptyArea(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT primaryScreenRect() {
    const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!screen) return {};
    const QRect area = screen->geometry();
    return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

// The display a windowed device draws on: the screen its window is on (else the primary
// screen), at the desktop's depth. A picture taller or wider than that screen cannot be
// shown whole in a window.
Mode desktopFor(DDWindow* window) {
    {
        std::lock_guard guard(env().lock);
        if (env().desktopPinned) return Mode{env().desktopWidth, env().desktopHeight, env().desktopBpp};
    }
    RECT screen = window ? window->MonitorRect() : RECT{};
    if (emptyArea(screen)) screen = primaryScreenRect();
    std::lock_guard guard(env().lock);
    Mode desktop{env().desktopWidth, env().desktopHeight, env().desktopBpp};
    if (!emptyArea(screen)) {
        desktop.width = int(screen.right - screen.left);
        desktop.height = int(screen.bottom - screen.top);
    }
    return desktop;
}

bool matchesFilter(const DDSURFACEDESC2& mode, const DDSURFACEDESC2* filter) {
    if (!filter) return true;
    if ((filter->dwFlags & DDSD_WIDTH) && filter->dwWidth != mode.dwWidth) return false;
    if ((filter->dwFlags & DDSD_HEIGHT) && filter->dwHeight != mode.dwHeight) return false;
    return !(filter->dwFlags & DDSD_PIXELFORMAT) ||
           filter->ddpfPixelFormat.dwRGBBitCount == mode.ddpfPixelFormat.dwRGBBitCount;
}

class Device : public IDirectDraw7 {
public:
    Device() : core_(std::make_shared<DeviceCore>()) { core_->mode = desktopFor(nullptr); }

    ULONG AddRef() override { return ++refs_; }

    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) {
            RestoreDisplayMode();
            delete this;
        }
        return left;
    }

    HRESULT QueryInterface(DDInterfaceId id, void** object) override {
        if (HRESULT hr = Injected(DDOperation::QueryInterface); hr != DD_OK) return hr;
        if (!object) return DDERR_INVALIDPARAMS;
        AddRef();
        if (id == IID_IDirectDraw7)
            *object = static_cast<IDirectDraw7*>(this);
        else
            *object = static_cast<IDirectDraw*>(this);
        return DD_OK;
    }

    HRESULT SetCooperativeLevel(DDWindow* window, DWORD flags) override {
        if (HRESULT hr = Injected(DDOperation::SetCooperativeLevel); hr != DD_OK) return hr;
        bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
        if (exclusive != ((flags & DDSCL_FULLSCREEN) != 0) || (exclusive && !window))
            return DDERR_INVALIDPARAMS;
        const Mode desktop = exclusive ? Mode{} : desktopFor(window);
        std::lock_guard guard(core_->lock);
        core_->window = window;
        core_->cooperativeFlags = flags;
        // Back to the desktop, which is now the screen of this window: surfaces made for
        // another display size are lost.
        if (!exclusive && (core_->modeSet || core_->mode.width != desktop.width ||
                           core_->mode.height != desktop.height || core_->mode.bpp != desktop.bpp)) {
            core_->mode = desktop;
            core_->modeSet = false;
            ++core_->modeSerial;
        }
        return DD_OK;
    }

    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD, DWORD) override {
        if (HRESULT hr = Injected(DDOperation::SetDisplayMode); hr != DD_OK) return hr;
        std::lock_guard guard(core_->lock);
        if (!core_->exclusive()) return DDERR_NOEXCLUSIVEMODE;
        if (!listedMode(width, height, bpp)) return DDERR_UNSUPPORTED;
        core_->mode = Mode{int(width), int(height), int(bpp)};
        core_->modeSet = true;
        ++core_->modeSerial;
        return DD_OK;
    }

    HRESULT RestoreDisplayMode() override {
        DDWindow* window;
        {
            std::lock_guard guard(core_->lock);
            if (!core_->modeSet) return DD_OK;
            window = core_->window;
        }
        Mode desktop = desktopFor(window);
        std::lock_guard guard(core_->lock);
        if (!core_->modeSet) return DD_OK;
        core_->mode = desktop;
        core_->modeSet = false;
        ++core_->modeSerial;
        return DD_OK;
    }

    HRESULT GetDisplayMode(DDSURFACEDESC2* desc) override {
        if (!desc) return DDERR_INVALIDPARAMS;
        std::lock_guard guard(core_->lock);
        *desc = modeDesc(core_->mode);
        return DD_OK;
    }

    HRESULT EnumDisplayModes(DWORD, DDSURFACEDESC2* filter, void* context,
                             LPDDENUMMODESCALLBACK2 callback) override {
        if (!callback) return DDERR_INVALIDPARAMS;
        DDWindow* window;
        {
            std::lock_guard guard(core_->lock);
            window = core_->window;
        }
        // Only the modes that fit the screen are offered: a larger picture could not be
        // shown whole in a window.
        const Mode desktop = desktopFor(window);
        for (const Mode& size : kModeSizes) {
            if (size.width > desktop.width || size.height > desktop.height) continue;
            for (int bpp : kDepths) {
                DDSURFACEDESC2 desc = modeDesc(Mode{size.width, size.height, bpp});
                if (!matchesFilter(desc, filter)) continue;
                if (callback(&desc, context) == DDENUMRET_CANCEL) return DD_OK;
            }
        }
        return DD_OK;
    }

    HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface, void*) override {
        if (HRESULT hr = Injected(DDOperation::CreateSurface); hr != DD_OK) return hr;
        if (!desc || !surface || !(desc->dwFlags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
        try {
            std::lock_guard guard(core_->lock);
            if (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) return createPrimary(*desc, surface);
            return createOffscreen(*desc, surface);
        } catch (const std::bad_alloc&) {
            return DDERR_OUTOFMEMORY;
        }
    }

    HRESULT CreateClipper(DWORD, IDirectDrawClipper** clipper, void*) override {
        if (HRESULT hr = Injected(DDOperation::CreateClipper); hr != DD_OK) return hr;
        if (!clipper) return DDERR_INVALIDPARAMS;
        *clipper = new Clipper;
        return DD_OK;
    }

    HRESULT CreatePalette(DWORD flags, const PALETTEENTRY* entries, IDirectDrawPalette** palette,
                          void*) override {
        if (HRESULT hr = Injected(DDOperation::CreatePalette); hr != DD_OK) return hr;
        if (!entries || !palette) return DDERR_INVALIDPARAMS;
        if (!(flags & DDPCAPS_8BIT)) return DDERR_UNSUPPORTED;
        *palette = new Palette(entries);
        return DD_OK;
    }

    HRESULT FlipToGDISurface() override {
        std::lock_guard guard(core_->lock);
        Surface* primary = core_->primary;
        if (!core_->exclusive() || !primary) return DD_OK;
        if (primary->ShowsBackBuffer()) {
            primary->SwapWithBackBuffer();
            primary->PresentToWindow();
        }
        return DD_OK;
    }

private:
    HRESULT createPrimary(const DDSURFACEDESC2& desc, IDirectDrawSurface7** out) {
        if (core_->primary) return DDERR_INVALIDPARAMS;
        DWORD caps = desc.ddsCaps.dwCaps;
        bool flipping = (desc.dwFlags & DDSD_BACKBUFFERCOUNT) != 0;
        if (flipping) {
            if (!core_->exclusive()) return DDERR_NOEXCLUSIVEMODE;
            if (desc.dwBackBufferCount != 1 || !(caps & DDSCAPS_FLIP) || !(caps & DDSCAPS_COMPLEX))
                return DDERR_INVALIDPARAMS;
            caps |= DDSCAPS_FRONTBUFFER;
        }
        const Mode& mode = core_->mode;
        auto* primary = new Surface(core_, mode.width, mode.height, mode.bpp, caps);
        if (flipping) {
            DWORD backCaps = (caps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER)) | DDSCAPS_BACKBUFFER;
            primary->AttachBackBuffer(new Surface(core_, mode.width, mode.height, mode.bpp, backCaps));
        }
        core_->primary = primary;
        *out = primary;
        return DD_OK;
    }

    HRESULT createOffscreen(const DDSURFACEDESC2& desc, IDirectDrawSurface7** out) {
        // Video memory is finite: an image file that claims a gigantic size gets no surface.
        constexpr DWORD kMaxSide = 8192;
        constexpr std::uint64_t kMaxPixels = 32u << 20;
        if (!(desc.dwFlags & DDSD_WIDTH) || !(desc.dwFlags & DDSD_HEIGHT) || desc.dwWidth == 0 ||
            desc.dwHeight == 0 || desc.dwWidth > kMaxSide || desc.dwHeight > kMaxSide)
            return DDERR_INVALIDPARAMS;
        if (std::uint64_t(desc.dwWidth) * desc.dwHeight > kMaxPixels) return DDERR_OUTOFMEMORY;
        int bpp = core_->mode.bpp;
        if (desc.dwFlags & DDSD_PIXELFORMAT) {
            bpp = int(desc.ddpfPixelFormat.dwRGBBitCount);
            if (bpp != 8 && bpp != 16 && bpp != 32) return DDERR_UNSUPPORTED;
        }
        DWORD caps = desc.ddsCaps.dwCaps | DDSCAPS_OFFSCREENPLAIN;
        *out = new Surface(core_, int(desc.dwWidth), int(desc.dwHeight), bpp, caps);
        return DD_OK;
    }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<DeviceCore> core_;
};

HRESULT directDrawCreate(void*, IDirectDraw** directDraw, void* outer) {
    if (HRESULT hr = Injected(DDOperation::DirectDrawCreate); hr != DD_OK) return hr;
    if (!directDraw || outer) return DDERR_INVALIDPARAMS;
    EnsureGraphicsRuntime();
    *directDraw = new Device;
    return DD_OK;
}

} // namespace

} // namespace ddcore

struct DDrawLibraryHandle {};

DDrawLibraryHandle* LoadDDrawLibrary(const char* name) {
    static DDrawLibraryHandle library;
    if (ddcore::env().libraryMissing.load() || !name) return nullptr;
    return &library;
}

DirectDrawCreateFunction GetDDrawProcAddress(DDrawLibraryHandle* library, const char* entry) {
    if (!library || !entry || ddcore::env().entryMissing.load() ||
        std::strcmp(entry, "DirectDrawCreate") != 0)
        return nullptr;
    return &ddcore::directDrawCreate;
}

void FreeDDrawLibrary(DDrawLibraryHandle*) {}

void GetSystemPaletteEntries(PALETTEENTRY entries[256]) {
    // The ten fixed colours at each end of the palette; the middle is a colour cube the
    // application normally replaces.
    static const PALETTEENTRY low[10] = {
        {0, 0, 0, 0},     {128, 0, 0, 0},   {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
        {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0}};
    static const PALETTEENTRY high[10] = {
        {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},
        {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0}, {255, 255, 255, 0}};
    std::copy(std::begin(low), std::end(low), entries);
    for (int i = 10; i < 246; ++i) {
        int n = i - 10; // 6 x 6 x 6 cube, then greys
        if (n < 216)
            entries[i] = PALETTEENTRY{BYTE(n / 36 * 51), BYTE(n / 6 % 6 * 51), BYTE(n % 6 * 51), 0};
        else
            entries[i] = PALETTEENTRY{BYTE((n - 215) * 12), BYTE((n - 215) * 12), BYTE((n - 215) * 12), 0};
    }
    std::copy(std::begin(high), std::end(high), entries + 246);
}
