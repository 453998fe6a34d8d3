#include "DDrawTestSupport.h"
#include "platform/ddraw/ProportionalScale.h"
#include "platform/ddraw/SurfaceDC.h"

#include <algorithm>
#include <vector>

TEST(DDrawLibrary, MissingLibraryOrEntryGivesNothingToCreateWith) {
    ScopedDDrawTest hooks;
    DDrawTest::SetLibraryMissing(true);
    EXPECT_EQ(LoadDDrawLibrary("DDRAW.DLL"), nullptr);
    DDrawTest::SetLibraryMissing(false);
    DDrawTest::SetEntryMissing(true);
    DDrawLibraryHandle* library = LoadDDrawLibrary("DDRAW.DLL");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetDDrawProcAddress(library, "DirectDrawCreate"), nullptr);
    FreeDDrawLibrary(library);
}

TEST(DDrawLibrary, InjectedCreateFailureIsReported) {
    ScopedDDrawTest hooks;
    DDrawTest::FailNext(DDOperation::DirectDrawCreate, 1, E_FAIL);
    auto create = GetDDrawProcAddress(LoadDDrawLibrary("DDRAW.DLL"), "DirectDrawCreate");
    IDirectDraw* dd = nullptr;
    EXPECT_EQ(create(nullptr, &dd, nullptr), E_FAIL);
    EXPECT_EQ(dd, nullptr);
}

using SurfaceFormat = DeviceTest;

TEST_F(SurfaceFormat, OffscreenSurfacesTakeTheDisplayFormatAndHonourPadding) {
    DDrawTest::SetPitchPadding(12);
    IDirectDrawSurface7* s = offscreen(10, 4);
    DDSURFACEDESC2 desc;
    ASSERT_EQ(s->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0xFF0000u);
    EXPECT_EQ(desc.lPitch, 10 * 4 + 12);
    s->Release();
}

TEST_F(SurfaceFormat, SixteenBitSurfacesUse565Masks) {
    IDirectDrawSurface7* s = offscreen(3, 3, 16);
    DDPIXELFORMAT format;
    ASSERT_EQ(s->GetPixelFormat(&format), DD_OK);
    EXPECT_EQ(format.dwRBitMask, 0xF800u);
    EXPECT_EQ(format.dwGBitMask, 0x07E0u);
    EXPECT_EQ(format.dwBBitMask, 0x001Fu);
    s->Release();
}

TEST_F(SurfaceFormat, ZeroOrHugeSizesAreRefused) {
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(device->CreateSurface(&desc, &s, nullptr), DDERR_INVALIDPARAMS);
    desc.dwWidth = 100000;
    desc.dwHeight = 10;
    EXPECT_EQ(device->CreateSurface(&desc, &s, nullptr), DDERR_INVALIDPARAMS);
    desc.dwWidth = desc.dwHeight = 8000;
    EXPECT_EQ(device->CreateSurface(&desc, &s, nullptr), DDERR_OUTOFMEMORY);
}

using BltFastTest = DeviceTest;

TEST_F(BltFastTest, KeyedCopySkipsKeyPixelsInEveryDepth) {
    for (int bpp : {8, 16, 32}) {
        IDirectDrawSurface7* src = offscreen(4, 1, bpp);
        IDirectDrawSurface7* dst = offscreen(4, 1, bpp);
        FillSurface(dst, 7);
        WritePixel(src, 0, 0, 3);
        WritePixel(src, 2, 0, 5);
        DDCOLORKEY key{0, 0};
        ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
        EXPECT_EQ(ReadPixel(dst, 0, 0), 3u) << bpp;
        EXPECT_EQ(ReadPixel(dst, 1, 0), 7u) << bpp;
        EXPECT_EQ(ReadPixel(dst, 2, 0), 5u) << bpp;
        src->Release();
        dst->Release();
    }
}

