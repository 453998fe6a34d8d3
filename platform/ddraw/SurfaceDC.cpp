#include "platform/ddraw/SurfaceDC.h"

#include "platform/ddraw/PixelOps.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace {

QColor toColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

} // namespace

struct SurfaceDC::Impl {
    BYTE* bits;
    int width, height, pitch, bpp;
    std::vector<PALETTEENTRY> palette;
    // 16 and 32 bits: the surface memory itself; 8 bits: a transparent overlay that is
    // mapped to palette indices when drawing ends.
    QImage image;
    QPainter painter;
    QFont font;
    QColor fontColor{Qt::black};
    QColor penColor{Qt::black};
    int penWidth = 1;
    QColor brushColor{Qt::white};
    bool brushClear = false;
    QPoint penPos;
    bool painted = false;
    std::unordered_map<std::uint32_t, BYTE> nearest;

    QPainter& paint() {
        if (!painter.isActive()) {
            painter.begin(&image);
            painter.setRenderHint(QPainter::Antialiasing, false);
        }
        painted = true;
        return painter;
    }

    void usePen(QPainter& p) const {
        p.setPen(penWidth > 0 ? QPen(penColor, penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)
                              : QPen(Qt::NoPen));
    }
    void useBrush(QPainter& p) const { p.setBrush(brushClear ? QBrush(Qt::NoBrush) : QBrush(brushColor)); }

    BYTE nearestIndex(std::uint32_t rgb) {
        auto found = nearest.find(rgb);
        if (found != nearest.end())
            return found->second;
        BYTE index = pixelops::NearestPaletteIndex(palette.data(), BYTE(rgb >> 16), BYTE(rgb >> 8), BYTE(rgb));
        nearest.emplace(rgb, index);
        return index;
    }

    void settle8() {
        for (int y = 0; y < height; ++y) {
            const auto* over = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            BYTE* row = bits + std::ptrdiff_t(y) * pitch;
            for (int x = 0; x < width; ++x) {
                std::uint32_t o = over[x];
                unsigned alpha = o >> 24;
                if (alpha == 0)
                    continue;
                const PALETTEENTRY& under = palette[row[x]];
                auto mix = [&](unsigned premultiplied, unsigned back) {
                    return (premultiplied + back * (255 - alpha) / 255) & 0xFF;
                };
                std::uint32_t rgb = mix((o >> 16) & 0xFF, under.peRed) << 16 |
                                    mix((o >> 8) & 0xFF, under.peGreen) << 8 | mix(o & 0xFF, under.peBlue);
                row[x] = nearestIndex(rgb);
            }
        }
    }

    void settle32() {
        // Pixels of this device keep their top byte clear, so colour keys compare exactly.
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
    d.font = QFont(QStringLiteral("Arial"));
    d.font.setPixelSize(16);
}

SurfaceDC::~SurfaceDC() {
    if (impl_->painter.isActive())
        impl_->painter.end();
}

int SurfaceDC::Width() const { return impl_->width; }
int SurfaceDC::Height() const { return impl_->height; }
int SurfaceDC::BitsPerPixel() const { return impl_->bpp; }

void SurfaceDC::SetFont(const std::string& name, int size, COLORREF color, unsigned style) {
    Impl& d = *impl_;
    d.font = QFont(QString::fromStdString(name));
    d.font.setPixelSize(std::max(1, (std::abs(size) * 96 + 36) / 72));
    d.font.setBold((style & dcBold) != 0);
    d.font.setItalic((style & dcItalic) != 0);
    d.font.setUnderline((style & dcUnderline) != 0);
    d.font.setStrikeOut((style & dcStrikeOut) != 0);
    d.fontColor = toColor(color);
}

void SurfaceDC::SetPen(COLORREF color, int width) {
    impl_->penColor = toColor(color);
    impl_->penWidth = width;
}

void SurfaceDC::SetBrush(COLORREF color, bool clear) {
    impl_->brushColor = toColor(color);
    impl_->brushClear = clear;
}

void SurfaceDC::TextOut(int x, int y, const std::string& text) {
    Impl& d = *impl_;
    QString s = QString::fromStdString(text);
    QFontMetrics metrics(d.font);
    QPainter& p = d.paint();
    if (!d.brushClear)
        p.fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()), d.brushColor);
    p.setFont(d.font);
    p.setPen(d.fontColor);
    p.drawText(QPoint(x, y + metrics.ascent()), s);
}

