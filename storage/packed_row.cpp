#include "storage/packed_row.h"

#include <algorithm>

#include "platform/cpu_features.h"

namespace {

using UnpackFn = const u8* (*)(u16*, i32, const u8*);

u32 largest(const u16* values, i32 n) {
    return *std::max_element(values, values + n);
}

u32 subgroup_selector(u32 largest_value) {
    if (largest_value == 0) return 0;
    if (largest_value < 256) return 1;
    if (largest_value < 4096) return 2;
    return 3;
}

u8* put_bytes(u8* out, const u16* values, i32 n) {
    for (i32 j = 0; j < n; ++j) *out++ = static_cast<u8>(values[j]);
    return out;
}

u8* put_words(u8* out, const u16* values, i32 n) {
    for (i32 j = 0; j < n; ++j) {
        *out++ = static_cast<u8>(values[j]);
        *out++ = static_cast<u8>(values[j] >> 8);
    }
    return out;
}

// Pairs of 12-bit values fill three bytes: low value first, from bit 0 up.
u8* put_12bit(u8* out, const u16* values) {
    for (i32 j = 0; j < 8; j += 2) {
        const u32 a = values[j];
        const u32 b = values[j + 1];
        *out++ = static_cast<u8>(a);
        *out++ = static_cast<u8>((a >> 8) | (b << 4));
        *out++ = static_cast<u8>(b >> 4);
    }
    return out;
}

u8* put_subgroup(u8* out, const u16* values, u32 selector) {
    switch (selector) {
        case 0:
            return out;
        case 1:
            return put_bytes(out, values, 8);
        case 2:
            return put_12bit(out, values);
        default:
            return put_words(out, values, 8);
    }
}

u8* put_block32(u8* out, const u16* values) {
    u8* control = out++;
    u32 selectors = 0;
    for (i32 k = 0; k < 4; ++k) {
        const u32 s = subgroup_selector(largest(values + 8 * k, 8));
        selectors |= s << (2 * k);
        out = put_subgroup(out, values + 8 * k, s);
    }
    *control = static_cast<u8>(selectors);
    return out;
}

u8* put_tail_group(u8* out, const u16* values, i32 n) {
    if (largest(values, n) < 256) {
        *out++ = 1;
        return put_bytes(out, values, n);
    }
    *out++ = 3;
    return put_words(out, values, n);
}

}  // namespace

u8* pack_u16_row(u8* out, const u16* values, i32 n) {
    i32 i = 0;
    for (; i + 32 <= n; i += 32) out = put_block32(out, values + i);
    for (; i < n; i += 8) out = put_tail_group(out, values + i, std::min(8, n - i));
    return out;
}

const u8* unpack_row(u16* out, i32 n, const u8* in) {
    static const UnpackFn chosen = cpu_has_avx2_set() ? unpack_row_avx2 : unpack_row_generic;
    return chosen(out, n, in);
}

bool unpack_row_exact(u16* out, i32 n, const u8* buffer, i32 length) {
    if (length < 0 || length > packed_u16_row_max_bytes(n)) return false;
    return unpack_row(out, n, buffer) == buffer + length;
}
