// Layout of the river block stores: where the rows of every (turn board,
// runout) pair of a river node sit inside the node's one block of values.
// The board tree builder makes one layout per number of actions and the tree
// owns them; the river stores (storage/block_node_data.h and the compressed
// kind) keep a pointer to the layout of their action count.
//
// A block is a turn board (its index is the board's index), an entry is one
// runout of that board. Entry e holds `actions` rows of its hand count c, each
// padded to a multiple of 4 values so that kernels can run on whole 4-value
// groups; the row of action a starts at value index entry.offset + c4 * a.
#pragma once

#include <memory>
#include <vector>

#include "platform/int_types.h"

struct LayoutBlock {
    u32 first_entry;
    u32 entry_count;
};

struct LayoutEntry {
    u32 offset;  // value index of the entry's first row
    u32 hands;
};

struct LayoutBlockValues {
    u32 offset;  // value index of the block's first entry
    u32 size;    // values of the block, padding included
};

// Row length in the values block: the hand count raised to a multiple of 4.
constexpr u32 padded_row(u32 hands) {
    return (hands + 3u) & ~3u;
}

class NodeDataLayout {
public:
    NodeDataLayout() = default;
    NodeDataLayout(NodeDataLayout&&) noexcept = default;
    NodeDataLayout& operator=(NodeDataLayout&&) noexcept = default;

    i32 actions = 0;
    i32 blocks = 0;
    i32 entries = 0;
    i32 padded_values = 0;  // allocation total: rows counted at c4 values
    i32 values = 0;         // value total: rows counted at c values

    const LayoutBlock* block_table() const { return block_table_.get(); }
    const LayoutEntry* entry_table() const { return entry_table_.get(); }
    const LayoutBlockValues* block_value_table() const { return block_value_table_.get(); }

    // Entry number of (turn board, runout); neither index is range-checked.
    i32 entry_index(i32 turn, i32 river) const {
        return static_cast<i32>(block_table_[turn].first_entry) + river;
    }
    const LayoutEntry& entry(i32 turn, i32 river) const {
        return entry_table_[entry_index(turn, river)];
    }

    friend NodeDataLayout build_node_data_layout(const std::vector<std::vector<u32>>&, i32);

private:
    struct AlignedFree {
        void operator()(void* p) const;
    };
    template <class T>
    using Table = std::unique_ptr<T[], AlignedFree>;

    Table<LayoutBlock> block_table_;
    Table<LayoutEntry> entry_table_;
    Table<LayoutBlockValues> block_value_table_;
};

// Layout for `actions` actions over the per-board runout hand counts (one
// list per turn board, one count per runout, in board and runout order).
// Throws std::length_error when the value totals do not fit 32 bits.
NodeDataLayout build_node_data_layout(const std::vector<std::vector<u32>>& runout_counts,
                                      i32 actions);
