#include "tests/game/data/GeneratedData.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace datatest {
namespace fs = std::filesystem;

std::string quoted(const fs::path& path) {
    std::string text;
    text += '"';
    text += path.string();
    text += '"';
    return text;
}

int runGenerator(const std::string& arguments) {
    std::string command = quoted(VX_DATAGEN_EXE);
    command += ' ';
    command += arguments;
    command += " > /dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Each test runs in a process of its own, so a tree is kept in the scratch root shared by all
// test processes for as long as the generator binary is the same; a lock keeps tests that run
// in parallel from making it twice. Nobody writes into a tree once it is made.
const fs::path& generatedTree(const std::string& name) {
    static std::map<std::string, fs::path> trees;
    auto found = trees.find(name);
    if (found != trees.end()) return found->second;
    const fs::path tmp(VX_TEST_TMP_ROOT), exe(VX_DATAGEN_EXE);
    const fs::path dir = tmp / ("datagen-" + name);
    const std::string id = std::to_string(fs::file_size(exe)) + " " +
                           std::to_string(fs::last_write_time(exe).time_since_epoch().count());
    const fs::path stamp = dir / ".generator";
    fs::create_directories(tmp);
    const int lock = ::open((tmp / "datagen.lock").c_str(), O_CREAT | O_RDWR, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock the test folder");
    bool current = fs::exists(stamp) && readText(stamp) == id;
    if (!current) {
        fs::remove_all(dir);
        if (runGenerator(quoted(dir)) == 0) std::ofstream(stamp, std::ios::binary) << id;
    }
    ::close(lock); // also releases the lock
    if (!fs::exists(stamp)) throw std::runtime_error("the generator failed");
    return trees.emplace(name, dir).first->second;
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string readText(const fs::path& path) {
    Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

std::uint16_t pack565(Rgb c) {
    return static_cast<std::uint16_t>((c.r & 0xF8) << 8 | (c.g & 0xFC) << 3 | c.b >> 3);
}

bool PcxImage::cellHasOpaquePixels(int x0, int y0, int size) const {
    for (int y = y0; y < y0 + size; ++y)
        for (int x = x0; x < x0 + size; ++x)
            if (at(x, y) != 0) return true;
    return false;
}

PcxImage readPcx(const fs::path& path) {
    Bytes file = readFile(path);
    if (file.size() < 896) throw std::runtime_error("PCX shorter than header and palette");
    auto le16 = [&](std::size_t at) { return file[at] | file[at + 1] << 8; };
    PcxImage image;
    image.fileSize = file.size();
    if (file[0] != 0x0A) throw std::runtime_error("not a PCX");
    image.version = file[1], image.encoding = file[2], image.bitsPerPixel = file[3];
    image.width = le16(8) - le16(4) + 1;
    image.height = le16(10) - le16(6) + 1;
    image.planes = file[65];
    image.bytesPerLine = le16(66);
    if (image.width <= 0 || image.height <= 0 || image.bytesPerLine < image.width)
        throw std::runtime_error("PCX with a bad size");
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    const std::size_t end = file.size() - 769;
    std::size_t pos = 128;
    int run = 0, value = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.bytesPerLine; ++x) {
            if (run == 0) {
                if (pos >= end) throw std::runtime_error("PCX image data runs into the palette");
                value = file[pos++];
                run = 1;
                if (value > 0xC0) {
                    run = value - 0xC0;
                    if (pos >= end) throw std::runtime_error("PCX run without its value");
                    value = file[pos++];
                }
            }
            --run;
            if (x < image.width)
                image.pixels[static_cast<std::size_t>(y) * image.width + x] =
                    static_cast<std::uint8_t>(value);
        }
    if (pos != end) throw std::runtime_error("PCX has data left before its palette");
    if (file[end] != 0x0C) throw std::runtime_error("PCX palette marker missing");
    for (int i = 0; i < 256; ++i)
        image.palette[i] = {file[end + 1 + i * 3], file[end + 2 + i * 3], file[end + 3 + i * 3]};
    return image;
}

namespace {
std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
std::string trim(const std::string& s) {
    auto first = s.find_first_not_of(" \t\r"), last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : s.substr(first, last - first + 1);
}
} // namespace

std::string IniFile::get(const std::string& section, const std::string& key) const {
    auto s = values.find(lower(section));
    if (s == values.end()) return {};
    auto k = s->second.find(lower(key));
    return k == s->second.end() ? std::string() : k->second;
}

IniFile readIni(const fs::path& path) {
    IniFile ini;
    std::istringstream in(readText(path));
    std::string section;
    for (std::string line; std::getline(in, line);) {
        line = trim(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = lower(line.substr(1, line.size() - 2));
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = lower(trim(line.substr(0, eq)));
        ini.values[section][key] = trim(line.substr(eq + 1));
        ini.keyOrder[section].push_back(key);
    }
    return ini;
}

} // namespace datatest
