#include "platform/ddraw/KeyedCopy.h"

#include <type_traits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VX_X86 1
#endif

namespace pixelops {

namespace {

template <class T> T* rowAfter(T* row, std::ptrdiff_t pitch) {
    using Byte = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
    return reinterpret_cast<T*>(reinterpret_cast<Byte*>(row) + pitch);
}

template <class T> void plainRow(T* dest, const T* source, int w, T key) {
    for (int i = 0; i < w; ++i) {
        const T value = source[i];
        if (value != key) dest[i] = value;
    }
}

template <class T>
void plainRect(T* dest, std::ptrdiff_t destPitch, const T* source, std::ptrdiff_t sourcePitch, int w, int h,
               T key) {
    for (int y = 0; y < h; ++y, dest = rowAfter(dest, destPitch), source = rowAfter(source, sourcePitch))
        plainRow(dest, source, w, key);
}

const KeyedRowCopies scalar{"scalar", plainRect<std::uint8_t>, plainRect<std::uint16_t>,
                            plainRect<std::uint32_t>};

#ifdef VX_X86

#define VX_TARGET(features) __attribute__((target(features)))

// SSE2 and AVX2 have no masked store for bytes and words: a vector of pixels is merged with
// the destination it covers (keyed lanes keep what was there) and written back whole.

template <class T> VX_TARGET("sse2") __m128i equal128(__m128i a, __m128i b) {
    if constexpr (sizeof(T) == 1)
        return _mm_cmpeq_epi8(a, b);
    else if constexpr (sizeof(T) == 2)
        return _mm_cmpeq_epi16(a, b);
    else
        return _mm_cmpeq_epi32(a, b);
}

template <class T> VX_TARGET("sse2") __m128i splat128(T key) {
    if constexpr (sizeof(T) == 1)
        return _mm_set1_epi8(static_cast<char>(key));
    else if constexpr (sizeof(T) == 2)
        return _mm_set1_epi16(static_cast<short>(key));
    else
        return _mm_set1_epi32(static_cast<int>(key));
}

template <class T>
VX_TARGET("sse2")
void sse2Rect(T* dest, std::ptrdiff_t destPitch, const T* source, std::ptrdiff_t sourcePitch, int w, int h,
              T key) {
    constexpr int lanes = 16 / sizeof(T);
    const __m128i k = splat128<T>(key);
    for (int y = 0; y < h; ++y, dest = rowAfter(dest, destPitch), source = rowAfter(source, sourcePitch)) {
        int i = 0;
        for (; i + lanes <= w; i += lanes) {
            const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest + i));
            const __m128i keyed = equal128<T>(value, k);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + i),
                             _mm_or_si128(_mm_and_si128(keyed, old), _mm_andnot_si128(keyed, value)));
        }
        plainRow(dest + i, source + i, w - i, key);
    }
}

template <class T> VX_TARGET("avx2") __m256i equal256(__m256i a, __m256i b) {
    if constexpr (sizeof(T) == 1)
        return _mm256_cmpeq_epi8(a, b);
    else if constexpr (sizeof(T) == 2)
        return _mm256_cmpeq_epi16(a, b);
    else
        return _mm256_cmpeq_epi32(a, b);
}

template <class T> VX_TARGET("avx2") __m256i splat256(T key) {
    if constexpr (sizeof(T) == 1)
        return _mm256_set1_epi8(static_cast<char>(key));
    else if constexpr (sizeof(T) == 2)
        return _mm256_set1_epi16(static_cast<short>(key));
    else
        return _mm256_set1_epi32(static_cast<int>(key));
}

template <class T>
VX_TARGET("avx2")
void avx2Rect(T* dest, std::ptrdiff_t destPitch, const T* source, std::ptrdiff_t sourcePitch, int w, int h,
              T key) {
    constexpr int lanes = 32 / sizeof(T);
    const __m256i k = splat256<T>(key);
    for (int y = 0; y < h; ++y, dest = rowAfter(dest, destPitch), source = rowAfter(source, sourcePitch)) {
        int i = 0;
        for (; i + lanes <= w; i += lanes) {
            const __m256i value = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i));
            const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dest + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + i),
                                _mm256_blendv_epi8(value, old, equal256<T>(value, k)));
        }
        plainRow(dest + i, source + i, w - i, key);
    }
}

// AVX-512 (with its 256-bit forms) stores only the lanes that differ from the key, so the
// destination is never read, and masks the row's tail off one more vector. 256-bit vectors:
// a 32-pixel sprite row of 8 or 16 bits fills them whole, where a 512-bit one would be half
// masked off, and they measured faster for 32 bits too.
template <class T>
VX_TARGET("avx512f,avx512bw,avx512vl")
void store256(T* dest, const T* source, __m256i k, __mmask32 part) {
    if constexpr (sizeof(T) == 1) {
        const __m256i value = _mm256_maskz_loadu_epi8(part, source);
        _mm256_mask_storeu_epi8(dest, _mm256_mask_cmpneq_epi8_mask(part, value, k), value);
    } else if constexpr (sizeof(T) == 2) {
        const __m256i value = _mm256_maskz_loadu_epi16(__mmask16(part), source);
        _mm256_mask_storeu_epi16(dest, _mm256_mask_cmpneq_epi16_mask(__mmask16(part), value, k), value);
    } else {
        const __m256i value = _mm256_maskz_loadu_epi32(__mmask8(part), source);
        _mm256_mask_storeu_epi32(dest, _mm256_mask_cmpneq_epi32_mask(__mmask8(part), value, k), value);
    }
}

template <class T>
VX_TARGET("avx512f,avx512bw,avx512vl")
void avx512Rect(T* dest, std::ptrdiff_t destPitch, const T* source, std::ptrdiff_t sourcePitch, int w, int h,
                T key) {
    constexpr int lanes = 32 / sizeof(T);
    const __m256i k = splat256<T>(key);
    const int whole = w / lanes * lanes;
    const int rest = w - whole;
    const __mmask32 all = lanes == 32 ? ~__mmask32(0) : (__mmask32(1) << lanes) - 1;
    const __mmask32 tail = rest == 0 ? 0 : (__mmask32(1) << rest) - 1;
    for (int y = 0; y < h; ++y, dest = rowAfter(dest, destPitch), source = rowAfter(source, sourcePitch)) {
        for (int i = 0; i < whole; i += lanes)
            store256(dest + i, source + i, k, all);
        if (tail) store256(dest + whole, source + whole, k, tail);
    }
}

const KeyedRowCopies sse2{"sse2", sse2Rect<std::uint8_t>, sse2Rect<std::uint16_t>, sse2Rect<std::uint32_t>};
const KeyedRowCopies avx2{"avx2", avx2Rect<std::uint8_t>, avx2Rect<std::uint16_t>, avx2Rect<std::uint32_t>};
const KeyedRowCopies avx512{"avx512", avx512Rect<std::uint8_t>, avx512Rect<std::uint16_t>,
                            avx512Rect<std::uint32_t>};

#endif

} // namespace

const KeyedRowCopies& ScalarKeyedCopies() {
    return scalar;
}

std::vector<const KeyedRowCopies*> AvailableKeyedCopies() {
    std::vector<const KeyedRowCopies*> available{&scalar};
#ifdef VX_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse2")) available.push_back(&sse2);
    if (__builtin_cpu_supports("avx2")) available.push_back(&avx2);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl"))
        available.push_back(&avx512);
#endif
    return available;
}

const KeyedRowCopies& BestKeyedCopies() {
    static const KeyedRowCopies* best = AvailableKeyedCopies().back();
    return *best;
}

} // namespace pixelops
