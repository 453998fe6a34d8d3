#include "platform/framework/CursorFile.h"

#include <cstring>

namespace {

// No cursor or icon image is larger than 256 pixels a side, and no directory holds more
// entries than a file of this size could describe.
constexpr int maxSide = 256;
constexpr std::size_t maxEntries = 256;

class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    std::uint32_t u8(std::size_t at) const { return data_[at]; }
    std::uint32_t u16(std::size_t at) const { return data_[at] | (data_[at + 1] << 8); }
    std::uint32_t u32(std::size_t at) const { return u16(at) | (u16(at + 2) << 16); }
    std::uint32_t u32BigEndian(std::size_t at) const {
        return (u8(at) << 24) | (u8(at + 1) << 16) | (u8(at + 2) << 8) | u8(at + 3);
    }
    const BYTE* at(std::size_t offset) const { return data_ + offset; }
    std::size_t size() const { return size_; }

private:
    const BYTE* data_;
    std::size_t size_;
};

struct Entry {
    int width = 0;
    int height = 0;
    POINT hotSpot;
    std::size_t offset = 0;
    std::size_t length = 0;
};

std::size_t rowBytes(int width, int bits) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

// The colour index or value of pixel x of a row of the given depth.
std::uint32_t sampleOf(const BYTE* row, int x, int bits) {
    switch (bits) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    case 8:
        return row[x];
    case 24:
        return row[x * 3] | (row[x * 3 + 1] << 8) | (static_cast<std::uint32_t>(row[x * 3 + 2]) << 16);
    default:
        return row[x * 4] | (row[x * 4 + 1] << 8) | (static_cast<std::uint32_t>(row[x * 4 + 2]) << 16) |
               (static_cast<std::uint32_t>(row[x * 4 + 3]) << 24);
    }
}

bool decodeBitmap(const Reader& file, const Entry& entry, TCursorPicture& picture) {
    const Reader image(file.at(entry.offset), entry.length);
    if (!image.has(0, 40)) return false;
    const std::uint32_t headerSize = image.u32(0);
    const auto width = static_cast<std::int32_t>(image.u32(4));
    const auto doubleHeight = static_cast<std::int32_t>(image.u32(8));
    const std::uint32_t bits = image.u16(14);
    const std::uint32_t compression = image.u32(16);
    std::uint32_t colours = image.u32(32);
    if (headerSize < 40 || width <= 0 || width > maxSide || doubleHeight <= 0 || doubleHeight % 2 != 0 ||
        doubleHeight / 2 > maxSide || compression != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    if (bits <= 8 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
    if (bits > 8) colours = 0;
    const int height = doubleHeight / 2;
    const std::size_t paletteAt = headerSize;
    const std::size_t xorAt = paletteAt + std::size_t{colours} * 4;
    const std::size_t xorRow = rowBytes(width, static_cast<int>(bits));
    const std::size_t andRow = rowBytes(width, 1);
    const std::size_t andAt = xorAt + xorRow * static_cast<std::size_t>(height);
    if (!image.has(paletteAt, std::size_t{colours} * 4) ||
        !image.has(xorAt, xorRow * static_cast<std::size_t>(height)))
        return false;
    // Some files leave the mask out of 32-bit images, whose alpha says it all.
    const bool hasMask = image.has(andAt, andRow * static_cast<std::size_t>(height));
    if (!hasMask && bits != 32) return false;
    picture.Width = width;
    picture.Height = height;
    picture.HotSpot = entry.hotSpot;
    picture.Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const BYTE* row = image.at(xorAt + xorRow * static_cast<std::size_t>(height - 1 - y));
        for (int x = 0; x < width; ++x) {
            std::uint32_t value = sampleOf(row, x, static_cast<int>(bits));
            if (bits <= 8) value = value < colours ? image.u32(paletteAt + value * 4) & 0xFFFFFFu : 0;
            if (bits == 24) value |= 0xFF000000u;
            if (bits == 32) anyAlpha = anyAlpha || (value >> 24) != 0;
            picture.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)] = value;
        }
    }
    if (bits == 32 && anyAlpha) return true;
    for (int y = 0; y < height; ++y) {
        const BYTE* mask =
            hasMask ? image.at(andAt + andRow * static_cast<std::size_t>(height - 1 - y)) : nullptr;
        for (int x = 0; x < width; ++x) {
            std::uint32_t& pixel =
                picture.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x)];
            const bool transparent = mask && ((mask[x / 8] >> (7 - x % 8)) & 1);
            // A masked pixel with colour would invert the screen beneath it, which no
            // desktop cursor can do: it shows black instead.
            if (transparent)
                pixel = (pixel & 0xFFFFFFu) ? 0xFF000000u : 0;
            else
                pixel = 0xFF000000u | (pixel & 0xFFFFFFu);
        }
    }
    return true;
}

} // namespace

