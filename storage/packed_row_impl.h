// Bodies of the packed row writers and readers, included inside a namespace
// of their own by packed_row_generic.cpp and packed_row_avx2.cpp, which first
// define the per-group primitives for their instruction set:
//   16-bit rows: selector16 (group of 8 -> 0..3), encode16_bytes8,
//   encode16_12bit8, encode16_words8, decode_bytes8, decode_12bit8;
//   32-bit rows: selector32, encode32_bytes8, encode32_words8,
//   encode32_dwords8, decode32_bytes8, decode32_words8, decode32_dwords8.
// Encoders return the position after what they wrote. Tail groups are
// handled here, value by value.

static inline u16 load_le16(const u8* p) {
    return static_cast<u16>(p[0] | (p[1] << 8));
}

static inline u32 load_le32(const u8* p) {
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
           (static_cast<u32>(p[3]) << 24);
}

static inline u8* store_le16(u8* out, u32 v) {
    out[0] = static_cast<u8>(v);
    out[1] = static_cast<u8>(v >> 8);
    return out + 2;
}

static inline u8* store_le32(u8* out, u32 v) {
    out[0] = static_cast<u8>(v);
    out[1] = static_cast<u8>(v >> 8);
    out[2] = static_cast<u8>(v >> 16);
    out[3] = static_cast<u8>(v >> 24);
    return out + 4;
}

// ---- 16-bit rows ----

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

static inline u8* encode_subgroup16(u8* out, const u16* values, u32 selector) {
    switch (selector) {
        case 0:
            return out;
        case 1:
            return encode16_bytes8(out, values);
        case 2:
            return encode16_12bit8(out, values);
        default:
            return encode16_words8(out, values);
    }
}

static inline u8* encode_tail16(u8* out, const u16* values, i32 n) {
    u32 any = 0;
    for (i32 j = 0; j < n; ++j) any |= values[j];
    if (any < 256) {
        *out++ = 1;
        for (i32 j = 0; j < n; ++j) *out++ = static_cast<u8>(values[j]);
        return out;
    }
    *out++ = 3;
    for (i32 j = 0; j < n; ++j) out = store_le16(out, values[j]);
    return out;
}

static u8* pack_u16_row_body(u8* out, const u16* values, i32 n) {
    i32 i = 0;
    for (; i + 32 <= n; i += 32) {
        u8* control = out++;
        u32 selectors = 0;
        for (i32 k = 0; k < 4; ++k) {
            const u32 s = selector16(values + i + 8 * k);
            selectors |= s << (2 * k);
            out = encode_subgroup16(out, values + i + 8 * k, s);
        }
        *control = static_cast<u8>(selectors);
    }
    for (; i < n; i += 8) out = encode_tail16(out, values + i, n - i < 8 ? n - i : 8);
    return out;
}

// ---- 32-bit rows ----

static inline const u8* decode_group32(u32* out, u32 selector, const u8* in) {
    switch (selector) {
        case 0:
            __builtin_memset(out, 0, 8 * sizeof(u32));
            return in;
        case 1:
            decode32_bytes8(out, in);
            return in + 8;
        case 2:
            decode32_words8(out, in);
            return in + 16;
        default:
            decode32_dwords8(out, in);
            return in + 32;
    }
}

static const u8* unpack_u32_row_body(u32* out, i32 n, const u8* in) {
    i32 i = 0;
    for (; i + 32 <= n; i += 32) {
        const u32 control = *in++;
        if (control == 0x00) {
            __builtin_memset(out + i, 0, 32 * sizeof(u32));
            continue;
        }
        if (control == 0x55) {
            for (i32 k = 0; k < 4; ++k) decode32_bytes8(out + i + 8 * k, in + 8 * k);
            in += 32;
            continue;
        }
        for (i32 k = 0; k < 4; ++k)
            in = decode_group32(out + i + 8 * k, (control >> (2 * k)) & 3u, in);
    }
    while (i < n) {
        const i32 g = n - i < 8 ? n - i : 8;
        const u8 flag = *in++;
        if (flag == 0) {
            for (i32 j = 0; j < g; ++j) out[i + j] = in[j];
            in += g;
        } else if (flag == 1) {
            for (i32 j = 0; j < g; ++j) out[i + j] = load_le16(in + 2 * j);
            in += 2 * g;
        } else {
            for (i32 j = 0; j < g; ++j) out[i + j] = load_le32(in + 4 * j);
            in += 4 * g;
        }
        i += g;
    }
    return in;
}

static inline u8* encode_group32(u8* out, const u32* values, u32 selector) {
    switch (selector) {
        case 0:
            return out;
        case 1:
            return encode32_bytes8(out, values);
        case 2:
            return encode32_words8(out, values);
        default:
            return encode32_dwords8(out, values);
    }
}

static inline u8* encode_tail32(u8* out, const u32* values, i32 n) {
    u32 flag = 0;
    for (i32 j = 0; j < n; ++j) {
        if (values[j] > 65535)
            flag |= 2;
        else if (values[j] >= 256)
            flag |= 1;
    }
    *out++ = static_cast<u8>(flag);
    if (flag == 0) {
        for (i32 j = 0; j < n; ++j) *out++ = static_cast<u8>(values[j]);
    } else if (flag == 1) {
        for (i32 j = 0; j < n; ++j) out = store_le16(out, values[j]);
    } else {
        for (i32 j = 0; j < n; ++j) out = store_le32(out, values[j]);
    }
    return out;
}

static u8* pack_u32_row_body(u8* out, const u32* values, i32 n) {
    i32 i = 0;
    for (; i + 32 <= n; i += 32) {
        u8* control = out++;
        u32 selectors = 0;
        for (i32 k = 0; k < 4; ++k) {
            const u32 s = selector32(values + i + 8 * k);
            selectors |= s << (2 * k);
            out = encode_group32(out, values + i + 8 * k, s);
        }
        *control = static_cast<u8>(selectors);
    }
    for (; i < n; i += 8) out = encode_tail32(out, values + i, n - i < 8 ? n - i : 8);
    return out;
}
