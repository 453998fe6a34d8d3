// The mixer control on a virtual X display: a studio card with every kind of control in its
// states (meters moving, a fader below zero, a mono line, a selection list, disabled, long
// names), and the control on the private sound server through ALSA's default device. The
// test runs its own binary on Xvfb; the disabled case there builds the scene and grabs the
// screen, and the grab is read back as raw pixels.
#include "MixerTestKit.h"
#include "tests/SoundServer.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

using namespace mixer_fixtures;

namespace {

constexpr int screenWidth = 1440;
constexpr int screenHeight = 768;
constexpr int cellWidth = 470;
constexpr int cellHeight = 230;

struct Grab {
    std::vector<unsigned char> rgb;
    bool ok() const { return rgb.size() == std::size_t{screenWidth * screenHeight * 3}; }
    // Pixels inside the rectangle whose colour satisfies the test.
    template <class Test> int count(RECT r, Test test) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const unsigned char* p = &rgb[(static_cast<std::size_t>(y) * screenWidth + x) * 3];
                n += test(p[0], p[1], p[2]);
            }
        return n;
    }
};

// The mixers stand on a grid of cells, each inside a 470 x 230 cell (the studio's playback
// pages make it 453 wide).
RECT cell(int column, int row) {
    return {column * cellWidth, row * cellHeight, column * cellWidth + 460, row * cellHeight + 220};
}

bool dark(unsigned char r, unsigned char g, unsigned char b) {
    return r < 70 && g < 70 && b < 70;
}

// Fusion draws a progress bar's fill and a checked box's mark in the highlight colour: blue.
bool highlight(unsigned char r, unsigned char g, unsigned char b) {
    return b > 150 && b > r + 60 && b > g + 20;
}

bool haveTools() {
    return std::system("command -v Xvfb >/dev/null && command -v import >/dev/null && "
                       "command -v convert >/dev/null") == 0;
}

Grab grabScene(const std::string& scene) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string png = std::string(VX_TEST_TMP) + "/mixer-" + scene + ".png";
    const std::string raw = std::string(VX_TEST_TMP) + "/mixer-" + scene + ".rgb";
    const std::string run =
        "ASAN_OPTIONS=detect_leaks=0 VX_MIXER_SHOT=\"" + png + "\" VX_MIXER_SCENE=" + scene +
        " QT_QPA_PLATFORM=xcb \"" VX_SOURCE_DIR "/tools/on-xvfb.sh\" 1440x768x24 \"" + self +
        "\" --gtest_also_run_disabled_tests "
        "--gtest_filter=MixDeskScreenshot.DISABLED_ShowsAScene >/dev/null 2>&1";
    Grab grab;
    if (std::system(run.c_str()) != 0 ||
        std::system(("convert \"" + png + "\" -depth 8 rgb:\"" + raw + "\"").c_str()) != 0)
        return grab;
    std::ifstream file(raw, std::ios::binary);
    grab.rgb.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return grab;
}

MixerProbe* place(TForm* form, int column, int row, TSndMixerDestination destination, UINT device) {
    auto* mixer = new MixerProbe(form);
    mixer->SetDefDest(destination);
    mixer->SetLeft(column * cellWidth);
    mixer->SetTop(row * cellHeight);
    mixer->SetParent(form);
    mixer->HandleNeeded();
    if (device != 0) mixer->ChooseDevice(static_cast<int>(device));
    return mixer;
}

MixerLayout longNames() {
    MixerDestinationDesc d;
    d.line =
        line("Playback with a very long short name", std::string(80, 'L'), 1,
             {control(MIXERCONTROL_CONTROLTYPE_VOLUME, "Loudspeaker Volume", "Loudspeaker Volume", 0, 100),
              control(MIXERCONTROL_CONTROLTYPE_ONOFF, "Switch", "Headphone Amplifier Power Save Mode Switch",
                      0, 1),
              list(MIXERCONTROL_CONTROLTYPE_SINGLESELECT, "Mode",
                   {"Automatic Headphone Detection With Muting", "Always On"})});
    return {d};
}

