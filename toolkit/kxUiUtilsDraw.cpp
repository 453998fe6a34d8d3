// The drawing routines of kxUiUtils: bitmaps, icons, the screen canvas and text in cells.
#include "toolkit/kxUiUtils.h"

#include <algorithm>
#include <cmath>

namespace {

DWORD rgbOf(TColor color) {
    return ColorToRGB(color) & 0xFFFFFFu;
}

// The colour a transparent-colour argument means for bitmap: clDefault is the bitmap's
// bottom-left pixel.
TColor keyFor(const TBitmap& bitmap, TColor color) {
    if (color != clDefault) return color;
    return bitmap.Empty() ? clNone : bitmap.Pixel(0, bitmap.Height() - 1);
}

std::unique_ptr<TBitmap> blankBitmap(int width, int height, TColor fill) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(std::max(width, 0), std::max(height, 0));
    if (width > 0 && height > 0) {
        bitmap->Canvas().Brush().SetStyle(bsSolid);
        bitmap->Canvas().Brush().SetColor(fill);
        bitmap->Canvas().FillRect({0, 0, width, height});
    }
    return bitmap;
}

// The shape of a picture: true for every pixel that is not of the outline colour.
std::vector<bool> shapeOf(const TBitmap& original, TColor outlineColor) {
    const DWORD outline = rgbOf(outlineColor);
    std::vector<bool> shape(static_cast<std::size_t>(original.Width()) *
                            static_cast<std::size_t>(original.Height()));
    for (int y = 0; y < original.Height(); ++y)
        for (int x = 0; x < original.Width(); ++x)
            shape[static_cast<std::size_t>(y * original.Width() + x)] =
                rgbOf(original.Pixel(x, y)) != outline;
    return shape;
}

// Paints the shape in colour at an offset onto bitmap (pixels outside it stay).
void paintShape(TBitmap& bitmap, const std::vector<bool>& shape, int width, int height, int dx, int dy,
                TColor color) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (shape[static_cast<std::size_t>(y * width + x)] && x + dx < bitmap.Width() &&
                y + dy < bitmap.Height())
                bitmap.SetPixel(x + dx, y + dy, color);
}

// A bitmap of the shape in colour on a transparent key, for drawing over a canvas.
std::unique_ptr<TBitmap> shapeLayer(const std::vector<bool>& shape, int width, int height, TColor color) {
    const TColor key = ColorToRGB(color) == 0xFF00FFu ? clLime : clFuchsia;
    auto layer = blankBitmap(width, height, key);
    paintShape(*layer, shape, width, height, 0, 0, color);
    layer->SetTransparentColor(key);
    layer->SetTransparent(true);
    return layer;
}

// The pixel a point of the pattern brush covers: black on odd squares, white elsewhere.
bool shadedPixel(int x, int y) {
    return ((x + y) & 1) != 0;
}

} // namespace

TScreenCanvas::~TScreenCanvas() {
    FreeHandle();
}

void TScreenCanvas::CreateHandle() {
    Screen->AttachCanvas(*this, origin_);
    attached_ = true;
}

void TScreenCanvas::FreeHandle() {
    if (!attached_) return;
    attached_ = false;
    Screen->ReleaseCanvas(*this);
}

void TScreenCanvas::SetOrigin(int x, int y) {
    origin_ = {x, y};
    if (attached_) {
        FreeHandle();
        CreateHandle();
    }
}

void AssignBitmapCell(const TGraphic& source, TBitmap& dest, int cols, int rows, int index) {
    if (cols < 1 || rows < 1 || source.Empty()) return;
    const int width = source.Width() / cols;
    const int height = source.Height() / rows;
    dest.SetPixelFormat(pf32bit);
    dest.SetSize(width, height);
    dest.Canvas().Brush().SetStyle(bsSolid);
    dest.Canvas().Brush().SetColor(clSilver);
    dest.Canvas().FillRect({0, 0, width, height});
    if (index < 0 || index >= cols * rows) return;
    dest.Canvas().Draw(-(index % cols) * width, -(index / cols) * height, source);
}

