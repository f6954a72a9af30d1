// Generic packed-row decoder: SSE2 for byte sub-groups, scalar elsewhere.
#include <emmintrin.h>

#include "storage/packed_row.h"

namespace {

inline void decode_bytes8(u16* out, const u8* in) {
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
}

inline void decode_12bit8(u16* out, const u8* in) {
    for (i32 j = 0; j < 4; ++j) {
        const u8* p = in + 3 * j;
        out[2 * j] = static_cast<u16>(p[0] | ((p[1] & 0x0F) << 8));
        out[2 * j + 1] = static_cast<u16>((p[1] >> 4) | (p[2] << 4));
    }
}

#include "storage/packed_row_impl.h"

}  // namespace

const u8* unpack_row_generic(u16* out, i32 n, const u8* in) {
    return unpack_row_body(out, n, in);
}
