#include "sound/MpgLayer3.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/MpgHuffman.h"
#include "sound/MpgLayer12.h"
#include "sound/MpgTables.h"

namespace {

constexpr int kMaxMagnitude = 15 + 8191; // an escaped 15 with 13 linbits

// |v|^(4/3) and 2^(q/4), the two factors of every requantised line.
struct TRequantTables {
    float power43[kMaxMagnitude + 1];
    float quarterPowers[4];
    TRequantTables() {
        for (int i = 0; i <= kMaxMagnitude; ++i)
            power43[i] = float(std::pow(double(i), 4.0 / 3.0));
        for (int i = 0; i < 4; ++i)
            quarterPowers[i] = float(std::pow(2.0, i / 4.0));
    }
    float Gain(int quarters) const { return std::ldexp(quarterPowers[quarters & 3], quarters >> 2); }
};

const TRequantTables& RequantTables() {
    static const TRequantTables tables;
    return tables;
}

} // namespace

TMpegLayer3::TMpegLayer3() {
    RequantTables();
}

bool TMpegLayer3::ReadSideInfo(const TMpegFrame& frame, TMpegBitReader& bits, TSideInfo& side) {
    const int channels = frame.channels;
    side.mainDataBegin = int(bits.GetBits(9));
    bits.Skip(channels == 1 ? 5 : 3);
    for (int ch = 0; ch < channels; ++ch)
        for (int band = 0; band < 4; ++band)
            side.scfsi[ch][band] = int(bits.GetBit());
    for (int gr = 0; gr < 2; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            TGranuleInfo& g = side.granules[gr][ch];
            g.part23Length = int(bits.GetBits(12));
            g.bigValues = int(bits.GetBits(9));
            g.globalGain = int(bits.GetBits(8));
            g.scalefacCompress = int(bits.GetBits(4));
            g.windowSwitching = int(bits.GetBit());
            if (g.windowSwitching) {
                g.blockType = int(bits.GetBits(2));
                g.mixedBlock = int(bits.GetBit());
                for (int i = 0; i < 2; ++i)
                    g.tableSelect[i] = int(bits.GetBits(5));
                for (int i = 0; i < 3; ++i)
                    g.subblockGain[i] = int(bits.GetBits(3));
                if (g.blockType == 0) return false; // forbidden: the rest cannot be trusted
                g.region0Count = g.blockType == 2 && !g.mixedBlock ? 8 : 7;
                g.region1Count = 36;
            } else {
                for (int i = 0; i < 3; ++i)
                    g.tableSelect[i] = int(bits.GetBits(5));
                g.region0Count = int(bits.GetBits(4));
                g.region1Count = int(bits.GetBits(3));
            }
            g.preflag = int(bits.GetBit());
            g.scalefacScale = int(bits.GetBit());
            g.count1Table = int(bits.GetBit());
        }
    }
    return true;
}

void TMpegLayer3::ReadScaleFactors(TMpegBitReader& bits, const TGranuleInfo& info, int granule,
                                   const int scfsi[4], TScaleFactors& factors) {
    const int slen1 = kMpegSlen[0][info.scalefacCompress];
    const int slen2 = kMpegSlen[1][info.scalefacCompress];
    if (info.ShortBlocks()) {
        int firstShort = 0;
        if (info.mixedBlock) {
            for (int sfb = 0; sfb < 8; ++sfb)
                factors.longBands[sfb] = int(bits.GetBits(slen1));
            firstShort = 3;
        }
        for (int sfb = firstShort; sfb < 12; ++sfb)
            for (int w = 0; w < 3; ++w)
                factors.shortBands[sfb][w] = int(bits.GetBits(sfb < 6 ? slen1 : slen2));
        for (int w = 0; w < 3; ++w)
            factors.shortBands[12][w] = 0;
        return;
    }
    static constexpr int kGroupStarts[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
        if (granule == 1 && scfsi[group]) continue; // shared with granule 0
        const int width = group < 2 ? slen1 : slen2;
        for (int sfb = kGroupStarts[group]; sfb < kGroupStarts[group + 1]; ++sfb)
            factors.longBands[sfb] = int(bits.GetBits(width));
    }
    factors.longBands[21] = 0;
}