void StretchBltTransparent(TCanvas& dest, const RECT& dstRect, TCanvas& source, const RECT& srcRect,
                           const TNearestPalette* palette, TColor transparentColor) {
    const int width = WidthOf(srcRect);
    const int height = HeightOf(srcRect);
    if (width <= 0 || height <= 0 || WidthOf(dstRect) <= 0 || HeightOf(dstRect) <= 0) return;
    auto picture = blankBitmap(width, height, clBlack);
    picture->Canvas().CopyRect({0, 0, width, height}, source, srcRect);
    if (palette && palette->Count() > 0) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const DWORD rgb = ColorToRGB(picture->Pixel(x, y));
                const TPaletteEntry& entry =
                    palette->Entry(palette->IndexOf(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
                picture->SetPixel(x, y, static_cast<TColor>(RGB(entry.Red, entry.Green, entry.Blue)));
            }
    }
    if (transparentColor != clNone) {
        picture->SetTransparentColor(static_cast<TColor>(rgbOf(transparentColor)));
        picture->SetTransparent(true);
    }
    dest.StretchDraw(dstRect, *picture);
}

void DrawTransparentBitmap(TCanvas& dest, TBitmap& bitmap, int x, int y, TColor transparentColor) {
    StretchBltTransparent(dest, {x, y, x + bitmap.Width(), y + bitmap.Height()}, bitmap.Canvas(),
                          {0, 0, bitmap.Width(), bitmap.Height()}, nullptr, keyFor(bitmap, transparentColor));
}

void StretchBitmapRectTransparent(TCanvas& dest, int x, int y, int width, int height, const RECT& rect,
                                  TBitmap& bitmap, TColor transparentColor) {
    StretchBltTransparent(dest, {x, y, x + width, y + height}, bitmap.Canvas(), rect, nullptr,
                          keyFor(bitmap, transparentColor));
}

void DrawBitmapRectTransparent(TCanvas& dest, int x, int y, const RECT& rect, TBitmap& bitmap,
                               TColor transparentColor) {
    StretchBitmapRectTransparent(dest, x, y, WidthOf(rect), HeightOf(rect), rect, bitmap, transparentColor);
}

void DrawBitmapTransparent(TCanvas& dest, int x, int y, TBitmap& bitmap, TColor transparentColor) {
    DrawBitmapRectTransparent(dest, x, y, {0, 0, bitmap.Width(), bitmap.Height()}, bitmap, transparentColor);
}

std::unique_ptr<TBitmap> ChangeBitmapColor(const TBitmap& bitmap, TColor color, TColor newColor) {
    auto result = blankBitmap(bitmap.Width(), bitmap.Height(), newColor);
    const DWORD from = rgbOf(color);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const TColor pixel = bitmap.Pixel(x, y);
            if (rgbOf(pixel) != from) result->SetPixel(x, y, pixel);
        }
    return result;
}

std::unique_ptr<TBitmap> CreateDisabledBitmapEx(const TBitmap& original, TColor outlineColor,
                                                TColor backColor, TColor highlightColor, TColor shadowColor,
                                                bool drawHighlight) {
    const int width = original.Width();
    const int height = original.Height();
    auto result = blankBitmap(width, height, backColor);
    const std::vector<bool> shape = shapeOf(original, outlineColor);
    if (drawHighlight) paintShape(*result, shape, width, height, 1, 1, highlightColor);
    paintShape(*result, shape, width, height, 0, 0, shadowColor);
    return result;
}

