// Huffman block coder beside the FSE coder: length-limited code tables, the
// table header (code weights FSE-coded, repeated or raw), and a block body of
// four interleaved streams behind a table of their sizes. Encoding only; the
// system has no caller for it yet, so it is a library interface.
//
// Sizes, results and errors follow codecs/fse/fse.h (FSE_isError tells an
// error). Every operation works on its arguments and its own frame: no heap
// allocation, no state between calls, safe on any thread. The header and block
// compressors run in a generic and an AVX2 variant with identical output.
#pragma once

#include "codecs/fse/fse.h"

inline constexpr u32 kHufMaxTableLog = 12;  // longest code; 0 requests this
inline constexpr u32 kHufMaxSymbolValue = 255;
// Sources from this size on are refused: the node counts must stay below it.
inline constexpr u64 kHufMaxSourceSize = u64{1} << 30;

// One symbol's code: `nbBits` low bits of `val`, written least significant
// bit first; nbBits 0 for a symbol that does not occur. A coding table has
// 256 entries, one per byte value; HUF_buildCTable writes entries 0 to its
// maximum symbol value, so a table for HUF_compress_usingCTable starts zeroed.
struct HUF_CElt {
    u16 val;
    u8 nbBits;
};

// Code lengths for count[0..maxSymbolValue] (at least two non-zero counts,
// summing below 2^30) limited to maxNbBits (0 stands for 12; raised to what
// the number of symbols needs; above 12 refused), and canonical code values.
// tree receives maxSymbolValue + 1 entries. Returns the longest length used,
// or an error.
u64 HUF_buildCTable(HUF_CElt* tree, const u32* count, u32 maxSymbolValue, u32 maxNbBits);

// Table header for symbols 0..maxSymbolValue of a table whose lengths are at
// most huffLog (1 to 12): the weights huffLog + 1 - length of every symbol but
// the last, FSE-coded after a size byte, as one byte when they are all equal,
// or as nibbles after the byte 127 + maxSymbolValue. Returns the header size
// or an error.
u64 HUF_writeCTable(void* dst, u64 dstCapacity, const HUF_CElt* tree, u32 maxSymbolValue,
                    u32 huffLog);

// Block body with a 256-entry table: three little-endian u16 sizes of
// streams 1 to 3, then the four streams. Returns the size written, 0 when it does not fit, -1 for a
// byte the table has no code for (or a code above 12 bits), -6 for a stream too long for its 16-bit
// size.
u64 HUF_compress_usingCTable(void* dst, u64 dstCapacity, const void* src, u64 srcSize,
                             const HUF_CElt* tree);

// Header and body of a block: the compressed size; 0 when the block is not
// worth coding or does not fit; 1 when it is one repeated byte (and for a
// source of one byte; nothing is written then); or an error.
// maxSymbolValue 0 stands for 255, huffLog 0 for 12.
u64 HUF_compress2(void* dst, u64 dstCapacity, const void* src, u64 srcSize, u32 maxSymbolValue,
                  u32 huffLog);
u64 HUF_compress(void* dst, u64 dstCapacity, const void* src, u64 srcSize);
