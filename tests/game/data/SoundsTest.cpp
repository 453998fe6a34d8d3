// The sound effects: RIFF WAVE, 16-bit mono PCM at 22050 Hz, audible and never clipped.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/game/data/GeneratedData.h"

using namespace datatest;

namespace {

const char* const kEffects[] = {"huhuhu.wav",  "coolgame.wav", "closew.wav",   "bonus.wav",
                                "fart.wav",    "holyshit.wav", "ExPlayer.wav", "ExBomb.wav",
                                "ExMonst.wav", "ExItem.wav",   "theclap.wav"};

struct Wave {
    int format = 0, channels = 0, rate = 0, byteRate = 0, blockAlign = 0, bits = 0;
    std::vector<std::int16_t> samples;
};

std::uint32_t le32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | b.at(at + 3) << 24);
}
int le16(const Bytes& b, std::size_t at) {
    return b.at(at) | b.at(at + 1) << 8;
}

// Walks the chunks the way the game's reader does and fails the test on anything amiss.
Wave readWave(const Bytes& file) {
    Wave wave;
    EXPECT_GE(file.size(), 48u);
    EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(file.data() + 8, "WAVE", 4), 0);
    const std::size_t end = 8 + le32(file, 4);
    EXPECT_EQ(end, file.size());
    bool haveFormat = false, haveData = false;
    for (std::size_t pos = 12; pos + 8 <= end;) {
        const std::uint32_t size = le32(file, pos + 4);
        if (std::memcmp(file.data() + pos, "fmt ", 4) == 0) {
            EXPECT_GE(size, 16u);
            wave.format = le16(file, pos + 8), wave.channels = le16(file, pos + 10);
            wave.rate = static_cast<int>(le32(file, pos + 12)),
            wave.byteRate = static_cast<int>(le32(file, pos + 16));
            wave.blockAlign = le16(file, pos + 20), wave.bits = le16(file, pos + 22);
            haveFormat = true;
        } else if (std::memcmp(file.data() + pos, "data", 4) == 0) {
            EXPECT_LE(pos + 8 + size, end);
            for (std::uint32_t i = 0; i + 1 < size; i += 2)
                wave.samples.push_back(static_cast<std::int16_t>(le16(file, pos + 8 + i)));
            haveData = true;
        }
        pos += 8 + size + (size & 1);
    }
    EXPECT_TRUE(haveFormat);
    EXPECT_TRUE(haveData);
    return wave;
}

} // namespace

TEST(SoundEffects, AreSixteenBitMonoPcmAt22050) {
    for (const char* name : kEffects) {
        SCOPED_TRACE(name);
        Wave wave = readWave(readFile(generatedTree("a") / "data/sfx" / name));
        EXPECT_EQ(wave.format, 1);
        EXPECT_EQ(wave.channels, 1);
        EXPECT_EQ(wave.rate, 22050);
        EXPECT_EQ(wave.bits, 16);
        EXPECT_EQ(wave.blockAlign, 2);
        EXPECT_EQ(wave.byteRate, 44100);
    }
}

TEST(SoundEffects, LastLongEnoughToHearButStayShort) {
    for (const char* name : kEffects) {
        Wave wave = readWave(readFile(generatedTree("a") / "data/sfx" / name));
        double seconds = static_cast<double>(wave.samples.size()) / 22050;
        EXPECT_GE(seconds, 0.2) << name;
        EXPECT_LE(seconds, 3.0) << name;
    }
}

TEST(SoundEffects, AreAudibleAndNeverClipped) {
    for (const char* name : kEffects) {
        SCOPED_TRACE(name);
        Wave wave = readWave(readFile(generatedTree("a") / "data/sfx" / name));
        ASSERT_FALSE(wave.samples.empty());
        double energy = 0;
        int peak = 0, railRun = 0, longestRail = 0;
        for (std::int16_t s : wave.samples) {
            energy += static_cast<double>(s) * s;
            peak = std::max(peak, std::abs(static_cast<int>(s)));
            railRun = std::abs(static_cast<int>(s)) >= 32767 ? railRun + 1 : 0;
            longestRail = std::max(longestRail, railRun);
        }
        double rms = std::sqrt(energy / static_cast<double>(wave.samples.size())) / 32768;
        EXPECT_GT(rms, 0.05);   // about -26 dB: heard even at the game's reduced effect volume
        EXPECT_LT(peak, 32767); // headroom left
        EXPECT_EQ(longestRail, 0);
        // Heard within 50 ms of the event (no leading silence) and ends without a click.
        int firstSound = 0;
        while (firstSound < static_cast<int>(wave.samples.size()) && std::abs(wave.samples[firstSound]) < 300)
            ++firstSound;
        EXPECT_LT(firstSound, 22050 / 20);
        EXPECT_LT(std::abs(static_cast<int>(wave.samples.back())), 400);
    }
}