int TMpegLayer3::DecodeSpectrum(TMpegBitReader& bits, size_t endBit, const TGranuleInfo& info,
                                int samplingIndex, int values[kLines]) {
    const TMpegHuffDecoder& huffman = TMpegHuffDecoder::Instance();
    const int* bands = kMpegLongBands[samplingIndex];
    int region1 = 36;
    int region2 = kLines;
    if (!info.windowSwitching) {
        region1 = bands[std::min(info.region0Count + 1, 22)];
        region2 = bands[std::min(info.region0Count + info.region1Count + 2, 22)];
    }
    const int bigEnd = std::min(info.bigValues * 2, kLines);
    TMpegBitWindow window(bits.Data(), bits.Size(), bits.Position());
    int i = 0;
    const int regionEnds[3] = {std::min(region1, bigEnd), std::min(std::max(region1, region2), bigEnd),
                               bigEnd};
    for (int region = 0; region < 3; ++region) {
        const int table = info.tableSelect[region];
        for (; i < regionEnds[region]; i += 2) {
            window.Refill();
            huffman.DecodePair(table, window, values[i], values[i + 1]);
        }
    }
    const bool bookB = info.count1Table != 0;
    while (i + 4 <= kLines && window.Position() < endBit) {
        int quad[4];
        window.Refill();
        huffman.DecodeQuad(bookB, window, quad);
        if (window.Position() > endBit) break; // the last quadruple ran past the data: dropped
        std::copy(quad, quad + 4, values + i);
        i += 4;
    }
    bits.SetPosition(window.Position());
    std::fill(values + i, values + kLines, 0);
    return i;
}

namespace {

// xr = sign(v) |v|^(4/3) gain over a run of lines. Decoded values never pass an escaped 15
// with 13 linbits, so the table always reaches.
void RequantiseRun(const int* __restrict values, int count, float gain, const float* __restrict power43,
                   float* __restrict xr) {
    // Signs come at random: taken from the value's sign bit without a branch.
    for (int i = 0; i < count; ++i) {
        const int sign = values[i] >> 31;
        const float magnitude = power43[(values[i] ^ sign) - sign] * gain;
        uint32_t bits;
        std::memcpy(&bits, &magnitude, 4);
        bits ^= uint32_t(sign) & 0x80000000u;
        std::memcpy(xr + i, &bits, 4);
    }
}

} // namespace

void TMpegLayer3::Requantise(const int values[kLines], int end, const TGranuleInfo& info,
                             const TScaleFactors& factors, int samplingIndex, float xr[kLines]) {
    const TRequantTables& tables = RequantTables();
    const int shift = 1 + info.scalefacScale;
    const int baseGain = info.globalGain - 210;
    std::fill(xr, xr + kLines, 0.0f);

    int longEnd = kLines;
    int firstShort = 13;
    if (info.ShortBlocks()) {
        longEnd = info.mixedBlock ? kMpegLongBands[samplingIndex][8] : 0;
        firstShort = info.mixedBlock ? 3 : 0;
    }
    const int* longBands = kMpegLongBands[samplingIndex];
    for (int sfb = 0; sfb < 22 && longBands[sfb] < std::min(end, longEnd); ++sfb) {
        const int pre = info.preflag ? kMpegPretab[sfb] : 0;
        const float gain = tables.Gain(baseGain - ((factors.longBands[sfb] + pre) << shift));
        const int stop = std::min(longBands[sfb + 1], end);
        RequantiseRun(values + longBands[sfb], stop - longBands[sfb], gain, tables.power43,
                      xr + longBands[sfb]);
    }
    const int* shortBands = kMpegShortBands[samplingIndex];
    for (int sfb = firstShort; sfb < 13 && 3 * shortBands[sfb] < end; ++sfb) {
        const int width = shortBands[sfb + 1] - shortBands[sfb];
        for (int w = 0; w < 3; ++w) {
            const int quarters = baseGain - 8 * info.subblockGain[w] - (factors.shortBands[sfb][w] << shift);
            const float gain = tables.Gain(quarters);
            const int start = 3 * shortBands[sfb] + w * width;
            RequantiseRun(values + start, std::min(start + width, end) - start, gain, tables.power43,
                          xr + start);
        }
    }
}

