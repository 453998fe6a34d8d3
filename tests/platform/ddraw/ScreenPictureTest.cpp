#include "platform/ddraw/ScreenPicture.h"
#include "platform/ddraw/AspectScale.h"
#include "platform/ddraw/ScaledRow.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct Frame {
    int width, height;
    std::vector<std::uint32_t> pixels;
};

// A screen image kept up to date from nothing but the areas ScreenPicture says changed.
struct Screen {
    int width, height;
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(std::size_t(width) * std::size_t(height));
    // Answers the number of pixels drawn.
    long long Show(ScreenPicture& picture) {
        long long drawn = 0;
        for (const RECT& area : picture.Update(width, height)) {
            EXPECT_TRUE(area.left >= 0 && area.top >= 0 && area.right <= width && area.bottom <= height);
            const RECT shown = picture.Shown();
            const RECT inside{std::max(area.left, shown.left), std::max(area.top, shown.top),
                              std::min(area.right, shown.right), std::min(area.bottom, shown.bottom)};
            if (inside.right <= inside.left || inside.bottom <= inside.top) continue;
            picture.Draw(inside, pixels.data() + std::ptrdiff_t(inside.top) * width + inside.left, width, 0);
            drawn += (inside.right - inside.left) * (inside.bottom - inside.top);
        }
        return drawn;
    }
};

struct ScreenCase {
    const char* name;
    int frameWidth, frameHeight, screenWidth, screenHeight;
    bool fullScreen;
};

void PrintTo(const ScreenCase& c, std::ostream* out) {
    *out << c.name;
}

class ScreenPictureRedraw : public ::testing::TestWithParam<ScreenCase> {};

} // namespace

// Sprites move about a frame: drawing only the areas that changed keeps the screen exactly
// as a whole scaling of the frame (a window: the frame itself), and draws far less.
TEST_P(ScreenPictureRedraw, DrawingOnlyWhatChangedShowsWhatAWholeDrawingShows) {
    const ScreenCase c = GetParam();
    std::mt19937 random(7);
    Frame frame{c.frameWidth, c.frameHeight, {}};
    frame.pixels.resize(std::size_t(c.frameWidth) * std::size_t(c.frameHeight));
    for (std::uint32_t& p : frame.pixels)
        p = random() & 0xFFFFFF;
    ScreenPicture picture;
    Screen screen{c.fullScreen ? c.screenWidth : c.frameWidth, c.fullScreen ? c.screenHeight : c.frameHeight};
    ASSERT_TRUE(
        picture.Receive(frame.pixels.data(), c.frameWidth, c.frameHeight, c.frameWidth, c.fullScreen));
    screen.Show(picture);
    for (int step = 0; step < 6; ++step) {
        for (int sprite = 0; sprite < 3; ++sprite) {
            const int x = int(random() % unsigned(c.frameWidth - 20)),
                      y = int(random() % unsigned(c.frameHeight - 20));
            for (int row = y; row < y + 20; ++row)
                for (int column = x; column < x + 20; ++column)
                    frame.pixels[std::size_t(row) * std::size_t(c.frameWidth) + std::size_t(column)] =
                        random();
        }
        ASSERT_TRUE(
            picture.Receive(frame.pixels.data(), c.frameWidth, c.frameHeight, c.frameWidth, c.fullScreen));
        const long long drawn = screen.Show(picture);
        EXPECT_LT(drawn, (long long)screen.width * screen.height / 3) << c.name;
        std::vector<std::uint32_t> whole(screen.pixels.size());
        if (c.fullScreen)
            ScaleKeepingAspect(frame.pixels.data(), c.frameWidth, c.frameHeight, whole.data(), screen.width,
                               screen.height);
        else
            whole = frame.pixels;
        ASSERT_EQ(screen.pixels, whole) << c.name << ", step " << step;
    }
    EXPECT_FALSE(
        picture.Receive(frame.pixels.data(), c.frameWidth, c.frameHeight, c.frameWidth, c.fullScreen))
        << "the same frame again";
    EXPECT_TRUE(picture.Update(screen.width, screen.height).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Screens, ScreenPictureRedraw,
    ::testing::Values(ScreenCase{"window", 321, 203, 0, 0, false},
                      ScreenCase{"scaled up 2.5 times", 640, 480, 1920, 1200, true},
                      ScreenCase{"scaled up, bars above and below", 320, 200, 1280, 1024, true},
                      ScreenCase{"scaled down", 1600, 1200, 1280, 1024, true}),
    [](const ::testing::TestParamInfo<ScreenCase>& param) { return "Case" + std::to_string(param.index); });

// A new size or screen mode, or a screen of another size, redraws everything.
TEST(ScreenPicture, ANewSizeModeOrScreenRedrawsTheWholeScreen) {
    std::vector<std::uint32_t> pixels(64 * 48, 5);
    ScreenPicture picture;
    auto onlyWhole = [&](int width, int height) {
        const std::vector<RECT> areas = picture.Update(width, height);
        return areas.size() == 1 && areas[0] == RECT{0, 0, width, height};
    };
    picture.Receive(pixels.data(), 64, 48, 64, false);
    EXPECT_TRUE(onlyWhole(64, 48));
    EXPECT_TRUE(picture.Receive(pixels.data(), 64, 48, 64, true));
    EXPECT_TRUE(onlyWhole(640, 480));
    EXPECT_TRUE(onlyWhole(800, 600)) << "the view was resized";
    EXPECT_TRUE(picture.Receive(pixels.data(), 32, 48, 64, true));
    EXPECT_TRUE(onlyWhole(800, 600));
}

// Screen rows taken through the column tables of several scales, rows of every length.
TEST(ScaledRows, EveryVersionGivesThePixelsOfThePlainOne) {
    std::mt19937 random(3);
    const auto versions = pixelops::AvailableScaledRows();
    for (const auto& [from, to] : {std::pair{640, 1600}, {320, 1920}, {1600, 1440}, {500, 500}, {9, 70}}) {
        std::vector<std::uint32_t> in(static_cast<std::size_t>(from));
        for (std::uint32_t& p : in)
            p = random();
        std::vector<int> columns(static_cast<std::size_t>(to));
        for (int x = 0; x < to; ++x)
            columns[std::size_t(x)] = NearestSourceIndex(x, from, to);
        for (int first : {0, 3, to / 2}) {
            const int count = to - first - first % 5;
            std::vector<std::uint32_t> expected(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i)
                expected[std::size_t(i)] = in[std::size_t(columns[std::size_t(first + i)])] | 0xFF000000u;
            for (const pixelops::ScaledRowVersion& version : versions) {
                std::vector<std::uint32_t> out(std::size_t(count) + 1, 7);
                version.fill(out.data(), in.data(), from, columns.data() + first, count, 0xFF000000u);
                EXPECT_EQ(out.back(), 7u) << version.name << ": written past the row";
                out.pop_back();
                EXPECT_EQ(out, expected) << version.name << " " << from << " to " << to << " from " << first;
            }
        }
    }
}
