#include "platform/ddraw/ScreenPicture.h"
#include "platform/ddraw/ProportionalScale.h"
#include "platform/ddraw/ScaledRow.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// A screen of 0 x 0: the frame is shown in a window.
struct ScreenCase {
    int frameWidth, frameHeight, screenWidth, screenHeight;
};

class ScreenPictureRedraw : public ::testing::TestWithParam<ScreenCase> {};

} // namespace

// Sprites move about a frame, or the whole frame changes (a scrolling picture), goes back to
// the frame before, or changes twice between two updates: drawing only the areas said to
// have changed keeps the screen exactly as a whole drawing of the frame shows it, and a
// sprite step draws far less; a frame of another size is drawn whole.
TEST_P(ScreenPictureRedraw, DrawingOnlyWhatChangedShowsWhatAWholeDrawingShows) {
    const ScreenCase c = GetParam();
    const bool fullScreen = c.screenWidth > 0;
    const int width = fullScreen ? c.screenWidth : c.frameWidth,
              height = fullScreen ? c.screenHeight : c.frameHeight;
    std::mt19937 random(7);
    std::vector<std::uint32_t> frame(std::size_t(c.frameWidth * c.frameHeight)), before,
        screen(std::size_t(width * height));
    auto moveSprites = [&] {
        for (int sprite = 0; sprite < 3; ++sprite) {
            const int x = int(random() % unsigned(c.frameWidth - 20)),
                      y = int(random() % unsigned(c.frameHeight - 20));
            for (int i = 0; i < 400; ++i)
                frame[std::size_t((y + i / 20) * c.frameWidth + x + i % 20)] = random() & 0xFFFFFF;
        }
    };
    enum Step { Sprites, Whole, Back, Twice };
    ScreenPicture picture;
    const Step steps[] = {Whole, Sprites, Whole, Back, Sprites, Whole, Whole, Twice, Sprites};
    for (std::size_t step = 0; step < std::size(steps); ++step) {
        if (steps[step] == Whole) {
            before = frame;
            for (std::uint32_t& p : frame)
                p = random() & 0xFFFFFF;
        } else if (steps[step] == Back) {
            std::swap(frame, before);
        } else {
            moveSprites();
        }
        ASSERT_TRUE(picture.Receive(frame.data(), c.frameWidth, c.frameHeight, c.frameWidth, fullScreen));
        if (steps[step] == Twice) {
            moveSprites();
            picture.Receive(frame.data(), c.frameWidth, c.frameHeight, c.frameWidth, fullScreen);
        }
        long long drawn = 0;
        for (const RECT& area : picture.Update(width, height)) {
            const RECT shown = picture.Shown();
            const RECT part{std::max(area.left, shown.left), std::max(area.top, shown.top),
                            std::min(area.right, shown.right), std::min(area.bottom, shown.bottom)};
            if (part.right <= part.left || part.bottom <= part.top) continue;
            picture.Draw(part, screen.data() + part.top * width + part.left, width, 0);
            drawn += (part.right - part.left) * (part.bottom - part.top);
        }
        std::vector<std::uint32_t> whole = fullScreen ? std::vector<std::uint32_t>(screen.size()) : frame;
        if (fullScreen)
            ScaleKeepingAspect(frame.data(), c.frameWidth, c.frameHeight, whole.data(), width, height);
        ASSERT_EQ(screen, whole) << "step " << step;
        EXPECT_TRUE(steps[step] != Sprites || drawn < width * height / 3) << drawn << " pixels drawn";
    }
    EXPECT_FALSE(picture.Receive(frame.data(), c.frameWidth, c.frameHeight, c.frameWidth, fullScreen));
    EXPECT_TRUE(picture.Update(width, height).empty());
    picture.Receive(frame.data(), c.frameWidth - 1, c.frameHeight, c.frameWidth, fullScreen);
    const int shownWidth = fullScreen ? width : width - 1;
    EXPECT_EQ(picture.Update(width, height), std::vector<RECT>({RECT{0, 0, shownWidth, height}}));
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenPictureRedraw,
                         ::testing::Values(ScreenCase{321, 203, 0, 0}, ScreenCase{640, 480, 1920, 1200},
                                           ScreenCase{320, 200, 1280, 1024},
                                           ScreenCase{1600, 1200, 1280, 1024}));

// Screen rows through the column tables of several scales, from several first columns.
TEST(ScaledRows, EveryVersionGivesThePixelsOfThePlainOne) {
    const auto versions = pixelops::AvailableScaledRows();
    std::mt19937 random(3);
    std::vector<std::uint32_t> in(1600);
    for (std::uint32_t& p : in)
        p = random();
    for (const auto& scale : {std::pair{640, 1600}, {320, 1920}, {1600, 1440}, {500, 500}, {9, 70}}) {
        // Plain variables, not a structured binding: every compiler lets the lambda below capture them.
        const int from = scale.first, to = scale.second;
        std::vector<int> columns(static_cast<std::size_t>(to));
        for (int x = 0; x < to; ++x)
            columns[std::size_t(x)] = NearestSourceIndex(x, from, to);
        for (int first : {0, 3, to / 2}) {
            const int count = to - first - first % 5;
            auto fill = [&](const pixelops::ScaledRowVersion& version) {
                std::vector<std::uint32_t> out(std::size_t(count) + 1, 7); // one more that stays
                version.fill(out.data(), in.data(), from, columns.data() + first, count, 0xFF000000u);
                return out;
            };
            for (const pixelops::ScaledRowVersion& version : versions)
                EXPECT_EQ(fill(version), fill(versions[0])) << version.name << ", " << from << " to " << to;
        }
    }
}
