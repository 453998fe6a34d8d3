#include "FormTestSupport.h"
#include "graphics/DDCanvas.h"
#include "platform/ddraw/DirectXInfo.h"
#include "platform/ddraw/ProportionalScale.h"
#include "platform/framework/Menus.h"
#include "tests/ScreenshotRunner.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Answers a fixed DirectX version from its diagnostics.
class FixedVersion : public DirectXInfoSource {
public:
    FixedVersion(DWORD major, DWORD minor) : major_(major), minor_(minor) { SetDirectXInfoSource(this); }
    ~FixedVersion() override { SetDirectXInfoSource(nullptr); }
    bool OpenDiagnostics() override { return true; }
    void CloseDiagnostics() override {}
    HRESULT GetDiagProperty(const std::string&, const std::string& name, DiagValue& value) override {
        if (name == "szDirectXVersionLetter")
            value = {DiagValueType::String, 0, " "};
        else
            value = {DiagValueType::UInt32, name == "dwDirectXVersionMajor" ? major_ : minor_, {}};
        return 0;
    }
    std::string SystemDirectory() override { return {}; }
    bool GetFileVersion(const std::string&, DWORD&, DWORD&) override { return false; }

private:
    DWORD major_, minor_;
};

std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return {};
}

} // namespace

using DDFormLoading = FormTest;

TEST_F(DDFormLoading, RefusesDirectXBelowSevenAndAcceptsSeven) {
    {
        FixedVersion old(6, 1);
        EXPECT_EQ(failureOf([&] { Create(); }), "TDDForm: Need DirectX 7.0 or better");
        delete form;
        form = nullptr;
    }
    FixedVersion seven(7, 0);
    EXPECT_EQ(failureOf([&] { Create(); }), "");
    EXPECT_NE(form->DirectDraw7, nullptr);
}

TEST_F(DDFormLoading, MissingLibraryEntryOrInterfaceIsReported) {
    DDrawTest::SetEntryMissing(true);
    EXPECT_EQ(failureOf([&] { Create(); }), "TDDForm: Create DirectDraw Object FAILED");
    EXPECT_EQ(form->DDrawLibrary, nullptr);
    delete form;
    form = nullptr;
    DDrawTest::SetEntryMissing(false);
    DDrawTest::FailNext(DDOperation::QueryInterface, 1, E_FAIL);
    EXPECT_EQ(failureOf([&] { Create(); }), "TDDForm: QueryInterface FAILED");
}

using DDFormSurfaces = FormTest;

TEST_F(DDFormSurfaces, AreInitialisedInReverseComponentOrder) {
    Create([](DemoForm& f) {
        f.AddBlank("first", 8, 8);
        f.AddBlank("second", 8, 8);
    });
    Activate();
    EXPECT_EQ(form->log,
              (std::vector<std::string>{"init second", "update second", "init first", "update first"}));
    ASSERT_EQ(form->SurfaceList->Count(), 2);
    EXPECT_EQ(form->SurfaceList->Get(0)->Name(), "second");
}

TEST_F(DDFormSurfaces, WindowedSetUpHasABackSurfaceOfTheFormSizeShowingLoading) {
    Create();
    Activate();
    ASSERT_TRUE(form->SurfacesReady);
    DDSURFACEDESC2 desc;
    form->BackSurface->GetSurfaceDesc(&desc);
    EXPECT_EQ(desc.dwWidth, 320u);
    EXPECT_EQ(desc.dwHeight, 240u);
    bool textDrawn = false;
    for (int x = 120; x < 200 && !textDrawn; ++x)
        for (int y = 100; y < 124 && !textDrawn; ++y)
            textDrawn = ReadPixel(form->BackSurface, x, y) != 0;
    EXPECT_TRUE(textDrawn) << "\"Loading...\" in the middle of the back surface";
    EXPECT_NE(form->EffectBlitter, nullptr) << "the desktop is 32 bits per pixel";
}

