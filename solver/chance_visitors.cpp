#include <cmath>
#include <cstring>
#include <utility>

#include "cards/hand_maps.h"
#include "solver/array_kernels.h"
#include "solver/capture_request.h"
#include "solver/node_visit.h"
#include "solver/solve_reset.h"
#include "solver/work_items.h"
#include "tree/tree.h"

namespace {

// Cards still to come for one matchup of two hands: 45 turn cards after the
// flop, 44 river cards after the turn. A chance node's value is the mean
// over them of its dealt values.
constexpr f64 kTurnCardsLeft = 45.0;
constexpr f64 kRiverCardsLeft = 44.0;
constexpr i32 kValuesArray = 2;
constexpr i32 kSecondValuesArray = 4;

bool evaluating(const Tree& tree) {
    return tree.pass_mode == kPassEvaluate;
}

void fill_zeros(DoubleArray& a, i32 count) {
    a.resize(count);
    if (count > 0) std::memset(a.data, 0, sizeof(f64) * static_cast<std::size_t>(count));
}

void zero_outputs(NodeWorkRecord& record, i32 hands) {
    fill_zeros(record.values, hands);
    if (evaluating(*record.tree)) fill_zeros(record.second_values, hands);
}

// A street whose data was forgotten answers evaluation passes from the values
// that the latest evaluation pass stored at its chance nodes; a capture walk
// needs nothing below a chance point that its request does not lie under.
bool answers_from_results(const Tree& tree, bool request_below) {
    if (tree.pass_mode == kPassCapture) return !request_below;
    return evaluating(tree) && (tree.flags & kTreeIncomplete) != 0;
}

bool request_below_turn_chance(const Tree& tree) {
    const EvQueryContext* request = tree.capture_request;
    if (!request || !request->node) return false;
    const u32 street = request->node->street;
    return street == kStreetRiver || (street == kStreetTurn && request->turn >= 0);
}

bool request_below_river_chance(const Tree& tree) {
    const EvQueryContext* request = tree.capture_request;
    if (!request || !request->node) return false;
    return request->node->street == kStreetRiver && request->river >= 0;
}

// A capture walk for one turn board deals only that board; a capture of
// every split deals them all.
i32 captured_turn(const Tree& tree) {
    if (tree.pass_mode != kPassCapture || !tree.capture_request) return -1;
    if (tree.capture_request->per_split_flag) return -1;
    return tree.capture_request->turn;
}

void answer_from_results(NodeWorkRecord& record, const NodeResultRecord& result) {
    const u32 t = record.tree->traverser;
    copy_double_array(record.values, result.arrays[kValuesArray + t]);
    copy_double_array(record.second_values, result.arrays[kSecondValuesArray + t]);
}

void store_results(const NodeWorkRecord& record, NodeResultRecord* result) {
    if (!result || !evaluating(*record.tree)) return;
    const u32 t = record.tree->traverser;
    copy_double_array(result->arrays[kValuesArray + t], record.values);
    copy_double_array(result->arrays[kSecondValuesArray + t], record.second_values);
}

void scale_outputs(NodeWorkRecord& record, f64 cards_left) {
    double_array_scale(record.values, 1.0 / cards_left);
    if (evaluating(*record.tree)) double_array_scale(record.second_values, 1.0 / cards_left);
}

void accumulate_result_array(NodeResultRecord& result, u32 k, const DoubleArray& source,
                             f64 weight) {
    if (result.reach_frozen) return;
    DoubleArray& target = result.arrays[k];
    if (!target.data) {
        target.count = source.count;
        target.fill_zero();
    }
    if (!source.data) return;
    double_array_add_scaled(target, source, weight);
}

// The opponent's reach arriving at the split, summed over update passes with
// weights that grow with the iteration.
void accumulate_reach(const NodeWorkRecord& record, NodeResultRecord* result) {
    const Tree& tree = *record.tree;
    if (!result || tree.pass_mode != kPassUpdate) return;
    const f64 weight = std::pow(static_cast<f64>(tree.iteration) + 1.0, g_avg_weight_exponent);
    accumulate_result_array(*result, tree.traverser ^ 1u, record.opponent_reach, weight);
}

ChanceShare& new_share(const NodeWorkRecord& record, i32 hands) {
    auto share = std::make_unique<ChanceShare>();
    copy_double_array(share->parent_reach, record.opponent_reach);
    fill_zeros(share->merged_values, hands);
    share->has_second_reach = record.second_reach.data != nullptr;
    if (share->has_second_reach) copy_double_array(share->parent_second_reach, record.second_reach);
    share->has_second_values = evaluating(*record.tree);
    if (share->has_second_values) fill_zeros(share->merged_second_values, hands);
    g_chance_shares.push_back(std::move(share));
    return *g_chance_shares.back();
}

void queue_item(const NodeWorkRecord& record, ChanceShare& share, i32 turn, i32 river) {
    auto item = std::make_unique<WorkItem>();
    item->record.tree = record.tree;
    item->record.node = record.node;
    item->record.turn = turn;
    item->record.river = river;
    item->share = &share;
    g_work_items.push_back(std::move(item));
}

// Phase 2: the merged values of the items that this node queued in phase 0,
// which stand at the cursor because both walks meet the chance nodes in the
// same order.
void take_merged_values(NodeWorkRecord& record, i32 queued) {
    ChanceShare& share = *g_work_items[static_cast<std::size_t>(g_work_cursor)]->share;
    std::swap(record.values, share.merged_values);
    if (share.has_second_values) std::swap(record.second_values, share.merged_second_values);
    g_work_cursor += queued;
}

i32 turn_items_queued(const Tree& tree) {
    if (captured_turn(tree) >= 0) return 1;
    return static_cast<i32>(tree.street_data->boards.size());
}

void queue_turn_items(NodeWorkRecord& record, i32 hands) {
    ChanceShare& share = new_share(record, hands);
    const i32 captured = captured_turn(*record.tree);
    if (captured >= 0) {
        queue_item(record, share, captured, -1);
        return;
    }
    const i32 boards = static_cast<i32>(record.tree->street_data->boards.size());
    for (i32 i = 0; i < boards; ++i) queue_item(record, share, i, -1);
}

void queue_river_items(NodeWorkRecord& record, i32 hands) {
    ChanceShare& share = new_share(record, hands);
    const BoardRecord& board = record.tree->street_data->boards[record.turn];
    const i32 runouts = static_cast<i32>(board.runouts.size());
    for (i32 j = 0; j < runouts; ++j) queue_item(record, share, record.turn, j);
}

// The river blocks of the split below a chance node, open while its runouts
// are dealt: a compressed river store decodes a split's block before any row
// of it is read and encodes it back afterwards, threading each player's
// blocks through one arena in the fixed order of the block walks; each walk
// ends the arenas' read or write cycle. The strategy sums take part only
// while they count.
class OpenSplitBlocks {
public:
    explicit OpenSplitBlocks(const NodeWorkRecord& record)
        : record_(record), with_sums_(averaging_active(*record.tree)) {
        open(BlockStore::regrets);
        if (with_sums_) open(BlockStore::strategy_sums);
    }
    ~OpenSplitBlocks() {
        close(BlockStore::regrets);
        if (with_sums_) close(BlockStore::strategy_sums);
    }
    OpenSplitBlocks(const OpenSplitBlocks&) = delete;
    OpenSplitBlocks& operator=(const OpenSplitBlocks&) = delete;

private:
    void open(BlockStore store) const { open_split_blocks(record_, store, false); }
    void close(BlockStore store) const { close_split_blocks(record_, store, false); }

