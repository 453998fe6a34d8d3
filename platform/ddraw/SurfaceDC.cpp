#include "platform/ddraw/SurfaceDC.h"

#include "platform/ddraw/PixelOps.h"
#include "platform/framework/QtBridge.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <unordered_map>
#include <vector>

namespace {

QRgb toRgb(COLORREF c) {
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

COLORREF fromRgb(QRgb value) {
    return DWORD(qRed(value)) | DWORD(qGreen(value)) << 8 | DWORD(qBlue(value)) << 16;
}

} // namespace

struct SurfaceDC::Impl {
    BYTE* bits;
    int width, height, pitch, bpp;
    std::vector<PALETTEENTRY> palette;
    // 16 and 32 bits: the surface memory itself; 8 bits: a transparent overlay mapped to
    // palette indices when drawing ends.
    QImage image;
    bool overlayPainted = false;
    std::unordered_map<std::uint32_t, BYTE> nearest;

    BYTE nearestIndex(std::uint32_t rgb) {
        auto found = nearest.find(rgb);
        if (found != nearest.end()) return found->second;
        BYTE index =
            pixelops::NearestPaletteIndex(palette.data(), BYTE(rgb >> 16), BYTE(rgb >> 8), BYTE(rgb));
        nearest.emplace(rgb, index);
        return index;
    }

    void settleOverlay() {
        for (int y = 0; y < height; ++y) {
            const auto* over = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            BYTE* row = bits + std::ptrdiff_t(y) * pitch;
            for (int x = 0; x < width; ++x) {
                std::uint32_t o = over[x];
                unsigned alpha = o >> 24;
                if (alpha == 0) continue;
                const PALETTEENTRY& under = palette[row[x]];
                auto mix = [&](unsigned premultiplied, unsigned back) {
                    return (premultiplied + back * (255 - alpha) / 255) & 0xFF;
                };
                std::uint32_t rgb = mix((o >> 16) & 0xFF, under.peRed) << 16 |
                                    mix((o >> 8) & 0xFF, under.peGreen) << 8 | mix(o & 0xFF, under.peBlue);
                row[x] = nearestIndex(rgb);
            }
        }
        image.fill(Qt::transparent);
        overlayPainted = false;
    }

    void clearTopBytes() {
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(bits + std::ptrdiff_t(y) * pitch);
            for (int x = 0; x < width; ++x)
                row[x] &= 0xFFFFFF;
        }
    }
};

SurfaceDC::SurfaceDC(BYTE* bits, int width, int height, int pitch, int bpp, const PALETTEENTRY* palette)
    : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.bits = bits;
    d.width = width;
    d.height = height;
    d.pitch = pitch;
    d.bpp = bpp;
    d.palette.assign(palette, palette + 256);
    if (bpp == 8) {
        d.image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
        d.image.fill(Qt::transparent);
    } else {
        d.image = QImage(bits, width, height, pitch, bpp == 16 ? QImage::Format_RGB16 : QImage::Format_RGB32);
    }
}

SurfaceDC::~SurfaceDC() = default;

BYTE* SurfaceDC::Bits() const {
    return impl_->bits;
}
int SurfaceDC::Width() const {
    return impl_->width;
}
int SurfaceDC::Height() const {
    return impl_->height;
}
int SurfaceDC::Pitch() const {
    return impl_->pitch;
}
int SurfaceDC::BitsPerPixel() const {
    return impl_->bpp;
}
const PALETTEENTRY* SurfaceDC::Palette() const {
    return impl_->palette.data();
}

COLORREF SurfaceDC::GetPixel(int x, int y) {
    Impl& d = *impl_;
    if (x < 0 || y < 0 || x >= d.width || y >= d.height) return CLR_INVALID;
    if (d.bpp != 8) return fromRgb(d.image.pixel(x, y));
    QRgb over = d.image.pixel(x, y);
    if (qAlpha(over) == 255) return fromRgb(over);
    const PALETTEENTRY& e = d.palette[d.bits[std::ptrdiff_t(y) * d.pitch + x]];
    return DWORD(e.peRed) | DWORD(e.peGreen) << 8 | DWORD(e.peBlue) << 16;
}

void SurfaceDC::SetPixel(int x, int y, COLORREF color) {
    Impl& d = *impl_;
    if (x < 0 || y < 0 || x >= d.width || y >= d.height) return;
    d.image.setPixel(x, y, toRgb(color));
    d.overlayPainted = d.bpp == 8;
}

void SurfaceDC::StretchDraw(const RECT& dest, const std::uint32_t* pixels, int width, int height, int stride,
                            const RECT& source) {
    Impl& d = *impl_;
    QImage picture(reinterpret_cast<const uchar*>(pixels), width, height, stride * 4, QImage::Format_RGB32);
    QPainter painter(&d.image);
    painter.drawImage(QRect(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top), picture,
                      QRect(source.left, source.top, source.right - source.left, source.bottom - source.top));
    d.overlayPainted = d.bpp == 8;
}

void SurfaceDC::Finish() {
    Impl& d = *impl_;
    if (d.bpp == 8 && d.overlayPainted)
        d.settleOverlay();
    else if (d.bpp == 32)
        d.clearTopBytes();
}

void EnsureGraphicsRuntime() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    vx::EnsureQtApplication();
}
