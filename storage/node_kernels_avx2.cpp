// AVX2/FMA variant of the node-data kernels: one F8 is one AVX register.
// Only raw pointers and intrinsics here (see node_kernels_impl.h).
#include <immintrin.h>

#include "storage/node_kernels.h"

namespace {

using F8 = __m256;

inline F8 f8_set1(f32 v) {
    return _mm256_set1_ps(v);
}
inline F8 f8_load(const f32* p) {
    return _mm256_loadu_ps(p);
}
inline void f8_store(f32* p, F8 v) {
    _mm256_storeu_ps(p, v);
}
inline F8 f8_add(F8 a, F8 b) {
    return _mm256_add_ps(a, b);
}
inline F8 f8_mul(F8 a, F8 b) {
    return _mm256_mul_ps(a, b);
}
inline F8 f8_min(F8 a, F8 b) {
    return _mm256_min_ps(a, b);
}
inline F8 f8_div(F8 a, F8 b) {
    return _mm256_div_ps(a, b);
}
inline F8 f8_sqrt(F8 a) {
    return _mm256_sqrt_ps(a);
}
inline F8 f8_lt(F8 a, F8 b) {
    return _mm256_cmp_ps(a, b, _CMP_LT_OQ);
}
inline F8 f8_ge(F8 a, F8 b) {
    return _mm256_cmp_ps(a, b, _CMP_GE_OQ);
}
inline F8 f8_and(F8 a, F8 b) {
    return _mm256_and_ps(a, b);
}
// ~a & b
inline F8 f8_andnot(F8 a, F8 b) {
    return _mm256_andnot_ps(a, b);
}
inline F8 f8_xor(F8 a, F8 b) {
    return _mm256_xor_ps(a, b);
}
// mask ? a : b
inline F8 f8_select(F8 mask, F8 a, F8 b) {
    return _mm256_blendv_ps(b, a, mask);
}

inline F8 join(__m128 lo, __m128 hi) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(lo), hi, 1);
}
inline F8 f8_from_f64(const f64* p) {
    return join(_mm256_cvtpd_ps(_mm256_loadu_pd(p)), _mm256_cvtpd_ps(_mm256_loadu_pd(p + 4)));
}
inline __m256d sub4(const f64* a, const f64* b) {
    return _mm256_sub_pd(_mm256_loadu_pd(a), _mm256_loadu_pd(b));
}
inline F8 f8_from_diff(const f64* a, const f64* b) {
    return join(_mm256_cvtpd_ps(sub4(a, b)), _mm256_cvtpd_ps(sub4(a + 4, b + 4)));
}
// (w s) r, left to right in double as the scalar formula
inline __m256d prod4(__m256d w, const f64* s, const f64* r) {
    return _mm256_mul_pd(_mm256_mul_pd(w, _mm256_loadu_pd(s)), _mm256_loadu_pd(r));
}
inline F8 f8_from_prod(f64 weight, const f64* s, const f64* r) {
    const __m256d w = _mm256_set1_pd(weight);
    return join(_mm256_cvtpd_ps(prod4(w, s, r)), _mm256_cvtpd_ps(prod4(w, s + 4, r + 4)));
}
inline void f8_store_f64(f64* out, F8 v) {
    _mm256_storeu_pd(out, _mm256_cvtps_pd(_mm256_castps256_ps128(v)));
    _mm256_storeu_pd(out + 4, _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)));
}
inline F8 f8_from_u16(const u16* p) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(x));
}
// Sum over `rows` rows (stride apart) of eight 16-bit values, exact in 32-bit
// lanes, then turned to float.
inline F8 f8_sum_u16_rows(const u16* p, u64 stride, i32 rows) {
    __m256i sum = _mm256_setzero_si256();
    for (i32 a = 0; a < rows; ++a) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + stride * a));
        sum = _mm256_add_epi32(sum, _mm256_cvtepu16_epi32(x));
    }
    return _mm256_cvtepi32_ps(sum);
}
inline F8 f8_max(F8 a, F8 b) {
    return _mm256_max_ps(a, b);
}
inline F8 f8_trunc(F8 v) {
    return _mm256_round_ps(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
}
// Lanes hold whole numbers in 0..65535.
inline void f8_store_u16(u16* out, F8 v) {
    const __m256i x = _mm256_cvttps_epi32(v);
    const __m128i packed =
        _mm_packus_epi32(_mm256_castsi256_si128(x), _mm256_extracti128_si256(x, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), packed);
}

inline F8 f8_from_i32(const i32* p) {
    return _mm256_cvtepi32_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
}
// Sum over `rows` rows (stride apart) of eight 32-bit values, exact in
// double, then turned to float.
inline F8 f8_sum_i32_rows(const i32* p, u64 stride, i32 rows) {
    __m256d lo = _mm256_setzero_pd();
    __m256d hi = _mm256_setzero_pd();
    for (i32 a = 0; a < rows; ++a) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + stride * a));
        lo = _mm256_add_pd(lo, _mm256_cvtepi32_pd(_mm256_castsi256_si128(x)));
        hi = _mm256_add_pd(hi, _mm256_cvtepi32_pd(_mm256_extracti128_si256(x, 1)));
    }
    return join(_mm256_cvtpd_ps(lo), _mm256_cvtpd_ps(hi));
}
// fma(w s, r, 0.5) + v, clamped to [0, 2^31 - 1] (max first: NaN gives 0),
// truncated.
inline __m128i accumulate_i32_4(const i32* row, const f64* s, const f64* r, __m256d w) {
    const __m256d v = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
    const __m256d t = _mm256_fmadd_pd(_mm256_mul_pd(w, _mm256_loadu_pd(s)), _mm256_loadu_pd(r),
                                      _mm256_set1_pd(0.5));
    const __m256d x = _mm256_max_pd(_mm256_add_pd(t, v), _mm256_setzero_pd());
    return _mm256_cvttpd_epi32(_mm256_min_pd(x, _mm256_set1_pd(2147483647.0)));
}
inline void accumulate_i32_8(i32* row, const f64* s, const f64* r, f64 weight) {
    const __m256d w = _mm256_set1_pd(weight);
    const __m128i lo = accumulate_i32_4(row, s, r, w);
    const __m128i hi = accumulate_i32_4(row + 4, s + 4, r + 4, w);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 4), hi);
}
inline i32 accumulate_i32_1(i32 v, f64 s, f64 r, f64 weight) {
    const f64 x = __builtin_fma(weight * s, r, 0.5) + static_cast<f64>(v);
    if (!(x > 0.0)) return 0;
    return x >= 2147483647.0 ? 2147483647 : static_cast<i32>(x);
}

#include "storage/node_kernels_impl.h"

}  // namespace

const NodeKernels& node_kernels_avx2() {
    return k_table;
}
