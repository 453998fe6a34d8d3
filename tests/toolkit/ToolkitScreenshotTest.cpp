// The toolkit on a real X display: rotated text, disabled pictures, shading and the hand
// cursors drawn on a form, a frame inverted on the screen and inverted back, the folder
// browser, and a shadowed label's focus rectangle as the user tabs to and from its control
// (xdotool). The test runs itself on a virtual display, the disabled case shows and grabs,
// and the grabs are read back as raw pixels. The pictures are kept in the build's
// "screenshots" folder for a person to look at.
#include "platform/framework/Application.h"
#include "platform/framework/FolderDialog.h"
#include "platform/framework/Icon.h"
#include "platform/framework/StdCtrls.h"
#include "tests/ScreenshotRunner.h"
#include "toolkit/FileUtil.h"
#include "toolkit/KXCtrls.h"
#include "toolkit/Kxconst.h"
#include "toolkit/kxUiUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

constexpr int screenWidth = 800;
constexpr int screenHeight = 600;
constexpr POINT textOrigin{130, 160}; // where the rotated texts start, in the form

std::string shotFolder() {
    const std::string folder = std::string(VX_TEST_TMP_ROOT) + "/../screenshots";
    std::filesystem::create_directories(folder);
    return folder;
}

struct Grab {
    std::vector<unsigned char> rgb;
    bool ok() const { return rgb.size() == std::size_t(screenWidth) * screenHeight * 3; }
    int darkIn(const RECT& r) const {
        int n = 0;
        for (int y = std::max(0, r.top); y < std::min(screenHeight, r.bottom); ++y)
            for (int x = std::max(0, r.left); x < std::min(screenWidth, r.right); ++x) {
                const unsigned char* p = &rgb[(std::size_t(y) * screenWidth + std::size_t(x)) * 3];
                n += p[0] < 100 && p[1] < 100 && p[2] < 100;
            }
        return n;
    }
    bool dark(int x, int y) const { return darkIn({x, y, x + 1, y + 1}) == 1; }
    // Pixels inside r that show ink of any colour (far from white).
    int inkIn(const RECT& r) const {
        int n = 0;
        for (int y = std::max(0, r.top); y < std::min(screenHeight, r.bottom); ++y)
            for (int x = std::max(0, r.left); x < std::min(screenWidth, r.right); ++x) {
                const unsigned char* p = &rgb[(std::size_t(y) * screenWidth + std::size_t(x)) * 3];
                n += p[0] + p[1] + p[2] < 450;
            }
        return n;
    }
};

Grab readGrab(const std::string& png) {
    return Grab{vx_test::ReadRgb(png, png + ".rgb")};
}

// Runs the disabled case on a fresh virtual display; the grabs land in the shot folder.
bool runCase(const std::string& name) {
    return vx_test::RunOnVirtualDisplay("VX_TOOLKIT_SHOT=\"" + shotFolder() + "/" + name +
                                            "\" VX_TOOLKIT_CASE=" + name,
                                        "800x600x24", "ToolkitScreenshot.DISABLED_ShowsOneCase");
}

std::unique_ptr<TBitmap> glyph() {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(32, 32);
    TCanvas& c = bitmap->Canvas();
    c.Brush().SetColor(clFuchsia);
    c.FillRect({0, 0, 32, 32});
    c.Brush().SetColor(clRed);
    c.Pen().SetColor(clMaroon);
    c.Ellipse(4, 4, 28, 28);
    c.Brush().SetColor(clYellow);
    c.FillRect({12, 8, 20, 24});
    return bitmap;
}

void drawCursor(TCanvas& canvas, TCursor id, int x, int y) {
    const HCURSOR cursor = Screen->Cursors(id);
    TIcon icon;
    icon.SetArgbPixels(cursor->Width(), cursor->Height(), cursor->Pixels());
    canvas.Draw(x, y, icon);
}

