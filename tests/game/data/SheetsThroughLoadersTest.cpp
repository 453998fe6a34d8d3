// The generated sheets loaded through the game's own image loaders, at each display depth:
// sizes, the colour key taken from the top-left pixel, no opaque pixel equal to it, and the
// players' outline and GodMode colours as the blink sees them.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "graphics/ImageLoaders.h"
#include "platform/ddraw/DDrawTest.h"
#include "tests/game/data/GeneratedData.h"

namespace fs = std::filesystem;
using namespace datatest;

namespace {

const char* const kKeyedSheets[] = {"maps.pcx", "players.pcx", "monsters.pcx", "bomb.pcx",
                                    "fire.pcx", "bonus.pcx",   "explose.pcx",  "explose2.pcx"};

class LoadedSheet {
public:
    LoadedSheet(IDirectDrawSurface7* surface) : surface_(surface) {}
    ~LoadedSheet() {
        if (surface_) surface_->Release();
    }
    LoadedSheet(const LoadedSheet&) = delete;
    LoadedSheet& operator=(const LoadedSheet&) = delete;
    IDirectDrawSurface7* get() const { return surface_; }

    // Every pixel, read as the game reads them (low bits of the depth).
    std::vector<DWORD> pixels(int& width, int& height) const {
        DDSURFACEDESC2 desc;
        std::vector<DWORD> out;
        if (surface_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return out;
        width = static_cast<int>(desc.dwWidth), height = static_cast<int>(desc.dwHeight);
        const int bytes = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount / 8);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                DWORD v = 0;
                std::memcpy(&v, static_cast<BYTE*>(desc.lpSurface) + y * desc.lPitch + x * bytes,
                            static_cast<std::size_t>(bytes));
                out.push_back(v);
            }
        surface_->Unlock(nullptr);
        return out;
    }

private:
    IDirectDrawSurface7* surface_;
};

class SheetsThroughLoaders : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        auto create = GetDDrawProcAddress(LoadDDrawLibrary("DDRAW.DLL"), "DirectDrawCreate");
        ASSERT_NE(create, nullptr);
        IDirectDraw* dd = nullptr;
        ASSERT_EQ(create(nullptr, &dd, nullptr), DD_OK);
        ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw7, reinterpret_cast<void**>(&device_)), DD_OK);
        dd->Release();
        palette_ = LoadPaletteFromBitmap(device_, (gfx() / "palette.bmp").string().c_str());
        ASSERT_NE(palette_, nullptr);
    }
    void TearDown() override {
        if (palette_) palette_->Release();
        if (device_) device_->Release();
    }

    static fs::path gfx() { return generatedTree("a") / "data/gfx"; }

    // A surface of the sheet's size at the test's depth, the image decoded into it.
    IDirectDrawSurface7* load(const char* file) {
        PcxImage image = readPcx(gfx() / file);
        DDSURFACEDESC2 desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        desc.dwWidth = static_cast<DWORD>(image.width);
        desc.dwHeight = static_cast<DWORD>(image.height);
        desc.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(GetParam());
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(device_->CreateSurface(&desc, &surface, nullptr), DD_OK);
        if (!surface) return nullptr;
        if (GetParam() == 8) surface->SetPalette(palette_); // the display palette of an 8-bit mode
        EXPECT_TRUE(DecodePcxImage(surface, 0, 0, (gfx() / file).string(), 0, 0, 0, 0)) << file;
        return surface;
    }

    ScopedDDrawTest hooks_;
    IDirectDraw7* device_ = nullptr;
    IDirectDrawPalette* palette_ = nullptr;
};

} // namespace

TEST_P(SheetsThroughLoaders, OnlyKeyPixelsEqualTheTopLeftColourKey) {
    for (const char* file : kKeyedSheets) {
        SCOPED_TRACE(file);
        PcxImage image = readPcx(gfx() / file);
        LoadedSheet sheet(load(file));
        ASSERT_NE(sheet.get(), nullptr);
        int width = 0, height = 0;
        std::vector<DWORD> pixels = sheet.pixels(width, height);
        ASSERT_EQ(width, image.width);
        ASSERT_EQ(height, image.height);
        const DWORD key = pixels[0];
        int wrong = 0;
        for (int i = 0; i < width * height; ++i)
            wrong += (pixels[static_cast<std::size_t>(i)] == key) !=
                     (image.pixels[static_cast<std::size_t>(i)] == 0);
        EXPECT_EQ(wrong, 0);
    }
}

TEST_P(SheetsThroughLoaders, LoadPcxSurfaceTakesTheSheetsOwnSize) {
    for (const char* file : {"title.pcx", "maps.pcx", "bonus.pcx", "explose2.pcx"}) {
        PcxImage image = readPcx(gfx() / file);
        LoadedSheet sheet(LoadPcxSurface(device_, (gfx() / file).string(), 0, 0));
        ASSERT_NE(sheet.get(), nullptr) << file;
        DDSURFACEDESC2 desc;
        ASSERT_EQ(sheet.get()->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(static_cast<int>(desc.dwWidth), image.width) << file;
        EXPECT_EQ(static_cast<int>(desc.dwHeight), image.height) << file;
    }
}

TEST_P(SheetsThroughLoaders, GodColourAndOutlineStayApartInThePlayerRows) {
    IniFile ini = readIni(generatedTree("a") / "vortamix.ini");
    const int outlineX = std::atoi(ini.get("GFX", "PlayerBorderColorX").c_str());
    const auto god = static_cast<COLORREF>(std::atol(ini.get("GFX", "GodBorderColor").c_str()));
    LoadedSheet players(load("players.pcx"));
    ASSERT_NE(players.get(), nullptr);
    const DWORD godPixel = MatchSurfaceColor(players.get(), god);
    ASSERT_NE(godPixel, CLR_INVALID);
    int width = 0, height = 0;
    std::vector<DWORD> pixels = players.pixels(width, height);
    const DWORD mask = GetParam() == 32 ? 0xFFFFFF : 0xFFFFFFFF;
    const DWORD outline = pixels[static_cast<std::size_t>(outlineX)] & mask;
    EXPECT_NE(outline, pixels[0]);
    for (int row = 0; row < 8; ++row) {
        int outlines = 0, gods = 0;
        for (int y = row * 32; y < row * 32 + 32; ++y)
            for (int x = 0; x < width; ++x) {
                DWORD v = pixels[static_cast<std::size_t>(y * width + x)] & mask;
                outlines += v == outline;
                gods += v == (godPixel & mask);
            }
        EXPECT_GT(outlines, 21 * 20) << "row " << row; // every figure is outlined
        EXPECT_EQ(gods, 0) << "row " << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, SheetsThroughLoaders, ::testing::Values(8, 16, 32),
                         [](const ::testing::TestParamInfo<int>& depth) {
                             return std::to_string(depth.param) + "Bits";
                         });
