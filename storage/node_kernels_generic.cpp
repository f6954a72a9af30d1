// Generic variant of the node-data kernels: baseline x86-64, so SSE2 only;
// one F8 is two SSE registers.
#include <emmintrin.h>

#include "storage/node_kernels.h"

namespace {

struct F8 {
    __m128 lo, hi;
};

inline F8 f8_set1(f32 v) {
    return {_mm_set1_ps(v), _mm_set1_ps(v)};
}
inline F8 f8_load(const f32* p) {
    return {_mm_loadu_ps(p), _mm_loadu_ps(p + 4)};
}
inline void f8_store(f32* p, F8 v) {
    _mm_storeu_ps(p, v.lo);
    _mm_storeu_ps(p + 4, v.hi);
}
inline F8 f8_add(F8 a, F8 b) {
    return {_mm_add_ps(a.lo, b.lo), _mm_add_ps(a.hi, b.hi)};
}
inline F8 f8_mul(F8 a, F8 b) {
    return {_mm_mul_ps(a.lo, b.lo), _mm_mul_ps(a.hi, b.hi)};
}
inline F8 f8_min(F8 a, F8 b) {
    return {_mm_min_ps(a.lo, b.lo), _mm_min_ps(a.hi, b.hi)};
}
inline F8 f8_div(F8 a, F8 b) {
    return {_mm_div_ps(a.lo, b.lo), _mm_div_ps(a.hi, b.hi)};
}
inline F8 f8_sqrt(F8 a) {
    return {_mm_sqrt_ps(a.lo), _mm_sqrt_ps(a.hi)};
}
inline F8 f8_lt(F8 a, F8 b) {
    return {_mm_cmplt_ps(a.lo, b.lo), _mm_cmplt_ps(a.hi, b.hi)};
}
inline F8 f8_ge(F8 a, F8 b) {
    return {_mm_cmpge_ps(a.lo, b.lo), _mm_cmpge_ps(a.hi, b.hi)};
}
inline F8 f8_and(F8 a, F8 b) {
    return {_mm_and_ps(a.lo, b.lo), _mm_and_ps(a.hi, b.hi)};
}
// ~a & b
inline F8 f8_andnot(F8 a, F8 b) {
    return {_mm_andnot_ps(a.lo, b.lo), _mm_andnot_ps(a.hi, b.hi)};
}
inline F8 f8_xor(F8 a, F8 b) {
    return {_mm_xor_ps(a.lo, b.lo), _mm_xor_ps(a.hi, b.hi)};
}
// mask ? a : b
inline F8 f8_select(F8 mask, F8 a, F8 b) {
    return f8_xor(b, f8_and(mask, f8_xor(a, b)));
}

inline __m128 pd4_to_ps(__m128d a, __m128d b) {
    return _mm_movelh_ps(_mm_cvtpd_ps(a), _mm_cvtpd_ps(b));
}
inline F8 f8_from_f64(const f64* p) {
    return {pd4_to_ps(_mm_loadu_pd(p), _mm_loadu_pd(p + 2)),
            pd4_to_ps(_mm_loadu_pd(p + 4), _mm_loadu_pd(p + 6))};
}
inline __m128d sub2(const f64* a, const f64* b) {
    return _mm_sub_pd(_mm_loadu_pd(a), _mm_loadu_pd(b));
}
inline F8 f8_from_diff(const f64* a, const f64* b) {
    return {pd4_to_ps(sub2(a, b), sub2(a + 2, b + 2)),
            pd4_to_ps(sub2(a + 4, b + 4), sub2(a + 6, b + 6))};
}
// (w s) r, left to right in double as the scalar formula
inline __m128d prod2(__m128d w, const f64* s, const f64* r) {
    return _mm_mul_pd(_mm_mul_pd(w, _mm_loadu_pd(s)), _mm_loadu_pd(r));
}
inline F8 f8_from_prod(f64 weight, const f64* s, const f64* r) {
    const __m128d w = _mm_set1_pd(weight);
    return {pd4_to_ps(prod2(w, s, r), prod2(w, s + 2, r + 2)),
            pd4_to_ps(prod2(w, s + 4, r + 4), prod2(w, s + 6, r + 6))};
}
inline void f8_store_f64(f64* out, F8 v) {
    _mm_storeu_pd(out, _mm_cvtps_pd(v.lo));
    _mm_storeu_pd(out + 2, _mm_cvtps_pd(_mm_movehl_ps(v.lo, v.lo)));
    _mm_storeu_pd(out + 4, _mm_cvtps_pd(v.hi));
    _mm_storeu_pd(out + 6, _mm_cvtps_pd(_mm_movehl_ps(v.hi, v.hi)));
}
inline F8 f8_from_u16(const u16* p) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i zero = _mm_setzero_si128();
    return {_mm_cvtepi32_ps(_mm_unpacklo_epi16(x, zero)),
            _mm_cvtepi32_ps(_mm_unpackhi_epi16(x, zero))};
}
// Sum over `rows` rows (stride apart) of eight 16-bit values, exact in 32-bit
// lanes, then turned to float.
inline F8 f8_sum_u16_rows(const u16* p, u64 stride, i32 rows) {
    const __m128i zero = _mm_setzero_si128();
    __m128i lo = zero;
    __m128i hi = zero;
    for (i32 a = 0; a < rows; ++a) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + stride * a));
        lo = _mm_add_epi32(lo, _mm_unpacklo_epi16(x, zero));
        hi = _mm_add_epi32(hi, _mm_unpackhi_epi16(x, zero));
    }
    return {_mm_cvtepi32_ps(lo), _mm_cvtepi32_ps(hi)};
}
inline F8 f8_max(F8 a, F8 b) {
    return {_mm_max_ps(a.lo, b.lo), _mm_max_ps(a.hi, b.hi)};
}
// Toward zero; the lanes hold magnitudes below 2^31.
inline F8 f8_trunc(F8 v) {
    return {_mm_cvtepi32_ps(_mm_cvttps_epi32(v.lo)), _mm_cvtepi32_ps(_mm_cvttps_epi32(v.hi))};
}
// Lanes hold whole numbers in 0..65535. SSE2 packs only signed: shift the
// range to signed 16 bits, pack, shift back.
inline void f8_store_u16(u16* out, F8 v) {
    const __m128i bias = _mm_set1_epi32(32768);
    const __m128i lo = _mm_sub_epi32(_mm_cvttps_epi32(v.lo), bias);
    const __m128i hi = _mm_sub_epi32(_mm_cvttps_epi32(v.hi), bias);
    const __m128i packed = _mm_xor_si128(_mm_packs_epi32(lo, hi), _mm_set1_epi16(-32768));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), packed);
}

