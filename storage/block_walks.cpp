#include "storage/block_walks.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "storage/block_arena.h"
#include "storage/node_data.h"
#include "tree/tree.h"

namespace {

// Strategy sums count from iteration 61 on under iteration-weighted
// averaging: the first 60 iterations are left out of the average.
constexpr u32 kFirstAveragedIteration = 61;

bool sums_active(const Tree& tree) {
    if (tree.averaging_mode == 0) return false;
    return tree.averaging_mode != 1 || tree.iteration >= kFirstAveragedIteration;
}

bool needs_open(const Tree& tree, u32 player, BlockStore store, bool force) {
    if (force || store == BlockStore::regrets) return true;
    if (!sums_active(tree)) return false;
    return tree.pass_mode != kPassUpdate || player != tree.traverser;
}

bool writes_back(const Tree& tree, u32 player, BlockStore store, bool force) {
    if (force) return true;
    if (tree.pass_mode != kPassUpdate) return false;
    if (store == BlockStore::regrets) return player == tree.traverser;
    return sums_active(tree) && player != tree.traverser;
}

void walk_blocks_rec(bool open, const NodeWorkRecord& record, BlockArena* arenas[2],
                     BlockStore store, const u64 totals[2], bool force) {
    Tree& tree = *record.tree;
    const i32 block = record.turn;
    visit_river_decisions(tree, *record.node, [&](TreeNode& node) {
        NodeDataBase* data = block_store(node, store);
        if (!data) return;
        BlockArena*& arena = arenas[node.player];
        if (!open) {
            arena = data->close_block(arena, block, writes_back(tree, node.player, store, force));
            return;
        }
        if (!needs_open(tree, node.player, store, force)) return;
        arena = data->open_block(arena, block, static_cast<i64>(totals[node.player]));
    });
}

// dst = src, keeping the count of an array without data.
void copy_array(DoubleArray& dst, const DoubleArray& src) {
    if (!src.data) {
        dst.release();
        dst.count = src.count;
        return;
    }
    dst.resize(src.count);
    std::memcpy(dst.data, src.data, sizeof(f64) * static_cast<std::size_t>(src.count));
}

// out[i] = src[map[i]] for every hand of a child list of n hands.
void gather_through_map(DoubleArray& out, const DoubleArray& src, const std::vector<i16>& map,
                        i32 n) {
    if (!src.data) {
        out.release();
        out.count = n;
        return;
    }
    out.resize(n);
    for (i32 i = 0; i < n; ++i) out.data[i] = src.data[map[static_cast<std::size_t>(i)]];
}

// out = a x b hand by hand, sized to a; zeros stay without data.
void multiply_arrays(DoubleArray& out, const DoubleArray& a, const DoubleArray& b) {
    if (!a.data || !b.data) {
        out.release();
        out.count = a.count;
        return;
    }
    out.resize(a.count);
    for (i32 i = 0; i < a.count; ++i) out.data[i] = a.data[i] * b.data[i];
}

std::unique_ptr<NodeWorkRecord> child_record(const NodeWorkRecord& record, TreeNode& node, i32 turn,
                                             i32 river) {
    auto child = std::make_unique<NodeWorkRecord>();
    child->tree = record.tree;
    child->node = &node;
    child->turn = turn;
    child->river = river;
    return child;
}

bool rows_cover(const std::vector<DoubleArray>& rows, u32 n, i32 hands) {
    if (rows.size() != n) return false;
    for (const DoubleArray& row : rows) {
        if (!row.data || row.count < hands) return false;
    }
    return true;
}

// The strategy a reach walk follows: the average strategy where it is
// defined, the current one where it is not or while sums are not active.
void node_strategy(const Tree& tree, const NodeWorkRecord& record,
                   std::vector<DoubleArray>& strategy) {
    const TreeNode& node = *record.node;
    const u32 n = node.action_count();
    const std::vector<f32> uniform(n, 1.0f / static_cast<f32>(n));
    node.regrets->average_strategy(strategy, record.turn, record.river, uniform);
    if (!sums_active(tree) || !node.strategy_sums) return;

    std::vector<DoubleArray> average;
    const std::vector<f32> zeros(n, 0.0f);
    node.strategy_sums->average_strategy(average, record.turn, record.river, zeros);
    const i32 hands = strategy.empty() ? 0 : strategy[0].count;
    if (!rows_cover(average, n, hands) || !rows_cover(strategy, n, hands)) return;
    for (i32 h = 0; h < hands; ++h) {
        f64 total = 0.0;
        for (u32 a = 0; a < n; ++a) total += average[a].data[h];
        if (total == 0.0) continue;
        for (u32 a = 0; a < n; ++a) strategy[a].data[h] = average[a].data[h];
    }
}

void collect_records(NodeWorkRecord& record, u32 street, NodeWorkRecords& out);

void deal_turn_boards(NodeWorkRecord& record, u32 street, NodeWorkRecords& out) {
    const StreetData& data = *record.tree->street_data;
    for (std::size_t i = 0; i < data.boards.size(); ++i) {
        const BoardRecord& board = data.boards[i];
        const i32 hands = static_cast<i32>(board.hands.size());
        auto child = child_record(record, *record.node, static_cast<i32>(i), -1);
        gather_through_map(child->opponent_reach, record.opponent_reach, board.parent_maps[0],
                           hands);
        gather_through_map(child->second_reach, record.second_reach, board.parent_maps[0], hands);
        collect_records(*child, street, out);
    }
}

void deal_runouts(NodeWorkRecord& record, u32 street, NodeWorkRecords& out) {
    const BoardRecord& board =
        record.tree->street_data->boards[static_cast<std::size_t>(record.turn)];
    for (std::size_t j = 0; j < board.runouts.size(); ++j) {
        const RiverRecord& runout = board.runouts[j];
        const i32 hands = static_cast<i32>(runout.hands.size());
        auto child = child_record(record, *record.node, record.turn, static_cast<i32>(j));
        gather_through_map(child->opponent_reach, record.opponent_reach, runout.parent_maps[0],
                           hands);
        gather_through_map(child->second_reach, record.second_reach, runout.parent_maps[0], hands);
        collect_records(*child, street, out);
    }
}

// Follows every action of a decision node with the acting player's reach
// multiplied by the action's strategy; the other player's reach is lent to
// the child and taken back.
void follow_actions(NodeWorkRecord& record, u32 street, NodeWorkRecords& out) {
    Tree& tree = *record.tree;
    const TreeNode& node = *record.node;
    std::vector<DoubleArray> strategy;
    node_strategy(tree, record, strategy);
    for (u32 a = 0; a < node.action_count(); ++a) {
        auto child = child_record(record, tree.nodes[node.children[a]], record.turn, record.river);
        if (node.player == 0) {
            multiply_arrays(child->second_reach, record.second_reach, strategy[a]);
            child->opponent_reach = std::move(record.opponent_reach);
            collect_records(*child, street, out);
            record.opponent_reach = std::move(child->opponent_reach);
        } else {
            multiply_arrays(child->opponent_reach, record.opponent_reach, strategy[a]);
            child->second_reach = std::move(record.second_reach);
            collect_records(*child, street, out);
            record.second_reach = std::move(child->second_reach);
        }
    }
}

void collect_records(NodeWorkRecord& record, u32 street, NodeWorkRecords& out) {
    const TreeNode& node = *record.node;
    if (node.street == street && node.is_decision()) {
        auto copy = child_record(record, *record.node, record.turn, record.river);
        copy_array(copy->opponent_reach, record.opponent_reach);
        copy_array(copy->second_reach, record.second_reach);
        out.push_back(std::move(copy));
        return;
    }
    // Terminal nodes end the walk; checked before dealing, which would only
    // gather reaches for nothing.
    if (!node.is_decision()) return;
    if (node.street >= kStreetTurn && record.turn < 0) return deal_turn_boards(record, street, out);
    if (node.street == kStreetRiver && record.river < 0) return deal_runouts(record, street, out);
    follow_actions(record, street, out);
}

}  // namespace

