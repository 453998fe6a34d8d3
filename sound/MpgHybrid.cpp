// Layer III after requantisation: joint stereo, reordering of short blocks, alias
// reduction and the hybrid filter bank (IMDCT, windowing, overlap-add).
#include <algorithm>
#include <cmath>

#include "sound/MpgLayer3.h"
#include "sound/MpgTables.h"

namespace {

struct THybridTables {
    float aliasCs[8], aliasCa[8];
    float windows[4][36]; // by block type; type 2 holds the 12-point short window
    // By line: its share in the 18 independent outputs of the 36-point IMDCT, padded with
    // zeros to whole vectors.
    alignas(16) float cos36[18][20];
    float cos12[12][6];
    float intensityLeft[7], intensityRight[7];

    THybridTables() {
        static constexpr double kAlias[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
        for (int i = 0; i < 8; ++i) {
            const double root = std::sqrt(1.0 + kAlias[i] * kAlias[i]);
            aliasCs[i] = float(1.0 / root);
            aliasCa[i] = float(kAlias[i] / root);
        }
        for (int i = 0; i < 36; ++i) {
            const double longSine = std::sin(M_PI / 36 * (i + 0.5));
            windows[0][i] = float(longSine);
            windows[1][i] = float(i < 18   ? longSine
                                  : i < 24 ? 1.0
                                  : i < 30 ? std::sin(M_PI / 12 * (i - 18 + 0.5))
                                           : 0.0);
            windows[3][i] = float(i < 6    ? 0.0
                                  : i < 12 ? std::sin(M_PI / 12 * (i - 6 + 0.5))
                                  : i < 18 ? 1.0
                                           : longSine);
            windows[2][i] = i < 12 ? float(std::sin(M_PI / 12 * (i + 0.5))) : 0.0f;
        }
        for (int n = 0; n < 20; ++n) {
            const int i = n < 9 ? n : n + 9; // outputs 0..8 and 18..26
            for (int k = 0; k < 18; ++k)
                cos36[k][n] = n < 18 ? float(std::cos(M_PI / 72 * (2 * i + 1 + 18) * (2 * k + 1))) : 0.0f;
        }
        for (int i = 0; i < 12; ++i)
            for (int k = 0; k < 6; ++k)
                cos12[i][k] = float(std::cos(M_PI / 24 * (2 * i + 1 + 6) * (2 * k + 1)));
        for (int pos = 0; pos < 7; ++pos) {
            if (pos == 6) {
                intensityLeft[pos] = 1.0f;
                intensityRight[pos] = 0.0f;
                continue;
            }
            const double ratio = std::tan(pos * M_PI / 12);
            intensityLeft[pos] = float(ratio / (1 + ratio));
            intensityRight[pos] = float(1 / (1 + ratio));
        }
    }
};

const THybridTables& Tables() {
    static const THybridTables tables;
    return tables;
}

typedef float TFloat4 __attribute__((vector_size(16)));

// 36-point IMDCT of 18 lines, windowed. Line by line, so that the 18 sums run side by
// side in five vectors (each still adds its products in line order). A silent line adds
// zeros, which change no sum (a sum that starts at +0 never becomes -0), so no line is
// tested for silence: at random, such a test costs more than it saves.
void LongImdct(const float* in, const float* window, float out[36]) {
    const THybridTables& t = Tables();
    TFloat4 s0 = {}, s1 = {}, s2 = {}, s3 = {}, s4 = {};
    for (int k = 0; k < 18; ++k) {
        const float line = in[k];
        const auto* c = reinterpret_cast<const TFloat4*>(t.cos36[k]);
        const TFloat4 l = {line, line, line, line};
        s0 += l * c[0];
        s1 += l * c[1];
        s2 += l * c[2];
        s3 += l * c[3];
        s4 += l * c[4];
    }
    alignas(16) float sums[20];
    auto* stored = reinterpret_cast<TFloat4*>(sums);
    stored[0] = s0;
    stored[1] = s1;
    stored[2] = s2;
    stored[3] = s3;
    stored[4] = s4;
    for (int n = 0; n < 9; ++n) {
        out[n] = sums[n] * window[n];
        out[17 - n] = -sums[n] * window[17 - n];
        out[18 + n] = sums[9 + n] * window[18 + n];
        out[35 - n] = sums[9 + n] * window[35 - n];
    }
}

// Three 12-point IMDCTs of interleaved lines (frequency-major, window-minor), overlapped.
void ShortImdct(const float* in, float out[36]) {
    const THybridTables& t = Tables();
    std::fill(out, out + 36, 0.0f);
    for (int w = 0; w < 3; ++w) {
        for (int i = 0; i < 12; ++i) {
            float sum = 0.0f;
            for (int k = 0; k < 6; ++k)
                sum += in[3 * k + w] * t.cos12[i][k];
            out[6 + 6 * w + i] += sum * t.windows[2][i];
        }
    }
}

struct TStereoBand {
    int start;
    int width;
    int position; // intensity position, or -1 for no intensity stereo
};

int LastNonzero(const float* values, int start, int width) {
    for (int i = width - 1; i >= 0; --i)
        if (values[start + i] != 0.0f) return i;
    return -1;
}

} // namespace

void TMpegLayer3::ProcessStereo(const TMpegFrame& frame, const TGranuleInfo& right,
                                const TScaleFactors& rightFactors) {
    const bool midSide = (frame.modeExt & 2) != 0;
    const bool intensity = (frame.modeExt & 1) != 0;
    if (!midSide && !intensity) return;
    float* l = xr_[0];
    float* r = xr_[1];
    const int end = std::max(nonzero_[0], nonzero_[1]);

    // Bands in the order of the coded lines, each with its intensity position.
    TStereoBand bands[22 + 39];
    const int* longBands = kMpegLongBands[samplingIndex_];
    const int* shortBands = kMpegShortBands[samplingIndex_];
    const int longCount = right.ShortBlocks() ? (right.mixedBlock ? 8 : 0) : 22;
    const int firstShort = right.ShortBlocks() ? (right.mixedBlock ? 3 : 0) : 13;
    bool shortPartSilent = true;
    for (int sfb = firstShort; sfb < 13; ++sfb) {
        const int width = shortBands[sfb + 1] - shortBands[sfb];
        for (int w = 0; w < 3; ++w) {
            bands[longCount + (sfb - firstShort) * 3 + w] = {3 * shortBands[sfb] + w * width, width, -1};
        }
    }
    // Short windows: intensity above the highest band with a right-channel line, per window.
    for (int w = 0; w < 3 && firstShort < 13; ++w) {
        int first = firstShort;
        for (int sfb = 12; sfb >= firstShort; --sfb) {
            const TStereoBand& b = bands[longCount + (sfb - firstShort) * 3 + w];
            if (LastNonzero(r, b.start, b.width) >= 0) {
                first = sfb + 1;
                shortPartSilent = false;
                break;
            }
        }
        for (int sfb = first; sfb < 13 && intensity; ++sfb)
            bands[longCount + (sfb - firstShort) * 3 + w].position =
                rightFactors.shortBands[std::min(sfb, 11)][w];
    }
    // Long bands: intensity above the highest band with a right-channel line, when the
    // short part (if any) carries none.
    int firstIntensity = longCount;
    if (shortPartSilent) {
        firstIntensity = 0;
        for (int sfb = longCount - 1; sfb >= 0; --sfb) {
            if (LastNonzero(r, longBands[sfb], longBands[sfb + 1] - longBands[sfb]) >= 0) {
                firstIntensity = sfb + 1;
                break;
            }
        }
    }
    for (int sfb = 0; sfb < longCount; ++sfb) {
        const int position =
            intensity && sfb >= firstIntensity ? rightFactors.longBands[std::min(sfb, 20)] : -1;
        bands[sfb] = {longBands[sfb], longBands[sfb + 1] - longBands[sfb], position};
    }
    const int count = longCount + (13 - firstShort) * 3;

    const THybridTables& t = Tables();
    const float invSqrt2 = float(1.0 / std::sqrt(2.0));
    for (int b = 0; b < count; ++b) {
        const TStereoBand& band = bands[b];
        const int stop = band.start + band.width;
        if (band.position >= 0 && band.position < 7) {
            const float kl = t.intensityLeft[band.position];
            const float kr = t.intensityRight[band.position];
            for (int i = band.start; i < stop; ++i) {
                const float v = l[i];
                l[i] = v * kl;
                r[i] = v * kr;
            }
        } else if (midSide && band.start < end) {
            for (int i = band.start; i < stop; ++i) {
                const float m = l[i];
                const float s = r[i];
                l[i] = (m + s) * invSqrt2;
                r[i] = (m - s) * invSqrt2;
            }
        }
    }
    nonzero_[0] = nonzero_[1] = end;
}

void TMpegLayer3::ReorderShortBlocks(int ch, const TGranuleInfo& info, int samplingIndex) {
    if (!info.ShortBlocks()) return;
    const int* shortBands = kMpegShortBands[samplingIndex];
    float* xr = xr_[ch];
    float reordered[kLines];
    const int firstShort = info.mixedBlock ? 3 : 0;
    int end = nonzero_[ch];
    for (int sfb = firstShort; sfb < 13; ++sfb) {
        const int start = 3 * shortBands[sfb];
        const int width = shortBands[sfb + 1] - shortBands[sfb];
        if (start >= nonzero_[ch]) break;
        for (int w = 0; w < 3; ++w)
            for (int i = 0; i < width; ++i)
                reordered[start + 3 * i + w] = xr[start + w * width + i];
        std::copy(reordered + start, reordered + start + 3 * width, xr + start);
        end = start + 3 * width;
    }
    nonzero_[ch] = std::max(end, nonzero_[ch]);
}

void TMpegLayer3::ReduceAliases(int ch, const TGranuleInfo& info) {
    if (info.ShortBlocks() && !info.mixedBlock) return;
    const THybridTables& t = Tables();
    float* xr = xr_[ch];
    const int lastBoundary = info.ShortBlocks() ? 1 : 31;
    int end = nonzero_[ch];
    for (int sb = 1; sb <= lastBoundary && 18 * sb - 8 < nonzero_[ch]; ++sb) {
        for (int i = 0; i < 8; ++i) {
            const float lower = xr[18 * sb - 1 - i];
            const float upper = xr[18 * sb + i];
            xr[18 * sb - 1 - i] = lower * t.aliasCs[i] - upper * t.aliasCa[i];
            xr[18 * sb + i] = upper * t.aliasCs[i] + lower * t.aliasCa[i];
        }
        end = std::max(end, 18 * sb + 8);
    }
    nonzero_[ch] = std::min(end, kLines);
}

void TMpegLayer3::HybridFilter(int ch, const TGranuleInfo& info, float subbands[18][32]) {
    const THybridTables& t = Tables();
    const int active = std::min(32, (nonzero_[ch] + 17) / 18);
    for (int sb = 0; sb < 32; ++sb) {
        float* overlap = overlap_[ch][sb];
        if (sb >= active) {
            for (int i = 0; i < 18; ++i) {
                subbands[i][sb] = overlap[i];
                overlap[i] = 0.0f;
            }
        } else {
            float block[36];
            const float* in = xr_[ch] + 18 * sb;
            const bool longBlock = !info.ShortBlocks() || (info.mixedBlock && sb < 2);
            if (longBlock) {
                const int type = info.windowSwitching && !(info.mixedBlock && sb < 2) ? info.blockType : 0;
                LongImdct(in, t.windows[type], block);
            } else {
                ShortImdct(in, block);
            }
            for (int i = 0; i < 18; ++i) {
                subbands[i][sb] = block[i] + overlap[i];
                overlap[i] = block[18 + i];
            }
        }
        if (sb & 1)
            for (int i = 1; i < 18; i += 2)
                subbands[i][sb] = -subbands[i][sb];
    }
}
