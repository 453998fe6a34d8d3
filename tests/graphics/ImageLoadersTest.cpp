#include "graphics/ImageLoaders.h"
#include "GraphicsTestSupport.h"
#include "platform/ddraw/PixelOps.h"
#include "platform/framework/Classes.h"

#include <filesystem>

namespace {

std::vector<BYTE> rampPalette() {
    std::vector<BYTE> palette(768);
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = BYTE(i);
        palette[3 * i + 1] = BYTE(255 - i);
        palette[3 * i + 2] = BYTE(i / 2);
    }
    return palette;
}

PcxPicture onePlane(int width, int height) {
    PcxPicture pcx;
    pcx.width = width;
    pcx.height = height;
    pcx.palette = rampPalette();
    for (int i = 0; i < width * height; ++i)
        pcx.pixels.push_back(BYTE(i % 251));
    return pcx;
}

DWORD rgb565(int r, int g, int b) {
    return DWORD((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
}

} // namespace

using PcxLoader = GraphicsTest;

TEST_F(PcxLoader, OnePlaneImageTakesItsSizeAndPaletteColoursIn32Bits) {
    std::string path = TempPath("one.pcx");
    WriteFile(path, EncodePcx(onePlane(64, 32)));
    IDirectDrawSurface7* s = LoadPcxSurface(device, path, 0, 0);
    ASSERT_NE(s, nullptr);
    DDSURFACEDESC2 desc;
    s->GetSurfaceDesc(&desc);
    EXPECT_EQ(desc.dwWidth, 64u);
    EXPECT_EQ(desc.dwHeight, 32u);
    int index = (5 * 64 + 7) % 251;
    EXPECT_EQ(ReadPixel(s, 7, 5), DWORD(index) << 16 | DWORD(255 - index) << 8 | DWORD(index / 2));
    s->Release();
}

TEST_F(PcxLoader, ThreePlanesPackTopBitsInto565) {
    PcxPicture pcx;
    pcx.width = 2;
    pcx.height = 1;
    pcx.planes = 3;
    pcx.pixels = {0xFF, 0x84, 0x0F, 0x12, 0xFE, 0xC0};
    std::string path = TempPath("three.pcx");
    std::vector<BYTE> bytes = EncodePcx(pcx);
    bytes.resize(900, 0); // above the minimum size
    WriteFile(path, bytes);
    IDirectDrawSurface7* s = CreateOffscreen(device, 2, 1, 16);
    ASSERT_TRUE(DecodePcxImage(s, 0, 0, path, 0, 0, 0, 0));
    EXPECT_EQ(ReadPixel(s, 0, 0), rgb565(0xFF, 0x84, 0x0F));
    EXPECT_EQ(ReadPixel(s, 1, 0), rgb565(0x12, 0xFE, 0xC0));
    s->Release();
}

TEST_F(PcxLoader, RunLengthCountsAndTheLiteralC0) {
    // One row of 66 pixels: C1 05 (once), FF 07 (63 times), C0 (a literal), 09, 0A.
    std::vector<BYTE> bytes(128, 0);
    bytes[0] = 0x0A, bytes[1] = 5, bytes[2] = 1, bytes[3] = 8;
    bytes[8] = 65, bytes[65] = 1, bytes[66] = 66;
    for (BYTE b : {0xC1, 0x05, 0xFF, 0x07, 0xC0, 0x09, 0x0A})
        bytes.push_back(b);
    bytes.push_back(0x0C);
    std::vector<BYTE> palette = rampPalette();
    bytes.insert(bytes.end(), palette.begin(), palette.end());
    std::string path = TempPath("runs.pcx");
    WriteFile(path, bytes);
    IDirectDrawSurface7* s = CreateOffscreen(device, 66, 1, 32);
    ASSERT_TRUE(DecodePcxImage(s, 0, 0, path, 0, 0, 0, 0));
    auto red = [&](int x) { return ReadPixel(s, x, 0) >> 16; };
    EXPECT_EQ(red(0), 0x05u);
    EXPECT_EQ(red(1), 0x07u);
    EXPECT_EQ(red(63), 0x07u);
    EXPECT_EQ(red(64), 0xC0u);
    EXPECT_EQ(red(65), 0x09u);
    s->Release();
}

TEST_F(PcxLoader, DestinationNearTheRightEdgeDrawsOnlyWhatFits) {
    DDrawTest::SetPitchPadding(16);
    std::string path = TempPath("edge.pcx");
    WriteFile(path, EncodePcx(onePlane(8, 4)));
    IDirectDrawSurface7* s = CreateOffscreen(device, 10, 4, 32);
    FillSurface(s, 0x777777);
    ASSERT_TRUE(DecodePcxImage(s, 7, 1, path, 0, 0, 0, 0));
    EXPECT_NE(ReadPixel(s, 9, 1), 0x777777u);
    EXPECT_EQ(ReadPixel(s, 6, 1), 0x777777u);
    EXPECT_EQ(ReadPixel(s, 9, 0), 0x777777u);
    s->Release();
}

TEST_F(PcxLoader, EightBitSurfacesMapFileColoursToTheDisplayPalette) {
    IDirectDrawSurface7* s = CreateOffscreen(device, 4, 1, 8);
    PALETTEENTRY entries[256]{};
    entries[17] = {200, 10, 10, 0};
    entries[18] = {10, 200, 10, 0};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(device->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    s->SetPalette(palette);
    palette->Release();
    PcxPicture pcx;
    pcx.width = 4;
    pcx.height = 1;
    pcx.palette.assign(768, 0);
    pcx.palette[3 * 1] = 255;     // index 1 red
    pcx.palette[3 * 2 + 1] = 255; // index 2 green
    pcx.pixels = {1, 2, 1, 0};
    std::string path = TempPath("indexed.pcx");
    WriteFile(path, EncodePcx(pcx));
    ASSERT_TRUE(DecodePcxImage(s, 0, 0, path, 0, 0, 0, 0));
    EXPECT_EQ(ReadPixel(s, 0, 0), 17u);
    EXPECT_EQ(ReadPixel(s, 1, 0), 18u);
    EXPECT_EQ(ReadPixel(s, 3, 0), 0u);
    s->Release();
}

// A noisy colour picture holds thousands of colours: each pixel still takes the display
// palette's nearest entry, the first of equally near ones.
TEST_F(PcxLoader, EightBitSurfacesTakeTheNearestEntryForEveryColourOfAThreePlanePicture) {
    const int width = 96, height = 64;
    IDirectDrawSurface7* s = CreateOffscreen(device, width, height, 8);
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i)
        entries[i] = {BYTE(i * 37 % 251), BYTE(i * 91 % 253), BYTE(i * 13 % 255), 0};
    entries[200] = entries[100]; // a tie: index 100 must win
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(device->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    s->SetPalette(palette);
    palette->Release();
    PcxPicture pcx;
    pcx.width = width;
    pcx.height = height;
    pcx.planes = 3;
    std::uint32_t noise = 12345;
    for (int i = 0; i < width * height * 3; ++i) {
        noise = noise * 1664525u + 1013904223u;
        pcx.pixels.push_back(BYTE(noise >> 24));
    }
    pcx.pixels[0] = entries[100].peRed, pcx.pixels[1] = entries[100].peGreen,
    pcx.pixels[2] = entries[100].peBlue;
    std::string path = TempPath("noise.pcx");
    WriteFile(path, EncodePcx(pcx));
    ASSERT_TRUE(DecodePcxImage(s, 0, 0, path, 0, 0, 0, 0));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const BYTE* rgb = &pcx.pixels[std::size_t((y * width + x) * 3)];
            ASSERT_EQ(ReadPixel(s, x, y), pixelops::NearestPaletteIndex(entries, rgb[0], rgb[1], rgb[2]))
                << x << "," << y;
        }
    EXPECT_EQ(ReadPixel(s, 0, 0), 100u);
    s->Release();
}

TEST_F(PcxLoader, AFileOfExactly896BytesHasNoReadablePalette) {
    std::vector<BYTE> bytes = EncodePcx(onePlane(4, 1));
    bytes.resize(896, 0);
    std::string path = TempPath("short.pcx");
    WriteFile(path, bytes);
    BYTE palette[768];
    EXPECT_FALSE(ReadPcxPalette(path, palette));
    IDirectDrawSurface7* s = CreateOffscreen(device, 4, 1, 32);
    EXPECT_FALSE(DecodePcxImage(s, 0, 0, path, 0, 0, 0, 0));
    s->Release();
}

TEST_F(PcxLoader, TruncatedOrLyingFilesAreRefusedSafely) {
    std::vector<BYTE> good = EncodePcx(onePlane(16, 16));
    std::vector<BYTE> lying = good;
    lying[8] = 0xFF, lying[9] = 0x7F; // claims 32768 columns
    lying[66] = 0xFF, lying[67] = 0xFF;
    std::string path = TempPath("lying.pcx");
    WriteFile(path, lying);
    IDirectDrawSurface7* s = CreateOffscreen(device, 16, 16, 32);
    EXPECT_FALSE(DecodePcxImage(s, 0, 0, path, 0, 0, 0, 0)) << "data ends long before the claimed rows";
    std::vector<BYTE> notImage(2000, 'x');
    WriteFile(path, notImage);
    EXPECT_FALSE(DecodePcxImage(s, 0, 0, path, 0, 0, 0, 0));
    EXPECT_EQ(LoadPcxSurface(device, path, 0, 0), nullptr);
    s->Release();
}

TEST_F(PcxLoader, MissingFileRaisesTheFileOpenError) {
    EXPECT_THROW(LoadPcxSurface(device, TempPath("absent.pcx"), 0, 0), EFOpenError);
}

TEST_F(PcxLoader, WindowsStylePathsResolveWithoutCase) {
    std::string path = TempPath("Case/Sub");
    std::filesystem::create_directories(path);
    WriteFile(path + "/Pic.PCX", EncodePcx(onePlane(4, 2)));
    std::string windowsName = TempPath("case\\SUB\\pic.pcx");
    IDirectDrawSurface7* s = LoadPcxSurface(device, windowsName, 0, 0);
    ASSERT_NE(s, nullptr);
    s->Release();
}

using BitmapLoader = GraphicsTest;

TEST_F(BitmapLoader, EightAndTwentyFourBitFilesLoadIntoSurfaces) {
    std::string path8 = TempPath("p8.bmp"), path24 = TempPath("p24.bmp");
    WriteFile(path8, EncodeBmp8(3, 2, {0, 1, 1, 1, 0, 0}, {0x102030, 0xA0B0C0}));
    WriteFile(path24, EncodeBmp24(2, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C}));
    IDirectDrawSurface7* s8 = LoadBitmapSurface(device, path8, 0, 0);
    IDirectDrawSurface7* s24 = LoadBitmapSurface(device, path24, 0, 0);
    ASSERT_NE(s8, nullptr);
    ASSERT_NE(s24, nullptr);
    EXPECT_EQ(ReadPixel(s8, 0, 0), 0x102030u);
    EXPECT_EQ(ReadPixel(s8, 0, 1), 0xA0B0C0u);
    EXPECT_EQ(ReadPixel(s24, 1, 1), 0x0A0B0Cu);
    EXPECT_EQ(ReloadBitmapSurface(s24, path24), DD_OK);
    EXPECT_EQ(ReloadBitmapSurface(s24, TempPath("absent.bmp")), E_FAIL);
    s8->Release();
    s24->Release();
}