void paintDemo(TCanvas& canvas) {
    canvas.Brush().SetStyle(bsClear);
    TFont base;
    base.SetName("Arial");
    base.SetHeight(-16);
    base.SetStyle(fsBold);
    const int angles[] = {0, 45, 90, 180, 270};
    const TColor colours[] = {clBlack, clNavy, clMaroon, clGreen, clPurple};
    for (int i = 0; i < 5; ++i) {
        canvas.Font().SetHandle(kxUiUtils::CreateRotatedFont(base, angles[i]));
        canvas.Font().SetColor(colours[i]);
        canvas.TextOut(textOrigin.x, textOrigin.y, "Vortamix " + std::to_string(angles[i]));
    }
    canvas.Font().SetOrientation(0);
    canvas.Brush().SetStyle(bsSolid);
    const auto picture = glyph();
    canvas.Draw(300, 20, *picture);
    auto disabled = CreateDisabledBitmap(*picture, clFuchsia);
    canvas.Draw(340, 20, *disabled);
    DrawBitmapTransparent(canvas, 300, 60, *picture, clFuchsia);
    canvas.Brush().SetColor(clTeal);
    canvas.FillRect({300, 100, 380, 140});
    ShadeRect(canvas, {300, 100, 380, 140});
    drawCursor(canvas, KX_HANDCUR, 300, 160);
    drawCursor(canvas, KX_DRAGCUR, 340, 160);
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().SetHeight(-12);
    canvas.Font().SetStyle(0);
    canvas.Font().SetColor(clBlack);
    canvas.TextOut(300, 200, MinimizeText("A caption much too long for its room", canvas, 90));
}

// A label for the second of two edits; the Tab key goes to it and back, and each step is
// grabbed ("-before", "-focused", "-after"); the label's bounds go to the probe file.
void tabToALabelsControl(const std::string& output) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 320, 200);
    auto* label = new TKxLabel(&form);
    label->SetParent(&form);
    label->SetBounds(20, 20, 0, 0);
    label->Font().SetName("Arial");
    label->Font().SetHeight(-20);
    label->SetShadowSize(0);
    label->SetCaption("&Name");
    TEdit* edits[2];
    for (int i = 0; i < 2; ++i) {
        edits[i] = new TEdit(&form);
        edits[i]->SetParent(&form);
        edits[i]->SetBounds(20, 80 + 50 * i, 120, 24);
    }
    label->SetFocusControl(edits[1]);
    label->SetShowFocus(true);
    form.Show();
    edits[0]->SetFocus();
    const auto grabOnceFocused = [&](const char* step, const char* keys, TEdit* focused) {
        ASSERT_EQ(std::system(keys), 0);
        ASSERT_TRUE(vx_test::PumpUntil([&] { return focused->Focused(); })) << step;
        vx_test::PumpFor(500);
        vx_test::GrabScreen(output + step + ".png");
    };
    grabOnceFocused("-before", "true", edits[0]);
    grabOnceFocused("-focused", "xdotool key Tab", edits[1]);
    grabOnceFocused("-after", "xdotool key shift+Tab", edits[0]);
    const RECT box = label->BoundsRect();
    std::ofstream(output + ".probe") << box.left << ' ' << box.top << ' ' << box.right << ' ' << box.bottom;
}

} // namespace

// Run by the cases below on a virtual display, never by ctest directly.
TEST(ToolkitScreenshot, DISABLED_ShowsOneCase) {
    const char* output = std::getenv("VX_TOOLKIT_SHOT");
    const char* which = std::getenv("VX_TOOLKIT_CASE");
    ASSERT_NE(output, nullptr);
    ASSERT_NE(which, nullptr);
    Application->Initialize();
    const std::string name = which;
    if (name == "label") {
        tabToALabelsControl(output);
        return;
    }
    if (name == "browser") {
        TBrowseFolderDlg browser(nullptr);
        browser.SetDialogText("Choose the folder the game's music is in:");
        browser.SetHelpContext(7);
        browser.SetFolderName("/usr/share");
        browser.OnInitialized = [&](TObject*) {
            vx_test::PumpFor(1200);
            vx_test::GrabScreen(std::string(output) + ".png");
            browser.Dialog()->Cancel();
        };
        browser.Execute();
        return;
    }
    TForm form(nullptr);
    form.SetCaption("Toolkit drawing");
    form.SetColor(clWhite);
    form.SetClientWidth(420);
    form.SetClientHeight(320);
    form.SetPosition(poScreenCenter);
    form.OnPaint = [&](TObject*) { paintDemo(form.Canvas()); };
    form.Show();
    vx_test::PumpFor(1500);
    const POINT origin = form.ClientToScreen(POINT{0, 0});
    const RECT frame{origin.x + 10, origin.y + 230, origin.x + 200, origin.y + 300};
    DrawInvertFrame(frame, 3);
    vx_test::PumpFor(500);
    vx_test::GrabScreen(std::string(output) + ".png");
    DrawInvertFrame(frame, 3);
    vx_test::PumpFor(500);
    vx_test::GrabScreen(std::string(output) + "-restored.png");
    std::ofstream(std::string(output) + ".probe") << origin.x << ' ' << origin.y;
}