    const NodeWorkRecord& record_;
    const bool with_sums_;
};

// Inside a turn item of a tree rooted on the flop the river chance node deals
// its runouts itself, one after another on the item's thread.
void deal_runouts(NodeWorkRecord& record, i32 hands) {
    zero_outputs(record, hands);
    if (!record.opponent_reach.data) return;
    const OpenSplitBlocks blocks(record);
    const BoardRecord& board = record.tree->street_data->boards[record.turn];
    const bool evaluate = evaluating(*record.tree);
    FrameLease frame;
    NodeWorkRecord& child = frame->child;
    child.tree = record.tree;
    child.node = record.node;
    child.turn = record.turn;
    for (std::size_t j = 0; j < board.runouts.size(); ++j) {
        const RiverRecord& runout = board.runouts[j];
        child.river = static_cast<i32>(j);
        gather_hand_values(runout, child.opponent_reach, record.opponent_reach);
        gather_hand_values(runout, child.second_reach, record.second_reach);
        visit_node(child);
        scatter_add_hand_values(runout, record.values, child.values);
        if (evaluate) scatter_add_hand_values(runout, record.second_values, child.second_values);
    }
}

void answer_turn_from_results(NodeWorkRecord& record, const NodeResultRecord& result, i32 hands) {
    if (record.tree->pass_phase == 2) {
        answer_from_results(record, result);
        return;
    }
    zero_outputs(record, hands);
}

}  // namespace

// Before the turn card: phase 0 queues one item per turn board, phase 2
// takes their merged values back.
void visit_turn_chance_node(NodeWorkRecord& record) {
    Tree& tree = *record.tree;
    TreeNode& node = *record.node;
    const i32 hands = static_cast<i32>(tree.street_data->hands.size());
    NodeResultRecord* result =
        node.is_decision() && !node.results.empty() ? &node.results[0] : nullptr;
    if (result && answers_from_results(tree, request_below_turn_chance(tree))) {
        answer_turn_from_results(record, *result, hands);
        return;
    }
    if (tree.pass_phase == 2) {
        take_merged_values(record, turn_items_queued(tree));
    } else {
        zero_outputs(record, hands);
    }
    if (tree.pass_phase == 0) {
        accumulate_reach(record, result);
        queue_turn_items(record, hands);
    }
    scale_outputs(record, kTurnCardsLeft);
    store_results(record, result);
}

// Before the river card: a tree rooted on the flop deals the runouts inside
// the turn item; a tree rooted on the turn or river queues one item per
// runout in phase 0 and takes their merged values back in phase 2.
void visit_river_chance_node(NodeWorkRecord& record) {
    Tree& tree = *record.tree;
    TreeNode& node = *record.node;
    const i32 hands = static_cast<i32>(tree.street_data->boards[record.turn].hands.size());
    NodeResultRecord* result = nullptr;
    if (node.is_decision() && static_cast<std::size_t>(record.turn) < node.results.size()) {
        result = &node.results[static_cast<std::size_t>(record.turn)];
    }
    if (result && answers_from_results(tree, request_below_river_chance(tree))) {
        answer_from_results(record, *result);
        return;
    }
    accumulate_reach(record, result);
    if (tree.root_street() == kStreetFlop) {
        deal_runouts(record, hands);
    } else if (tree.pass_phase == 2) {
        const i32 runouts = static_cast<i32>(tree.street_data->boards[record.turn].runouts.size());
        take_merged_values(record, runouts);
    } else {
        zero_outputs(record, hands);
        if (tree.pass_phase == 0) queue_river_items(record, hands);
    }
    scale_outputs(record, kRiverCardsLeft);
    store_results(record, result);
}
