#include "DDrawTestSupport.h"

#include <cstring>

namespace {

BYTE* pixelAddress(const DDSURFACEDESC2& desc, int x, int y) {
    return static_cast<BYTE*>(desc.lpSurface) + y * desc.lPitch +
           x * int(desc.ddpfPixelFormat.dwRGBBitCount / 8);
}

} // namespace

DWORD ReadPixel(IDirectDrawSurface7* surface, int x, int y) {
    DDSURFACEDESC2 desc;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    DWORD value = 0;
    std::memcpy(&value, pixelAddress(desc, x, y), desc.ddpfPixelFormat.dwRGBBitCount / 8);
    surface->Unlock(nullptr);
    return value;
}

void WritePixel(IDirectDrawSurface7* surface, int x, int y, DWORD value) {
    DDSURFACEDESC2 desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    std::memcpy(pixelAddress(desc, x, y), &value, desc.ddpfPixelFormat.dwRGBBitCount / 8);
    surface->Unlock(nullptr);
}

void FillSurface(IDirectDrawSurface7* surface, DWORD value) {
    DDBLTFX fx;
    fx.dwFillColor = value;
    ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
}