std::unique_ptr<TBitmap> CreateDisabledBitmap(const TBitmap& original, TColor outlineColor) {
    return CreateDisabledBitmapEx(original, outlineColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void ImageListDrawDisabled(const TCustomImageList& images, TCanvas& canvas, int x, int y, int index,
                           TColor highlightColor, TColor grayColor, bool drawHighlight) {
    if (index < 0 || index >= images.Count()) return;
    TBitmap mask;
    images.GetMask(index, mask);
    // The mask is black where the picture is drawn: that is its shape.
    const std::vector<bool> drawn = shapeOf(mask, clWhite);
    if (drawHighlight)
        canvas.Draw(x + 1, y + 1, *shapeLayer(drawn, mask.Width(), mask.Height(), highlightColor));
    canvas.Draw(x, y, *shapeLayer(drawn, mask.Width(), mask.Height(), grayColor));
}

std::unique_ptr<TBitmap> CreateTwoColorsBrushPattern(TColor color1, TColor color2) {
    auto pattern = blankBitmap(8, 8, color1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if ((x % 2) == (y % 2)) pattern->SetPixel(x, y, color2);
    return pattern;
}

std::unique_ptr<TBitmap> CreateBitmapFromIcon(const TIcon& icon, TColor backColor) {
    auto bitmap = blankBitmap(icon.Width(), icon.Height(), backColor);
    bitmap->Canvas().Draw(0, 0, icon);
    bitmap->SetTransparentColor(backColor);
    bitmap->SetTransparent(true);
    return bitmap;
}

std::unique_ptr<TIcon> CreateIconFromBitmap(const TBitmap& bitmap, TColor transparentColor) {
    auto icon = std::make_unique<TIcon>();
    if (bitmap.Empty()) return icon;
    const TColor key = transparentColor == clDefault ? bitmap.TransparentColor() : transparentColor;
    const DWORD keyRgb = rgbOf(key);
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(bitmap.Width()) * static_cast<std::size_t>(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const DWORD rgb = rgbOf(bitmap.Pixel(x, y));
            const std::uint32_t argb = (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
            pixels.push_back(key != clNone && rgb == keyRgb ? 0u : 0xFF000000u | argb);
        }
    icon->SetArgbPixels(bitmap.Width(), bitmap.Height(), pixels);
    return icon;
}

void CopyParentImage(TControl* control, TCanvas& dest) {
    if (control) PaintControlsBeneath(control, dest);
}

namespace {

TSize dialogBaseUnits() {
    static const TSize base = [] {
        TBitmap probe;
        probe.SetSize(1, 1);
        return GetAveCharSize(probe.Canvas());
    }();
    return base;
}

} // namespace

int DialogUnitsToPixelsX(int units) {
    return units * dialogBaseUnits().cx / 4;
}

int DialogUnitsToPixelsY(int units) {
    return units * dialogBaseUnits().cy / 8;
}

int PixelsToDialogUnitsX(int pixels) {
    return pixels * 4 / std::max(1, dialogBaseUnits().cx);
}

int PixelsToDialogUnitsY(int pixels) {
    return pixels * 8 / std::max(1, dialogBaseUnits().cy);
}

void PaintInverseRect(const POINT& rectOrg, const POINT& rectEnd) {
    Screen->InvertRect({std::min(rectOrg.x, rectEnd.x), std::min(rectOrg.y, rectEnd.y),
                        std::max(rectOrg.x, rectEnd.x), std::max(rectOrg.y, rectEnd.y)});
}

void DrawInvertFrame(const RECT& screenRect, int width) {
    const RECT& r = screenRect;
    const int w = std::max(1, std::min({width, WidthOf(r) / 2, HeightOf(r) / 2}));
    if (WidthOf(r) <= 0 || HeightOf(r) <= 0) return;
    // Four bars that never overlap, so every frame pixel is inverted exactly once.
    Screen->InvertRect({r.left, r.top, r.right, r.top + w});
    Screen->InvertRect({r.left, r.bottom - w, r.right, r.bottom});
    Screen->InvertRect({r.left, r.top + w, r.left + w, r.bottom - w});
    Screen->InvertRect({r.right - w, r.top + w, r.right, r.bottom - w});
}

int WidthOf(const RECT& r) {
    return r.right - r.left;
}

int HeightOf(const RECT& r) {
    return r.bottom - r.top;
}

bool PointInRect(const POINT& p, const RECT& r) {
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

bool PointInPolyRgn(const POINT& p, const POINT* points, int highIndex) {
    if (!points || highIndex < 2) return false;
    // The winding number of the pixel's centre.
    const double px = p.x + 0.5, py = p.y + 0.5;
    int winding = 0;
    for (int i = 0; i <= highIndex; ++i) {
        const POINT& a = points[i];
        const POINT& b = points[i == highIndex ? 0 : i + 1];
        const double cross = (b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y);
        if (a.y <= py && b.y > py && cross > 0) ++winding;
        if (a.y > py && b.y <= py && cross < 0) --winding;
    }
    return winding != 0;
}

void ShadeRect(TCanvas& canvas, const RECT& rect) {
    const int width = WidthOf(rect);
    const int height = HeightOf(rect);
    if (width <= 0 || height <= 0) return;
    // Black where the checker is black, clear elsewhere: the pixels beneath show through
    // every other square, as a pattern brush ANDed onto them shows them.
    auto layer = blankBitmap(width, height, clWhite);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (shadedPixel(rect.left + x, rect.top + y)) layer->SetPixel(x, y, clBlack);
    layer->SetTransparentColor(clWhite);
    layer->SetTransparent(true);
    canvas.Draw(rect.left, rect.top, *layer);
}

std::string MinimizeText(const std::string& text, TCanvas& canvas, int maxWidth) {
    std::string result = text;
    for (std::size_t i = 1; i <= text.size() && canvas.TextWidth(result) > maxWidth; ++i)
        result = text.substr(0, text.size() > i + 1 ? text.size() - i - 1 : 0) + "...";
    return result;
}

TSize GetAveCharSize(TCanvas& canvas) {
    const TSize extent = canvas.TextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {extent.cx / 52, extent.cy};
}

void WriteText(TCanvas& canvas, const RECT& rect, int dx, int dy, const std::string& text,
               TAlignment alignment, bool wordWrap) {
    static const unsigned alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    RECT inner{rect.left + dx, rect.top + dy, rect.right - dx, rect.bottom - dy};
    const TBrushStyle style = canvas.Brush().Style();
    canvas.Brush().SetStyle(bsClear);
    canvas.DrawText(text, inner,
                    DT_EXPANDTABS | DT_NOPREFIX | alignments[alignment] | (wordWrap ? DT_WORDBREAK : 0u));
    canvas.Brush().SetStyle(style);
}

void DrawCellTextEx(TCustomControl* control, int, int, const std::string& text, const RECT& rect,
                    TAlignment alignment, TVertAlignment vertAlignment, bool wordWrap) {
    if (!control) return;
    constexpr int margin = 2;
    TCanvas& canvas = control->Canvas();
    RECT cell = rect;
    if (vertAlignment != vaTopJustify) {
        RECT measured{rect.left + margin, rect.top, rect.right - margin, rect.bottom};
        canvas.DrawText(text, measured,
                        DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | (wordWrap ? DT_WORDBREAK : 0u));
        const int room = HeightOf(rect) - HeightOf(measured) - 2 * margin;
        cell.top += vertAlignment == vaCenter ? room / 2 : room;
    }
    WriteText(canvas, cell, margin, margin, text, alignment, wordWrap);
}

void DrawCellText(TCustomControl* control, int col, int row, const std::string& text, const RECT& rect,
                  TAlignment alignment, TVertAlignment vertAlignment) {
    DrawCellTextEx(control, col, row, text, rect, alignment, vertAlignment, false);
}

void DrawCellText(TCustomControl* control, int col, int row, const std::string& text, const RECT& rect,
                  TAlignment alignment) {
    DrawCellTextEx(control, col, row, text, rect, alignment, vaTopJustify, false);
}

void DrawCellBitmap(TCustomControl* control, int, int, const TGraphic& graphic, const RECT& rect) {
    if (!control || graphic.Empty()) return;
    control->Canvas().Draw(rect.left + (WidthOf(rect) - graphic.Width()) / 2,
                           rect.top + (HeightOf(rect) - graphic.Height()) / 2, graphic);
}

namespace kxUiUtils {

HFONT CreateRotatedFont(const TFont& font, int angle) {
    TLogFont logFont;
    logFont.Height = font.Height();
    logFont.Escapement = angle * 10;
    logFont.Orientation = 0;
    logFont.Weight = (font.Style() & fsBold) ? FW_BOLD : FW_NORMAL;
    logFont.Italic = (font.Style() & fsItalic) ? 1 : 0;
    logFont.Underline = (font.Style() & fsUnderline) ? 1 : 0;
    logFont.StrikeOut = (font.Style() & fsStrikeOut) ? 1 : 0;
    logFont.CharSet = font.CharSet();
    logFont.PitchAndFamily = font.Pitch() == fpVariable ? 2 : font.Pitch() == fpFixed ? 1 : 0;
    logFont.FaceName = font.Name();
    return CreateFontIndirect(logFont);
}

} // namespace kxUiUtils
