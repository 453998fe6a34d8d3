#include "platform/framework/Canvas.h"

#include "platform/framework/Bitmap.h"
#include "platform/framework/QtBridge.h"
#include "platform/framework/QtCanvasText.h"

#include <QFontMetrics>
#include <QPolygon>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

bool isIndexed(const TCanvas::Target& t) {
    if (t.hasBuffer) return t.buffer.Layout == plIndexed8;
    return t.image && t.image->format() == QImage::Format_Indexed8;
}

// A QImage that shares the target's memory (true-colour targets only).
QImage viewOf(const TCanvas::Target& t) {
    if (t.image)
        return QImage(t.image->bits(), t.image->width(), t.image->height(), t.image->bytesPerLine(),
                      t.image->format());
    const auto format = t.buffer.Layout == plRGB565 ? QImage::Format_RGB16 : QImage::Format_RGB32;
    return QImage(static_cast<uchar*>(t.buffer.Bits), t.buffer.Width, t.buffer.Height, t.buffer.Pitch,
                  format);
}

QSize sizeOf(const TCanvas::Target& t) {
    if (t.painter) return t.painterSize;
    if (t.image) return t.image->size();
    if (t.hasBuffer) return {t.buffer.Width, t.buffer.Height};
    return {};
}

uchar* indexedRow(const TCanvas::Target& t, int y) {
    if (t.hasBuffer)
        return static_cast<uchar*>(t.buffer.Bits) + static_cast<std::ptrdiff_t>(y) * t.buffer.Pitch;
    return t.image->scanLine(y);
}

// Maps the operation drawn on the scratch layer into the 8-bit target: pixels the
// operation did not touch keep their index, covered ones take the nearest entry of the
// colour they show (partly covered ones blend with the entry beneath first).
void mapScratch(TCanvas::Target& t, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(t.scratch.constScanLine(y));
        uchar* dst = indexedRow(t, y);
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb s = src[x];
            const int a = qAlpha(s);
            if (a == 0) continue;
            int r = qRed(s), g = qGreen(s), b = qBlue(s);
            if (a != 255) {
                const TPaletteEntry& under = t.palette.Entry(dst[x]);
                r += under.Red * (255 - a) / 255;
                g += under.Green * (255 - a) / 255;
                b += under.Blue * (255 - a) / 255;
            }
            dst[x] =
                t.palette.IndexOf(static_cast<BYTE>(std::min(r, 255)), static_cast<BYTE>(std::min(g, 255)),
                                  static_cast<BYTE>(std::min(b, 255)));
        }
    }
}

std::uint16_t* rgb565Row(const TCanvas::Target& t, int y) {
    return reinterpret_cast<std::uint16_t*>(static_cast<uchar*>(t.buffer.Bits) +
                                            static_cast<std::ptrdiff_t>(y) * t.buffer.Pitch);
}

