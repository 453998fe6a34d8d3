#include "toolkit/SecretPanel.h"

#include "platform/framework/StdCtrls.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Thread.h"
#include "tests/toolkit/ListBoxTestSupport.h"

#include <QImage>
#include <QPixmap>
#include <atomic>
#include <thread>

using namespace listbox_test;

namespace {

std::unique_ptr<TBitmap> glyphOf(int width, int height) {
    auto glyph = std::make_unique<TBitmap>();
    glyph->SetSize(width, height);
    glyph->Canvas().Brush().SetColor(clRed);
    glyph->Canvas().FillRect({0, 0, width, height});
    return glyph;
}

class SecretPanelFixture : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        panel = place<TSecretPanel>(10, 10, 200, 120);
        panel->SetInterval(1);
        panel->OnStopPlay = [this](TObject*) {
            stoppedOnGuiThread = IsMainThread();
            ++stops;
        };
    }
    void lines(std::initializer_list<const char*> texts) {
        panel->Lines().Clear();
        for (const char* text : texts)
            panel->Lines().Add(text);
    }
    int lineHeight() {
        TCanvas measure;
        measure.Font().Assign(panel->Font());
        return measure.TextHeight("Wg");
    }
    bool runToTheEnd() {
        return PumpUntil([this] { return !panel->Active(); });
    }
    TSecretPanel* panel = nullptr;
    bool stoppedOnGuiThread = false;
    int stops = 0;
};

} // namespace

TEST_F(SecretPanelFixture, TheGlyphTakesItsSideAndTheTextTheRest) {
    // Bevel 1 wide, gap 3: the text area starts 4 in; a 20 x 10 glyph on the left pushes
    // it to glyph + 20 + 1 + 3.
    panel->SetGlyph(glyphOf(20, 10).get());
    lines({"line"});
    panel->Play();
    EXPECT_EQ(panel->TextRect(), (RECT{7 + 20 + 1 + 3, 4, 196, 116}));
    panel->SetGlyphLayout(glGlyphRight);
    EXPECT_EQ(panel->TextRect(), (RECT{4, 4, 196 - 3 - 20 - 4, 116}));
    panel->SetGlyphLayout(glGlyphTop);
    EXPECT_EQ(panel->TextRect(), (RECT{4, 7 + 10 + 1 + 6, 196, 116}));
    panel->SetGlyphLayout(glGlyphBottom);
    EXPECT_EQ(panel->TextRect(), (RECT{4, 4, 196, 116 - 3 - 10 - 7}));
    panel->SetGlyph(nullptr);
    EXPECT_EQ(panel->TextRect(), (RECT{4, 4, 196, 116})) << "no glyph, no room for it";
    panel->Stop();
}

TEST_F(SecretPanelFixture, SideScrollingCentresTheBlockOfLinesAndRunsTheWidestLineOut) {
    lines({"", "first", "a much wider second line", "", ""});
    panel->SetScrollDirection(sdHorizontal);
    panel->Play();
    const RECT text = panel->TextRect();
    const int h = lineHeight();
    const int spare = 112 - 2 * h;
    EXPECT_EQ(text.top, 4 + spare / 2);
    EXPECT_EQ(text.bottom, 116 - spare / 2);
    TCanvas measure;
    measure.Font().Assign(panel->Font());
    EXPECT_EQ(panel->MaxScroll(), measure.TextWidth("a much wider second line") + 192);
    panel->Stop();
}

TEST_F(SecretPanelFixture, UpwardsTheTextRunsItsHeightPlusEveryLineFromTheFirstNonBlankOne) {
    lines({" ", "one", "two", "three"});
    panel->Play();
    EXPECT_EQ(panel->LineHeight(), lineHeight());
    EXPECT_EQ(panel->MaxScroll(), 112 + 3 * lineHeight());
    lines({"", " ", "\t"});
    EXPECT_EQ(panel->MaxScroll(), 112) << "blank lines only: an empty area scrolls by";
    panel->SetTextStyle(bvRaised);
    EXPECT_EQ(panel->LineHeight(), lineHeight() + 1);
    panel->Stop();
}

