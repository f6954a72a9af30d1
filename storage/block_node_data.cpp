#include "storage/block_node_data.h"

#include <cstring>
#include <stdexcept>

#include "platform/virtual_memory.h"
#include "storage/node_kernels.h"
#include "storage/packed_row.h"
#include "storage/row_ops.h"
#include "tree/archive_reader.h"

namespace {

void require_allocated(const VmBlockNodeData& store) {
    if (!store.allocated()) throw std::logic_error("node data used before allocate");
}

// Output of `average_strategy` before the values exist: the defaults.
void default_strategy(std::vector<DoubleArray>& out, i32 actions, i32 hands,
                      std::span<const f32> defaults) {
    shape_output(out, actions, hands);
    fill_defaults(out, defaults);
}

}  // namespace

BlockNodeData::BlockNodeData(const NodeDataLayout& layout)
    : layout_(&layout),
      entries_(std::make_unique<BlockEntry[]>(static_cast<std::size_t>(layout.entries))) {}

i64 BlockNodeData::value_count(i32) const {
    return layout_->values;
}

BlockEntry& BlockNodeData::entry(i32 turn, i32 river) {
    return entries_[layout_->entry_index(turn, river)];
}

VmBlockNodeData::~VmBlockNodeData() {
    vm_release(values_, bytes_);
}

bool VmBlockNodeData::allocate() {
    if (values_) {
        std::memset(values_, 0, bytes_);
        return true;
    }
    // An empty layout still gets a region, so that "allocated" has one meaning.
    const u64 bytes = static_cast<u64>(layout_->padded_values) * element_width();
    const u64 size = bytes > 0 ? bytes : 1;
    void* region = vm_reserve_commit(size);
    if (!region) return false;
    values_ = static_cast<u8*>(region);
    bytes_ = size;
    return true;
}

void VmBlockNodeData::load(Reader& in) {
    require_allocated(*this);
    const NodeDataLayout& layout = *layout_;
    for (i32 e = 0; e < layout.entries; ++e) entries_[e].flags = read_u32(in);
    const u64 width = static_cast<u64>(element_width());
    for (i32 b = 0; b < layout.blocks; ++b) {
        const LayoutBlock& block = layout.block_table()[b];
        for (u32 j = 0; j < block.entry_count; ++j) {
            const LayoutEntry& e = layout.entry_table()[block.first_entry + j];
            for (i32 a = 0; a < layout.actions; ++a) {
                const u64 index = e.offset + static_cast<u64>(padded_row(e.hands)) * a;
                load_row(in, values_ + index * width, static_cast<i32>(e.hands));
            }
        }
    }
}

u64 VmBlockNodeData::min_record_bytes(i32 version) const {
    const NodeDataLayout& layout = *layout_;
    u64 total = sizeof(u32) * static_cast<u64>(layout.entries);
    for (i32 e = 0; e < layout.entries; ++e) {
        total += min_row_bytes(version, layout.entry_table()[e].hands) * layout.actions;
    }
    return total;
}

u64 VmBlockNodeData::min_row_bytes(i32, u32 hands) const {
    return static_cast<u64>(element_width()) * hands;
}

u64 VmBlockNodeData::row_index(i32 turn, i32 river, i32 action) const {
    const LayoutEntry& e = layout_->entry(turn, river);
    return e.offset + static_cast<u64>(padded_row(e.hands)) * action;
}

void VmBlockNodeData::prefetch_next_runout(i32 turn, i32 river) const {
    constexpr u64 kCacheLine = 64;
    if (static_cast<u32>(river) + 1 >= layout_->block_table()[turn].entry_count) return;
    const LayoutEntry& next = layout_->entry(turn, river + 1);
    const u64 width = static_cast<u64>(element_width());
    const u8* first = values_ + next.offset * width;
    const u64 bytes = static_cast<u64>(padded_row(next.hands)) * layout_->actions * width;
    for (u64 b = 0; b < bytes; b += kCacheLine) __builtin_prefetch(first + b, 0, 2);
}

const f32* FloatBlockNodeData::row(i32 turn, i32 river, i32 action) const {
    return values_ ? values() + row_index(turn, river, action) : nullptr;
}

void FloatBlockNodeData::average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                                          std::span<const f32> defaults) {
    const i32 actions = layout_->actions;
    const i32 hands = static_cast<i32>(layout_->entry(turn, river).hands);
    check_defaults(defaults, actions);
    if (!values_) return default_strategy(out, actions, hands, defaults);
    shape_output(out, actions, hands);
    if (actions == 0 || hands == 0) return;
    prefetch_next_runout(turn, river);
    const OutputRows rows(out);
    node_kernels().normalize_f32_rows(rows.rows(), values() + row_index(turn, river, 0),
                                      padded_row(static_cast<u32>(hands)), actions, hands,
                                      defaults.data());
}

bool FloatBlockNodeData::store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) {
    const i32 hands = static_cast<i32>(layout_->entry(turn, river).hands);
    if (action < 0 || action >= layout_->actions || values.count != hands) return false;
    if (!values_ && !allocate()) return false;
    f32* row = this->values() + row_index(turn, river, action);
    for (i32 h = 0; h < hands; ++h) row[h] = static_cast<f32>(stored_value(values, h));
    return true;
}