// Each 5- or 6-bit component widened by repeating its top bits, so that narrowing it again
// by dropping the low bits gives back the pixel exactly.
QRgb widen565(std::uint16_t p) {
    const int r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return qRgb(r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
}

std::uint16_t narrowTo565(QRgb c) {
    return static_cast<std::uint16_t>((qRed(c) >> 3) << 11 | (qGreen(c) >> 2) << 5 | qBlue(c) >> 3);
}

// Runs one drawing operation whose pixels lie inside bounds. The operation is told whether
// its text is to be drawn without smoothed edges by default: on 8-bit targets, and on pixel
// memory lent by a surface, where a colour key must find the background exactly.
template <class Paint> void paintOn(TCanvas::Target& t, QRect bounds, Paint&& paint) {
    if (t.painter) {
        t.painter->save();
        paint(*t.painter, false);
        t.painter->restore();
        return;
    }
    const QSize size = sizeOf(t);
    if (!isIndexed(t)) {
        QImage view = viewOf(t);
        QPainter painter(&view);
        paint(painter, t.hasBuffer);
        return;
    }
    bounds = bounds.intersected(QRect(QPoint(0, 0), size));
    if (bounds.isEmpty()) return;
    if (t.scratch.size() != size || t.scratch.format() != QImage::Format_ARGB32_Premultiplied)
        t.scratch = QImage(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = bounds.top(); y <= bounds.bottom(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(t.scratch.scanLine(y)) + bounds.left(), bounds.width(), 0u);
    {
        QPainter painter(&t.scratch);
        painter.setClipRect(bounds);
        paint(painter, true);
    }
    mapScratch(t, bounds);
}

// Runs a drawing operation that writes text. Qt draws unsmoothed text into 5-6-5 memory
// squashed and doubled, so on a 16-bit buffer the pixels within bounds are widened into a
// 32-bit scratch, the operation is drawn there and the pixels go back. Pixels it leaves alone
// come back unchanged; drawn ones take the colour asked for with its low bits dropped, as
// the buffer's other drawing does.
template <class Paint> void paintTextOn(TCanvas::Target& t, QRect bounds, Paint&& paint) {
    if (!t.hasBuffer || t.buffer.Layout != plRGB565) {
        paintOn(t, bounds, paint);
        return;
    }
    bounds = bounds.intersected(QRect(QPoint(0, 0), sizeOf(t)));
    if (bounds.isEmpty()) return;
    if (t.scratch.size() != sizeOf(t) || t.scratch.format() != QImage::Format_RGB32)
        t.scratch = QImage(sizeOf(t), QImage::Format_RGB32);
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        const std::uint16_t* from = rgb565Row(t, y);
        auto* to = reinterpret_cast<QRgb*>(t.scratch.scanLine(y));
        for (int x = bounds.left(); x <= bounds.right(); ++x)
            to[x] = widen565(from[x]);
    }
    {
        QPainter painter(&t.scratch);
        painter.setClipRect(bounds);
        paint(painter, true);
    }
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(t.scratch.constScanLine(y));
        std::uint16_t* to = rgb565Row(t, y);
        for (int x = bounds.left(); x <= bounds.right(); ++x)
            to[x] = narrowTo565(from[x]);
    }
}

QRect toQRect(const RECT& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

QPen toQPen(const TPen& pen) {
    if (pen.Style() == psClear) return QPen(Qt::NoPen);
    QPen result(vx::ToQColor(pen.Color()));
    result.setWidth(pen.Width());
    result.setCapStyle(Qt::FlatCap);
    result.setJoinStyle(Qt::MiterJoin);
    if (pen.Style() == psDash)
        result.setStyle(Qt::DashLine);
    else if (pen.Style() == psDot)
        result.setStyle(Qt::DotLine);
    return result;
}

// The points of a one-pixel line from a to b, b excluded, that fall inside visible. The walk
// moves one pixel along the longer axis at every step, and along the shorter one by the
// rounding of its slope (ties go forward), so step k is found directly: a far end point
// costs no more than the part of the line that shows.
QPolygon linePoints(QPoint a, QPoint b, QRect visible) {
    __extension__ using Wide = __int128;
    const bool xMajor = std::llabs(static_cast<long long>(b.x()) - a.x()) >=
                        std::llabs(static_cast<long long>(b.y()) - a.y());
    const auto major = [xMajor](QPoint p) -> long long { return xMajor ? p.x() : p.y(); };
    const auto minor = [xMajor](QPoint p) -> long long { return xMajor ? p.y() : p.x(); };
    const long long steps = std::llabs(major(b) - major(a)), rise = std::llabs(minor(b) - minor(a));
    const int majorSign = major(a) < major(b) ? 1 : -1, minorSign = minor(a) < minor(b) ? 1 : -1;
    const long long low = xMajor ? visible.left() : visible.top();
    const long long high = xMajor ? visible.right() : visible.bottom();
    const long long first = std::max(0LL, majorSign > 0 ? low - major(a) : major(a) - high);
    const long long last = std::min(steps - 1, majorSign > 0 ? high - major(a) : major(a) - low);
    QPolygon points;
    for (long long k = first; k <= last; ++k) {
        const long long lag = static_cast<long long>((2 * static_cast<Wide>(k) * rise + steps) / (2 * steps));
        const long long across = minor(a) + minorSign * lag;
        const long long along = major(a) + majorSign * k;
        const long long x = xMajor ? along : across, y = xMajor ? across : along;
        if (x >= visible.left() && x <= visible.right() && y >= visible.top() && y <= visible.bottom())
            points << QPoint(static_cast<int>(x), static_cast<int>(y));
    }
    return points;
}

// The part of the painter's device its drawing can reach, in the painter's coordinates.
QRect paintableArea(const QPainter& p) {
    QRect area = p.worldTransform().inverted().mapRect(QRect(0, 0, p.device()->width(), p.device()->height()));
    if (p.hasClipping()) area &= p.clipBoundingRect().toAlignedRect();
    return area;
}

// The box a line's pixels can touch. End points far outside any picture are held back so
// that the box, widened by the pen, cannot overflow.
QRect lineBounds(QPoint a, QPoint b, int penWidth) {
    static constexpr int reach = 1 << 28;
    const auto held = [](int v) { return std::clamp(v, -reach, reach); };
    const int w = std::clamp(penWidth, 0, reach);
    return QRect(QPoint(held(a.x()), held(a.y())), QPoint(held(b.x()), held(b.y())))
        .normalized()
        .adjusted(-w, -w, w, w);
}

// The pixels to draw of a graphic: a transparent bitmap loses its transparent colour.
QImage drawnPixels(const TGraphic& graphic) {
    const QImage& pixels = graphic.image().pixels;
    const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic);
    if (!bitmap || !bitmap->Transparent()) return pixels;
    const DWORD key = ColorToRGB(bitmap->TransparentColor());
    const QRgb keyRgb = qRgb(GetRValue(key), GetGValue(key), GetBValue(key));
    QImage keyed = pixels.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((row[x] & 0xFFFFFFu) == (keyRgb & 0xFFFFFFu)) row[x] = 0;
    }
    return keyed;
}

} // namespace

