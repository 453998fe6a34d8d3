// A shadowed label's focus rectangle under a real X server: the disabled case runs on a fresh
// virtual display, moves the keyboard focus with the Tab key as a user would (xdotool) and
// grabs the screen at each step; the case below reads the label's pixels back. The pictures
// are kept in the build's "screenshots" folder for a person to look at.
#include "platform/framework/Application.h"
#include "platform/framework/StdCtrls.h"
#include "tests/ScreenshotRunner.h"
#include "toolkit/KXCtrls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

constexpr int screenWidth = 320;
constexpr int screenHeight = 200;

std::string shotFolder() {
    const std::string folder = std::string(VX_TEST_TMP_ROOT) + "/../screenshots";
    std::filesystem::create_directories(folder);
    return folder;
}

// Dark pixels inside box of a grab.
int darkIn(const std::vector<unsigned char>& rgb, const RECT& box) {
    int count = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            const unsigned char* p = &rgb[(std::size_t(y) * screenWidth + std::size_t(x)) * 3];
            count += p[0] < 90 && p[1] < 90 && p[2] < 90;
        }
    return count;
}

} // namespace

// Run by the case below on a virtual display, never by ctest directly.
TEST(KxLabelDesktop, DISABLED_MovesTheFocusWithTab) {
    const char* shots = std::getenv("VX_LABEL_SHOTS");
    ASSERT_NE(shots, nullptr);
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, screenWidth, screenHeight);
    auto* label = new TKxLabel(form);
    label->SetParent(form);
    label->SetLeft(20);
    label->SetTop(20);
    label->Font().SetName("Arial");
    label->Font().SetHeight(-20);
    label->SetShadowSize(0);
    label->SetCaption("&Name");
    auto* first = new TEdit(form);
    first->SetParent(form);
    first->SetBounds(20, 80, 120, 24);
    auto* named = new TEdit(form);
    named->SetParent(form);
    named->SetBounds(20, 130, 120, 24);
    label->SetFocusControl(named);
    label->SetShowFocus(true);
    form->Show();
    first->SetFocus();
    ASSERT_TRUE(vx_test::PumpUntil([&] { return first->Focused(); }));
    vx_test::PumpFor(500);
    const std::string folder = shots;
    vx_test::GrabScreen(folder + "/label-unfocused.png");
    for (const char* step : {"Tab", "shift+Tab"}) {
        TEdit* next = std::string(step) == "Tab" ? named : first;
        ASSERT_EQ(std::system(("xdotool key " + std::string(step)).c_str()), 0);
        ASSERT_TRUE(vx_test::PumpUntil([&] { return next->Focused(); })) << step;
        vx_test::PumpFor(500);
        vx_test::GrabScreen(folder + (next == named ? "/label-focused.png" : "/label-after.png"));
    }
    const RECT box = label->BoundsRect();
    std::ofstream(folder + "/label-box.txt")
        << box.left << ' ' << box.top << ' ' << box.right << ' ' << box.bottom;
    form->Free();
}

TEST(KxLabelOnXvfb, TheFocusRectangleShowsWhileTheUserHasTabbedToTheFocusControl) {
    if (!vx_test::HaveScreenshotTools() || std::system("command -v xdotool >/dev/null") != 0)
        GTEST_SKIP() << "Xvfb, ImageMagick or xdotool missing";
    const std::string folder = shotFolder();
    ASSERT_TRUE(
        vx_test::RunOnVirtualDisplay("VX_LABEL_SHOTS=\"" + folder + "\"",
                                     std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24",
                                     "KxLabelDesktop.DISABLED_MovesTheFocusWithTab"));
    RECT box{};
    std::ifstream(folder + "/label-box.txt") >> box.left >> box.top >> box.right >> box.bottom;
    ASSERT_GT(box.right, box.left);
    std::map<std::string, int> dark;
    for (const char* shot : {"unfocused", "focused", "after"}) {
        const std::string png = folder + "/label-" + shot + ".png";
        const std::vector<unsigned char> rgb = vx_test::ReadRgb(png, png + ".rgb");
        ASSERT_EQ(rgb.size(), std::size_t(screenWidth) * screenHeight * 3) << shot;
        dark[shot] = darkIn(rgb, box);
    }
    EXPECT_GT(dark["unfocused"], 50) << "the caption";
    EXPECT_GT(dark["focused"], dark["unfocused"] + box.right - box.left) << "a dotted frame round it";
    EXPECT_EQ(dark["after"], dark["unfocused"]) << "gone with the focus";
}
