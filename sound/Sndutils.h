#pragma once
// Wave-format and text routines shared by the engines and the player plug-ins.
#include "platform/dsound/WaveFormat.h"

#include <cstddef>

// Completes a PCM format from its channels, bits and rate: tag, block align, byte rate, no extra.
void UpdateWaveFormat(WAVEFORMATEX* format);

// Writes a duration ("1:01:05", "0:59", "1:01.50") and answers its length. With hundredths
// the time counts hundredths of a second, else seconds. out holds at least size bytes.
int nTimeToStr(char* out, std::size_t size, int time, bool hundredths);

// Writes a size ("1.5 MB", "2 KB", "1000") and answers its length.
int nSizeToStr(char* out, std::size_t size, int bytes);
