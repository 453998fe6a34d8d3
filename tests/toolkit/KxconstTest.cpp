#include "toolkit/Kxconst.h"

#include "platform/framework/Resources.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

int countOf(const HCURSOR& cursor, std::uint32_t pixel) {
    return static_cast<int>(std::count(cursor->Pixels().begin(), cursor->Pixels().end(), pixel));
}

std::uint32_t pixelAt(const HCURSOR& cursor, POINT p) {
    return cursor->Pixels()[static_cast<std::size_t>(p.y * cursor->Width() + p.x)];
}

} // namespace

TEST(ToolkitCursors, AreInTheScreenListFromStartUp) {
    for (TCursor id : {KX_HANDCUR, KX_DRAGCUR}) {
        const HCURSOR cursor = Screen->Cursors(id);
        ASSERT_FALSE(cursor->IsStandard()) << id;
        EXPECT_EQ(cursor->Width(), 32);
        EXPECT_EQ(cursor->Height(), 32);
        // A drawn hand: a black outline round a white fill, the rest transparent, and the
        // hot spot on the picture itself.
        EXPECT_GT(countOf(cursor, 0xFF000000u), 40);
        EXPECT_GT(countOf(cursor, 0xFFFFFFFFu), 60);
        EXPECT_GT(countOf(cursor, 0u), 32 * 32 / 2);
        EXPECT_EQ(pixelAt(cursor, cursor->HotSpot()), 0xFFFFFFFFu);
    }
    EXPECT_NE(Screen->Cursors(KX_HANDCUR), Screen->Cursors(KX_DRAGCUR));
    // The pointing hand's hot spot is its fingertip, at the top.
    EXPECT_LT(Screen->Cursors(KX_HANDCUR)->HotSpot().y, 3);
    EXPECT_TRUE(FindResource(RT_CURSOR, "KX_HANDCUR"));
    EXPECT_TRUE(FindResource(RT_CURSOR, "KX_DRAGCUR"));
}

TEST(ToolkitCursors, OnlyTheFirstStartUpActs) {
    const HCURSOR hand = Screen->Cursors(KX_HANDCUR);
    Screen->SetCursors(KX_HANDCUR, nullptr);
    StartKxconst();
    EXPECT_EQ(Screen->Cursors(KX_HANDCUR), Screen->Cursors(crDefault));
    Screen->SetCursors(KX_HANDCUR, hand);
}
