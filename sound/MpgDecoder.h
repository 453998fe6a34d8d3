#pragma once
// The MPEG-1 audio decoder: turns one frame (layer I, II or III) into 16-bit stereo
// pairs. All filter memory lives in the instance.
#include <cstddef>
#include <cstdint>

#include "sound/MpgFrame.h"
#include "sound/MpgLayer3.h"
#include "sound/MpgSynth.h"

class TMpegDecoder {
public:
    static constexpr int kMaxPairs = 1152;

    void SetQuality(TSndMP3Quality quality) { quality_ = quality; }

    // Decodes a frame read by TMpegFrameReader (body = everything after the header) and
    // writes MpegFramePairs(frame) interleaved left/right pairs at out. Returns the
    // number of clipped samples.
    int DecodeFrame(const TMpegFrame& frame, const uint8_t* body, size_t bodySize, int16_t* out);

    // The stream jumped (rewind, seek): layer III main data of earlier frames no longer
    // belongs to what follows. The filter memories are kept.
    void StreamJumped() { layer3_.ForgetReservoir(); }

private:
    TSndMP3Quality quality_ = smqFull;
    TMpegSynth synth_;
    TMpegLayer3 layer3_;
};