TEST_F(SecretPanelFixture, ALineTallerThan255PixelsKeepsItsHeight) {
    panel->Font().SetHeight(-280);
    lines({"W"});
    panel->Play();
    EXPECT_GT(panel->LineHeight(), 255);
    EXPECT_EQ(panel->MaxScroll(), 112 + panel->LineHeight());
    panel->Stop();
}

TEST_F(SecretPanelFixture, HugeStoredBorderAndBevelWidthsPaintAnEmptyPanelAtOnceAndAreKept) {
    auto* plain = place<TPanel>(10, 140, 100, 40);
    plain->SetBevelWidth(INT_MAX);
    panel->SetBevelInner(bvRaised);
    panel->SetBevelWidth(INT_MAX);
    panel->SetBorderWidth(INT_MAX);
    lines({"x"});
    panel->Play();
    vx::ControlWidget(panel)->grab(); // paints at once, not for ever
    vx::ControlWidget(plain)->grab();
    EXPECT_EQ(panel->BorderWidth(), INT_MAX);
    EXPECT_EQ(panel->TextRect(), (RECT{0, 0, 0, 0}));
    panel->Stop();
}

TEST_F(SecretPanelFixture, PlayingHidesTheChildrenAndStoppingBringsBackOnlyThoseItHid) {
    auto* shown = new TButton(form);
    shown->SetParent(panel);
    auto* hidden = new TButton(form);
    hidden->SetParent(panel);
    hidden->Hide();
    lines({"x"});
    panel->Play();
    EXPECT_FALSE(shown->Visible());
    panel->Stop();
    EXPECT_TRUE(shown->Visible());
    EXPECT_FALSE(hidden->Visible());
}

TEST_F(SecretPanelFixture, TimerLifetimeAHiddenChildFreedWhilePlayingIsForgotten) {
    for (bool toTheEnd : {false, true}) {
        auto* kept = new TButton(form);
        kept->SetParent(panel);
        auto* freed = new TButton(form);
        freed->SetParent(panel);
        lines({"x"});
        panel->Play();
        freed->Free();
        if (!toTheEnd) panel->Stop();
        ASSERT_TRUE(runToTheEnd());
        EXPECT_TRUE(kept->Visible()) << (toTheEnd ? "at the end of the text" : "stopped");
        kept->Free();
    }
}

TEST_F(SecretPanelFixture, TheTextStopsItselfAfterTheLastLineHasGoneAndTheChildrenReturn) {
    auto* child = new TButton(form);
    child->SetParent(panel);
    lines({"one", "two"});
    int starts = 0;
    panel->OnStartPlay = [&](TObject*) { ++starts; };
    panel->Play();
    ASSERT_TRUE(runToTheEnd());
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(stoppedOnGuiThread) << "the stop is handed to the GUI thread";
    EXPECT_TRUE(child->Visible());
    EXPECT_EQ(panel->ScrollCount(), 0);
}

TEST_F(SecretPanelFixture, ACycledPanelStartsAgainInsteadOfStopping) {
    ScopedTestClock clock;
    panel->SetBounds(10, 10, 60, 30);
    lines({"a"});
    panel->SetCycled(true);
    panel->Play();
    // One tick a step, each awaited: the text runs to its end and the next tick starts it again.
    const int end = panel->MaxScroll();
    for (int tick = 1; tick <= end + 1; ++tick) {
        const int before = panel->ScrollCount();
        clock.clock().Advance(1);
        ASSERT_TRUE(PumpUntil([&] { return panel->ScrollCount() != before; })) << "tick " << tick;
    }
    EXPECT_EQ(panel->ScrollCount(), 0);
    EXPECT_TRUE(panel->Active());
    EXPECT_EQ(stops, 0);
    panel->Stop();
}

