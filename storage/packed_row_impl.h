// Body of the packed 16-bit row decoder, included inside a namespace of its
// own by packed_row_generic.cpp and packed_row_avx2.cpp, which first define
// the sub-group decoders `decode_bytes8` (8 bytes) and `decode_12bit8`
// (12 bytes) for their instruction set.

static inline u16 load_le16(const u8* p) {
    return static_cast<u16>(p[0] | (p[1] << 8));
}

static inline void decode_words(u16* out, const u8* in, i32 n) {
    for (i32 j = 0; j < n; ++j) out[j] = load_le16(in + 2 * j);
}

static inline const u8* decode_subgroup(u16* out, u32 selector, const u8* in) {
    switch (selector) {
        case 0:
            __builtin_memset(out, 0, 8 * sizeof(u16));
            return in;
        case 1:
            decode_bytes8(out, in);
            return in + 8;
        case 2:
            decode_12bit8(out, in);
            return in + 12;
        default:
            decode_words(out, in, 8);
            return in + 16;
    }
}

static inline const u8* decode_block32(u16* out, const u8* in) {
    const u32 control = *in++;
    // The two common blocks: all zeros, and four byte sub-groups.
    if (control == 0x00) {
        __builtin_memset(out, 0, 32 * sizeof(u16));
        return in;
    }
    if (control == 0x55) {
        for (i32 k = 0; k < 4; ++k) decode_bytes8(out + 8 * k, in + 8 * k);
        return in + 32;
    }
    for (i32 k = 0; k < 4; ++k) in = decode_subgroup(out + 8 * k, (control >> (2 * k)) & 3u, in);
    return in;
}

static const u8* unpack_row_body(u16* out, i32 n, const u8* in) {
    i32 i = 0;
    for (; i + 32 <= n; i += 32) in = decode_block32(out + i, in);
    while (i < n) {
        const i32 g = n - i < 8 ? n - i : 8;
        const u8 selector = *in++;
        if (selector == 1) {
            for (i32 j = 0; j < g; ++j) out[i + j] = in[j];
            in += g;
        } else {
            decode_words(out + i, in, g);
            in += 2 * g;
        }
        i += g;
    }
    return in;
}
