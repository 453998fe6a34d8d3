#pragma once
// What the fuzz targets share: a device drawing at each display depth, so that every input
// goes all the way onto surfaces of 8, 16 and 32 bits per pixel, and a scratch file per
// process for loaders that read files.
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/DDrawTest.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace fuzz {

constexpr int Depths[] = {8, 16, 32};

// A device whose display (and so every surface it makes) has bpp bits per pixel.
inline IDirectDraw7* DeviceOfDepth(int bpp) {
    auto make = [](int depth) {
        DDrawTest::SetDesktopMode(640, 480, depth);
        return CreateDirectDraw7();
    };
    static IDirectDraw7* const devices[] = {make(8), make(16), make(32)};
    return devices[bpp == 8 ? 0 : bpp == 16 ? 1 : 2];
}

// Writes the input to this process's scratch file of that extension; its name, or empty
// when it cannot be written. Memory-backed when the system has such a folder: the settings
// file syncs every write to its disk.
inline std::string WriteScratch(const char* extension, const unsigned char* data, std::size_t size) {
    static const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string path = folder + "/vx_fuzz_" + std::to_string(getpid()) + "." + extension;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written ? path : std::string();
}

} // namespace fuzz
