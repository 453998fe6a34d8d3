#include "FormTestSupport.h"

namespace {

class FrameLoop : public FormTest {
protected:
    void SetUp() override {
        Create();
        form->OnDDUpdateDisplay = [this](TObject*) { ++frames; };
        Activate();
    }
    int presented() const { return form->presenter->FrameCount(); }
    int frames = 0;
};

} // namespace

TEST_F(FrameLoop, FrameStampsTheClockFiresTheEventAndPresents) {
    form->TickOffset = 5;
    int before = presented();
    form->UpdateFrame();
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(form->FrameTick.load(), 10005u);
    EXPECT_EQ(presented(), before + 1);
    EXPECT_EQ(form->presenter->LastFrame().width, 320);
}

TEST_F(FrameLoop, PauseFreezesTheClockAndResumeContinuesIt) {
    clock.clock().Set(20000);
    form->UpdateFrame();
    EXPECT_EQ(form->FrameTick.load(), 20000u);
    clock.clock().Advance(300);
    form->SetAppPaused(true);
    clock.clock().Advance(5000);
    form->UpdateFrame();
    EXPECT_EQ(frames, 1) << "no event while paused";
    EXPECT_EQ(form->FrameTick.load(), 20000u);
    form->SetAppPaused(false);
    clock.clock().Advance(40);
    form->UpdateFrame();
    EXPECT_EQ(form->FrameTick.load(), 20340u) << "the 5 s of the pause are not counted";
}

TEST_F(FrameLoop, ResumingAFormThatIsNotPausedChangesNothing) {
    form->TickOffset = -123;
    form->SetAppPaused(false);
    EXPECT_EQ(form->TickOffset.load(), -123);
    EXPECT_FALSE(form->AppPaused());
}

TEST_F(FrameLoop, StillDrawingIsRepeatedAtOnceOtherFailuresAreDropped) {
    int blits = DDrawTest::CallCount(DDOperation::Blt);
    int before = presented();
    DDrawTest::FailNext(DDOperation::Blt, 2, DDERR_WASSTILLDRAWING);
    form->UpdateFrame();
    EXPECT_EQ(DDrawTest::CallCount(DDOperation::Blt) - blits, 3);
    EXPECT_EQ(presented(), before + 1);
    DDrawTest::FailNext(DDOperation::Blt, 1, E_FAIL);
    form->UpdateFrame();
    EXPECT_EQ(DDrawTest::CallCount(DDOperation::Blt) - blits, 4);
    EXPECT_EQ(presented(), before + 1);
}

TEST_F(FrameLoop, LostSurfacesAreRestoredAndThePresentRepeated) {
    int before = presented();
    DDrawTest::LoseAllSurfaces(false);
    form->UpdateFrame();
    EXPECT_EQ(presented(), before + 1);
    EXPECT_EQ(form->PrimarySurface->IsLost(), DD_OK);
}

TEST_F(FrameLoop, LossThatLastsDropsThePresentWithoutSpinning) {
    int before = presented();
    DDrawTest::LoseAllSurfaces(true);
    form->UpdateFrame();
    EXPECT_EQ(presented(), before);
    EXPECT_EQ(frames, 1);
}

TEST_F(FrameLoop, MinimisingStopsFramesAndRestoringResumesThem) {
    form->Perform(WM_SIZE, SIZE_MINIMIZED);
    form->UpdateFrame();
    EXPECT_EQ(frames, 0);
    form->Perform(WM_SIZE, SIZE_RESTORED);
    form->UpdateFrame();
    EXPECT_EQ(frames, 1);
}

TEST_F(FrameLoop, MenuLoopStopsFrames) {
    form->Perform(WM_ENTERMENULOOP);
    form->UpdateFrame();
    EXPECT_EQ(frames, 0);
    form->Perform(WM_EXITMENULOOP);
    form->UpdateFrame();
    EXPECT_EQ(frames, 1);
}

TEST_F(FrameLoop, FullScreenFramesFlipAndShowScaled) {
    form->ToggleScreen(2);
    ASSERT_FALSE(form->DDWindowed);
    DDBLTFX fx;
    fx.dwFillColor = 0xF800;
    form->OnDDUpdateDisplay = [&](TObject*) {
        form->BackSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    };
    int flips = DDrawTest::CallCount(DDOperation::Flip);
    form->UpdateFrame();
    EXPECT_EQ(DDrawTest::CallCount(DDOperation::Flip) - flips, 1);
    PresentedFrame frame = form->presenter->LastFrame();
    EXPECT_TRUE(frame.fullScreen);
    EXPECT_EQ(frame.width, 320);
    EXPECT_EQ(form->presenter->PixelAt(10, 10), 0xFF0000u);
}

TEST_F(FrameLoop, TheFrameHandlerCanBeSwappedFromTheHandlerItself) {
    int second = 0;
    form->OnDDUpdateDisplay = [&](TObject*) {
        ++frames;
        form->OnDDUpdateDisplay = [&](TObject*) { ++second; };
    };
    form->UpdateFrame();
    form->UpdateFrame();
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(second, 1);
}

TEST_F(FrameLoop, AClientAreaLargerThanTheBackSurfaceStillShowsTheFrame) {
    form->SetConstraints(TSizeConstraints{});
    form->SetClientWidth(500);
    form->SetClientHeight(400);
    form->Perform(WM_MOVE);
    int before = presented();
    form->UpdateFrame();
    EXPECT_EQ(presented(), before + 1);
    EXPECT_EQ(form->presenter->LastFrame().width, 320);
}
