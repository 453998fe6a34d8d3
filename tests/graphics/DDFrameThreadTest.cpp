// The frame thread running a small sprite scene while the main thread pauses, resumes and
// repaints the window: the scene keeps moving and every frame reaches the presenter.
#include "FormTestSupport.h"
#include "graphics/DDSprite.h"

#include <atomic>
#include <thread>

namespace {

// A sheet of 4 x 2 frames of 32 x 32: a black border (the key) around a coloured square.
std::string writeSheet() {
    PcxPicture pcx;
    pcx.width = 128;
    pcx.height = 64;
    pcx.palette.assign(768, 0);
    for (int i = 1; i < 9; ++i)
        pcx.palette[std::size_t(3 * i)] = BYTE(30 * i), pcx.palette[std::size_t(3 * i + 2)] = 200;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            bool inside = x % 32 >= 4 && x % 32 < 28 && y % 32 >= 4 && y % 32 < 28;
            pcx.pixels.push_back(inside ? BYTE(1 + x / 32 + 4 * (y / 32)) : 0);
        }
    std::string path = TempPath("thread_sheet.pcx");
    WriteFile(path, EncodePcx(pcx));
    return path;
}

// Counts the frames that show sprites (blue 200 is only in the sprites' colours).
class SpriteCounter : public Presenter {
public:
    void Present(const std::uint32_t* pixels, int width, int height, int stride, bool) override {
        int count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                count += (pixels[y * stride + x] & 0xFF) == 200;
        (count > 500 ? withSprites : withoutSprites).fetch_add(1);
    }
    std::atomic<int> withSprites{0};
    std::atomic<int> withoutSprites{0};
};

} // namespace

using FrameThreadDemo = FormTest;

TEST_F(FrameThreadDemo, RunsHundredsOfFramesWithSpritesWhileTheWindowIsUsed) {
    std::string sheetPath = writeSheet();
    TDDSurface* sheet = nullptr;
    std::vector<TDDSprite*> sprites;
    Create([&](DemoForm& f) {
        f.RunFrameThread = true;
        sheet = new TDDSurface(&f);
        sheet->FileName = sheetPath;
        for (int i = 0; i < 24; ++i) {
            auto* sprite = new TDDSprite(&f);
            sprite->Frames = sheet;
            sprite->FrameWidth = sprite->FrameHeight = sprite->ShowWidth = sprite->ShowHeight = 32;
            sprite->FramesPerLine = 4;
            sprite->Start = 0;
            sprite->Stop = 7;
            sprite->Interval = 50;
            sprite->SetX(10 * i);
            sprite->SetY(7 * i);
            sprite->SetVelocityX(40.0 + i);
            sprite->SetVelocityY(25.0);
            sprite->LimMovX1 = 0, sprite->LimMovX2 = 320, sprite->LimPosX2 = 32;
            sprite->LimMovY1 = 0, sprite->LimMovY2 = 240, sprite->LimPosY2 = 32;
            sprite->AutoBounce = true;
            sprites.push_back(sprite);
        }
    });
    auto counter = std::make_unique<SpriteCounter>();
    SpriteCounter& shown = *counter;
    form->SetPresenter(std::move(counter));
    // The frame handler sleeps 1 ms as the game's does in a window; the test clock moves on.
    ScopedTestClock pacing(10000, true);
    std::atomic<int> frames{0};
    form->OnDDUpdateDisplay = [&](TObject*) {
        DWORD tick = form->FrameTick;
        DDBLTFX fx;
        fx.dwFillColor = 0x202020;
        form->BackSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        for (TDDSprite* sprite : sprites) {
            sprite->Move(tick);
            RECT frame;
            sprite->GetFrameRect(tick, frame);
            while (
                !form->MakeItSo(form->BackSurface->BltFast(sprite->GetX(), sprite->GetY(), sheet->Surface,
                                                           &frame, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT))) {
            }
        }
        frames.fetch_add(1);
        Sleep(1);
    };
    int startX = sprites[3]->GetX();
    Activate();
    ASSERT_NE(form->FrameThread, nullptr);
    for (long step = 0; step < 50'000'000 && frames.load() < 300; ++step) {
        if (step % 997 == 0) {
            form->SetAppPaused(step % 2 == 0);
            form->Perform(WM_PAINT);
        }
        if (step % 5003 == 0) DDrawTest::LoseAllSurfaces(false);
        std::this_thread::yield();
    }
    form->SetAppPaused(false);
    form->SetDDActive(false);
    EXPECT_GE(frames.load(), 300);
    EXPECT_EQ(form->FrameThread, nullptr);
    EXPECT_NE(sprites[3]->GetX(), startX);
    // Repaints of the window may catch a frame half composed; the frame thread's own
    // presents always show the sprites.
    EXPECT_GE(shown.withSprites.load(), 250);
}

namespace {

// Counts the presented frames that are not of one colour all over.
class MixedFrameCounter : public Presenter {
public:
    void Present(const std::uint32_t* pixels, int width, int height, int stride, bool) override {
        bool mixed = false;
        for (int y = 0; y < height && !mixed; ++y)
            for (int x = 0; x < width && !mixed; ++x)
                mixed = pixels[y * stride + x] != pixels[0];
        (mixed ? this->mixed : whole).fetch_add(1);
    }
    std::atomic<int> whole{0};
    std::atomic<int> mixed{0};
};

} // namespace

// A window repaint that comes while the frame thread composes must not show the half-drawn
// back surface: the frame's own present shows the whole picture a moment later.
TEST_F(FormTest, FrameRepaintWhileComposingShowsOnlyWholeFrames) {
    Create();
    auto counting = std::make_unique<MixedFrameCounter>();
    MixedFrameCounter* counter = counting.get();
    form->SetPresenter(std::move(counting));
    Activate();
    std::atomic<int> stage{0}; // 1: half the new frame drawn; 2: the repaint is done
    int frame = 0;
    form->OnDDUpdateDisplay = [&](TObject*) {
        DDBLTFX fx;
        fx.dwFillColor = frame++ % 2 == 0 ? 0x102030u : 0x405060u;
        RECT top{0, 0, 320, 120}, bottom{0, 120, 320, 240};
        form->BackSurface->Blt(&top, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        if (frame == 2) {
            stage.store(1);
            while (stage.load() != 2)
                std::this_thread::yield();
        }
        form->BackSurface->Blt(&bottom, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    };
    std::thread frames([&] {
        form->UpdateFrame();
        form->UpdateFrame();
    });
    while (stage.load() != 1)
        std::this_thread::yield();
    form->Perform(WM_PAINT);
    stage.store(2);
    frames.join();
    form->Perform(WM_PAINT);
    EXPECT_EQ(counter->mixed.load(), 0) << "a half-composed frame reached the window";
    EXPECT_GE(counter->whole.load(), 3) << "both frames and the later repaint were shown";
}
