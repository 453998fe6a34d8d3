#include "platform/framework/Bitmap.h"

#include "platform/files/PathResolver.h"
#include "platform/framework/QtBridge.h"
#include "platform/framework/Resources.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr long long maxPixels = 1LL << 28;

[[noreturn]] void invalid() {
    throw Exception("Bitmap image is not valid");
}

class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t u32(std::size_t at) const {
        need(at, 4);
        return data_[at] | (data_[at + 1] << 8) | (data_[at + 2] << 16) |
               (static_cast<std::uint32_t>(data_[at + 3]) << 24);
    }
    std::uint16_t u16(std::size_t at) const {
        need(at, 2);
        return static_cast<std::uint16_t>(data_[at] | (data_[at + 1] << 8));
    }
    const BYTE* at(std::size_t offset, std::size_t length) const {
        need(offset, length);
        return data_ + offset;
    }
    std::size_t size() const { return size_; }

private:
    void need(std::size_t at, std::size_t length) const {
        if (at > size_ || length > size_ - at) invalid();
    }
    const BYTE* data_;
    std::size_t size_;
};

struct Header {
    std::uint32_t headerSize = 0;
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[3] = {0, 0, 0};
};

Header readHeader(const Reader& in, std::size_t start) {
    Header h;
    h.headerSize = in.u32(start);
    if (h.headerSize == 12) {
        h.width = in.u16(start + 4);
        h.height = in.u16(start + 6);
        h.bits = in.u16(start + 10);
    } else if (h.headerSize >= 40) {
        h.width = static_cast<std::int32_t>(in.u32(start + 4));
        const auto height = static_cast<std::int32_t>(in.u32(start + 8));
        if (height == INT32_MIN) invalid();
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        h.bits = in.u16(start + 14);
        h.compression = in.u32(start + 16);
        h.colorsUsed = in.u32(start + 32);
    } else {
        invalid();
    }
    if (h.width <= 0 || h.height <= 0 || static_cast<long long>(h.width) * h.height > maxPixels) invalid();
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32) invalid();
    if (h.compression == BI_BITFIELDS && (h.bits == 16 || h.bits == 32)) {
        for (int i = 0; i < 3; ++i)
            h.masks[i] = in.u32(start + 40 + 4 * static_cast<std::size_t>(i));
    } else if (h.compression != BI_RGB) {
        throw Exception("Bitmap compression is not supported");
    } else if (h.bits == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    } else if (h.bits == 32) {
        h.masks[0] = 0xFF0000, h.masks[1] = 0x00FF00, h.masks[2] = 0x0000FF;
    }
    return h;
}

// Expands the masked field of a pixel to 8 bits.
int channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t maximum = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255 / maximum);
}

