#include "platform/ddraw/DDrawSurface.h"

#include "platform/ddraw/Presenter.h"
#include "platform/ddraw/SurfaceDC.h"

#include <algorithm>

namespace ddcore {

namespace {

bool emptyRect(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool overlap(const RECT& a, const RECT& b) {
    return !emptyRect(intersect(a, b));
}

Surface* inner(IDirectDrawSurface7* surface) {
    return static_cast<Surface*>(surface);
}

} // namespace

Surface::Surface(std::shared_ptr<DeviceCore> core, int width, int height, int bpp, DWORD caps)
    : core_(std::move(core)), width_(width), height_(height), bpp_(bpp), caps_(caps),
      lossEpoch_(env().lossEpoch.load()), modeSerial_(core_->modeSerial) {
    int padding = (env().pitchPadding.load() + 3) & ~3;
    pitch_ = ((width * bpp / 8 + 3) & ~3) + padding;
    memory_.assign(std::size_t(pitch_) * std::size_t(height) / 4, 0);
}

Surface::~Surface() = default;

ULONG Surface::AddRef() {
    return ++refs_;
}

ULONG Surface::Release() {
    ULONG left = --refs_;
    if (left != 0) return left;
    // The device may go with this surface: keep it alive until its lock is let go.
    std::shared_ptr<DeviceCore> core = core_;
    {
        std::lock_guard guard(core->lock);
        if (core->primary == this) core->primary = nullptr;
        if (backBuffer_) backBuffer_->Release();
        if (palette_) palette_->Release();
        if (clipper_) clipper_->Release();
        delete dc_;
        delete this;
    }
    return 0;
}

pixelops::View Surface::view() {
    return pixelops::View{reinterpret_cast<BYTE*>(memory_.data()), pitch_, bpp_ / 8};
}

bool Surface::lost() const {
    return lossEpoch_ != env().lossEpoch.load() || modeSerial_ != core_->modeSerial;
}

HRESULT Surface::checkUsable(Surface* other) const {
    if (lost() || (other && other->lost())) return DDERR_SURFACELOST;
    if (busy() || (other && other->busy())) return DDERR_SURFACEBUSY;
    if (other && other->bpp_ != bpp_) return DDERR_UNSUPPORTED;
    return DD_OK;
}

RECT Surface::clipRegion() const {
    DDWindow* window = clipper_ ? clipper_->Window() : nullptr;
    if (!window) return bounds();
    return intersect(window->ClientRectOnScreen(), bounds());
}

HRESULT Surface::Blt(const RECT* destRect, IDirectDrawSurface7* source, const RECT* sourceRect, DWORD flags,
                     const DDBLTFX* fx) {
    if (HRESULT hr = Injected(DDOperation::Blt); hr != DD_OK) return hr;
    bool presentsCopy = isScreen() && !(flags & DDBLT_COLORFILL);
    if (presentsCopy) core_->waitForVerticalBlank();
    std::lock_guard guard(core_->lock);
    const bool keyed = (flags & DDBLT_KEYSRC) != 0;
    std::optional<ScreenCopy> copy;
    if (presentsCopy && source) {
        copy = screenCopy(inner(source), sourceRect, destRect, keyed);
        // A paused picture presented again: the screen shows it already.
        if (copy == shownCopy_) return checkUsable(inner(source));
    }
    HRESULT hr;
    if (flags & DDBLT_COLORFILL)
        hr = colorFill(destRect, fx);
    else if (!source)
        hr = DDERR_INVALIDPARAMS;
    else
        hr = copyBlit(destRect, inner(source), sourceRect, keyed);
    if (hr != DD_OK) return hr;
    touch();
    if (isScreen()) PresentToWindow();
    if (copy) {
        copy->result = uniqueness_;
        shownCopy_ = copy;
    }
    return hr;
}

Surface::ScreenCopy Surface::screenCopy(Surface* source, const RECT* sourceRect, const RECT* destRect,
                                        bool keyed) const {
    ScreenCopy copy;
    copy.source = source->uniqueness_;
    copy.sourceRect = sourceRect ? *sourceRect : source->bounds();
    copy.destRect = destRect ? *destRect : bounds();
    copy.clip = clipRegion();
    copy.keyed = keyed;
    copy.palette = palette_ ? palette_->Serial() : 0;
    DDWindow* window = core_->window;
    if (!window && clipper_) window = clipper_->Window();
    if (window) {
        copy.presenter = window->FramePresenter();
        copy.shown = core_->exclusive() ? bounds() : intersect(window->ClientRectOnScreen(), bounds());
    }
    copy.result = uniqueness_;
    return copy;
}

HRESULT Surface::colorFill(const RECT* destRect, const DDBLTFX* fx) {
    if (!fx) return DDERR_INVALIDPARAMS;
    if (HRESULT hr = checkUsable(nullptr); hr != DD_OK) return hr;
    RECT dest = destRect ? *destRect : bounds();
    if (emptyRect(dest)) return DDERR_INVALIDRECT;
    if (!clipper_ && !contains(bounds(), dest)) return DDERR_INVALIDRECT;
    RECT visible = intersect(dest, clipRegion());
    if (!emptyRect(visible))
        pixelops::Fill(view(), visible.left, visible.top, visible.right - visible.left,
                       visible.bottom - visible.top, fx->dwFillColor);
    return DD_OK;
}

HRESULT Surface::copyBlit(const RECT* destRect, Surface* source, const RECT* sourceRect, bool keyed) {
    if (HRESULT hr = checkUsable(source); hr != DD_OK) return hr;
    if (keyed && !source->hasKey_) return DDERR_NOCOLORKEY;
    RECT src = sourceRect ? *sourceRect : source->bounds();
    RECT dest = destRect ? *destRect : bounds();
    if (emptyRect(src) || emptyRect(dest) || !contains(source->bounds(), src)) return DDERR_INVALIDRECT;
    if (!clipper_ && !contains(bounds(), dest)) return DDERR_INVALIDRECT;
    RECT visible = intersect(dest, clipRegion());
    if (emptyRect(visible)) return DD_OK;
    int srcW = src.right - src.left, srcH = src.bottom - src.top;
    int destW = dest.right - dest.left, destH = dest.bottom - dest.top;
    pixelops::View from = source->view();
    // A copy within one surface whose rectangles overlap reads from a snapshot.
    std::vector<std::uint32_t> snapshot;
    if (source == this && overlap(src, dest) && (keyed || srcW != destW || srcH != destH)) {
        snapshot = memory_;
        from.bits = reinterpret_cast<BYTE*>(snapshot.data());
    }
    DWORD key = source->key_.dwColorSpaceLowValue;
    if (srcW == destW && srcH == destH) {
        int sx = src.left + visible.left - dest.left, sy = src.top + visible.top - dest.top;
        int w = visible.right - visible.left, h = visible.bottom - visible.top;
        if (keyed)
            pixelops::CopyKeyed(view(), visible.left, visible.top, from, sx, sy, w, h, key);
        else
            pixelops::Copy(view(), visible.left, visible.top, from, sx, sy, w, h);
        return DD_OK;
    }
    pixelops::Stretch s{dest.left,
                        dest.top,
                        destW,
                        destH,
                        src.left,
                        src.top,
                        srcW,
                        srcH,
                        visible.left,
                        visible.top,
                        visible.right - visible.left,
                        visible.bottom - visible.top,
                        keyed,
                        key};
    pixelops::StretchCopy(view(), from, s);
    return DD_OK;
}

HRESULT Surface::BltFast(int x, int y, IDirectDrawSurface7* sourceSurface, const RECT* sourceRect,
                         DWORD flags) {
    if (HRESULT hr = Injected(DDOperation::BltFast); hr != DD_OK) return hr;
    if (!sourceSurface) return DDERR_INVALIDPARAMS;
    if (flags & DDBLTFAST_DESTCOLORKEY) return DDERR_UNSUPPORTED;
    std::lock_guard guard(core_->lock);
    Surface* source = inner(sourceSurface);
    if (HRESULT hr = checkUsable(source); hr != DD_OK) return hr;
    bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) != 0;
    if (keyed && !source->hasKey_) return DDERR_NOCOLORKEY;
    RECT src = sourceRect ? *sourceRect : source->bounds();
    if (emptyRect(src)) return DDERR_INVALIDRECT;
    // Clipped to both surfaces: a sprite half off the screen shows its visible half.
    RECT srcVisible = intersect(src, source->bounds());
    RECT dest{x + srcVisible.left - src.left, y + srcVisible.top - src.top, 0, 0};
    dest.right = dest.left + (srcVisible.right - srcVisible.left);
    dest.bottom = dest.top + (srcVisible.bottom - srcVisible.top);
    RECT visible = intersect(dest, bounds());
    if (emptyRect(srcVisible) || emptyRect(visible)) return DD_OK;
    int sx = srcVisible.left + visible.left - dest.left, sy = srcVisible.top + visible.top - dest.top;
    int w = visible.right - visible.left, h = visible.bottom - visible.top;
    pixelops::View from = source->view();
    std::vector<std::uint32_t> snapshot;
    if (keyed && source == this && overlap(RECT{sx, sy, sx + w, sy + h}, visible)) {
        snapshot = memory_;
        from.bits = reinterpret_cast<BYTE*>(snapshot.data());
    }
    if (keyed)
        pixelops::CopyKeyed(view(), visible.left, visible.top, from, sx, sy, w, h,
                            source->key_.dwColorSpaceLowValue);
    else
        pixelops::Copy(view(), visible.left, visible.top, from, sx, sy, w, h);
    touch();
    if (isScreen()) PresentToWindow();
    return DD_OK;
}

void Surface::AttachBackBuffer(Surface* back) {
    backBuffer_ = back;
}

void Surface::SwapWithBackBuffer() {
    std::swap(memory_, backBuffer_->memory_);
    flipped_ = !flipped_;
    touch();
    backBuffer_->touch();
}

HRESULT Surface::Flip(IDirectDrawSurface7* targetOverride, DWORD flags) {
    if (HRESULT hr = Injected(DDOperation::Flip); hr != DD_OK) return hr;
    if (!backBuffer_ || (targetOverride && targetOverride != backBuffer_)) return DDERR_NOTFLIPPABLE;
    {
        std::lock_guard guard(core_->lock);
        if (HRESULT hr = checkUsable(backBuffer_); hr != DD_OK) return hr;
    }
    core_->waitForVerticalBlank();
    std::lock_guard guard(core_->lock);
    if (HRESULT hr = checkUsable(backBuffer_); hr != DD_OK) return hr;
    SwapWithBackBuffer();
    PresentToWindow();
    return DD_OK;
}

HRESULT Surface::GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface7** attached) {
    if (HRESULT hr = Injected(DDOperation::GetAttachedSurface); hr != DD_OK) return hr;
    if (!caps || !attached) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    if (!(caps->dwCaps & DDSCAPS_BACKBUFFER) || !backBuffer_) return DDERR_NOTFOUND;
    backBuffer_->AddRef();
    *attached = backBuffer_;
    return DD_OK;
}

