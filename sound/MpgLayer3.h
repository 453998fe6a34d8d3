#pragma once
// Layer III: side information, the bit reservoir, scale factors, Huffman-coded spectrum,
// requantisation, joint stereo, alias reduction and the hybrid filter bank.
#include <cstddef>
#include <cstdint>

#include "sound/MpgBits.h"
#include "sound/MpgFrame.h"
#include "sound/MpgSynth.h"

class TMpegLayer3 {
public:
    static constexpr int kLines = 576;

    TMpegLayer3();

    // Decodes the frame whose body (everything after the 4 header bytes) is given,
    // appends 1152 stereo pairs at out and returns the number of clipped samples.
    int Decode(const TMpegFrame& frame, const uint8_t* body, size_t bodySize, TMpegSynth& synth,
               TSndMP3Quality quality, int16_t* out);

    // Drops the main data kept from earlier frames (the stream jumped): a following
    // frame that points back into it decodes the missing part as silence.
    void ForgetReservoir() { reservoirSize_ = 0; }

private:
    struct TGranuleInfo {
        int part23Length = 0;
        int bigValues = 0;
        int globalGain = 0;
        int scalefacCompress = 0;
        int windowSwitching = 0;
        int blockType = 0;
        int mixedBlock = 0;
        int tableSelect[3] = {};
        int subblockGain[3] = {};
        int region0Count = 0;
        int region1Count = 0;
        int preflag = 0;
        int scalefacScale = 0;
        int count1Table = 0;

        bool ShortBlocks() const { return windowSwitching && blockType == 2; }
    };
    struct TSideInfo {
        int mainDataBegin = 0;
        int scfsi[2][4] = {};
        TGranuleInfo granules[2][2];
    };
    struct TScaleFactors {
        int longBands[22] = {};
        int shortBands[13][3] = {};
    };

    static bool ReadSideInfo(const TMpegFrame& frame, TMpegBitReader& bits, TSideInfo& side);
    static void ReadScaleFactors(TMpegBitReader& bits, const TGranuleInfo& info, int granule,
                                 const int scfsi[4], TScaleFactors& factors);
    static int DecodeSpectrum(TMpegBitReader& bits, size_t endBit, const TGranuleInfo& info,
                              int samplingIndex, int values[kLines]);
    static void Requantise(const int values[kLines], int end, const TGranuleInfo& info,
                           const TScaleFactors& factors, int samplingIndex, float xr[kLines]);

    size_t AssembleMainData(int mainDataBegin, const uint8_t* data, size_t size);
    void KeepReservoir(const uint8_t* data, size_t size);
    void DecodeGranuleChannel(TMpegBitReader& bits, size_t start, const TSideInfo& side, int granule, int ch,
                              int samplingIndex);

    // Stereo processing and the hybrid filter bank (MpgHybrid.cpp).
    void ProcessStereo(const TMpegFrame& frame, const TGranuleInfo& right, const TScaleFactors& rightFactors);
    void ReorderShortBlocks(int ch, const TGranuleInfo& info, int samplingIndex);
    void ReduceAliases(int ch, const TGranuleInfo& info);
    void HybridFilter(int ch, const TGranuleInfo& info, float subbands[18][32]);

    uint8_t reservoir_[511] = {};
    size_t reservoirSize_ = 0;
    uint8_t mainData_[511 + 1792 + 8] = {};
    int values_[kLines] = {};
    float xr_[2][kLines] = {};
    int nonzero_[2] = {}; // lines from here on are zero
    int samplingIndex_ = 0;
    TScaleFactors factors_[2];
    float overlap_[2][32][18] = {};
};
