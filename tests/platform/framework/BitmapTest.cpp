#include "platform/framework/Bitmap.h"

#include "GuiTestSupport.h"
#include "platform/framework/Resources.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace {

void put16(std::vector<BYTE>& out, std::size_t at, unsigned value) {
    out[at] = static_cast<BYTE>(value);
    out[at + 1] = static_cast<BYTE>(value >> 8);
}

void put32(std::vector<BYTE>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<BYTE>(value >> (8 * i));
}

// A 3 x 2 bottom-up BMP whose pixels come from pixel(x, y): a palette index for 8 bits
// or fewer, else 0x00RRGGBB. The colour table holds `colors` entries (entry i = i*16 red).
std::vector<BYTE> makeBmp(int bits, int colors, const std::function<std::uint32_t(int, int)>& pixel,
                          bool topDown = false) {
    const int width = 3, height = 2;
    const std::size_t stride = ((width * bits + 31) / 32) * 4;
    const std::size_t table = bits <= 8 ? static_cast<std::size_t>(colors) * 4 : 0;
    const std::size_t offset = 14 + 40 + table;
    std::vector<BYTE> out(offset + stride * height, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(out.size()));
    put32(out, 10, static_cast<std::uint32_t>(offset));
    put32(out, 14, 40);
    put32(out, 18, width);
    put32(out, 22, static_cast<std::uint32_t>(topDown ? -height : height));
    put16(out, 26, 1);
    put16(out, 28, static_cast<unsigned>(bits));
    put32(out, 46, bits <= 8 ? static_cast<std::uint32_t>(colors) : 0);
    for (int i = 0; bits <= 8 && i < colors; ++i) {
        out[54 + 4 * i] = static_cast<BYTE>(255 - i);   // blue
        out[54 + 4 * i + 1] = static_cast<BYTE>(i * 3); // green
        out[54 + 4 * i + 2] = static_cast<BYTE>(i * 16 & 0xFF);
    }
    for (int y = 0; y < height; ++y) {
        BYTE* row = out.data() + offset + stride * static_cast<std::size_t>(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixel(x, y);
            switch (bits) {
            case 1:
                row[x / 8] |= static_cast<BYTE>(p << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<BYTE>(p << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<BYTE>(p);
                break;
            case 24:
                row[3 * x] = static_cast<BYTE>(p), row[3 * x + 1] = static_cast<BYTE>(p >> 8);
                row[3 * x + 2] = static_cast<BYTE>(p >> 16);
                break;
            case 32:
                put32(out, static_cast<std::size_t>(row - out.data()) + 4 * x, p);
                break;
            }
        }
    }
    return out;
}

TColor tableColor(int i) {
    return static_cast<TColor>(
        RGB(static_cast<BYTE>(i * 16 & 0xFF), static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i)));
}

// Saving gives a file that loads back with the same depth, colour table and pixels.
void expectSavedCopyMatches(const TBitmap& original) {
    const std::vector<BYTE> saved = original.SaveToMemory();
    TBitmap copy;
    copy.LoadFromMemory(saved.data(), saved.size());
    EXPECT_EQ(copy.PixelFormat(), original.PixelFormat());
    EXPECT_EQ(copy.Palette(), original.Palette());
    EXPECT_EQ(copy.Pixels(), original.Pixels());
}

} // namespace

TEST(BitmapFiles, IndexedDepthsKeepTheirIndicesAndColourTable) {
    struct Case {
        int bits;
        int colors;
        TPixelFormat format;
    };
    for (const Case c :
         {Case{1, 2, pf1bit}, Case{4, 16, pf4bit}, Case{8, 256, pf8bit}, Case{8, 20, pf8bit}}) {
        SCOPED_TRACE(c.bits);
        const auto index = [&](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % c.colors); };
        const std::vector<BYTE> bytes = makeBmp(c.bits, c.colors, index);
        TBitmap bitmap;
        bitmap.LoadFromMemory(bytes.data(), bytes.size());
        EXPECT_EQ(bitmap.Width(), 3);
        EXPECT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(bitmap.PixelFormat(), c.format);
        ASSERT_EQ(bitmap.Palette().size(), static_cast<std::size_t>(c.colors));
        EXPECT_EQ(bitmap.Palette()[1], (TPaletteEntry{16, 3, 254, 0}));
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(bitmap.PixelIndex(x, y), static_cast<int>(index(x, y)));
                EXPECT_EQ(bitmap.Pixel(x, y), tableColor(static_cast<int>(index(x, y))));
            }
        }
        expectSavedCopyMatches(bitmap);
    }
}

