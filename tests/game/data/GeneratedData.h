// Test helpers for the generated data tree: running the generator, and small readers of
// our own for the files it writes (independent of the generator's writers).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace datatest {

using Bytes = std::vector<std::uint8_t>;

// A tree the generator wrote for this name (made once for all test processes; read only).
const std::filesystem::path& generatedTree(const std::string& name);

// A path in double quotes, for a command line.
std::string quoted(const std::filesystem::path& path);

// Runs the generator with the given arguments; returns its exit status.
int runGenerator(const std::string& arguments);

Bytes readFile(const std::filesystem::path& path);
std::string readText(const std::filesystem::path& path);

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

std::uint16_t pack565(Rgb c);

struct PcxImage {
    int width = 0, height = 0;
    int version = 0, encoding = 0, bitsPerPixel = 0, planes = 0, bytesPerLine = 0;
    std::vector<std::uint8_t> pixels; // palette indices
    std::array<Rgb, 256> palette{};
    std::size_t fileSize = 0;
    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool cellHasOpaquePixels(int x0, int y0, int size) const;
};

// Decodes as the game's loader does: a byte above 0xC0 counts, 0xC0 itself is a value,
// runs may cross lines. Throws std::runtime_error on a malformed file.
PcxImage readPcx(const std::filesystem::path& path);

// Profile-file reading: section -> key -> value, sections and keys in lower case; the keys of
// each section also in file order.
struct IniFile {
    std::map<std::string, std::map<std::string, std::string>> values;
    std::map<std::string, std::vector<std::string>> keyOrder;
    std::string get(const std::string& section, const std::string& key) const;
};
IniFile readIni(const std::filesystem::path& path);

} // namespace datatest