// Decodes a bitmap that starts at its information header; pixels at pixelOffset, or
// right after the colour table when pixelOffset is 0.
TGraphic::Image decodeDib(const Reader& in, std::size_t start, std::size_t pixelOffset, int& paletteCount) {
    const Header h = readHeader(in, start);
    std::size_t tableAt = start + h.headerSize;
    if (h.headerSize == 40 && h.compression == BI_BITFIELDS) tableAt += 12;
    const int entrySize = h.headerSize == 12 ? 3 : 4;
    paletteCount = 0;
    QList<QRgb> table;
    if (h.bits <= 8) {
        const int maximum = 1 << h.bits;
        paletteCount = h.colorsUsed == 0 || h.colorsUsed > static_cast<std::uint32_t>(maximum)
                           ? maximum
                           : static_cast<int>(h.colorsUsed);
        const BYTE* entries = in.at(tableAt, static_cast<std::size_t>(paletteCount) * entrySize);
        for (int i = 0; i < 256; ++i) {
            const BYTE* e = entries + static_cast<std::ptrdiff_t>(i) * entrySize;
            table << (i < paletteCount ? qRgb(e[2], e[1], e[0]) : qRgb(0, 0, 0));
        }
    } else if (h.colorsUsed > 0 && h.colorsUsed <= 256) {
        tableAt += static_cast<std::size_t>(h.colorsUsed) * entrySize; // an optional table to skip
    }
    if (pixelOffset == 0)
        pixelOffset = tableAt + (h.bits <= 8 ? static_cast<std::size_t>(paletteCount) * entrySize : 0);
    const std::size_t stride = ((static_cast<std::size_t>(h.width) * h.bits + 31) / 32) * 4;
    const BYTE* pixels = in.at(pixelOffset, stride * static_cast<std::size_t>(h.height));

    TGraphic::Image image;
    image.bitDepth = h.bits;
    image.pixels = QImage(h.width, h.height, h.bits <= 8 ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (image.pixels.isNull()) throw Exception("Out of memory for bitmap");
    if (h.bits <= 8) image.pixels.setColorTable(table);
    for (int y = 0; y < h.height; ++y) {
        const BYTE* row = pixels + stride * static_cast<std::size_t>(h.topDown ? y : h.height - 1 - y);
        uchar* out = image.pixels.scanLine(y);
        auto* rgb = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < h.width; ++x) {
            switch (h.bits) {
            case 1:
                out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
                break;
            case 4:
                out[x] = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
                break;
            case 8:
                out[x] = row[x];
                break;
            case 24:
                rgb[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            default: {
                const BYTE* b = row + (h.bits == 16 ? 2 : 4) * static_cast<std::ptrdiff_t>(x);
                const std::uint32_t p = h.bits == 16 ? static_cast<std::uint32_t>(b[0] | (b[1] << 8))
                                                     : b[0] | (b[1] << 8) | (b[2] << 16) |
                                                           (static_cast<std::uint32_t>(b[3]) << 24);
                rgb[x] = qRgb(channel(p, h.masks[0]), channel(p, h.masks[1]), channel(p, h.masks[2]));
            }
            }
        }
    }
    return image;
}

TGraphic::Image decodeBmp(const BYTE* data, std::size_t size, int& paletteCount) {
    const Reader in(data, size);
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return decodeDib(in, 14, in.u32(10), paletteCount);
    return decodeDib(in, 0, 0, paletteCount);
}

void putLE(std::vector<BYTE>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// One row of a bitmap file, bottom rows first in the file, padded to four bytes.
void putRow(std::vector<BYTE>& out, const QImage& pixels, int y, int bits) {
    const std::size_t start = out.size();
    const uchar* row = pixels.constScanLine(y);
    if (bits <= 8) {
        const int perByte = 8 / bits;
        for (int x = 0; x < pixels.width(); x += perByte) {
            BYTE packed = 0;
            for (int i = 0; i < perByte; ++i)
                packed = static_cast<BYTE>(packed << bits | (x + i < pixels.width() ? row[x + i] : 0));
            out.push_back(packed);
        }
    } else {
        const auto* rgb = reinterpret_cast<const QRgb*>(row);
        for (int x = 0; x < pixels.width(); ++x) {
            out.insert(out.end(), {static_cast<BYTE>(qBlue(rgb[x])), static_cast<BYTE>(qGreen(rgb[x])),
                                   static_cast<BYTE>(qRed(rgb[x]))});
            if (bits == 32) out.push_back(0);
        }
    }
    while ((out.size() - start) % 4 != 0)
        out.push_back(0);
}

std::vector<BYTE> readFile(const std::string& fileName) {
    std::ifstream file(ResolvePath(fileName), std::ios::binary);
    if (!file) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

void TBitmap::LoadFromFile(const std::string& fileName) {
    const std::vector<BYTE> bytes = readFile(fileName);
    LoadFromMemory(bytes.data(), bytes.size());
}

void TBitmap::LoadFromResourceName(const std::string& name) {
    const auto bytes = FindResource(RT_BITMAP, name);
    if (!bytes) throw EResNotFound("Resource " + name + " not found");
    LoadFromMemory(bytes->data(), bytes->size());
}

void TBitmap::LoadFromMemory(const void* data, std::size_t size) {
    int count = 0;
    TGraphic::Image decoded = decodeBmp(static_cast<const BYTE*>(data), size, count);
    image() = std::move(decoded);
    paletteCount_ = count;
    if (canvas_) vx::AttachImage(*canvas_, &image().pixels);
}

std::vector<BYTE> TBitmap::SaveToMemory() const {
    if (Empty()) return {};
    const QImage& pixels = image().pixels;
    const bool indexed = pixels.format() == QImage::Format_Indexed8;
    const int depth = image().bitDepth;
    const int bits = indexed ? (depth == 1 || depth == 4 ? depth : 8) : depth == 24 ? 24 : 32;
    std::vector<TPaletteEntry> table = Palette();
    if (indexed && table.empty())
        for (QRgb entry : pixels.colorTable())
            table.push_back({static_cast<BYTE>(qRed(entry)), static_cast<BYTE>(qGreen(entry)),
                             static_cast<BYTE>(qBlue(entry)), 0});
    const std::size_t tableSize = indexed ? table.size() * 4 : 0;
    const std::size_t stride = ((static_cast<std::size_t>(pixels.width()) * bits + 31) / 32) * 4;
    const std::size_t offset = 14 + 40 + tableSize;
    std::vector<BYTE> out{'B', 'M'};
    putLE(out, static_cast<std::uint32_t>(offset + stride * static_cast<std::size_t>(pixels.height())), 4);
    putLE(out, 0, 4);
    putLE(out, static_cast<std::uint32_t>(offset), 4);
    putLE(out, 40, 4);
    putLE(out, static_cast<std::uint32_t>(pixels.width()), 4);
    putLE(out, static_cast<std::uint32_t>(pixels.height()), 4);
    putLE(out, 1, 2);
    putLE(out, static_cast<std::uint32_t>(bits), 2);
    putLE(out, BI_RGB, 4);
    for (int unused = 0; unused < 3; ++unused)
        putLE(out, 0, 4);
    putLE(out, indexed ? static_cast<std::uint32_t>(table.size()) : 0, 4);
    putLE(out, 0, 4);
    if (indexed)
        for (const TPaletteEntry& entry : table)
            out.insert(out.end(), {entry.Blue, entry.Green, entry.Red, 0});
    for (int y = pixels.height() - 1; y >= 0; --y)
        putRow(out, pixels, y, bits);
    return out;
}

void TBitmap::Assign(const TGraphic& source) {
    if (&source == this) return;
    image() = source.image();
    image().pixels.detach();
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        paletteCount_ = bitmap->paletteCount_;
        transparent_ = bitmap->transparent_;
        transparentMode_ = bitmap->transparentMode_;
        transparentColor_ = bitmap->transparentColor_;
    } else {
        paletteCount_ = 0;
    }
    if (canvas_) vx::AttachImage(*canvas_, &image().pixels);
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    QImage& pixels = image().pixels;
    if (pixels.width() == width && pixels.height() == height) return;
    const bool indexed = pixels.format() == QImage::Format_Indexed8;
    QImage resized(width, height, indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (indexed) resized.setColorTable(pixels.colorTable());
    resized.fill(indexed ? 0u : qRgb(255, 255, 255));
    for (int y = 0; y < std::min(height, pixels.height()); ++y)
        std::memcpy(resized.scanLine(y), pixels.constScanLine(y),
                    static_cast<std::size_t>(std::min(width, pixels.width())) * (indexed ? 1 : 4));
    pixels = resized;
    if (image().bitDepth == 0) image().bitDepth = 32;
    if (canvas_) vx::AttachImage(*canvas_, &pixels);
}

TPixelFormat TBitmap::PixelFormat() const {
    switch (image().bitDepth) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        return pf16bit;
    case 24:
        return pf24bit;
    case 32:
        return pf32bit;
    default:
        return pfDevice;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    const bool indexed = format == pf1bit || format == pf4bit || format == pf8bit;
    QImage& pixels = image().pixels;
    image().bitDepth = format == pf1bit                         ? 1
                       : format == pf4bit                       ? 4
                       : format == pf8bit                       ? 8
                       : format == pf16bit || format == pf15bit ? 16
                       : format == pf24bit                      ? 24
                                                                : 32;
    if (indexed && pixels.format() != QImage::Format_Indexed8) {
        QList<QRgb> table;
        for (int i = 0; i < 256; ++i)
            table << qRgb(i, i, i);
        QImage converted(pixels.size(), QImage::Format_Indexed8);
        converted.setColorTable(table);
        converted.fill(0);
        pixels = converted;
        paletteCount_ = 1 << image().bitDepth;
    } else if (!indexed && pixels.format() == QImage::Format_Indexed8) {
        pixels = pixels.convertToFormat(QImage::Format_RGB32);
        paletteCount_ = 0;
    } else if (pixels.isNull()) {
        pixels = QImage(0, 0, QImage::Format_RGB32);
    }
    if (canvas_) vx::AttachImage(*canvas_, &pixels);
}

std::vector<TPaletteEntry> TBitmap::Palette() const {
    std::vector<TPaletteEntry> entries;
    const QImage& pixels = image().pixels;
    if (pixels.format() != QImage::Format_Indexed8) return entries;
    const QList<QRgb> table = pixels.colorTable();
    for (int i = 0; i < paletteCount_ && i < table.size(); ++i)
        entries.push_back({static_cast<BYTE>(qRed(table[i])), static_cast<BYTE>(qGreen(table[i])),
                           static_cast<BYTE>(qBlue(table[i])), 0});
    return entries;
}

void TBitmap::SetPalette(const std::vector<TPaletteEntry>& entries) {
    QImage& pixels = image().pixels;
    if (pixels.format() != QImage::Format_Indexed8) return;
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i) {
        const TPaletteEntry e =
            i < static_cast<int>(entries.size()) ? entries[static_cast<std::size_t>(i)] : TPaletteEntry{};
        table << qRgb(e.Red, e.Green, e.Blue);
    }
    pixels.setColorTable(table);
    paletteCount_ = std::min<int>(static_cast<int>(entries.size()), 256);
    if (canvas_) vx::AttachImage(*canvas_, &pixels);
}

TColor TBitmap::Pixel(int x, int y) const {
    const QImage& pixels = image().pixels;
    if (!pixels.valid(x, y)) return clNone;
    const QRgb rgb = pixels.pixel(x, y);
    return static_cast<TColor>(
        RGB(static_cast<BYTE>(qRed(rgb)), static_cast<BYTE>(qGreen(rgb)), static_cast<BYTE>(qBlue(rgb))));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    QImage& pixels = image().pixels;
    if (!pixels.valid(x, y)) return;
    // A true-colour pixel is written in place; an indexed one takes its nearest entry.
    if (pixels.format() == QImage::Format_RGB32 || pixels.format() == QImage::Format_ARGB32) {
        const DWORD rgb = ColorToRGB(color);
        pixels.setPixel(x, y, qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
        return;
    }
    Canvas().SetPixel(x, y, color);
}

int TBitmap::PixelIndex(int x, int y) const {
    const QImage& pixels = image().pixels;
    if (pixels.format() != QImage::Format_Indexed8 || !pixels.valid(x, y)) return -1;
    return pixels.constScanLine(y)[x];
}

BYTE* TBitmap::ScanLine(int y) {
    QImage& pixels = image().pixels;
    if (y < 0 || y >= pixels.height()) throw Exception("Scan line index out of range");
    return pixels.scanLine(y);
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>();
        if (!image().pixels.isNull()) vx::AttachImage(*canvas_, &image().pixels);
    }
    return *canvas_;
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed) return transparentColor_;
    return Empty() ? clNone : Pixel(0, Height() - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    transparentMode_ = tmFixed;
}
