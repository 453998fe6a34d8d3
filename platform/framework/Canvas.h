#pragma once
// TCanvas: text, lines, fills and pictures on a drawing target. The target is a control
// being painted, a bitmap, or pixel memory that the caller lends (a locked surface):
// 32-bit XRGB, 16-bit 5-6-5, or 8-bit indices mapped through a palette. On an 8-bit
// target every drawn pixel becomes the nearest palette entry (TNearestPalette) and every
// pixel an operation does not touch keeps its index. Text is laid out at 96 pixels per
// inch; "Arial" is drawn with a metric-compatible face. A canvas may be used on any
// thread, by one thread at a time, once the GUI has started (Application->Initialize).
#include "platform/framework/Graphics.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// A picture that a canvas can draw: TBitmap and TJPEGImage.
class TGraphic : public TObject {
    VX_CLASS(TGraphic, TObject)
public:
    TGraphic();
    ~TGraphic() override;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    int Width() const;
    int Height() const;
    bool Empty() const;
    // The picture as X8R8G8B8 values (top byte 0), rows top to bottom; empty when empty.
    std::vector<std::uint32_t> Pixels() const;
    virtual void LoadFromFile(const std::string& fileName) = 0;

    // The decoded pixels; defined in the platform-internal bridge.
    struct Image;
    Image& image() const { return *image_; }

private:
    std::unique_ptr<Image> image_;
};

enum TPixelLayout { plXRGB8888, plRGB565, plIndexed8 };

// Pixel memory lent to a canvas. Pitch is the byte distance between rows. An 8-bit
// buffer needs its palette (copied at attachment).
struct TPixelBuffer {
    void* Bits = nullptr;
    int Width = 0;
    int Height = 0;
    int Pitch = 0;
    TPixelLayout Layout = plXRGB8888;
    const TPaletteEntry* Palette = nullptr;
    int PaletteCount = 256;
};

// DrawText format flags (values as the program passes them).
constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_BOTTOM = 0x0008;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;
constexpr unsigned DT_EXPANDTABS = 0x0040;
constexpr unsigned DT_NOCLIP = 0x0100;
constexpr unsigned DT_CALCRECT = 0x0400;
constexpr unsigned DT_NOPREFIX = 0x0800;

class TCanvas;
class QImage;
namespace vx {
void DrawImage(TCanvas& canvas, int x, int y, const QImage& image);
}

class TCanvas : public TObject {
    VX_CLASS(TCanvas, TObject)
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }
    TPen& Pen() { return pen_; }

    POINT PenPos() const { return penPos_; }
    void SetPenPos(POINT position) { penPos_ = position; }
    void MoveTo(int x, int y);
    // Draws from the pen position to (x, y), the end point itself excluded.
    void LineTo(int x, int y);

    // Text with its top-left corner at (x, y); the background is filled with the brush
    // unless the brush is clear. The pen position moves to the end of the text. A font with
    // an orientation turns the text about (x, y), as TextRect does; DrawText lays text out
    // level.
    void TextOut(int x, int y, const std::string& text);
    // Text at (x, y) clipped to rect, whose background the brush fills first.
    void TextRect(const RECT& rect, int x, int y, const std::string& text);
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;
    TSize TextExtent(const std::string& text) const;
    // Formatted text in rect (DT_ flags). With DT_CALCRECT nothing is drawn and rect's
    // right and bottom are set to the extent of the text. Answers the height drawn.
    int DrawText(const std::string& text, RECT& rect, unsigned format);

    // Fills left..right-1, top..bottom-1 with the brush.
    void FillRect(const RECT& rect);
    // Outlines rect with the brush colour, one pixel wide.
    void FrameRect(const RECT& rect);
    // The dotted frame of a focused item: every other pixel of rect's edge inverted, so
    // drawing it twice removes it.
    void DrawFocusRect(const RECT& rect);
    // Fills with the brush and outlines with the pen, right and bottom edges excluded.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void Ellipse(int left, int top, int right, int bottom);
    void Draw(int x, int y, const TGraphic& graphic);
    void StretchDraw(const RECT& rect, const TGraphic& graphic);
    // Copies source's rectangle onto dest of this canvas (stretched when sizes differ).
    void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);

    // Colour of one pixel (clNone outside the target or where it cannot be read).
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // Draw into caller memory until Detach. The memory must stay valid while attached.
    void AttachBuffer(const TPixelBuffer& buffer);
    // New palette for an attached 8-bit buffer.
    void SetBufferPalette(const TPaletteEntry* entries, int count = 256);
    void Detach();
    // True while a drawing target is attached.
    bool HandleAllocated() const;

    // The drawing target; defined in the platform-internal bridge.
    struct Target;
    Target& target() const { return *target_; }

protected:
    // Runs whenever drawing needs a target and none is attached. A derived canvas attaches
    // one here (a surface lends its memory); without a target drawing raises an Exception.
    virtual void CreateHandle();

private:
    friend void vx::DrawImage(TCanvas&, int, int, const QImage&);
    void requireTarget();
    // Text along the font's orientation, clipped to clip when one is given.
    void turnedText(int x, int y, TSize extent, const std::string& text, const RECT* clip);

    TFont font_;
    TBrush brush_;
    TPen pen_;
    POINT penPos_;
    std::unique_ptr<Target> target_;
};