void FloatBlockNodeData::update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                                        const std::vector<DoubleArray>& action_values, u64,
                                        const std::vector<i16>*, f64) {
    require_allocated(*this);
    const i32 actions = layout_->actions;
    check_update_args(node_values, action_values, actions,
                      static_cast<i32>(layout_->entry(turn, river).hands));
    const NodeKernels& kernels = node_kernels();
    for (i32 a = 0; a < actions; ++a) {
        kernels.update_regrets_f32(values() + row_index(turn, river, a), action_values[a].data,
                                   node_values.data, node_values.count);
    }
}

void FloatBlockNodeData::accumulate_strategy(i32 turn, i32 river,
                                             const std::vector<DoubleArray>& strategy,
                                             const DoubleArray& reach, f64 weight) {
    if (!(weight > 0.0) || !reach.data) return;
    require_allocated(*this);
    const i32 actions = layout_->actions;
    check_accumulate_args(strategy, reach, actions,
                          static_cast<i32>(layout_->entry(turn, river).hands));
    prefetch_next_runout(turn, river);
    const NodeKernels& kernels = node_kernels();
    for (i32 a = 0; a < actions; ++a) {
        const DoubleArray& s = strategy[a];
        if (!s.data || s.count <= 0) continue;
        kernels.accumulate_f32(values() + row_index(turn, river, a), s.data, reach.data, s.count,
                               weight);
    }
}

void FloatBlockNodeData::load_row(Reader& in, u8* row, i32 hands) {
    in.read(row, static_cast<u64>(hands) * sizeof(f32));
    if (!finite_non_negative(reinterpret_cast<const f32*>(row), hands)) throw_invalid_file();
}

namespace {

constexpr i32 kFirstPackedRowVersion = 4;

// Reads one packed row, which must take exactly the bytes its length gives:
// at least one byte for a row of values, at most the largest encoding of the
// row (a longer length, or a decoder that stops elsewhere, is a damaged file).
void load_packed_row(Reader& in, u16* row, i32 hands) {
    const i16 length = read_value<i16>(in);
    if (length <= 0) {
        if (length < 0 || hands > 0) throw_invalid_file();
        return;
    }
    const i32 bound = packed_u16_row_max_bytes(hands);
    if (length > bound) throw_invalid_file();
    thread_local std::vector<u8> buffer;
    if (buffer.size() < static_cast<std::size_t>(bound))
        buffer.resize(static_cast<std::size_t>(bound));
    in.read(buffer.data(), static_cast<u64>(length));
    std::memset(buffer.data() + length, 0, static_cast<std::size_t>(bound - length));
    if (!unpack_row_exact(row, hands, buffer.data(), length)) throw_invalid_file();
}

}  // namespace

void U16BlockNodeData::load_row(Reader& in, u8* row, i32 hands) {
    u16* values = reinterpret_cast<u16*>(row);
    if (in.version >= kFirstPackedRowVersion) return load_packed_row(in, values, hands);
    in.read(values, static_cast<u64>(hands) * sizeof(u16));
}

u64 U16BlockNodeData::min_row_bytes(i32 version, u32 hands) const {
    if (version < kFirstPackedRowVersion) return VmBlockNodeData::min_row_bytes(version, hands);
    return sizeof(i16) + (hands > 0 ? 1 : 0);
}

const u16* U16BlockNodeData::row(i32 turn, i32 river, i32 action) const {
    return values_ ? values() + row_index(turn, river, action) : nullptr;
}

void U16BlockNodeData::average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                                        std::span<const f32> defaults) {
    const i32 actions = layout_->actions;
    const i32 hands = static_cast<i32>(layout_->entry(turn, river).hands);
    check_defaults(defaults, actions);
    if (!values_) return default_strategy(out, actions, hands, defaults);
    shape_output(out, actions, hands);
    if (actions == 0 || hands == 0) return;
    prefetch_next_runout(turn, river);
    const OutputRows rows(out);
    node_kernels().normalize_u16_rows(rows.rows(), values() + row_index(turn, river, 0),
                                      padded_row(static_cast<u32>(hands)), actions, hands,
                                      defaults.data());
}

bool U16BlockNodeData::store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) {
    const i32 hands = static_cast<i32>(layout_->entry(turn, river).hands);
    if (action < 0 || action >= layout_->actions || values.count != hands) return false;
    if (!values_ && !allocate()) return false;
    u16* row = this->values() + row_index(turn, river, action);
    for (i32 h = 0; h < hands; ++h) row[h] = saturate_u16(stored_value(values, h));
    return true;
}

void U16BlockNodeData::update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                                      const std::vector<DoubleArray>& action_values, u64,
                                      const std::vector<i16>* tie_groups, f64 scale) {
    require_allocated(*this);
    const u32 hands = layout_->entry(turn, river).hands;
    update_u16_regret_rows(values() + row_index(turn, river, 0), padded_row(hands),
                           layout_->actions, static_cast<i32>(hands), node_values, action_values,
                           tie_groups, scale);
}

void U16BlockNodeData::accumulate_strategy(i32, i32, const std::vector<DoubleArray>&,
                                           const DoubleArray&, f64) {}