HRESULT Surface::GetCaps(DDSCAPS2* caps) {
    if (!caps) return DDERR_INVALIDPARAMS;
    *caps = DDSCAPS2{caps_, 0};
    return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(DDSURFACEDESC2* desc) {
    if (HRESULT hr = Injected(DDOperation::GetSurfaceDesc); hr != DD_OK) return hr;
    if (!desc) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    *desc = DDSURFACEDESC2{};
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = DWORD(width_);
    desc->dwHeight = DWORD(height_);
    desc->lPitch = pitch_;
    desc->ddpfPixelFormat = pixelops::FormatForDepth(bpp_);
    desc->ddsCaps.dwCaps = caps_;
    if (backBuffer_) {
        desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc->dwBackBufferCount = 1;
    }
    if (hasKey_) {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt = key_;
    }
    return DD_OK;
}

HRESULT Surface::GetPixelFormat(DDPIXELFORMAT* format) {
    if (!format) return DDERR_INVALIDPARAMS;
    *format = pixelops::FormatForDepth(bpp_);
    return DD_OK;
}

HRESULT Surface::Lock(const RECT* rect, DDSURFACEDESC2* desc, DWORD flags, void* event) {
    if (HRESULT hr = Injected(DDOperation::Lock); hr != DD_OK) return hr;
    if (!desc) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    if (HRESULT hr = checkUsable(nullptr); hr != DD_OK) return hr;
    RECT area = rect ? *rect : bounds();
    if (emptyRect(area) || !contains(bounds(), area)) return DDERR_INVALIDRECT;
    GetSurfaceDesc(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = view().at(area.left, area.top);
    locked_ = true;
    return DD_OK;
}

HRESULT Surface::Unlock(const RECT* rect) {
    std::lock_guard guard(core_->lock);
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    // Whoever held the pixels may have written them.
    touch();
    if (isScreen()) PresentToWindow();
    return DD_OK;
}

std::array<PALETTEENTRY, 256> Surface::displayPalette() const {
    if (palette_) return palette_->Entries();
    if (core_->primary && core_->primary != this && core_->primary->palette_)
        return core_->primary->palette_->Entries();
    std::array<PALETTEENTRY, 256> system;
    GetSystemPaletteEntries(system.data());
    return system;
}

HRESULT Surface::GetUniquenessValue(DWORD* value) {
    if (!value) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    *value = uniqueness_;
    return DD_OK;
}

HRESULT Surface::GetDisplayPalette(PALETTEENTRY entries[256]) {
    if (!entries) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    auto palette = displayPalette();
    std::copy(palette.begin(), palette.end(), entries);
    return DD_OK;
}

HRESULT Surface::GetDC(HDC* dc) {
    if (HRESULT hr = Injected(DDOperation::GetDC); hr != DD_OK) return hr;
    if (!dc) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    if (HRESULT hr = checkUsable(nullptr); hr != DD_OK) return hr;
    auto palette = displayPalette();
    dc_ =
        new SurfaceDC(reinterpret_cast<BYTE*>(memory_.data()), width_, height_, pitch_, bpp_, palette.data());
    *dc = dc_;
    return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
    std::lock_guard guard(core_->lock);
    if (!dc_ || dc != dc_) return DDERR_NOTDCHELD;
    dc_->Finish();
    delete dc_;
    dc_ = nullptr;
    touch();
    if (isScreen()) PresentToWindow();
    return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, const DDCOLORKEY* key) {
    if (HRESULT hr = Injected(DDOperation::SetColorKey); hr != DD_OK) return hr;
    if (!(flags & DDCKEY_SRCBLT)) return DDERR_UNSUPPORTED;
    std::lock_guard guard(core_->lock);
    hasKey_ = key != nullptr;
    if (key) key_ = *key;
    return DD_OK;
}

HRESULT Surface::GetColorKey(DWORD flags, DDCOLORKEY* key) {
    if (!key || !(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    if (!hasKey_) return DDERR_NOCOLORKEY;
    *key = key_;
    return DD_OK;
}

HRESULT Surface::SetPalette(IDirectDrawPalette* palette) {
    if (HRESULT hr = Injected(DDOperation::SetPalette); hr != DD_OK) return hr;
    if (bpp_ != 8 && palette) return DDERR_UNSUPPORTED;
    std::lock_guard guard(core_->lock);
    if (palette) palette->AddRef();
    if (palette_) palette_->Release();
    palette_ = static_cast<Palette*>(palette);
    if (isScreen()) PresentToWindow();
    return DD_OK;
}

HRESULT Surface::GetPalette(IDirectDrawPalette** palette) {
    if (!palette) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    if (!palette_) return DDERR_NOPALETTEATTACHED;
    palette_->AddRef();
    *palette = palette_;
    return DD_OK;
}

HRESULT Surface::SetClipper(IDirectDrawClipper* clipper) {
    if (HRESULT hr = Injected(DDOperation::SetClipper); hr != DD_OK) return hr;
    std::lock_guard guard(core_->lock);
    if (clipper) clipper->AddRef();
    if (clipper_) clipper_->Release();
    clipper_ = static_cast<Clipper*>(clipper);
    return DD_OK;
}

HRESULT Surface::GetClipper(IDirectDrawClipper** clipper) {
    if (!clipper) return DDERR_INVALIDPARAMS;
    std::lock_guard guard(core_->lock);
    if (!clipper_) return DDERR_NOTFOUND;
    clipper_->AddRef();
    *clipper = clipper_;
    return DD_OK;
}

HRESULT Surface::IsLost() {
    std::lock_guard guard(core_->lock);
    return lost() ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::Restore() {
    if (HRESULT hr = Injected(DDOperation::Restore); hr != DD_OK) return hr;
    std::lock_guard guard(core_->lock);
    if (!lost()) return DD_OK;
    if (modeSerial_ != core_->modeSerial || env().lossCause.load()) return DDERR_WRONGMODE;
    lossEpoch_ = env().lossEpoch.load();
    touch();
    if (backBuffer_) {
        backBuffer_->lossEpoch_ = lossEpoch_;
        backBuffer_->touch();
    }
    return DD_OK;
}

void Surface::PresentToWindow() {
    DDWindow* window = core_->window;
    if (!window && clipper_) window = clipper_->Window();
    Presenter* presenter = window ? window->FramePresenter() : nullptr;
    if (!presenter) return;
    RECT area = bounds();
    bool fullScreen = core_->exclusive();
    if (!fullScreen) area = intersect(window->ClientRectOnScreen(), bounds());
    if (emptyRect(area)) return;
    int w = area.right - area.left, h = area.bottom - area.top;
    // 32-bit pixels are shown as they are: their top byte means nothing to a presenter.
    if (bpp_ == 32) {
        presenter->Present(reinterpret_cast<const std::uint32_t*>(view().at(area.left, area.top)), w, h,
                           pitch_ / 4, fullScreen);
        return;
    }
    auto palette = displayPalette();
    core_->presentBuffer.resize(std::size_t(w) * std::size_t(h));
    pixelops::ConvertToXrgb(view(), area.left, area.top, w, h, palette.data(), core_->presentBuffer.data(),
                            w);
    presenter->Present(core_->presentBuffer.data(), w, h, w, fullScreen);
}

} // namespace ddcore
