#include "storage/compressed_node_data.h"

#include <cstring>

#include "cards/fail.h"
#include "cards/hand_arrays.h"
#include "storage/coded_arena.h"
#include "storage/node_kernels.h"
#include "storage/packed_arena.h"
#include "storage/row_ops.h"
#include "tree/archive_reader.h"

namespace {

constexpr std::size_t kBufferAlignment = 128;
constexpr f64 kLargestSum = 2147483647.0;

i32 saturate_i32(f64 v) {
    if (!(v > 0.0)) return 0;
    if (v >= kLargestSum) return 2147483647;
    return static_cast<i32>(v);
}

}  // namespace

CompressedNodeData::CompressedNodeData(const NodeDataLayout& layout, u32 mode, bool sixteen_bit)
    : BlockNodeData(layout),
      buffers_(static_cast<std::size_t>(layout.blocks), nullptr),
      arenas_(static_cast<std::size_t>(layout.blocks)),
      mode_(mode),
      sixteen_bit_(sixteen_bit) {}

// Callers close every block before a store goes; a buffer left open is freed
// all the same.
CompressedNodeData::~CompressedNodeData() {
    for (void* buffer : buffers_) aligned_buffer_free(buffer);
}

std::unique_ptr<BlockArena> CompressedNodeData::make_arena(i64 count) const {
    if (mode_ == 1) return std::make_unique<PackedArena>(count, width());
    return std::make_unique<CodedArena>(count);
}

void* CompressedNodeData::open_buffer(i32 block) const {
    void* buffer = buffers_[static_cast<std::size_t>(block)];
    if (!buffer) fail("not open");
    return buffer;
}

u64 CompressedNodeData::row_offset(i32 turn, i32 river, i32 action) const {
    const LayoutEntry& e = layout_->entry(turn, river);
    const u32 block_start = layout_->block_value_table()[turn].offset;
    return e.offset - block_start + static_cast<u64>(padded_row(e.hands)) * action;
}

template <class T, class RowFn>
void CompressedNodeData::for_each_stream_row(i32 block, RowFn&& fn) {
    T* base = static_cast<T*>(buffers_[static_cast<std::size_t>(block)]);
    const LayoutBlock& b = layout_->block_table()[block];
    const u32 block_start = layout_->block_value_table()[block].offset;
    const LayoutEntry* entries = layout_->entry_table() + b.first_entry;
    for (i32 a = 0; a < layout_->actions; ++a) {
        const T* previous = nullptr;
        u32 previous_hands = 0;
        for (u32 j = 0; j < b.entry_count; ++j) {
            const LayoutEntry& e = entries[j];
            T* row = base + (e.offset - block_start) + static_cast<u64>(padded_row(e.hands)) * a;
            const T* reference = j > 0 && previous_hands >= e.hands ? previous : nullptr;
            if (e.hands > 0) fn(row, reference, static_cast<i32>(e.hands));
            previous = row;
            previous_hands = e.hands;
        }
    }
}

const u16* CompressedNodeData::open_row_u16(i32 turn, i32 river, i32 action) const {
    const void* buffer = buffers_[static_cast<std::size_t>(turn)];
    if (!buffer || !sixteen_bit_) return nullptr;
    return static_cast<const u16*>(buffer) + row_offset(turn, river, action);
}

const i32* CompressedNodeData::open_row_i32(i32 turn, i32 river, i32 action) const {
    const void* buffer = buffers_[static_cast<std::size_t>(turn)];
    if (!buffer || sixteen_bit_) return nullptr;
    return static_cast<const i32*>(buffer) + row_offset(turn, river, action);
}

i64 CompressedNodeData::value_count(i32 block) const {
    if (block < 0) return layout_->values;
    const LayoutBlock& b = layout_->block_table()[block];
    i64 hands = 0;
    for (u32 j = 0; j < b.entry_count; ++j)
        hands += layout_->entry_table()[b.first_entry + j].hands;
    return hands * layout_->actions;
}

BlockArena* CompressedNodeData::open_block(BlockArena* shared, i32 block, i64 count) {
    const std::size_t slot = static_cast<std::size_t>(block);
    if (buffers_[slot]) fail("block opened twice");
    BlockArena* arena = shared;
    if (!arena) {
        if (!arenas_[slot]) arenas_[slot] = make_arena(count);
        arena = arenas_[slot].get();
        if (arena->has_data()) arena->begin_read();
    }
    const std::size_t bytes = static_cast<std::size_t>(layout_->block_value_table()[block].size) *
                              static_cast<std::size_t>(width());
    void* buffer = aligned_buffer_alloc(bytes > 0 ? bytes : kBufferAlignment, kBufferAlignment);
    if (!buffer) fail("out of memory");
    buffers_[slot] = buffer;
    if (!arena->has_data()) {
        std::memset(buffer, 0, bytes);
        return arena;
    }
    if (sixteen_bit_) {
        for_each_stream_row<u16>(
            block, [&](u16* row, const u16* ref, i32 n) { arena->read_u16(row, ref, n); });
    } else {
        for_each_stream_row<i32>(block, [&](i32* row, const i32* ref, i32 n) {
            arena->read_u32(reinterpret_cast<u32*>(row), reinterpret_cast<const u32*>(ref), n);
        });
    }
    return arena;
}

