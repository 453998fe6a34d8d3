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
        std::transform(source + std::ptrdiff_t(y) * stride, source + std::ptrdiff_t(y) * stride + width,
                       pixels.begin() + std::ptrdiff_t(y) * width,
                       [](std::uint32_t p) { return p & 0xFFFFFF; });
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
