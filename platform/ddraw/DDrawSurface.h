#pragma once
// The stand-in's surface (inner header of platform/ddraw).
#include "platform/ddraw/DDrawCore.h"

#include <optional>

class Presenter;

namespace ddcore {

class Surface : public IDirectDrawSurface7 {
public:
    Surface(std::shared_ptr<DeviceCore> core, int width, int height, int bpp, DWORD caps);
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Blt(const RECT* destRect, IDirectDrawSurface7* source, const RECT* sourceRect, DWORD flags,
                const DDBLTFX* fx) override;
    HRESULT BltFast(int x, int y, IDirectDrawSurface7* source, const RECT* sourceRect, DWORD flags) override;
    HRESULT Flip(IDirectDrawSurface7* targetOverride, DWORD flags) override;
    HRESULT GetAttachedSurface(const DDSCAPS2* caps, IDirectDrawSurface7** attached) override;
    HRESULT GetCaps(DDSCAPS2* caps) override;
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override;
    HRESULT GetPixelFormat(DDPIXELFORMAT* format) override;
    HRESULT Lock(const RECT* rect, DDSURFACEDESC2* desc, DWORD flags, void* event) override;
    HRESULT Unlock(const RECT* rect) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT ReleaseDC(HDC dc) override;
    HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key) override;
    HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) override;
    HRESULT SetPalette(IDirectDrawPalette* palette) override;
    HRESULT GetPalette(IDirectDrawPalette** palette) override;
    HRESULT SetClipper(IDirectDrawClipper* clipper) override;
    HRESULT GetClipper(IDirectDrawClipper** clipper) override;
    HRESULT IsLost() override;
    HRESULT Restore() override;
    HRESULT GetDisplayPalette(PALETTEENTRY entries[256]) override;
    HRESULT GetUniquenessValue(DWORD* value) override;

    // Inner operations; the caller holds the device lock.
    void AttachBackBuffer(Surface* back);
    // Swaps the pictures of the front and back buffer; answers whether the front now
    // shows what was drawn in the back buffer last.
    void SwapWithBackBuffer();
    bool ShowsBackBuffer() const { return flipped_; }
    void PresentToWindow();

private:
    ~Surface() override;
    pixelops::View view();
    bool lost() const;
    bool busy() const { return locked_ || dc_ != nullptr; }
    bool isScreen() const { return (caps_ & DDSCAPS_PRIMARYSURFACE) != 0; }
    RECT bounds() const { return RECT{0, 0, width_, height_}; }
    HRESULT checkUsable(Surface* other) const;
    // The part of the surface a blit may write: the clipper's window, else the whole surface.
    RECT clipRegion() const;
    std::array<PALETTEENTRY, 256> displayPalette() const;
    HRESULT colorFill(const RECT* destRect, const DDBLTFX* fx);
    HRESULT copyBlit(const RECT* destRect, Surface* source, const RECT* sourceRect, bool keyed);
    // What a copy onto the screen would show: the source's contents, where they go and who
    // shows them.
    struct ScreenCopy {
        DWORD source = 0; // the source's uniqueness value
        RECT sourceRect, destRect, clip, shown;
        bool keyed = false;
        DWORD palette = 0;
        Presenter* presenter = nullptr;
        DWORD result = 0; // the screen's uniqueness value after the copy
        friend bool operator==(const ScreenCopy&, const ScreenCopy&) = default;
    };
    ScreenCopy screenCopy(Surface* source, const RECT* sourceRect, const RECT* destRect, bool keyed) const;
    // The contents changed: a new uniqueness value.
    void touch() { uniqueness_ = NewContentSerial(); }

    std::shared_ptr<DeviceCore> core_;
    std::atomic<ULONG> refs_{1};
    int width_;
    int height_;
    int bpp_;
    int pitch_;
    DWORD caps_;
    std::vector<std::uint32_t> memory_;
    bool hasKey_ = false;
    DDCOLORKEY key_;
    Palette* palette_ = nullptr;
    Clipper* clipper_ = nullptr;
    Surface* backBuffer_ = nullptr; // held by a flipping primary
    bool flipped_ = false;
    bool locked_ = false;
    SurfaceDC* dc_ = nullptr;
    unsigned lossEpoch_;
    unsigned modeSerial_;
    DWORD uniqueness_ = NewContentSerial();
    // The last copy presented on this screen surface; the same copy of an unchanged source
    // onto an unchanged screen would show the same picture again.
    std::optional<ScreenCopy> shownCopy_;
};

} // namespace ddcore
