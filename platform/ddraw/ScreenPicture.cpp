#include "platform/ddraw/ScreenPicture.h"

#include <algorithm>
#include <cstring>

bool ScreenPicture::Receive(const std::uint32_t* pixels, int width, int height, int stride, bool fullScreen) {
    if (width != width_ || height != height_ || fullScreen != fullScreen_) {
        width_ = width;
        height_ = height;
        fullScreen_ = fullScreen;
        frame_.resize(std::size_t(width) * std::size_t(height));
        for (int y = 0; y < height; ++y)
            std::copy_n(pixels + std::ptrdiff_t(y) * stride, width,
                        frame_.begin() + std::ptrdiff_t(y) * width);
        changedTiles_.assign(std::size_t(tileColumns()) * std::size_t((height + kTile - 1) / kTile), 0);
        replaced_ = true;
        frameBehind_ = false;
        return true;
    }
    return frameBehind_ ? receiveAfterSwap(pixels, stride) : receiveChanges(pixels, stride);
}

bool ScreenPicture::receiveChanges(const std::uint32_t* pixels, int stride) {
    const std::size_t rowBytes = std::size_t(width_) * sizeof(std::uint32_t);
    const int columns = tileColumns();
    bool changed = false;
    for (int y = 0; y < height_; ++y) {
        const std::uint32_t* in = pixels + std::ptrdiff_t(y) * stride;
        std::uint32_t* kept = frame_.data() + std::ptrdiff_t(y) * width_;
        // Most rows of a game frame are as they were: one comparison settles them.
        if (std::memcmp(in, kept, rowBytes) == 0) continue;
        std::uint8_t* tiles = changedTiles_.data() + std::ptrdiff_t(y / kTile) * columns;
        for (int column = 0, x = 0; column < columns; ++column, x += kTile) {
            const std::size_t bytes = std::size_t(std::min(kTile, width_ - x)) * sizeof(std::uint32_t);
            if (std::memcmp(in + x, kept + x, bytes) == 0) continue;
            std::memcpy(kept + x, in + x, bytes);
            tiles[column] = 1;
            changed = true;
        }
    }
    return changed;
}

// The newest frame is the shown one, and the kept frame is older: the frame received is
// compared with the shown frame and kept whole.
bool ScreenPicture::receiveAfterSwap(const std::uint32_t* pixels, int stride) {
    frameBehind_ = false;
    const std::size_t rowBytes = std::size_t(width_) * sizeof(std::uint32_t);
    const int columns = tileColumns();
    bool changed = false;
    for (int y = 0; y < height_; ++y) {
        const std::uint32_t* in = pixels + std::ptrdiff_t(y) * stride;
        const std::uint32_t* shown = shown_.data() + std::ptrdiff_t(y) * width_;
        std::memcpy(frame_.data() + std::ptrdiff_t(y) * width_, in, rowBytes);
        if (std::memcmp(in, shown, rowBytes) == 0) continue;
        std::uint8_t* tiles = changedTiles_.data() + std::ptrdiff_t(y / kTile) * columns;
        for (int column = 0, x = 0; column < columns; ++column, x += kTile) {
            const std::size_t bytes = std::size_t(std::min(kTile, width_ - x)) * sizeof(std::uint32_t);
            if (tiles[column] || std::memcmp(in + x, shown + x, bytes) == 0) continue;
            tiles[column] = 1;
            changed = true;
        }
    }
    return changed;
}

// The changed tiles as rectangles of the frame, one per run of neighbouring tiles in a row
// of tiles; the tiles count as unchanged again.
std::vector<RECT> ScreenPicture::changedAreas() {
    std::vector<RECT> areas;
    const int columns = tileColumns();
    for (std::size_t i = 0; i < changedTiles_.size();) {
        if (!changedTiles_[i]) {
            ++i;
            continue;
        }
        const int row = int(i) / columns, first = int(i) % columns;
        int last = first;
        while (last < columns && changedTiles_[i + std::size_t(last - first)]) {
            changedTiles_[i + std::size_t(last - first)] = 0;
            ++last;
        }
        areas.push_back(RECT{first * kTile, row * kTile, std::min(last * kTile, width_),
                             std::min((row + 1) * kTile, height_)});
        i += std::size_t(last - first);
    }
    return areas;
}

void ScreenPicture::takeChangedAreas(const std::vector<RECT>& areas) {
    long long changedPixels = 0;
    for (const RECT& area : areas)
        changedPixels += (area.right - area.left) * (area.bottom - area.top);
    // A frame that changed mostly (a scrolling picture) is taken by exchanging the frames
    // rather than copying it; the next frame received then settles what the older one lacks.
    if (changedPixels * 2 > std::int64_t(width_) * height_) {
        std::swap(frame_, shown_);
        frameBehind_ = true;
        return;
    }
    for (const RECT& area : areas)
        for (int y = area.top; y < area.bottom; ++y)
            std::copy(frame_.begin() + std::ptrdiff_t(y) * width_ + area.left,
                      frame_.begin() + std::ptrdiff_t(y) * width_ + area.right,
                      shown_.begin() + std::ptrdiff_t(y) * width_ + area.left);
}

std::vector<RECT> ScreenPicture::Update(int screenWidth, int screenHeight) {
    bool whole = false;
    if (replaced_) {
        replaced_ = false;
        shown_ = frame_;
        shownWidth_ = width_;
        shownHeight_ = height_;
        shownFullScreen_ = fullScreen_;
        std::fill(changedTiles_.begin(), changedTiles_.end(), 0);
        whole = true;
    }
    const int width = shownFullScreen_ ? screenWidth : shownWidth_;
    const int height = shownFullScreen_ ? screenHeight : shownHeight_;
    if (scale_.SourceWidth() != shownWidth_ || scale_.SourceHeight() != shownHeight_ ||
        scale_.DestWidth() != width || scale_.DestHeight() != height) {
        scale_ = ProportionalScale(shownWidth_, shownHeight_, width, height);
        whole = true;
    }
    const std::vector<RECT> areas = changedAreas();
    takeChangedAreas(areas);
    if (whole) return {RECT{0, 0, std::max(width, 0), std::max(height, 0)}};
    std::vector<RECT> changed;
    for (const RECT& area : areas)
        if (const RECT screen = scale_.DestOf(area); screen.right > screen.left) changed.push_back(screen);
    return changed;
}

RECT ScreenPicture::Shown() const {
    return scale_.Picture();
}

void ScreenPicture::Draw(const RECT& area, std::uint32_t* dest, int destStride, std::uint32_t setBits) const {
    scale_.Render(shown_.data(), shownWidth_, area, dest, destStride, setBits);
}
