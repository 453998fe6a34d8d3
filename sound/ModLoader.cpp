#include "sound/ModLoader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "sound/ModTables.h"

namespace {

constexpr int SampleHeaderOffset = 20;
constexpr int SampleHeaderSize = 30;
constexpr int SongLengthOffset = 950;
constexpr int RestartOffset = 951;
constexpr int OrderOffset = 952;
constexpr int SignatureOffset = 1080;
constexpr int OldHeaderSize = 600;
constexpr int OldSamples = 15;
constexpr int MaxVolume = 64;

struct Signature {
    const char* text;
    const char* typeName;
    int channels;
};

constexpr Signature Signatures[] = {
    {"M.K.", "ProTracker", 4},  {"M!K!", "ProTracker", 4},  {"FLT4", "StarTracker", 4},
    {"FLT8", "StarTracker", 8}, {"6CHN", "FastTracker", 6}, {"8CHN", "FastTracker", 8},
    {"OCTA", "FastTracker", 8},
};

unsigned BigEndianWord(const BYTE* p) {
    return unsigned(p[0]) << 8 | p[1];
}

// A 15-sample module has no signature; it is believed when its restart byte and all fifteen
// sample headers look right.
bool RearrangeOldModule(std::array<BYTE, ModHeaderSize>& header) {
    std::memmove(&header[SongLengthOffset], &header[470], 130);
    std::fill(header.begin() + 470, header.begin() + SongLengthOffset, BYTE(0));
    if (header[RestartOffset] >= 128) return false;
    bool anyVolume = false;
    for (int s = 0; s < OldSamples; ++s) {
        const BYTE* sample = &header[SampleHeaderOffset + s * SampleHeaderSize];
        if (sample[24] != 0 || sample[25] > MaxVolume) return false;
        anyVolume = anyVolume || sample[25] != 0;
    }
    if (!anyVolume) return false;
    std::memcpy(&header[SignatureOffset], "M.K.", 4);
    return true;
}

BYTE NoteIndex(unsigned period) {
    if (period == 0) return 0;
    for (int i = 0; i < ModNotes; ++i)
        if (ModNotePeriods[i] <= period) return BYTE(i + 1);
    return 0;
}

// Reads at offset, with bytes past the end of the file as zero.
void ReadPadded(const BYTE* data, std::size_t size, std::size_t offset, BYTE* out, std::size_t count) {
    std::size_t available = offset < size ? std::min(count, size - offset) : 0;
    if (available) std::memcpy(out, data + offset, available);
    std::memset(out + available, 0, count - available);
}

void LoadPattern(const BYTE* raw, int channels, std::vector<MOD_NOTE>& pattern) {
    pattern.resize(std::size_t(ModRows * channels));
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const BYTE* cell = raw + i * 4;
        MOD_NOTE& note = pattern[i];
        note.sample = BYTE((cell[0] & 0xF0) | cell[2] >> 4);
        note.note = NoteIndex(unsigned(cell[0] & 0x0F) << 8 | cell[1]);
        note.command = BYTE(cell[2] & 0x0F);
        note.parameter = cell[3];
    }
}

MOD_SAMPLE ReadSampleHeader(const BYTE* p) {
    MOD_SAMPLE sample;
    sample.length = std::int32_t(BigEndianWord(p + 22) * 2);
    sample.finetune = p[24] & 15;
    sample.volume = std::min<int>(p[25], MaxVolume);
    sample.loopStart = std::int32_t(BigEndianWord(p + 26) * 2);
    sample.loopLength = std::int32_t(BigEndianWord(p + 28) * 2);
    sample.loopStart = std::min(sample.loopStart, sample.length);
    sample.loopLength = std::min(sample.loopLength, sample.length - sample.loopStart);
    return sample;
}

} // namespace

bool ModReadLayout(std::array<BYTE, ModHeaderSize>& header, ModLayout& layout) {
    for (const Signature& signature : Signatures)
        if (std::memcmp(&header[SignatureOffset], signature.text, 4) == 0) {
            layout = {signature.typeName, signature.channels, ModHeaderSize};
            return true;
        }
    if (!RearrangeOldModule(header)) return false;
    layout = {"15-instrument", 4, OldHeaderSize};
    return true;
}

std::string TModModule::SongName() const {
    const char* name = reinterpret_cast<const char*>(header.data());
    return std::string(name, strnlen(name, 20));
}

int TModModule::UsedSamples() const {
    return int(
        std::count_if(samples.begin(), samples.end(), [](const MOD_SAMPLE& s) { return s.length != 0; }));
}

bool ModLoad(const BYTE* data, std::size_t size, TModModule& module) {
    module = TModModule();
    if (size < std::size_t(ModHeaderSize)) return false;
    std::memcpy(module.header.data(), data, ModHeaderSize);
    if (!ModReadLayout(module.header, module.layout)) return false;
    module.channels = module.layout.channels;
    // The order list has 128 entries: a longer song is cut there, an empty one is no song.
    module.songLength = std::min<int>(module.header[SongLengthOffset], ModOrders);
    if (module.songLength == 0) return false;
    int patterns = 1 + *std::max_element(module.header.begin() + OrderOffset,
                                         module.header.begin() + OrderOffset + ModOrders);
    if (patterns > ModOrders) return false;
    const std::size_t patternBytes = std::size_t(ModRows * module.channels * 4);
    std::size_t offset = module.layout.patternOffset;
    try {
        std::vector<BYTE> raw(patternBytes);
        module.patterns.resize(std::size_t(patterns));
        for (auto& pattern : module.patterns) {
            ReadPadded(data, size, offset, raw.data(), patternBytes);
            LoadPattern(raw.data(), module.channels, pattern);
            offset += patternBytes;
        }
        for (int s = 0; s < ModSamples; ++s) {
            MOD_SAMPLE& sample = module.samples[s];
            sample = ReadSampleHeader(&module.header[SampleHeaderOffset + s * SampleHeaderSize]);
            if (sample.length == 0) continue;
            auto& bytes = module.sampleData[s];
            bytes.resize(std::size_t(sample.length));
            ReadPadded(data, size, offset, bytes.data(), bytes.size());
            offset += bytes.size();
            for (BYTE& b : bytes)
                b ^= 0x80;
        }
    } catch (const std::bad_alloc&) {
        module = TModModule();
        return false;
    }
    if (module.UsedSamples() == 0) {
        module = TModModule();
        return false;
    }
    return true;
}
