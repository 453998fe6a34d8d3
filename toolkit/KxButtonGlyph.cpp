#include "toolkit/KxButtonGlyph.h"

#include "platform/framework/ExtCtrls.h"
#include "toolkit/Maxmin.h"
#include "toolkit/kxUiUtils.h"

namespace {

// The process's glyph cache and how many button glyphs share it.
std::unique_ptr<TGlyphCache> glyphCache;
int glyphCount = 0;

// A pixel's grey: the eye's weights of red, green and blue.
DWORD greyOf(DWORD rgb) {
    const DWORD grey = (77 * GetRValue(rgb) + 150 * GetGValue(rgb) + 29 * GetBValue(rgb)) / 256;
    return RGB(static_cast<BYTE>(grey), static_cast<BYTE>(grey), static_cast<BYTE>(grey));
}

// Turns every pixel grey except those of the two colours left as they are.
void makeGrey(TBitmap& bitmap, TColor keep1, TColor keep2) {
    const auto skip1 = static_cast<TColor>(ColorToRGB(keep1));
    const auto skip2 = static_cast<TColor>(ColorToRGB(keep2));
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const TColor pixel = bitmap.Pixel(x, y);
            if (pixel != skip1 && pixel != skip2)
                bitmap.SetPixel(x, y, static_cast<TColor>(greyOf(static_cast<DWORD>(pixel))));
        }
}

std::unique_ptr<TBitmap> filledBitmap(int width, int height, TColor color) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    bitmap->Canvas().Brush().SetColor(color);
    bitmap->Canvas().FillRect({0, 0, width, height});
    return bitmap;
}

bool validImage(const TCustomImageList* images, int index) {
    return images && index >= 0 && index < images->Count();
}

// The rows of the drop-down mark: from x + left to x + right on row y + dy.
struct MarkRow {
    int dy, left, right;
};
constexpr MarkRow markRows[] = {{-1, 0, 6}, {0, 1, 5}, {1, 2, 4}, {2, 3, 3}};

void drawMark(TCanvas& canvas, int x, int y, TColor color) {
    canvas.Brush().SetColor(color);
    for (const MarkRow& row : markRows)
        canvas.FillRect({x + row.left, y + row.dy, x + row.right + 1, y + row.dy + 1});
}

} // namespace

TGlyphList::TGlyphList(int width, int height) : TImageList(nullptr, width, height) {}

int TGlyphList::freeSlot() const {
    for (std::size_t i = 0; i < used_.size(); ++i)
        if (!used_[i]) return static_cast<int>(i);
    return -1;
}

void TGlyphList::markUsed(int index) {
    if (static_cast<std::size_t>(index) >= used_.size()) used_.resize(static_cast<std::size_t>(index) + 1);
    used_[static_cast<std::size_t>(index)] = true;
    ++usedCount_;
}

int TGlyphList::Add(const TBitmap& image, const TBitmap* mask) {
    int index = freeSlot();
    if (index < 0)
        index = TImageList::Add(image, mask);
    else
        Replace(index, image, mask);
    markUsed(index);
    return index;
}

int TGlyphList::AddMasked(const TBitmap& image, TColor maskColor) {
    int index = freeSlot();
    if (index < 0)
        index = TImageList::AddMasked(image, maskColor);
    else
        ReplaceMasked(index, image, maskColor);
    markUsed(index);
    return index;
}

void TGlyphList::Delete(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= used_.size() ||
        !used_[static_cast<std::size_t>(index)])
        return;
    used_[static_cast<std::size_t>(index)] = false;
    --usedCount_;
}

TGlyphList* TGlyphCache::GetList(int width, int height) {
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
    lists_.push_back(std::make_unique<TGlyphList>(width, height));
    return lists_.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list) {
    if (!list || list->UsedCount() > 0) return;
    std::erase_if(lists_, [list](const std::unique_ptr<TGlyphList>& held) { return held.get() == list; });
}

TGlyphCache* GlyphCache() {
    return glyphCache.get();
}

TKxButtonGlyph::TKxButtonGlyph() {
    if (glyphCount++ == 0) glyphCache = std::make_unique<TGlyphCache>();
}

TKxButtonGlyph::~TKxButtonGlyph() {
    Invalidate();
    if (--glyphCount == 0) glyphCache.reset();
}

void TKxButtonGlyph::changed() {
    if (OnChange) OnChange(this);
}

void TKxButtonGlyph::SetGlyph(const TBitmap* glyph) {
    Invalidate();
    if (glyph)
        glyph_.Assign(*glyph);
    else
        glyph_.Assign(TBitmap());
    glyphChanged();
}

void TKxButtonGlyph::glyphChanged() {
    transparentColor_ = glyph_.TransparentColor();
    if (!glyph_.Empty() && glyph_.Width() % glyph_.Height() == 0) {
        const int count = glyph_.Width() / glyph_.Height();
        numGlyphs_ = count > 5 ? 1 : count;
    }
    changed();
}

