// Body of the FSE compression kernels, included inside an anonymous
// namespace by fse_compress_generic.cpp and fse_compress_avx2.cpp, which
// first define for their instruction set:
//   u32 sum_count_tables(u32* count, const u32 (*tables)[256], u32 max_symbol_value)
//       count[s] = the four tables' sum for s up to the maximum; returns the
//       largest sum;
//   PrimaryNormalization normalize_primary(i16* norm, const u32* count,
//       u32 max_symbol_value, u64 total, u32 table_log)
//       the primary normalisation rule (below) over every symbol.
// Everything else is the same source in both, so both give the same bytes.

using namespace fse_detail;

// Published thresholds of the primary rule: a share below 8 states is
// rounded up when its remainder beats rtb[share] / 2^20 of a state.
[[maybe_unused]] constexpr u32 kRoundToBeat[8] = {0,      473195, 504333, 520860,
                                                  550000, 700000, 750000, 830000};

// Four tables of counters, byte i of every 4 going to table i, so that runs
// of one byte value do not wait on one counter.
inline void tally_bytes(u32 (*tables)[256], const u8* src, u64 size) {
    const u8* p = src;
    const u8* end = src + size;
    while (end - p >= 16) {
        for (int k = 0; k < 4; ++k) {
            const u32 w = load_le32(p + 4 * k);
            ++tables[0][w & 0xFF];
            ++tables[1][(w >> 8) & 0xFF];
            ++tables[2][(w >> 16) & 0xFF];
            ++tables[3][w >> 24];
        }
        p += 16;
    }
    while (p < end) ++tables[0][*p++];
}

u64 count_kernel(u32* count, u32* max_symbol_value, const u8* src, u64 size) {
    alignas(32) u32 tables[4][256] = {};
    tally_bytes(tables, src, size);
    u32 max_symbol = *max_symbol_value;
    for (u32 s = max_symbol + 1; s < 256; ++s) {
        if (tables[0][s] | tables[1][s] | tables[2][s] | tables[3][s]) {
            return error(FSE_ERROR_GENERIC);
        }
    }
    const u32 largest = sum_count_tables(count, tables, max_symbol);
    while (count[max_symbol] == 0) --max_symbol;  // the source holds a byte at or below it
    *max_symbol_value = max_symbol;
    return largest;
}

u64 normalize_kernel(i16* norm, u32 table_log, const u32* count, u64 total, u32 max_symbol_value) {
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        if (count[s] != total) continue;
        for (u32 t = 0; t < s; ++t) norm[t] = 0;
        return 0;
    }
    const PrimaryNormalization p =
        normalize_primary(norm, count, max_symbol_value, total, table_log);
    if (-p.still_to_distribute >= (norm[p.largest] >> 1)) {
        const u64 m2 = normalize_m2(norm, table_log, count, total, max_symbol_value);
        return FSE_isError(m2) ? m2 : table_log;
    }
    norm[p.largest] = static_cast<i16>(norm[p.largest] + p.still_to_distribute);
    return table_log;
}

struct EncodeState {
    u64 value;
};

inline void encode_symbol(BitWriter& w, EncodeState& s, const AliasU16* states,
                          const SymbolTransform* transforms, u8 symbol) {
    const SymbolTransform t = transforms[symbol];
    const u32 nb_out = static_cast<u32>((s.value + t.delta_nb_bits) >> 16);
    bit_add(w, s.value, nb_out);
    s.value = states[static_cast<i64>(s.value >> nb_out) + t.delta_find_state];
}

// Symbols from the last byte to the first; both states start at the table
// size. The last byte goes to state 1 when the size is odd, the next two to
// states 2 and 1 when bit 1 of the size is set, then four per flush. A stream
// that reaches the end of the output is given up at once.
u64 encode_kernel(u8* dst, u64 capacity, const u8* src, u64 size, const FSE_CTable* ct) {
    BitWriter w;
    if (!bit_writer_init(w, dst, capacity)) return 0;
    const u32 table_log = ctable_u16(ct)[0];
    const AliasU16* states = ctable_states(ct);
    const SymbolTransform* transforms = ctable_transforms(ct, table_log);
    EncodeState s1{u64{1} << table_log};
    EncodeState s2{u64{1} << table_log};
    const u8* ip = src + size;
    if (size & 1) {
        encode_symbol(w, s1, states, transforms, *--ip);
        bit_flush(w);
    }
    if (size & 2) {
        encode_symbol(w, s2, states, transforms, *--ip);
        encode_symbol(w, s1, states, transforms, *--ip);
        bit_flush(w);
    }
    while (ip > src) {
        encode_symbol(w, s2, states, transforms, ip[-1]);
        encode_symbol(w, s1, states, transforms, ip[-2]);
        encode_symbol(w, s2, states, transforms, ip[-3]);
        encode_symbol(w, s1, states, transforms, ip[-4]);
        ip -= 4;
        bit_flush(w);
        if (bit_overflowed(w)) return 0;
    }
    bit_add(w, s2.value, table_log);
    bit_flush(w);
    bit_add(w, s1.value, table_log);
    bit_flush(w);
    return bit_close(w);
}

u64 compress2_kernel(u8* dst, u64 capacity, const u8* src, u64 size, u32 max_symbol_value,
                     u32 table_log) {
    if (size <= 1) return 0;
    if (max_symbol_value == 0 || max_symbol_value > kFseMaxSymbolValue) {
        max_symbol_value = kFseMaxSymbolValue;
    }
    if (table_log == 0) table_log = kFseDefaultTableLog;

    u32 count[kFseMaxSymbolValue + 1];
    const u64 largest = count_kernel(count, &max_symbol_value, src, size);
    if (FSE_isError(largest)) return largest;
    if (largest == size) return 1;
    if (largest == 1 || largest < (size >> 7)) return 0;

    table_log = FSE_optimalTableLog(table_log, size, max_symbol_value);
    i16 norm[kFseMaxSymbolValue + 1];
    const u64 normalized = normalize_kernel(norm, table_log, count, size, max_symbol_value);
    if (FSE_isError(normalized)) return normalized;

    const u64 header = write_ncount(dst, capacity, norm, max_symbol_value, table_log);
    if (FSE_isError(header)) return header;
    // A total of size - 1 or more is stored raw, so a longer bit stream need
    // not be finished: the output is bounded to what could still pay off
    // (the writer needs 8 bytes of slack past the last byte it keeps).
    if (header + 2 > size) return 0;
    const u64 useful = size - 2 - header;
    const u64 room = capacity - header < useful + 9 ? capacity - header : useful + 9;

    FSE_CTable ct[kMaxCTableU32];
    const u64 built = build_ctable(ct, norm, max_symbol_value, table_log);
    if (FSE_isError(built)) return built;
    const u64 stream = encode_kernel(dst + header, room, src, size, ct);
    if (stream == 0) return 0;
    const u64 total = header + stream;
    return total >= size - 1 ? 0 : total;
}

const FseCompressKernels kKernels = {count_kernel, normalize_kernel, encode_kernel,
                                     compress2_kernel};
