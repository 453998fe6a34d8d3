#include "platform/ddraw/Presenter.h"

#include <algorithm>
#include <cstdint>

void MemoryPresenter::Present(const std::uint32_t* pixels, int width, int height, int stride,
                              bool fullScreen) {
    std::lock_guard guard(lock_);
    last_.width = width;
    last_.height = height;
    last_.fullScreen = fullScreen;
    last_.pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(pixels + std::ptrdiff_t(y) * stride, width, last_.pixels.begin() + std::ptrdiff_t(y) * width);
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
    if (x < 0 || y < 0 || x >= last_.width || y >= last_.height)
        return 0;
    return last_.pixels[std::size_t(y) * std::size_t(last_.width) + std::size_t(x)];
}

void ScaleKeepingAspect(const std::uint32_t* source, int sourceWidth, int sourceHeight,
                        std::uint32_t* dest, int destWidth, int destHeight) {
    std::fill_n(dest, std::size_t(destWidth) * std::size_t(destHeight), 0u);
    if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0)
        return;
    // The largest picture of the source's aspect that fits, centred.
    int w = destWidth, h = int(std::int64_t(destWidth) * sourceHeight / sourceWidth);
    if (h > destHeight) {
        h = destHeight;
        w = int(std::int64_t(destHeight) * sourceWidth / sourceHeight);
    }
    int left = (destWidth - w) / 2, top = (destHeight - h) / 2;
    const std::int64_t stepX = (std::int64_t(sourceWidth) << 16) / std::max(w, 1);
    const std::int64_t stepY = (std::int64_t(sourceHeight) << 16) / std::max(h, 1);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = source + std::ptrdiff_t((y * stepY + stepY / 2) >> 16) * sourceWidth;
        std::uint32_t* out = dest + std::ptrdiff_t(top + y) * destWidth + left;
        std::int64_t fx = stepX / 2;
        for (int x = 0; x < w; ++x, fx += stepX)
            out[x] = row[fx >> 16];
    }
}