size_t TMpegLayer3::AssembleMainData(int mainDataBegin, const uint8_t* data, size_t size) {
    const size_t begin = size_t(mainDataBegin);
    const size_t have = std::min(begin, reservoirSize_);
    const size_t missing = begin - have;
    std::memset(mainData_, 0, missing);
    std::memcpy(mainData_ + missing, reservoir_ + reservoirSize_ - have, have);
    std::memcpy(mainData_ + begin, data, size);
    return missing;
}

void TMpegLayer3::KeepReservoir(const uint8_t* data, size_t size) {
    const size_t capacity = sizeof(reservoir_);
    if (size >= capacity) {
        std::memcpy(reservoir_, data + size - capacity, capacity);
        reservoirSize_ = capacity;
        return;
    }
    const size_t keep = std::min(reservoirSize_, capacity - size);
    std::memmove(reservoir_, reservoir_ + reservoirSize_ - keep, keep);
    std::memcpy(reservoir_ + keep, data, size);
    reservoirSize_ = keep + size;
}

void TMpegLayer3::DecodeGranuleChannel(TMpegBitReader& bits, size_t start, const TSideInfo& side, int granule,
                                       int ch, int samplingIndex) {
    const TGranuleInfo& info = side.granules[granule][ch];
    bits.SetPosition(start);
    ReadScaleFactors(bits, info, granule, side.scfsi[ch], factors_[ch]);
    const int end = DecodeSpectrum(bits, start + size_t(info.part23Length), info, samplingIndex, values_);
    Requantise(values_, end, info, factors_[ch], samplingIndex, xr_[ch]);
    nonzero_[ch] = end;
}

int TMpegLayer3::Decode(const TMpegFrame& frame, const uint8_t* body, size_t bodySize, TMpegSynth& synth,
                        TSndMP3Quality quality, int16_t* out) {
    const int channels = frame.channels;
    samplingIndex_ = frame.samplingIndex;
    const size_t sideBytes = size_t(channels == 1 ? 17 : 32) + (frame.protection ? 2 : 0);
    TMpegBitReader sideBits(body, bodySize);
    sideBits.Skip(frame.protection ? 16 : 0);
    TSideInfo side;
    const bool sideOk = ReadSideInfo(frame, sideBits, side);

    const uint8_t* ownData = body + std::min(sideBytes, bodySize);
    const size_t ownSize = bodySize > sideBytes ? std::min(bodySize - sideBytes, size_t(1792)) : 0;
    const size_t missingBits = AssembleMainData(side.mainDataBegin, ownData, ownSize) * 8;
    TMpegBitReader bits(mainData_, size_t(side.mainDataBegin) + ownSize);
    KeepReservoir(ownData, ownSize);

    int clipped = 0;
    size_t start = 0;
    for (int gr = 0; gr < 2; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            const size_t length = size_t(side.granules[gr][ch].part23Length);
            if (sideOk && start >= missingBits) {
                DecodeGranuleChannel(bits, start, side, gr, ch, frame.samplingIndex);
            } else {
                std::fill(xr_[ch], xr_[ch] + kLines, 0.0f);
                nonzero_[ch] = 0;
            }
            start += length;
        }
        if (channels == 2 && frame.mode == kMpegModeJoint && sideOk)
            ProcessStereo(frame, side.granules[gr][1], factors_[1]);

        float subbands[2][18][32];
        for (int ch = 0; ch < channels; ++ch) {
            const TGranuleInfo& info = side.granules[gr][ch];
            ReorderShortBlocks(ch, info, frame.samplingIndex);
            ReduceAliases(ch, info);
            HybridFilter(ch, info, subbands[ch]);
        }
        for (int t = 0; t < 18; ++t) {
            int16_t* slot = out + (gr * 18 + t) * 64;
            for (int ch = 0; ch < channels; ++ch)
                clipped += synth.Synthesize(subbands[ch][t], ch, slot, quality);
            if (channels == 1) MpegCopyLeftToRight(slot, 32);
        }
    }
    return clipped;
}