void TKxButtonGlyph::SetNumGlyphs(TKxNumGlyphs count) {
    count = Min(count, 5);
    if (count <= 0 || count == numGlyphs_) return;
    Invalidate();
    numGlyphs_ = count;
    changed();
}

void TKxButtonGlyph::SetWordWrap(bool wordWrap) {
    if (wordWrap == wordWrap_) return;
    wordWrap_ = wordWrap;
    changed();
}

void TKxButtonGlyph::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    changed();
}

void TKxButtonGlyph::Invalidate() {
    for (int& index : indexes_) {
        if (index >= 0 && glyphList_) glyphList_->Delete(index);
        index = -1;
    }
    if (glyphCache) glyphCache->ReturnList(glyphList_);
    glyphList_ = nullptr;
    imageSource_ = nullptr;
    imageSourceIndex_ = -1;
}

TGlyphList& TKxButtonGlyph::listFor(int width, int height) {
    if (!glyphList_) glyphList_ = glyphCache->GetList(width, height);
    return *glyphList_;
}

std::unique_ptr<TBitmap> TKxButtonGlyph::picture(int position, int width, int height) const {
    auto result = filledBitmap(width, height, transparentColor_);
    result->Canvas().CopyRect({0, 0, width, height}, const_cast<TBitmap&>(glyph_).Canvas(),
                              {position * width, 0, position * width + width, height});
    return result;
}

int TKxButtonGlyph::CreateButtonGlyph(TKxButtonState state) {
    if (state == kbsExclusive && numGlyphs_ < 3) state = kbsUp;
    int& cached = indexes_[state];
    if (cached >= 0) return cached;
    if (glyph_.Empty()) return -1;
    const int width = glyph_.Width() / numGlyphs_, height = glyph_.Height();
    TGlyphList& list = listFor(width, height);
    const int position = state < numGlyphs_ ? static_cast<int>(state) : 0;
    switch (state) {
    case kbsDisabled:
        if (numGlyphs_ > 1) {
            cached = list.AddMasked(*picture(position, width, height), transparentColor_);
        } else {
            const std::unique_ptr<TBitmap> embossed = CreateDisabledBitmap(glyph_, transparentColor_);
            cached = list.AddMasked(*embossed, clBtnFace);
        }
        break;
    case kbsInactive: {
        if (numGlyphs_ == 5) {
            cached = list.AddMasked(*picture(4, width, height), transparentColor_);
        } else {
            std::unique_ptr<TBitmap> grey = picture(position, width, height);
            makeGrey(*grey, transparentColor_, clBtnFace);
            cached = list.AddMasked(*grey, transparentColor_);
        }
        break;
    }
    default:
        cached = list.AddMasked(*picture(position, width, height), transparentColor_);
        break;
    }
    return cached;
}

int TKxButtonGlyph::CreateImageGlyph(TKxButtonState state, TCustomImageList& images, int index) {
    if (state == kbsDown) state = kbsUp;
    // Pictures made of another image would be wrong for this one.
    if (imageSource_ != &images || imageSourceIndex_ != index) {
        Invalidate();
        imageSource_ = &images;
        imageSourceIndex_ = index;
    }
    int& cached = indexes_[state];
    if (cached >= 0) return cached;
    if (images.Count() == 0 || images.Width() == 0 || images.Height() == 0 || !validImage(&images, index))
        return -1;
    const int width = images.Width(), height = images.Height();
    TGlyphList& list = listFor(width, height);
    switch (state) {
    case kbsDisabled: {
        auto face = filledBitmap(width, height, clBtnFace);
        ImageListDrawDisabled(images, face->Canvas(), 0, 0, index, clBtnHighlight, clBtnShadow, true);
        cached = list.AddMasked(*face, clBtnFace);
        break;
    }
    case kbsInactive: {
        auto face = filledBitmap(width, height, clBtnFace);
        images.Draw(face->Canvas(), 0, 0, index);
        makeGrey(*face, clBtnFace, clBtnFace);
        cached = list.AddMasked(*face, clBtnFace);
        break;
    }
    default: {
        TBitmap image, mask;
        images.GetBitmap(index, image);
        images.GetMask(index, mask);
        cached = list.Add(image, &mask);
        break;
    }
    }
    return cached;
}

TSize TKxButtonGlyph::DrawButtonGlyph(TCanvas& canvas, int x, int y, TKxButtonState state) {
    const int index = CreateButtonGlyph(state);
    if (index < 0 || !glyphList_) return {};
    glyphList_->Draw(canvas, x, y, index);
    return {glyphList_->Width(), glyphList_->Height()};
}

