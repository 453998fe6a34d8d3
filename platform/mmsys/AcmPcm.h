#pragma once
// Linear to PCM conversion in chunks: sample width and coding (integer or float), channel
// count and rate. The rate is changed by stepping through the source frames with an exact
// rational phase that carries from one chunk to the next, so a stream split anywhere
// converts to the same frames.
#include <cstddef>

#include "platform/mmsys/AcmFormats.h"
#include "platform/mmsys/WaveFormat.h"

class AcmPcmConverter {
public:
    // layout: how the source's samples are read (LinearSampleLayout of the source).
    AcmPcmConverter(const WAVEFORMATEX& source, SampleLayout layout, const WAVEFORMATEX& destination);

    // Forgets the phase: the next chunk starts a new stream.
    void Reset();

    struct Result {
        std::size_t sourceUsed = 0;
        std::size_t destinationUsed = 0;
    };
    // Converts the whole frames of source; stops early only when destination is full.
    Result Convert(const BYTE* source, std::size_t sourceBytes, BYTE* destination,
                   std::size_t destinationBytes);

    // Destination bytes that sourceBytes can produce at most.
    std::size_t DestinationSize(std::size_t sourceBytes) const;
    // Source bytes whose conversion always fits in destinationBytes.
    std::size_t SourceSize(std::size_t destinationBytes) const;

private:
    int ReadSample(const BYTE* frame, int channel) const;
    void WriteFrame(BYTE* out, int left, int right) const;

    WAVEFORMATEX source_;
    SampleLayout layout_;
    WAVEFORMATEX destination_;
    // Source frames to pass over, counted from the start of the next chunk, before the frame
    // of the next output; and the fraction of a source frame (in units of 1/destination rate).
    std::size_t pendingSkip_ = 0;
    DWORD phase_ = 0;
};