void studioScene(TForm* form, ScopedFakeMixer& fake) {
    const UINT studio = fake.backend().AddDevice("Studio Card", StudioLayout());
    const UINT wide = fake.backend().AddDevice("Card With A Rather Long Product Name", longNames());
    FakeMixerBackend& b = fake.backend();
    b.ChangeFromOutside(studio, b.ControlId(studio, "Speakers", "Speaker Volume"), {52000, 39000});
    b.ChangeFromOutside(studio, b.ControlId(studio, "Speakers", "Bass"), {70});
    b.ChangeFromOutside(studio, b.ControlId(studio, "Speakers", "Treble"), {-6});
    b.ChangeFromOutside(studio, b.ControlId(studio, "Speakers", "Loudness"), {1, 0});
    b.SetMeter(studio, b.ControlId(studio, "Speakers", "Output Level"), {-24576, 8192});
    b.ChangeFromOutside(studio, b.ControlId(studio, "Wave", "Wave Volume"), {-1500, -4500});
    b.ChangeFromOutside(studio, b.ControlId(studio, "Wave", "Mute"), {1});
    b.SetMeter(studio, b.ControlId(studio, "Wave", "Wave Level"), {16384, 32767});
    b.ChangeFromOutside(studio, b.ControlId(studio, "Synthesizer", "Synth Volume"), {20});
    b.ChangeFromOutside(studio, b.ControlId(studio, "Recording Control", "Source"), {0, 1, 0});
    b.SetMeter(studio, b.ControlId(studio, "Recording Control", "Input Level"), {-8000, 30000});
    b.ChangeFromOutside(
        wide, b.ControlId(wide, std::string(80, 'L'), "Headphone Amplifier Power Save Mode Switch"), {1});

    place(form, 0, 0, mdPlay, studio);
    MixerProbe* wave = place(form, 1, 0, mdPlay, studio);
    wave->Pages->SetActivePage(wave->Page("Wave"));
    MixerProbe* synth = place(form, 2, 0, mdPlay, studio);
    synth->Pages->SetActivePage(synth->Page("Synthesizer"));
    place(form, 0, 1, mdRecord, studio);
    MixerProbe* line = place(form, 1, 1, mdRecord, studio);
    line->Pages->SetActivePage(line->Page("Line In"));
    MixerProbe* off = place(form, 2, 1, mdPlay, studio);
    off->SetEnabled(false);
    place(form, 0, 2, mdPlay, wide);
    MixerProbe* other = place(form, 1, 2, mdOther, studio);
    other->SetFocus();
}

} // namespace

// Run by the cases below on a virtual display, never by ctest directly.
TEST(MixDeskScreenshot, DISABLED_ShowsAScene) {
    const char* output = std::getenv("VX_MIXER_SHOT");
    const char* scene = std::getenv("VX_MIXER_SCENE");
    ASSERT_NE(output, nullptr);
    ASSERT_NE(scene, nullptr);
    Application->Initialize();
    ScopedMessageRecorder boxes;
    std::unique_ptr<ScopedFakeMixer> fake;
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, screenWidth, screenHeight);
    if (std::string(scene) == "studio") {
        fake = std::make_unique<ScopedFakeMixer>();
        studioScene(form, *fake);
    } else {
        SetMixerBackend(nullptr);
        MixerProbe* mixer = place(form, 0, 0, mdPlay, 0);
        ASSERT_TRUE(mixer->Opened);
        ASSERT_EQ(mixer->DeviceList->Items()->Strings(0), "PulseAudio");
        ASSERT_EQ(mixer->PageCaptions(), std::vector<std::string>{"Master"});
        MixerProbe* recording = place(form, 1, 0, mdRecord, 0);
        ASSERT_EQ(recording->PageCaptions(), std::vector<std::string>{"Capture"});
    }
    form->Show();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(boxes.Records().empty()) << boxes.Records()[0].caption;
    EXPECT_EQ(std::system((std::string("import -window root \"") + output + "\"").c_str()), 0);
    form->Free();
}

TEST(MixDeskScreenshotUnderXvfb, EveryKindOfControlInItsStates) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    const Grab grab = grabScene("studio");
    ASSERT_TRUE(grab.ok());
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            if (row == 2 && column == 2) continue; // no mixer there
            if (row == 1 && column == 2)
                EXPECT_LT(grab.count(cell(column, row), dark), 20) << "the disabled mixer's texts are grey";
            else
                EXPECT_GT(grab.count(cell(column, row), dark), 150)
                    << "texts of mixer " << column << "," << row;
        }
    }
    // The speakers' faders fill up to their thumbs and the meters to their readings, in the
    // highlight colour; the same page disabled shows them grey.
    const int enabled = grab.count(cell(0, 0), highlight);
    EXPECT_GT(enabled, 1500);
    EXPECT_LT(grab.count(cell(2, 1), highlight), enabled / 20);
    // The recording page's faders stand at 0: their grooves are empty.
    auto faders = [](RECT r) { return RECT{r.left, r.top + 60, r.left + 90, r.top + 200}; };
    EXPECT_GT(grab.count(faders(cell(0, 0)), highlight), 400);
    EXPECT_LT(grab.count(faders(cell(0, 1)), highlight), 20);
}

TEST(MixDeskScreenshotUnderXvfb, TheSoundServersMasterAndCapture) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or imagemagick missing";
    vx_test::ScopedSoundServer server;
    VX_REQUIRE_SOUND_SERVER(server);
    std::string output;
    ASSERT_EQ(server.shell("pactl set-sink-volume vx_null 25%", output), 0) << output;
    const Grab grab = grabScene("server");
    ASSERT_TRUE(grab.ok()) << "the scene asserts the device, pages and messages itself";
    EXPECT_GT(grab.count(cell(0, 0), dark), 150);
    EXPECT_GT(grab.count(cell(1, 0), dark), 150);
}