TEST_F(BltFastTest, CopyIsClippedToBothSurfaces) {
    DDrawTest::SetPitchPadding(8);
    IDirectDrawSurface7* src = offscreen(4, 4);
    IDirectDrawSurface7* dst = offscreen(6, 6);
    FillSurface(src, 9);
    RECT beyond{2, 2, 8, 8}; // half outside the source
    ASSERT_EQ(dst->BltFast(4, 4, src, &beyond, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(ReadPixel(dst, 4, 4), 9u);
    EXPECT_EQ(ReadPixel(dst, 5, 5), 9u);
    EXPECT_EQ(ReadPixel(dst, 3, 3), 0u);
    ASSERT_EQ(dst->BltFast(-3, -3, src, nullptr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(ReadPixel(dst, 0, 0), 9u);
    EXPECT_EQ(ReadPixel(dst, 1, 0), 0u);
    src->Release();
    dst->Release();
}

TEST_F(BltFastTest, OverlappingCopiesWithinOneSurfaceAreExact) {
    IDirectDrawSurface7* s = offscreen(8, 3, 16);
    for (int x = 0; x < 8; ++x)
        WritePixel(s, x, 1, DWORD(x + 1));
    RECT band{0, 1, 6, 2};
    ASSERT_EQ(s->BltFast(2, 1, s, &band, DDBLTFAST_WAIT), DD_OK); // shift right by two
    std::vector<DWORD> row;
    for (int x = 0; x < 8; ++x)
        row.push_back(ReadPixel(s, x, 1));
    EXPECT_EQ(row, (std::vector<DWORD>{1, 2, 1, 2, 3, 4, 5, 6}));
    RECT lower{0, 0, 8, 2};
    ASSERT_EQ(s->BltFast(0, 1, s, &lower, DDBLTFAST_WAIT), DD_OK); // down by one row
    EXPECT_EQ(ReadPixel(s, 3, 2), 2u);
    s->Release();
}

TEST_F(BltFastTest, EmptySourceRectangleIsRefused) {
    IDirectDrawSurface7* s = offscreen(4, 4);
    IDirectDrawSurface7* d = offscreen(4, 4);
    RECT empty{2, 2, 2, 4};
    EXPECT_EQ(d->BltFast(0, 0, s, &empty, 0), DDERR_INVALIDRECT);
    s->Release();
    d->Release();
}

using BltTest = DeviceTest;

TEST_F(BltTest, StretchesByNearestNeighbour) {
    IDirectDrawSurface7* src = offscreen(2, 1);
    IDirectDrawSurface7* dst = offscreen(4, 2);
    WritePixel(src, 0, 0, 0x111111);
    WritePixel(src, 1, 0, 0x222222);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(ReadPixel(dst, 0, 0), 0x111111u);
    EXPECT_EQ(ReadPixel(dst, 1, 1), 0x111111u);
    EXPECT_EQ(ReadPixel(dst, 2, 0), 0x222222u);
    EXPECT_EQ(ReadPixel(dst, 3, 1), 0x222222u);
    src->Release();
    dst->Release();
}

TEST_F(BltTest, EmptyOrOutsideRectanglesAreRefusedWithoutClipper) {
    IDirectDrawSurface7* src = offscreen(4, 4);
    IDirectDrawSurface7* dst = offscreen(4, 4);
    RECT empty{1, 1, 1, 3};
    RECT outside{2, 2, 6, 6};
    EXPECT_EQ(dst->Blt(&empty, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->Blt(nullptr, src, &empty, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->Blt(&outside, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    src->Release();
    dst->Release();
}

TEST_F(BltTest, ColourFillCoversTheRectangleOnly) {
    IDirectDrawSurface7* s = offscreen(4, 4, 8);
    DDBLTFX fx;
    fx.dwFillColor = 42;
    RECT r{1, 1, 3, 3};
    ASSERT_EQ(s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(ReadPixel(s, 1, 1), 42u);
    EXPECT_EQ(ReadPixel(s, 2, 2), 42u);
    EXPECT_EQ(ReadPixel(s, 3, 3), 0u);
    s->Release();
}

TEST_F(BltTest, ClipperLimitsTheDestinationToItsWindow) {
    TestWindow window;
    window.client = RECT{0, 0, 2, 2};
    IDirectDrawSurface7* src = offscreen(4, 4);
    IDirectDrawSurface7* dst = offscreen(4, 4);
    for (int i = 0; i < 16; ++i)
        WritePixel(src, i % 4, i / 4, DWORD(i + 1));
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(device->CreateClipper(0, &clipper, nullptr), DD_OK);
    clipper->SetHWnd(0, &window);
    ASSERT_EQ(dst->SetClipper(clipper), DD_OK);
    clipper->Release();
    RECT big{-4, -4, 8, 8};
    ASSERT_EQ(dst->Blt(&big, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(ReadPixel(dst, 0, 0), 6u) << "source pixel (1, 1), three times as large from (-4, -4)";
    EXPECT_EQ(ReadPixel(dst, 2, 2), 0u);
    src->Release();
    dst->Release();
}

using SurfaceAccess = DeviceTest;

TEST_F(SurfaceAccess, LockedOrDcHeldSurfaceCanBeNeitherBlittedNorLocked) {
    IDirectDrawSurface7* a = offscreen(4, 4);
    IDirectDrawSurface7* b = offscreen(4, 4);
    DDSURFACEDESC2 desc;
    ASSERT_EQ(a->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(a->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DDERR_SURFACEBUSY);
    EXPECT_EQ(a->Unlock(nullptr), DD_OK);
    EXPECT_EQ(a->Unlock(nullptr), DDERR_NOTLOCKED);
    HDC dc = nullptr;
    ASSERT_EQ(a->GetDC(&dc), DD_OK);
    EXPECT_EQ(a->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(a->BltFast(0, 0, b, nullptr, 0), DDERR_SURFACEBUSY);
    EXPECT_EQ(a->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(a->BltFast(0, 0, b, nullptr, 0), DD_OK);
    a->Release();
    b->Release();
}

TEST_F(SurfaceAccess, EightBitDrawingMapsToNearestEntryAndKeepsUntouchedIndices) {
    IDirectDrawSurface7* s = offscreen(8, 8, 8);
    PALETTEENTRY entries[256]{};
    entries[3] = {250, 0, 0, 0};
    entries[4] = {0, 0, 0, 0};
    for (int i = 5; i < 256; ++i)
        entries[i] = {0, 0, 200, 0};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(device->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    ASSERT_EQ(s->SetPalette(palette), DD_OK);
    palette->Release();
    FillSurface(s, 77);
    HDC dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), DD_OK);
    dc->SetPixel(1, 1, ColorRef(255, 0, 0));
    ASSERT_EQ(s->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(ReadPixel(s, 1, 1), 3u);
    EXPECT_EQ(ReadPixel(s, 2, 2), 77u);
    s->Release();
}

TEST_F(SurfaceAccess, ThirtyTwoBitDrawingLeavesTheTopByteClear) {
    IDirectDrawSurface7* s = offscreen(4, 4, 32);
    HDC dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), DD_OK);
    dc->SetPixel(1, 1, ColorRef(1, 2, 3));
    EXPECT_EQ(dc->GetPixel(1, 1), ColorRef(1, 2, 3));
    ASSERT_EQ(s->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(ReadPixel(s, 1, 1), 0x010203u);
    s->Release();
}

using SurfaceLoss = DeviceTest;

TEST_F(SurfaceLoss, LostSurfacesRefuseWorkUntilRestored) {
    IDirectDrawSurface7* a = offscreen(4, 4);
    IDirectDrawSurface7* b = offscreen(4, 4);
    DDrawTest::LoseAllSurfaces(true);
    EXPECT_EQ(a->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DDERR_SURFACELOST);
    DDSURFACEDESC2 desc;
    EXPECT_EQ(a->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_TRUE(FAILED(a->Restore())) << "the cause of the loss still lasts";
    DDrawTest::EndLossCause();
    EXPECT_EQ(a->Restore(), DD_OK);
    EXPECT_EQ(b->Restore(), DD_OK);
    EXPECT_EQ(b->BltFast(0, 0, a, nullptr, 0), DD_OK);
    a->Release();
    b->Release();
}

TEST_F(SurfaceLoss, InjectedFailuresHitTheNextCallsOnly) {
    IDirectDrawSurface7* a = offscreen(4, 4);
    DDrawTest::FailNext(DDOperation::BltFast, 2, DDERR_WASSTILLDRAWING);
    EXPECT_EQ(a->BltFast(0, 0, a, nullptr, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(a->BltFast(0, 0, a, nullptr, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(a->BltFast(0, 0, a, nullptr, 0), DD_OK);
    EXPECT_EQ(DDrawTest::CallCount(DDOperation::BltFast), 3);
    a->Release();
}

using DisplayTest = DeviceTest;

TEST_F(DisplayTest, FullScreenPrimaryFlipsAndPresentsTheBackBuffer) {
    TestWindow window;
    ASSERT_EQ(device->SetCooperativeLevel(&window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT |
                                                       DDSCL_ALLOWMODEX),
              DD_OK);
    ASSERT_EQ(device->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = 0x218;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(device->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    PALETTEENTRY entries[256]{};
    entries[9] = {10, 20, 30, 0};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(device->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
    FillSurface(back, 9);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(ReadPixel(primary, 5, 5), 9u);
    PresentedFrame frame = window.presenter.LastFrame();
    EXPECT_TRUE(frame.fullScreen);
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(window.presenter.PixelAt(5, 5), 0x0A141Eu);
    back->Release();
    palette->Release();
    primary->Release();
}

TEST_F(DisplayTest, FlipToGDISurfaceShowsTheFirstBufferAgain) {
    TestWindow window;
    ASSERT_EQ(device->SetCooperativeLevel(&window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(device->SetDisplayMode(640, 480, 32, 0, 0), DD_OK);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(device->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    FillSurface(primary, 0x111111);
    FillSurface(back, 0x222222);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(window.presenter.PixelAt(0, 0), 0x222222u);
    ASSERT_EQ(device->FlipToGDISurface(), DD_OK);
    EXPECT_EQ(ReadPixel(primary, 0, 0), 0x111111u);
    EXPECT_EQ(window.presenter.PixelAt(0, 0), 0x111111u);
    ASSERT_EQ(device->FlipToGDISurface(), DD_OK);
    EXPECT_EQ(ReadPixel(primary, 0, 0), 0x111111u) << "already showing the first buffer";
    back->Release();
    primary->Release();
}

TEST_F(DisplayTest, WindowedPresentShowsTheClientArea) {
    TestWindow window;
    window.client = RECT{10, 10, 20, 15};
    ASSERT_EQ(device->SetCooperativeLevel(&window, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(device->CreateSurface(&desc, &primary, nullptr), DD_OK);
    IDirectDrawSurface7* back = offscreen(10, 5);
    FillSurface(back, 0x123456);
    ASSERT_EQ(primary->Blt(&window.client, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    PresentedFrame frame = window.presenter.LastFrame();
    EXPECT_EQ(frame.width, 10);
    EXPECT_EQ(frame.height, 5);
    EXPECT_FALSE(frame.fullScreen);
    EXPECT_EQ(window.presenter.PixelAt(9, 4), 0x123456u);
    back->Release();
    primary->Release();
}

// A paused game presents the same back surface again and again: the screen shows it
// already, until the picture, the place or the palette changes.
TEST_F(DisplayTest, AnUnchangedPictureIsNotPresentedAgain) {
    TestWindow window;
    ASSERT_EQ(device->SetCooperativeLevel(&window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(device->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(device->CreateSurface(&desc, &primary, nullptr), DD_OK);
    PALETTEENTRY entries[256]{};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(device->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
    IDirectDrawSurface7* back = offscreen(8, 4);
    RECT area{0, 0, 8, 4};
    // Before presents 2, 3 and 4 the picture, the place and the palette change in turn.
    for (int step = 0; step < 6; ++step) {
        if (step == 2) FillSurface(back, 4);
        if (step == 3) area = RECT{0, 1, 8, 5};
        if (step == 4) palette->SetEntries(0, 0, 1, entries + 1);
        const int before = window.presenter.FrameCount();
        EXPECT_EQ(primary->Blt(&area, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
        EXPECT_EQ(window.presenter.FrameCount() > before, step != 1 && step != 5) << "present " << step;
    }
    DDrawTest::LoseAllSurfaces(false);
    EXPECT_EQ(primary->Blt(&area, back, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    back->Release();
    palette->Release();
    primary->Release();
}

TEST_F(DisplayTest, ChangingTheModeLosesOldSurfacesForGood) {
    TestWindow window;
    IDirectDrawSurface7* s = offscreen(4, 4);
    ASSERT_EQ(device->SetCooperativeLevel(&window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(device->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
    EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
    EXPECT_TRUE(FAILED(s->Restore()));
    EXPECT_EQ(device->SetDisplayMode(700, 600, 16, 0, 0), DDERR_UNSUPPORTED);
    s->Release();
}

TEST_F(DisplayTest, ModesAreListedInEightSixteenAndThirtyTwoBits) {
    std::vector<DWORD> depths;
    auto collect = [](DDSURFACEDESC2* mode, void* context) -> HRESULT {
        if (mode->dwWidth == 640 && mode->dwHeight == 480)
            static_cast<std::vector<DWORD>*>(context)->push_back(mode->ddpfPixelFormat.dwRGBBitCount);
        return DDENUMRET_OK;
    };
    ASSERT_EQ(device->EnumDisplayModes(0, nullptr, &depths, collect), DD_OK);
    EXPECT_EQ(depths, (std::vector<DWORD>{8, 16, 32}));
}

TEST(PresenterScaling, KeepsAspectWithBlackBars) {
    std::uint32_t source[2] = {1, 2};
    std::vector<std::uint32_t> dest(4 * 4);
    ScaleKeepingAspect(source, 2, 1, dest.data(), 4, 4);
    EXPECT_EQ(dest[0], 0u);         // bar above
    EXPECT_EQ(dest[1 * 4 + 0], 1u); // picture rows 1 and 2
    EXPECT_EQ(dest[2 * 4 + 3], 2u);
    EXPECT_EQ(dest[3 * 4 + 3], 0u); // bar below
    std::vector<std::uint32_t> wide(6 * 2, 7);
    std::uint32_t square[1] = {5};
    ScaleKeepingAspect(square, 1, 1, wide.data(), 6, 2);
    EXPECT_EQ(wide, (std::vector<std::uint32_t>{0, 0, 5, 5, 0, 0, 0, 0, 5, 5, 0, 0})) << "bars at the sides";
}

namespace {

std::vector<std::pair<DWORD, DWORD>> listedSizes(IDirectDraw7* device) {
    std::vector<std::pair<DWORD, DWORD>> sizes;
    auto collect = [](DDSURFACEDESC2* mode, void* context) -> HRESULT {
        auto& out = *static_cast<std::vector<std::pair<DWORD, DWORD>>*>(context);
        if (mode->ddpfPixelFormat.dwRGBBitCount == 32) out.emplace_back(mode->dwWidth, mode->dwHeight);
        return DDENUMRET_OK;
    };
    device->EnumDisplayModes(0, nullptr, &sizes, collect);
    return sizes;
}

} // namespace

// The desktop a window draws on is the screen it is on, not a fixed size: a picture taller
// than 1080 rows on a screen that holds it is shown whole.
TEST_F(DisplayTest, AWindowedPictureTallerThan1080RowsIsShownWhole) {
    DDrawTest::Reset(); // the desktop follows the screens, as outside the tests
    DDrawTest::SetVerticalBlankWait(false);
    TestWindow window;
    window.monitor = RECT{2560, 0, 2560 + 2560, 1600}; // a second screen beside the first
    window.client = RECT{100, 200, 100 + 1600, 200 + 1200};
    ASSERT_EQ(device->SetCooperativeLevel(&window, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC2 mode;
    ASSERT_EQ(device->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 2560u);
    EXPECT_EQ(mode.dwHeight, 1600u);
    DDSURFACEDESC2 desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(device->CreateSurface(&desc, &primary, nullptr), DD_OK);
    IDirectDrawSurface7* back = offscreen(1600, 1200);
    FillSurface(back, 0x00A0B0);
    ASSERT_EQ(primary->Blt(&window.client, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(window.presenter.LastFrame().height, 1200);
    EXPECT_EQ(window.presenter.PixelAt(1599, 1199), 0x00A0B0u) << "the bottom right pixel";
    back->Release();
    primary->Release();
}

TEST_F(DisplayTest, OnlyModesThatFitTheWindowsScreenAreOffered) {
    DDrawTest::Reset();
    TestWindow window;
    window.monitor = RECT{0, 0, 1024, 768};
    ASSERT_EQ(device->SetCooperativeLevel(&window, DDSCL_NORMAL), DD_OK);
    const auto sizes = listedSizes(device);
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), std::pair<DWORD, DWORD>{1024, 768}), sizes.end());
    for (const auto& [width, height] : sizes)
        EXPECT_TRUE(width <= 1024 && height <= 768) << width << "x" << height << " does not fit";
    window.monitor = RECT{0, 0, 2560, 1600};
    ASSERT_EQ(device->SetCooperativeLevel(&window, DDSCL_NORMAL), DD_OK);
    const auto larger = listedSizes(device);
    EXPECT_NE(std::find(larger.begin(), larger.end(), std::pair<DWORD, DWORD>{1600, 1200}), larger.end());
}
