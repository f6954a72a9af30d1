// Public FSE compression operations: argument checks in front of the
// processor variant's kernels, the table-log rules and the secondary
// normalisation, which both variants share.
#include <cstring>

#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"
#include "platform/cpu_features.h"

using fse_detail::error;

const FseCompressKernels& fse_compress_kernels() {
    static const FseCompressKernels& chosen =
        cpu_has_avx2_set() ? fse_compress_kernels_avx2() : fse_compress_kernels_generic();
    return chosen;
}

namespace {

// Counts are 32-bit, so larger sources are refused rather than cut.
constexpr u64 kMaxSourceSize = 0xFFFFFFFFu;

u32 highbit64(u64 v) {
    return 63u - static_cast<u32>(__builtin_clzll(v));
}

u64 count_checked(u32* count, u32* maxSymbolValue, const void* src, u64 srcSize) {
    if (*maxSymbolValue > kFseMaxSymbolValue) return error(FSE_ERROR_GENERIC);
    if (srcSize == 0) {
        std::memset(count, 0, (u64{*maxSymbolValue} + 1) * sizeof(u32));
        *maxSymbolValue = 0;
        return 0;
    }
    if (srcSize > kMaxSourceSize) return error(FSE_ERROR_srcSize_wrong);
    if (*maxSymbolValue == 0) *maxSymbolValue = kFseMaxSymbolValue;
    return fse_compress_kernels().count(count, maxSymbolValue, static_cast<const u8*>(src),
                                        srcSize);
}

}  // namespace

u64 FSE_count(u32* count, u32* maxSymbolValue, const void* src, u64 srcSize) {
    return count_checked(count, maxSymbolValue, src, srcSize);
}

u64 FSE_countFast(u32* count, u32* maxSymbolValue, const void* src, u64 srcSize) {
    return count_checked(count, maxSymbolValue, src, srcSize);
}

u32 FSE_minTableLog(u64 srcSize, u32 maxSymbolValue) {
    const u32 from_source = srcSize > 1 ? highbit64(srcSize - 1) + 1 : 1;
    const u32 from_symbols = maxSymbolValue > 0 ? highbit64(maxSymbolValue) + 2 : 2;
    return from_source < from_symbols ? from_source : from_symbols;
}

// Below 11 for small blocks (highbit(size - 1) - 2, a wrapped value for the
// smallest ones setting no limit), never below the minimum, within 5 to 12.
u32 FSE_optimalTableLog(u32 maxTableLog, u64 srcSize, u32 maxSymbolValue) {
    u32 table_log = maxTableLog == 0 ? kFseDefaultTableLog : maxTableLog;
    const u32 source_bits = srcSize > 1 ? highbit64(srcSize - 1) : 0;
    const u32 max_bits_source = source_bits - 2;
    if (max_bits_source < table_log) table_log = max_bits_source;
    const u32 min_bits = FSE_minTableLog(srcSize, maxSymbolValue);
    if (min_bits > table_log) table_log = min_bits;
    if (table_log < kFseMinTableLog) table_log = kFseMinTableLog;
    if (table_log > kFseMaxTableLog) table_log = kFseMaxTableLog;
    return table_log;
}

u64 FSE_normalizeCount(i16* norm, u32 tableLog, const u32* count, u64 total, u32 maxSymbolValue) {
    if (tableLog == 0) tableLog = kFseDefaultTableLog;
    if (tableLog < kFseMinTableLog || tableLog > kFseMaxTableLog) return error(FSE_ERROR_GENERIC);
    if (maxSymbolValue < 1 || maxSymbolValue > kFseMaxSymbolValue || total < 2) {
        return error(FSE_ERROR_GENERIC);
    }
    if (tableLog < FSE_minTableLog(total, maxSymbolValue)) return error(FSE_ERROR_GENERIC);
    u64 sum = 0;
    for (u32 s = 0; s <= maxSymbolValue; ++s) sum += count[s];
    if (sum != total) return error(FSE_ERROR_GENERIC);
    return fse_compress_kernels().normalize(norm, tableLog, count, total, maxSymbolValue);
}

