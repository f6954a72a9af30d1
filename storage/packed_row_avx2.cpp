// AVX2 packed-row decoder: widening loads for byte sub-groups and a shuffle
// for 12-bit ones.
#include <immintrin.h>

#include "storage/packed_row.h"

namespace {

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

#include "storage/packed_row_impl.h"

}  // namespace

const u8* unpack_row_avx2(u16* out, i32 n, const u8* in) {
    return unpack_row_body(out, n, in);
}
