// Generic FSE compression kernels: scalar count sums and normalisation.
#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"

namespace {

using fse_detail::PrimaryNormalization;

u32 sum_count_tables(u32* count, const u32 (*tables)[256], u32 max_symbol_value) {
    u32 largest = 0;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        const u32 c = tables[0][s] + tables[1][s] + tables[2][s] + tables[3][s];
        count[s] = c;
        if (c > largest) largest = c;
    }
    return largest;
}

// A zero count gets 0; a count at or below total / 2^table_log gets -1 (one
// state); any other count its share of the states, rounded by the published
// thresholds below 8. The first symbol with the largest share is kept.
PrimaryNormalization normalize_primary(i16* norm, const u32* count, u32 max_symbol_value, u64 total,
                                       u32 table_log);

#include "codecs/fse/fse_compress_impl.h"

PrimaryNormalization normalize_primary(i16* norm, const u32* count, u32 max_symbol_value, u64 total,
                                       u32 table_log) {
    const u32 scale = 62 - table_log;
    const u64 step = (u64{1} << 62) / total;
    const u64 low_threshold = total >> table_log;
    i32 still = 1 << table_log;
    u32 largest = 0;
    i32 largest_share = 0;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        const u64 c = count[s];
        if (c == 0) {
            norm[s] = 0;
            continue;
        }
        if (c <= low_threshold) {
            norm[s] = -1;
            --still;
            continue;
        }
        const u64 scaled = c * step;
        i32 share = static_cast<i32>(scaled >> scale);
        if (share < 8) {
            const u64 rest = scaled - (static_cast<u64>(share) << scale);
            share += rest > (u64{kRoundToBeat[share]} << (scale - 20));
        }
        if (share > largest_share) {
            largest_share = share;
            largest = s;
        }
        norm[s] = static_cast<i16>(share);
        still -= share;
    }
    return {still, largest};
}

}  // namespace

const FseCompressKernels& fse_compress_kernels_generic() {
    return kKernels;
}
