#pragma once
// Runs a Python 3 script as an independent reference for a property test: the test writes
// its cases one per line, the script answers one line per case. Byte strings travel as
// hexadecimal so that every 8-bit value survives the trip.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace vx_test {

inline std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

// The script's answer lines for the given input lines; empty when python3 cannot run.
inline std::vector<std::string> RunPython(const std::string& name, const std::string& script,
                                          const std::vector<std::string>& lines) {
    const std::filesystem::path dir = std::filesystem::path(VX_TEST_TMP) / ("py-" + name);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "script.py") << script;
    {
        std::ofstream input(dir / "input.txt");
        for (const std::string& line : lines)
            input << line << '\n';
    }
    const std::string command =
        "python3 '" + (dir / "script.py").string() + "' < '" + (dir / "input.txt").string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::vector<std::string> answers;
    if (!pipe) return answers;
    std::string line;
    for (int c; (c = std::fgetc(pipe.get())) != EOF;) {
        if (c == '\n') {
            answers.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    return answers;
}

} // namespace vx_test

// Skips the test with a clear message where python3 is missing.
#define VX_REQUIRE_PYTHON()                                                                                  \
    do {                                                                                                     \
        if (std::system("python3 -c pass >/dev/null 2>&1") != 0) {                                           \
            GTEST_SKIP() << "python3 is not installed";                                                      \
        }                                                                                                    \
    } while (0)
