#include "tools/datagen/ModFormat.h"

#include <algorithm>
#include <stdexcept>

namespace datagen {
namespace {

constexpr std::array<int, kModNotes> kPeriods = {
    1712, 1616, 1524, 1440, 1356, 1280, 1208, 1140, 1076, 1016, 960, 906, 856, 808, 762,
    720,  678,  640,  604,  570,  538,  508,  480,  453,  428,  404, 381, 360, 339, 320,
    302,  285,  269,  254,  240,  226,  214,  202,  190,  180,  170, 160, 151, 143, 135,
    127,  120,  113,  107,  101,  95,   90,   85,   80,   75,   71,  67,  63,  60,  56};

void putSampleHeader(Bytes& out, const ModSample& s) {
    if (s.data.size() % 2 || s.data.size() > 131070 || s.loopStart % 2 || s.loopLength % 2 ||
        s.loopStart + s.loopLength > static_cast<int>(s.data.size()) || s.volume < 0 || s.volume > 64)
        throw std::invalid_argument("sample '" + s.name + "' does not fit the format");
    putField(out, s.name, 22);
    putBE16(out, static_cast<unsigned>(s.data.size() / 2));
    putU8(out, 0); // finetune
    putU8(out, static_cast<unsigned>(s.volume));
    // No loop is written as a loop of one word at the start, as trackers do.
    putBE16(out, static_cast<unsigned>(s.loopLength > 0 ? s.loopStart / 2 : 0));
    putBE16(out, static_cast<unsigned>(s.loopLength > 0 ? s.loopLength / 2 : 1));
}

void putNote(Bytes& out, const ModNote& n) {
    const int period = n.note >= 0 ? modPeriod(n.note) : 0;
    putU8(out, static_cast<unsigned>((n.sample & 0xF0) | (period >> 8 & 0x0F)));
    putU8(out, static_cast<unsigned>(period & 0xFF));
    putU8(out, static_cast<unsigned>((n.sample & 0x0F) << 4 | (n.effect & 0x0F)));
    putU8(out, static_cast<unsigned>(n.param & 0xFF));
}

} // namespace

int modPeriod(int note) {
    if (note < 0 || note >= kModNotes) throw std::invalid_argument("note outside the period table");
    return kPeriods[static_cast<std::size_t>(note)];
}

Bytes encodeMod(const Module& module) {
    if (module.samples.size() > 31 || module.patterns.empty() || module.patterns.size() > 128 ||
        module.order.empty() || module.order.size() > 128)
        throw std::invalid_argument("module does not fit the format");
    // Readers count the patterns from the highest order entry, so every pattern must be used.
    if (*std::max_element(module.order.begin(), module.order.end()) + 1 !=
        static_cast<int>(module.patterns.size()))
        throw std::invalid_argument("the order does not use the last pattern");
    Bytes out;
    putField(out, module.title, 20);
    for (std::size_t i = 0; i < 31; ++i)
        putSampleHeader(out, i < module.samples.size() ? module.samples[i] : ModSample{});
    putU8(out, static_cast<unsigned>(module.order.size()));
    putU8(out, 127); // restart byte, as trackers write it
    for (std::size_t i = 0; i < 128; ++i) {
        int pattern = i < module.order.size() ? module.order[i] : 0;
        if (pattern < 0 || pattern >= static_cast<int>(module.patterns.size()))
            throw std::invalid_argument("order names a missing pattern");
        putU8(out, static_cast<unsigned>(pattern));
    }
    putText(out, "M.K.");
    for (const ModPattern& pattern : module.patterns)
        for (const ModRow& row : pattern)
            for (const ModNote& note : row)
                putNote(out, note);
    for (const ModSample& s : module.samples)
        for (std::int8_t v : s.data)
            putU8(out, static_cast<std::uint8_t>(v));
    return out;
}

} // namespace datagen