TGraphic::TGraphic() : image_(std::make_unique<Image>()) {}
TGraphic::~TGraphic() = default;
int TGraphic::Width() const {
    return image_->pixels.width();
}
int TGraphic::Height() const {
    return image_->pixels.height();
}
bool TGraphic::Empty() const {
    return image_->pixels.isNull();
}
std::vector<std::uint32_t> TGraphic::Pixels() const {
    if (Empty()) return {};
    const QImage rgb = image_->pixels.convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint32_t> out(std::size_t(rgb.width()) * std::size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            out[std::size_t(y) * std::size_t(rgb.width()) + std::size_t(x)] = row[x] & 0x00FFFFFFu;
    }
    return out;
}

TCanvas::TCanvas() : target_(std::make_unique<Target>()) {
    font_.SetColor(clBlack);
    font_.SetHeight(-11);
}

TCanvas::~TCanvas() = default;

void TCanvas::CreateHandle() {}

bool TCanvas::HandleAllocated() const {
    return target_->painter || target_->image || target_->hasBuffer;
}

void TCanvas::requireTarget() {
    if (!HandleAllocated()) CreateHandle();
    if (!HandleAllocated()) throw Exception("Canvas does not allow drawing");
}

void TCanvas::AttachBuffer(const TPixelBuffer& buffer) {
    if (!buffer.Bits || buffer.Width <= 0 || buffer.Height <= 0) throw Exception("Canvas buffer is empty");
    const int bytesPerPixel = buffer.Layout == plXRGB8888 ? 4 : buffer.Layout == plRGB565 ? 2 : 1;
    if (buffer.Pitch < buffer.Width * bytesPerPixel) throw Exception("Canvas buffer pitch is too small");
    Detach();
    target_->buffer = buffer;
    target_->hasBuffer = true;
    if (buffer.Layout == plIndexed8)
        target_->palette.Assign(buffer.Palette, buffer.Palette ? buffer.PaletteCount : 0);
}

void TCanvas::SetBufferPalette(const TPaletteEntry* entries, int count) {
    target_->palette.Assign(entries, count);
}

void TCanvas::Detach() {
    target_->painter = nullptr;
    target_->image = nullptr;
    target_->hasBuffer = false;
    target_->buffer = {};
}

void TCanvas::MoveTo(int x, int y) {
    penPos_ = {x, y};
}

