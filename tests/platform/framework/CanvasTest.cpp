#include "platform/framework/Canvas.h"

#include "GuiTestSupport.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <tuple>
#include <vector>

namespace {

// An 8-bit buffer with a small palette and a row pitch wider than the picture.
struct IndexedBuffer {
    static constexpr int width = 40, height = 30, pitch = 48;
    std::vector<BYTE> bits = std::vector<BYTE>(pitch * height, 3);
    TPaletteEntry palette[6] = {{0, 0, 0, 0},       {255, 0, 0, 0}, {250, 0, 0, 0},
                                {255, 255, 255, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}};
    TPixelBuffer buffer() { return {bits.data(), width, height, pitch, plIndexed8, palette, 6}; }
    BYTE at(int x, int y) const { return bits[static_cast<std::size_t>(y * pitch + x)]; }
};

struct TrueColorBuffer {
    static constexpr int width = 20, height = 10, pitch = 96; // 16 pixels of padding per row
    std::vector<std::uint32_t> bits = std::vector<std::uint32_t>(pitch / 4 * height, 0x12345678u);
    TPixelBuffer buffer() { return {bits.data(), width, height, pitch, plXRGB8888, nullptr, 0}; }
    std::uint32_t at(int x, int y) const {
        return bits[static_cast<std::size_t>(y * pitch / 4 + x)] & 0xFFFFFF;
    }
};

class LazyCanvas : public TCanvas {
public:
    explicit LazyCanvas(TrueColorBuffer& target) : target_(target) {}
    int created = 0;

protected:
    void CreateHandle() override {
        ++created;
        AttachBuffer(target_.buffer());
    }

private:
    TrueColorBuffer& target_;
};

} // namespace

