#pragma once
// The compression manager's fixed registry: which wave formats it reads, their names, their
// descriptions and the block layout of each codec.
#include <string>

#include "platform/mmsys/WaveFormat.h"

// Name of a format tag the registry knows, null for any other tag.
const char* AcmFormatTagName(WORD tag);

// A PCM format the converter writes: 8 or 16 bits, one or two channels, a rate, and a block
// alignment and byte rate that agree.
bool IsPcmOutput(const WAVEFORMATEX& format);

// How the converter reads one sample of a linear format.
enum class SampleCoding { None, Unsigned8, Signed, Float };
struct SampleLayout {
    SampleCoding coding = SampleCoding::None;
    WORD bytes = 0;
};

// The samples of a linear format the converter reads: PCM of 8, 16, 24 or 32 bits and IEEE
// float of 32 or 64 bits, plain or in an extensible record (formatSize counts the record and
// the extra bytes present); coding None for anything else. One or two channels.
SampleLayout LinearSampleLayout(const WAVEFORMATEX& format, std::size_t formatSize);

// How a codec lays out its data: blocks of blockBytes, each decoding to samplesPerBlock frames.
struct CodecLayout {
    DWORD blockBytes = 0;
    DWORD samplesPerBlock = 0;
};

// The layout of a compressed format the decoder reads, or a zero layout when the format (with
// the extra bytes of format, at least extraSize of them present) is not one it reads.
CodecLayout DecodableLayout(const WAVEFORMATEX& format, std::size_t formatSize);

// "22050 Hz, 16 Bit, Stereo"; the width is left out for codecs without a sample width.
std::string DescribeWaveFormat(const WAVEFORMATEX& format);