TEST_F(SecretPanelFixture, NewLinesWhilePlayingStartTheTextAgain) {
    lines({"one", "two", "three"});
    panel->Play();
    ASSERT_TRUE(PumpUntil([&] { return panel->ScrollCount() > 20; }));
    panel->SetAsyncDrawing(false);
    lines({"other"});
    EXPECT_LT(panel->ScrollCount(), 20);
    EXPECT_EQ(panel->MaxScroll(), 112 + lineHeight());
    panel->Stop();
}

TEST_F(SecretPanelFixture, AFailingStartLeavesThePanelStopped) {
    lines({"x"});
    panel->OnStartPlay = [](TObject*) { throw Exception("no show today"); };
    EXPECT_THROW(panel->Play(), Exception);
    EXPECT_FALSE(panel->Active());
    panel->OnStartPlay = nullptr;
    panel->Play();
    EXPECT_TRUE(panel->Active());
    panel->Stop();
}

TEST_F(SecretPanelFixture, ThePaintedTextRisesOnePixelATick) {
    panel->SetAsyncDrawing(false);
    panel->SetColor(clWhite);
    panel->Font().SetColor(clBlack);
    panel->Font().SetQuality(fqNonAntialiased);
    lines({"XXXXXXXX"});
    form->Show();
    panel->Play();
    const RECT text = panel->TextRect();
    const auto topOfInk = [&] {
        const QImage shot = vx::ControlWidget(panel)->grab().toImage();
        for (int y = text.top; y < text.bottom; ++y)
            for (int x = text.left; x < text.right; ++x)
                if ((shot.pixel(x, y) & 0xFFFFFFu) == 0) return y;
        return -1;
    };
    ASSERT_TRUE(PumpUntil([&] { return panel->ScrollCount() >= 30; }));
    panel->SetInterval(100000);
    const int count = panel->ScrollCount();
    const int first = topOfInk();
    ASSERT_GE(first, 0);
    // The line's box starts at the bottom of the text area less the pixels scrolled.
    const int boxTop = text.bottom - count;
    EXPECT_GE(first, boxTop);
    EXPECT_LT(first, boxTop + lineHeight());
    panel->Stop();
}

TEST_F(SecretPanelFixture, ThreadAsyncTicksRunOnTheTimersThreadAndSyncOnesOnTheGuiThread) {
    lines({"x"});
    // Cycled, the text never runs out and stops the panel while the GUI thread waits its turn.
    panel->SetCycled(true);
    std::atomic<int> onGui{0}, elsewhere{0};
    panel->OnPaintClient = [&](TObject*, TCanvas& canvas, const RECT& rect) {
        (IsMainThread() ? onGui : elsewhere)++;
        canvas.FillRect(rect);
    };
    panel->Play();
    ASSERT_TRUE(PumpUntil([&] { return elsewhere > 5; }));
    panel->SetAsyncDrawing(false);
    const int before = onGui;
    ASSERT_TRUE(PumpUntil([&] { return onGui > before + 5; }));
    panel->Stop();
}

TEST_F(SecretPanelFixture, ThreadDrawingWhileTheGuiPaintsAndTheUserChangesTheText) {
    form->Show();
    lines({"one", "two", "three", "four"});
    panel->SetCycled(true);
    panel->Play();
    for (int round = 0; round < 20; ++round) {
        vx::ControlWidget(panel)->repaint();
        panel->SetTextStyle(round % 2 ? bvLowered : bvRaised);
        panel->SetAlignment(round % 3 ? taLeftJustify : taRightJustify);
        if (round % 5 == 0) lines({"again", "and again"});
        PumpUntil([] { return false; }, 5);
    }
    EXPECT_TRUE(panel->Active());
    panel->Stop();
}

TEST_F(SecretPanelFixture, ThreadFreeingAPlayingPanelStopsItsTicksFirst) {
    lines({"one", "two"});
    panel->SetCycled(true);
    panel->Play();
    ASSERT_TRUE(PumpUntil([&] { return panel->ScrollCount() > 3; }));
    panel->Free();
    PumpUntil([] { return false; }, 20);
    SUCCEED() << "no tick ran on the freed panel (the sanitizers watch this)";
}
