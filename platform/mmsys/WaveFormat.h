#pragma once
// The wave format record that files, codecs and engines exchange, and a block that holds one
// together with the extra bytes a compressed format carries after it.
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/kernel/Types.h"

constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr WORD WAVE_FORMAT_ADPCM = 2;
constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr WORD WAVE_FORMAT_ALAW = 6;
constexpr WORD WAVE_FORMAT_MULAW = 7;
constexpr WORD WAVE_FORMAT_IMA_ADPCM = 0x11;
constexpr WORD WAVE_FORMAT_GSM610 = 0x31;
constexpr WORD WAVE_FORMAT_MPEG = 0x50;
constexpr WORD WAVE_FORMAT_MPEGLAYER3 = 0x55;
// The record is followed by 22 extra bytes: valid bits per sample, channel mask, and the
// sub-format identifier whose first two bytes are the format tag of the samples.
constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// Field order and widths follow the record stored in RIFF "fmt " chunks.
struct WAVEFORMATEX {
    WORD wFormatTag = WAVE_FORMAT_PCM;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
    WORD cbSize = 0; // extra bytes that follow the record
    friend bool operator==(const WAVEFORMATEX&, const WAVEFORMATEX&) = default;
};

// Size a format record occupies in memory before its extra bytes.
constexpr std::size_t WAVEFORMATEX_SIZE = 20;

// A WAVEFORMATEX followed by cbSize extra bytes, kept in one aligned allocation so that a
// codec can read the extra bytes right behind the record. An empty block stands for "none".
class WaveFormatBlock {
public:
    WaveFormatBlock() = default;
    explicit WaveFormatBlock(WORD extraSize)
        : storage_((WAVEFORMATEX_SIZE + extraSize + sizeof(DWORD) - 1) / sizeof(DWORD)) {
        Format()->cbSize = extraSize;
    }
    explicit WaveFormatBlock(const WAVEFORMATEX& format, const BYTE* extra = nullptr)
        : WaveFormatBlock(extra ? format.cbSize : WORD(0)) {
        WORD size = Format()->cbSize;
        *Format() = format;
        Format()->cbSize = size;
        if (extra && size != 0) std::memcpy(Extra(), extra, size);
    }

    bool Empty() const { return storage_.empty(); }
    void Clear() { storage_.clear(); }
    WAVEFORMATEX* Format() { return Empty() ? nullptr : reinterpret_cast<WAVEFORMATEX*>(storage_.data()); }
    const WAVEFORMATEX* Format() const {
        return Empty() ? nullptr : reinterpret_cast<const WAVEFORMATEX*>(storage_.data());
    }
    BYTE* Extra() { return reinterpret_cast<BYTE*>(storage_.data()) + WAVEFORMATEX_SIZE; }
    const BYTE* Extra() const { return reinterpret_cast<const BYTE*>(storage_.data()) + WAVEFORMATEX_SIZE; }
    // Bytes of the record and its extra bytes, as a format size is given to a codec.
    std::size_t Size() const { return Empty() ? 0 : WAVEFORMATEX_SIZE + Format()->cbSize; }

private:
    std::vector<DWORD> storage_;
};
