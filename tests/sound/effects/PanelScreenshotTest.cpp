// The four editing panels on a virtual X display, attached to a playing engine (ThreadSanitizer
// is kept off these: the X platform's own threads are not instrumented): the test runs
// its own binary on the display with a disabled case that shows the panels, drags the mouse
// across the curve and a slider with xdotool, grabs the screen and reports what the effects
// hold afterwards.
#include "../SoundTestKit.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/Application.h"
#include "platform/framework/MessageService.h"
#include "sound/CtrlChor.h"
#include "sound/CtrlEQ.h"
#include "sound/CtrlEcho.h"
#include "sound/CtrlFFT.h"
#include "sound/DSPlay.h"
#include "tests/platform/framework/GuiTestSupport.h"

#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>

namespace {

constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;

bool HaveTools() {
    return std::system("command -v Xvfb >/dev/null && command -v import >/dev/null && "
                       "command -v convert >/dev/null && command -v xdotool >/dev/null") == 0;
}

void PumpFor(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

struct Shot {
    std::vector<unsigned char> rgb; // the screen, three bytes a pixel
    std::map<std::string, int> values;

    int Count(const RECT& in, unsigned char r, unsigned char g, unsigned char b, int tolerance) const {
        int n = 0;
        for (int y = in.top; y < in.bottom; ++y)
            for (int x = in.left; x < in.right; ++x) {
                const std::size_t i =
                    (static_cast<std::size_t>(y) * ScreenWidth + static_cast<std::size_t>(x)) * 3;
                n += std::abs(rgb[i] - r) <= tolerance && std::abs(rgb[i + 1] - g) <= tolerance &&
                     std::abs(rgb[i + 2] - b) <= tolerance;
            }
        return n;
    }
};

// Runs the disabled case on a fresh display; "disabled" shows the panels switched off.
Shot RunOnDisplay(const std::string& variant) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string base = std::string(VX_TEST_TMP) + "/panels-" + variant;
    const std::string run =
        "ASAN_OPTIONS=detect_leaks=0 VX_PANEL_SHOT=\"" + base + "\" VX_PANEL_VARIANT=" + variant +
        " QT_QPA_PLATFORM=xcb \"" VX_SOURCE_DIR "/tools/on-xvfb.sh\" 800x600x24 \"" + self +
        "\" --gtest_also_run_disabled_tests "
        "--gtest_filter=PanelScreenshot.DISABLED_ShowsThePanels >/dev/null 2>&1";
    Shot shot;
    if (std::system(run.c_str()) != 0 ||
        std::system(("convert \"" + base + ".png\" -depth 8 rgb:\"" + base + ".rgb\"").c_str()) != 0)
        return shot;
    std::ifstream raw(base + ".rgb", std::ios::binary);
    shot.rgb.assign(std::istreambuf_iterator<char>(raw), std::istreambuf_iterator<char>());
    std::ifstream values(base + ".txt");
    std::string name;
    int value = 0;
    while (values >> name >> value)
        shot.values[name] = value;
    return shot;
}

// Where the style draws a slider's thumb: asked of a probe slider set up like it (Qt keeps
// the style option's builder protected).
QRect ThumbRect(const QSlider* slider) {
    struct Probe : QSlider {
        using QSlider::initStyleOption;
    } probe;
    probe.setOrientation(slider->orientation());
    probe.setRange(slider->minimum(), slider->maximum());
    probe.setInvertedAppearance(slider->invertedAppearance());
    probe.setTickPosition(slider->tickPosition());
    probe.setValue(slider->value());
    probe.resize(slider->size());
    QStyleOptionSlider option;
    probe.initStyleOption(&option);
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &probe);
}

// xdotool works in screen pixels: where a widget point lands.
std::string ScreenPoint(TControl* control, int x, int y) {
    const QPoint at = vx::ControlWidget(control)->mapToGlobal(QPoint(x, y));
    return std::to_string(at.x()) + " " + std::to_string(at.y());
}

} // namespace

