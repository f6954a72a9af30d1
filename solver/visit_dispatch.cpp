#include <cstring>
#include <memory>

#include "solver/array_kernels.h"
#include "solver/capture_step.h"
#include "solver/node_visit.h"
#include "tree/tree.h"

namespace {

// Frames of the calling thread, one per depth of the walk in progress. They
// live as long as the thread: the solver thread, the OpenMP team and the pool
// workers keep theirs from pass to pass.
thread_local std::vector<std::unique_ptr<VisitFrame>> t_frames;
thread_local std::size_t t_depth = 0;

}  // namespace

FrameLease::FrameLease() {
    if (t_depth == t_frames.size()) t_frames.push_back(std::make_unique<VisitFrame>());
    frame_ = t_frames[t_depth++].get();
}

FrameLease::~FrameLease() {
    --t_depth;
}

std::vector<DoubleArray>& VisitFrame::action_values_for(u32 actions) {
    if (action_values.size() < actions) action_values.resize(actions);
    return action_values;
}

void copy_double_array(DoubleArray& dst, const DoubleArray& src) {
    if (!src.data) {
        double_array_set_empty(dst, src.count);
        return;
    }
    dst.resize(src.count);
    std::memcpy(dst.data, src.data, sizeof(f64) * static_cast<std::size_t>(src.count));
}

namespace {

i32 hand_list_size(const NodeWorkRecord& record) {
    const StreetData& street = *record.tree->street_data;
    if (record.turn < 0) return static_cast<i32>(street.hands.size());
    const BoardRecord& board = street.boards[static_cast<std::size_t>(record.turn)];
    if (record.river < 0) return static_cast<i32>(board.hands.size());
    return static_cast<i32>(board.runouts[static_cast<std::size_t>(record.river)].hands.size());
}

// Where the opponent never arrives an update pass has nothing to do: every
// value below is zero, no regret moves (the traverser's values stay empty)
// and no strategy sum grows (the reach is empty), so the subtree is skipped.
bool unreached_update(const NodeWorkRecord& record) {
    return !record.opponent_reach.data && record.tree->pass_mode == kPassUpdate;
}

// A node whose street is later than its parent's opens that street: the same
// node is visited first as a chance node, before its card is dealt, and then
// once per dealt card as an action or terminal node. Flop nodes never go to a
// chance visitor, whatever the record's card indices.
void dispatch(NodeWorkRecord& record) {
    const TreeNode& node = *record.node;
    if (node.street >= kStreetTurn) {
        if (record.turn < 0) return visit_turn_chance_node(record);
        if (node.street == kStreetRiver && record.river < 0) {
            return visit_river_chance_node(record);
        }
    }
    if (!node.is_decision()) return visit_terminal_node(record);
    if (node.player == record.tree->traverser) return visit_traverser_node(record);
    visit_opponent_node(record);
}

}  // namespace

void visit_node(NodeWorkRecord& record) {
    if (unreached_update(record)) {
        double_array_set_empty(record.values, hand_list_size(record));
        return;
    }
    dispatch(record);
    capture_step(record);
}