inline F8 f8_from_i32(const i32* p) {
    return {_mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4)))};
}
inline __m128d pd2_from_i32(const i32* p) {
    return _mm_cvtepi32_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}
// Sum over `rows` rows (stride apart) of eight 32-bit values, exact in
// double, then turned to float.
inline F8 f8_sum_i32_rows(const i32* p, u64 stride, i32 rows) {
    __m128d s[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
    for (i32 a = 0; a < rows; ++a) {
        const i32* row = p + stride * a;
        for (i32 q = 0; q < 4; ++q) s[q] = _mm_add_pd(s[q], pd2_from_i32(row + 2 * q));
    }
    return {pd4_to_ps(s[0], s[1]), pd4_to_ps(s[2], s[3])};
}
// (v + 0.5) + (w s) r, clamped to [0, 2^31 - 1] (max first: NaN gives 0),
// truncated.
inline void accumulate_i32_8(i32* row, const f64* s, const f64* r, f64 weight) {
    const __m128d w = _mm_set1_pd(weight);
    for (i32 q = 0; q < 8; q += 2) {
        const __m128d v = _mm_add_pd(pd2_from_i32(row + q), _mm_set1_pd(0.5));
        const __m128d x = _mm_max_pd(_mm_add_pd(v, prod2(w, s + q, r + q)), _mm_setzero_pd());
        const __m128i t = _mm_cvttpd_epi32(_mm_min_pd(x, _mm_set1_pd(2147483647.0)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(row + q), t);
    }
}
inline i32 accumulate_i32_1(i32 v, f64 s, f64 r, f64 weight) {
    const f64 x = static_cast<f64>(v) + 0.5 + weight * s * r;
    if (!(x > 0.0)) return 0;
    return x >= 2147483647.0 ? 2147483647 : static_cast<i32>(x);
}

#include "storage/node_kernels_impl.h"

}  // namespace

const NodeKernels& node_kernels_generic() {
    return k_table;
}
