#include "platform/mmsys/AcmFormats.h"

#include <cstdio>
#include <cstring>

namespace {

struct FormatTagEntry {
    WORD tag;
    const char* name;
};

constexpr FormatTagEntry FormatTags[] = {
    {WAVE_FORMAT_PCM, "PCM"},
    {WAVE_FORMAT_ADPCM, "ADPCM"},
    {WAVE_FORMAT_IEEE_FLOAT, "IEEE Float"},
    {WAVE_FORMAT_ALAW, "CCITT A-Law"},
    {WAVE_FORMAT_MULAW, "CCITT u-Law"},
    {WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM"},
    {WAVE_FORMAT_GSM610, "GSM 6.10"},
    {WAVE_FORMAT_EXTENSIBLE, "Extensible"},
};

constexpr DWORD MaxRate = 384000;
constexpr DWORD Gsm610BlockBytes = 65;
constexpr DWORD Gsm610SamplesPerBlock = 320;
// Coefficient pairs the ADPCM decoder uses; a file lists at least these seven.
constexpr WORD AdpcmStandardCoefficients = 7;
constexpr WORD ExtensibleExtraBytes = 22;
// The sub-format identifier after its first two bytes (the sample format tag).
constexpr BYTE SubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool HasSaneShape(const WAVEFORMATEX& format) {
    return (format.nChannels == 1 || format.nChannels == 2) && format.nSamplesPerSec != 0 &&
           format.nSamplesPerSec <= MaxRate && format.nBlockAlign != 0 && format.nAvgBytesPerSec != 0;
}

WORD ReadWord(const WAVEFORMATEX& format, std::size_t offset) {
    const auto* extra = reinterpret_cast<const BYTE*>(&format) + WAVEFORMATEX_SIZE;
    return WORD(extra[offset] | extra[offset + 1] << 8);
}

CodecLayout ImaAdpcmLayout(const WAVEFORMATEX& format) {
    DWORD channels = format.nChannels;
    DWORD headerBytes = 4 * channels;
    if (format.wBitsPerSample != 4 || format.nBlockAlign <= headerBytes ||
        (format.nBlockAlign - headerBytes) % headerBytes != 0)
        return {};
    return {format.nBlockAlign, (format.nBlockAlign - headerBytes) * 2 / channels + 1};
}

CodecLayout AdpcmLayout(const WAVEFORMATEX& format, std::size_t formatSize) {
    DWORD channels = format.nChannels;
    DWORD headerBytes = 7 * channels;
    if (format.wBitsPerSample != 4 || format.nBlockAlign <= headerBytes || format.cbSize < 4 ||
        formatSize < WAVEFORMATEX_SIZE + 4)
        return {};
    DWORD samplesPerBlock = ReadWord(format, 0);
    WORD coefficients = ReadWord(format, 2);
    if (coefficients < AdpcmStandardCoefficients || coefficients > 256 ||
        format.cbSize < 4 + 4 * coefficients || formatSize < WAVEFORMATEX_SIZE + 4 + 4 * coefficients)
        return {};
    if (samplesPerBlock != (format.nBlockAlign - headerBytes) * 2 / channels + 2) return {};
    return {format.nBlockAlign, samplesPerBlock};
}

} // namespace

const char* AcmFormatTagName(WORD tag) {
    for (const auto& entry : FormatTags)
        if (entry.tag == tag) return entry.name;
    return nullptr;
}

bool IsPcmOutput(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM || !HasSaneShape(format)) return false;
    const WORD bits = format.wBitsPerSample;
    return (bits == 8 || bits == 16) && format.nBlockAlign == format.nChannels * bits / 8 &&
           format.nAvgBytesPerSec == format.nBlockAlign * format.nSamplesPerSec;
}

SampleLayout LinearSampleLayout(const WAVEFORMATEX& format, std::size_t formatSize) {
    if (!HasSaneShape(format)) return {};
    WORD tag = format.wFormatTag;
    const WORD bits = format.wBitsPerSample;
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        if (format.cbSize < ExtensibleExtraBytes || formatSize < WAVEFORMATEX_SIZE + ExtensibleExtraBytes)
            return {};
        const auto* extra = reinterpret_cast<const BYTE*>(&format) + WAVEFORMATEX_SIZE;
        const WORD validBits = ReadWord(format, 0);
        if (validBits > bits || std::memcmp(extra + 8, SubFormatTail, sizeof SubFormatTail) != 0) return {};
        tag = ReadWord(format, 6);
    }
    // Files often carry a careless byte rate; reading them needs only the block alignment.
    if (format.nBlockAlign != format.nChannels * bits / 8) return {};
    if (tag == WAVE_FORMAT_PCM && bits == 8) return {SampleCoding::Unsigned8, 1};
    if (tag == WAVE_FORMAT_PCM && (bits == 16 || bits == 24 || bits == 32))
        return {SampleCoding::Signed, WORD(bits / 8)};
    if (tag == WAVE_FORMAT_IEEE_FLOAT && (bits == 32 || bits == 64))
        return {SampleCoding::Float, WORD(bits / 8)};
    return {};
}

CodecLayout DecodableLayout(const WAVEFORMATEX& format, std::size_t formatSize) {
    if (!HasSaneShape(format)) return {};
    switch (format.wFormatTag) {
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW:
        if (format.wBitsPerSample != 8 || format.nBlockAlign != format.nChannels) return {};
        return {format.nBlockAlign, 1};
    case WAVE_FORMAT_IMA_ADPCM:
        return ImaAdpcmLayout(format);
    case WAVE_FORMAT_ADPCM:
        return AdpcmLayout(format, formatSize);
    case WAVE_FORMAT_GSM610:
        if (format.nChannels != 1 || format.nBlockAlign != Gsm610BlockBytes) return {};
        return {Gsm610BlockBytes, Gsm610SamplesPerBlock};
    default:
        return {};
    }
}

std::string DescribeWaveFormat(const WAVEFORMATEX& format) {
    char text[96];
    const char* channels = format.nChannels == 1 ? "Mono" : format.nChannels == 2 ? "Stereo" : nullptr;
    char channelText[24];
    if (!channels) {
        std::snprintf(channelText, sizeof channelText, "%u Channels", unsigned(format.nChannels));
        channels = channelText;
    }
    if (format.wBitsPerSample != 0)
        std::snprintf(text, sizeof text, "%lu Hz, %u Bit, %s", (unsigned long)format.nSamplesPerSec,
                      unsigned(format.wBitsPerSample), channels);
    else
        std::snprintf(text, sizeof text, "%lu Hz, %s", (unsigned long)format.nSamplesPerSec, channels);
    return text;
}