TSize TKxButtonGlyph::DrawButtonImage(TCanvas& canvas, int x, int y, TCustomImageList& images, int index,
                                      TKxButtonState state) {
    if (!validImage(&images, index)) return {};
    if (state == kbsDisabled) {
        ImageListDrawDisabled(images, canvas, x, y, index, clBtnHighlight, clBtnShadow, true);
    } else if (state == kbsInactive) {
        const int grey = CreateImageGlyph(state, images, index);
        if (grey >= 0) glyphList_->Draw(canvas, x, y, grey);
    } else {
        images.Draw(canvas, x, y, index);
    }
    return {images.Width(), images.Height()};
}

void TKxButtonGlyph::DrawButtonText(TCanvas& canvas, const std::string& caption, RECT textBounds,
                                    TKxButtonState state, unsigned flags) {
    if (caption.empty()) return;
    const TBrushStyle brush = canvas.Brush().Style();
    canvas.Brush().SetStyle(bsClear);
    flags |= DT_VCENTER | (wordWrap_ ? DT_WORDBREAK : 0);
    if (state == kbsDisabled) {
        const TColor color = canvas.Font().Color();
        RECT shifted{textBounds.left + 1, textBounds.top + 1, textBounds.right + 1, textBounds.bottom + 1};
        canvas.Font().SetColor(clBtnHighlight);
        canvas.DrawText(caption, shifted, flags);
        canvas.Font().SetColor(clBtnShadow);
        canvas.DrawText(caption, textBounds, flags);
        canvas.Font().SetColor(color);
    } else {
        canvas.DrawText(caption, textBounds, flags);
    }
    canvas.Brush().SetStyle(brush);
}

void TKxButtonGlyph::DrawPopupMark(TCanvas& canvas, int x, int y, TKxButtonState state) {
    const TColor brush = canvas.Brush().Color();
    const TBrushStyle style = canvas.Brush().Style();
    canvas.Brush().SetStyle(bsSolid);
    if (state == kbsDisabled) {
        drawMark(canvas, x + 1, y + 1, clBtnHighlight);
        drawMark(canvas, x, y, clBtnShadow);
    } else {
        drawMark(canvas, x, y, clBtnText);
    }
    canvas.Brush().SetColor(brush);
    canvas.Brush().SetStyle(style);
}

std::string TKxButtonGlyph::MinimizeCaption(TCanvas& canvas, const std::string& caption, int width) const {
    if (wordWrap_) return caption.substr(0, 255);
    std::string result;
    std::size_t start = 0;
    while (start <= caption.size()) {
        std::size_t end = caption.find_first_of("\r\n", start);
        const std::string line =
            caption.substr(start, end == std::string::npos ? std::string::npos : end - start);
        result += MinimizeText(line, canvas, width);
        if (end == std::string::npos) break;
        // Keep the line break as it was written ("\r\n", "\n" or "\r").
        std::size_t next = end + 1;
        if (caption[end] == '\r' && next < caption.size() && caption[next] == '\n') ++next;
        result += caption.substr(end, next - end);
        start = next;
    }
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' '))
        result.pop_back();
    return result;
}

