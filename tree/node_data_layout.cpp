#include "tree/node_data_layout.h"

#include <limits>
#include <new>
#include <stdexcept>

namespace {

// The tables are read by the vector kernels of the stores and the solver in
// whole cache lines.
constexpr std::align_val_t k_table_align{64};

template <class T>
T* new_table(std::size_t n) {
    return static_cast<T*>(::operator new(sizeof(T) * (n == 0 ? 1 : n), k_table_align));
}

u32 checked_u32(i64 v) {
    if (v > std::numeric_limits<i32>::max()) throw std::length_error("node data layout too large");
    return static_cast<u32>(v);
}

}  // namespace

void NodeDataLayout::AlignedFree::operator()(void* p) const {
    ::operator delete(p, k_table_align);
}

NodeDataLayout build_node_data_layout(const std::vector<std::vector<u32>>& runout_counts,
                                      i32 actions) {
    NodeDataLayout layout;
    const std::size_t blocks = runout_counts.size();
    std::size_t entries = 0;
    for (const auto& list : runout_counts) entries += list.size();

    layout.block_table_.reset(new_table<LayoutBlock>(blocks));
    layout.block_value_table_.reset(new_table<LayoutBlockValues>(blocks));
    layout.entry_table_.reset(new_table<LayoutEntry>(entries));

    i64 offset = 0;
    i64 values = 0;
    u32 entry = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        const auto& list = runout_counts[b];
        layout.block_table_[b] = {entry, static_cast<u32>(list.size())};
        const i64 block_offset = offset;
        for (const u32 c : list) {
            layout.entry_table_[entry++] = {checked_u32(offset), c};
            values += static_cast<i64>(c) * actions;
            offset += static_cast<i64>(padded_row(c)) * actions;
        }
        layout.block_value_table_[b] = {checked_u32(block_offset),
                                        checked_u32(offset - block_offset)};
    }
    layout.actions = actions;
    layout.blocks = static_cast<i32>(blocks);
    layout.entries = static_cast<i32>(entries);
    layout.padded_values = static_cast<i32>(checked_u32(offset));
    layout.values = static_cast<i32>(checked_u32(values));
    return layout;
}
