#pragma once
// Colour-keyed row copies, the inner loop of every sprite blit: each source pixel that
// differs from the key replaces the destination pixel. One plain version for every machine,
// and versions for the vector instruction sets of x86 processors, chosen once at run time
// from what the processor offers; all of them give the same pixels.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixelops {

// Copies h rows of w pixels, each row pitch bytes after the one before:
// dest[i] = source[i] unless source[i] == key.
template <class T>
using KeyedRectCopy = void (*)(T* dest, std::ptrdiff_t destPitch, const T* source, std::ptrdiff_t sourcePitch,
                               int w, int h, T key);

struct KeyedRowCopies {
    const char* name;
    KeyedRectCopy<std::uint8_t> rect8;
    KeyedRectCopy<std::uint16_t> rect16;
    KeyedRectCopy<std::uint32_t> rect32;
};

// The plain version.
const KeyedRowCopies& ScalarKeyedCopies();
// Every version this processor can run, the plain one first.
std::vector<const KeyedRowCopies*> AvailableKeyedCopies();
// The fastest of them, which the blits use.
const KeyedRowCopies& BestKeyedCopies();

} // namespace pixelops
