#pragma once
// The PCM wave format record that the sound services exchange: the DirectSound stand-in,
// the compression-manager stand-in and the sound library all describe sample data with it.
#include "platform/kernel/Types.h"

constexpr WORD WAVE_FORMAT_PCM = 1;

// Field order and widths follow the 18-byte record stored in RIFF "fmt " chunks, so a
// chunk's bytes can be read into it field by field.
struct WAVEFORMATEX {
    WORD wFormatTag = WAVE_FORMAT_PCM;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
    WORD cbSize = 0;
    friend bool operator==(const WAVEFORMATEX&, const WAVEFORMATEX&) = default;
};
