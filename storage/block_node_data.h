// River stores: all rows of a node, for every (turn board, runout) pair, in
// one region laid out by the tree's `NodeDataLayout` for the node's action
// count. `BlockNodeData` holds the layout and the per-entry `BlockEntry`
// table (shared with the compressed kind); `VmBlockNodeData` adds the values
// region, committed virtual memory that reads as zero when fresh;
// `FloatBlockNodeData` keeps float values, `U16BlockNodeData` quantised 16-bit
// regrets (the float kind's cumulative regret times scale^0.75, in whole
// steps). Row (turn, river, action) holds the entry's c values at
// entry.offset + padded_row(c) * action.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "storage/node_data.h"
#include "tree/node_data_layout.h"

class BlockNodeData : public NodeDataBase {
public:
    // The layout is the tree's and must outlive the store.
    explicit BlockNodeData(const NodeDataLayout& layout);

    // The layout's value total, whatever the block.
    i64 value_count(i32 block) const override;
    BlockEntry& entry(i32 turn, i32 river) override;

    const NodeDataLayout& layout() const { return *layout_; }

protected:
    const NodeDataLayout* layout_;
    std::unique_ptr<BlockEntry[]> entries_;
};

class VmBlockNodeData : public BlockNodeData {
public:
    explicit VmBlockNodeData(const NodeDataLayout& layout) : BlockNodeData(layout) {}
    ~VmBlockNodeData() override;

    // Commits (layout padded values) x element_width bytes, all zero; false
    // when the region cannot be obtained. A second call zeroes the values.
    bool allocate() override;
    virtual i64 element_width() const = 0;
    // Record: the flags word of every layout entry, then the rows block by
    // block, entry by entry, action by action, without their padding. The
    // 16-bit kind's rows are packed from archive version 4 on (an i16 byte
    // length, then the row); float rows are raw.
    void load(Reader& in) override;
    u64 min_record_bytes(i32 version) const override;

    bool allocated() const { return values_ != nullptr; }

protected:
    // One row of c values read from the archive into `row`.
    virtual void load_row(Reader& in, u8* row, i32 hands) = 0;
    // Fewest bytes of such a row in the archive.
    virtual u64 min_row_bytes(i32 version, u32 hands) const;
    // First value of the row, in elements from the start of the region.
    u64 row_index(i32 turn, i32 river, i32 action) const;
    // Asks for the rows of the board's next runout, which a flop tree's river
    // chance node deals right after this one: the regions are far larger than
    // the caches, so that otherwise every visit would wait for its rows.
    void prefetch_next_runout(i32 turn, i32 river) const;
    u8* values_ = nullptr;

private:
    u64 bytes_ = 0;
};

// The value operations below refuse nothing on their indices: turn, river
// and action must lie in the layout, except in `store_row`, which answers
// false for an action outside the layout or a values count other than the
// entry's hand count, and allocates the store when `allocate` has not run.
// `update_regrets` and `accumulate_strategy` need `allocate` first
// (std::logic_error otherwise). Before `allocate`, `average_strategy` gives
// each action's default for every hand of the entry.

class FloatBlockNodeData final : public VmBlockNodeData {
public:
    using VmBlockNodeData::VmBlockNodeData;

    void average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                          std::span<const f32> defaults) override;
    bool store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) override;
    void update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                        const std::vector<DoubleArray>& action_values, u64 reserved,
                        const std::vector<i16>* tie_groups, f64 scale) override;
    void accumulate_strategy(i32 turn, i32 river, const std::vector<DoubleArray>& strategy,
                             const DoubleArray& reach, f64 weight) override;
    i64 element_width() const override { return 4; }

    // Row of (turn, river, action); null before `allocate`.
    const f32* row(i32 turn, i32 river, i32 action) const;

protected:
    void load_row(Reader& in, u8* row, i32 hands) override;

private:
    f32* values() const { return reinterpret_cast<f32*>(values_); }
};

class U16BlockNodeData final : public VmBlockNodeData {
public:
    using VmBlockNodeData::VmBlockNodeData;

    void average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                          std::span<const f32> defaults) override;
    // Values are truncated toward zero and saturate at 0 and 65535.
    bool store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) override;
    // Steps of trunc(k |r|^0.75) with k = scale^0.75, for |r| >= 1/scale,
    // saturating at 0 and 65535; then, with tie groups, each run of tied
    // hands takes its truncated mean.
    void update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                        const std::vector<DoubleArray>& action_values, u64 reserved,
                        const std::vector<i16>* tie_groups, f64 scale) override;
    // Strategy sums are never kept in 16 bits: does nothing.
    void accumulate_strategy(i32 turn, i32 river, const std::vector<DoubleArray>& strategy,
                             const DoubleArray& reach, f64 weight) override;
    i64 element_width() const override { return 2; }

    const u16* row(i32 turn, i32 river, i32 action) const;

protected:
    void load_row(Reader& in, u8* row, i32 hands) override;
    u64 min_row_bytes(i32 version, u32 hands) const override;

private:
    u16* values() const { return reinterpret_cast<u16*>(values_); }
};
