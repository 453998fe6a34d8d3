#include "tools/datagen/PngWriter.h"

#include <array>

namespace datagen {
namespace {

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void putChunk(Bytes& out, const char* type, const Bytes& data) {
    putBE32(out, static_cast<std::uint32_t>(data.size()));
    std::size_t start = out.size();
    putText(out, type);
    out.insert(out.end(), data.begin(), data.end());
    putBE32(out, crc32(&out[start], out.size() - start));
}

Bytes zlibStored(const Bytes& raw) {
    Bytes z{0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw)
        a = (a + v) % 65521, b = (b + a) % 65521;
    for (std::size_t pos = 0; pos < raw.size() || pos == 0;) {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        putU8(z, pos + n >= raw.size() ? 1 : 0);
        putLE16(z, static_cast<unsigned>(n)), putLE16(z, static_cast<unsigned>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
        if (n == 0) break;
    }
    putBE32(z, b << 16 | a);
    return z;
}

} // namespace

Bytes encodePngRgb(int width, int height, const std::vector<std::uint8_t>& rgb) {
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    putBE32(header, static_cast<std::uint32_t>(width)), putBE32(header, static_cast<std::uint32_t>(height));
    putU8(header, 8), putU8(header, 2), putU8(header, 0), putU8(header, 0), putU8(header, 0);
    putChunk(out, "IHDR", header);
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        putU8(raw, 0);
        auto row = rgb.begin() + static_cast<long>(y) * width * 3;
        raw.insert(raw.end(), row, row + width * 3);
    }
    putChunk(out, "IDAT", zlibStored(raw));
    putChunk(out, "IEND", {});
    return out;
}

} // namespace datagen
