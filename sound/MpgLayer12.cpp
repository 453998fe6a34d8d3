#include "sound/MpgLayer12.h"

#include <algorithm>
#include <cmath>

#include "sound/MpgTables.h"

namespace {

// Scale factors 2^(1 - i/3); index 63 is forbidden but kept in range.
struct TScaleFactors {
    float value[64];
    TScaleFactors() {
        for (int i = 0; i < 64; ++i)
            value[i] = float(std::pow(2.0, 1.0 - i / 3.0));
    }
};

const TScaleFactors& ScaleFactors() {
    static const TScaleFactors table;
    return table;
}

// A sample code c of a quantiser with the given levels, as a fraction of full scale.
inline float Dequantise(uint32_t code, int levels) {
    return float(2 * int(code) + 1 - levels) / float(levels);
}

struct TSubbandState {
    int allocation[2][32] = {};
    int scale[2][3][32] = {};
    float samples[2][3][32] = {};
};

int SynthesizeSlot(const TMpegFrame& frame, const float (&samples)[2][32], TMpegSynth& synth,
                   TSndMP3Quality quality, int16_t* out) {
    int clipped = 0;
    for (int ch = 0; ch < frame.channels; ++ch)
        clipped += synth.Synthesize(samples[ch], ch, out, quality);
    if (frame.channels == 1) MpegCopyLeftToRight(out, 32);
    return clipped;
}

// Layer I: allocation 15 is forbidden and reads as no allocation.
int Layer1Bits(int allocation) {
    return allocation == 0 || allocation == 15 ? 0 : allocation + 1;
}

} // namespace

void MpegCopyLeftToRight(int16_t* out, int pairs) {
    for (int i = 0; i < pairs; ++i)
        out[2 * i + 1] = out[2 * i];
}

int MpegLayer1Decode(const TMpegFrame& frame, TMpegBitReader& bits, TMpegSynth& synth, TSndMP3Quality quality,
                     int16_t* out) {
    const int channels = frame.channels;
    const int bound = channels == 2 ? std::min(frame.jsBound, 32) : 32;
    int nb[2][32] = {};
    int scale[2][32] = {};
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < bound) {
            for (int ch = 0; ch < channels; ++ch)
                nb[ch][sb] = Layer1Bits(int(bits.GetBits(4)));
        } else {
            nb[0][sb] = nb[1][sb] = Layer1Bits(int(bits.GetBits(4)));
        }
    }
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            if (nb[ch][sb] != 0) scale[ch][sb] = int(bits.GetBits(6));

    const TScaleFactors& factors = ScaleFactors();
    int clipped = 0;
    for (int slot = 0; slot < 12; ++slot) {
        float samples[2][32] = {};
        for (int sb = 0; sb < 32; ++sb) {
            const int readFor = sb < bound ? channels : 1;
            for (int ch = 0; ch < readFor; ++ch) {
                if (nb[ch][sb] == 0) continue;
                const float fraction = Dequantise(bits.GetBits(nb[ch][sb]), (1 << nb[ch][sb]) - 1);
                samples[ch][sb] = fraction * factors.value[scale[ch][sb]];
                if (sb >= bound && channels == 2) samples[1][sb] = fraction * factors.value[scale[1][sb]];
            }
        }
        clipped += SynthesizeSlot(frame, samples, synth, quality, out + slot * 64);
    }
    return clipped;
}

namespace {

void ReadLayer2Scales(const TMpegFrame& frame, TMpegBitReader& bits, TSubbandState& state) {
    const int sblimit = frame.sblimit;
    int selection[2][32] = {};
    for (int sb = 0; sb < sblimit; ++sb)
        for (int ch = 0; ch < frame.channels; ++ch)
            if (state.allocation[ch][sb] != 0) selection[ch][sb] = int(bits.GetBits(2));
    for (int sb = 0; sb < sblimit; ++sb) {
        for (int ch = 0; ch < frame.channels; ++ch) {
            if (state.allocation[ch][sb] == 0) continue;
            int(&s)[3][32] = state.scale[ch];
            switch (selection[ch][sb]) {
            case 0:
                for (int part = 0; part < 3; ++part)
                    s[part][sb] = int(bits.GetBits(6));
                break;
            case 1:
                s[0][sb] = s[1][sb] = int(bits.GetBits(6));
                s[2][sb] = int(bits.GetBits(6));
                break;
            case 2:
                s[0][sb] = s[1][sb] = s[2][sb] = int(bits.GetBits(6));
                break;
            default:
                s[0][sb] = int(bits.GetBits(6));
                s[1][sb] = s[2][sb] = int(bits.GetBits(6));
                break;
            }
        }
    }
}

// Reads the three codes of one subband's granule as fractions of full scale.
void ReadLayer2Triple(const TMpegQuantClass& quant, TMpegBitReader& bits, float fractions[3]) {
    if (quant.grouped) {
        uint32_t code = bits.GetBits(quant.bits);
        for (int i = 0; i < 3; ++i) {
            fractions[i] = Dequantise(code % uint32_t(quant.levels), quant.levels);
            code /= uint32_t(quant.levels);
        }
    } else {
        for (int i = 0; i < 3; ++i)
            fractions[i] = Dequantise(bits.GetBits(quant.bits), quant.levels);
    }
}

} // namespace

int MpegLayer2Decode(const TMpegFrame& frame, TMpegBitReader& bits, TMpegSynth& synth, TSndMP3Quality quality,
                     int16_t* out) {
    const TMpegAllocTable& table = *frame.allocTable;
    const int channels = frame.channels;
    const int sblimit = frame.sblimit;
    const int bound = channels == 2 ? frame.jsBound : sblimit;
    TSubbandState state;
    for (int sb = 0; sb < sblimit; ++sb) {
        const int width = table.bands[sb].nbal;
        if (sb < bound) {
            for (int ch = 0; ch < channels; ++ch)
                state.allocation[ch][sb] = int(bits.GetBits(width));
        } else {
            state.allocation[0][sb] = state.allocation[1][sb] = int(bits.GetBits(width));
        }
    }
    ReadLayer2Scales(frame, bits, state);

    const TScaleFactors& factors = ScaleFactors();
    int clipped = 0;
    for (int granule = 0; granule < 12; ++granule) {
        const int part = granule / 4;
        float samples[3][2][32] = {};
        for (int sb = 0; sb < sblimit; ++sb) {
            const int readFor = sb < bound ? channels : 1;
            for (int ch = 0; ch < readFor; ++ch) {
                const int allocation = state.allocation[ch][sb];
                if (allocation == 0) continue;
                float fractions[3];
                ReadLayer2Triple(kMpegQuantClasses[table.bands[sb].classes[allocation]], bits, fractions);
                const int last = sb >= bound ? channels - 1 : ch;
                for (int target = ch; target <= last; ++target) {
                    const float factor = factors.value[state.scale[target][part][sb]];
                    for (int i = 0; i < 3; ++i)
                        samples[i][target][sb] = fractions[i] * factor;
                }
            }
        }
        for (int i = 0; i < 3; ++i)
            clipped += SynthesizeSlot(frame, samples[i], synth, quality, out + (granule * 3 + i) * 64);
    }
    return clipped;
}