TEST_F(BitmapLoader, TruncatedOrLyingBitmapsAreRefused) {
    std::vector<BYTE> bmp = EncodeBmp24(4, 4, std::vector<DWORD>(16, 0x112233));
    DecodedImage image;
    EXPECT_TRUE(DecodeBmp(bmp.data(), bmp.size(), image));
    EXPECT_FALSE(DecodeBmp(bmp.data(), bmp.size() - 1, image));
    std::vector<BYTE> huge = bmp;
    huge[18 + 3] = 0x7F; // width of two thousand million
    EXPECT_FALSE(DecodeBmp(huge.data(), huge.size(), image));
    EXPECT_FALSE(DecodeBmp(bmp.data(), 20, image));
}

TEST_F(BitmapLoader, PaletteWithoutNameIsThe332Ramp) {
    IDirectDrawPalette* palette = LoadPaletteFromBitmap(device, nullptr);
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY e[256];
    palette->GetEntries(0, 0, 256, e);
    EXPECT_EQ(e[0], (PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(e[255], (PALETTEENTRY{255, 255, 255, 0}));
    EXPECT_EQ(e[0xE0], (PALETTEENTRY{255, 0, 0, 0}));
    palette->Release();
}

TEST_F(BitmapLoader, PaletteTakesTheColourTableAndClampsTheCount) {
    std::vector<DWORD> colors(256);
    for (int i = 0; i < 256; ++i)
        colors[std::size_t(i)] = DWORD(i) << 16 | 0x0000FF;
    std::vector<BYTE> bmp = EncodeBmp8(1, 1, {0}, colors);
    bmp[14 + 32] = 0x00, bmp[14 + 33] = 0x10; // claims 4096 used colours
    std::string path = TempPath("pal.bmp");
    WriteFile(path, bmp);
    IDirectDrawPalette* palette = LoadPaletteFromBitmap(device, path.c_str());
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY e[256];
    palette->GetEntries(0, 0, 256, e);
    EXPECT_EQ(e[200], (PALETTEENTRY{200, 0, 255, 0}));
    palette->Release();
}

using ColourMatch = GraphicsTest;

TEST_F(ColourMatch, GivesThePixelValueAndLeavesPixelZeroAsItWas) {
    IDirectDrawSurface7* s16 = CreateOffscreen(device, 4, 4, 16);
    WritePixel(s16, 0, 0, 0x1234);
    EXPECT_EQ(MatchSurfaceColor(s16, ColorRef(255, 0, 0)), 0xF800u);
    EXPECT_EQ(ReadPixel(s16, 0, 0), 0x1234u);
    IDirectDrawSurface7* s32 = CreateOffscreen(device, 4, 4, 32);
    EXPECT_EQ(SetSurfaceColorKey(s32, ColorRef(1, 2, 3)), DD_OK);
    DDCOLORKEY key;
    ASSERT_EQ(s32->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0x010203u);
    s16->Release();
    s32->Release();
}

TEST_F(ColourMatch, FailsWithoutALock) {
    IDirectDrawSurface7* s = CreateOffscreen(device, 4, 4, 32);
    DDrawTest::LoseAllSurfaces(true);
    EXPECT_EQ(MatchSurfaceColor(s, ColorRef(1, 1, 1)), 0xFFFFFFFFu);
    s->Release();
}
