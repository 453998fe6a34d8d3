#pragma once
// Where a drawing landed on a bitmap, for tests of what was drawn.
#include "platform/framework/Bitmap.h"

#include <algorithm>

// The smallest rectangle holding the pixels that differ from background.
inline RECT InkBounds(TBitmap& bitmap, TColor background) {
    RECT box{bitmap.Width(), bitmap.Height(), 0, 0};
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.Pixel(x, y) != background) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}
