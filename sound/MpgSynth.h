#pragma once
// Polyphase synthesis filter bank: 32 subband values per call become 32 output
// samples of one channel, written at every second 16-bit value (left/right pairs).
#include <cstdint>

// How much of the synthesis is computed. Half and quarter quality keep only the lower
// half or quarter of the subbands and compute every second or fourth sample, repeating
// it, so that the output rate stays the same.
enum TSndMP3Quality { smqFull, smqHalf, smqQuarter };

class TMpegSynth {
public:
    TMpegSynth();

    // Filters 32 subband values of channel 0 or 1 and writes 32 samples at out[0],
    // out[2], ... (out points at the first pair). Returns the number of clipped samples.
    int Synthesize(const float subbands[32], int channel, int16_t* out, TSndMP3Quality quality);

private:
    template <int Q> int SynthesizeAt(const float subbands[32], int channel, int16_t* out);

    // Per quality and channel: 16 blocks of the matrixed values (32 for even ages,
    // 32 for odd ages) and the index of the newest block.
    struct TRing {
        alignas(16) float blocks[16][64];
        unsigned newest;
    };
    TRing rings_[3][2];
};
