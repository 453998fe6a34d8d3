#pragma once
// What the tests that look at a real X display share: a case runs its own test binary again
// on a fresh virtual display (tools/on-xvfb.sh), where a disabled case shows what is to be
// seen, gives the X server time to paint it (vx_test::PumpFor) and grabs the screen; the
// case then reads the grab back as raw RGB pixels.
#include "tests/EventPump.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vx_test {

// Xvfb to show, import to grab and convert to read the grab back.
inline bool HaveScreenshotTools() {
    return std::system("command -v Xvfb >/dev/null && command -v import >/dev/null && "
                       "command -v convert >/dev/null") == 0;
}

// Runs this binary's disabled case testCase ("Suite.DISABLED_Case") on a fresh virtual
// display of screen ("800x600x24"), with the variables of environment ("NAME=value ...");
// true when it passed.
inline bool RunOnVirtualDisplay(const std::string& environment, const std::string& screen,
                                const std::string& testCase) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    // The X platform's system libraries keep allocations until exit; the grab is all this
    // run is for, so a sanitizer build does not check it for leaks.
    const std::string run = "ASAN_OPTIONS=detect_leaks=0 " + environment +
                            " QT_QPA_PLATFORM=xcb \"" VX_SOURCE_DIR "/tools/on-xvfb.sh\" " + screen + " \"" +
                            self + "\" --gtest_also_run_disabled_tests --gtest_filter=" + testCase +
                            " >/dev/null 2>&1";
    return std::system(run.c_str()) == 0;
}

inline void GrabScreen(const std::string& png) {
    EXPECT_EQ(std::system(("import -window root \"" + png + "\"").c_str()), 0);
}

// The pixels of png, three bytes each, row by row, converted into the file raw; empty when
// the picture cannot be read.
inline std::vector<unsigned char> ReadRgb(const std::string& png, const std::string& raw) {
    if (std::system(("convert \"" + png + "\" -depth 8 rgb:\"" + raw + "\"").c_str()) != 0) return {};
    std::ifstream file(raw, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace vx_test
