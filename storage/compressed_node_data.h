// The river store kind that keeps its rows encoded between uses, so that the
// river data of a large flop tree fits in memory. Regret stores hold 16-bit
// rows (the quantised regrets of `U16BlockNodeData`, with the same update),
// strategy-sum stores 32-bit rows (sums as non-negative integers, each
// accumulation adding its rounded increment).
//
// A block is the rows of one turn board (one split). Closed, a block exists
// only as bytes in a block arena: a `PackedArena` in mode 1, a `CodedArena`
// in mode 2. The block walks (storage/block_walks.h) open the block of one
// split in every river node below a chance node, in tree order, and close it
// afterwards; the nodes of one player share one arena per walk: the first
// owns it and hands it on, each following node appends its rows to (or reads
// them from) the same stream. Open, the block's rows sit decoded in a
// working buffer at the layout's positions, where the value operations work
// on them as on an uncompressed row set.
//
// Stream order, the same for writing and reading: for each action (outer),
// for each entry of the block (inner), the entry's row of that action; rows
// of 0 values are skipped on both sides. A row's predictor, handed to the
// arena as reference, is the same action's row of the previous entry when
// that entry has at least as many hands.
//
// Every value operation but `entry` needs its block open; on a closed block
// the process ends through `fail("not open")`. Different splits are
// different blocks: work items of different splits use different buffers
// and arenas of one store at once without a lock.
#pragma once

#include <memory>
#include <vector>

#include "storage/block_arena.h"
#include "storage/block_node_data.h"

class CompressedNodeData final : public BlockNodeData {
public:
    // mode 1 packs blocks into `PackedArena`s, mode 2 codes them into
    // `CodedArena`s; sixteen_bit chooses regret rows over sum rows.
    CompressedNodeData(const NodeDataLayout& layout, u32 mode, bool sixteen_bit);
    ~CompressedNodeData() override;

    // Nothing to obtain: buffers come with open_block, arenas grow as written.
    bool allocate() override { return true; }

    // 16-bit rows as `U16BlockNodeData` gives them; 32-bit rows divided by
    // their exact total. Where the total is 0 the action's default, as every
    // kind gives it: the solver and the queries pass 0 for the sums and play
    // the current strategy there, so that a hand without sums (a strategy
    // just set, or increments that all rounded away) keeps it.
    void average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                          std::span<const f32> defaults) override;
    // Truncated toward zero and held in the row's range: 0..65535 or
    // 0..2^31-1, NaN giving 0. False for an action outside the layout or a
    // count other than the entry's hand count.
    bool store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) override;
    // The quantised update of `U16BlockNodeData`; sum stores ignore it.
    void update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                        const std::vector<DoubleArray>& action_values, u64 reserved,
                        const std::vector<i16>* tie_groups, f64 scale) override;
    // value = trunc(value + 0.5 + weight x strategy x reach), saturating at
    // 2^31 - 1; regret stores ignore it.
    void accumulate_strategy(i32 turn, i32 river, const std::vector<DoubleArray>& strategy,
                             const DoubleArray& reach, f64 weight) override;
    // Block -1: the layout's value total; block b: the values that block b
    // puts into an arena (filler excluded).
    i64 value_count(i32 block) const override;

    // Decodes block `block` into a new working buffer. With no shared arena
    // this store is the first of the walk: it creates its arena for the
    // walk's `count` values when it has none and begins the read cycle. A
    // block never written reads as zeros.
    BlockArena* open_block(BlockArena* shared, i32 block, i64 count) override;
    // Frees the working buffer, re-encoding the block first when
    // `write_back` is set (the first store of the walk begins the write
    // cycle); returns the arena to hand on, or null for a block not open.
    BlockArena* close_block(BlockArena* shared, i32 block, bool write_back) override;

    // Archive record: the flags word of every entry, a presence byte and,
    // when it is not 0, one arena record per block. An arena is created for
    // the value count that `set_walk_counts` gave its block (the count of the
    // walk whose first store this is; 0 where the store is first of none),
    // so that a loaded arena can hold no more than the solver's would.
    void set_walk_counts(std::vector<i64> counts) { walk_counts_ = std::move(counts); }
    void load(Reader& in) override;
    u64 min_record_bytes(i32 version) const override;
    // Whether every row of the open block holds a value the solver can have
    // written: any 16-bit regret, but sums only from 0 to 2^31 - 1 (a row of
    // 32-bit codes can carry more). The loader checks decoded blocks with it.
    bool open_rows_in_range(i32 block);

    u32 mode() const { return mode_; }
    bool sixteen_bit() const { return sixteen_bit_; }
    // A row of the open block of `turn` as it sits in the working buffer;
    // null while the block is closed or in the other row width.
    const u16* open_row_u16(i32 turn, i32 river, i32 action) const;
    const i32* open_row_i32(i32 turn, i32 river, i32 action) const;
    // The arena this store owns for a block; null when it was never first.
    const BlockArena* arena(i32 block) const {
        return arenas_[static_cast<std::size_t>(block)].get();
    }

private:
    i32 width() const { return sixteen_bit_ ? 2 : 4; }
    // The open block's buffer, or the fatal "not open".
    void* open_buffer(i32 block) const;
    // Element index of (entry, action) inside its block's buffer.
    u64 row_offset(i32 turn, i32 river, i32 action) const;
    template <class T, class RowFn>
    void for_each_stream_row(i32 block, RowFn&& fn);
    std::unique_ptr<BlockArena> make_arena(i64 count) const;

    std::vector<void*> buffers_;
    std::vector<std::unique_ptr<BlockArena>> arenas_;
    std::vector<i64> walk_counts_;
    u32 mode_;
    bool sixteen_bit_;
};
