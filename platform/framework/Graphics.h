#pragma once
// Colours, fonts, brushes and pens of the drawing model. A colour is 0x00BBGGRR; a value
// with the top bit set names a system colour (clBtnFace...) that ColorToRGB resolves.
// Font sizes are in points at a logical 96 pixels per inch, so text measures the same on
// every screen.
#include "platform/framework/Classes.h"
#include "platform/kernel/Types.h"

#include <cstdint>
#include <memory>
#include <string>

using TColor = std::int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// System colours: clSystemColor | index.
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

// The plain 0x00BBGGRR value of a colour (system colours resolved).
DWORD ColorToRGB(TColor color);
constexpr DWORD RGB(BYTE r, BYTE g, BYTE b) {
    return r | (g << 8) | (static_cast<DWORD>(b) << 16);
}
constexpr BYTE GetRValue(DWORD rgb) {
    return static_cast<BYTE>(rgb);
}
constexpr BYTE GetGValue(DWORD rgb) {
    return static_cast<BYTE>(rgb >> 8);
}
constexpr BYTE GetBValue(DWORD rgb) {
    return static_cast<BYTE>(rgb >> 16);
}

// One entry of an 8-bit palette, laid out as red, green, blue, flags.
struct TPaletteEntry {
    BYTE Red = 0;
    BYTE Green = 0;
    BYTE Blue = 0;
    BYTE Flags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};
static_assert(sizeof(TPaletteEntry) == 4);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
// fqDefault: smoothed edges on controls and true-colour bitmaps; plain pixels on 8-bit
// targets and on lent pixel memory (surfaces), where colour keys must match exactly.
enum TFontQuality { fqDefault, fqNonAntialiased, fqAntialiased };

enum TFontPitch { fpDefault, fpVariable, fpFixed };

constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr int LF_FACESIZE = 32;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// What a font handle is made from: the fields of a logical font. Angles are in tenths of a
// degree, counterclockwise; text runs along the escapement (its characters turned with it).
struct TLogFont {
    int Height = 0;
    int Width = 0;
    int Escapement = 0;
    int Orientation = 0;
    int Weight = FW_NORMAL;
    BYTE Italic = 0;
    BYTE Underline = 0;
    BYTE StrikeOut = 0;
    BYTE CharSet = DEFAULT_CHARSET;
    BYTE OutPrecision = 0;
    BYTE ClipPrecision = 0;
    BYTE Quality = 0;
    BYTE PitchAndFamily = 0; // 0 default, 1 fixed, 2 variable pitch
    std::string FaceName;
    friend bool operator==(const TLogFont&, const TLogFont&) = default;
};

using HFONT = std::shared_ptr<const TLogFont>;

// A font handle; the face name keeps at most LF_FACESIZE - 1 characters, as the field holds.
HFONT CreateFontIndirect(const TLogFont& logFont);

class TFont : public TObject {
    VX_CLASS(TFont, TObject)
public:
    TFont();
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Points at 96 pixels per inch; Height is the same size in pixels (negative: the
    // character height without internal leading, positive: the cell height).
    int Size() const;
    void SetSize(int points);
    int Height() const { return height_; }
    void SetHeight(int height);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TFontQuality Quality() const { return quality_; }
    void SetQuality(TFontQuality quality);
    // The angle of the text's baseline in tenths of a degree, counterclockwise: TextOut and
    // TextRect draw turned about their starting point.
    int Orientation() const { return orientation_; }
    void SetOrientation(int tenths);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    BYTE CharSet() const { return charSet_; }
    void SetCharSet(BYTE charSet);
    // A handle made from the font's attributes, and the attributes taken from a handle.
    HFONT Handle() const;
    void SetHandle(const HFONT& handle);
    void Assign(const TFont& other);

    TNotifyEvent OnChange;

private:
    void changed();

    std::string name_ = "Arial";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    TFontQuality quality_ = fqDefault;
    int orientation_ = 0;
    TFontPitch pitch_ = fpDefault;
    BYTE charSet_ = DEFAULT_CHARSET;
};

enum TBrushStyle { bsSolid, bsClear };

class TBrush : public TObject {
    VX_CLASS(TBrush, TObject)
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    void Assign(const TBrush& other);
    TNotifyEvent OnChange;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

enum TPenStyle { psSolid, psDash, psDot, psClear };

class TPen : public TObject {
    VX_CLASS(TPen, TObject)
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    void Assign(const TPen& other);
    TNotifyEvent OnChange;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
};

// Maps colours to the nearest entry of an 8-bit palette: the smallest squared distance in
// red, green and blue, the lowest index on a tie, so a colour of the palette always maps
// to its first exact entry.
class TNearestPalette {
public:
    TNearestPalette();
    explicit TNearestPalette(const TPaletteEntry* entries, int count = 256);
    void Assign(const TPaletteEntry* entries, int count = 256);
    BYTE IndexOf(BYTE red, BYTE green, BYTE blue) const;
    const TPaletteEntry& Entry(int index) const { return entries_[index & 0xFF]; }
    int Count() const { return count_; }

private:
    TPaletteEntry entries_[256];
    int count_ = 0;
    // Cache of answers, one slot per 16-bit hash of the colour: a hit must match exactly.
    mutable std::uint32_t cacheKey_[4096];
    mutable BYTE cacheIndex_[4096];
};
