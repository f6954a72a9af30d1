// The tree walk of a pass: `visit_node` looks at a record's node and at the
// cards dealt and hands it to one of five visitors (terminal, traverser,
// opponent, turn chance, river chance). Every pass, every work item and every
// recursion of the visitors goes through `visit_node`. The visitors read the
// pass state (traverser, mode, phase) from the record's tree.
//
// Records handed to a visitor may carry stale buffers in their values and
// second values (the walk reuses them): a visitor writes its outputs in full
// and never reads them before writing. Second values are written in
// evaluation mode only; readers decide by the mode, not by their content.
#pragma once

#include <array>
#include <vector>

#include "cards/hand_arrays.h"
#include "platform/int_types.h"
#include "storage/block_walks.h"

struct Tree;
struct TreeNode;

void visit_node(NodeWorkRecord& record);

void visit_terminal_node(NodeWorkRecord& record);
void visit_traverser_node(NodeWorkRecord& record);
void visit_opponent_node(NodeWorkRecord& record);
void visit_turn_chance_node(NodeWorkRecord& record);
void visit_river_chance_node(NodeWorkRecord& record);

// The traverser's payoff at a terminal node: the amount at a showdown, the
// amount won or (when the traverser folded) lost at a fold, 0 otherwise.
f64 terminal_payoff(const Tree& tree, const TreeNode& node);

// Whether the last two children of a river node are a showdown and a fold,
// in that order: the pair that the river shortcuts value in one sweep.
bool ends_in_call_and_fold(const Tree& tree, const TreeNode& node);

// Fills `rows` with the strategy that the pass plays at a decision node:
// the current strategy (0.9 / 0.1 default) while updating, the average
// strategy while evaluating once averaging has begun, else the current
// strategy with a uniform default. `sums` is scratch for the average.
void load_node_strategy(const NodeWorkRecord& record, std::vector<DoubleArray>& rows,
                        std::vector<DoubleArray>& sums, std::vector<f32>& defaults);

// Whether the strategy sums count yet: averaging on, and past iteration 60
// under iteration-weighted averaging.
bool averaging_active(const Tree& tree);

// Whether bit 0 of the regret store's entry for the record's split is set.
bool node_locked(const NodeWorkRecord& record);

// dst = src, keeping an empty source empty with its count.
void copy_double_array(DoubleArray& dst, const DoubleArray& src);

// Working arrays of one node visit. Each thread keeps one frame per depth of
// the walk, so that node after node reuses the same buffers: a buffer is
// only replaced when the hand count changes (a new runout) or a value turns
// empty. Row vectors are kept per action count because the stores shape
// their output to exactly the node's actions.
struct VisitFrame {
    static constexpr u32 kRowSets = 16;

    NodeWorkRecord child;
    std::array<std::vector<DoubleArray>, kRowSets> rows;
    std::array<std::vector<DoubleArray>, kRowSets> sums;
    std::vector<DoubleArray> action_values;
    std::vector<f32> defaults;

    std::vector<DoubleArray>& rows_for(u32 actions) { return rows[set_of(actions)]; }
    std::vector<DoubleArray>& sums_for(u32 actions) { return sums[set_of(actions)]; }
    // At least `actions` arrays; the stores read only the first `actions`.
    std::vector<DoubleArray>& action_values_for(u32 actions);

private:
    static u32 set_of(u32 actions) { return actions < kRowSets ? actions : kRowSets - 1; }
};

// The calling thread's frame at the next depth, for the lifetime of the lease.
class FrameLease {
public:
    FrameLease();
    ~FrameLease();
    FrameLease(const FrameLease&) = delete;
    FrameLease& operator=(const FrameLease&) = delete;

    VisitFrame& operator*() const { return *frame_; }
    VisitFrame* operator->() const { return frame_; }

private:
    VisitFrame* frame_;
};
