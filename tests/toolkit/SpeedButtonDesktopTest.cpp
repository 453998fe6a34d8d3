// A speed button's drop-down menu under a real X server, driven by xdotool: the disabled
// case runs on a fresh virtual display, clicks as a user would and writes down what the
// button and the menu did; the case below reads that back.
#include "platform/framework/Application.h"
#include "platform/framework/PopupMenu.h"
#include "platform/framework/QtBridge.h"
#include "toolkit/KxSpeedButton.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

namespace {

bool haveTools() {
    return std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") == 0;
}

void xdotool(const std::string& arguments) {
    EXPECT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
}

// Runs the events of the GUI (a menu's own loop included) for ms milliseconds.
void runFor(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::map<std::string, int> readCounts(const std::string& path) {
    std::map<std::string, int> counts;
    std::ifstream file(path);
    std::string name;
    int value = 0;
    while (file >> name >> value)
        counts[name] = value;
    return counts;
}

} // namespace

// Run by the case below on a virtual display, never by ctest directly.
TEST(SpeedButtonDesktop, DISABLED_ClicksTheDropDownMenu) {
    const char* output = std::getenv("VX_DESKTOP_RESULT");
    ASSERT_NE(output, nullptr);
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 300, 200);
    auto* button = new TKxSpeedButton(form);
    button->SetParent(form);
    button->SetBounds(20, 20, 60, 30);
    button->SetCaption("Menu");
    auto* menu = new TPopupMenu(form);
    auto* entry = new TMenuItem(form);
    entry->SetCaption("Choose me");
    menu->Items()->Add(entry);
    button->SetDropDownMenu(menu);
    std::map<std::string, int> counts{{"shown", 0}, {"clicks", 0}, {"presses", 0}, {"chosen", 0}};
    menu->OnPopup = [&](TObject*) { ++counts["shown"]; };
    button->OnClick = [&](TObject*) { ++counts["clicks"]; };
    button->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++counts["presses"]; };
    entry->OnClick = [&](TObject*) { ++counts["chosen"]; };
    form->Show();
    runFor(800);

    // A click opens the menu; while it is up, its own loop runs the timers below.
    QTimer::singleShot(600, [] { xdotool("mousemove 50 35 click 1"); });
    xdotool("mousemove 50 35 click 1");
    runFor(1200);
    counts["afterClosing"] = button->State() == kbsUp ? 1 : 0;

    // Opened again, an entry of the menu is chosen.
    QTimer::singleShot(600, [] { xdotool("mousemove 45 62 click 1"); });
    xdotool("mousemove 50 35 click 1");
    runFor(1200);

    std::ofstream file(output);
    for (const auto& [name, value] : counts)
        file << name << ' ' << value << '\n';
    form->Free();
}

TEST(SpeedButtonDesktopUnderXvfb, AClickThatClosesTheMenuDoesNotPressTheButtonAgain) {
    if (!haveTools()) GTEST_SKIP() << "Xvfb or xdotool missing";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string result = std::string(VX_TEST_TMP) + "/desktop.txt";
    const std::string run =
        "ASAN_OPTIONS=detect_leaks=0 VX_DESKTOP_RESULT=\"" + result +
        "\" QT_QPA_PLATFORM=xcb \"" VX_SOURCE_DIR "/tools/on-xvfb.sh\" 640x480x24 \"" + self +
        "\" --gtest_also_run_disabled_tests "
        "--gtest_filter=SpeedButtonDesktop.DISABLED_ClicksTheDropDownMenu >/dev/null 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0);
    std::map<std::string, int> counts = readCounts(result);
    EXPECT_EQ(counts["shown"], 2) << "each of the two opening clicks shows the menu";
    EXPECT_EQ(counts["presses"], 2) << "the click that closed the menu pressed nothing";
    EXPECT_EQ(counts["afterClosing"], 1) << "the button is up again";
    EXPECT_EQ(counts["chosen"], 1);
    EXPECT_EQ(counts["clicks"], 0) << "a button whose menu pops up by itself does not click";
}
