// The generated effects and modules read through the game's own sound library: the wave
// parser takes every effect, and the module player plays every tune, audibly and unclipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/DSWave.h"
#include "sound/ModPlayer.h"
#include "tests/game/data/GeneratedData.h"

namespace fs = std::filesystem;
using namespace datatest;

TEST(DataThroughSoundLibrary, TheWaveParserTakesEveryEffect) {
    for (const auto& entry : fs::directory_iterator(generatedTree("a") / "data/sfx")) {
        SCOPED_TRACE(entry.path().filename().string());
        Bytes file = readFile(entry.path());
        WAVEFORMATEX format{};
        const BYTE* data = nullptr;
        DWORD size = 0;
        ASSERT_TRUE(ParseWaveData(file.data(), file.size(), &format, &data, &size));
        EXPECT_EQ(format.wFormatTag, 1);
        EXPECT_EQ(format.nChannels, 1);
        EXPECT_EQ(format.nSamplesPerSec, 22050u);
        EXPECT_EQ(format.wBitsPerSample, 16);
        EXPECT_EQ(data, file.data() + 44);
        EXPECT_EQ(size, file.size() - 44);
    }
}

TEST(DataThroughSoundLibrary, TheModulePlayerPlaysEveryTuneAudiblyAndUnclipped) {
    for (const auto& entry : fs::directory_iterator(generatedTree("a") / "data/music")) {
        SCOPED_TRACE(entry.path().filename().string());
        Bytes file = readFile(entry.path());
        TModModule module;
        ASSERT_TRUE(ModLoad(file.data(), file.size(), module));
        EXPECT_EQ(module.channels, 4);
        TModPlayer player(module);
        player.InitFreq(44100);
        player.Reset();
        // Half a minute, a second at a time: the tunes are longer than that.
        std::vector<BYTE> block(44100 * 4);
        double energy = 0;
        int peak = 0;
        long frames = 0;
        for (int second = 0; second < 30; ++second) {
            ASSERT_TRUE(player.Render(block.data(), static_cast<DWORD>(block.size()), 16, 2))
                << "ended at " << second << " s";
            for (std::size_t i = 0; i + 1 < block.size(); i += 2) {
                auto v = static_cast<std::int16_t>(block[i] | block[i + 1] << 8);
                energy += static_cast<double>(v) * v;
                peak = std::max(peak, std::abs(static_cast<int>(v)));
            }
            frames += 44100;
        }
        double rms = std::sqrt(energy / static_cast<double>(frames * 2)) / 32768;
        EXPECT_GT(rms, 0.05);
        EXPECT_LT(peak, 30000); // the mixer keeps only the low 16 bits: headroom avoids wrapping
    }
}
