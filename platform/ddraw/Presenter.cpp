#include "platform/ddraw/Presenter.h"

#include <algorithm>
#include <cstdint>
#include <vector>

void PresentedFrame::Assign(const std::uint32_t* source, int sourceWidth, int sourceHeight, int stride,
                            bool isFullScreen) {
    width = sourceWidth;
    height = sourceHeight;
    fullScreen = isFullScreen;
    pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(source + std::ptrdiff_t(y) * stride, width, pixels.begin() + std::ptrdiff_t(y) * width);
}

void MemoryPresenter::Present(const std::uint32_t* pixels, int width, int height, int stride,
                              bool fullScreen) {
    std::lock_guard guard(lock_);
    last_.Assign(pixels, width, height, stride, fullScreen);
    ++count_;
}

PresentedFrame MemoryPresenter::LastFrame() const {
    std::lock_guard guard(lock_);
    return last_;
}

int MemoryPresenter::FrameCount() const {
    std::lock_guard guard(lock_);
    return count_;
}

std::uint32_t MemoryPresenter::PixelAt(int x, int y) const {
    std::lock_guard guard(lock_);
    if (x < 0 || y < 0 || x >= last_.width || y >= last_.height) return 0;
    return last_.pixels[std::size_t(y) * std::size_t(last_.width) + std::size_t(x)];
}

RECT AspectFitRect(int sourceWidth, int sourceHeight, int destWidth, int destHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0) return RECT{};
    int w = destWidth, h = int(std::int64_t(destWidth) * sourceHeight / sourceWidth);
    if (h > destHeight) {
        h = destHeight;
        w = int(std::int64_t(destHeight) * sourceWidth / sourceHeight);
    }
    const int left = (destWidth - w) / 2, top = (destHeight - h) / 2;
    return RECT{left, top, left + w, top + h};
}

void ScaleKeepingAspect(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* dest,
                        int destWidth, int destHeight) {
    if (destWidth <= 0 || destHeight <= 0) return;
    const std::size_t destSize = std::size_t(destWidth) * std::size_t(destHeight);
    const RECT fit = AspectFitRect(sourceWidth, sourceHeight, destWidth, destHeight);
    const int left = int(fit.left), top = int(fit.top);
    const int w = int(fit.right - fit.left), h = int(fit.bottom - fit.top);
    if (w <= 0 || h <= 0) {
        std::fill_n(dest, destSize, 0u);
        return;
    }
    // Black bars: the rows above and below, and the columns beside the picture.
    std::fill_n(dest, std::size_t(top) * destWidth, 0u);
    std::fill(dest + std::ptrdiff_t(top + h) * destWidth, dest + destSize, 0u);
    for (int y = top; y < top + h; ++y) {
        std::uint32_t* line = dest + std::ptrdiff_t(y) * destWidth;
        std::fill_n(line, left, 0u);
        std::fill(line + left + w, line + destWidth, 0u);
    }
    const std::int64_t stepX = (std::int64_t(sourceWidth) << 16) / w;
    const std::int64_t stepY = (std::int64_t(sourceHeight) << 16) / h;
    std::vector<int> column(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x)
        column[std::size_t(x)] = int((x * stepX + stepX / 2) >> 16);
    int previousRow = -1;
    for (int y = 0; y < h; ++y) {
        int row = int((y * stepY + stepY / 2) >> 16);
        std::uint32_t* out = dest + std::ptrdiff_t(top + y) * destWidth + left;
        // Rows that sample the same source row repeat the one above.
        if (row == previousRow) {
            std::copy_n(out - destWidth, w, out);
            continue;
        }
        const std::uint32_t* in = source + std::ptrdiff_t(row) * sourceWidth;
        for (int x = 0; x < w; ++x)
            out[x] = in[column[std::size_t(x)]];
        previousRow = row;
    }
}
