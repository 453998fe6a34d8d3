// The editing panels on the offscreen GUI: attaching, writing, refreshing, the mouse on the
// curve and the sliders, and lifetimes and threads around them.
#include "EffectTestKit.h"
#include "sound/CtrlChor.h"
#include "sound/CtrlEQ.h"
#include "sound/CtrlEcho.h"
#include "sound/CtrlFFT.h"
#include "tests/platform/framework/GuiTestSupport.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QSlider>
#include <gtest/gtest.h>

#include <limits>
#include <thread>

namespace {

class Panels : public ::testing::Test {
protected:
    void SetUp() override {
        vx::EnsureQtApplication();
        form = new TForm(nullptr);
        form->SetClientWidth(TSndControlBase::PanelWidth);
        form->SetClientHeight(TSndControlBase::PanelHeight);
    }
    void TearDown() override { form->Free(); }
    template <class T> T* panel() {
        auto* p = new T(form);
        p->SetParent(form);
        return p;
    }
    TForm* form = nullptr;
};

// What a user's hand does to a widget: press, optional moves, release, at widget points.
void Drag(TControl* control, std::initializer_list<QPointF> points) {
    QWidget* widget = vx::ControlWidget(control);
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    };
    auto it = points.begin();
    send(QEvent::MouseButtonPress, *it, Qt::LeftButton);
    QPointF last = *it;
    for (++it; it != points.end(); ++it) {
        send(QEvent::MouseMove, *it, Qt::LeftButton);
        last = *it;
    }
    send(QEvent::MouseButtonRelease, last, Qt::NoButton);
}

// The user drags a bar's thumb to a position. A vertical bar's slider counts from the
// bottom, so its value is the position mirrored within the range.
void UserMoves(TTrackBar* bar, int position) {
    const int value = bar->Orientation() == trVertical ? bar->Min() + bar->Max() - position : position;
    static_cast<QSlider*>(vx::ControlWidget(bar))->setValue(value);
}

} // namespace

TEST_F(Panels, AttachingShowsTheEffectsValuesWithoutChangingThem) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 2, 16, 44100);
    chorus.Delay = 333;
    chorus.WetGain = 17;
    chorus.MixSign = -1;
    chorus.FeedbackSign = 1;
    chorus.Waveform = 0;
    chorus.Rate = 7.9f;
    auto* p = panel<TSndControlChorus>();
    p->SetSndChorus(&chorus);
    EXPECT_EQ(p->DelayBar->Position(), 333);
    EXPECT_EQ(p->WetGainBar->Position(), 17);
    EXPECT_TRUE(p->InvertMixingBox->Checked());
    EXPECT_FALSE(p->InvertFeedbackBox->Checked());
    EXPECT_TRUE(p->SineButton->Checked());
    EXPECT_EQ(p->RateEdit->Value(), 7);
    EXPECT_EQ(chorus.Delay.load(), 333) << "no control wrote back while the panel filled itself";
    EXPECT_EQ(chorus.Depth.load(), 100);
    EXPECT_EQ(chorus.Rate.load(), 7.9f);
    EXPECT_EQ(chorus.FeedbackSign.load(), 1);
    EXPECT_FALSE(chorus.Enabled.load());
}

TEST_F(Panels, ControlsWriteTheirEffectAndEnablingReinitialisesIt) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 1, 16, 44100);
    auto* p = panel<TSndControlChorus>();
    p->SetSndChorus(&chorus);
    UserMoves(p->DelayBar, 400);
    UserMoves(p->FeedbackGainBar, 200);
    p->InvertFeedbackBox->SetChecked(false);
    p->RateEdit->SetValue(3);
    p->SineButton->SetChecked(true);
    EXPECT_EQ(chorus.Delay.load(), 400);
    EXPECT_EQ(chorus.FeedbackGain.load(), 200);
    EXPECT_EQ(chorus.FeedbackSign.load(), 1);
    EXPECT_EQ(chorus.Rate.load(), 3.0f);
    EXPECT_FLOAT_EQ(chorus.LfoTable[0], 8820.0f) << "the sweep waits for the next Init";
    int enabledChanges = 0;
    p->OnEnabledChange = [&](TObject* sender) {
        EXPECT_EQ(sender, p);
        ++enabledChanges;
    };
    p->EnabledBox->SetChecked(true);
    EXPECT_TRUE(chorus.Enabled.load());
    EXPECT_EQ(chorus.Waveform.load(), 0);
    EXPECT_EQ(chorus.LfoLength, 14700) << "rebuilt at 3 cycles a second";
    EXPECT_FLOAT_EQ(chorus.LfoTable[0], 17640.0f + 2205.0f) << "a sine around 400 ms plus half the depth";
    const int inits = ready.changes;
    p->EnabledBox->SetChecked(false);
    EXPECT_FALSE(chorus.Enabled.load());
    EXPECT_EQ(ready.changes, inits) << "unchecking runs no Init";
    EXPECT_EQ(enabledChanges, 2);
}

