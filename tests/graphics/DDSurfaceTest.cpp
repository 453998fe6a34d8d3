#include "FormTestSupport.h"
#include "graphics/DDCanvas.h"

namespace {

PcxPicture picture(int width, int height, BYTE firstIndex) {
    PcxPicture pcx;
    pcx.width = width;
    pcx.height = height;
    pcx.palette.assign(768, 0);
    pcx.palette[3 * 7] = 0x12, pcx.palette[3 * 7 + 1] = 0x34, pcx.palette[3 * 7 + 2] = 0x56;
    pcx.pixels.assign(std::size_t(width * height), 1);
    pcx.pixels[0] = firstIndex;
    return pcx;
}

std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return {};
}

} // namespace

using DDSurfaceLoad = FormTest;

TEST_F(DDSurfaceLoad, FileSurfaceTakesTheImageSizeAndTopLeftKey) {
    std::string path = TempPath("surface64.pcx");
    WriteFile(path, EncodePcx(picture(64, 32, 7)));
    TDDSurface* surface = nullptr;
    Create([&](DemoForm& f) {
        surface = new TDDSurface(&f);
        surface->FileName = path;
        surface->Width = 5;
        surface->Height = 500;
    });
    Activate();
    EXPECT_EQ(surface->Width, 64);
    EXPECT_EQ(surface->Height, 32);
    DDCOLORKEY key;
    ASSERT_EQ(surface->Surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0x123456u);
}

TEST_F(DDSurfaceLoad, SixteenBitKeyKeepsOnlyTheLowWord) {
    std::string path = TempPath("surface16.pcx");
    WriteFile(path, EncodePcx(picture(8, 8, 7)));
    TDDSurface* surface = nullptr;
    Create([&](DemoForm& f) {
        f.DDWindowed = false;
        f.ChangeSize(640, 480, 16);
        surface = new TDDSurface(&f);
        surface->FileName = path;
    });
    Activate();
    DDCOLORKEY key;
    ASSERT_EQ(surface->Surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, DWORD((0x12 & 0xF8) << 8 | (0x34 & 0xFC) << 3 | 0x56 >> 3));
}

TEST_F(DDSurfaceLoad, BlankSurfaceKeyComesFromTheFormColour) {
    TDDSurface* surface = nullptr;
    Create([&](DemoForm& f) {
        f.DDColorKeyRGB = 0x00FF00; // green as 0x00BBGGRR
        surface = f.AddBlank("blank", 16, 8);
    });
    Activate();
    DDCOLORKEY key;
    ASSERT_EQ(surface->Surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0x00FF00u);
    EXPECT_EQ(ReadPixel(surface->Surface, 0, 0), 0u) << "blank surfaces start black";
}

TEST_F(DDSurfaceLoad, MissingOrBadFilesGiveTheirErrors) {
    Create();
    Activate();
    TDDSurface bmp(form);
    bmp.FileType = ddsBmp;
    bmp.FileName = TempPath("absent.bmp");
    EXPECT_EQ(failureOf([&] { bmp.Init(); }), "Unable to load surface " + bmp.FileName);
    TDDSurface pcx(form);
    pcx.FileName = TempPath("absent.pcx");
    EXPECT_NE(failureOf([&] { pcx.Init(); }).find("Cannot open file"), std::string::npos);
    std::string bad = TempPath("bad.pcx");
    WriteFile(bad, std::vector<BYTE>(1000, 0x55));
    pcx.FileName = bad;
    EXPECT_EQ(failureOf([&] { pcx.Init(); }), "Unable to load surface " + bad);
    EXPECT_EQ(pcx.Surface, nullptr);
}

TEST_F(DDSurfaceLoad, InitWithoutDirectDrawIsRefused) {
    TDDSurface orphan(nullptr);
    EXPECT_EQ(failureOf([&] { orphan.Init(); }), "TDDSurface: DirectDraw Form not initialized");
}

using DDSurfaceUpdate = FormTest;

TEST_F(DDSurfaceUpdate, PcxIsReloadedAndJpegIsNot) {
    std::string pcxPath = TempPath("reload.pcx");
    WriteFile(pcxPath, EncodePcx(picture(4, 4, 7)));
    TDDSurface* pcx = nullptr;
    TDDSurface* jpg = nullptr;
    int jpgUpdates = 0;
    Create([&](DemoForm& f) {
        pcx = new TDDSurface(&f);
        pcx->FileName = pcxPath;
        jpg = f.AddBlank("jpg", 4, 4);
        jpg->OnUpdate = [&](TObject*) { ++jpgUpdates; };
    });
    Activate();
    jpg->FileName = TempPath("never-read.jpg");
    jpg->FileType = ddsJpg;
    WritePixel(pcx->Surface, 0, 0, 0);
    WritePixel(jpg->Surface, 1, 1, 0xABCDEF);
    form->UpdateSurfaces();
    EXPECT_EQ(ReadPixel(pcx->Surface, 0, 0), 0x123456u);
    EXPECT_EQ(ReadPixel(jpg->Surface, 1, 1), 0xABCDEFu);
    EXPECT_EQ(jpgUpdates, 2) << "once when created, once now";
}

