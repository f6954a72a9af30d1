// Bit streams of the FSE and Huffman block coders. The writer fills a 64-bit
// container from bit 0 up and stores it little-endian, advancing by whole
// bytes; the reader starts at the last byte, whose highest set bit is the
// end mark the writer closed the stream with, and reads backwards. Hot and
// inline: the coders' inner loops are made of these calls.
#pragma once

#include <cstring>

#include "platform/int_types.h"

namespace fse_detail {

// Index of the highest set bit; v must not be 0.
inline u32 highbit32(u32 v) {
    return 31u - static_cast<u32>(__builtin_clz(v));
}

inline u64 load_le64(const u8* p) {
    u64 v;
    std::memcpy(&v, p, 8);
    return v;  // the library runs on little-endian x86-64 only
}
inline u32 load_le32(const u8* p) {
    u32 v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store_le64(u8* p, u64 v) {
    std::memcpy(p, &v, 8);
}

inline u64 low_bits(u64 value, u32 nb) {
    return value & ((u64{1} << nb) - 1);  // nb < 64
}

// Each flush stores all 8 container bytes at the current position, which is
// held at `limit` (capacity - 8 from the start) so that the store stays
// inside the output however much was written; a stream whose position reached
// the limit did not fit. Callers keep at most 56 bits pending between flushes.
struct BitWriter {
    u64 container = 0;
    u32 bit_pos = 0;
    u8* start = nullptr;
    u8* ptr = nullptr;
    u8* limit = nullptr;
};

// False when capacity is below 8 bytes.
inline bool bit_writer_init(BitWriter& w, u8* dst, u64 capacity) {
    if (capacity < 8) return false;
    w.container = 0;
    w.bit_pos = 0;
    w.start = dst;
    w.ptr = dst;
    w.limit = dst + capacity - 8;
    return true;
}

// value may hold bits above nb.
inline void bit_add(BitWriter& w, u64 value, u32 nb) {
    w.container |= low_bits(value, nb) << w.bit_pos;
    w.bit_pos += nb;
}
// value must be below 2^nb.
inline void bit_add_clean(BitWriter& w, u64 value, u32 nb) {
    w.container |= value << w.bit_pos;
    w.bit_pos += nb;
}

inline void bit_flush(BitWriter& w) {
    const u32 bytes = w.bit_pos >> 3;
    store_le64(w.ptr, w.container);
    w.ptr += bytes;
    if (w.ptr > w.limit) w.ptr = w.limit;
    w.bit_pos &= 7;
    w.container = bytes == 8 ? 0 : w.container >> (bytes * 8);
}

inline bool bit_overflowed(const BitWriter& w) {
    return w.ptr >= w.limit;
}

// Appends the end mark and returns the stream's size, or 0 when it did not fit.
inline u64 bit_close(BitWriter& w) {
    bit_add_clean(w, 1, 1);
    bit_flush(w);
    if (bit_overflowed(w)) return 0;
    return static_cast<u64>(w.ptr - w.start) + (w.bit_pos > 0);
}

// Reload status: more input before the buffer's start, the buffer's start
// reached, every bit read, or more bits read than the stream holds.
enum BitStatus : u32 {
    kBitUnfinished = 0,
    kBitEndOfBuffer = 1,
    kBitCompleted = 2,
    kBitOverflow = 3,
};

// The container holds the 8 bytes at `ptr` (or the whole stream when it is
// shorter, missing high bytes counted as consumed); `consumed` counts bits
// used from its top.
struct BitReader {
    u64 container = 0;
    u32 consumed = 0;
    const u8* ptr = nullptr;
    const u8* start = nullptr;
};

// Returns 0, or the error code of an empty stream (srcSize_wrong) or of a
// stream without its end mark (generic).
inline u32 bit_reader_init(BitReader& r, const u8* src, u64 size) {
    if (size < 1) return 6;
    const u8 last = src[size - 1];
    if (last == 0) return 1;
    r.start = src;
    if (size >= 8) {
        r.ptr = src + size - 8;
        r.container = load_le64(r.ptr);
        r.consumed = 8 - highbit32(last);
        return 0;
    }
    r.ptr = src;
    r.container = 0;
    for (u64 i = 0; i < size; ++i) r.container |= u64{src[i]} << (8 * i);
    r.consumed = 8 - highbit32(last) + static_cast<u32>(8 - size) * 8;
    return 0;
}

// The next nb bits (nb up to 56 after a reload); nb may be 0.
inline u64 bit_look(const BitReader& r, u32 nb) {
    return ((r.container << (r.consumed & 63)) >> 1) >> ((63 - nb) & 63);
}
// The same for nb of 1 or more.
inline u64 bit_look_nonzero(const BitReader& r, u32 nb) {
    return (r.container << (r.consumed & 63)) >> ((64 - nb) & 63);
}
inline void bit_skip(BitReader& r, u32 nb) {
    r.consumed += nb;
}
inline u64 bit_read(BitReader& r, u32 nb) {
    const u64 v = bit_look(r, nb);
    bit_skip(r, nb);
    return v;
}

inline BitStatus bit_reload(BitReader& r) {
    if (r.consumed > 64) return kBitOverflow;
    if (r.ptr >= r.start + 8) {
        r.ptr -= r.consumed >> 3;
        r.consumed &= 7;
        r.container = load_le64(r.ptr);
        return kBitUnfinished;
    }
    if (r.ptr == r.start) return r.consumed < 64 ? kBitEndOfBuffer : kBitCompleted;
    u32 bytes = r.consumed >> 3;
    BitStatus status = kBitUnfinished;
    if (bytes > static_cast<u64>(r.ptr - r.start)) {
        bytes = static_cast<u32>(r.ptr - r.start);
        status = kBitEndOfBuffer;
    }
    r.ptr -= bytes;
    r.consumed -= bytes * 8;
    r.container = load_le64(r.ptr);
    return status;
}

inline bool bit_finished(const BitReader& r) {
    return r.ptr == r.start && r.consumed == 64;
}

}  // namespace fse_detail
