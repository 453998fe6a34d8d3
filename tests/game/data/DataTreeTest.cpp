// The generated data tree: every file the game opens is there, and every run writes the
// same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/game/data/GeneratedData.h"

namespace fs = std::filesystem;
using namespace datatest;

namespace {

const char* const kExpectedFiles[] = {
    "data/gfx/title.pcx",    "data/gfx/maps.pcx",     "data/gfx/players.pcx",  "data/gfx/monsters.pcx",
    "data/gfx/bomb.pcx",     "data/gfx/fire.pcx",     "data/gfx/bonus.pcx",    "data/gfx/explose.pcx",
    "data/gfx/explose2.pcx", "data/gfx/palette.bmp",  "data/gfx/title.jpg",    "data/gfx/about.jpg",
    "data/sfx/huhuhu.wav",   "data/sfx/coolgame.wav", "data/sfx/closew.wav",   "data/sfx/bonus.wav",
    "data/sfx/fart.wav",     "data/sfx/holyshit.wav", "data/sfx/ExPlayer.wav", "data/sfx/ExBomb.wav",
    "data/sfx/ExMonst.wav",  "data/sfx/ExItem.wav",   "data/sfx/theclap.wav",  "data/music/ms-suxx1.mod",
    "Help/Index.htm",        "vortamix.ini",          "vortamix.m3u",
};

std::set<fs::path> filesBelow(const fs::path& root) {
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().filename() != ".generator")
            files.insert(fs::relative(entry.path(), root));
    return files;
}

} // namespace

TEST(DataTree, HoldsEveryFileTheGameOpens) {
    const fs::path& tree = generatedTree("a");
    for (const char* name : kExpectedFiles)
        EXPECT_TRUE(fs::is_regular_file(tree / name)) << name;
}

TEST(DataTree, TwoRunsWriteTheSameBytes) {
    const fs::path& first = generatedTree("a");
    const fs::path& second = generatedTree("b");
    std::set<fs::path> files = filesBelow(first);
    ASSERT_EQ(files, filesBelow(second));
    for (const fs::path& file : files)
        EXPECT_EQ(readFile(first / file), readFile(second / file)) << file;
}

TEST(DataTree, TheBuildsRunFolderHoldsTheCurrentData) {
    // The settings and playlist are left out: the game writes its settings back on closing.
    const fs::path run(VX_RUN_DIR);
    const fs::path& fresh = generatedTree("a");
    for (const fs::path& file : filesBelow(fresh)) {
        if (file.parent_path().empty()) continue;
        ASSERT_TRUE(fs::is_regular_file(run / file)) << file;
        EXPECT_EQ(readFile(run / file), readFile(fresh / file)) << file;
    }
}

TEST(DataTree, GeneratorRefusesBadArguments) {
    EXPECT_NE(runGenerator(""), 0);
    EXPECT_NE(runGenerator("--contact-sheet"), 0);
    std::string missingRun = "--contact-sheet /nonexistent-folder/run ";
    missingRun += quoted(fs::path(VX_TEST_TMP) / "x.png");
    EXPECT_NE(runGenerator(missingRun), 0);
}

TEST(DataTree, ContactSheetIsAPngOfEveryPicture) {
    const fs::path png = fs::path(VX_TEST_TMP) / "datagen-contact.png";
    std::string arguments = "--contact-sheet ";
    arguments += quoted(generatedTree("a"));
    arguments += ' ';
    arguments += quoted(png);
    ASSERT_EQ(runGenerator(arguments), 0);
    Bytes bytes = readFile(png);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    auto be32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 |
                                          bytes[at + 3]);
    };
    // Wide enough for the bonus sheet, tall enough for all nine sheets stacked.
    EXPECT_GE(be32(16), 768u);
    EXPECT_GE(be32(20), 480u + 160 + 256 + 128 + 32 + 224 + 416 + 64 + 96);
}
