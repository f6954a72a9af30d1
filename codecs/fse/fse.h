// Finite State Entropy (tANS) block coder for byte blocks, in the published
// FSE block format: a normalized-count header followed at once by a backward-
// read bit stream of two interleaved states. The FSE channel codec compresses
// each 64 KB channel block with `FSE_compress` and reads it back with
// `FSE_decompress`; the step operations they are made of (histogram,
// normalisation, header, tables, bit stream) are public for the Huffman coder
// and for callers that build their own tables.
//
// Sizes and results are unsigned 64-bit. An error is returned as the two's
// complement negation of its `FseError` code, so that a result read as a
// signed number is -1 to -7; `FSE_isError` tells errors from sizes.
//
// Every operation works on its arguments and on tables in its own frame: no
// heap allocation, no state kept between calls, safe on any thread. The
// compression side runs in a generic and an AVX2 variant with identical
// output, chosen once from the processor features.
#pragma once

#include "platform/int_types.h"

enum FseError : u32 {
    FSE_OK_NoError = 0,
    FSE_ERROR_GENERIC = 1,
    FSE_ERROR_tableLog_tooLarge = 2,
    FSE_ERROR_maxSymbolValue_tooLarge = 3,
    FSE_ERROR_maxSymbolValue_tooSmall = 4,
    FSE_ERROR_dstSize_tooSmall = 5,
    FSE_ERROR_srcSize_wrong = 6,
    FSE_ERROR_corruptionDetected = 7,
    FSE_ERROR_maxCode = 8,
};

inline constexpr u32 kFseMaxSymbolValue = 255;
inline constexpr u32 kFseMinTableLog = 5;
inline constexpr u32 kFseMaxTableLog = 12;        // coding and decoding tables
inline constexpr u32 kFseDefaultTableLog = 11;    // FSE_compress's starting point
inline constexpr u32 kFseHeaderMaxTableLog = 15;  // what a header may state

// The result that carries `code`, and the code of an error result (0 for a size).
constexpr u64 fse_error(FseError code) {
    return ~u64{0} - code + 1;
}
constexpr bool FSE_isError(u64 result) {
    return result > ~u64{0} - FSE_ERROR_maxCode + 1;
}
constexpr FseError fse_error_code(u64 result) {
    return FSE_isError(result) ? static_cast<FseError>(~result + 1) : FSE_OK_NoError;
}
// Text of an error result ("No error" for a size).
const char* FSE_getErrorName(u64 result);

// Compression table: u16 table log, u16 maximum symbol value, u16 next state
// per table cell, then per symbol {i32 deltaFindState, u32 deltaNbBits}.
// Decoding table: {u16 table log, u16 fast mode}, then per cell {u16 new
// state base, u8 symbol, u8 bit count}. Both are arrays of u32 of the sizes
// below; the operations take them as such.
using FSE_CTable = u32;
using FSE_DTable = u32;
constexpr u64 fse_ctable_size_u32(u32 table_log, u32 max_symbol_value) {
    return 1 + (u64{1} << (table_log - 1)) + 2 * (u64{max_symbol_value} + 1);
}
constexpr u64 fse_dtable_size_u32(u32 table_log) {
    return 1 + (u64{1} << table_log);
}

// Largest coded size of an n-byte block: n + n/128 + 512.
constexpr u64 FSE_compressBound(u64 n) {
    return n + (n >> 7) + 512;
}

// Compresses src with maximum symbol value 255 and table log 11 as starting
// points. Returns the coded size (2 or more); 0 when the block is not worth
// compressing (store it raw); 1 when every byte is the same (store that byte
// once); or an error. Sources of 2^32 bytes or more are refused.
u64 FSE_compress(void* dst, u64 dstCapacity, const void* src, u64 srcSize);

// As FSE_compress with a chosen maximum symbol value (0 stands for 255) and
// table log (0 stands for 11; held within 5 to 12 and the block's needs).
u64 FSE_compress2(void* dst, u64 dstCapacity, const void* src, u64 srcSize, u32 maxSymbolValue,
                  u32 tableLog);

