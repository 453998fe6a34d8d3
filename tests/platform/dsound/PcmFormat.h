#pragma once
// The PCM record the sound tests ask their buffers for.
#include "platform/dsound/DSound.h"

inline WAVEFORMATEX pcm(WORD channels, WORD bits, DWORD rate) {
    WAVEFORMATEX f;
    f.nChannels = channels;
    f.wBitsPerSample = bits;
    f.nSamplesPerSec = rate;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = f.nBlockAlign * rate;
    return f;
}
