#pragma once
// Decoding of compressed wave data (A-law, u-law, IMA ADPCM, ADPCM, GSM 6.10) to 16-bit PCM
// at the data's own rate and channel count, chunk by chunk. The decoder keeps its state from
// one chunk to the next, so a stream split at any block boundary decodes to the same samples.
#include <cstddef>
#include <memory>

#include "platform/mmsys/AcmFormats.h"

class AcmCodecDecoder {
public:
    // format: the compressed format with its extra bytes.
    explicit AcmCodecDecoder(const WaveFormatBlock& format);
    ~AcmCodecDecoder();
    AcmCodecDecoder(const AcmCodecDecoder&) = delete;
    AcmCodecDecoder& operator=(const AcmCodecDecoder&) = delete;

    // True when the format is one the decoder reads and its first block decodes.
    bool Usable() const { return usable_; }
    const CodecLayout& Layout() const { return layout_; }

    // Forgets the decoder state: the next chunk starts a new stream.
    void Reset();

    struct Result {
        std::size_t sourceUsed = 0;
        std::size_t destinationUsed = 0;
        bool failed = false;
    };
    // Decodes the whole blocks of source that fit in destination.
    Result Decode(const BYTE* source, std::size_t sourceBytes, BYTE* destination,
                  std::size_t destinationBytes);

    std::size_t DestinationSize(std::size_t sourceBytes) const;
    std::size_t SourceSize(std::size_t destinationBytes) const;

private:
    struct Stream;
    WaveFormatBlock format_;
    CodecLayout layout_;
    std::unique_ptr<Stream> stream_;
    bool usable_ = false;
};
