#pragma once
// Panels and images.
#include "platform/framework/Controls.h"

#include <memory>

enum TBevelCut { bvNone, bvLowered, bvRaised };

// Draws width one-pixel frames just inside rect, each with its top and left edges in
// topColor and its right and bottom edges in bottomColor; rect shrinks by width on every
// side.
void Frame3D(TCanvas& canvas, RECT& rect, TColor topColor, TColor bottomColor, int width);

// A panel: a filled area with optional bevels and a centred caption.
class TPanel : public TCustomControl {
    VX_CLASS(TPanel, TCustomControl)
public:
    explicit TPanel(TComponent* owner);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut bevel);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut bevel);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

protected:
    void Paint() override;

private:
    void drawBevel(RECT& rect, TBevelCut cut);
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    TAlignment alignment_ = taCenter;
};

// The picture of an image control: holds one graphic (a bitmap or a JPEG image).
class TPicture : public TObject {
    VX_CLASS(TPicture, TObject)
public:
    TPicture();
    ~TPicture() override;
    TGraphic* Graphic() const { return graphic_.get(); }
    // Takes a copy of the graphic's pixels.
    void Assign(const TGraphic& graphic);
    // Loads a ".bmp", ".jpg" or ".jpeg" file.
    void LoadFromFile(const std::string& fileName);
    void Clear();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    TNotifyEvent OnChange;

private:
    void changed();
    std::unique_ptr<TGraphic> graphic_;
};

class TImage : public TGraphicControl {
    VX_CLASS(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* owner);
    TPicture& Picture() { return picture_; }
    bool Center() const { return center_; }
    void SetCenter(bool center);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    // Stretches keeping the aspect ratio.
    bool Proportional() const { return proportional_; }
    void SetProportional(bool proportional);

protected:
    void Paint() override;

private:
    RECT destination() const;
    TPicture picture_;
    bool center_ = false;
    bool stretch_ = false;
    bool proportional_ = false;
};