namespace fse_detail {

// Symbols at or below total / 2^table_log get -1 and those at or below 3/2 of
// it get 1; the rest share the states left in proportion to their counts.
// When nothing is left pending, whatever states remain go to the largest
// count (none remain when the -1 and 1 symbols fill the table).
u64 normalize_m2(i16* norm, u32 table_log, const u32* count, u64 total, u32 max_symbol_value) {
    constexpr i16 kPending = -2;
    const u64 low_threshold = total >> table_log;
    u64 low_one = (total * 3) >> (table_log + 1);
    u32 distributed = 0;
    u32 pending = 0;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        const u64 c = count[s];
        if (c == 0) {
            norm[s] = 0;
        } else if (c <= low_threshold) {
            norm[s] = -1;
            ++distributed;
            total -= c;
        } else if (c <= low_one) {
            norm[s] = 1;
            ++distributed;
            total -= c;
        } else {
            norm[s] = kPending;
            ++pending;
        }
    }
    u32 to_distribute = (1u << table_log) - distributed;
    if (to_distribute > 0 && total / to_distribute > low_one) {
        // Shares this small would round to no state at all.
        low_one = (total * 3) / (u64{to_distribute} * 2);
        for (u32 s = 0; s <= max_symbol_value; ++s) {
            if (norm[s] == kPending && count[s] <= low_one) {
                norm[s] = 1;
                ++distributed;
                --pending;
                total -= count[s];
            }
        }
        to_distribute = (1u << table_log) - distributed;
    }
    if (pending == 0) {
        u32 largest = 0;
        u32 largest_count = 0;
        for (u32 s = 0; s <= max_symbol_value; ++s) {
            if (count[s] > largest_count) {
                largest = s;
                largest_count = count[s];
            }
        }
        norm[largest] = static_cast<i16>(norm[largest] + to_distribute);
        return 0;
    }
    const u32 v_step_log = 62 - table_log;
    const u64 mid = (u64{1} << (v_step_log - 1)) - 1;
    const u64 r_step = ((u64{to_distribute} << v_step_log) + mid) / total;
    u64 running = mid;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        if (norm[s] != kPending) continue;
        const u64 end = running + count[s] * r_step;
        const u32 weight =
            static_cast<u32>(end >> v_step_log) - static_cast<u32>(running >> v_step_log);
        if (weight < 1) return error(FSE_ERROR_GENERIC);
        norm[s] = static_cast<i16>(weight);
        running = end;
    }
    return 0;
}

}  // namespace fse_detail

u64 FSE_compress_usingCTable(void* dst, u64 dstCapacity, const void* src, u64 srcSize,
                             const FSE_CTable* ct) {
    const fse_detail::AliasU16* header = fse_detail::ctable_u16(ct);
    const u32 table_log = header[0];
    const u32 max_symbol_value = header[1];
    if (table_log < 1 || table_log > kFseMaxTableLog) return error(FSE_ERROR_GENERIC);
    // Every byte of the source must have states in the table.
    if (srcSize > 0) {
        if (srcSize > kMaxSourceSize) return error(FSE_ERROR_srcSize_wrong);
        u32 count[kFseMaxSymbolValue + 1];
        u32 largest_symbol = kFseMaxSymbolValue;
        fse_compress_kernels().count(count, &largest_symbol, static_cast<const u8*>(src), srcSize);
        if (largest_symbol > max_symbol_value) return error(FSE_ERROR_GENERIC);
        const fse_detail::SymbolTransform* transforms =
            fse_detail::ctable_transforms(ct, table_log);
        for (u32 s = 0; s <= largest_symbol; ++s) {
            if (count[s] != 0 &&
                transforms[s].delta_nb_bits == fse_detail::absent_symbol_nb_bits(table_log)) {
                return error(FSE_ERROR_GENERIC);
            }
        }
    }
    return fse_compress_kernels().compress_using_ctable(static_cast<u8*>(dst), dstCapacity,
                                                        static_cast<const u8*>(src), srcSize, ct);
}

u64 FSE_compress2(void* dst, u64 dstCapacity, const void* src, u64 srcSize, u32 maxSymbolValue,
                  u32 tableLog) {
    if (srcSize <= 1) return 0;
    if (srcSize > kMaxSourceSize) return error(FSE_ERROR_srcSize_wrong);
    return fse_compress_kernels().compress2(static_cast<u8*>(dst), dstCapacity,
                                            static_cast<const u8*>(src), srcSize, maxSymbolValue,
                                            tableLog);
}

u64 FSE_compress(void* dst, u64 dstCapacity, const void* src, u64 srcSize) {
    return FSE_compress2(dst, dstCapacity, src, srcSize, kFseMaxSymbolValue, kFseDefaultTableLog);
}

const char* FSE_getErrorName(u64 result) {
    static const char* const kNames[FSE_ERROR_maxCode] = {
        "No error",
        "Generic error",
        "Table log too large",
        "Maximum symbol value too large",
        "Maximum symbol value too small",
        "Destination buffer too small",
        "Wrong source size",
        "Corrupted block",
    };
    return kNames[fse_error_code(result)];
}
