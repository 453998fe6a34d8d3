#include "sound/Sndutils.h"

#include <cstdio>

void UpdateWaveFormat(WAVEFORMATEX* format) {
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nBlockAlign = static_cast<WORD>(format->nChannels * format->wBitsPerSample / 8);
    format->nAvgBytesPerSec = format->nBlockAlign * format->nSamplesPerSec;
    format->cbSize = 0;
}

int nTimeToStr(char* out, std::size_t size, int time, bool hundredths) {
    int fraction = 0;
    if (hundredths) {
        fraction = time % 100;
        time /= 100;
    }
    const int hours = time / 3600;
    const int minutes = (time % 3600) / 60;
    const int seconds = time % 60;
    int written;
    if (hundredths)
        written = hours ? std::snprintf(out, size, "%d:%d:%.2d.%.2d", hours, minutes, seconds, fraction)
                        : std::snprintf(out, size, "%d:%.2d.%.2d", minutes, seconds, fraction);
    else
        written = hours ? std::snprintf(out, size, "%d:%d:%.2d", hours, minutes, seconds)
                        : std::snprintf(out, size, "%d:%.2d", minutes, seconds);
    return written < 0 ? 0 : written;
}

int nSizeToStr(char* out, std::size_t size, int bytes) {
    const int megabytes = bytes / 1048576;
    const int kilobytes = (bytes % 1048576) / 1024;
    int written;
    if (megabytes)
        written = std::snprintf(out, size, "%d.%d MB", megabytes, kilobytes * 10 / 1024);
    else if (kilobytes)
        written = std::snprintf(out, size, "%d KB", kilobytes);
    else
        written = std::snprintf(out, size, "%d", bytes);
    return written < 0 ? 0 : written;
}
