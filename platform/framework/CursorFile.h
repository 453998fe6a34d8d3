#pragma once
// Reading cursor and icon files: the .cur/.ico directory with its device-independent
// bitmaps (1, 4, 8, 24 or 32 bits per pixel with a transparency mask) or PNG images, and
// the frames of an animated .ani cursor. Every size and offset is checked against the
// data, so a damaged file is refused, never read past its end.
#include "platform/kernel/Types.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct TCursorPicture {
    int Width = 0;
    int Height = 0;
    POINT HotSpot;
    // 0xAARRGGBB, rows top to bottom; empty when the image is a PNG (see Png).
    std::vector<std::uint32_t> Pixels;
    // The bytes of an image stored as PNG, for the caller to decode; its header's size (in
    // Width and Height) is within the limit of 256 pixels a side.
    std::vector<BYTE> Png;
};

// The largest image of a .cur or .ico file (hot spot 0, 0 for icons); false when the data
// is no such file or is damaged.
bool DecodeCursorFile(const BYTE* data, std::size_t size, TCursorPicture& picture);
// The first frame of an animated cursor (RIFF "ACON"); false when there is none.
bool DecodeAnimatedCursorFile(const BYTE* data, std::size_t size, TCursorPicture& picture);
// Either kind, told apart by its first bytes.
bool DecodeAnyCursorFile(const BYTE* data, std::size_t size, TCursorPicture& picture);