BlockArena* CompressedNodeData::close_block(BlockArena* shared, i32 block, bool write_back) {
    const std::size_t slot = static_cast<std::size_t>(block);
    if (!buffers_[slot]) return nullptr;
    BlockArena* arena = shared;
    if (write_back) {
        if (!arena) {
            arena = arenas_[slot].get();
            if (!arena) fail("no arena");
            arena->begin_write();
        }
        if (sixteen_bit_) {
            for_each_stream_row<u16>(
                block, [&](u16* row, const u16* ref, i32 n) { arena->write_u16(row, ref, n); });
        } else {
            for_each_stream_row<i32>(block, [&](i32* row, const i32* ref, i32 n) {
                arena->write_u32(reinterpret_cast<const u32*>(row),
                                 reinterpret_cast<const u32*>(ref), n);
            });
        }
    }
    aligned_buffer_free(buffers_[slot]);
    buffers_[slot] = nullptr;
    return arena;
}

void CompressedNodeData::average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                                          std::span<const f32> defaults) {
    const void* buffer = open_buffer(turn);
    const i32 actions = layout_->actions;
    const i32 hands = static_cast<i32>(layout_->entry(turn, river).hands);
    check_defaults(defaults, actions);
    shape_output(out, actions, hands);
    if (actions == 0 || hands == 0) return;
    const OutputRows rows(out);
    const u64 first = row_offset(turn, river, 0);
    const u64 stride = padded_row(static_cast<u32>(hands));
    const NodeKernels& kernels = node_kernels();
    if (sixteen_bit_) {
        kernels.normalize_u16_rows(rows.rows(), static_cast<const u16*>(buffer) + first, stride,
                                   actions, hands, defaults.data());
        return;
    }
    kernels.normalize_i32_rows(rows.rows(), static_cast<const i32*>(buffer) + first, stride,
                               actions, hands, defaults.data());
}

bool CompressedNodeData::store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) {
    void* buffer = open_buffer(turn);
    const i32 hands = static_cast<i32>(layout_->entry(turn, river).hands);
    if (action < 0 || action >= layout_->actions || values.count != hands) return false;
    const u64 first = row_offset(turn, river, action);
    if (sixteen_bit_) {
        u16* row = static_cast<u16*>(buffer) + first;
        for (i32 h = 0; h < hands; ++h) row[h] = saturate_u16(stored_value(values, h));
    } else {
        i32* row = static_cast<i32*>(buffer) + first;
        for (i32 h = 0; h < hands; ++h) row[h] = saturate_i32(stored_value(values, h));
    }
    return true;
}

void CompressedNodeData::update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                                        const std::vector<DoubleArray>& action_values, u64,
                                        const std::vector<i16>* tie_groups, f64 scale) {
    if (!sixteen_bit_) return;
    u16* buffer = static_cast<u16*>(open_buffer(turn));
    const u32 hands = layout_->entry(turn, river).hands;
    update_u16_regret_rows(buffer + row_offset(turn, river, 0), padded_row(hands), layout_->actions,
                           static_cast<i32>(hands), node_values, action_values, tie_groups, scale);
}

void CompressedNodeData::accumulate_strategy(i32 turn, i32 river,
                                             const std::vector<DoubleArray>& strategy,
                                             const DoubleArray& reach, f64 weight) {
    if (sixteen_bit_ || !(weight > 0.0)) return;
    i32* buffer = static_cast<i32*>(open_buffer(turn));
    // Every thread comes here at every node visit with the pass's one
    // weight: writing the shared gauge only when it changes keeps its cache
    // line from bouncing between the threads.
    if (g_stat_last_weight.load(std::memory_order_relaxed) != weight)
        g_stat_last_weight.store(weight, std::memory_order_relaxed);
    if (!reach.data) return;
    const i32 actions = layout_->actions;
    check_accumulate_args(strategy, reach, actions,
                          static_cast<i32>(layout_->entry(turn, river).hands));
    const NodeKernels& kernels = node_kernels();
    for (i32 a = 0; a < actions; ++a) {
        const DoubleArray& s = strategy[a];
        if (!s.data || s.count <= 0) continue;
        kernels.accumulate_i32(buffer + row_offset(turn, river, a), s.data, reach.data, s.count,
                               weight);
    }
}

void CompressedNodeData::load(Reader& in) {
    const NodeDataLayout& layout = *layout_;
    for (i32 e = 0; e < layout.entries; ++e) entries_[e].flags = read_u32(in);
    if (read_u8(in) == 0) return;
    for (i32 b = 0; b < layout.blocks; ++b) {
        const std::size_t slot = static_cast<std::size_t>(b);
        const i64 count = slot < walk_counts_.size() ? walk_counts_[slot] : 0;
        arenas_[slot] = make_arena(count);
        arenas_[slot]->load(in);
    }
}

bool CompressedNodeData::open_rows_in_range(i32 block) {
    open_buffer(block);
    if (sixteen_bit_) return true;
    bool in_range = true;
    for_each_stream_row<i32>(block, [&](i32* row, const i32*, i32 n) {
        for (i32 h = 0; h < n; ++h) in_range = in_range && row[h] >= 0;
    });
    return in_range;
}

u64 CompressedNodeData::min_record_bytes(i32) const {
    return sizeof(u32) * static_cast<u64>(layout_->entries) + sizeof(u8);
}
