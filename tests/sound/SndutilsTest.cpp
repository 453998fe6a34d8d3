#include "sound/Sndutils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string timeText(int time, bool hundredths) {
    char out[16];
    const int length = nTimeToStr(out, sizeof out, time, hundredths);
    EXPECT_EQ(length, static_cast<int>(std::string(out).size()));
    return out;
}

std::string sizeText(int bytes) {
    char out[16];
    nSizeToStr(out, sizeof out, bytes);
    return out;
}

} // namespace

TEST(WaveFormatUpdate, CompletesAlignAndByteRateFromChannelsBitsAndRate) {
    WAVEFORMATEX format;
    format.wFormatTag = 0x55;
    format.nChannels = 2;
    format.wBitsPerSample = 8;
    format.nSamplesPerSec = 22050;
    format.cbSize = 12;
    UpdateWaveFormat(&format);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nBlockAlign, 2);
    EXPECT_EQ(format.nAvgBytesPerSec, 44100u);
    EXPECT_EQ(format.cbSize, 0);
}

TEST(TimeText, SplitsHoursMinutesSecondsAndHundredths) {
    EXPECT_EQ(timeText(3661, false), "1:1:01");
    EXPECT_EQ(timeText(59, false), "0:59");
    EXPECT_EQ(timeText(6150, true), "1:01.50");
    EXPECT_EQ(timeText(366105, true), "1:1:01.05");
}

TEST(SizeText, UsesMegabytesKilobytesOrBytes) {
    EXPECT_EQ(sizeText(1572864), "1.5 MB");
    EXPECT_EQ(sizeText(2048), "2 KB");
    EXPECT_EQ(sizeText(1000), "1000");
    EXPECT_EQ(sizeText(1048576 + 1023 * 1024), "1.9 MB");
}
