#pragma once
// The fast DCT-II of the synthesis filter, X[k] = sum x[n] cos((2n+1) k pi / 2N), by
// recursive halving. The 32-point transform of full quality runs four lanes at a time
// with the very same additions and multiplications as the scalar one, so both give the
// same bits; the scalar transforms serve the half and quarter qualities.
void MpegDct32(const float x[32], float out[32]);
void MpegDctScalar32(const float x[32], float out[32]);
void MpegDctScalar16(const float x[16], float out[16]);
void MpegDctScalar8(const float x[8], float out[8]);
