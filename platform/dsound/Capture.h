#pragma once
// What a test can see of the capture side: every live capture buffer and the number of
// capture objects alive.
#include "platform/dsound/DSound.h"

#include <string>
#include <vector>

struct CaptureBufferInfo {
    std::string device;
    DWORD flags = 0;
    DWORD size = 0;
    WAVEFORMATEX format;
    bool capturing = false;
    bool looping = false;
    DWORD position = 0; // capture cursor in bytes
};

std::vector<CaptureBufferInfo> AllCaptureBuffers();
int LiveCaptureObjects();