// Run by the cases below on a virtual display, never by ctest directly.
TEST(PanelScreenshot, DISABLED_ShowsThePanels) {
    const char* output = std::getenv("VX_PANEL_SHOT");
    const char* variant = std::getenv("VX_PANEL_VARIANT");
    ASSERT_NE(output, nullptr);
    ASSERT_NE(variant, nullptr);
    const bool disabled = std::string(variant) == "disabled";
    Application->Initialize();
    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 2 * TSndControlBase::PanelWidth, 2 * TSndControlBase::PanelHeight);
    new RampPlug(form, "ramp", 1u << 30);
    auto* fft = new TSndFFT(form);
    auto* chorus = new TSndChorus(form);
    auto* echo = new TSndEcho(form);
    auto* eq = new TSndEQ(form);
    auto* play = new TDSPlay(form);
    auto* fftPanel = new TSndControlFFT(form);
    auto* chorusPanel = new TSndControlChorus(form);
    auto* echoPanel = new TSndControlEcho(form);
    auto* eqPanel = new TSndControlEQ(form);
    const TSndControlBase* panels[] = {fftPanel, chorusPanel, echoPanel, eqPanel};
    for (int i = 0; i < 4; ++i) {
        auto* panel = const_cast<TSndControlBase*>(panels[i]);
        panel->SetParent(form);
        panel->SetBounds(i % 2 * TSndControlBase::PanelWidth, i / 2 * TSndControlBase::PanelHeight,
                         TSndControlBase::PanelWidth, TSndControlBase::PanelHeight);
    }
    form->LoadTree();
    fftPanel->SetSndFFT(fft);
    chorusPanel->SetSndChorus(chorus);
    echoPanel->SetSndEcho(echo);
    eqPanel->SetSndEQ(eq);
    play->SetUseEffects(true);
    play->SetFileName("ramp.raw");
    play->SetActive(true);
    for (const TSndControlBase* panel : panels)
        panel->EnabledBox->SetChecked(!disabled);
    for (std::size_t k = 1; k < eq->Gains.size(); ++k)
        eq->Gains[k] = 128 * static_cast<int>(k) / 4 + 12;
    eq->Init(); // the engine's own Init would do the same at its next start: the sliders follow
    form->Show();
    if (disabled)
        for (const TSndControlBase* panel : panels)
            const_cast<TSndControlBase*>(panel)->SetEnabled(false);
    PumpFor(800);
    if (!disabled) {
        // A stroke across the lower curve, then the echo's gain slider dragged to its end.
        std::system(("xdotool mousemove " + ScreenPoint(fftPanel->Image, 2, 40) + " mousedown 1 mousemove " +
                     ScreenPoint(fftPanel->Image, 120, 70) + " mousemove " +
                     ScreenPoint(fftPanel->Image, 250, 110) + " mouseup 1")
                        .c_str());
        PumpFor(300);
        const QPoint thumb = ThumbRect(static_cast<QSlider*>(vx::ControlWidget(echoPanel->GainBar))).center();
        std::system(("xdotool mousemove " + ScreenPoint(echoPanel->GainBar, thumb.x(), thumb.y()) +
                     " mousedown 1 mousemove " + ScreenPoint(echoPanel->GainBar, 150, thumb.y()) +
                     " mousemove " + ScreenPoint(echoPanel->GainBar, 400, thumb.y()) + " mouseup 1")
                        .c_str());
        PumpFor(500);
    }
    for (int i = 0; i < 4; ++i)
        audio.backend().Render(8192); // the engine plays on under the panels
    EXPECT_EQ(std::system((std::string("import -window root \"") + output + ".png\"").c_str()), 0);
    std::ofstream values(std::string(output) + ".txt");
    values << "curve0 " << fft->Curve[0].load() << "\ncurve62 " << fft->Curve[62].load() << "\ncurve100 "
           << fft->Curve[100].load() << "\ngain " << echo->Gain.load() << "\nenabled " << echo->Enabled.load()
           << "\n";
    play->SetActive(false);
    delete form;
}

TEST(PanelScreenshotUnderXvfb, TheMouseDrawsTheCurveAndDragsASliderWhileTheMusicPlays) {
    if (!HaveTools()) GTEST_SKIP() << "Xvfb, xdotool or imagemagick missing";
    Shot shot = RunOnDisplay("enabled");
    ASSERT_EQ(shot.rgb.size(), std::size_t{ScreenWidth * ScreenHeight * 3});
    EXPECT_EQ(shot.values["curve0"], 127 - 40) << "the stroke started at y 40";
    EXPECT_EQ(shot.values["curve62"], 127 - 110) << "and ended at y 110";
    EXPECT_EQ(shot.values["curve100"], 32) << "beyond the picture";
    EXPECT_EQ(shot.values["gain"], 256) << "the slider went to its end";
    EXPECT_EQ(shot.values["enabled"], 1);
    const RECT picture{9, 43, 9 + 256, 43 + 128};
    EXPECT_GT(shot.Count(picture, 255, 255, 255, 8), 256 * 100) << "the white picture of the curve";
    EXPECT_GT(shot.Count(picture, 255, 0, 0, 40), 200) << "the red curve";
}

TEST(PanelScreenshotUnderXvfb, SwitchedOffPanelsStillShowTheirValues) {
    if (!HaveTools()) GTEST_SKIP() << "Xvfb, xdotool or imagemagick missing";
    Shot shot = RunOnDisplay("disabled");
    ASSERT_EQ(shot.rgb.size(), std::size_t{ScreenWidth * ScreenHeight * 3});
    EXPECT_EQ(shot.values["enabled"], 0);
    EXPECT_EQ(shot.values["curve0"], 32) << "nothing was drawn";
    const RECT picture{9, 43, 9 + 256, 43 + 128};
    EXPECT_GT(shot.Count(picture, 255, 0, 0, 40), 200) << "the flat curve";
}