void TCanvas::LineTo(int x, int y) {
    requireTarget();
    const QPoint from(penPos_.x, penPos_.y), to(x, y);
    const int w = pen_.Width();
    paintOn(*target_, lineBounds(from, to, w), [&](QPainter& p, bool) {
        p.setPen(toQPen(pen_));
        if (w <= 1 && pen_.Style() == psSolid)
            p.drawPoints(linePoints(from, to, paintableArea(p)));
        else
            p.drawLine(from, to);
    });
    penPos_ = {x, y};
}

int TCanvas::TextWidth(const std::string& text) const {
    return TextExtent(text).cx;
}

int TCanvas::TextHeight(const std::string& text) const {
    return TextExtent(text).cy;
}

TSize TCanvas::TextExtent(const std::string& text) const {
    Target& t = *target_;
    if (!t.metrics || t.metricsName != font_.Name() || t.metricsHeight != font_.Height() ||
        t.metricsStyle != font_.Style() || t.metricsQuality != font_.Quality()) {
        t.metrics.emplace(vx::ToQFont(font_));
        t.metricsName = font_.Name();
        t.metricsHeight = font_.Height();
        t.metricsStyle = font_.Style();
        t.metricsQuality = font_.Quality();
    }
    return {t.metrics->horizontalAdvance(vx::ToQString(text)), t.metrics->height()};
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    requireTarget();
    const TSize extent = TextExtent(text);
    if (font_.Orientation() % 3600 != 0) {
        turnedText(x, y, extent, text, nullptr);
        return;
    }
    const QRect box(x, y, extent.cx, extent.cy);
    paintTextOn(*target_, box.adjusted(-extent.cy, 0, extent.cy, 0), [&](QPainter& p, bool plainText) {
        if (brush_.Style() != bsClear) p.fillRect(box, vx::ToQColor(brush_.Color()));
        vx::DrawTextLine(p, font_, plainText, QPoint(x, y), vx::ToQString(text), -1);
    });
    penPos_ = {x + extent.cx, y};
}

void TCanvas::turnedText(int x, int y, TSize extent, const std::string& text, const RECT* clip) {
    // The text's cell turned about its top-left corner; y grows downwards, so a
    // counterclockwise angle turns the painter the other way.
    const double degrees = font_.Orientation() / 10.0;
    QTransform turn;
    turn.translate(x, y);
    turn.rotate(-degrees);
    const QRect cell(0, 0, extent.cx, extent.cy);
    QRect bounds = turn.mapRect(QRectF(cell)).toAlignedRect().adjusted(-2, -2, 2, 2);
    if (clip) bounds = bounds.intersected(toQRect(*clip));
    paintTextOn(*target_, bounds, [&](QPainter& p, bool plainText) {
        if (clip) p.setClipRect(toQRect(*clip), Qt::IntersectClip);
        p.setTransform(turn, true);
        if (brush_.Style() != bsClear) p.fillRect(cell, vx::ToQColor(brush_.Color()));
        vx::DrawTextLine(p, font_, plainText, QPoint(0, 0), vx::ToQString(text), -1);
    });
    const double radians = degrees * 3.14159265358979323846 / 180.0;
    penPos_ = {x + static_cast<int>(std::lround(extent.cx * std::cos(radians))),
               y - static_cast<int>(std::lround(extent.cx * std::sin(radians)))};
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::string& text) {
    requireTarget();
    if (font_.Orientation() % 3600 != 0) {
        turnedText(x, y, TextExtent(text), text, &rect);
        return;
    }
    const QRect clip = toQRect(rect);
    paintTextOn(*target_, clip, [&](QPainter& p, bool plainText) {
        p.setClipRect(clip, Qt::IntersectClip);
        if (brush_.Style() != bsClear) p.fillRect(clip, vx::ToQColor(brush_.Color()));
        vx::DrawTextLine(p, font_, plainText, QPoint(x, y), vx::ToQString(text), -1);
    });
}

