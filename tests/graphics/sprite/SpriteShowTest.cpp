#include "../FormTestSupport.h"
#include "graphics/AlphaBlitter.h"
#include "graphics/DDSprite.h"

namespace {

class SpriteShow : public FormTest {
protected:
    void SetUpForm(int bpp) {
        Create([&](DemoForm& f) {
            f.SetDDBPP(bpp);
            sheet = f.AddBlank("sheet", 64, 32);
            target = f.AddBlank("target", 48, 40);
        });
        Activate();
        FillSurface(sheet->Surface, 0);
        FillSurface(target->Surface, 0);
        sprite = new TDDSprite(form);
        sprite->Frames = sheet;
        sprite->FrameWidth = sprite->FrameHeight = sprite->ShowWidth = sprite->ShowHeight = 32;
        sprite->FramesPerLine = 2;
    }
    TDDSurface* sheet = nullptr;
    TDDSurface* target = nullptr;
    TDDSprite* sprite = nullptr;
};

} // namespace

TEST_F(SpriteShow, FastBlitDrawsTheCurrentFrameAtThePosition) {
    SetUpForm(32);
    WritePixel(sheet->Surface, 33, 1, 0x123456); // frame 1, pixel (1, 1)
    sprite->Start = 1;
    sprite->Stop = 1;
    sprite->SetX(10);
    sprite->SetY(5);
    sprite->Show(target->Surface, 0, DDBLTFAST_WAIT);
    EXPECT_EQ(ReadPixel(target->Surface, 11, 6) & 0xFFFFFF, 0x123456u);
    sprite->SetVisible(false);
    WritePixel(sheet->Surface, 33, 1, 0x654321);
    sprite->Show(target->Surface, 0, DDBLTFAST_WAIT);
    EXPECT_EQ(ReadPixel(target->Surface, 11, 6) & 0xFFFFFF, 0x123456u);
}

TEST_F(SpriteShow, ABlitReachingPastTheTargetIsClippedNotRefused) {
    SetUpForm(32);
    WritePixel(sheet->Surface, 2, 2, 0x00FF00);
    WritePixel(sheet->Surface, 25, 28, 0x0000FF);
    sprite->SetX(-2);
    sprite->SetY(20);
    sprite->Show(target->Surface, 0, DDBLTFAST_WAIT);
    EXPECT_EQ(ReadPixel(target->Surface, 0, 22) & 0xFFFFFF, 0x00FF00u);
    sprite->SetX(20);
    sprite->SetY(-25);
    sprite->Show(target->Surface, 0, DDBLTFAST_WAIT);
    EXPECT_EQ(ReadPixel(target->Surface, 45, 3) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(SpriteShow, ConstantAlphaBlendsThroughTheFormsBlitter) {
    SetUpForm(32);
    ASSERT_NE(form->EffectBlitter, nullptr);
    FillSurface(sheet->Surface, 0xFFFFFF);
    sprite->Alpha = 128;
    sprite->Show(target->Surface, 0, 0x40);
    DWORD blended = ReadPixel(target->Surface, 5, 5) & 0xFF;
    EXPECT_GT(blended, 0x60u);
    EXPECT_LT(blended, 0xA0u);
}

TEST_F(SpriteShow, OptimizeShowSizeBoxesTheOpaquePixelsOfAllFrames) {
    SetUpForm(16);
    WritePixel(sheet->Surface, 5, 20, 0x1234);
    WritePixel(sheet->Surface, 32 + 27, 3, 0x1234);
    sprite->OptimizeShowSize();
    EXPECT_EQ(sprite->ShowLeft, 5u);
    EXPECT_EQ(sprite->ShowTop, 3u);
    EXPECT_EQ(sprite->ShowWidth, 27u - 5u + 1u);
    EXPECT_EQ(sprite->ShowHeight, 20u - 3u + 1u);
}

TEST_F(SpriteShow, OptimizeShowSizeOfAnEmptySheetKeepsTheCentre) {
    SetUpForm(32);
    sprite->OptimizeShowSize();
    EXPECT_EQ(sprite->ShowLeft, 16u);
    EXPECT_EQ(sprite->ShowWidth, 1u);
}
