// Block arenas: the byte streams in which compressed river stores keep their
// rows between uses. For one split (a turn board) and one player, the block
// of every river node of that player follows the previous one in walk order;
// a store decodes its block into a working buffer when the block is opened
// and encodes it back when it is closed (storage/compressed_node_data.h).
//
// `BlockArena` is the interface; `PackedArena` (storage/packed_arena.h) packs
// rows byte-aligned per group of eight values, `CodedArena`
// (storage/coded_arena.h) entropy-codes them. Both keep their bytes in a
// `ReservedRegion`: address space reserved once for the true worst case of
// the values the arena will hold, used from its start as the data grows. The
// regions are carved from shared mappings (storage/arena_space.h), so that
// thousands of arenas do not cost thousands of kernel mappings.
//
// Sizes and offsets are 64-bit throughout. An arena is used by one thread at
// a time (one split per work item); the statistics counters are atomic.
#pragma once

#include <atomic>

#include "platform/int_types.h"

class Reader;         // tree-archive byte source
class ArchiveWriter;  // tree-archive byte sink

class BlockArena {
public:
    BlockArena() = default;
    BlockArena(const BlockArena&) = delete;
    BlockArena& operator=(const BlockArena&) = delete;
    virtual ~BlockArena() = default;

    // A write cycle: begin_write discards what the arena held, rows follow in
    // walk order, end_write finishes the encoding and accounts it.
    virtual void begin_write() = 0;
    virtual void end_write() = 0;
    // Whether the arena holds encoded data (written or loaded).
    virtual bool has_data() const = 0;
    // A read cycle: the rows come back in exactly the order, with exactly
    // the counts and reference rows, with which they were written.
    virtual void begin_read() = 0;
    virtual void end_read() = 0;

    // One row of n values; `reference` is the caller's predictor row of the
    // same length (or null), which only the coded kind uses.
    virtual void write_u32(const u32* values, const u32* reference, i32 n) = 0;
    virtual void write_u16(const u16* values, const u16* reference, i32 n) = 0;
    virtual void read_u32(u32* out, const u32* reference, i32 n) = 0;
    virtual void read_u16(u16* out, const u16* reference, i32 n) = 0;

    // Archive records. The program writes none (`save` throws
    // std::logic_error); `load` reads one into an arena created for the
    // walk's value count, whose reservation bounds the data: a record that
    // does not fit it, or whose lengths disagree, throws IOException
    // "invalid file". Loaded data is decoded with checked readers until the
    // next write cycle, so that the loader can try every block once.
    virtual void save(ArchiveWriter& out) const;
    virtual void load(Reader& in);
    // After a read cycle of loaded data: whether the rows took exactly the
    // bytes (every channel's bytes) that the record held.
    virtual bool read_to_end() const = 0;
};

// The memory of one arena: `reserved` bytes of address space, taken at the
// first growth, of which the first `committed` are usable. `grow` ends the
// process, with the messages the solver has always printed, when the data
// would pass the reservation or the address space cannot be had.
struct ReservedRegion {
    // Size raised to the commit granularity at the last growth.
    i64 need = 0;
    // Logical data size at the last growth.
    i64 size = 0;
    // Bytes usable from `base`; only grows.
    i64 committed = 0;
    i64 reserved = 0;
    u8* base = nullptr;
    // Commit granularity minus one.
    u32 mask = 0;
    // Pages reached so far (the bytes counted in g_stat_arena_bytes).
    i64 touched = 0;

    ReservedRegion(u32 granularity_mask, i64 reservation)
        : reserved(reservation), mask(granularity_mask) {}
    ReservedRegion(const ReservedRegion&) = delete;
    ReservedRegion& operator=(const ReservedRegion&) = delete;
    ~ReservedRegion() { release_memory(); }

    // Makes at least `bytes` from `base` usable.
    void grow(i64 bytes);
    // Gives the reservation and its memory back.
    void release_memory();
};

// Storage statistics, process-wide. Committed, raw and encoded bytes grow at
// every end_write, decoded bytes at every end_read; the solve reset zeroes
// the encoded and decoded counts.
extern std::atomic<i64> g_stat_committed_bytes;
extern std::atomic<i64> g_stat_raw_bytes;
extern std::atomic<i64> g_stat_encoded_bytes;
extern std::atomic<i64> g_stat_decoded_bytes;
// Largest symbol a coded arena sent through its codec's escape path.
extern std::atomic<i64> g_stat_max_escape;
// The weight of a recent accumulation into 32-bit compressed sums.
extern std::atomic<f64> g_stat_last_weight;
// Gauge: bytes of arena memory in use now, over every live arena (the pages
// their data has reached; released arenas give theirs back).
extern std::atomic<i64> g_stat_arena_bytes;

void stat_raise_max_escape(i64 value);
// The solve reset's part: encoded and decoded counts back to 0.
void reset_storage_rate_stats();