int TCanvas::DrawText(const std::string& text, RECT& rect, unsigned format) {
    const vx::TextLayout layout = vx::LayoutText(font_, vx::ToQString(text), rect, format);
    if (format & DT_CALCRECT) {
        rect.right = rect.left + layout.width;
        rect.bottom = rect.top + layout.height;
        return layout.height;
    }
    requireTarget();
    const QRect clip = toQRect(rect);
    const QRect bounds = (format & DT_NOCLIP) ? layout.bounds : layout.bounds.intersected(clip);
    paintTextOn(*target_, bounds, [&](QPainter& p, bool plainText) {
        if (!(format & DT_NOCLIP)) p.setClipRect(clip, Qt::IntersectClip);
        for (const vx::TextLine& line : layout.lines)
            vx::DrawTextLine(p, font_, plainText, line.origin, line.text, line.mnemonic);
    });
    return layout.offset + layout.height;
}

void TCanvas::FillRect(const RECT& rect) {
    requireTarget();
    if (brush_.Style() == bsClear) return;
    const QRect box = toQRect(rect);
    paintOn(*target_, box, [&](QPainter& p, bool) { p.fillRect(box, vx::ToQColor(brush_.Color())); });
}

void TCanvas::FrameRect(const RECT& rect) {
    requireTarget();
    const QRect box = toQRect(rect);
    if (box.width() <= 0 || box.height() <= 0) return;
    const QColor color = vx::ToQColor(brush_.Color());
    paintOn(*target_, box, [&](QPainter& p, bool) {
        p.fillRect(QRect(box.left(), box.top(), box.width(), 1), color);
        p.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), color);
        p.fillRect(QRect(box.left(), box.top(), 1, box.height()), color);
        p.fillRect(QRect(box.right(), box.top(), 1, box.height()), color);
    });
}

void TCanvas::DrawFocusRect(const RECT& rect) {
    requireTarget();
    const QRect box = toQRect(rect);
    if (box.width() <= 0 || box.height() <= 0) return;
    // Each edge pixel once (a pixel inverted twice would come back), every other one dotted.
    QPolygon dots;
    auto dot = [&](int x, int y) {
        if (((x - box.left()) + (y - box.top())) % 2 == 0) dots << QPoint(x, y);
    };
    for (int x = box.left(); x <= box.right(); ++x) {
        dot(x, box.top());
        if (box.height() > 1) dot(x, box.bottom());
    }
    for (int y = box.top() + 1; y < box.bottom(); ++y) {
        dot(box.left(), y);
        if (box.width() > 1) dot(box.right(), y);
    }
    paintOn(*target_, box, [&](QPainter& p, bool indexed) {
        if (!indexed) p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(indexed ? QColor(Qt::black) : QColor(Qt::white));
        p.drawPoints(dots);
    });
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    requireTarget();
    const QRect box(left, top, right - left, bottom - top);
    if (box.width() <= 0 || box.height() <= 0) return;
    paintOn(*target_, box, [&](QPainter& p, bool) {
        if (brush_.Style() != bsClear) p.fillRect(box, vx::ToQColor(brush_.Color()));
        if (pen_.Style() == psClear) return;
        const int w = pen_.Width();
        const QColor color = vx::ToQColor(pen_.Color());
        if (pen_.Style() == psSolid) {
            // The outline lies inside the box: an exact frame w pixels thick.
            p.fillRect(QRect(box.left(), box.top(), box.width(), std::min(w, box.height())), color);
            p.fillRect(QRect(box.left(), std::max(box.top(), box.bottom() - w + 1), box.width(), w), color);
            p.fillRect(QRect(box.left(), box.top(), std::min(w, box.width()), box.height()), color);
            p.fillRect(QRect(std::max(box.left(), box.right() - w + 1), box.top(), w, box.height()), color);
            return;
        }
        p.setPen(toQPen(pen_));
        p.drawRect(box.adjusted(0, 0, -1, -1));
    });
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    requireTarget();
    const QRect box(left, top, right - left, bottom - top);
    paintOn(*target_, box, [&](QPainter& p, bool) {
        p.setPen(toQPen(pen_));
        if (brush_.Style() != bsClear) p.setBrush(vx::ToQColor(brush_.Color()));
        p.drawEllipse(box.adjusted(0, 0, -1, -1));
    });
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic) {
    if (graphic.Empty()) return;
    vx::DrawImage(*this, x, y, drawnPixels(graphic));
}

