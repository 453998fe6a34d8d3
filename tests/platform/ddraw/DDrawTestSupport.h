#pragma once
// A device with a test window for the stand-in's tests.
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/Presenter.h"

#include <gtest/gtest.h>

constexpr COLORREF ColorRef(BYTE r, BYTE g, BYTE b) {
    return DWORD(r) | DWORD(g) << 8 | DWORD(b) << 16;
}

class TestWindow : public DDWindow {
public:
    RECT client{100, 50, 420, 290};
    RECT monitor{}; // unknown unless a test places the window on a screen
    MemoryPresenter presenter;
    RECT ClientRectOnScreen() const override { return client; }
    RECT MonitorRect() const override { return monitor; }
    Presenter* FramePresenter() const override { return const_cast<MemoryPresenter*>(&presenter); }
};

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        DDrawLibraryHandle* library = LoadDDrawLibrary("DDRAW.DLL");
        ASSERT_NE(library, nullptr);
        DirectDrawCreateFunction create = GetDDrawProcAddress(library, "DirectDrawCreate");
        ASSERT_NE(create, nullptr);
        IDirectDraw* dd = nullptr;
        ASSERT_EQ(create(nullptr, &dd, nullptr), DD_OK);
        ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw7, reinterpret_cast<void**>(&device)), DD_OK);
        dd->Release();
    }
    void TearDown() override {
        if (device) device->Release();
    }

    IDirectDrawSurface7* offscreen(int width, int height, int bpp = 0) {
        DDSURFACEDESC2 desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        desc.dwWidth = DWORD(width);
        desc.dwHeight = DWORD(height);
        if (bpp) {
            desc.dwFlags |= DDSD_PIXELFORMAT;
            desc.ddpfPixelFormat.dwRGBBitCount = DWORD(bpp);
        }
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(device->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }

    ScopedDDrawTest hooks;
    IDirectDraw7* device = nullptr;
};

// Reads and writes pixels through Lock, honouring the pitch.
DWORD ReadPixel(IDirectDrawSurface7* surface, int x, int y);
void WritePixel(IDirectDrawSurface7* surface, int x, int y, DWORD value);
void FillSurface(IDirectDrawSurface7* surface, DWORD value);