SIZE SurfaceDC::TextExtent(const std::string& text) {
    QFontMetrics metrics(impl_->font);
    return SIZE{metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
}

void SurfaceDC::FillRect(const RECT& rect) {
    Impl& d = *impl_;
    if (d.brushClear || rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    d.paint().fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), d.brushColor);
}

void SurfaceDC::Rectangle(const RECT& rect) {
    Impl& d = *impl_;
    if (rect.right - rect.left < 1 || rect.bottom - rect.top < 1)
        return;
    QPainter& p = d.paint();
    if (!d.brushClear)
        p.fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), d.brushColor);
    if (d.penWidth > 0) {
        d.usePen(p);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(rect.left, rect.top, rect.right - rect.left - 1, rect.bottom - rect.top - 1));
    }
}

void SurfaceDC::Ellipse(const RECT& rect) {
    Impl& d = *impl_;
    QPainter& p = d.paint();
    d.usePen(p);
    d.useBrush(p);
    p.drawEllipse(QRect(rect.left, rect.top, rect.right - rect.left - 1, rect.bottom - rect.top - 1));
}

void SurfaceDC::MoveTo(int x, int y) { impl_->penPos = QPoint(x, y); }

void SurfaceDC::LineTo(int x, int y) {
    Impl& d = *impl_;
    QPainter& p = d.paint();
    d.usePen(p);
    p.drawLine(d.penPos, QPoint(x, y));
    d.penPos = QPoint(x, y);
}

COLORREF SurfaceDC::GetPixel(int x, int y) {
    Impl& d = *impl_;
    if (x < 0 || y < 0 || x >= d.width || y >= d.height)
        return CLR_INVALID;
    if (d.painter.isActive())
        d.painter.end();
    QRgb value;
    if (d.bpp == 8) {
        QRgb over = d.image.pixel(x, y);
        const PALETTEENTRY& e = d.palette[d.bits[std::ptrdiff_t(y) * d.pitch + x]];
        value = qAlpha(over) == 255 ? over : qRgb(e.peRed, e.peGreen, e.peBlue);
    } else {
        value = d.image.pixel(x, y);
    }
    return RGB(BYTE(qRed(value)), BYTE(qGreen(value)), BYTE(qBlue(value)));
}

void SurfaceDC::SetPixel(int x, int y, COLORREF color) {
    Impl& d = *impl_;
    if (x < 0 || y < 0 || x >= d.width || y >= d.height)
        return;
    if (d.painter.isActive())
        d.painter.end();
    d.painted = true;
    d.image.setPixel(x, y, toColor(color).rgb());
}

void SurfaceDC::StretchDraw(const RECT& dest, const std::uint32_t* pixels, int width, int height,
                            int stride, const RECT& source) {
    QImage picture(reinterpret_cast<const uchar*>(pixels), width, height, stride * 4, QImage::Format_RGB32);
    QPainter& p = impl_->paint();
    p.drawImage(QRect(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top), picture,
                QRect(source.left, source.top, source.right - source.left, source.bottom - source.top));
}

void SurfaceDC::Finish() {
    Impl& d = *impl_;
    if (d.painter.isActive())
        d.painter.end();
    if (!d.painted)
        return;
    if (d.bpp == 8)
        d.settle8();
    else if (d.bpp == 32)
        d.settle32();
    d.painted = false;
    if (d.bpp == 8)
        d.image.fill(Qt::transparent);
}

void EnsureGraphicsRuntime() {
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vortamix";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}
