#include "platform/ddraw/ScaledRow.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VX_X86 1
#endif

namespace pixelops {

namespace {

void plainRow(std::uint32_t* out, const std::uint32_t* in, int, const int* columns, int count,
              std::uint32_t setBits) {
    for (int i = 0; i < count; ++i)
        out[i] = in[columns[i]] | setBits;
}

#ifdef VX_X86

// Eight screen pixels whose picture pixels lie within eight neighbours of the first: one load
// of those eight and one permutation by the columns' distances from the first.
__attribute__((target("avx2"))) void avx2Row(std::uint32_t* out, const std::uint32_t* in, int inWidth,
                                             const int* columns, int count, std::uint32_t setBits) {
    const __m256i bits = _mm256_set1_epi32(static_cast<int>(setBits));
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const int first = columns[i];
        if (columns[i + 7] - first >= 8 || first + 8 > inWidth) {
            plainRow(out + i, in, inWidth, columns + i, 8, setBits);
            continue;
        }
        const __m256i near = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + first));
        const __m256i index = _mm256_sub_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + i)), _mm256_set1_epi32(first));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_or_si256(_mm256_permutevar8x32_epi32(near, index), bits));
    }
    plainRow(out + i, in, inWidth, columns + i, count - i, setBits);
}

#endif

} // namespace

std::vector<ScaledRowVersion> AvailableScaledRows() {
    std::vector<ScaledRowVersion> available{{"plain", plainRow}};
#ifdef VX_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) available.push_back({"avx2", avx2Row});
#endif
    return available;
}

ScaledRowFill BestScaledRow() {
    static const ScaledRowFill best = AvailableScaledRows().back().fill;
    return best;
}

} // namespace pixelops
