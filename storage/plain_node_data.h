// Flop and turn stores. `PlainNodeData` keeps one float row per action over
// the flop's hand list; `CompositeNodeData` keeps one `PlainNodeData` per
// turn board and hands every per-split call to the element of the turn index.
// Built empty by the node-data factory; `allocate` gives the rows.
#pragma once

#include <span>
#include <vector>

#include "storage/node_data.h"

class PlainNodeData final : public NodeDataBase {
public:
    PlainNodeData(i32 rows, i32 hands);
    PlainNodeData(PlainNodeData&&) noexcept = default;

    // False when a row buffer cannot be obtained.
    bool allocate() override;
    // Before `allocate` every output array is empty, as the rows are.
    void average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                          std::span<const f32> defaults) override;
    // Refuses an action outside the rows or a count other than `hands`;
    // allocates the store first when `allocate` has not run.
    bool store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) override;
    void update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                        const std::vector<DoubleArray>& action_values, u64 reserved,
                        const std::vector<i16>* tie_groups, f64 scale) override;
    void accumulate_strategy(i32 turn, i32 river, const std::vector<DoubleArray>& strategy,
                             const DoubleArray& reach, f64 weight) override;
    i64 value_count(i32 block) const override;
    BlockEntry& entry(i32 turn, i32 river) override;
    // Record: the flags word (i32), then each action's row of `hands` floats.
    void load(Reader& in) override;
    u64 min_record_bytes(i32 version) const override;

    i32 rows() const { return rows_; }
    i32 hands() const { return hands_; }
    // Row of one action; null before `allocate`.
    const f32* row(i32 action) const { return rows_data_[action].data; }

private:
    void require_allocated() const;

    i32 rows_;
    i32 hands_;
    std::vector<FloatArray> rows_data_;
    BlockEntry entry_;
    bool allocated_ = false;
};

class CompositeNodeData final : public NodeDataBase {
public:
    // One element per turn board with that board's hand count.
    CompositeNodeData(i32 rows, std::span<const u32> board_hands);

    // True only when every element got its rows.
    bool allocate() override;
    void average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                          std::span<const f32> defaults) override;
    bool store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) override;
    void update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                        const std::vector<DoubleArray>& action_values, u64 reserved,
                        const std::vector<i16>* tie_groups, f64 scale) override;
    void accumulate_strategy(i32 turn, i32 river, const std::vector<DoubleArray>& strategy,
                             const DoubleArray& reach, f64 weight) override;
    i64 value_count(i32 block) const override;
    BlockEntry& entry(i32 turn, i32 river) override;
    // The elements' records in board order.
    void load(Reader& in) override;
    u64 min_record_bytes(i32 version) const override;

    i32 boards() const { return static_cast<i32>(elements_.size()); }
    const PlainNodeData& element(i32 turn) const { return elements_[turn]; }

private:
    std::vector<PlainNodeData> elements_;
};
