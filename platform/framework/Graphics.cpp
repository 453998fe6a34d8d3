#include "platform/framework/Graphics.h"

#include <algorithm>

namespace {

// Colours of the classic desktop scheme, so that dialogs look the same on every system.
constexpr DWORD systemColors[] = {
    RGB(200, 200, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
};

// a * b / c rounded half away from zero.
int mulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DWORD ColorToRGB(TColor color) {
    if (color < 0) {
        const unsigned index = static_cast<unsigned>(color) & 0xFF;
        if (index < sizeof(systemColors) / sizeof(systemColors[0])) return systemColors[index];
        return 0;
    }
    return static_cast<DWORD>(color) & 0xFFFFFF;
}

TFont::TFont() = default;

void TFont::changed() {
    if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    changed();
}

int TFont::Size() const {
    return -mulDiv(height_, 72, 96);
}

void TFont::SetSize(int points) {
    SetHeight(-mulDiv(points, 96, 72));
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    changed();
}

void TFont::SetQuality(TFontQuality quality) {
    if (quality == quality_) return;
    quality_ = quality;
    changed();
}

void TFont::SetOrientation(int tenths) {
    if (tenths == orientation_) return;
    orientation_ = tenths;
    changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == pitch_) return;
    pitch_ = pitch;
    changed();
}

void TFont::SetCharSet(BYTE charSet) {
    if (charSet == charSet_) return;
    charSet_ = charSet;
    changed();
}

HFONT TFont::Handle() const {
    TLogFont logFont;
    logFont.Height = height_;
    logFont.Escapement = orientation_;
    logFont.Orientation = orientation_;
    logFont.Weight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    logFont.Italic = (style_ & fsItalic) ? 1 : 0;
    logFont.Underline = (style_ & fsUnderline) ? 1 : 0;
    logFont.StrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    logFont.CharSet = charSet_;
    logFont.PitchAndFamily = pitch_ == fpFixed ? 1 : pitch_ == fpVariable ? 2 : 0;
    logFont.FaceName = name_;
    return CreateFontIndirect(logFont);
}

void TFont::SetHandle(const HFONT& handle) {
    if (!handle) return;
    name_ = handle->FaceName;
    height_ = handle->Height;
    style_ = (handle->Weight >= 600 ? fsBold : 0u) | (handle->Italic ? fsItalic : 0u) |
             (handle->Underline ? fsUnderline : 0u) | (handle->StrikeOut ? fsStrikeOut : 0u);
    orientation_ = handle->Escapement;
    const int pitch = handle->PitchAndFamily & 3;
    pitch_ = pitch == 1 ? fpFixed : pitch == 2 ? fpVariable : fpDefault;
    charSet_ = handle->CharSet;
    changed();
}

void TFont::Assign(const TFont& other) {
    if (&other == this) return;
    name_ = other.name_;
    height_ = other.height_;
    color_ = other.color_;
    style_ = other.style_;
    quality_ = other.quality_;
    orientation_ = other.orientation_;
    pitch_ = other.pitch_;
    charSet_ = other.charSet_;
    changed();
}

HFONT CreateFontIndirect(const TLogFont& logFont) {
    TLogFont copy = logFont;
    if (copy.FaceName.size() > LF_FACESIZE - 1) copy.FaceName.resize(LF_FACESIZE - 1);
    return std::make_shared<const TLogFont>(std::move(copy));
}

void TBrush::SetColor(TColor color) {
    if (color == color_ && style_ == bsSolid) return;
    color_ = color;
    // Choosing a colour makes a clear brush solid again, as programs expect.
    style_ = bsSolid;
    if (OnChange) OnChange(this);
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_) return;
    style_ = style;
    if (OnChange) OnChange(this);
}

void TBrush::Assign(const TBrush& other) {
    color_ = other.color_;
    style_ = other.style_;
    if (OnChange) OnChange(this);
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    if (OnChange) OnChange(this);
}

void TPen::SetWidth(int width) {
    if (width < 1) width = 1;
    if (width == width_) return;
    width_ = width;
    if (OnChange) OnChange(this);
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    if (OnChange) OnChange(this);
}

void TPen::Assign(const TPen& other) {
    color_ = other.color_;
    width_ = other.width_;
    style_ = other.style_;
    if (OnChange) OnChange(this);
}

TNearestPalette::TNearestPalette() {
    Assign(nullptr, 0);
}

TNearestPalette::TNearestPalette(const TPaletteEntry* entries, int count) {
    Assign(entries, count);
}

void TNearestPalette::Assign(const TPaletteEntry* entries, int count) {
    count_ = entries ? std::min(std::max(count, 0), 256) : 0;
    for (int i = 0; i < 256; ++i)
        entries_[i] = i < count_ ? entries[i] : TPaletteEntry{};
    for (auto& key : cacheKey_)
        key = 0;
}

BYTE TNearestPalette::IndexOf(BYTE red, BYTE green, BYTE blue) const {
    const std::uint32_t key = 0x1000000u | red | (green << 8) | (static_cast<std::uint32_t>(blue) << 16);
    const std::uint32_t slot = ((key * 2654435761u) >> 20) & 4095u;
    if (cacheKey_[slot] == key) return cacheIndex_[slot];
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count_; ++i) {
        const long dr = entries_[i].Red - red;
        const long dg = entries_[i].Green - green;
        const long db = entries_[i].Blue - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0) break;
        }
    }
    cacheKey_[slot] = key;
    cacheIndex_[slot] = static_cast<BYTE>(best);
    return static_cast<BYTE>(best);
}
