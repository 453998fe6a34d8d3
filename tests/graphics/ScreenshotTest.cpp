// A windowed demo form on a virtual X display: the frame thread draws a scene, the window
// shows it, and the screen grab shows the window's picture. (The names keep clear of the
// ThreadSanitizer run's filter: Qt's X platform threads are not instrumented.)
#include "GraphicsTestSupport.h"
#include "graphics/DDCanvas.h"
#include "graphics/DDForm.h"
#include "graphics/ImageLoaders.h"
#include "platform/ddraw/QtPresenter.h"
#include "platform/framework/Application.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr DWORD kBackground = 0x203060;
constexpr DWORD kSprite = 0xF0A020;
constexpr DWORD kBottom = 0x30C040; // the picture's last rows
constexpr int kBottomRows = 16;

class ShotForm : public TDDForm {
    VX_CLASS(ShotForm, TDDForm)
public:
    ShotForm(TComponent* owner, int width, int height) : TDDForm(owner) {
        DDWindowed = true;
        SetDDWidth(width);
        SetDDHeight(height);
        SetDDBPP(32); // the fill values below are 32-bit pixels
        SetCaption("Vortamix graphics demo");
        Title = new TDDSurface(this);
        Title->Width = 200;
        Title->Height = 40;
        Title->AutoColorKey = false;
        Title->OnUpdate = [this](TObject*) {
            TDDCanvas* canvas = Title->Canvas;
            canvas->Font().SetSize(20);
            canvas->Font().SetColor(clWhite);
            canvas->Brush().SetStyle(bsClear);
            canvas->TextOut(4, 4, "Vortamix");
            canvas->Release();
        };
        OnDDUpdateDisplay = [this](TObject*) { drawFrame(); };
    }
    TDDSurface* Title;
    std::atomic<int> frames{0};

private:
    void drawFrame() {
        DDBLTFX fx;
        fx.dwFillColor = kBackground;
        BackSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        fx.dwFillColor = kSprite;
        int x = 40 + int(FrameTick.load() / 20 % 200);
        RECT box{x, 120, x + 48, 168};
        BackSurface->Blt(&box, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        BackSurface->BltFast(60, 40, Title->Surface, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
        fx.dwFillColor = kBottom;
        RECT bottom{0, DDHeight() - kBottomRows, DDWidth(), DDHeight()};
        BackSurface->Blt(&bottom, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        frames.fetch_add(1);
    }
};

bool haveTools() {
    return std::system("command -v Xvfb >/dev/null && command -v import >/dev/null") == 0;
}

} // namespace

// Run by tools/screenshot.sh on the virtual display, never by ctest directly.
TEST(ScreenshotDemo, DISABLED_ShowsFramesAndGrabsTheScreen) {
    const char* output = std::getenv("VX_SCREENSHOT");
    ASSERT_NE(output, nullptr);
    DDrawTest::Reset();
    Application->Initialize();
    int width = 320, height = 240;
    if (const char* size = std::getenv("VX_SCREENSHOT_SIZE")) std::sscanf(size, "%dx%d", &width, &height);
    auto* form = new ShotForm(Application, width, height);
    const char* mode = std::getenv("VX_SCREENSHOT_MODE");
    form->DDWindowed = !(mode && std::string(mode) == "fullscreen");
    form->LoadTree();
    form->Show();
    form->SetDDActive(true);
    auto* presenter = dynamic_cast<QtPresenter*>(form->FramePresenter());
    ASSERT_NE(presenter, nullptr);
    for (long round = 0; round < 50'000'000 && presenter->FramesPainted() < 60; ++round)
        Application->ProcessMessages();
    EXPECT_GE(presenter->FramesPainted(), 60);
    EXPECT_EQ(std::system((std::string("import -window root ") + output).c_str()), 0);
    form->SetDDActive(false);
    delete form;
}

// Runs the demo through tools/screenshot.sh and decodes the grabbed screen (800 x 600 unless
// given).
DecodedImage grabScreen(const std::string& mode, const std::string& screen = "800x600x24",
                        const std::string& picture = "320x240") {
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string png = TempPath("screenshot.png"), bmp = TempPath("screenshot.bmp");
    std::string script = std::string(VX_SOURCE_DIR) + "/tools/screenshot.sh";
    DecodedImage shot;
    std::string run = "\"" + script + "\" \"" + self + "\" \"" + png + "\" " + mode + " " + screen + " " +
                      picture + " >/dev/null 2>&1";
    if (std::system(run.c_str()) != 0 ||
        std::system(("convert \"" + png + "\" -type TrueColor BMP3:\"" + bmp + "\"").c_str()) != 0)
        return shot;
    std::ifstream file(bmp, std::ios::binary);
    std::vector<BYTE> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DecodeBmp(data.data(), data.size(), shot);
    return shot;
}

TEST(ScreenshotUnderXvfb, ShowsTheWindowedPicture) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    DecodedImage shot = grabScreen("window");
    ASSERT_EQ(shot.width, 800);
    int background = 0, sprite = 0, text = 0;
    for (std::uint32_t pixel : shot.pixels) {
        background += pixel == kBackground;
        sprite += pixel == kSprite;
        text += pixel == 0xFFFFFF;
    }
    EXPECT_GT(background, 320 * 240 / 2) << "the window shows the frame's background";
    EXPECT_EQ(sprite, 48 * 48) << "one whole moving box";
    EXPECT_GT(text, 50) << "the title text drawn through the surface canvas";
}

TEST(ScreenshotUnderXvfb, ShowsTheFullScreenPictureScaledToTheScreen) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    DecodedImage shot = grabScreen("fullscreen");
    ASSERT_EQ(shot.width, 800);
    int background = 0, sprite = 0;
    for (std::uint32_t pixel : shot.pixels) {
        background += pixel == kBackground;
        sprite += pixel == kSprite;
    }
    // 320 x 240 scaled to the whole 800 x 600 screen: 2.5 times in each direction.
    EXPECT_GT(background, 800 * 600 * 3 / 4);
    EXPECT_NEAR(sprite, 120 * 120, 2 * 120 + 4) << "the 48 x 48 box scaled by 2.5";
}

// A window taller than 1080 rows on a screen that holds it shows its whole picture.
TEST(ScreenshotUnderXvfb, ShowsTheBottomRowsOfAPictureTallerThan1080Rows) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    DecodedImage shot = grabScreen("window", "1400x1300x24", "1280x1200");
    ASSERT_EQ(shot.width, 1400);
    int bottom = 0;
    for (std::uint32_t pixel : shot.pixels)
        bottom += pixel == kBottom;
    EXPECT_EQ(bottom, 1280 * kBottomRows) << "the last rows of the 1200-row picture";
}
