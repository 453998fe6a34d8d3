// Feeds arbitrary bytes to the WAV player as a file: file information, then playback in the
// game's output format and in 16-bit stereo, with a seek in between.
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "sound/Plug_WAV.h"
#include "sound/Sndutils.h"

namespace {

const std::string& path() {
    static const std::string p = "/tmp/vx_fuzz_wav_" + std::to_string(getpid()) + ".wav";
    return p;
}

void writeFile(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path().c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

void play(TSndWav& wav, WORD channels, DWORD rate, WORD bits) {
    wav.Format.nChannels = channels;
    wav.Format.nSamplesPerSec = rate;
    wav.Format.wBitsPerSample = bits;
    UpdateWaveFormat(&wav.Format);
    if (!wav.Init()) return;
    wav.SetSamplesPerSec(rate);
    wav.SetBitsPerSample(bits);
    wav.SetChannels(channels);
    std::vector<unsigned char> block(5000);
    for (int i = 0; i < 40 && wav.Process(block.data(), block.size()); ++i) {
        if (i == 3) {
            SND_POSITION position;
            position.dwPosition = 7;
            wav.SetPosition(&position);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeFile(data, size);
    TSndWav wav(nullptr);
    SND_FILE_INFO info;
    wav.GetFileInfo(path(), &info);
    wav.FileName = path();
    play(wav, 2, 22050, 8);
    play(wav, 1, 44100, 16);
    return 0;
}
