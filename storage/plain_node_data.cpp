#include "storage/plain_node_data.h"

#include <stdexcept>

#include "storage/node_kernels.h"
#include "storage/row_ops.h"
#include "tree/archive_reader.h"

PlainNodeData::PlainNodeData(i32 rows, i32 hands)
    : rows_(rows), hands_(hands), rows_data_(static_cast<std::size_t>(rows)) {}

// A refused row is answered with false, not the fatal exit of
// `FloatArray::resize`: the solver start reports it as "out of memory".
bool PlainNodeData::allocate() {
    for (FloatArray& row : rows_data_) {
        if (!row.try_resize(hands_)) return false;
        row.fill_zero();
    }
    allocated_ = true;
    return true;
}

void PlainNodeData::require_allocated() const {
    if (!allocated_) throw std::logic_error("node data used before allocate");
}

void PlainNodeData::average_strategy(std::vector<DoubleArray>& out, i32, i32,
                                     std::span<const f32> defaults) {
    check_defaults(defaults, rows_);
    const i32 hands = allocated_ ? hands_ : 0;
    shape_output(out, rows_, hands);
    if (rows_ == 0 || hands == 0) return;
    normalize_float_rows(out, rows_, hands, defaults,
                         [this](i32 a) -> const f32* { return rows_data_[a].data; });
}

bool PlainNodeData::store_row(i32, i32, i32 action, const DoubleArray& values) {
    if (action < 0 || action >= rows_ || values.count != hands_) return false;
    if (!allocated_ && !allocate()) return false;
    f32* row = rows_data_[action].data;
    for (i32 h = 0; h < hands_; ++h) row[h] = static_cast<f32>(stored_value(values, h));
    return true;
}

void PlainNodeData::update_regrets(i32, i32, const DoubleArray& node_values,
                                   const std::vector<DoubleArray>& action_values, u64,
                                   const std::vector<i16>*, f64) {
    require_allocated();
    check_update_args(node_values, action_values, rows_, hands_);
    const NodeKernels& kernels = node_kernels();
    for (i32 a = 0; a < rows_; ++a) {
        kernels.update_regrets_f32(rows_data_[a].data, action_values[a].data, node_values.data,
                                   node_values.count);
    }
}

void PlainNodeData::accumulate_strategy(i32, i32, const std::vector<DoubleArray>& strategy,
                                        const DoubleArray& reach, f64 weight) {
    if (!(weight > 0.0) || !reach.data) return;
    require_allocated();
    check_accumulate_args(strategy, reach, rows_, hands_);
    const NodeKernels& kernels = node_kernels();
    for (i32 a = 0; a < rows_; ++a) {
        const DoubleArray& s = strategy[a];
        if (!s.data || s.count <= 0) continue;
        kernels.accumulate_f32(rows_data_[a].data, s.data, reach.data, s.count, weight);
    }
}

i64 PlainNodeData::value_count(i32) const {
    i64 total = 0;
    for (const FloatArray& row : rows_data_) total += row.count;
    return total;
}

BlockEntry& PlainNodeData::entry(i32, i32) {
    return entry_;
}

void PlainNodeData::load(Reader& in) {
    require_allocated();
    entry_.flags = read_u32(in);
    for (FloatArray& row : rows_data_) {
        in.read(row.data, static_cast<u64>(hands_) * sizeof(f32));
        if (!finite_non_negative(row.data, hands_)) throw_invalid_file();
    }
}

u64 PlainNodeData::min_record_bytes(i32) const {
    return sizeof(u32) + sizeof(f32) * static_cast<u64>(rows_) * static_cast<u64>(hands_);
}

CompositeNodeData::CompositeNodeData(i32 rows, std::span<const u32> board_hands) {
    elements_.reserve(board_hands.size());
    for (const u32 hands : board_hands) elements_.emplace_back(rows, static_cast<i32>(hands));
}

bool CompositeNodeData::allocate() {
    bool all = true;
    for (PlainNodeData& e : elements_) all = e.allocate() && all;
    return all;
}

void CompositeNodeData::average_strategy(std::vector<DoubleArray>& out, i32 turn, i32,
                                         std::span<const f32> defaults) {
    elements_[turn].average_strategy(out, -1, -1, defaults);
}

bool CompositeNodeData::store_row(i32 turn, i32, i32 action, const DoubleArray& values) {
    if (turn < 0 || turn >= boards()) return false;
    return elements_[turn].store_row(-1, -1, action, values);
}

void CompositeNodeData::update_regrets(i32 turn, i32, const DoubleArray& node_values,
                                       const std::vector<DoubleArray>& action_values, u64 reserved,
                                       const std::vector<i16>* tie_groups, f64 scale) {
    elements_[turn].update_regrets(-1, -1, node_values, action_values, reserved, tie_groups, scale);
}

void CompositeNodeData::accumulate_strategy(i32 turn, i32, const std::vector<DoubleArray>& strategy,
                                            const DoubleArray& reach, f64 weight) {
    if (!(weight > 0.0)) return;
    elements_[turn].accumulate_strategy(-1, -1, strategy, reach, weight);
}

i64 CompositeNodeData::value_count(i32 block) const {
    i64 total = 0;
    for (const PlainNodeData& e : elements_) total += e.value_count(block);
    return total;
}

BlockEntry& CompositeNodeData::entry(i32 turn, i32) {
    return elements_[turn].entry(-1, -1);
}

void CompositeNodeData::load(Reader& in) {
    for (PlainNodeData& e : elements_) e.load(in);
}

u64 CompositeNodeData::min_record_bytes(i32 version) const {
    u64 total = 0;
    for (const PlainNodeData& e : elements_) total += e.min_record_bytes(version);
    return total;
}
