#pragma once
// Constant tables of MPEG-1 audio (ISO/IEC 11172-3): bitrates, sampling rates, the
// layer II allocation tables, the layer III scale-factor bands and the synthesis window.
#include <cstdint>

// Bitrates in kbit/s by layer (1..3) - 1 and bitrate index; 0 for free format and index 15.
extern const int kMpegBitrates[3][16];
// Sampling rates by sampling index; the reserved index 3 reads 999999.
extern const int kMpegSamplingRates[4];

// Layer II quantisation classes: levels, bits per sample (or per group of three).
struct TMpegQuantClass {
    int levels;
    int bits;
    bool grouped;
};
extern const TMpegQuantClass kMpegQuantClasses[17];

// One layer II allocation table: per subband the allocation field width and the
// quantisation class of each allocation value (-1 = nothing allocated).
struct TMpegAllocBand {
    int nbal;
    const int8_t* classes;
};
struct TMpegAllocTable {
    int sblimit;
    TMpegAllocBand bands[32];
};
// The four tables of the standard (subband limits 27, 30, 8, 12).
const TMpegAllocTable& MpegAllocTable(int which);
// The allocation table a layer II frame uses.
int MpegSelectAllocTable(int samplingIndex, int channels, int bitrateIndex);

// Layer III scale-factor band starts by sampling index: 23 long, 14 short.
extern const int kMpegLongBands[3][23];
extern const int kMpegShortBands[3][14];
extern const int kMpegPretab[22];
extern const int kMpegSlen[2][16];

// The synthesis window D[0..256] in units of 1/65536; the rest follows by symmetry.
extern const int kMpegWindowBase[257];
