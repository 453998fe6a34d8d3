#include "platform/framework/Cursors.h"

#include "platform/framework/CursorFile.h"
#include "platform/framework/Forms.h"
#include "platform/framework/QtBridge.h"
#include "platform/framework/QtControls.h"
#include "platform/framework/Resources.h"

#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

namespace {

// No cursor file is anywhere near this size; a larger file is refused unread.
constexpr std::streamoff maxCursorFileBytes = 4 << 20;

struct CursorTable {
    std::mutex lock;
    std::map<TCursor, HCURSOR> stored;    // Screen->Cursors, guarded by lock
    std::map<TCursor, HCURSOR> standards; // one handle per standard shape, guarded by lock
};

CursorTable& table() {
    static CursorTable instance;
    return instance;
}

HCURSOR fromPicture(TCursorPicture picture) {
    if (!picture.Png.empty()) {
        QImage png;
        if (!png.loadFromData(picture.Png.data(), static_cast<int>(picture.Png.size()), "PNG"))
            return nullptr;
        const QImage argb = png.convertToFormat(QImage::Format_ARGB32);
        picture.Width = argb.width();
        picture.Height = argb.height();
        picture.Pixels.clear();
        for (int y = 0; y < argb.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(argb.constScanLine(y));
            picture.Pixels.insert(picture.Pixels.end(), row, row + argb.width());
        }
    }
    if (picture.Pixels.empty()) return nullptr;
    return std::make_shared<const TCursorImage>(picture.Width, picture.Height, std::move(picture.Pixels),
                                                picture.HotSpot);
}

} // namespace

TCursorImage::TCursorImage(int width, int height, std::vector<std::uint32_t> pixels, POINT hotSpot)
    : width_(width), height_(height), pixels_(std::move(pixels)), hotSpot_(hotSpot) {
    if (pixels_.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) ||
        pixels_.empty())
        throw Exception("A cursor picture needs one pixel per point");
}

HCURSOR LoadCursorFromMemory(const void* data, std::size_t size) {
    TCursorPicture picture;
    if (!data || !DecodeAnyCursorFile(static_cast<const BYTE*>(data), size, picture)) return nullptr;
    return fromPicture(std::move(picture));
}

HCURSOR LoadCursor(const std::string& resourceName) {
    const auto data = FindResource(RT_CURSOR, resourceName);
    return data ? LoadCursorFromMemory(data->data(), data->size()) : nullptr;
}

HCURSOR LoadCursorFromFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary | std::ios::ate);
    if (!in) return nullptr;
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > maxCursorFileBytes) return nullptr;
    in.seekg(0);
    std::vector<BYTE> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return nullptr;
    return LoadCursorFromMemory(bytes.data(), bytes.size());
}

HCURSOR StandardCursor(TCursor cursor) {
    CursorTable& t = table();
    std::lock_guard guard(t.lock);
    HCURSOR& handle = t.standards[cursor];
    if (!handle) handle = std::make_shared<const TCursorImage>(cursor);
    return handle;
}

HCURSOR TScreen::Cursors(TCursor index) const {
    {
        CursorTable& t = table();
        std::lock_guard guard(t.lock);
        auto it = t.stored.find(index);
        if (it != t.stored.end()) return it->second;
    }
    // Numbers of the desktop's own shapes show them; any other unset number the default.
    return StandardCursor(index <= 0 ? index : crDefault);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
    CursorTable& t = table();
    std::lock_guard guard(t.lock);
    if (cursor)
        t.stored[index] = std::move(cursor);
    else
        t.stored.erase(index);
}

namespace vx {

QCursor QCursorOf(TCursor cursor) {
    const HCURSOR handle = Screen->Cursors(cursor);
    if (handle->IsStandard()) return QCursor(CursorShapeOf(handle->Standard()));
    QImage image(handle->Width(), handle->Height(), QImage::Format_ARGB32);
    for (int y = 0; y < handle->Height(); ++y)
        std::copy_n(handle->Pixels().data() +
                        static_cast<std::size_t>(y) * static_cast<std::size_t>(handle->Width()),
                    handle->Width(), reinterpret_cast<std::uint32_t*>(image.scanLine(y)));
    return QCursor(QPixmap::fromImage(image), handle->HotSpot().x, handle->HotSpot().y);
}

} // namespace vx
