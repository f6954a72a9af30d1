// AVX2 codec kernels: eight codes per step for the delta rows, their
// non-zero counts, codec 2's mask bytes and the prefix sums of restoring.
#include <immintrin.h>

#include "codecs/codec_kernels.h"

namespace {

inline u32 nonzero_mask8(const u32* codes) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(codes));
    const __m256i zero = _mm256_cmpeq_epi32(x, _mm256_setzero_si256());
    return ~static_cast<u32>(_mm256_movemask_ps(_mm256_castsi256_ps(zero))) & 0xFFu;
}

#include "codecs/codec_kernels_impl.h"

inline __m256i load8(const u32* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline __m256i load8(const u16* p) {
    return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

inline __m256i zigzag8(__m256i d) {
    return _mm256_xor_si256(_mm256_slli_epi32(d, 1), _mm256_srai_epi32(d, 31));
}

inline __m256i unzigzag8(__m256i z) {
    const __m256i low = _mm256_and_si256(z, _mm256_set1_epi32(1));
    return _mm256_xor_si256(_mm256_srli_epi32(z, 1), _mm256_sub_epi32(_mm256_setzero_si256(), low));
}

inline i32 nonzero8(__m256i x) {
    const __m256i zero = _mm256_cmpeq_epi32(x, _mm256_setzero_si256());
    return 8 - __builtin_popcount(static_cast<u32>(_mm256_movemask_ps(_mm256_castsi256_ps(zero))));
}

template <class T>
u32 build_rows(const T* values, const T* ref, i32 n, u32* a, u32* b) {
    first_codes(values, ref, a, b);
    i32 nonzero_a = 0;
    i32 nonzero_b = 0;
    i32 i = 1;
    if (ref) {
        for (; i + 8 <= n; i += 8) {
            const __m256i d = _mm256_sub_epi32(load8(values + i), load8(values + i - 1));
            const __m256i r = _mm256_sub_epi32(load8(ref + i), load8(ref + i - 1));
            const __m256i za = zigzag8(d);
            const __m256i zb = zigzag8(_mm256_sub_epi32(d, r));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(a + i), za);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(b + i), zb);
            nonzero_a += nonzero8(za);
            nonzero_b += nonzero8(zb);
        }
    } else {
        for (; i + 8 <= n; i += 8) {
            const __m256i d = _mm256_sub_epi32(load8(values + i), load8(values + i - 1));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(a + i), zigzag8(d));
        }
    }
    build_rows_scalar(values, ref, i, n, a, b, nonzero_a, nonzero_b);
    return ref && nonzero_b < nonzero_a ? 1 : 0;
}

// Inclusive prefix sums of eight lanes: within each 128-bit half, then the
// low half's total added to the high half.
inline __m256i prefix8(__m256i x) {
    x = _mm256_add_epi32(x, _mm256_slli_si256(x, 4));
    x = _mm256_add_epi32(x, _mm256_slli_si256(x, 8));
    const __m256i low_half_up = _mm256_permute2x128_si256(x, x, 0x08);
    return _mm256_add_epi32(x, _mm256_shuffle_epi32(low_half_up, 0xFF));
}

inline void store8(u32* out, __m256i x) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), x);
}

// Low halves of the eight lanes, in lane order.
inline void store8(u16* out, __m256i x) {
    x = _mm256_and_si256(x, _mm256_set1_epi32(0xFFFF));
    x = _mm256_permute4x64_epi64(_mm256_packus_epi32(x, x), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(x));
}

template <class T>
void restore(const u32* codes, const T* ref, u32 flag, i32 n, T* out) {
    const bool per_value = ref && flag;
    const __m256i base = _mm256_set1_epi32(ref && !flag ? static_cast<i32>(ref[0]) : 0);
    const __m256i last_lane = _mm256_set1_epi32(7);
    __m256i sum = _mm256_setzero_si256();
    i32 i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i d = unzigzag8(load8(codes + i));
        sum = _mm256_add_epi32(prefix8(d), _mm256_permutevar8x32_epi32(sum, last_lane));
        store8(out + i, _mm256_add_epi32(sum, per_value ? load8(ref + i) : base));
    }
    const u32 running = i == 0 ? 0u : static_cast<u32>(_mm256_extract_epi32(sum, 7));
    restore_scalar(codes, ref, flag, i, n, running, out);
}

const CodecKernels kAvx2 = {
    build_rows<u32>, build_rows<u16>, restore<u32>, restore<u16>, fse_encode_codes_body,
};

}  // namespace

const CodecKernels& codec_kernels_avx2() {
    return kAvx2;
}