// Decodes one block into at most maxDstSize bytes; returns the number of bytes
// written or an error (-5 when dst fills before the stream ends).
u64 FSE_decompress(void* dst, u64 maxDstSize, const void* cSrc, u64 cSrcSize);

// Byte histogram into count[0..*maxSymbolValue] (0 stands for 255; above 255
// is refused): lowers *maxSymbolValue to the largest byte present and returns
// the largest count. FSE_count refuses a byte above a maximum below 255;
// FSE_countFast is meant for sources known to hold no such byte and refuses
// one all the same. An empty source zeroes the counts, sets the maximum to 0
// and returns 0.
u64 FSE_count(u32* count, u32* maxSymbolValue, const void* src, u64 srcSize);
u64 FSE_countFast(u32* count, u32* maxSymbolValue, const void* src, u64 srcSize);

// Smallest table log from which every one of the block's symbols gets a state,
// and the table log FSE_compress2 settles on for a request (0 stands for 11).
u32 FSE_minTableLog(u64 srcSize, u32 maxSymbolValue);
u32 FSE_optimalTableLog(u32 maxTableLog, u64 srcSize, u32 maxSymbolValue);

// Scales a histogram of `total` (the sum of count[0..maxSymbolValue], 2 or
// more) to 2^tableLog states: 0 for an absent symbol, -1 for a symbol that
// gets one state at the top of the table, else its number of states. Returns
// the table log used (0 stands for 11), 0 when one symbol holds the whole
// total, or an error (table log outside 5..12 or below FSE_minTableLog, a
// histogram that does not add up to total, no state for a symbol).
u64 FSE_normalizeCount(i16* norm, u32 tableLog, const u32* count, u64 total, u32 maxSymbolValue);

// Normalized-count header into header[0..capacity): returns its size, -1 for
// counts that do not fill the table exactly, -5 when it does not fit.
u64 FSE_writeNCount(void* header, u64 capacity, const i16* norm, u32 maxSymbolValue, u32 tableLog);
// Reads a header: norm[0..*maxSymbolValue] (at most 256 entries; the maximum
// is lowered to the last symbol described), *tableLog; returns the header size
// or an error.
u64 FSE_readNCount(i16* norm, u32* maxSymbolValue, u32* tableLog, const void* src, u64 srcSize);

// Tables from normalized counts. The compression table needs
// fse_ctable_size_u32(tableLog, maxSymbolValue) entries, the decoding table
// fse_dtable_size_u32(tableLog). Both return 0 or an error.
u64 FSE_buildCTable(FSE_CTable* ct, const i16* norm, u32 maxSymbolValue, u32 tableLog);
u64 FSE_buildDTable(FSE_DTable* dt, const i16* norm, u32 maxSymbolValue, u32 tableLog);

// Tables that code every symbol below 2^nbBits in nbBits bits (nbBits 1 to
// 12): the compression table needs fse_ctable_size_u32(nbBits, 2^nbBits - 1)
// entries, the decoding table fse_dtable_size_u32(nbBits).
u64 FSE_buildCTable_raw(FSE_CTable* ct, u32 nbBits);
u64 FSE_buildDTable_raw(FSE_DTable* dt, u32 nbBits);

// The bit stream of a block with a built table: returns its size, 0 when it
// does not fit in dstCapacity (or dstCapacity is below 8), or -1 for a table
// that cannot code one of the source's bytes.
u64 FSE_compress_usingCTable(void* dst, u64 dstCapacity, const void* src, u64 srcSize,
                             const FSE_CTable* ct);
// Decodes a bit stream with a built table: returns the number of bytes
// written or an error (-1 also for a table that is not well formed).
u64 FSE_decompress_usingDTable(void* dst, u64 maxDstSize, const void* cSrc, u64 cSrcSize,
                               const FSE_DTable* dt);
