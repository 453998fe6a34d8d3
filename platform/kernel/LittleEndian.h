#pragma once
// Appending numbers to a byte buffer least significant byte first, the order in which the
// file formats the program builds in memory (cursors, icons, RIFF chunks) store them.
#include "platform/kernel/Types.h"

#include <cstdint>
#include <vector>

inline void AppendLE16(std::vector<BYTE>& out, unsigned value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

inline void AppendLE32(std::vector<BYTE>& out, std::uint32_t value) {
    AppendLE16(out, value & 0xFFFF);
    AppendLE16(out, value >> 16);
}
