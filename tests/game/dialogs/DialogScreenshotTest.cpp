// The title and about dialogs on a virtual X display: the test runs itself on a virtual X display,
// the disabled case shows one dialog and grabs the screen, and the grab is read back as
// raw pixels.
#include "game/About.h"
#include "game/SndSet.h"
#include "game/Title.h"

#include "platform/files/FileNames.h"
#include "platform/framework/Application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

constexpr int screenWidth = 800;
constexpr int screenHeight = 600;

struct Screen8 {
    std::vector<unsigned char> rgb; // 800 x 600, three bytes a pixel
    RECT probe{};                   // where the dialog's probed control lies on the screen

    int count(unsigned char r, unsigned char g, unsigned char b, int tolerance = 0) const {
        int n = 0;
        for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
            n += std::abs(rgb[i] - r) <= tolerance && std::abs(rgb[i + 1] - g) <= tolerance &&
                 std::abs(rgb[i + 2] - b) <= tolerance;
        return n;
    }
    // Whether every pixel of the colour lies inside the rectangle.
    // Pixels inside rect darker than limit in every channel.
    int darkInside(const RECT& rect, int limit) const {
        int n = 0;
        for (int y = std::max(0, int(rect.top)); y < std::min(screenHeight, int(rect.bottom)); ++y)
            for (int x = std::max(0, int(rect.left)); x < std::min(screenWidth, int(rect.right)); ++x) {
                const unsigned char* p = &rgb[(std::size_t(y) * screenWidth + std::size_t(x)) * 3];
                n += p[0] < limit && p[1] < limit && p[2] < limit;
            }
        return n;
    }
    bool onlyInside(unsigned char r, unsigned char g, unsigned char b, int tolerance,
                    const RECT& rect) const {
        for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
            int x = static_cast<int>(i / 3) % screenWidth;
            int y = static_cast<int>(i / 3) / screenWidth;
            bool match = std::abs(rgb[i] - r) <= tolerance && std::abs(rgb[i + 1] - g) <= tolerance &&
                         std::abs(rgb[i + 2] - b) <= tolerance;
            if (match && (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom)) return false;
        }
        return true;
    }
};

// Where a centred dialog of this client size lands on the 800 x 600 screen (a frame of
// a few pixels allowed).
RECT centred(int width, int height) {
    int left = (screenWidth - width) / 2;
    int top = (screenHeight - height) / 2;
    return {left - 8, top - 30, left + width + 8, top + height + 8};
}

bool haveTools() {
    return std::system("command -v Xvfb >/dev/null && command -v import >/dev/null && "
                       "command -v convert >/dev/null") == 0;
}

// Runs the disabled case for dialog on a fresh virtual display and reads the grab.
Screen8 grabDialog(const std::string& dialog) {
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string png = std::string(VX_TEST_TMP) + "/" + dialog + ".png";
    std::string raw = std::string(VX_TEST_TMP) + "/" + dialog + ".rgb";
    // The X platform's system libraries keep allocations until exit; the grab is all this
    // run is for, so a sanitizer build does not check it for leaks.
    std::string run = "ASAN_OPTIONS=detect_leaks=0 VX_DIALOG_SHOT=\"" + png + "\" VX_DIALOG=" + dialog +
                      " QT_QPA_PLATFORM=xcb \"" VX_SOURCE_DIR "/tools/on-xvfb.sh\" 800x600x24 \"" + self +
                      "\" --gtest_also_run_disabled_tests "
                      "--gtest_filter=DialogScreenshot.DISABLED_ShowsOneDialog >/dev/null 2>&1";
    Screen8 screen;
    if (std::system(run.c_str()) != 0 ||
        std::system(("convert \"" + png + "\" -depth 8 rgb:\"" + raw + "\"").c_str()) != 0)
        return screen;
    std::ifstream file(raw, std::ios::binary);
    screen.rgb.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    std::ifstream probe(png + ".probe");
    probe >> screen.probe.left >> screen.probe.top >> screen.probe.right >> screen.probe.bottom;
    return screen;
}

