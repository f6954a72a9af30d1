// Packed 16-bit row format: the form of quantised regret rows in tree
// archives from version 4 on and in the packed arenas of compressed river
// stores. A row's length always comes from its layout, never from the bytes.
//
// Every 32 values: one control byte of four 2-bit selectors, one per
// sub-group of eight values in value order (bits 0-1 first), followed by the
// sub-groups' data: selector 0 eight zeros (no bytes), 1 one byte per value,
// 2 eight 12-bit values in 12 bytes (a 96-bit little-endian number, value i
// in bits 12i..12i+11), 3 eight little-endian u16. The 1 to 31 values after
// the last full 32 form groups of up to eight, each led by a selector byte:
// 1 one byte per value, anything else one u16 per value (the writer puts 3).
#pragma once

#include "platform/int_types.h"

// Largest encoding of an n-value row: 65 bytes per 32 values, and a tail
// group costs one selector byte plus two bytes per value.
constexpr i32 packed_u16_row_max_bytes(i32 n) {
    const i32 tail = n % 32;
    return n / 32 * 65 + (tail + 7) / 8 + 2 * tail;
}

// Writes the n values in the smallest form per group (sub-groups: 0 when all
// are zero, 1 below 256, 2 below 4096, else 3; tail groups: 1 below 256,
// else 3) and returns the position after the row.
u8* pack_u16_row(u8* out, const u16* values, i32 n);

// Decodes one row of n values and returns the position after it. The input is
// trusted: a row must have been written for exactly n values.
const u8* unpack_row(u16* out, i32 n, const u8* in);

// Decodes one row of n values that must take exactly `length` bytes of the
// buffer, which holds at least packed_u16_row_max_bytes(n) readable bytes
// (a row never consumes more, whatever its bytes say). False when the row
// ends elsewhere: bytes from outside that no writer could have produced.
bool unpack_row_exact(u16* out, i32 n, const u8* buffer, i32 length);

// Both decoder variants, for tests; the AVX2 one needs cpu_features().avx2_set.
const u8* unpack_row_generic(u16* out, i32 n, const u8* in);
const u8* unpack_row_avx2(u16* out, i32 n, const u8* in);
