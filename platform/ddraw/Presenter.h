#pragma once
// Presenters show what reaches the primary surface. The device hands the picture over as
// 32-bit X8R8G8B8 (8 and 16 bits converted, 8 through the palette), whose top byte means
// nothing; a presenter must return quickly and never wait for another thread's event loop.
#include "platform/kernel/Types.h"

#include <cstdint>
#include <mutex>
#include <vector>

struct PresentedFrame {
    int width = 0;
    int height = 0;
    // Full screen: the picture is scaled to the whole window keeping its aspect.
    bool fullScreen = false;
    std::vector<std::uint32_t> pixels; // width * height 0x00RRGGBB values, rows top to bottom

    // Takes a copy of a picture whose rows lie stride values apart, without the top bytes.
    void Assign(const std::uint32_t* source, int sourceWidth, int sourceHeight, int stride,
                bool isFullScreen);
};

class Presenter {
public:
    virtual ~Presenter() = default;
    // pixels: height rows of width values, stride values apart.
    virtual void Present(const std::uint32_t* pixels, int width, int height, int stride, bool fullScreen) = 0;
};

// Keeps the last frame and counts them: the presenter of tests.
class MemoryPresenter : public Presenter {
public:
    void Present(const std::uint32_t* pixels, int width, int height, int stride, bool fullScreen) override;
    PresentedFrame LastFrame() const;
    int FrameCount() const;
    std::uint32_t PixelAt(int x, int y) const;

private:
    mutable std::mutex lock_;
    PresentedFrame last_;
    int count_ = 0;
};
