// The music: four-channel "M.K." modules the game's player loads, listed in the playlist.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>

#include "tests/game/data/GeneratedData.h"

namespace fs = std::filesystem;
using namespace datatest;

namespace {

const int kPeriods[60] = {1712, 1616, 1524, 1440, 1356, 1280, 1208, 1140, 1076, 1016, 960, 906, 856, 808, 762,
                          720,  678,  640,  604,  570,  538,  508,  480,  453,  428,  404, 381, 360, 339, 320,
                          302,  285,  269,  254,  240,  226,  214,  202,  190,  180,  170, 160, 151, 143, 135,
                          127,  120,  113,  107,  101,  95,   90,   85,   80,   75,   71,  67,  63,  60,  56};

struct Sample {
    int length = 0, volume = 0, finetune = 0, loopStart = 0, loopLength = 0; // bytes
};

struct Note {
    int sample, period, effect, param;
};

struct Mod {
    std::vector<Sample> samples;
    std::vector<int> order;
    int patterns = 0;
    std::vector<Note> notes; // patterns * 64 rows * 4 channels
    std::size_t sampleDataBytes = 0;
    std::size_t fileSize = 0;
    std::string signature;
};

Mod readMod(const fs::path& path) {
    Bytes f = readFile(path);
    Mod mod;
    mod.fileSize = f.size();
    if (f.size() < 1084) return mod;
    auto be16 = [&](std::size_t at) { return f[at] << 8 | f[at + 1]; };
    for (int i = 0; i < 31; ++i) {
        std::size_t h = 20 + static_cast<std::size_t>(i) * 30;
        Sample s{be16(h + 22) * 2, f[h + 25], f[h + 24] & 15, be16(h + 26) * 2, be16(h + 28) * 2};
        mod.samples.push_back(s);
        mod.sampleDataBytes += static_cast<std::size_t>(s.length);
    }
    const int songLength = f[950];
    for (int i = 0; i < songLength && i < 128; ++i)
        mod.order.push_back(f[952 + i]);
    mod.patterns = 1 + *std::max_element(f.begin() + 952, f.begin() + 1080);
    mod.signature.assign(f.begin() + 1080, f.begin() + 1084);
    for (std::size_t pos = 1084;
         pos + 4 <= 1084 + static_cast<std::size_t>(mod.patterns) * 1024 && pos + 4 <= f.size(); pos += 4)
        mod.notes.push_back({(f[pos] & 0xF0) | f[pos + 2] >> 4, (f[pos] & 0x0F) << 8 | f[pos + 1],
                             f[pos + 2] & 0x0F, f[pos + 3]});
    return mod;
}

std::vector<fs::path> modules() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(generatedTree("a") / "data/music"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(Modules, AreFourChannelModulesWithConsistentSizes) {
    ASSERT_FALSE(modules().empty());
    for (const fs::path& file : modules()) {
        SCOPED_TRACE(file.filename().string());
        Mod mod = readMod(file);
        EXPECT_EQ(mod.signature, "M.K.");
        ASSERT_FALSE(mod.order.empty());
        EXPECT_LE(mod.order.size(), 128u);
        EXPECT_GE(mod.patterns, 3); // several patterns, not one tune on repeat
        EXPECT_EQ(mod.fileSize, 1084 + static_cast<std::size_t>(mod.patterns) * 1024 + mod.sampleDataBytes);
        // Every pattern in the file is played (readers count patterns from the order).
        std::set<int> played(mod.order.begin(), mod.order.end());
        EXPECT_EQ(static_cast<int>(played.size()), mod.patterns);
    }
}

TEST(Modules, SamplesAndLoopsAreWellFormed) {
    for (const fs::path& file : modules()) {
        SCOPED_TRACE(file.filename().string());
        Mod mod = readMod(file);
        int used = 0;
        for (const Sample& s : mod.samples) {
            if (s.length == 0) continue;
            ++used;
            EXPECT_LE(s.volume, 64);
            EXPECT_EQ(s.finetune, 0);
            EXPECT_LE(s.loopStart + s.loopLength, s.length);
        }
        EXPECT_GE(used, 6); // synthesised instruments and drums
    }
}

TEST(Modules, NotesUseTablePeriodsAndExistingSamples) {
    for (const fs::path& file : modules()) {
        SCOPED_TRACE(file.filename().string());
        Mod mod = readMod(file);
        int notes = 0;
        for (const Note& n : mod.notes) {
            if (n.period) {
                ++notes;
                EXPECT_NE(std::find(std::begin(kPeriods), std::end(kPeriods), n.period), std::end(kPeriods));
            }
            if (n.sample) {
                ASSERT_LE(n.sample, 31);
                EXPECT_GT(mod.samples[static_cast<std::size_t>(n.sample - 1)].length, 0);
            }
        }
        EXPECT_GT(notes, 200);
    }
}

TEST(Modules, UseTheCommonEffectsAndLoopBackWithoutAnEnd) {
    for (const fs::path& file : modules()) {
        SCOPED_TRACE(file.filename().string());
        Mod mod = readMod(file);
        std::set<int> effects;
        for (const Note& n : mod.notes)
            if (n.effect || n.param) effects.insert(n.effect);
        for (int wanted : {0x0, 0x4, 0xA, 0xC, 0xF})
            EXPECT_TRUE(effects.count(wanted)) << std::hex << wanted;
        // The last pattern played jumps back into the song, so it loops seamlessly.
        const int last = mod.order.back();
        bool jumps = false;
        for (int i = last * 256; i < (last + 1) * 256; ++i)
            if (mod.notes[static_cast<std::size_t>(i)].effect == 0xB)
                jumps = mod.notes[static_cast<std::size_t>(i)].param < static_cast<int>(mod.order.size());
        EXPECT_TRUE(jumps);
        // The first row sets speed and tempo.
        std::set<int> speed;
        for (int c = 0; c < 4; ++c)
            if (mod.notes[static_cast<std::size_t>(mod.order.front() * 256 + c)].effect == 0xF)
                speed.insert(mod.notes[static_cast<std::size_t>(mod.order.front() * 256 + c)].param);
        EXPECT_EQ(speed.size(), 2u);
    }
}

TEST(Modules, DefaultMusicIsThereAndThePlaylistListsEveryModule) {
    const fs::path& tree = generatedTree("a");
    EXPECT_TRUE(fs::is_regular_file(tree / "data/music/ms-suxx1.mod"));
    std::istringstream playlist(readText(tree / "vortamix.m3u"));
    std::set<std::string> listed;
    for (std::string line; std::getline(playlist, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::replace(line.begin(), line.end(), '\\', '/');
        std::transform(line.begin(), line.end(), line.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        listed.insert(line);
    }
    for (const fs::path& file : modules())
        EXPECT_TRUE(listed.count("data/music/" + file.filename().string())) << file;
    EXPECT_EQ(listed.size(), modules().size());
}
