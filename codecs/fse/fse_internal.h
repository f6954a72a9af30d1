// Shared pieces of the FSE library's translation units: the layouts of the
// coding and decoding tables, the forms of the step operations that trust
// their input (the public operations check it first), and the table of the
// compression kernels that exist in a generic and an AVX2 variant.
#pragma once

#include "codecs/fse/fse.h"

namespace fse_detail {

// The tables are handed around as u32 arrays; these views may alias them.
using AliasU16 = u16 __attribute__((may_alias));
struct __attribute__((may_alias)) SymbolTransform {
    i32 delta_find_state;
    u32 delta_nb_bits;
};
struct __attribute__((may_alias)) DecodeCell {
    u16 new_state;
    u8 symbol;
    u8 nb_bits;
};
struct __attribute__((may_alias)) DecodeHeader {
    u16 table_log;
    u16 fast_mode;
};

inline u64 error(FseError code) {
    return fse_error(code);
}

inline AliasU16* ctable_u16(FSE_CTable* ct) {
    return reinterpret_cast<AliasU16*>(ct);
}
inline const AliasU16* ctable_u16(const FSE_CTable* ct) {
    return reinterpret_cast<const AliasU16*>(ct);
}
// Next-state table: 2^table_log entries after the two header fields.
inline const AliasU16* ctable_states(const FSE_CTable* ct) {
    return ctable_u16(ct) + 2;
}
inline SymbolTransform* ctable_transforms(FSE_CTable* ct, u32 table_log) {
    return reinterpret_cast<SymbolTransform*>(ct + 1 + (u64{1} << (table_log - 1)));
}
inline const SymbolTransform* ctable_transforms(const FSE_CTable* ct, u32 table_log) {
    return reinterpret_cast<const SymbolTransform*>(ct + 1 + (u64{1} << (table_log - 1)));
}
inline DecodeHeader* dtable_header(FSE_DTable* dt) {
    return reinterpret_cast<DecodeHeader*>(dt);
}
inline const DecodeHeader* dtable_header(const FSE_DTable* dt) {
    return reinterpret_cast<const DecodeHeader*>(dt);
}
inline DecodeCell* dtable_cells(FSE_DTable* dt) {
    return reinterpret_cast<DecodeCell*>(dt + 1);
}
inline const DecodeCell* dtable_cells(const FSE_DTable* dt) {
    return reinterpret_cast<const DecodeCell*>(dt + 1);
}

// Transform of a symbol that the table cannot code: it spends table_log + 1
// bits and lands on cell 0, so that even a caller that ignores the check
// below stays inside the table. No codable symbol has this deltaNbBits.
inline u32 absent_symbol_nb_bits(u32 table_log) {
    return ((table_log + 1) << 16) - (1u << table_log);
}

// Cell stride of the symbol spread; odd, so it visits every cell once, for
// table logs of 4 and more.
inline u32 table_step(u32 table_size) {
    return (table_size >> 1) + (table_size >> 3) + 3;
}

// The largest table a block coder builds on its stack.
inline constexpr u64 kMaxCTableU32 = fse_ctable_size_u32(kFseMaxTableLog, kFseMaxSymbolValue);
inline constexpr u64 kMaxDTableU32 = fse_dtable_size_u32(kFseMaxTableLog);

// Trusted forms: norm is a valid normalisation for max_symbol_value and
// table_log (5 to 12), as FSE_normalizeCount or FSE_readNCount leave it.
u64 build_ctable(FSE_CTable* ct, const i16* norm, u32 max_symbol_value, u32 table_log);
u64 build_dtable(FSE_DTable* dt, const i16* norm, u32 max_symbol_value, u32 table_log);
// The decoding table is one that build_dtable or FSE_buildDTable_raw made.
u64 decompress_using_dtable(u8* dst, u64 max_dst_size, const u8* src, u64 src_size,
                            const FSE_DTable* dt);
// The header writer tests every write and the table arguments itself.
u64 write_ncount(u8* dst, u64 capacity, const i16* norm, u32 max_symbol_value, u32 table_log);
// The secondary normalisation, for histograms the primary rule cannot place.
u64 normalize_m2(i16* norm, u32 table_log, const u32* count, u64 total, u32 max_symbol_value);

// Result of the primary normalisation loop: states still to distribute
// (negative when too many were given) and the first symbol with the largest
// share.
struct PrimaryNormalization {
    i32 still_to_distribute;
    u32 largest;
};

}  // namespace fse_detail

// The compression kernels, one table per processor variant; both give
// identical results. Inputs are trusted where the public operations check them.
struct FseCompressKernels {
    // Histogram of a non-empty source into count[0..*max_symbol_value]
    // (given 1 to 255); a byte above the maximum is refused with -1.
    u64 (*count)(u32* count, u32* max_symbol_value, const u8* src, u64 src_size);
    // Normalisation with a table log of 5 to 12 at or above the minimum, a
    // maximum symbol value of 1 to 255 and counts summing to total (2 or
    // more); results as FSE_normalizeCount.
    u64 (*normalize)(i16* norm, u32 table_log, const u32* count, u64 total, u32 max_symbol_value);
    // The bit stream; every source byte must have states in the table.
    u64 (*compress_using_ctable)(u8* dst, u64 capacity, const u8* src, u64 src_size,
                                 const FSE_CTable* ct);
    // FSE_compress2 with sizes checked (src_size below 2^32).
    u64 (*compress2)(u8* dst, u64 capacity, const u8* src, u64 src_size, u32 max_symbol_value,
                     u32 table_log);
};

// The variant for this processor, chosen on first use.
const FseCompressKernels& fse_compress_kernels();
// Both variants, for tests and benchmarks; the AVX2 one may only run where
// cpu_has_avx2_set() holds.
const FseCompressKernels& fse_compress_kernels_generic();
const FseCompressKernels& fse_compress_kernels_avx2();
