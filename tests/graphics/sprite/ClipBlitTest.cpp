#include "graphics/DDSprite.h"

#include <gtest/gtest.h>

TEST(SpriteBlitClip, KeepsTheBlitInsideSourceAndDestination) {
    struct Case {
        int x, y;
        RECT src;
        bool drawn;
        int cx, cy;
        RECT clipped;
    };
    // Source 100 x 80, destination 200 x 150.
    const Case cases[] = {
        {10, 10, {0, 0, 32, 32}, true, 10, 10, {0, 0, 32, 32}},
        {-5, 10, {0, 0, 32, 32}, true, 0, 10, {5, 0, 32, 32}},
        {190, 140, {32, 32, 64, 64}, true, 190, 140, {32, 32, 42, 42}},
        {10, 10, {90, 70, 122, 102}, true, 10, 10, {90, 70, 100, 80}},
        {10, 10, {-4, -6, 28, 26}, true, 14, 16, {0, 0, 28, 26}},
        {300, 10, {0, 0, 32, 32}, false, 300, 10, {0, 0, -68, 32}},
        {-40, 0, {0, 0, 32, 32}, false, 0, 0, {40, 0, 32, 32}},
        {0, 0, {100, 0, 132, 32}, false, 0, 0, {100, 0, 100, 32}},
    };
    for (const Case& c : cases) {
        int x = c.x, y = c.y;
        RECT src = c.src;
        EXPECT_EQ(ClipBlit(x, y, src, 100, 80, 200, 150), c.drawn) << c.x << "," << c.y;
        if (c.drawn) {
            EXPECT_EQ(x, c.cx);
            EXPECT_EQ(y, c.cy);
            EXPECT_EQ(src, c.clipped) << c.x << "," << c.y;
        }
    }
}