TEST_F(DDFormSurfaces, EightBitModeWithoutPaletteFileGetsColourRamps) {
    Create([](DemoForm& f) {
        f.DDWindowed = false;
        f.SetDDBPP(8);
        f.ChangeSize(640, 480, 8);
    });
    Activate();
    ASSERT_NE(form->Palette, nullptr);
    PALETTEENTRY e[256];
    form->Palette->GetEntries(0, 0, 256, e);
    EXPECT_EQ(e[10], (PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(e[73], (PALETTEENTRY{255, 0, 0, 0}));
    EXPECT_EQ(e[74], (PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(e[137], (PALETTEENTRY{0, 255, 0, 0}));
    EXPECT_EQ(e[138], (PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(e[201], (PALETTEENTRY{0, 0, 255, 0}));
    PALETTEENTRY system[256];
    GetSystemPaletteEntries(system);
    EXPECT_EQ(e[5], system[5]);
    EXPECT_EQ(e[250], system[250]);
    EXPECT_EQ(form->EffectBlitter, nullptr);
}

TEST_F(DDFormSurfaces, EightBitModeTakesThePaletteFile) {
    std::vector<DWORD> colors(256, 0x000000);
    colors[42] = 0x123456;
    std::string path = TempPath("form_palette.bmp");
    WriteFile(path, EncodeBmp8(1, 1, {0}, colors));
    Create([&](DemoForm& f) {
        f.DDWindowed = false;
        f.DDPalFileName = path;
        f.ChangeSize(640, 480, 8);
    });
    Activate();
    ASSERT_NE(form->Palette, nullptr);
    PALETTEENTRY e;
    form->Palette->GetEntries(0, 42, 1, &e);
    EXPECT_EQ(e, (PALETTEENTRY{0x12, 0x34, 0x56, 0}));
}

TEST_F(DDFormSurfaces, WindowOnAnEightBitDesktopGetsThePaletteToo) {
    DDrawTest::SetDesktopMode(1024, 768, 8);
    TDDSurface* surface = nullptr;
    Create([&](DemoForm& f) { surface = f.AddBlank("s", 8, 8); });
    Activate();
    EXPECT_NE(form->Palette, nullptr);
    DDSURFACEDESC2 desc;
    surface->Surface->GetSurfaceDesc(&desc);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 8u) << "off-screen surfaces take the display's format";
    form->UpdateFrame();
    EXPECT_EQ(form->presenter->LastFrame().width, 320);
}

TEST_F(DDFormSurfaces, FailedStepRaisesItsMessageAndStartsNoThread) {
    Create();
    form->RunFrameThread = true;
    DDrawTest::FailNext(DDOperation::CreateClipper, 1, E_FAIL);
    EXPECT_EQ(failureOf([&] { Activate(); }), "TDDForm: Create Clipper FAILED (Win)");
    EXPECT_EQ(form->FrameThread, nullptr);
    EXPECT_FALSE(form->SurfacesReady);
}

TEST_F(DDFormSurfaces, ExceptionHandlerSwitchesOffAndReports) {
    Create();
    Activate();
    form->ExceptionHandler(form, Exception("boom"));
    EXPECT_FALSE(form->DDActive());
    EXPECT_EQ(form->PrimarySurface, nullptr);
    ASSERT_EQ(messages.Records().size(), 1u);
    EXPECT_EQ(messages.Records()[0].caption, "DirectDraw fatal error");
    EXPECT_EQ(messages.Records()[0].text, "boom");
    EXPECT_EQ(Application->ExitCode(), 1) << "the program ends with a failure status";
    Application->SetExitCode(0);
}

// The application's main form ends it through its close, whose handlers keep what they keep;
// a fatal error raised while closing does not close it again.
TEST_F(DDFormSurfaces, AFatalErrorClosesTheApplicationsMainFormOnce) {
    ASSERT_EQ(Application->MainForm(), nullptr);
    Application->CreateForm(form);
    Activate();
    int closes = 0;
    form->OnClose = [&](TObject*, TCloseAction&) {
        ++closes;
        form->ExceptionHandler(form, Exception("while closing"));
    };
    form->ExceptionHandler(form, Exception("boom"));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(messages.Records().size(), 2u);
    Application->SetExitCode(0);
}

using DDFormDecisions = FormTest;

TEST_F(DDFormDecisions, MakeItSoFollowsTheResult) {
    Create([](DemoForm& f) { f.AddBlank("s", 4, 4); });
    Activate();
    form->log.clear();
    EXPECT_TRUE(form->MakeItSo(DD_OK));
    EXPECT_FALSE(form->MakeItSo(DDERR_WASSTILLDRAWING));
    EXPECT_TRUE(form->MakeItSo(E_FAIL));
    EXPECT_TRUE(form->log.empty());
    DDrawTest::LoseAllSurfaces(false);
    EXPECT_FALSE(form->MakeItSo(DDERR_SURFACELOST)) << "restored: repeat";
    EXPECT_EQ(form->log, (std::vector<std::string>{"update s"}));
    DDrawTest::LoseAllSurfaces(true);
    EXPECT_TRUE(form->MakeItSo(DDERR_SURFACELOST)) << "not restorable: give up";
}

TEST_F(DDFormDecisions, RestoreStopsAtTheFirstFailure) {
    Create([](DemoForm& f) { f.AddBlank("s", 4, 4); });
    Activate();
    form->log.clear();
    DDrawTest::LoseAllSurfaces(false);
    int before = DDrawTest::CallCount(DDOperation::Restore);
    DDrawTest::FailNext(DDOperation::Restore, 1, E_FAIL);
    EXPECT_FALSE(form->RestoreAll());
    EXPECT_EQ(DDrawTest::CallCount(DDOperation::Restore) - before, 1)
        << "the primary failed, nothing else tried";
    EXPECT_TRUE(form->log.empty());
    EXPECT_TRUE(form->RestoreAll());
    EXPECT_EQ(DDrawTest::CallCount(DDOperation::Restore) - before, 4) << "primary, back, then the surface";
}

using DDFormScreen = FormTest;

TEST_F(DDFormScreen, ChangeSizeBeforeActivationOnlyStores) {
    Create();
    form->ChangeSize(800, 600, 32);
    EXPECT_EQ(form->DDWidth(), 800);
    EXPECT_EQ(form->DDBPP(), 32);
    EXPECT_FALSE(form->DDActive());
    EXPECT_EQ(form->PrimarySurface, nullptr);
}

TEST_F(DDFormScreen, ChangeSizeWhileActiveRebuildsTheSurfaces) {
    Create();
    Activate();
    form->ChangeSize(640, 480, 16);
    ASSERT_TRUE(form->SurfacesReady);
    DDSURFACEDESC2 desc;
    form->BackSurface->GetSurfaceDesc(&desc);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_EQ(form->ClientWidth(), 640);
}

TEST_F(DDFormScreen, ToggleToTheCurrentModeChangesNothing) {
    Create();
    Activate();
    IDirectDrawSurface7* primary = form->PrimarySurface;
    form->ToggleScreen(1);
    EXPECT_EQ(form->PrimarySurface, primary);
    form->ToggleScreen(2);
    EXPECT_FALSE(form->DDWindowed);
    primary = form->PrimarySurface;
    form->ToggleScreen(2);
    EXPECT_EQ(form->PrimarySurface, primary);
}

TEST_F(DDFormScreen, AFullScreenModeTheDeviceRefusesLeavesTheFormInItsWindow) {
    Create();
    Activate();
    form->SetBounds(30, 40, form->Width(), form->Height());
    const RECT window = form->BoundsRect();
    DDrawTest::FailNext(DDOperation::SetDisplayMode, 1, DDERR_UNSUPPORTED);
    EXPECT_EQ(failureOf([&] { form->ToggleScreen(0); }), "TDDForm: Set Display Mode FAILED (FS)");
    EXPECT_TRUE(form->DDWindowed);
    EXPECT_TRUE(form->SurfacesReady);
    EXPECT_EQ(form->BorderStyle(), bsSizeable);
    EXPECT_EQ(form->BoundsRect(), window);
}

TEST_F(DDFormScreen, MaximisingGoesFullScreenAndRestoringComesBack) {
    Create();
    Activate();
    form->Perform(WM_SIZE, SIZE_MAXIMIZED);
    EXPECT_FALSE(form->DDWindowed);
    EXPECT_TRUE(form->SurfacesReady);
    DDSCAPS2 caps;
    form->PrimarySurface->GetCaps(&caps);
    EXPECT_TRUE(caps.dwCaps & DDSCAPS_FLIP);
    form->Perform(WM_SIZE, SIZE_RESTORED);
    EXPECT_TRUE(form->DDWindowed);
    EXPECT_TRUE(form->SurfacesReady);
}

TEST_F(DDFormScreen, FullScreenClipAttachesTheClipperToThePrimary) {
    Create([](DemoForm& f) { f.DDWindowed = false; });
    Activate();
    IDirectDrawClipper* clipper = nullptr;
    EXPECT_EQ(form->PrimarySurface->GetClipper(&clipper), DDERR_NOTFOUND);
    form->SetFullScreenClip(true);
    ASSERT_EQ(form->PrimarySurface->GetClipper(&clipper), DD_OK);
    EXPECT_EQ(clipper, form->Clipper);
    clipper->Release();
    form->SetFullScreenClip(false);
    EXPECT_EQ(form->PrimarySurface->GetClipper(&clipper), DDERR_NOTFOUND);
}

TEST_F(DDFormScreen, PaintingTheWindowPresentsTheBackSurface) {
    Create();
    Activate();
    int before = form->presenter->FrameCount();
    form->Perform(WM_PAINT);
    EXPECT_EQ(form->presenter->FrameCount(), before + 1);
    EXPECT_EQ(form->presenter->LastFrame().width, 320);
}

// Paused in full screen the menu bar floats over the picture, which is scaled to the screen
// keeping its shape. The paused frame redraws only the rows below the bar: the first screen
// row the bar leaves free must show the first of them. Rows hidden wholly under the bar need
// no drawing; a row the bar covers only partly must be drawn. (On the test screen the bar
// lies in the border above the picture; the virtual displays below have it on the picture.)
TEST_F(DDFormScreen, TheFullScreenMenuBarHidesOnlyPictureRowsItCoversWholly) {
    int pictureWidth = 640, pictureHeight = 480;
    if (const char* size = std::getenv("VX_PICTURE_SIZE"))
        std::sscanf(size, "%dx%d", &pictureWidth, &pictureHeight);
    auto* menu = new TMainMenu(nullptr);
    auto* entry = new TMenuItem(menu);
    entry->SetCaption("&Game");
    menu->Items()->Add(entry);
    Create([&](DemoForm& f) {
        f.DDWindowed = false;
        f.SetMenu(menu);
        f.ChangeSize(pictureWidth, pictureHeight, 32);
    });
    Activate();
    form->SetFullScreenClip(true);
    const RECT monitor = form->MonitorRect();
    const int width = monitor.right - monitor.left, height = monitor.bottom - monitor.top;
    const int bar = form->MenuBarHeight();
    ASSERT_GT(bar, 0);
    // Each picture pixel holds its row number (and a bit that no bar pixel has).
    std::vector<std::uint32_t> picture(std::size_t(pictureWidth * pictureHeight)),
        screen(std::size_t(width * height));
    for (std::size_t i = 0; i < picture.size(); ++i)
        picture[i] = std::uint32_t(i / std::size_t(pictureWidth)) | 0x1000000u;
    ScaleKeepingAspect(picture.data(), pictureWidth, pictureHeight, screen.data(), width, height);
    const int firstFree = std::max(bar, int(AspectFitRect(pictureWidth, pictureHeight, width, height).top));
    EXPECT_EQ(screen[std::size_t(firstFree * width + width / 2)],
              std::uint32_t(form->MenuBarOnPicture()) | 0x1000000u)
        << pictureWidth << " x " << pictureHeight << " on " << width << " x " << height << ", bar " << bar;
    form->SetFullScreenClip(false);
    delete form;
    form = nullptr;
    delete menu;
}

TEST(DDFormScreenUnderXvfb, TheFullScreenMenuBarHidesOnlyPictureRowsItCoversWholly) {
    if (!vx_test::HaveScreenshotTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    for (const auto& [screen, picture] :
         {std::pair{"1920x1200x24", "640x480"}, {"1920x1200x24", "1024x768"}, {"800x600x24", "640x480"}})
        EXPECT_TRUE(vx_test::RunOnVirtualDisplay(
            std::string("VX_PICTURE_SIZE=") + picture, screen,
            "DDFormScreen.TheFullScreenMenuBarHidesOnlyPictureRowsItCoversWholly"))
            << picture << " on " << screen;
}