bool DecodeCursorFile(const BYTE* data, std::size_t size, TCursorPicture& picture) {
    const Reader file(data, size);
    if (!file.has(0, 6) || file.u16(0) != 0 || (file.u16(2) != 1 && file.u16(2) != 2)) return false;
    const bool cursor = file.u16(2) == 2;
    const std::size_t count = file.u16(4);
    if (count == 0 || count > maxEntries || !file.has(6, count * 16)) return false;
    Entry best;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * 16;
        Entry entry;
        entry.width = file.u8(at) == 0 ? 256 : static_cast<int>(file.u8(at));
        entry.height = file.u8(at + 1) == 0 ? 256 : static_cast<int>(file.u8(at + 1));
        if (cursor) entry.hotSpot = {static_cast<int>(file.u16(at + 4)), static_cast<int>(file.u16(at + 6))};
        entry.length = file.u32(at + 8);
        entry.offset = file.u32(at + 12);
        if (!file.has(entry.offset, entry.length)) return false;
        if (entry.width > best.width) best = entry;
    }
    static const BYTE pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (best.length >= 8 && std::memcmp(file.at(best.offset), pngSignature, 8) == 0) {
        // The size the image header declares is the size decoding makes, so it is held to the
        // limit before anything is decoded: a small file can declare a huge picture.
        const Reader png(file.at(best.offset), best.length);
        if (!png.has(12, 12) || std::memcmp(png.at(12), "IHDR", 4) != 0) return false;
        const std::uint32_t width = png.u32BigEndian(16);
        const std::uint32_t height = png.u32BigEndian(20);
        if (width == 0 || width > maxSide || height == 0 || height > maxSide) return false;
        picture = TCursorPicture();
        picture.Width = static_cast<int>(width);
        picture.Height = static_cast<int>(height);
        picture.HotSpot = best.hotSpot;
        picture.Png.assign(file.at(best.offset), file.at(best.offset) + best.length);
        return true;
    }
    return decodeBitmap(file, best, picture);
}

bool DecodeAnimatedCursorFile(const BYTE* data, std::size_t size, TCursorPicture& picture) {
    const Reader file(data, size);
    if (!file.has(0, 12) || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "ACON", 4) != 0)
        return false;
    const std::size_t end = std::min<std::size_t>(size, std::size_t{file.u32(4)} + 8);
    // Walk the chunks of the RIFF form and of the "fram" list inside it.
    for (std::size_t at = 12; at + 8 <= end;) {
        const std::size_t length = file.u32(at + 4);
        if (length > end - at - 8) return false;
        if (std::memcmp(data + at, "icon", 4) == 0) return DecodeCursorFile(data + at + 8, length, picture);
        if (std::memcmp(data + at, "LIST", 4) == 0 && length >= 4) {
            at += 12; // into the list, past its type
            continue;
        }
        at += 8 + length + (length & 1);
    }
    return false;
}

bool DecodeAnyCursorFile(const BYTE* data, std::size_t size, TCursorPicture& picture) {
    if (size >= 4 && std::memcmp(data, "RIFF", 4) == 0) return DecodeAnimatedCursorFile(data, size, picture);
    return DecodeCursorFile(data, size, picture);
}
