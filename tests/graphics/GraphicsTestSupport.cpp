#include "GraphicsTestSupport.h"

#include "platform/ddraw/DDrawTest.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

IDirectDraw7* CreateTestDevice() {
    IDirectDraw7* device = CreateDirectDraw7();
    EXPECT_NE(device, nullptr);
    return device;
}

IDirectDrawSurface7* CreateOffscreen(IDirectDraw7* device, int width, int height, int bpp) {
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

DWORD ReadPixel(IDirectDrawSurface7* surface, int x, int y) {
    DDSURFACEDESC2 desc;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    DWORD value = 0;
    int bytes = int(desc.ddpfPixelFormat.dwRGBBitCount / 8);
    std::memcpy(&value, static_cast<BYTE*>(desc.lpSurface) + y * desc.lPitch + x * bytes, std::size_t(bytes));
    surface->Unlock(nullptr);
    return value;
}

void WritePixel(IDirectDrawSurface7* surface, int x, int y, DWORD value) {
    DDSURFACEDESC2 desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    int bytes = int(desc.ddpfPixelFormat.dwRGBBitCount / 8);
    std::memcpy(static_cast<BYTE*>(desc.lpSurface) + y * desc.lPitch + x * bytes, &value, std::size_t(bytes));
    surface->Unlock(nullptr);
}

void FillSurface(IDirectDrawSurface7* surface, DWORD value) {
    DDBLTFX fx;
    fx.dwFillColor = value;
    ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
}

std::string TempPath(const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(VX_TEST_TMP) / "graphics";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

void WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

namespace {

void put16(std::vector<BYTE>& out, std::size_t at, int value) {
    out[at] = BYTE(value);
    out[at + 1] = BYTE(value >> 8);
}

void append32(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(BYTE(value >> (8 * i)));
}

// Run-length codes one plane line: runs of equal bytes, and every byte of 0xC0 or more as a run.
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

} // namespace

std::vector<BYTE> EncodePcx(const PcxPicture& pcx) {
    int bpl = pcx.bytesPerLine ? pcx.bytesPerLine : pcx.width;
    std::vector<BYTE> out(128, 0);
    out[0] = 0x0A;
    out[1] = 5;
    out[2] = 1;
    out[3] = 8;
    put16(out, 8, pcx.width - 1);
    put16(out, 10, pcx.height - 1);
    out[65] = BYTE(pcx.planes);
    put16(out, 66, bpl);
    for (int y = 0; y < pcx.height; ++y) {
        for (int p = 0; p < pcx.planes; ++p) {
            std::vector<BYTE> line(std::size_t(bpl), 0);
            for (int x = 0; x < pcx.width && x < bpl; ++x)
                line[std::size_t(x)] = pcx.pixels[(std::size_t(y) * pcx.width + x) * pcx.planes + p];
            encodeLine(out, line);
        }
    }
    if (pcx.planes == 1) {
        out.push_back(0x0C);
        out.insert(out.end(), pcx.palette.begin(), pcx.palette.end());
    }
    return out;
}

static std::vector<BYTE> bmpHeaders(int width, int height, int bits, int colors, std::size_t dataSize) {
    std::vector<BYTE> out{'B', 'M'};
    DWORD offset = 14 + 40 + DWORD(colors) * 4;
    append32(out, offset + DWORD(dataSize));
    append32(out, 0);
    append32(out, offset);
    append32(out, 40);
    append32(out, DWORD(width));
    append32(out, DWORD(height));
    out.push_back(1);
    out.push_back(0);
    out.push_back(BYTE(bits));
    out.push_back(0);
    append32(out, 0);
    append32(out, DWORD(dataSize));
    append32(out, 2835);
    append32(out, 2835);
    append32(out, DWORD(colors));
    append32(out, 0);
    return out;
}

std::vector<BYTE> EncodeBmp8(int width, int height, const std::vector<BYTE>& indices,
                             const std::vector<DWORD>& colorsRgb) {
    std::size_t stride = (std::size_t(width) + 3) & ~std::size_t(3);
    std::vector<BYTE> out = bmpHeaders(width, height, 8, int(colorsRgb.size()), stride * std::size_t(height));
    for (DWORD c : colorsRgb) {
        out.push_back(BYTE(c));
        out.push_back(BYTE(c >> 8));
        out.push_back(BYTE(c >> 16));
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            out.push_back(indices[std::size_t(y) * width + x]);
        out.resize(out.size() + stride - std::size_t(width), 0);
    }
    return out;
}

std::vector<BYTE> EncodeBmp24(int width, int height, const std::vector<DWORD>& pixelsRgb) {
    std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    std::vector<BYTE> out = bmpHeaders(width, height, 24, 0, stride * std::size_t(height));
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            DWORD c = pixelsRgb[std::size_t(y) * width + x];
            out.push_back(BYTE(c));
            out.push_back(BYTE(c >> 8));
            out.push_back(BYTE(c >> 16));
        }
        out.resize(out.size() + stride - std::size_t(width) * 3, 0);
    }
    return out;
}