// The sound settings as the player leaves them: both "Enabled" boxes as given.
TForm* soundSettings(bool enabled, TControl*& probe) {
    auto* form = new TSndSetForm(nullptr);
    form->LoadTree();
    form->DoCreate();
    form->MenuSFX->SetChecked(enabled);
    form->MenuMusic->SetChecked(enabled);
    probe = form->TestButton;
    return form;
}

} // namespace

// Run by the cases below on a virtual display, never by ctest directly.
TEST(DialogScreenshot, DISABLED_ShowsOneDialog) {
    const char* output = std::getenv("VX_DIALOG_SHOT");
    const char* dialog = std::getenv("VX_DIALOG");
    ASSERT_NE(output, nullptr);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(chdir(VX_RUN_DIR), 0) << "the game's data tree";
    SetExeName(std::string(VX_RUN_DIR) + "/vortamix");
    Application->Initialize();
    const std::string name = dialog;
    TControl* probe = nullptr;
    TForm* form = nullptr;
    if (name == "sndset-on" || name == "sndset-off") {
        form = soundSettings(name == "sndset-on", probe);
    } else {
        form = name == "title" ? static_cast<TForm*>(new TTitleForm(nullptr))
                               : static_cast<TForm*>(new TAboutForm(nullptr));
        form->LoadTree();
        form->DoCreate();
    }
    form->Show();
    // The X server maps and paints the window in its own time: pump events for a while of
    // real time, not a number of rounds (an idle pump returns at once).
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(std::system((std::string("import -window root \"") + output + "\"").c_str()), 0);
    if (probe) {
        const POINT origin = probe->ClientToScreen(POINT{0, 0});
        std::ofstream(std::string(output) + ".probe")
            << origin.x << ' ' << origin.y << ' ' << origin.x + probe->Width() << ' '
            << origin.y + probe->Height();
    }
    delete form;
}

TEST(DialogScreenshotUnderXvfb, TitleShowsItsShadowedLettersCentredOnTheScreen) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    Screen8 screen = grabDialog("title");
    ASSERT_EQ(screen.rgb.size(), std::size_t{screenWidth * screenHeight * 3});
    EXPECT_GT(screen.count(255, 0, 0, 8), 1500) << "VORT and AMIX in red";
    EXPECT_GT(screen.count(255, 255, 255, 8), 300) << "white shadows and the version lines";
    EXPECT_TRUE(screen.onlyInside(255, 0, 0, 8, centred(287, 348))) << "the splash is centred";
}

TEST(DialogScreenshotUnderXvfb, AboutShowsItsLinksInBlue) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    Screen8 screen = grabDialog("about");
    ASSERT_EQ(screen.rgb.size(), std::size_t{screenWidth * screenHeight * 3});
    DWORD face = ColorToRGB(clBtnFace);
    EXPECT_GT(screen.count(0, 0, 255, 30), 100) << "two underlined blue links";
    EXPECT_TRUE(screen.onlyInside(0, 0, 255, 30, centred(242, 333)));
    EXPECT_GT(screen.count(GetRValue(face), GetGValue(face), GetBValue(face), 2), 242 * 60)
        << "the panel around the texts";
}

TEST(DialogScreenshotUnderXvfb, TheDeadTestButtonLooksDisabled) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    Screen8 live = grabDialog("sndset-on");
    Screen8 dead = grabDialog("sndset-off");
    ASSERT_EQ(live.rgb.size(), std::size_t{screenWidth * screenHeight * 3});
    ASSERT_EQ(dead.rgb.size(), live.rgb.size());
    ASSERT_GT(live.probe.right - live.probe.left, 20) << "the Test button was found";
    EXPECT_GT(live.darkInside(live.probe, 70), 20) << "black text on the usable button";
    EXPECT_EQ(dead.darkInside(dead.probe, 70), 0) << "greyed text once sound effects are off";
}