void TCanvas::StretchDraw(const RECT& rect, const TGraphic& graphic) {
    if (graphic.Empty()) return;
    requireTarget();
    const QRect box = toQRect(rect);
    const QImage pixels = drawnPixels(graphic);
    paintOn(*target_, box, [&](QPainter& p, bool) { p.drawImage(box, pixels); });
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect) {
    requireTarget();
    source.requireTarget();
    const Target& from = source.target();
    QImage copy;
    if (from.painter) {
        if (auto* device = dynamic_cast<QImage*>(from.painter->device()))
            copy = device->copy(toQRect(sourceRect));
    } else if (from.image) {
        copy = from.image->copy(toQRect(sourceRect));
    } else if (isIndexed(from)) {
        copy = QImage(toQRect(sourceRect).size(), QImage::Format_RGB32);
        for (int y = 0; y < copy.height(); ++y)
            for (int x = 0; x < copy.width(); ++x)
                copy.setPixel(x, y,
                              vx::ToQColor(source.Pixel(sourceRect.left + x, sourceRect.top + y)).rgb());
    } else {
        copy = viewOf(from).copy(toQRect(sourceRect));
    }
    if (copy.isNull()) return;
    const QRect box = toQRect(dest);
    paintOn(*target_, box, [&](QPainter& p, bool) { p.drawImage(box, copy); });
}

TColor TCanvas::Pixel(int x, int y) {
    requireTarget();
    const Target& t = *target_;
    const QSize size = sizeOf(t);
    if (x < 0 || y < 0 || x >= size.width() || y >= size.height()) return clNone;
    QRgb rgb;
    if (isIndexed(t)) {
        const TPaletteEntry& e = t.palette.Entry(indexedRow(t, y)[x]);
        return static_cast<TColor>(RGB(e.Red, e.Green, e.Blue));
    }
    if (t.painter) {
        auto* device = dynamic_cast<QImage*>(t.painter->device());
        if (!device) return clNone;
        rgb = device->pixel(x, y);
    } else {
        rgb = viewOf(t).pixel(x, y);
    }
    return static_cast<TColor>(
        RGB(static_cast<BYTE>(qRed(rgb)), static_cast<BYTE>(qGreen(rgb)), static_cast<BYTE>(qBlue(rgb))));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    requireTarget();
    Target& t = *target_;
    const QSize size = sizeOf(t);
    if (x < 0 || y < 0 || x >= size.width() || y >= size.height()) return;
    const DWORD rgb = ColorToRGB(color);
    if (isIndexed(t)) {
        indexedRow(t, y)[x] = t.palette.IndexOf(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
        return;
    }
    paintOn(t, QRect(x, y, 1, 1),
            [&](QPainter& p, bool) { p.fillRect(QRect(x, y, 1, 1), vx::ToQColor(color)); });
}

namespace vx {

void DrawImage(TCanvas& canvas, int x, int y, const QImage& image) {
    if (image.isNull()) return;
    canvas.requireTarget();
    paintOn(*canvas.target_, QRect(QPoint(x, y), image.size()),
            [&](QPainter& p, bool) { p.drawImage(x, y, image); });
}

CanvasPaintScope::CanvasPaintScope(TCanvas& canvas, QPainter& painter, QSize size) : canvas_(canvas) {
    canvas.Detach();
    canvas.target().painter = &painter;
    canvas.target().painterSize = size;
}

CanvasPaintScope::~CanvasPaintScope() {
    canvas_.Detach();
}

void AttachImage(TCanvas& canvas, QImage* image) {
    canvas.Detach();
    TCanvas::Target& t = canvas.target();
    t.image = image;
    if (image && image->format() == QImage::Format_Indexed8) {
        TPaletteEntry entries[256];
        const QList<QRgb> table = image->colorTable();
        const int count = std::min<int>(static_cast<int>(table.size()), 256);
        for (int i = 0; i < count; ++i)
            entries[i] = {static_cast<BYTE>(qRed(table[i])), static_cast<BYTE>(qGreen(table[i])),
                          static_cast<BYTE>(qBlue(table[i])), 0};
        t.palette.Assign(entries, count);
    }
}

} // namespace vx