void walk_count_values(const NodeWorkRecord& record, BlockStore store, u64 totals[2]) {
    visit_river_decisions(*record.tree, *record.node, [&](TreeNode& node) {
        const NodeDataBase* data = block_store(node, store);
        if (data) totals[node.player] += static_cast<u64>(data->value_count(record.turn));
    });
}

void walk_open_blocks(const NodeWorkRecord& record, BlockArena* arenas[2], BlockStore store,
                      const u64 totals[2], bool force) {
    walk_blocks_rec(true, record, arenas, store, totals, force);
}

void walk_close_blocks(const NodeWorkRecord& record, BlockArena* arenas[2], BlockStore store,
                       bool force) {
    walk_blocks_rec(false, record, arenas, store, nullptr, force);
}

void end_block_reads(BlockArena* const arenas[2]) {
    for (int p = 0; p < 2; ++p) {
        if (arenas[p]) arenas[p]->end_read();
    }
}

void end_block_writes(BlockArena* const arenas[2]) {
    for (int p = 0; p < 2; ++p) {
        if (arenas[p]) arenas[p]->end_write();
    }
}

void open_split_blocks(const NodeWorkRecord& record, BlockStore store, bool force) {
    u64 totals[2] = {0, 0};
    walk_count_values(record, store, totals);
    BlockArena* arenas[2] = {nullptr, nullptr};
    walk_open_blocks(record, arenas, store, totals, force);
    end_block_reads(arenas);
}

void close_split_blocks(const NodeWorkRecord& record, BlockStore store, bool force) {
    BlockArena* arenas[2] = {nullptr, nullptr};
    walk_close_blocks(record, arenas, store, force);
    end_block_writes(arenas);
}

void allocate_node_work_records(NodeWorkRecord& record, u32 street, NodeWorkRecords& out) {
    collect_records(record, street, out);
}

namespace {

void copy_weights(DoubleArray& out, const std::vector<f64>& weights) {
    out.resize(static_cast<i32>(weights.size()));
    std::copy(weights.begin(), weights.end(), out.data);
}

}  // namespace

NodeWorkRecord root_work_record(Tree& tree) {
    NodeWorkRecord root;
    root.tree = &tree;
    root.node = &tree.nodes[0];
    root.turn = tree.root_board_index;
    root.river = tree.root_river_index;
    copy_weights(root.opponent_reach, tree.root_weights.weights[1]);
    copy_weights(root.second_reach, tree.root_weights.weights[0]);
    return root;
}

NodeWorkRecords street_work_records(Tree& tree, u32 street) {
    NodeWorkRecord root = root_work_record(tree);
    NodeWorkRecords records;
    allocate_node_work_records(root, street, records);
    return records;
}
