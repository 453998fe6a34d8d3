// Copying decoded pictures onto surfaces and turning colours into pixel values.
#include "graphics/ImageLoaders.h"

#include "platform/ddraw/SurfaceDC.h"

#include <cstring>

namespace {

DWORD maskedFirstPixel(const DDSURFACEDESC2& desc) {
    DWORD value = 0;
    std::memcpy(&value, desc.lpSurface, desc.ddpfPixelFormat.dwRGBBitCount / 8);
    DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
    return bits < 32 ? value & ((1u << bits) - 1) : value;
}

HRESULT lockRetrying(IDirectDrawSurface7* surface, DDSURFACEDESC2& desc) {
    HRESULT hr;
    while ((hr = surface->Lock(nullptr, &desc, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
    }
    return hr;
}

} // namespace

HRESULT CopyBitmapToSurface(IDirectDrawSurface7* surface, HBITMAP bitmap, int x, int y, int width,
                            int height) {
    if (!surface || !bitmap || bitmap->pixels.empty()) return E_FAIL;
    surface->Restore();
    if (width == 0) width = bitmap->width;
    if (height == 0) height = bitmap->height;
    RECT source{x, y, x + width, y + height};
    if (x < 0 || y < 0 || width < 1 || height < 1 || source.right > bitmap->width ||
        source.bottom > bitmap->height)
        return E_FAIL;
    DDSURFACEDESC2 desc;
    surface->GetSurfaceDesc(&desc);
    HDC dc = nullptr;
    HRESULT hr = surface->GetDC(&dc);
    if (SUCCEEDED(hr)) {
        dc->StretchDraw(RECT{0, 0, int(desc.dwWidth), int(desc.dwHeight)}, bitmap->pixels.data(),
                        bitmap->width, bitmap->height, bitmap->width, source);
        surface->ReleaseDC(dc);
    }
    return hr;
}

DWORD MatchSurfaceColor(IDirectDrawSurface7* surface, COLORREF color) {
    if (!surface) return CLR_INVALID;
    // The pixel at (0, 0) is borrowed to let the drawing context pick the colour's value,
    // and its own value is put back exactly (a palette may hold one colour twice).
    DDSURFACEDESC2 desc;
    DWORD saved = 0;
    bool haveSaved = false;
    if (color != CLR_INVALID && SUCCEEDED(lockRetrying(surface, desc))) {
        std::memcpy(&saved, desc.lpSurface, desc.ddpfPixelFormat.dwRGBBitCount / 8);
        haveSaved = true;
        surface->Unlock(nullptr);
        HDC dc = nullptr;
        if (SUCCEEDED(surface->GetDC(&dc))) {
            dc->SetPixel(0, 0, color);
            surface->ReleaseDC(dc);
        }
    }
    DWORD value = CLR_INVALID;
    if (SUCCEEDED(lockRetrying(surface, desc))) {
        value = maskedFirstPixel(desc);
        if (haveSaved) std::memcpy(desc.lpSurface, &saved, desc.ddpfPixelFormat.dwRGBBitCount / 8);
        surface->Unlock(nullptr);
    }
    return value;
}

HRESULT SetSurfaceColorKey(IDirectDrawSurface7* surface, COLORREF color) {
    DWORD value = MatchSurfaceColor(surface, color);
    if (!surface) return E_FAIL;
    DDCOLORKEY key{value, value};
    return surface->SetColorKey(DDCKEY_SRCBLT, &key);
}
