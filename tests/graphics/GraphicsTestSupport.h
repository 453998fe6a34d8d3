#pragma once
// Shared helpers of the graphics layer's tests: a device, surfaces, pixels and small image
// files written on the fly.
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"

#include <gtest/gtest.h>

constexpr COLORREF ColorRef(BYTE r, BYTE g, BYTE b) {
    return DWORD(r) | DWORD(g) << 8 | DWORD(b) << 16;
}

#include <string>
#include <vector>

IDirectDraw7* CreateTestDevice();
IDirectDrawSurface7* CreateOffscreen(IDirectDraw7* device, int width, int height, int bpp = 0);
DWORD ReadPixel(IDirectDrawSurface7* surface, int x, int y);
void WritePixel(IDirectDrawSurface7* surface, int x, int y, DWORD value);
void FillSurface(IDirectDrawSurface7* surface, DWORD value);

// A scratch path under the test folder.
std::string TempPath(const std::string& name);
void WriteFile(const std::string& path, const std::vector<BYTE>& bytes);

// A PCX file of one plane (indices, palette given as 768 bytes) or three planes (rgb rows).
struct PcxPicture {
    int width = 0;
    int height = 0;
    int planes = 1;
    int bytesPerLine = 0;      // 0: width
    std::vector<BYTE> pixels;  // one plane: width*height indices; three: width*height*3 (r, g, b)
    std::vector<BYTE> palette; // 768 bytes for one plane
};
std::vector<BYTE> EncodePcx(const PcxPicture& pcx);
// A bottom-up BMP of 8 bits (palette of colours) or 24 bits.
std::vector<BYTE> EncodeBmp8(int width, int height, const std::vector<BYTE>& indices,
                             const std::vector<DWORD>& colorsRgb);
std::vector<BYTE> EncodeBmp24(int width, int height, const std::vector<DWORD>& pixelsRgb);

// A device released at the end of a test.
class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override { device = CreateTestDevice(); }
    void TearDown() override {
        if (device) device->Release();
    }
    ScopedDDrawTest hooks;
    IDirectDraw7* device = nullptr;
};
