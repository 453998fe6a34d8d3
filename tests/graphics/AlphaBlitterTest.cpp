#include "graphics/AlphaBlitter.h"
#include "GraphicsTestSupport.h"

#include <memory>

namespace {

// A w x h surface description over a vector, with room for a padded pitch.
template <class T> struct Pixels {
    Pixels(int w, int h, T value, int padding = 3)
        : pitchPixels(w + padding), data(std::size_t(pitchPixels * h), value) {
        desc.dwWidth = DWORD(w);
        desc.dwHeight = DWORD(h);
        desc.lPitch = int(sizeof(T)) * pitchPixels;
        desc.lpSurface = data.data();
    }
    T& at(int x, int y) { return data[std::size_t(y * pitchPixels + x)]; }
    int pitchPixels;
    std::vector<T> data;
    DDSURFACEDESC2 desc;
};

DDPIXELFORMAT format565() {
    DDPIXELFORMAT f;
    f.dwRGBBitCount = 16;
    f.dwRBitMask = 0xF800, f.dwGBitMask = 0x07E0, f.dwBBitMask = 0x001F;
    return f;
}

DDPIXELFORMAT format888() {
    DDPIXELFORMAT f;
    f.dwRGBBitCount = 32;
    f.dwRBitMask = 0xFF0000, f.dwGBitMask = 0x00FF00, f.dwBBitMask = 0x0000FF;
    return f;
}

} // namespace

TEST(AlphaBlitterFormat, ShiftsAndHalfMaskFollowTheMasks) {
    CAlphaBlitter16 b16;
    DDPIXELFORMAT f16 = format565();
    b16.InitPixelFormat(&f16);
    EXPECT_EQ(b16.RShift, 8);
    EXPECT_EQ(b16.GShift, 3);
    EXPECT_EQ(b16.BShift, -3);
    EXPECT_EQ(b16.HalfMask, 0xF000u | 0x07C0u | 0x001Eu);
    CAlphaBlitter32 b32;
    DDPIXELFORMAT f32 = format888();
    b32.InitPixelFormat(&f32);
    EXPECT_EQ(b32.RShift, 16);
    EXPECT_EQ(b32.GShift, 8);
    EXPECT_EQ(b32.BShift, 0);
}

TEST(AlphaBlitterArithmetic, DarkenedWhite565Becomes7BEF) {
    CAlphaBlitter16 b;
    DDPIXELFORMAT f = format565();
    b.InitPixelFormat(&f);
    Pixels<std::uint16_t> dest(2, 2, 0xFFFF);
    b.Darken(&dest.desc, 1, 1, 5, 5); // clipped to the surface
    EXPECT_EQ(dest.at(1, 1), 0x7BEF);
    EXPECT_EQ(dest.at(0, 0), 0xFFFF);
}

TEST(AlphaBlitterArithmetic, ConstantAlphaZeroKeepsAndFullAlmostCovers) {
    CAlphaBlitter32 b;
    DDPIXELFORMAT f = format888();
    b.InitPixelFormat(&f);
    Pixels<std::uint32_t> dest(2, 1, 0);
    Pixels<std::uint32_t> source(2, 1, 0xFF0000);
    b.AlphaBlend(&dest.desc, 0, 0, &source.desc, nullptr, 0);
    EXPECT_EQ(dest.at(0, 0), 0u);
    b.AlphaBlend(&dest.desc, 0, 0, &source.desc, nullptr, 255);
    EXPECT_EQ(dest.at(1, 0), 0xFE0000u);
}

TEST(AlphaBlitterArithmetic, NegativeDifferencesBlendDownward) {
    CAlphaBlitter32 b;
    DDPIXELFORMAT f = format888();
    b.InitPixelFormat(&f);
    Pixels<std::uint32_t> dest(1, 1, 0xFF80FF00u); // an alpha byte, dropped by the blend
    Pixels<std::uint32_t> source(1, 1, 0x000000);
    b.AlphaBlend(&dest.desc, 0, 0, &source.desc, nullptr, 128);
    // Red 0x80 halves to 0x40; green 0xFF to 0x7F (the wrapped product truncates downward).
    EXPECT_EQ(dest.at(0, 0), 0x00407F00u);
}

