// RIFF WAVE files, 16-bit PCM mono.
#pragma once

#include "tools/datagen/ByteWriter.h"
#include "tools/datagen/Synth.h"

namespace datagen {

Bytes encodeWav16Mono(const Signal& signal, int rate);

} // namespace datagen