TEST_F(Panels, EchoSlidersReachTheEffect) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 2, 16, 44100);
    auto* p = panel<TSndControlEcho>();
    p->SetSndEcho(&echo);
    EXPECT_EQ(p->DelayBar->Position(), 300);
    UserMoves(p->DelayBar, 750);
    UserMoves(p->GainBar, 256);
    EXPECT_EQ(echo.Delay.load(), 750);
    EXPECT_EQ(echo.Gain.load(), 256);
}

TEST_F(Panels, SettingAnotherEffectReleasesThePreviousOne) {
    TSndEcho first(nullptr), second(nullptr);
    ReadyEffect ready1(first, 1, 16, 44100);
    ReadyEffect ready2(second, 1, 16, 44100);
    auto* p = panel<TSndControlEcho>();
    p->SetSndEcho(&first);
    p->SetSndEcho(&first);
    EXPECT_TRUE(first.OnChange());
    p->SetSndEcho(&second);
    EXPECT_FALSE(first.OnChange()) << "the first effect stops processing";
    EXPECT_TRUE(second.OnChange());
    first.Enabled = true;
    auto data = Impulse(10, 0, 1000);
    first.Process(data.data(), nullptr, 10);
    EXPECT_EQ(data, Impulse(10, 0, 1000));
}

TEST_F(Panels, EqualiserSlidersAreDecibelsUpsideDownAndResetGoesBackToUnity) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 2, 16, 44100);
    auto* p = panel<TSndControlEQ>();
    p->SetSndEQ(&eq);
    UserMoves(p->Bars[0], -20);
    UserMoves(p->Bars[10], 20);
    UserMoves(p->Bars[3], -6);
    EXPECT_EQ(eq.Gains[0].load(), 1280) << "the top is +20 dB";
    EXPECT_EQ(eq.Gains[10].load(), 12) << "the bottom is -20 dB";
    EXPECT_EQ(eq.Gains[3].load(), 255);
    for (int position = -20; position <= 20; ++position)
        ASSERT_EQ(TSndControlEQ::PositionOfGain(TSndControlEQ::GainOfPosition(position)), position);
    EXPECT_EQ(TSndControlEQ::PositionOfGain(0), 20) << "no gain shows at the bottom";
    EXPECT_EQ(TSndControlEQ::PositionOfGain(-7), 20);
    EXPECT_EQ(TSndControlEQ::PositionOfGain(1'000'000), -20);
    p->ResetButton->Click();
    for (std::size_t k = 0; k < p->Bars.size(); ++k) {
        EXPECT_EQ(p->Bars[k]->Position(), 0);
        EXPECT_EQ(eq.Gains[k].load(), 128);
    }
}

TEST_F(Panels, EqualiserGainsSurviveEveryRefreshAndMoveOfAnotherSlider) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 2, 16, 44100);
    eq.Gains[5] = 200; // set by the program, between two slider positions
    auto* p = panel<TSndControlEQ>();
    p->SetSndEQ(&eq);
    UserMoves(p->Bars[3], -6);
    for (int round = 0; round < 3; ++round) {
        p->EnabledBox->SetChecked(true); // Init refreshes the panel
        p->EnabledBox->SetChecked(false);
    }
    UserMoves(p->Bars[7], 2);
    EXPECT_EQ(eq.Gains[3].load(), 255) << "+6 dB stays +6 dB";
    EXPECT_EQ(eq.Gains[5].load(), 200) << "a slider the user left alone writes nothing";
    EXPECT_EQ(p->Bars[3]->Position(), -6);
}

TEST_F(Panels, EqualiserLabelsTheBandsAtTheEffectsRate) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 2, 16, 44100);
    auto* p = panel<TSndControlEQ>();
    p->SetSndEQ(&eq);
    std::vector<std::string> captions;
    for (TLabel* label : p->BandLabels)
        captions.push_back(label->Caption());
    EXPECT_EQ(captions, (std::vector<std::string>{"16.5k", "8.3k", "4.1k", "2.1k", "1k", "517", "258", "129",
                                                  "65", "32"}));
    EXPECT_EQ(p->BandLabels[0]->Left(), 333) << "band 1, the highest, at the right";
    EXPECT_EQ(p->Bars[10]->Left(), 60) << "the lowest band at the left";
}

