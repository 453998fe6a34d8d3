#include "sound/MpgDecoder.h"

#include "sound/MpgBits.h"
#include "sound/MpgLayer12.h"

int TMpegDecoder::DecodeFrame(const TMpegFrame& frame, const uint8_t* body, size_t bodySize, int16_t* out) {
    if (frame.layer == 3) return layer3_.Decode(frame, body, bodySize, synth_, quality_, out);
    TMpegBitReader bits(body, bodySize);
    bits.Skip(frame.protection ? 16 : 0);
    if (frame.layer == 1) return MpegLayer1Decode(frame, bits, synth_, quality_, out);
    return MpegLayer2Decode(frame, bits, synth_, quality_, out);
}