TEST_F(DDSurfaceUpdate, LockTwiceKeepsOneLock) {
    TDDSurface* surface = nullptr;
    Create([&](DemoForm& f) { surface = f.AddBlank("s", 4, 4); });
    Activate();
    surface->Lock();
    surface->Lock();
    EXPECT_TRUE(surface->Locked());
    surface->Unlock();
    EXPECT_FALSE(surface->Locked());
    surface->Unlock();
    DDSURFACEDESC2 desc;
    ASSERT_EQ(surface->Surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK) << "no lock left behind";
    surface->Surface->Unlock(nullptr);
}

TEST(DDSurfaceList, IndexOutOfBoundsNamesTheIndex) {
    TDDSurfaceList list;
    list.Add(nullptr);
    for (int index : {-1, 1}) {
        try {
            list.Get(index);
            FAIL() << "no error for " << index;
        } catch (const EListError& error) {
            EXPECT_EQ(error.Message(), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
    EXPECT_THROW(list.Put(3, nullptr), EListError);
}

TEST(DDSurfaceList, ClearItemsDeletesTheSurfaces) {
    ScopedDDrawTest hooks;
    TComponent owner(nullptr);
    auto* surface = new TDDSurface(&owner);
    TDDSurfaceList list;
    list.Add(surface);
    list.ClearItems();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(owner.ComponentCount(), 0);
}

using DDCanvasDrawing = FormTest;

TEST_F(DDCanvasDrawing, DrawsIntoTheSurfaceAndBlocksItUntilReleased) {
    TDDSurface* surface = nullptr;
    Create([&](DemoForm& f) { surface = f.AddBlank("s", 40, 20); });
    Activate();
    TDDCanvas& canvas = *surface->Canvas;
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(RECT{0, 0, 10, 10});
    EXPECT_EQ(form->BackSurface->BltFast(0, 0, surface->Surface, nullptr, 0), DDERR_SURFACEBUSY);
    canvas.Release();
    EXPECT_EQ(ReadPixel(surface->Surface, 5, 5), 0xFF0000u);
    EXPECT_EQ(form->BackSurface->BltFast(0, 0, surface->Surface, nullptr, 0), DD_OK);
    canvas.Release();
}

TEST_F(DDCanvasDrawing, LostSurfaceRefusesDrawing) {
    TDDSurface* surface = nullptr;
    Create([&](DemoForm& f) { surface = f.AddBlank("s", 8, 8); });
    Activate();
    DDrawTest::LoseAllSurfaces(true);
    EXPECT_FALSE(surface->Canvas->DrawingAllowed());
    EXPECT_EQ(failureOf([&] { surface->Canvas->TextOut(0, 0, "x"); }),
              "TDDCanvas: Can't get DC for Surface Canvas");
}

TEST_F(DDCanvasDrawing, EightBitTextTakesPaletteColours) {
    TDDSurface* surface = nullptr;
    Create([&](DemoForm& f) {
        f.DDWindowed = false;
        f.ChangeSize(640, 480, 8);
        surface = f.AddBlank("s", 60, 20);
    });
    Activate();
    DDBLTFX fx;
    fx.dwFillColor = 200;
    surface->Surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    surface->Canvas->Brush().SetStyle(bsClear);
    surface->Canvas->Font().SetColor(clRed);
    surface->Canvas->TextOut(0, 0, "WWW");
    surface->Canvas->Release();
    int red = 0, untouched = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            DWORD index = ReadPixel(surface->Surface, x, y);
            red += index == 73; // the full red of the form's palette ramp
            untouched += index == 200;
        }
    EXPECT_GT(red, 10);
    EXPECT_GT(untouched, 600);
}

// Keyed text must leave every pixel either the background (the key) or the font colour:
// a smoothed edge would be a dark fringe around the text once blitted with the key.
TEST_F(DDCanvasDrawing, TextOnTrueColourSurfacesHasNoSmoothedEdges) {
    for (int bpp : {16, 32}) {
        TDDSurface* surface = nullptr;
        Create([&](DemoForm& f) {
            f.DDWindowed = false;
            f.ChangeSize(640, 480, bpp);
            surface = f.AddBlank("s", 120, 40);
        });
        Activate();
        surface->Canvas->Brush().SetStyle(bsClear);
        surface->Canvas->Font().SetSize(16);
        surface->Canvas->Font().SetColor(0xFFFFFF);
        surface->Canvas->TextOut(2, 2, "Round 7 @%&");
        surface->Canvas->Release();
        const DWORD white = bpp == 16 ? 0xFFFF : 0xFFFFFF;
        int text = 0, other = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 120; ++x) {
                DWORD pixel = ReadPixel(surface->Surface, x, y);
                text += pixel == white;
                other += pixel != white && pixel != 0;
            }
        EXPECT_GT(text, 100) << bpp << " bits: the text is drawn";
        EXPECT_EQ(other, 0) << bpp << " bits: only the key and the font colour";
        delete form;
        form = nullptr;
    }
}
