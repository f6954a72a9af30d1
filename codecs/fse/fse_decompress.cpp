// FSE block decoding: header, decoding table, then the bit stream read from
// its end with two states taking turns. One form for every processor.
#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"

namespace fse_detail {

namespace {

struct DecodeState {
    u32 state;
};

// Fast mode: every cell reads at least one bit, so the shorter bit peek does.
template <bool kFast>
inline u8 decode_symbol(DecodeState& s, BitReader& r, const DecodeCell* cells) {
    const DecodeCell cell = cells[s.state];
    const u32 low =
        static_cast<u32>(kFast ? bit_look_nonzero(r, cell.nb_bits) : bit_look(r, cell.nb_bits));
    bit_skip(r, cell.nb_bits);
    s.state = cell.new_state + low;
    return cell.symbol;
}

// The encoder started both states at the table size, so a finished state
// is 0; in fast mode no symbol reads zero bits, so the end of the bits is the
// end of the symbols.
template <bool kFast>
u64 decode_stream(u8* dst, u64 max_dst_size, const u8* src, u64 src_size, const FSE_DTable* dt) {
    const u32 table_log = dtable_header(dt)->table_log;
    const DecodeCell* cells = dtable_cells(dt);
    BitReader r;
    if (const u32 code = bit_reader_init(r, src, src_size)) {
        return error(static_cast<FseError>(code));
    }
    DecodeState s1{static_cast<u32>(bit_read(r, table_log))};
    bit_reload(r);
    DecodeState s2{static_cast<u32>(bit_read(r, table_log))};
    bit_reload(r);

    // Four symbols per reload: a reload that finds input before the buffer's
    // start leaves at least 57 bits, and a symbol reads at most 12.
    u64 n = 0;
    if (max_dst_size >= 4) {
        const u64 limit = max_dst_size - 3;
        while (bit_reload(r) == kBitUnfinished && n < limit) {
            dst[n] = decode_symbol<kFast>(s1, r, cells);
            dst[n + 1] = decode_symbol<kFast>(s2, r, cells);
            dst[n + 2] = decode_symbol<kFast>(s1, r, cells);
            dst[n + 3] = decode_symbol<kFast>(s2, r, cells);
            n += 4;
        }
    }
    for (;;) {
        if (bit_reload(r) > kBitCompleted || n == max_dst_size ||
            (bit_finished(r) && (kFast || s1.state == 0))) {
            break;
        }
        dst[n++] = decode_symbol<kFast>(s1, r, cells);
        if (bit_reload(r) > kBitCompleted || n == max_dst_size ||
            (bit_finished(r) && (kFast || s2.state == 0))) {
            break;
        }
        dst[n++] = decode_symbol<kFast>(s2, r, cells);
    }
    if (bit_finished(r) && s1.state == 0 && s2.state == 0) return n;
    if (n == max_dst_size) return error(FSE_ERROR_dstSize_tooSmall);
    return error(FSE_ERROR_corruptionDetected);
}

// A table that decoding can follow without leaving it: every cell's next
// states inside the table, and no zero-bit cell in fast mode.
bool valid_dtable(const FSE_DTable* dt) {
    const DecodeHeader header = *dtable_header(dt);
    if (header.table_log < 1 || header.table_log > kFseMaxTableLog) return false;
    const u32 size = 1u << header.table_log;
    const DecodeCell* cells = dtable_cells(dt);
    for (u32 u = 0; u < size; ++u) {
        const DecodeCell c = cells[u];
        if (c.nb_bits > header.table_log) return false;
        if (u32{c.new_state} + (1u << c.nb_bits) > size) return false;
        if (header.fast_mode && c.nb_bits == 0) return false;
    }
    return true;
}

}  // namespace

u64 decompress_using_dtable(u8* dst, u64 max_dst_size, const u8* src, u64 src_size,
                            const FSE_DTable* dt) {
    if (dtable_header(dt)->fast_mode) {
        return decode_stream<true>(dst, max_dst_size, src, src_size, dt);
    }
    return decode_stream<false>(dst, max_dst_size, src, src_size, dt);
}

}  // namespace fse_detail

using fse_detail::error;

u64 FSE_decompress_usingDTable(void* dst, u64 maxDstSize, const void* cSrc, u64 cSrcSize,
                               const FSE_DTable* dt) {
    if (!fse_detail::valid_dtable(dt)) return error(FSE_ERROR_GENERIC);
    return fse_detail::decompress_using_dtable(static_cast<u8*>(dst), maxDstSize,
                                               static_cast<const u8*>(cSrc), cSrcSize, dt);
}

u64 FSE_decompress(void* dst, u64 maxDstSize, const void* cSrc, u64 cSrcSize) {
    const u8* in = static_cast<const u8*>(cSrc);
    if (cSrcSize < 2) return error(FSE_ERROR_srcSize_wrong);
    i16 norm[kFseMaxSymbolValue + 1];
    u32 max_symbol_value = kFseMaxSymbolValue;
    u32 table_log = 0;
    const u64 header = FSE_readNCount(norm, &max_symbol_value, &table_log, in, cSrcSize);
    if (FSE_isError(header)) return header;
    if (header >= cSrcSize) return error(FSE_ERROR_srcSize_wrong);
    if (table_log > kFseMaxTableLog) return error(FSE_ERROR_tableLog_tooLarge);
    FSE_DTable dt[fse_detail::kMaxDTableU32];
    const u64 built = fse_detail::build_dtable(dt, norm, max_symbol_value, table_log);
    if (FSE_isError(built)) return built;
    return fse_detail::decompress_using_dtable(static_cast<u8*>(dst), maxDstSize, in + header,
                                               cSrcSize - header, dt);
}
