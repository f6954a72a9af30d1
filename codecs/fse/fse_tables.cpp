// Coding and decoding tables of the FSE coder. Both spread the symbols over
// the table cells with the same stride, low-probability symbols (count -1)
// taking one cell each from the top down; a cell's decoding entry and a
// state's coding entry are the two directions of one transition.
#include <cstring>

#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"

namespace fse_detail {

namespace {

// Places the symbols with a positive count on the cells below `high`; false
// when the spread does not come back to cell 0.
bool spread_symbols(u8* cell_symbol, const i16* norm, u32 max_symbol_value, u32 table_log,
                    i32 high) {
    const u32 mask = (1u << table_log) - 1;
    const u32 step = table_step(1u << table_log);
    u32 position = 0;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        for (i32 i = 0; i < norm[s]; ++i) {
            cell_symbol[position] = static_cast<u8>(s);
            do {
                position = (position + step) & mask;
            } while (static_cast<i32>(position) > high);
        }
    }
    return position == 0;
}

// Normalized counts that a table can be built from: table log 5 to 12, every
// count -1 or more, and the states (-1 counting as 1) filling the table.
bool valid_norm(const i16* norm, u32 max_symbol_value, u32 table_log) {
    if (table_log < kFseMinTableLog || table_log > kFseMaxTableLog) return false;
    if (max_symbol_value > kFseMaxSymbolValue) return false;
    i64 states = 0;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        if (norm[s] < -1) return false;
        states += norm[s] == -1 ? 1 : norm[s];
    }
    return states == (i64{1} << table_log);
}

}  // namespace

u64 build_ctable(FSE_CTable* ct, const i16* norm, u32 max_symbol_value, u32 table_log) {
    const u32 table_size = 1u << table_log;
    AliasU16* header = ctable_u16(ct);
    AliasU16* next_state = header + 2;
    SymbolTransform* transforms = ctable_transforms(ct, table_log);
    header[0] = static_cast<u16>(table_log);
    header[1] = static_cast<u16>(max_symbol_value);

    u8 cell_symbol[1u << kFseMaxTableLog];
    u32 cumul[kFseMaxSymbolValue + 2];
    i32 high = static_cast<i32>(table_size) - 1;
    cumul[0] = 0;
    for (u32 s = 1; s <= max_symbol_value + 1; ++s) {
        if (norm[s - 1] == -1) {
            cumul[s] = cumul[s - 1] + 1;
            cell_symbol[high--] = static_cast<u8>(s - 1);
        } else {
            cumul[s] = cumul[s - 1] + static_cast<u32>(norm[s - 1]);
        }
    }
    if (!spread_symbols(cell_symbol, norm, max_symbol_value, table_log, high)) {
        return error(FSE_ERROR_GENERIC);
    }
    // States sorted by symbol, each symbol's in cell order.
    for (u32 u = 0; u < table_size; ++u) {
        next_state[cumul[cell_symbol[u]]++] = static_cast<u16>(table_size + u);
    }
    i32 total = 0;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        const i32 n = norm[s];
        if (n == 0) {
            transforms[s] = {0, absent_symbol_nb_bits(table_log)};
        } else if (n == -1 || n == 1) {
            transforms[s] = {total - 1, table_log << 16};
            ++total;
        } else {
            const u32 max_bits_out = table_log - highbit32(static_cast<u32>(n - 1));
            const u32 min_state_plus = static_cast<u32>(n) << max_bits_out;
            transforms[s] = {total - n, (max_bits_out << 16) - min_state_plus};
            total += n;
        }
    }
    return 0;
}

u64 build_dtable(FSE_DTable* dt, const i16* norm, u32 max_symbol_value, u32 table_log) {
    const u32 table_size = 1u << table_log;
    DecodeCell* cells = dtable_cells(dt);
    u8 cell_symbol[1u << kFseMaxTableLog];
    u16 next[kFseMaxSymbolValue + 1];
    i32 high = static_cast<i32>(table_size) - 1;
    const i32 large = 1 << (table_log - 1);
    bool fast = true;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        if (norm[s] == -1) {
            cell_symbol[high--] = static_cast<u8>(s);
            next[s] = 1;
        } else {
            if (norm[s] >= large) fast = false;
            next[s] = static_cast<u16>(norm[s]);
        }
    }
    if (!spread_symbols(cell_symbol, norm, max_symbol_value, table_log, high)) {
        return error(FSE_ERROR_GENERIC);
    }
    for (u32 u = 0; u < table_size; ++u) {
        const u8 s = cell_symbol[u];
        const u32 x = next[s]++;
        const u32 nb_bits = table_log - highbit32(x);
        cells[u] = {static_cast<u16>((x << nb_bits) - table_size), s, static_cast<u8>(nb_bits)};
    }
    *dtable_header(dt) = {static_cast<u16>(table_log), static_cast<u16>(fast)};
    return 0;
}

}  // namespace fse_detail

using fse_detail::error;

u64 FSE_buildCTable(FSE_CTable* ct, const i16* norm, u32 maxSymbolValue, u32 tableLog) {
    if (!fse_detail::valid_norm(norm, maxSymbolValue, tableLog)) return error(FSE_ERROR_GENERIC);
    return fse_detail::build_ctable(ct, norm, maxSymbolValue, tableLog);
}

u64 FSE_buildDTable(FSE_DTable* dt, const i16* norm, u32 maxSymbolValue, u32 tableLog) {
    if (maxSymbolValue > kFseMaxSymbolValue) return error(FSE_ERROR_maxSymbolValue_tooLarge);
    if (tableLog > kFseMaxTableLog) return error(FSE_ERROR_tableLog_tooLarge);
    if (!fse_detail::valid_norm(norm, maxSymbolValue, tableLog)) return error(FSE_ERROR_GENERIC);
    return fse_detail::build_dtable(dt, norm, maxSymbolValue, tableLog);
}

u64 FSE_buildCTable_raw(FSE_CTable* ct, u32 nbBits) {
    if (nbBits < 1 || nbBits > kFseMaxTableLog) return error(FSE_ERROR_GENERIC);
    const u32 size = 1u << nbBits;
    fse_detail::AliasU16* header = fse_detail::ctable_u16(ct);
    header[0] = static_cast<u16>(nbBits);
    header[1] = static_cast<u16>(size - 1);
    fse_detail::SymbolTransform* transforms = fse_detail::ctable_transforms(ct, nbBits);
    for (u32 s = 0; s < size; ++s) {
        header[2 + s] = static_cast<u16>(size + s);
        transforms[s] = {static_cast<i32>(s) - 1, nbBits << 16};
    }
    return 0;
}

u64 FSE_buildDTable_raw(FSE_DTable* dt, u32 nbBits) {
    if (nbBits < 1 || nbBits > kFseMaxTableLog) return error(FSE_ERROR_GENERIC);
    const u32 size = 1u << nbBits;
    *fse_detail::dtable_header(dt) = {static_cast<u16>(nbBits), 1};
    fse_detail::DecodeCell* cells = fse_detail::dtable_cells(dt);
    for (u32 s = 0; s < size; ++s) cells[s] = {0, static_cast<u8>(s), static_cast<u8>(nbBits)};
    return 0;
}
