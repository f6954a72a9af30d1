// AVX2 packed-row writers and readers: a group of eight values is one
// register; selectors come from three mask tests instead of a maximum,
// narrowing and widening from byte shuffles and zero-extending loads.
#include <immintrin.h>

#include <cstring>

#include "storage/packed_row.h"

namespace {

inline __m128i load8x16(const u16* values) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(values));
}

inline __m256i load8x32(const u32* values) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values));
}

// The thresholds are powers of two: a group passes one exactly when no value
// has a bit at or above it.
inline u32 selector16(const u16* values) {
    const __m128i x = load8x16(values);
    if (_mm_testz_si128(x, x)) return 0;
    if (_mm_testz_si128(x, _mm_set1_epi16(static_cast<i16>(0xFF00)))) return 1;
    return _mm_testz_si128(x, _mm_set1_epi16(static_cast<i16>(0xF000))) ? 2 : 3;
}

inline u32 selector32(const u32* values) {
    const __m256i x = load8x32(values);
    if (_mm256_testz_si256(x, x)) return 0;
    if (_mm256_testz_si256(x, _mm256_set1_epi32(static_cast<i32>(0xFFFFFF00u)))) return 1;
    return _mm256_testz_si256(x, _mm256_set1_epi32(static_cast<i32>(0xFFFF0000u))) ? 2 : 3;
}

inline u8* encode16_bytes8(u8* out, const u16* values) {
    const __m128i x = load8x16(values);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(x, x));
    return out + 8;
}

// Each 32-bit lane becomes low + 4096 high, a 24-bit number whose three
// bytes are the pair's bytes in the format; the shuffle drops every fourth.
inline u8* encode16_12bit8(u8* out, const u16* values) {
    const __m128i pairs =
        _mm_madd_epi16(load8x16(values), _mm_setr_epi16(1, 4096, 1, 4096, 1, 4096, 1, 4096));
    const __m128i packed = _mm_shuffle_epi8(
        pairs, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    const i32 last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
    std::memcpy(out + 8, &last, 4);
    return out + 12;
}

inline u8* encode16_words8(u8* out, const u16* values) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), load8x16(values));
    return out + 16;
}

inline void decode_bytes8(u16* out, const u8* in) {
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_cvtepu8_epi16(bytes));
}

// Lane i takes the two bytes that hold bits 12i..12i+11; even lanes shift
// their value up by 4 (multiply by 16) so that one right shift by 4 leaves
// the 12 bits in every lane. The 12 bytes are copied first because the input
// may end right after them.
inline void decode_12bit8(u16* out, const u8* in) {
    alignas(16) u8 buffer[16] = {};
    __builtin_memcpy(buffer, in, 12);
    const __m128i raw = _mm_load_si128(reinterpret_cast<const __m128i*>(buffer));
    const __m128i pairs =
        _mm_shuffle_epi8(raw, _mm_setr_epi8(0, 1, 1, 2, 3, 4, 4, 5, 6, 7, 7, 8, 9, 10, 10, 11));
    const __m128i aligned = _mm_mullo_epi16(pairs, _mm_setr_epi16(16, 1, 16, 1, 16, 1, 16, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_srli_epi16(aligned, 4));
}

// Byte 0 of every lane to the front of its half, then the halves' first
// dwords together.
inline u8* encode32_bytes8(u8* out, const u32* values) {
    const __m256i low = _mm256_shuffle_epi8(
        load8x32(values),
        _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 4, 8, 12,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i joined =
        _mm256_permutevar8x32_epi32(low, _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(joined));
    return out + 8;
}

inline u8* encode32_words8(u8* out, const u32* values) {
    const __m256i low = _mm256_shuffle_epi8(
        load8x32(values),
        _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1, 0, 1, 4, 5, 8, 9,
                         12, 13, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m256i joined = _mm256_permute4x64_epi64(low, 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(joined));
    return out + 16;
}

inline u8* encode32_dwords8(u8* out, const u32* values) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), load8x32(values));
    return out + 32;
}

inline void decode32_bytes8(u32* out, const u8* in) {
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_cvtepu8_epi32(bytes));
}

inline void decode32_words8(u32* out, const u8* in) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_cvtepu16_epi32(words));
}

inline void decode32_dwords8(u32* out, const u8* in) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)));
}

#include "storage/packed_row_impl.h"

}  // namespace

u8* pack_u16_row_avx2(u8* out, const u16* values, i32 n) {
    return pack_u16_row_body(out, values, n);
}

u8* pack_u32_row_avx2(u8* out, const u32* values, i32 n) {
    return pack_u32_row_body(out, values, n);
}

const u8* unpack_row_avx2(u16* out, i32 n, const u8* in) {
    return unpack_row_body(out, n, in);
}

const u8* unpack_u32_row_avx2(u32* out, i32 n, const u8* in) {
    return unpack_u32_row_body(out, n, in);
}