TEST_F(Panels, DrawingOnTheCurveSetsItsPointsAndResetFlattensIt) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 2, 16, 44100);
    auto* p = panel<TSndControlFFT>();
    p->SetSndFFT(&fft);
    EXPECT_EQ(p->FrequencyLabels[0]->Caption(), "10.8 Hz");
    EXPECT_EQ(p->FrequencyLabels[4]->Caption(), "5.5 kHz");
    // A stroke from the left, low, to the right, high, and off the picture.
    Drag(p->Image, {{0, 120}, {40, 100}, {41, 100}, {200, 10}, {400, -50}});
    EXPECT_EQ(fft.Curve[0].load(), 7);
    EXPECT_EQ(fft.Curve[10].load(), 27);
    EXPECT_EQ(fft.Curve[50].load(), 117);
    EXPECT_EQ(fft.Curve[63].load(), 127) << "clamped to the picture";
    EXPECT_EQ(fft.Curve[30].load(), 32) << "points the stroke skipped keep their value";
    EXPECT_EQ(fft.Curve[64].load(), 32) << "beyond the picture nothing changes";
    EXPECT_EQ(p->Picture().Pixel(41, 127 - 27), clRed) << "the curve passes x = 41 at point 10";
    UserMoves(p->ShiftBar, -100);
    p->AbsoluteButton->SetChecked(true);
    EXPECT_EQ(fft.Shift.load(), 100);
    EXPECT_FALSE(fft.Proportional.load());
    p->ResetButton->Click();
    for (auto& point : fft.Curve)
        ASSERT_EQ(point.load(), 32);
    EXPECT_EQ(fft.Shift.load(), 0);
    EXPECT_EQ(p->Picture().Pixel(100, 127 - 32), clRed);
    EXPECT_EQ(p->Picture().Pixel(100, 96), clBlack) << "the unity line";
}

TEST_F(Panels, ClosingOneOfTwoPanelsLeavesTheEffectToTheOther) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 1, 16, 44100);
    auto* earlier = panel<TSndControlEcho>();
    auto* kept = panel<TSndControlEcho>();
    auto* later = panel<TSndControlEcho>();
    for (TSndControlEcho* p : {earlier, kept, later})
        p->SetSndEcho(&echo);
    later->Free(); // the panel the effect refreshes
    earlier->Free();
    echo.Gain = 99;
    echo.Init();
    EXPECT_EQ(kept->GainBar->Position(), 99) << "the panel left follows the effect";
    EXPECT_TRUE(echo.OnChange()) << "and the effect goes on processing";
}

TEST_F(Panels, SpectrumPanelKeepsExtremeFieldsWithinItsPictureAndSlider) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 2, 16, 44100);
    fft.Curve[10] = std::numeric_limits<int>::max();
    fft.Curve[20] = std::numeric_limits<int>::min();
    fft.Shift = std::numeric_limits<int>::min();
    auto* p = panel<TSndControlFFT>();
    p->SetSndFFT(&fft);
    EXPECT_EQ(p->Picture().Pixel(41, 0), clRed) << "a huge gain runs along the top";
    EXPECT_EQ(p->Picture().Pixel(81, 127), clRed) << "a huge cut along the bottom";
    EXPECT_EQ(p->ShiftBar->Position(), 128) << "the largest shift down shows at the end of the slider";
    p->EnabledBox->SetChecked(true);
    EXPECT_EQ(fft.Shift.load(), std::numeric_limits<int>::min()) << "what is shown is not written back";
}

TEST_F(Panels, APanelOutlivesItsEffectAndAnEffectOutlivesItsPanel) {
    auto* echo = new TSndEcho(nullptr);
    auto* p = panel<TSndControlEcho>();
    p->SetSndEcho(echo);
    delete echo;
    EXPECT_EQ(p->SndEffect(), nullptr);
    p->EnabledBox->SetChecked(true);
    UserMoves(p->DelayBar, 10);

    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 1, 16, 44100);
    auto* q = panel<TSndControlEQ>();
    q->SetSndEQ(&eq);
    q->Free();
    EXPECT_FALSE(eq.OnChange()) << "the effect holds no handler into the panel that went";
    eq.Init();
}

TEST_F(Panels, InitOnAnotherThreadRefreshesThePanelOnTheGuiThread) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 1, 16, 44100);
    auto* p = panel<TSndControlEcho>();
    p->SetSndEcho(&echo);
    echo.Delay = 900;
    std::thread engine([&] { echo.Init(); });
    engine.join();
    EXPECT_EQ(p->DelayBar->Position(), 300) << "not touched from the other thread";
    EXPECT_TRUE(PumpUntil([&] { return p->DelayBar->Position() == 900; }));

    echo.Delay = 100;
    std::thread late([&] { echo.Init(); });
    late.join();
    p->Free();
    Application->ProcessMessages(); // the queued refresh finds no panel and does nothing
    EXPECT_FALSE(echo.OnChange());
}
