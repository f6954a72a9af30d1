// Packed row formats: byte-aligned forms of value rows, chosen per group of
// eight values from the group's largest value. The 16-bit form holds
// quantised regret rows in tree archives from version 4 on and in the packed
// arenas of compressed river stores; the 32-bit form holds the strategy-sum
// rows of those arenas. A row's length always comes from its layout, never
// from the bytes; a row of 0 values is no bytes at all.
//
// 16-bit rows. Every 32 values: one control byte of four 2-bit selectors,
// one per sub-group of eight values in value order (bits 0-1 first),
// followed by the sub-groups' data: selector 0 eight zeros (no bytes), 1 one
// byte per value, 2 eight 12-bit values in 12 bytes (a 96-bit little-endian
// number, value i in bits 12i..12i+11), 3 eight little-endian u16. The 1 to 31
// values after the last full 32 form groups of up to eight, each led by a
// selector byte: 1 one byte per value, anything else one u16 per value (the
// writer puts 3).
//
// 32-bit rows. Every 32 values: a control byte as above, whose selectors
// give 0 eight zeros, 1 one byte per value, 2 one u16 per value, 3 one u32
// per value (little-endian), chosen for largest values 0, below 256, below
// 65536 and above. Tail groups of up to eight values lead with a flag byte:
// 0 bytes, 1 u16, anything else u32; the writer ORs 2 for a value above
// 65535 and 1 for one from 256 on, so tail groups have no all-zero form.
//
// Writers and readers come in a generic and an AVX2 variant with identical
// bytes and values; the readers decode exactly the bytes of the row, never
// past them.
#pragma once

#include "platform/int_types.h"

// Largest encoding of an n-value 16-bit row: 65 bytes per 32 values, and a
// tail group costs one selector byte plus two bytes per value; never more
// than 3 bytes per value.
constexpr i32 packed_u16_row_max_bytes(i32 n) {
    const i32 tail = n % 32;
    return n / 32 * 65 + (tail + 7) / 8 + 2 * tail;
}

// Largest encoding of an n-value 32-bit row: 129 bytes per 32 values, and a
// tail group of k values 1 + 4k bytes; never more than 5 bytes per value.
constexpr i64 packed_u32_row_max_bytes(i32 n) {
    return 5 * static_cast<i64>(n);
}

// Writes the n values in the smallest form per group and returns the
// position after the row.
u8* pack_u16_row(u8* out, const u16* values, i32 n);
u8* pack_u32_row(u8* out, const u32* values, i32 n);

// Decode one row of n values and return the position after it. The input is
// trusted: a row must have been written for exactly n values.
const u8* unpack_row(u16* out, i32 n, const u8* in);
const u8* unpack_u32_row(u32* out, i32 n, const u8* in);

// Decodes one row of n values that must take exactly `length` bytes of the
// buffer, which holds at least packed_u16_row_max_bytes(n) readable bytes
// (a row never consumes more, whatever its bytes say). False when the row
// ends elsewhere: bytes from outside that no writer could have produced.
bool unpack_row_exact(u16* out, i32 n, const u8* buffer, i32 length);

// The variants, for tests and benchmarks; the AVX2 ones need
// cpu_features().avx2_set.
u8* pack_u16_row_generic(u8* out, const u16* values, i32 n);
u8* pack_u16_row_avx2(u8* out, const u16* values, i32 n);
u8* pack_u32_row_generic(u8* out, const u32* values, i32 n);
u8* pack_u32_row_avx2(u8* out, const u32* values, i32 n);
const u8* unpack_row_generic(u16* out, i32 n, const u8* in);
const u8* unpack_row_avx2(u16* out, i32 n, const u8* in);
const u8* unpack_u32_row_generic(u32* out, i32 n, const u8* in);
const u8* unpack_u32_row_avx2(u32* out, i32 n, const u8* in);
