#pragma once
// Image lists: pictures of one size kept together, each with a mask that says which of its
// pixels are drawn, so that one list can serve many controls (tool buttons share theirs).
// Indices are stable: deleting a picture moves the later ones down by one.
#include "platform/framework/Bitmap.h"
#include "platform/framework/Classes.h"

#include <memory>

class TCustomImageList : public TComponent {
    VX_CLASS(TCustomImageList, TComponent)
public:
    // An empty list of 16 x 16 pictures.
    explicit TCustomImageList(TComponent* owner);
    // An empty list of width x height pictures.
    TCustomImageList(TComponent* owner, int width, int height);
    ~TCustomImageList() override;

    int Width() const;
    int Height() const;
    // A new size empties the list.
    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    int Count() const;

    // Adds the pictures that image holds side by side, Width pixels each (a narrower image
    // gives one picture, its missing part not drawn). mask marks with black the pixels
    // that are drawn; without a mask every pixel is. Answers the index of the first
    // picture added.
    int Add(const TBitmap& image, const TBitmap* mask);
    // As Add, every pixel of maskColor left undrawn.
    int AddMasked(const TBitmap& image, TColor maskColor);
    // Puts the first picture of image in place of picture index.
    void Replace(int index, const TBitmap& image, const TBitmap* mask);
    void ReplaceMasked(int index, const TBitmap& image, TColor maskColor);
    void Delete(int index);
    void Clear();

    // Draws picture index with its top-left corner at (x, y); undrawn pixels leave the
    // canvas as it was. An index outside the list draws nothing.
    void Draw(TCanvas& canvas, int x, int y, int index) const;
    // The picture on black, and its mask (black where drawn, white elsewhere), each a
    // bitmap of the list's size.
    void GetBitmap(int index, TBitmap& image) const;
    void GetMask(int index, TBitmap& mask) const;

    // Runs after every change of the pictures or the size.
    TNotifyEvent OnChange;

    struct Impl; // the pictures, platform-internal

private:
    void checkIndex(int index) const;
    void changed();
    std::unique_ptr<Impl> impl_;
};

class TImageList : public TCustomImageList {
    VX_CLASS(TImageList, TCustomImageList)
public:
    using TCustomImageList::TCustomImageList;
};
