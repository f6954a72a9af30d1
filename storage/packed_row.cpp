#include "storage/packed_row.h"

#include "platform/cpu_features.h"

namespace {

struct PackedRowVariant {
    u8* (*pack16)(u8*, const u16*, i32);
    u8* (*pack32)(u8*, const u32*, i32);
    const u8* (*unpack16)(u16*, i32, const u8*);
    const u8* (*unpack32)(u32*, i32, const u8*);
};

const PackedRowVariant& variant() {
    static const PackedRowVariant chosen =
        cpu_has_avx2_set() ? PackedRowVariant{pack_u16_row_avx2, pack_u32_row_avx2, unpack_row_avx2,
                                              unpack_u32_row_avx2}
                           : PackedRowVariant{pack_u16_row_generic, pack_u32_row_generic,
                                              unpack_row_generic, unpack_u32_row_generic};
    return chosen;
}

}  // namespace

u8* pack_u16_row(u8* out, const u16* values, i32 n) {
    return variant().pack16(out, values, n);
}

u8* pack_u32_row(u8* out, const u32* values, i32 n) {
    return variant().pack32(out, values, n);
}

const u8* unpack_row(u16* out, i32 n, const u8* in) {
    return variant().unpack16(out, n, in);
}

const u8* unpack_u32_row(u32* out, i32 n, const u8* in) {
    return variant().unpack32(out, n, in);
}

bool unpack_row_exact(u16* out, i32 n, const u8* buffer, i32 length) {
    if (length < 0 || length > packed_u16_row_max_bytes(n)) return false;
    return unpack_row(out, n, buffer) == buffer + length;
}