TEST(BitmapFiles, TrueColourDepthsReadTheirPixelsTopDownOrBottomUp) {
    const auto color = [](int x, int y) { return static_cast<std::uint32_t>(0x102030 * (x + 1) + 0x40 * y); };
    for (int bits : {24, 32}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(bits * 10 + topDown);
            const std::vector<BYTE> bytes = makeBmp(bits, 0, color, topDown);
            TBitmap bitmap;
            bitmap.LoadFromMemory(bytes.data(), bytes.size());
            EXPECT_EQ(bitmap.PixelFormat(), bits == 24 ? pf24bit : pf32bit);
            EXPECT_TRUE(bitmap.Palette().empty());
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) {
                    const std::uint32_t p = color(x, y);
                    EXPECT_EQ(bitmap.Pixel(x, y),
                              static_cast<TColor>(RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8),
                                                      static_cast<BYTE>(p))));
                }
            expectSavedCopyMatches(bitmap);
        }
    }
}

TEST(BitmapFiles, DamagedFilesRaiseAnExceptionAndLeaveTheBitmapAsItWas) {
    const std::vector<BYTE> good = makeBmp(8, 4, [](int, int) { return 1u; });
    TBitmap bitmap;
    bitmap.LoadFromMemory(good.data(), good.size());
    std::vector<BYTE> truncated(good.begin(), good.end() - 3);
    EXPECT_THROW(bitmap.LoadFromMemory(truncated.data(), truncated.size()), Exception);
    std::vector<BYTE> badDepth = good;
    badDepth[28] = 7;
    EXPECT_THROW(bitmap.LoadFromMemory(badDepth.data(), badDepth.size()), Exception);
    std::vector<BYTE> huge = good;
    put32(huge, 18, 0x7FFFFFFF);
    EXPECT_THROW(bitmap.LoadFromMemory(huge.data(), huge.size()), Exception);
    std::vector<BYTE> hugeTable = good;
    put32(hugeTable, 46, 0xFFFFFFFF);
    EXPECT_THROW(bitmap.LoadFromMemory(hugeTable.data(), hugeTable.size()), Exception)
        << "a colour table running past the file";
    EXPECT_THROW(bitmap.LoadFromMemory(good.data(), 10), Exception);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_TRUE(TBitmap().SaveToMemory().empty()) << "nothing loaded, nothing saved";
}

TEST(BitmapFiles, LoadsFromAFileAndReportsAMissingOne) {
    const std::vector<BYTE> bytes = makeBmp(24, 0, [](int, int) { return 0xFF0000u; });
    const std::string path = std::string(VX_TEST_TMP) + "/bitmap_test.bmp";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    TBitmap bitmap;
    bitmap.LoadFromFile(path);
    EXPECT_EQ(bitmap.Pixel(2, 1), clRed);
    std::remove(path.c_str());
    EXPECT_THROW(bitmap.LoadFromFile(path), EFOpenError);
}

TEST(BitmapResources, ABitmapResourceLoadsByNameWithoutItsFileHeader) {
    const std::vector<BYTE> file = makeBmp(8, 16, [](int x, int) { return static_cast<std::uint32_t>(x); });
    RegisterResource(RT_BITMAP, "CHECK_IMAGES", std::vector<BYTE>(file.begin() + 14, file.end()));
    TBitmap bitmap;
    bitmap.LoadFromResourceName("check_images");
    EXPECT_EQ(bitmap.PixelIndex(2, 0), 2);
    EXPECT_EQ(bitmap.Palette().size(), 16u);
    UnregisterResource(RT_BITMAP, "CHECK_IMAGES");
    EXPECT_THROW(bitmap.LoadFromResourceName("CHECK_IMAGES"), EResNotFound);
    EXPECT_EQ(FindResource(RT_BITMAP, "nothing"), nullptr);
}

TEST(BitmapCanvas, DrawingOnAnIndexedBitmapUsesItsColourTable) {
    const std::vector<BYTE> file = makeBmp(8, 16, [](int, int) { return 0u; });
    TBitmap bitmap;
    bitmap.LoadFromMemory(file.data(), file.size());
    bitmap.Canvas().Brush().SetColor(tableColor(5));
    bitmap.Canvas().FillRect({1, 0, 2, 2});
    EXPECT_EQ(bitmap.PixelIndex(1, 1), 5);
    EXPECT_EQ(bitmap.PixelIndex(0, 1), 0);
    TBitmap copy;
    copy.Assign(bitmap);
    EXPECT_EQ(copy.PixelIndex(1, 1), 5);
    EXPECT_EQ(copy.Palette().size(), 16u);
}

TEST(BitmapCanvas, ABitmapDrawsStretchedOntoAnotherCanvas) {
    TBitmap source;
    source.SetSize(2, 1);
    source.SetPixel(0, 0, clRed);
    source.SetPixel(1, 0, clBlue);
    TBitmap target;
    target.SetSize(4, 2);
    target.Canvas().StretchDraw({0, 0, 4, 2}, source);
    EXPECT_EQ(target.Pixel(1, 1), clRed);
    EXPECT_EQ(target.Pixel(2, 0), clBlue);
    target.Canvas().Draw(3, 1, source);
    EXPECT_EQ(target.Pixel(3, 1), clRed);
}