TEST(ToolkitScreenshot, RotatedTextAndTheInvertedFrameOnARealDisplay) {
    if (!vx_test::HaveScreenshotTools()) GTEST_SKIP() << "Xvfb, import or convert is missing";
    ASSERT_TRUE(runCase("drawing"));
    const std::string base = shotFolder() + "/drawing";
    const Grab shot = readGrab(base + ".png");
    const Grab restored = readGrab(base + "-restored.png");
    ASSERT_TRUE(shot.ok());
    ASSERT_TRUE(restored.ok());
    POINT origin;
    std::ifstream(base + ".probe") >> origin.x >> origin.y;
    const int x = origin.x + textOrigin.x, y = origin.y + textOrigin.y;
    // Each text runs from the start point in its own direction: 90 up, 180 to the left
    // upside down, 270 down; 0 to the right.
    EXPECT_GT(shot.inkIn({x, y - 100, x + 22, y - 10}), 60);
    EXPECT_GT(shot.inkIn({x - 100, y - 22, x - 10, y}), 60);
    EXPECT_GT(shot.inkIn({x - 22, y + 10, x, y + 100}), 60);
    EXPECT_GT(shot.inkIn({x + 10, y, x + 100, y + 22}), 60);
    // Nothing turned the wrong way: no ink where no text runs.
    EXPECT_EQ(shot.inkIn({x - 100, y + 25, x - 25, y + 60}), 0);
    // The inverted frame shows black over the white form, and inverting it again gives
    // the white back; inside the frame nothing changed.
    const RECT frame{origin.x + 10, origin.y + 230, origin.x + 200, origin.y + 300};
    EXPECT_TRUE(shot.dark(frame.left + 1, frame.top + 1));
    EXPECT_TRUE(shot.dark(frame.right - 2, frame.bottom - 2));
    EXPECT_FALSE(shot.dark(frame.left + 20, frame.top + 20));
    EXPECT_FALSE(restored.dark(frame.left + 1, frame.top + 1));
    EXPECT_FALSE(restored.dark(frame.right - 2, frame.bottom - 2));
}

TEST(ToolkitScreenshot, FolderBrowserOnARealDisplay) {
    if (!vx_test::HaveScreenshotTools()) GTEST_SKIP() << "Xvfb, import or convert is missing";
    ASSERT_TRUE(runCase("browser"));
    const Grab shot = readGrab(shotFolder() + "/browser.png");
    ASSERT_TRUE(shot.ok());
    // The dialog stands in the middle of the screen with its text and tree.
    EXPECT_GT(shot.darkIn({250, 100, 550, 500}), 200);
}

TEST(ToolkitScreenshot, ALabelsFocusRectangleShowsWhileTheUserHasTabbedToItsControl) {
    if (!vx_test::HaveScreenshotTools() || std::system("command -v xdotool >/dev/null") != 0)
        GTEST_SKIP() << "Xvfb, ImageMagick or xdotool is missing";
    ASSERT_TRUE(runCase("label"));
    const std::string base = shotFolder() + "/label";
    RECT box{};
    std::ifstream(base + ".probe") >> box.left >> box.top >> box.right >> box.bottom;
    std::map<std::string, int> dark;
    for (const char* step : {"-before", "-focused", "-after"}) {
        const Grab shot = readGrab(base + step + ".png");
        ASSERT_TRUE(shot.ok()) << step;
        dark[step] = shot.darkIn(box);
    }
    EXPECT_GT(dark["-before"], 50) << "the caption";
    EXPECT_GT(dark["-focused"], dark["-before"] + box.right - box.left) << "and a dotted frame round it";
    EXPECT_EQ(dark["-after"], dark["-before"]) << "gone with the focus";
}
