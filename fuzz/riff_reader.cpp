// Feeds arbitrary bytes to the RIFF WAVE routines as a file: the format, the data chunk read
// in pieces, and the whole-file load.
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "sound/WaveFile.h"

namespace {

const std::string& path() {
    static const std::string p = "/tmp/vx_fuzz_riff_" + std::to_string(getpid()) + ".wav";
    return p;
}

void writeFile(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path().c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeFile(data, size);
    HMMIO file = nullptr;
    WaveFormatBlock format;
    MMCKINFO riff, chunk;
    if (OpenWaveFile(path().c_str(), &file, &format, &riff) == 0) {
        if (SeekWaveData(&file, &chunk, &riff) == 0) {
            std::vector<unsigned char> piece(1000);
            unsigned read = 0;
            while (ReadWaveData(file, unsigned(piece.size()), piece.data(), &chunk, &read) == 0 &&
                   read != 0) {
            }
        }
        CloseWaveFile(&file, &format);
    }
    unsigned loaded = 0, samples = 0;
    std::vector<BYTE> all;
    LoadWaveFile(path().c_str(), &loaded, &samples, &format, &all);
    return 0;
}