TEST(CanvasText, SizesAreMeasuredAtNinetySixDotsPerInch) {
    TCanvas canvas;
    canvas.Font().SetName("Arial");
    canvas.Font().SetSize(12);
    EXPECT_EQ(canvas.Font().Height(), -16);
    const TSize bySize = canvas.TextExtent("Mode: 1024x768 32 bpp");
    canvas.Font().SetHeight(-16);
    EXPECT_EQ(canvas.Font().Size(), 12);
    EXPECT_EQ(canvas.TextExtent("Mode: 1024x768 32 bpp"), bySize);
    // "Arial" is drawn with its metric-compatible face: the advances of the original.
    EXPECT_EQ(QFontInfo(vx::ToQFont(canvas.Font())).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(canvas.TextWidth("A"), 11);
    EXPECT_EQ(canvas.TextWidth("Mode: 1024x768 32 bpp"), 172);
    EXPECT_EQ(canvas.TextHeight("A"), canvas.TextHeight("g"));
    canvas.Font().SetSize(16);
    EXPECT_EQ(canvas.Font().Height(), -21);
    EXPECT_GT(canvas.TextWidth("Mode: 1024x768 32 bpp"), 172);
}

TEST(CanvasText, DrawnTextDoesNotDependOnTheTargetsResolution) {
    auto drawnWidth = [](int dotsPerInch) {
        QImage image(200, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setDotsPerMeterX(static_cast<int>(dotsPerInch / 0.0254));
        image.setDotsPerMeterY(static_cast<int>(dotsPerInch / 0.0254));
        TCanvas canvas;
        vx::AttachImage(canvas, &image);
        canvas.Font().SetSize(12);
        canvas.Brush().SetStyle(bsClear);
        canvas.TextOut(0, 0, "WWWW");
        int right = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) right = std::max(right, x + 1);
        return right;
    };
    EXPECT_EQ(drawnWidth(96), drawnWidth(300));
    EXPECT_GT(drawnWidth(96), 40);
}

TEST(CanvasText, DrawTextMeasuresWithoutTheMnemonicMarker) {
    TCanvas canvas;
    RECT withPrefix{0, 0, 0, 0};
    canvas.DrawText("&File", withPrefix, DT_CALCRECT);
    EXPECT_EQ(withPrefix.right, canvas.TextWidth("File"));
    EXPECT_EQ(withPrefix.bottom, canvas.TextHeight("File"));
    RECT literal{0, 0, 0, 0};
    canvas.DrawText("&File", literal, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(literal.right, canvas.TextWidth("&File"));
    RECT empty{5, 5, 5, 5};
    EXPECT_EQ(canvas.DrawText("", empty, DT_CALCRECT), 0);
}

TEST(CanvasText, WordBreakWrapsAtTheRectangleWidth) {
    TCanvas canvas;
    const int word = canvas.TextWidth("alpha beta");
    RECT rect{0, 0, word, 0};
    canvas.DrawText("alpha beta gamma", rect, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(rect.bottom, 2 * canvas.TextHeight("A"));
    EXPECT_LE(rect.right, word);
}

// Unsmoothed text keeps its glyphs' shape at every depth: it inks the same pixels in 32, 16
// and 8 bits, each exactly the font colour; the rest is the brush's box or stays as it was.
TEST(CanvasText, PlainTextInksTheSamePixelsAtEveryDepth) {
    const TPaletteEntry palette[3] = {{0x20, 0x40, 0xC0, 0}, {0xC0, 0xC0, 0xC0, 0}, {0xDF, 0xDF, 0xDF, 0}};
    struct Depth {
        TPixelLayout layout;
        std::size_t bytes;
        std::uint32_t font, brush, before; // the three colours as pixels
    };
    const int width = 480, height = 40;
    const std::string text = "Round 12 - Press ENTER to continue";
    // Per pixel: 0 the background it should have, 1 the font colour, 2 anything else.
    auto draw = [&](const Depth& d, int size, TBrushStyle brush) {
        std::vector<std::uint8_t> bits(width * height * d.bytes);
        for (std::size_t i = 0; i < bits.size(); i += d.bytes)
            std::memcpy(&bits[i], &d.before, d.bytes);
        TCanvas canvas;
        canvas.AttachBuffer(
            {bits.data(), width, height, width * static_cast<int>(d.bytes), d.layout, palette, 3});
        canvas.Font().SetSize(size);
        canvas.Font().SetColor(static_cast<TColor>(RGB(0x20, 0x40, 0xC0)));
        canvas.Brush().SetColor(static_cast<TColor>(RGB(0xC0, 0xC0, 0xC0)));
        canvas.Brush().SetStyle(brush);
        canvas.TextOut(0, 0, text);
        const TSize box = canvas.TextExtent(text);
        std::vector<int> kinds;
        for (std::size_t i = 0; i < bits.size(); i += d.bytes) {
            std::uint32_t pixel = 0;
            std::memcpy(&pixel, &bits[i], d.bytes);
            pixel &= 0xFFFFFF; // the top byte of 32-bit memory is no colour
            const int x = static_cast<int>(i / d.bytes) % width, y = static_cast<int>(i / d.bytes) / width;
            const bool boxed = brush == bsSolid && x < box.cx && y < box.cy;
            kinds.push_back(pixel == (boxed ? d.brush : d.before) ? 0 : pixel == d.font ? 1 : 2);
        }
        return kinds;
    };
    for (int size = 10; size <= 24; ++size)
        for (TBrushStyle brush : {bsClear, bsSolid}) {
            const std::vector<int> wide = draw({plXRGB8888, 4, 0x2040C0, 0xC0C0C0, 0xDFDFDF}, size, brush);
            EXPECT_GT(std::count(wide.begin(), wide.end(), 1), 200) << "size " << size;
            EXPECT_EQ(std::count(wide.begin(), wide.end(), 2), 0) << "size " << size;
            for (const Depth& narrow :
                 {Depth{plRGB565, 2, 0x2218, 0xC618, 0xDEFB}, Depth{plIndexed8, 1, 0, 1, 2}})
                EXPECT_TRUE(draw(narrow, size, brush) == wide) << narrow.bytes * 8 << " bits, size " << size;
        }
}

TEST(CanvasIndexed, DrawnPixelsTakeTheNearestEntryAndTheFirstExactOne) {
    IndexedBuffer target;
    TCanvas canvas;
    canvas.AttachBuffer(target.buffer());
    canvas.Brush().SetColor(static_cast<TColor>(RGB(255, 0, 0)));
    canvas.FillRect({2, 2, 6, 6});
    EXPECT_EQ(target.at(2, 2), 1) << "entry 4 is also pure red, but the first exact entry wins";
    EXPECT_EQ(target.at(5, 5), 1);
    canvas.Brush().SetColor(static_cast<TColor>(RGB(252, 0, 0)));
    canvas.FillRect({10, 2, 12, 4});
    EXPECT_EQ(target.at(10, 2), 2) << "(252,0,0) lies nearer to (250,0,0) than to (255,0,0)";
    canvas.Brush().SetColor(static_cast<TColor>(RGB(20, 10, 200)));
    canvas.FillRect({20, 2, 21, 3});
    EXPECT_EQ(target.at(20, 2), 5);
}

TEST(CanvasIndexed, PixelsAnOperationDoesNotTouchKeepTheirIndex) {
    IndexedBuffer target;
    target.bits[0] = 4; // an index whose colour equals another entry's
    TCanvas canvas;
    canvas.AttachBuffer(target.buffer());
    canvas.Brush().SetColor(clBlack);
    canvas.FillRect({2, 2, 6, 6});
    canvas.Font().SetColor(static_cast<TColor>(RGB(0, 0, 255)));
    canvas.Brush().SetStyle(bsClear);
    canvas.TextOut(8, 8, "Hi");
    EXPECT_EQ(target.at(0, 0), 4);
    int textPixels = 0;
    for (int y = 0; y < IndexedBuffer::height; ++y) {
        for (int x = 0; x < IndexedBuffer::pitch; ++x) {
            const BYTE index = target.at(x, y);
            const bool inBox = x >= 2 && x < 6 && y >= 2 && y < 6;
            if (inBox) {
                EXPECT_EQ(index, 0);
            } else if (x == 0 && y == 0) {
                continue;
            } else if (index != 3) {
                EXPECT_EQ(index, 5) << "text pixels are the font colour, never a blend";
            }
            textPixels += index == 5;
        }
    }
    EXPECT_GT(textPixels, 10);
    for (int y = 0; y < IndexedBuffer::height; ++y)
        for (int x = IndexedBuffer::width; x < IndexedBuffer::pitch; ++x)
            ASSERT_EQ(target.at(x, y), 3) << "the row padding is not the picture";
}

TEST(CanvasIndexed, PixelReadsThePaletteAndSetPixelMapsToIt) {
    IndexedBuffer target;
    TCanvas canvas;
    canvas.AttachBuffer(target.buffer());
    EXPECT_EQ(canvas.Pixel(1, 1), static_cast<TColor>(RGB(255, 255, 255)));
    canvas.SetPixel(1, 1, static_cast<TColor>(RGB(249, 1, 1)));
    EXPECT_EQ(target.at(1, 1), 2);
    EXPECT_EQ(canvas.Pixel(1, 1), static_cast<TColor>(RGB(250, 0, 0)));
    EXPECT_EQ(canvas.Pixel(-1, 0), clNone);
}

TEST(CanvasNearestPalette, TiesGoToTheLowestIndex) {
    const TPaletteEntry entries[3] = {{10, 0, 0, 0}, {0, 0, 0, 0}, {20, 0, 0, 0}};
    TNearestPalette palette(entries, 3);
    EXPECT_EQ(palette.IndexOf(10, 0, 0), 0);
    EXPECT_EQ(palette.IndexOf(15, 0, 0), 0);
    EXPECT_EQ(palette.IndexOf(16, 0, 0), 2);
    EXPECT_EQ(palette.IndexOf(4, 0, 0), 1);
    EXPECT_EQ(palette.IndexOf(5, 0, 0), 0);
    EXPECT_EQ(palette.IndexOf(16, 0, 0), 2) << "a cached answer is the same answer";
}

TEST(CanvasShapes, LinesLeaveOutTheirEndPoint) {
    TrueColorBuffer target;
    TCanvas canvas;
    canvas.AttachBuffer(target.buffer());
    canvas.Pen().SetColor(clWhite);
    canvas.MoveTo(2, 3);
    canvas.LineTo(8, 3);
    EXPECT_EQ(target.at(2, 3), 0xFFFFFFu);
    EXPECT_EQ(target.at(7, 3), 0xFFFFFFu);
    EXPECT_NE(target.at(8, 3), 0xFFFFFFu);
    EXPECT_EQ(canvas.PenPos(), (POINT{8, 3}));
}

// (y, x) of the pixels a line covers.
using Pixels = std::set<std::pair<int, int>>;

// The pixels of a one-pixel line walked step by step, as a reference for lines that end
// near the picture: those inside a width x height picture.
Pixels walkedLine(POINT a, POINT b, int width, int height) {
    Pixels points;
    const int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    for (int err = dx + dy; a.x != b.x || a.y != b.y;) {
        if (a.x >= 0 && a.x < width && a.y >= 0 && a.y < height) points.insert({a.y, a.x});
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, a.x += sx;
        if (e2 <= dx) err += dx, a.y += sy;
    }
    return points;
}

TEST(CanvasShapes, LinesDrawTheSamePixelsWhereverTheyEndEvenFarOutside) {
    const Pixels diagonal = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}};
    // An empty list of pixels stands for the walked reference.
    const std::vector<std::tuple<POINT, POINT, Pixels>> lines = {
        {{1, 1}, {18, 7}, {}},
        {{18, 8}, {2, 1}, {}},
        {{3, 0}, {7, 9}, {}},
        {{-15, -4}, {30, 12}, {}},
        {{25, 9}, {-6, 2}, {}},
        {{5, -20}, {9, 40}, {}},
        {{0, 0}, {INT_MAX, INT_MAX}, diagonal},
        {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, diagonal},
        {{3, 4}, {INT_MIN, 4}, {{4, 0}, {4, 1}, {4, 2}, {4, 3}}},
    };
    for (auto [from, to, expected] : lines) {
        TrueColorBuffer target;
        TCanvas canvas;
        canvas.AttachBuffer(target.buffer());
        canvas.Pen().SetColor(clWhite);
        canvas.MoveTo(from.x, from.y);
        canvas.LineTo(to.x, to.y);
        if (expected.empty()) expected = walkedLine(from, to, target.width, target.height);
        Pixels drawn;
        for (int y = 0; y < target.height; ++y)
            for (int x = 0; x < target.width; ++x)
                if (target.at(x, y) == 0xFFFFFFu) drawn.insert({y, x});
        EXPECT_EQ(drawn, expected) << from.x << "," << from.y << " to " << to.x << "," << to.y;
    }
}

TEST(CanvasShapes, RectangleFillsWithTheBrushAndOutlinesInsideTheBox) {
    TrueColorBuffer target;
    TCanvas canvas;
    canvas.AttachBuffer(target.buffer());
    canvas.Pen().SetColor(static_cast<TColor>(RGB(255, 0, 0)));
    canvas.Brush().SetColor(static_cast<TColor>(RGB(0, 0, 255)));
    canvas.Rectangle(1, 1, 6, 5);
    EXPECT_EQ(target.at(1, 1), 0xFF0000u);
    EXPECT_EQ(target.at(5, 4), 0xFF0000u);
    EXPECT_EQ(target.at(3, 2), 0x0000FFu);
    EXPECT_EQ(target.at(6, 2), 0x345678u) << "the right edge is excluded";
    EXPECT_EQ(target.at(3, 5), 0x345678u) << "the bottom edge is excluded";
    for (int y = 0; y < TrueColorBuffer::height; ++y)
        for (int x = TrueColorBuffer::width; x < TrueColorBuffer::pitch / 4; ++x)
            ASSERT_EQ(target.at(x, y), 0x345678u);
}

TEST(CanvasShapes, SixteenBitBuffersHoldFiveSixFivePixels) {
    std::vector<std::uint16_t> bits(8 * 4, 0);
    TCanvas canvas;
    canvas.AttachBuffer({bits.data(), 8, 4, 16, plRGB565, nullptr, 0});
    canvas.Brush().SetColor(static_cast<TColor>(RGB(255, 0, 0)));
    canvas.FillRect({0, 0, 2, 1});
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect({2, 0, 3, 1});
    EXPECT_EQ(bits[0], 0xF800);
    EXPECT_EQ(bits[2], 0xFFFF);
    EXPECT_EQ(bits[3], 0);
}

TEST(CanvasTarget, DrawingAsksCreateHandleForATargetAndFailsWithoutOne) {
    TCanvas plain;
    EXPECT_THROW(plain.FillRect({0, 0, 2, 2}), Exception);
    EXPECT_GT(plain.TextWidth("measuring needs no target"), 0);

    TrueColorBuffer target;
    LazyCanvas lazy(target);
    lazy.Brush().SetColor(clWhite);
    lazy.FillRect({0, 0, 1, 1});
    lazy.FillRect({1, 0, 2, 1});
    EXPECT_EQ(lazy.created, 1);
    EXPECT_EQ(target.at(1, 0), 0xFFFFFFu);
    lazy.Detach();
    EXPECT_FALSE(lazy.HandleAllocated());
}

TEST(CanvasTarget, ABufferWithTooSmallAPitchIsRefused) {
    std::vector<std::uint32_t> bits(16);
    TCanvas canvas;
    EXPECT_THROW(canvas.AttachBuffer({bits.data(), 4, 4, 8, plXRGB8888, nullptr, 0}), Exception);
}