void TKxButtonGlyph::CalcButtonLayout(TCanvas& canvas, const RECT& client, std::string& caption,
                                      TButtonLayout layout, int margin, int spacing, bool popupMark,
                                      POINT& glyphPos, RECT& textBounds, unsigned flags,
                                      const TCustomImageList* images, int imageIndex) {
    const POINT clientSize{client.right - client.left, client.bottom - client.top};
    POINT glyphSize{};
    if (validImage(images, imageIndex))
        glyphSize = {Max(1, images->Width()), images->Height()};
    else if (!glyph_.Empty())
        glyphSize = {glyph_.Width() / numGlyphs_, glyph_.Height()};
    const bool vertical = layout == blGlyphTop || layout == blGlyphBottom;
    const int fixedGap = (margin != -1 ? margin : 0) + (spacing != -1 ? spacing : 0);
    POINT textSpace = vertical
                          ? POINT{clientSize.x, clientSize.y - glyphSize.y - fixedGap}
                          : POINT{clientSize.x - glyphSize.x - fixedGap - (popupMark ? 9 : 0), clientSize.y};
    textSpace = {Max(textSpace.x, 0), Max(textSpace.y, 0)};

    caption = MinimizeCaption(canvas, caption, textSpace.x);
    POINT textSize{};
    if (caption.empty()) {
        textBounds = {0, 0, 0, 0};
    } else {
        textBounds = {0, 0, textSpace.x, 0};
        canvas.DrawText(caption, textBounds,
                        DT_CALCRECT | DT_CENTER | DT_VCENTER | (wordWrap_ ? DT_WORDBREAK : 0) | flags);
        textSize = {textBounds.right - textBounds.left, textBounds.bottom - textBounds.top};
    }
    if (popupMark) {
        if (glyphSize.x > 0 && glyphSize.y > 0 && layout != blGlyphLeft)
            glyphSize.x += 6;
        else
            textSize.x += 9;
    }

    POINT textPos{};
    if (vertical) {
        glyphPos.x = clientSize.x / 2 - glyphSize.x / 2;
        textPos.x = clientSize.x / 2 - textSize.x / 2;
    } else {
        glyphPos.y = clientSize.y / 2 - glyphSize.y / 2;
        textPos.y = clientSize.y / 2 - textSize.y / 2;
    }
    const int axisClient = vertical ? clientSize.y : clientSize.x;
    const int axisGlyph = vertical ? glyphSize.y : glyphSize.x;
    const int axisText = vertical ? textSize.y : textSize.x;
    if (margin == -1) {
        if (spacing == -1) {
            margin = spacing = (axisClient - (axisGlyph + axisText)) / 3;
        } else {
            margin = (axisClient - (axisGlyph + spacing + axisText)) / 2;
        }
    } else if (spacing == -1) {
        spacing = (axisClient - (margin + axisGlyph)) / 2 - axisText / 2;
    }
    int glyphAt = 0, textAt = 0;
    if (layout == blGlyphLeft || layout == blGlyphTop) {
        glyphAt = margin;
        textAt = glyphAt + axisGlyph + spacing;
    } else {
        glyphAt = axisClient - margin - axisGlyph;
        textAt = glyphAt - spacing - axisText;
    }
    (vertical ? glyphPos.y : glyphPos.x) = glyphAt;
    (vertical ? textPos.y : textPos.x) = textAt;

    glyphPos.x += client.left;
    glyphPos.y += client.top;
    const int dx = textPos.x + client.left, dy = textPos.y + client.top;
    textBounds = {textBounds.left + dx, textBounds.top + dy, textBounds.right + dx, textBounds.bottom + dy};
}

RECT TKxButtonGlyph::Draw(TCanvas& canvas, const RECT& client, const std::string& caption,
                          TButtonLayout layout, int margin, int spacing, bool popupMark, TKxButtonState state,
                          unsigned flags) {
    return DrawEx(canvas, client, caption, layout, margin, spacing, popupMark, nullptr, -1, state, flags);
}

RECT TKxButtonGlyph::DrawEx(TCanvas& canvas, const RECT& client, const std::string& caption,
                            TButtonLayout layout, int margin, int spacing, bool popupMark,
                            TCustomImageList* images, int imageIndex, TKxButtonState state, unsigned flags) {
    std::string text = caption;
    POINT glyphPos{};
    RECT textBounds{};
    CalcButtonLayout(canvas, client, text, layout, margin, spacing, popupMark, glyphPos, textBounds, flags,
                     images, imageIndex);
    const TSize drawn = validImage(images, imageIndex)
                            ? DrawButtonImage(canvas, glyphPos.x, glyphPos.y, *images, imageIndex, state)
                            : DrawButtonGlyph(canvas, glyphPos.x, glyphPos.y, state);
    DrawButtonText(canvas, text, textBounds, state, flags);
    if (popupMark) {
        const int textHeight = textBounds.bottom - textBounds.top;
        if (layout != blGlyphLeft && drawn.cx > 0 && drawn.cy > 0)
            DrawPopupMark(canvas, glyphPos.x + drawn.cx + 1, glyphPos.y + drawn.cy / 2, state);
        else if (!text.empty())
            DrawPopupMark(canvas, textBounds.right + 3, textBounds.top + textHeight / 2, state);
        else
            DrawPopupMark(canvas, (client.left + client.right - 7) / 2, textBounds.top + textHeight / 2,
                          state);
    }
    return textBounds;
}

TButtonImage::TButtonImage() = default;

void TButtonImage::Draw(TCanvas& canvas, int x, int y, int margin, int spacing, TButtonLayout layout,
                        const TFont* font, unsigned flags) {
    DrawEx(canvas, x, y, margin, spacing, layout, font, nullptr, -1, flags);
}

void TButtonImage::DrawEx(TCanvas& canvas, int x, int y, int margin, int spacing, TButtonLayout layout,
                          const TFont* font, TCustomImageList* images, int imageIndex, unsigned flags) {
    const TColor brush = canvas.Brush().Color();
    TFont saved;
    saved.Assign(canvas.Font());
    RECT face{x, y, x + buttonSize_.x, y + buttonSize_.y};
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(face);
    Frame3D(canvas, face, clBtnShadow, clWindowFrame, 1);
    Frame3D(canvas, face, clBtnHighlight, clBtnShadow, 1);
    if (font) canvas.Font().Assign(*font);
    glyph_.DrawEx(canvas, face, caption_, layout, margin, spacing, false, images, imageIndex, kbsUp, flags);
    canvas.Brush().SetColor(brush);
    canvas.Font().Assign(saved);
}
