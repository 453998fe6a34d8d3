#include "platform/framework/ImgList.h"

#include "platform/framework/QtBridge.h"

#include <QImage>
#include <algorithm>
#include <vector>

// Each picture keeps its mask in its alpha channel: 0 where nothing is drawn.
struct TCustomImageList::Impl {
    int width = 16;
    int height = 16;
    std::vector<QImage> pictures;
};

namespace {

QRgb rgbOf(TColor color) {
    const DWORD rgb = ColorToRGB(color);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// A mask pixel marks a drawn pixel when it is dark (a monochrome mask: black).
bool drawnByMask(QRgb mask) {
    return qRed(mask) + qGreen(mask) + qBlue(mask) < 3 * 128;
}

// Picture number part of image, width x height, its undrawn pixels transparent: those
// outside image, those the mask leaves out, and those of keyColor (when keyed).
QImage cutPicture(const QImage& image, const QImage* mask, const QRgb* keyColor, int part, int width,
                  int height) {
    QImage picture(width, height, QImage::Format_ARGB32);
    picture.fill(0u);
    const int left = part * width;
    for (int y = 0; y < height && y < image.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const auto* maskRow =
            mask && y < mask->height() ? reinterpret_cast<const QRgb*>(mask->constScanLine(y)) : nullptr;
        auto* target = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width && left + x < image.width(); ++x) {
            const QRgb pixel = source[left + x] | 0xFF000000u;
            if (keyColor && pixel == *keyColor) continue;
            if (mask && (!maskRow || left + x >= mask->width() || !drawnByMask(maskRow[left + x]))) continue;
            target[x] = pixel;
        }
    }
    return picture;
}

QImage rgbPixels(const TBitmap& bitmap) {
    return bitmap.image().pixels.convertToFormat(QImage::Format_RGB32);
}

} // namespace

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height) : TCustomImageList(owner) {
    SetSize(width, height);
}

TCustomImageList::~TCustomImageList() = default;

int TCustomImageList::Width() const {
    return impl_->width;
}

int TCustomImageList::Height() const {
    return impl_->height;
}

void TCustomImageList::SetSize(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == impl_->width && height == impl_->height) return;
    impl_->width = width;
    impl_->height = height;
    impl_->pictures.clear();
    changed();
}

int TCustomImageList::Count() const {
    return static_cast<int>(impl_->pictures.size());
}

void TCustomImageList::checkIndex(int index) const {
    if (index < 0 || index >= Count()) throw Exception("Invalid ImageList Index");
}

void TCustomImageList::changed() {
    if (OnChange) OnChange(this);
}

int TCustomImageList::Add(const TBitmap& image, const TBitmap* mask) {
    if (image.Empty()) return -1;
    const QImage pixels = rgbPixels(image);
    const QImage maskPixels = mask ? rgbPixels(*mask) : QImage();
    const int first = Count();
    const int parts = std::max(1, pixels.width() / impl_->width);
    for (int part = 0; part < parts; ++part)
        impl_->pictures.push_back(
            cutPicture(pixels, mask ? &maskPixels : nullptr, nullptr, part, impl_->width, impl_->height));
    changed();
    return first;
}

int TCustomImageList::AddMasked(const TBitmap& image, TColor maskColor) {
    if (image.Empty()) return -1;
    const QImage pixels = rgbPixels(image);
    const QRgb key = rgbOf(maskColor);
    const int first = Count();
    const int parts = std::max(1, pixels.width() / impl_->width);
    for (int part = 0; part < parts; ++part)
        impl_->pictures.push_back(cutPicture(pixels, nullptr, &key, part, impl_->width, impl_->height));
    changed();
    return first;
}

void TCustomImageList::Replace(int index, const TBitmap& image, const TBitmap* mask) {
    checkIndex(index);
    const QImage maskPixels = mask ? rgbPixels(*mask) : QImage();
    impl_->pictures[static_cast<std::size_t>(index)] =
        cutPicture(rgbPixels(image), mask ? &maskPixels : nullptr, nullptr, 0, impl_->width, impl_->height);
    changed();
}

void TCustomImageList::ReplaceMasked(int index, const TBitmap& image, TColor maskColor) {
    checkIndex(index);
    const QRgb key = rgbOf(maskColor);
    impl_->pictures[static_cast<std::size_t>(index)] =
        cutPicture(rgbPixels(image), nullptr, &key, 0, impl_->width, impl_->height);
    changed();
}

void TCustomImageList::Delete(int index) {
    checkIndex(index);
    impl_->pictures.erase(impl_->pictures.begin() + index);
    changed();
}

void TCustomImageList::Clear() {
    if (impl_->pictures.empty()) return;
    impl_->pictures.clear();
    changed();
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index) const {
    if (index < 0 || index >= Count()) return;
    vx::DrawImage(canvas, x, y, impl_->pictures[static_cast<std::size_t>(index)]);
}

void TCustomImageList::GetBitmap(int index, TBitmap& image) const {
    checkIndex(index);
    const QImage& picture = impl_->pictures[static_cast<std::size_t>(index)];
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(0u);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(source[x]) != 0) target[x] = source[x] | 0xFF000000u;
    }
    image.SetPixelFormat(pf32bit);
    image.image().pixels = opaque;
    vx::AttachImage(image.Canvas(), &image.image().pixels);
}

void TCustomImageList::GetMask(int index, TBitmap& mask) const {
    checkIndex(index);
    const QImage& picture = impl_->pictures[static_cast<std::size_t>(index)];
    QImage bits(picture.size(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(bits.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            target[x] = qAlpha(source[x]) != 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    mask.SetPixelFormat(pf32bit);
    mask.image().pixels = bits;
    vx::AttachImage(mask.Canvas(), &mask.image().pixels);
}
