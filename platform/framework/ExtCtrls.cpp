#include "platform/framework/ExtCtrls.h"

#include "platform/framework/Bitmap.h"
#include "platform/framework/Jpeg.h"

#include <algorithm>
#include <cctype>

void Frame3D(TCanvas& canvas, RECT& rect, TColor topColor, TColor bottomColor, int width) {
    const TColor brush = canvas.Brush().Color();
    const TBrushStyle style = canvas.Brush().Style();
    canvas.Brush().SetStyle(bsSolid);
    for (; width > 0; --width) {
        if (rect.right - rect.left <= 0 || rect.bottom - rect.top <= 0) break;
        canvas.Brush().SetColor(topColor);
        canvas.FillRect({rect.left, rect.top, rect.right - 1, rect.top + 1});
        canvas.FillRect({rect.left, rect.top, rect.left + 1, rect.bottom - 1});
        canvas.Brush().SetColor(bottomColor);
        canvas.FillRect({rect.right - 1, rect.top, rect.right, rect.bottom});
        canvas.FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom});
        rect = {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    }
    canvas.Brush().SetColor(brush);
    canvas.Brush().SetStyle(style);
}

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
    SetParentColor(false);
    SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelInner(TBevelCut bevel) {
    bevelInner_ = bevel;
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
    bevelOuter_ = bevel;
    Invalidate();
}

void TPanel::SetBevelWidth(int width) {
    bevelWidth_ = std::max(1, width);
    Invalidate();
}

void TPanel::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Invalidate();
}

void TPanel::drawBevel(RECT& rect, TBevelCut cut) {
    if (cut == bvNone) return;
    TCanvas& canvas = Canvas();
    const TColor topLeft = cut == bvRaised ? clBtnHighlight : clBtnShadow;
    const TColor bottomRight = cut == bvRaised ? clBtnShadow : clBtnHighlight;
    for (int i = 0; i < bevelWidth_ && rect.right > rect.left && rect.bottom > rect.top; ++i) {
        canvas.Brush().SetColor(topLeft);
        canvas.FillRect({rect.left, rect.top, rect.right, rect.top + 1});
        canvas.FillRect({rect.left, rect.top, rect.left + 1, rect.bottom});
        canvas.Brush().SetColor(bottomRight);
        canvas.FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom});
        canvas.FillRect({rect.right - 1, rect.top, rect.right, rect.bottom});
        rect = {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    }
}

void TPanel::Paint() {
    TCanvas& canvas = Canvas();
    RECT rect = ClientRect();
    drawBevel(rect, bevelOuter_);
    drawBevel(rect, bevelInner_);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(rect);
    if (Caption().empty()) return;
    canvas.Brush().SetStyle(bsClear);
    unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    if (alignment_ == taCenter)
        flags |= DT_CENTER;
    else if (alignment_ == taRightJustify)
        flags |= DT_RIGHT;
    canvas.DrawText(Caption(), rect, flags);
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::changed() {
    if (OnChange) OnChange(this);
}

void TPicture::Assign(const TGraphic& graphic) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(graphic);
    graphic_ = std::move(copy);
    changed();
}

void TPicture::LoadFromFile(const std::string& fileName) {
    std::string extension = fileName.substr(
        fileName.find_last_of('.') == std::string::npos ? fileName.size() : fileName.find_last_of('.'));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::unique_ptr<TGraphic> graphic;
    if (extension == ".jpg" || extension == ".jpeg")
        graphic = std::make_unique<TJPEGImage>();
    else if (extension == ".bmp")
        graphic = std::make_unique<TBitmap>();
    else
        throw Exception("Unknown picture file extension (" + extension + ")");
    graphic->LoadFromFile(fileName);
    graphic_ = std::move(graphic);
    changed();
}

void TPicture::Clear() {
    graphic_.reset();
    changed();
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 105, 105);
    picture_.OnChange = [this](TObject*) { Invalidate(); };
}

void TImage::SetCenter(bool center) {
    center_ = center;
    Invalidate();
}

void TImage::SetStretch(bool stretch) {
    stretch_ = stretch;
    Invalidate();
}

void TImage::SetProportional(bool proportional) {
    proportional_ = proportional;
    Invalidate();
}

RECT TImage::destination() const {
    const int width = ClientWidth(), height = ClientHeight();
    int w = picture_.Width(), h = picture_.Height();
    if (stretch_ || (proportional_ && (w > width || h > height))) {
        if (proportional_ && w > 0 && h > 0) {
            if (static_cast<long long>(width) * h > static_cast<long long>(height) * w) {
                w = static_cast<int>(static_cast<long long>(height) * w / h);
                h = height;
            } else {
                h = static_cast<int>(static_cast<long long>(width) * h / w);
                w = width;
            }
        } else {
            w = width;
            h = height;
        }
    }
    RECT rect{0, 0, w, h};
    if (center_) {
        rect.left = (width - w) / 2;
        rect.top = (height - h) / 2;
        rect.right = rect.left + w;
        rect.bottom = rect.top + h;
    }
    return rect;
}

void TImage::Paint() {
    const TGraphic* graphic = picture_.Graphic();
    if (!graphic || graphic->Empty()) return;
    Canvas().StretchDraw(destination(), *graphic);
}
