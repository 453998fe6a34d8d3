#pragma once
// The drawing engine of the toolkit's tool buttons: a button glyph turns one bitmap holding
// up to five pictures side by side (or one picture of an image list) into the pictures of
// each button state, keeps them in image lists shared by every glyph of the same picture
// size, lays picture, caption and an optional drop-down mark out in a button rectangle and
// draws them. TButtonImage draws a whole raised button face with the same engine anywhere
// (a list, a preview). GUI thread only.
#include "platform/framework/Bitmap.h"
#include "platform/framework/Controls.h"
#include "platform/framework/ImgList.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

// The looks of a button: raised, disabled, pressed, held down in a group, and the look of
// a flat button that the mouse is not over.
enum TKxButtonState { kbsUp, kbsDisabled, kbsDown, kbsExclusive, kbsInactive };
// How many pictures a glyph bitmap holds side by side, in the order of TKxButtonState.
using TKxNumGlyphs = int;
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// An image list of one picture size whose slots are lent out: adding takes the first free
// slot (the list grows when none is), deleting only gives the slot back.
class TGlyphList : public TImageList {
    VX_CLASS(TGlyphList, TImageList)
public:
    TGlyphList(int width, int height);
    int Add(const TBitmap& image, const TBitmap* mask);
    int AddMasked(const TBitmap& image, TColor maskColor);
    void Delete(int index);
    int UsedCount() const { return usedCount_; }

private:
    int freeSlot() const;
    void markUsed(int index);

    std::vector<bool> used_;
    int usedCount_ = 0;
};

// The glyph lists of every button glyph, one per picture size. A list goes when its last
// picture is given back.
class TGlyphCache {
public:
    TGlyphList* GetList(int width, int height);
    void ReturnList(TGlyphList* list);
    bool Empty() const { return lists_.empty(); }
    int ListCount() const { return static_cast<int>(lists_.size()); }

private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The process's glyph cache: made by the first button glyph, freed with the last one
// (nullptr while no glyph exists).
TGlyphCache* GlyphCache();

class TKxButtonGlyph : public TObject {
    VX_CLASS(TKxButtonGlyph, TObject)
public:
    TKxButtonGlyph();
    ~TKxButtonGlyph() override;
    TKxButtonGlyph(const TKxButtonGlyph&) = delete;
    TKxButtonGlyph& operator=(const TKxButtonGlyph&) = delete;

    const TBitmap& Glyph() const { return glyph_; }
    // Copies the bitmap (nullptr: none) and lets go of every picture made from the old one.
    void SetGlyph(const TBitmap* glyph);
    TKxNumGlyphs NumGlyphs() const { return numGlyphs_; }
    // 1 to 5; 0 and the current value are ignored.
    void SetNumGlyphs(TKxNumGlyphs count);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    // The colour left out of the pictures: the glyph bitmap's own transparent colour.
    TColor TransparentColor() const { return transparentColor_; }

    // Gives back every picture made (they are made again when next drawn).
    void Invalidate();
    // The index in GlyphList() of the picture for state, made when needed; -1 when there is
    // nothing to draw.
    int CreateButtonGlyph(TKxButtonState state);
    int CreateImageGlyph(TKxButtonState state, TCustomImageList& images, int index);
    TGlyphList* GlyphList() const { return glyphList_; }

    // Each draws at (x, y) and answers the size of the picture drawn (0 x 0 for none).
    TSize DrawButtonGlyph(TCanvas& canvas, int x, int y, TKxButtonState state);
    TSize DrawButtonImage(TCanvas& canvas, int x, int y, TCustomImageList& images, int index,
                          TKxButtonState state);
    void DrawButtonText(TCanvas& canvas, const std::string& caption, RECT textBounds, TKxButtonState state,
                        unsigned flags);
    // A mark 7 pixels wide pointing down, its widest row at y - 1.
    void DrawPopupMark(TCanvas& canvas, int x, int y, TKxButtonState state);
    // Where the picture and the caption go in client; caption is shortened to fit.
    void CalcButtonLayout(TCanvas& canvas, const RECT& client, std::string& caption, TButtonLayout layout,
                          int margin, int spacing, bool popupMark, POINT& glyphPos, RECT& textBounds,
                          unsigned flags, const TCustomImageList* images, int imageIndex);
    // Without word wrap each line shortened to width with an ellipsis.
    std::string MinimizeCaption(TCanvas& canvas, const std::string& caption, int width) const;

    // Lays out and draws picture, caption and mark; answers the caption's rectangle.
    RECT Draw(TCanvas& canvas, const RECT& client, const std::string& caption, TButtonLayout layout,
              int margin, int spacing, bool popupMark, TKxButtonState state, unsigned flags);
    RECT DrawEx(TCanvas& canvas, const RECT& client, const std::string& caption, TButtonLayout layout,
                int margin, int spacing, bool popupMark, TCustomImageList* images, int imageIndex,
                TKxButtonState state, unsigned flags);

    TNotifyEvent OnChange;

private:
    void changed();
    void glyphChanged();
    TGlyphList& listFor(int width, int height);
    std::unique_ptr<TBitmap> picture(int position, int width, int height) const;

    TBitmap glyph_;
    TGlyphList* glyphList_ = nullptr; // lent by the glyph cache
    std::array<int, 5> indexes_{-1, -1, -1, -1, -1};
    // The image list picture the cached pictures were made of, if any.
    const TCustomImageList* imageSource_ = nullptr;
    int imageSourceIndex_ = -1;
    TColor transparentColor_ = clFuchsia;
    TKxNumGlyphs numGlyphs_ = 1;
    bool wordWrap_ = false;
    TAlignment alignment_ = taCenter;
};

// A raised button face drawn anywhere with a button glyph.
class TButtonImage {
public:
    TButtonImage();
    const TBitmap& Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const TBitmap* glyph) { glyph_.SetGlyph(glyph); }
    TKxNumGlyphs NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(TKxNumGlyphs count) { glyph_.SetNumGlyphs(count); }
    bool WordWrap() const { return glyph_.WordWrap(); }
    void SetWordWrap(bool wordWrap) { glyph_.SetWordWrap(wordWrap); }
    TAlignment Alignment() const { return glyph_.Alignment(); }
    void SetAlignment(TAlignment alignment) { glyph_.SetAlignment(alignment); }
    void Invalidate() { glyph_.Invalidate(); }
    // The size of the face; 24 x 23 at first.
    POINT ButtonSize() const { return buttonSize_; }
    void SetButtonSize(POINT size) { buttonSize_ = size; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }

    // The face at (x, y) in the up state, the caption in font when given; the canvas's
    // brush colour and font are as before afterwards.
    void Draw(TCanvas& canvas, int x, int y, int margin, int spacing, TButtonLayout layout, const TFont* font,
              unsigned flags);
    void DrawEx(TCanvas& canvas, int x, int y, int margin, int spacing, TButtonLayout layout,
                const TFont* font, TCustomImageList* images, int imageIndex, unsigned flags);

private:
    TKxButtonGlyph glyph_;
    POINT buttonSize_{24, 23};
    std::string caption_;
};
