#pragma once
// Reading RIFF WAVE files: the format record and the "data" chunk. Used by the WAV player and
// by the MPEG player for MPEG data stored in a WAVE file.
#include <vector>

#include "platform/mmsys/Mmio.h"
#include "platform/mmsys/WaveFormat.h"

// Results of the routines below: 0 on success, else an mmio error passed on or one of these.
constexpr int ER_MEM = 0xE000;             // out of memory
constexpr int ER_CANNOTOPEN = 0xE100;      // the file cannot be opened
constexpr int ER_NOTWAVEFILE = 0xE101;     // not RIFF WAVE, no "fmt " or "data", bad format record
constexpr int ER_CANNOTREAD = 0xE102;      // a read or seek failed
constexpr int ER_CORRUPTWAVEFILE = 0xE103; // the data chunk ends before its stated size

// Opens name, checks that it is RIFF WAVE, reads its format (with extra bytes) and leaves the
// file after the "fmt " chunk. On failure the format is empty and *file null.
int OpenWaveFile(const char* name, HMMIO* file, WaveFormatBlock* format, MMCKINFO* riff);
// Finds the "data" chunk of the RIFF chunk and stands at its first byte.
int SeekWaveData(HMMIO* file, MMCKINFO* data, MMCKINFO* riff);
// Reads up to count bytes of the data chunk (what is left of it at most) into dest.
int ReadWaveData(HMMIO file, unsigned count, unsigned char* dest, MMCKINFO* data, unsigned* read);
void CloseWaveFile(HMMIO* file, WaveFormatBlock* format);
// Reads the format and the whole data chunk of name; the file is closed in every case.
// samples is cleared and not otherwise written.
int LoadWaveFile(const char* name, unsigned* size, unsigned* samples, WaveFormatBlock* format,
                 std::vector<BYTE>* data);