TEST(AlphaBlitterArithmetic, SourceBrightnessBlends) {
    CAlphaBlitter16 b;
    DDPIXELFORMAT f = format565();
    b.InitPixelFormat(&f);
    Pixels<std::uint16_t> dest(1, 1, 0x1234);
    Pixels<std::uint16_t> black(1, 1, 0x0000);
    b.SourceAlphaBlend(&dest.desc, 0, 0, &black.desc, nullptr);
    EXPECT_EQ(dest.at(0, 0), 0x1234);
    b.InverseSourceAlphaBlend(&dest.desc, 0, 0, &black.desc, nullptr);
    EXPECT_EQ(dest.at(0, 0), 0x0000);
}

TEST(AlphaBlitterArithmetic, SourceRectangleIsLeftTopWidthHeight) {
    CAlphaBlitter32 b;
    DDPIXELFORMAT f = format888();
    b.InitPixelFormat(&f);
    Pixels<std::uint32_t> dest(4, 4, 0);
    Pixels<std::uint32_t> source(4, 4, 0);
    source.at(2, 1) = 0x00FF00;
    RECT rect{2, 1, 1, 1};
    b.AlphaBlend(&dest.desc, 3, 3, &source.desc, &rect, 255);
    EXPECT_EQ(dest.at(3, 3), 0x00FE00u);
    EXPECT_EQ(dest.at(2, 2), 0u);
}

TEST(AlphaBlitterArithmetic, AlphaMapGivesEachPixelItsOwnAlpha) {
    CAlphaBlitter32 b;
    DDPIXELFORMAT f = format888();
    b.InitPixelFormat(&f);
    Pixels<std::uint32_t> dest(2, 1, 0);
    Pixels<std::uint32_t> source(2, 1, 0x0000FF);
    Pixels<BYTE> map(2, 1, 0);
    map.at(1, 0) = 255;
    b.AlphaMapBlend(&dest.desc, 0, 0, &source.desc, nullptr, &map.desc);
    EXPECT_EQ(dest.at(0, 0), 0u);
    EXPECT_EQ(dest.at(1, 0), 0x0000FEu);
}

TEST(AlphaBlitterArithmetic, BlendsBeyondEitherSurfaceAreClipped) {
    CAlphaBlitter32 b;
    DDPIXELFORMAT f = format888();
    b.InitPixelFormat(&f);
    Pixels<std::uint32_t> dest(4, 4, 0, 0);
    Pixels<std::uint32_t> source(4, 4, 0xFFFFFF, 0);
    b.AlphaBlend(&dest.desc, 2, -2, &source.desc, nullptr, 255);
    EXPECT_EQ(dest.at(2, 0), 0xFEFEFEu);
    EXPECT_EQ(dest.at(3, 1), 0xFEFEFEu);
    EXPECT_EQ(dest.at(3, 2), 0u);
    RECT outside{3, 3, 10, 10};
    b.AlphaBlend(&dest.desc, 0, 0, &source.desc, &outside, 255);
    EXPECT_EQ(dest.at(0, 0), 0xFEFEFEu);
    EXPECT_EQ(dest.at(1, 0), 0u);
}

using EffectBlitterFactory = GraphicsTest;

TEST_F(EffectBlitterFactory, OnlySixteenAndThirtyTwoBitSurfacesGetABlitter) {
    IDirectDrawSurface7* s8 = CreateOffscreen(device, 2, 2, 8);
    IDirectDrawSurface7* s16 = CreateOffscreen(device, 2, 2, 16);
    IDirectDrawSurface7* s32 = CreateOffscreen(device, 2, 2, 32);
    EXPECT_EQ(CreateEffectBlitter(s8), nullptr);
    std::unique_ptr<CAlphaBlitter> b16(CreateEffectBlitter(s16));
    std::unique_ptr<CAlphaBlitter> b32(CreateEffectBlitter(s32));
    EXPECT_NE(dynamic_cast<CAlphaBlitter16*>(b16.get()), nullptr);
    EXPECT_NE(dynamic_cast<CAlphaBlitter32*>(b32.get()), nullptr);
    s8->Release();
    s16->Release();
    s32->Release();
}
