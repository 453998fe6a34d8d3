#pragma once
// Mouse cursors: the desktop's standard shapes (crArrow, crHourGlass...) and cursors of
// the program's own, loaded from cursor files or resources, kept by handle. The screen
// object's cursor list (Screen->Cursors) maps a TCursor number to a handle; a control or
// the screen showing that number shows the cursor stored there.
#include "platform/framework/Canvas.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using TCursor = int;

// A cursor picture with its hot spot; shared by every place that shows it.
class TCursorImage {
public:
    // A standard shape (the TCursor number of a desktop cursor).
    explicit TCursorImage(TCursor standard) : standard_(standard) {}
    // A picture: 0xAARRGGBB pixels, rows top to bottom.
    TCursorImage(int width, int height, std::vector<std::uint32_t> pixels, POINT hotSpot);

    bool IsStandard() const { return pixels_.empty(); }
    TCursor Standard() const { return standard_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    POINT HotSpot() const { return hotSpot_; }
    const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

private:
    TCursor standard_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
    POINT hotSpot_;
};

using HCURSOR = std::shared_ptr<const TCursorImage>;

// Resource types of cursors: a whole cursor file (.cur) and an animated one (.ani).
constexpr const char* RT_CURSOR = "CURSOR";
constexpr const char* RT_ANICURSOR = "ANICURSOR";

// The cursor of a .cur or .ani file's bytes (an animated cursor shows its first frame);
// nullptr when the data is no cursor file.
HCURSOR LoadCursorFromMemory(const void* data, std::size_t size);
// The cursor resource of that name (RT_CURSOR), nullptr when there is none.
HCURSOR LoadCursor(const std::string& resourceName);
// A cursor file on disk, nullptr when it cannot be read or is no cursor file.
HCURSOR LoadCursorFromFile(const std::string& fileName);
// The handle of a standard shape; the same handle for the same number every time.
HCURSOR StandardCursor(TCursor cursor);
