// The normalized-count header of an FSE block: 4 bits of table log - 5, then
// each symbol's count + 1 in a field whose width shrinks as the states left
// to describe shrink (the smaller values of a field one bit shorter), and
// after a zero count the number of further zero counts: 16 one-bits per 24
// zeros, 2-bit fields of 3 per 3 zeros, then a 2-bit field of the rest.
// Written 16 bits at a time, little-endian.
#include <cstdlib>

#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"

namespace fse_detail {

namespace {

// Writes the 16 low bits of the pending bits; false when there is no room.
bool put16(u8* dst, u64 capacity, u64& pos, u64& bits) {
    if (capacity - pos < 2) return false;
    dst[pos] = static_cast<u8>(bits);
    dst[pos + 1] = static_cast<u8>(bits >> 8);
    pos += 2;
    bits >>= 16;
    return true;
}

}  // namespace

u64 write_ncount(u8* dst, u64 capacity, const i16* norm, u32 max_symbol_value, u32 table_log) {
    if (table_log < kFseMinTableLog || table_log > kFseMaxTableLog) return error(FSE_ERROR_GENERIC);
    if (max_symbol_value > kFseMaxSymbolValue) return error(FSE_ERROR_GENERIC);
    const i32 table_size = 1 << table_log;
    u64 pos = 0;
    u64 bits = table_log - kFseMinTableLog;
    u32 bit_count = 4;
    // One more than the states left, so that the last count's field is exact.
    i32 remaining = table_size + 1;
    i32 threshold = table_size;
    u32 nb_bits = table_log + 1;
    u32 symbol = 0;
    bool previous_zero = false;
    while (remaining > 1) {
        if (symbol > max_symbol_value) return error(FSE_ERROR_GENERIC);
        if (previous_zero) {
            u32 start = symbol;
            while (norm[symbol] == 0) {
                if (++symbol > max_symbol_value) return error(FSE_ERROR_GENERIC);
            }
            while (symbol >= start + 24) {
                start += 24;
                bits += u64{0xFFFF} << bit_count;
                if (!put16(dst, capacity, pos, bits)) return error(FSE_ERROR_dstSize_tooSmall);
            }
            while (symbol >= start + 3) {
                start += 3;
                bits += u64{3} << bit_count;
                bit_count += 2;
            }
            bits += u64{symbol - start} << bit_count;
            bit_count += 2;
            if (bit_count > 16) {
                if (!put16(dst, capacity, pos, bits)) return error(FSE_ERROR_dstSize_tooSmall);
                bit_count -= 16;
            }
        }
        i32 count = norm[symbol++];
        if (count < -1) return error(FSE_ERROR_GENERIC);
        const i32 max = 2 * threshold - 1 - remaining;
        remaining -= std::abs(count);
        if (remaining < 1) return error(FSE_ERROR_GENERIC);
        ++count;
        if (count >= threshold) count += max;
        bits += u64(u32(count)) << bit_count;
        bit_count += nb_bits;
        bit_count -= count < max;
        previous_zero = count == 1;
        while (remaining < threshold) {
            --nb_bits;
            threshold >>= 1;
        }
        if (bit_count > 16) {
            if (!put16(dst, capacity, pos, bits)) return error(FSE_ERROR_dstSize_tooSmall);
            bit_count -= 16;
        }
    }
    if (capacity - pos < 2) return error(FSE_ERROR_dstSize_tooSmall);
    dst[pos] = static_cast<u8>(bits);
    dst[pos + 1] = static_cast<u8>(bits >> 8);
    pos += (bit_count + 7) / 8;
    return pos;
}

}  // namespace fse_detail

u64 FSE_writeNCount(void* header, u64 capacity, const i16* norm, u32 maxSymbolValue, u32 tableLog) {
    return fse_detail::write_ncount(static_cast<u8*>(header), capacity, norm, maxSymbolValue,
                                    tableLog);
}

namespace {

// The header bits from bit position `pos` on: at least 25 valid bits, the
// bytes past the end of the input read as zeros.
u32 peek_bits(const u8* src, u64 size, u64 pos) {
    const u64 byte = pos >> 3;
    u32 word = 0;
    if (byte + 4 <= size) {
        word = fse_detail::load_le32(src + byte);
    } else {
        for (u64 i = byte; i < size && i < byte + 4; ++i) word |= u32{src[i]} << (8 * (i - byte));
    }
    return word >> (pos & 7);
}

}  // namespace

u64 FSE_readNCount(i16* norm, u32* maxSymbolValue, u32* tableLog, const void* src, u64 srcSize) {
    using fse_detail::error;
    const u8* in = static_cast<const u8*>(src);
    if (srcSize < 4) return error(FSE_ERROR_srcSize_wrong);
    const u32 max_symbol =
        *maxSymbolValue < kFseMaxSymbolValue ? *maxSymbolValue : kFseMaxSymbolValue;
    u32 nb_bits = (peek_bits(in, srcSize, 0) & 0xF) + kFseMinTableLog;
    if (nb_bits > kFseHeaderMaxTableLog) return error(FSE_ERROR_tableLog_tooLarge);
    *tableLog = nb_bits;
    u64 pos = 4;
    i32 remaining = (1 << nb_bits) + 1;
    i32 threshold = 1 << nb_bits;
    ++nb_bits;
    u32 symbol = 0;
    bool previous_zero = false;
    while (remaining > 1 && symbol <= max_symbol) {
        if (previous_zero) {
            u32 run_end = symbol;
            while ((peek_bits(in, srcSize, pos) & 0xFFFF) == 0xFFFF) {
                run_end += 24;
                pos += 16;
                if (run_end > max_symbol) return error(FSE_ERROR_maxSymbolValue_tooSmall);
            }
            u32 field = peek_bits(in, srcSize, pos);
            while ((field & 3) == 3) {
                run_end += 3;
                field >>= 2;
                pos += 2;
            }
            run_end += field & 3;
            pos += 2;
            if (run_end > max_symbol) return error(FSE_ERROR_maxSymbolValue_tooSmall);
            while (symbol < run_end) norm[symbol++] = 0;
        }
        const i32 max = 2 * threshold - 1 - remaining;
        const u32 field = peek_bits(in, srcSize, pos);
        i32 count;
        if (static_cast<i32>(field & u32(threshold - 1)) < max) {
            count = static_cast<i32>(field & u32(threshold - 1));
            pos += nb_bits - 1;
        } else {
            count = static_cast<i32>(field & u32(2 * threshold - 1));
            if (count >= threshold) count -= max;
            pos += nb_bits;
        }
        --count;
        remaining -= std::abs(count);
        norm[symbol++] = static_cast<i16>(count);
        previous_zero = count == 0;
        while (remaining < threshold) {
            --nb_bits;
            threshold >>= 1;
        }
    }
    if (remaining != 1) return error(FSE_ERROR_GENERIC);
    *maxSymbolValue = symbol - 1;
    const u64 size = (pos + 7) >> 3;
    if (size > srcSize) return error(FSE_ERROR_srcSize_wrong);
    return size;
}
