#pragma once
// Layers I and II: subband samples read straight from the frame, then synthesised.
#include <cstdint>

#include "sound/MpgBits.h"
#include "sound/MpgFrame.h"
#include "sound/MpgSynth.h"

// Each decodes the frame whose body (after the header and check word) the reader holds,
// appends 384 (layer I) or 1152 (layer II) stereo pairs at out and returns the number
// of clipped samples.
int MpegLayer1Decode(const TMpegFrame& frame, TMpegBitReader& bits, TMpegSynth& synth, TSndMP3Quality quality,
                     int16_t* out);
int MpegLayer2Decode(const TMpegFrame& frame, TMpegBitReader& bits, TMpegSynth& synth, TSndMP3Quality quality,
                     int16_t* out);

// Gives the right value of every pair the left one, for single-channel frames.
void MpegCopyLeftToRight(int16_t* out, int pairs);
