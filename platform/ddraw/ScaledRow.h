#pragma once
// The inner loop of scaling a picture to the screen: a screen row gathered from a picture row
// through a table of source columns. One plain version for every machine, and one for x86
// processors with AVX2 that takes eight screen pixels at once from eight neighbouring picture
// pixels wherever they come from no more (as when a picture is scaled up); chosen once at run
// time, and both give the same pixels.
#include <cstdint>
#include <vector>

namespace pixelops {

// out[i] = in[columns[i]] | setBits for i in [0, count); every column lies in [0, inWidth).
using ScaledRowFill = void (*)(std::uint32_t* out, const std::uint32_t* in, int inWidth, const int* columns,
                               int count, std::uint32_t setBits);

struct ScaledRowVersion {
    const char* name;
    ScaledRowFill fill;
};

// Every version this processor can run, the plain one first.
std::vector<ScaledRowVersion> AvailableScaledRows();
// The fastest of them, which the scaling uses.
ScaledRowFill BestScaledRow();

} // namespace pixelops
