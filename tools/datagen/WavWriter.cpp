#include "tools/datagen/WavWriter.h"

#include <algorithm>
#include <cmath>

namespace datagen {

Bytes encodeWav16Mono(const Signal& signal, int rate) {
    const auto dataBytes = static_cast<std::uint32_t>(signal.size() * 2);
    Bytes out;
    out.reserve(44 + dataBytes + 1);
    putText(out, "RIFF");
    putLE32(out, 36 + dataBytes + (dataBytes & 1));
    putText(out, "WAVE");
    putText(out, "fmt ");
    putLE32(out, 16);
    putLE16(out, 1); // PCM
    putLE16(out, 1); // mono
    putLE32(out, static_cast<std::uint32_t>(rate));
    putLE32(out, static_cast<std::uint32_t>(rate) * 2);
    putLE16(out, 2);
    putLE16(out, 16);
    putText(out, "data");
    putLE32(out, dataBytes);
    for (float v : signal) {
        long s = std::lround(std::clamp(v, -1.f, 1.f) * 32767.f);
        putLE16(out, static_cast<unsigned>(s) & 0xFFFF);
    }
    if (dataBytes & 1) putU8(out, 0);
    return out;
}

} // namespace datagen
