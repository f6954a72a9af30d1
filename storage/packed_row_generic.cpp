// Generic packed-row writers and readers: SSE2 for the byte sub-groups of
// 16-bit rows, plain loops elsewhere.
#include <emmintrin.h>

#include "storage/packed_row.h"

namespace {

// A group's selector from the OR of its values: the thresholds are powers of
// two, so the OR passes one exactly when the largest value does.
template <class T>
inline u32 group_or(const T* values) {
    u32 any = 0;
    for (i32 j = 0; j < 8; ++j) any |= values[j];
    return any;
}

inline u32 selector16(const u16* values) {
    const u32 any = group_or(values);
    if (any == 0) return 0;
    if (any < 256) return 1;
    return any < 4096 ? 2 : 3;
}

inline u32 selector32(const u32* values) {
    const u32 any = group_or(values);
    if (any == 0) return 0;
    if (any < 256) return 1;
    return any < 65536 ? 2 : 3;
}

inline u8* encode16_bytes8(u8* out, const u16* values) {
    for (i32 j = 0; j < 8; ++j) out[j] = static_cast<u8>(values[j]);
    return out + 8;
}

// Pairs of 12-bit values fill three bytes: low value first, from bit 0 up.
inline u8* encode16_12bit8(u8* out, const u16* values) {
    for (i32 j = 0; j < 8; j += 2) {
        const u32 a = values[j];
        const u32 b = values[j + 1];
        *out++ = static_cast<u8>(a);
        *out++ = static_cast<u8>((a >> 8) | (b << 4));
        *out++ = static_cast<u8>(b >> 4);
    }
    return out;
}

inline u8* encode16_words8(u8* out, const u16* values) {
    for (i32 j = 0; j < 8; ++j) {
        out[2 * j] = static_cast<u8>(values[j]);
        out[2 * j + 1] = static_cast<u8>(values[j] >> 8);
    }
    return out + 16;
}

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

inline u8* encode32_bytes8(u8* out, const u32* values) {
    for (i32 j = 0; j < 8; ++j) out[j] = static_cast<u8>(values[j]);
    return out + 8;
}

inline u8* encode32_words8(u8* out, const u32* values) {
    for (i32 j = 0; j < 8; ++j) {
        out[2 * j] = static_cast<u8>(values[j]);
        out[2 * j + 1] = static_cast<u8>(values[j] >> 8);
    }
    return out + 16;
}

inline u8* encode32_dwords8(u8* out, const u32* values) {
    for (i32 j = 0; j < 8; ++j) {
        for (i32 b = 0; b < 4; ++b) out[4 * j + b] = static_cast<u8>(values[j] >> (8 * b));
    }
    return out + 32;
}

inline void decode32_bytes8(u32* out, const u8* in) {
    for (i32 j = 0; j < 8; ++j) out[j] = in[j];
}

inline void decode32_words8(u32* out, const u8* in) {
    for (i32 j = 0; j < 8; ++j) out[j] = static_cast<u32>(in[2 * j] | (in[2 * j + 1] << 8));
}

inline void decode32_dwords8(u32* out, const u8* in) {
    for (i32 j = 0; j < 8; ++j) {
        const u8* p = in + 4 * j;
        out[j] = static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) |
                 (static_cast<u32>(p[2]) << 16) | (static_cast<u32>(p[3]) << 24);
    }
}

#include "storage/packed_row_impl.h"

}  // namespace

u8* pack_u16_row_generic(u8* out, const u16* values, i32 n) {
    return pack_u16_row_body(out, values, n);
}

u8* pack_u32_row_generic(u8* out, const u32* values, i32 n) {
    return pack_u32_row_body(out, values, n);
}

const u8* unpack_row_generic(u16* out, i32 n, const u8* in) {
    return unpack_row_body(out, n, in);
}

const u8* unpack_u32_row_generic(u32* out, i32 n, const u8* in) {
    return unpack_u32_row_body(out, n, in);
}
