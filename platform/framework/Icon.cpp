#include "platform/framework/Icon.h"

#include "platform/framework/CursorFile.h"
#include "platform/framework/QtBridge.h"
#include "platform/framework/Resources.h"

#include <fstream>
#include <iterator>

namespace {

// Icon files are small; anything larger is refused unread.
constexpr std::streamoff maxIconFileBytes = 4 << 20;

} // namespace

void TIcon::LoadFromFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary | std::ios::ate);
    if (!in) throw Exception("Cannot open icon file " + fileName);
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > maxIconFileBytes) throw Exception("Invalid icon file " + fileName);
    in.seekg(0);
    std::vector<BYTE> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw Exception("Cannot read icon file " + fileName);
    LoadFromMemory(bytes.data(), bytes.size());
}

void TIcon::LoadFromResourceName(const std::string& name) {
    const auto bytes = FindResource(RT_ICON, name);
    if (!bytes) throw EResNotFound("Resource " + name + " not found");
    LoadFromMemory(bytes->data(), bytes->size());
}

void TIcon::LoadFromMemory(const void* data, std::size_t size) {
    TCursorPicture picture;
    if (!data || !DecodeCursorFile(static_cast<const BYTE*>(data), size, picture))
        throw Exception("Invalid icon");
    if (!picture.Png.empty()) {
        QImage png;
        if (!png.loadFromData(picture.Png.data(), static_cast<int>(picture.Png.size()), "PNG"))
            throw Exception("Invalid icon");
        image().pixels = png.convertToFormat(QImage::Format_ARGB32);
        image().bitDepth = 32;
        return;
    }
    SetArgbPixels(picture.Width, picture.Height, picture.Pixels);
}

void TIcon::SetArgbPixels(int width, int height, const std::vector<std::uint32_t>& pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw Exception("An icon needs one pixel per point");
    QImage argb(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        std::copy_n(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width), width,
                    reinterpret_cast<std::uint32_t*>(argb.scanLine(y)));
    image().pixels = argb;
    image().bitDepth = 32;
}

std::vector<std::uint32_t> TIcon::ArgbPixels() const {
    if (Empty()) return {};
    const QImage argb = image().pixels.convertToFormat(QImage::Format_ARGB32);
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(argb.width()) * static_cast<std::size_t>(argb.height()));
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(argb.constScanLine(y));
        out.insert(out.end(), row, row + argb.width());
    }
    return out;
}
