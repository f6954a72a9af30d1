#include "solver/array_kernels.h"
#include "solver/node_visit.h"
#include "solver/terminal_payoffs.h"
#include "tree/tree.h"

namespace {

const RiverRecord& runout_of(const NodeWorkRecord& record) {
    const BoardRecord& board = record.tree->street_data->boards[record.turn];
    return board.runouts[record.river];
}

// Card pairs of the hand list in play before the river: the turn board's
// once the turn is dealt, else the flop's.
const std::vector<u16>& early_card_pairs(const NodeWorkRecord& record) {
    const StreetData& street = *record.tree->street_data;
    if (record.turn < 0) return street.card_pairs;
    return street.boards[record.turn].card_pairs;
}

void fold_values(NodeWorkRecord& record, f64 payoff) {
    if (record.river >= 0) {
        terminal_fold_values(runout_of(record), record.values, record.opponent_reach, payoff);
        return;
    }
    const std::vector<u16>& pairs = early_card_pairs(record);
    if (!record.opponent_reach.data) {
        double_array_set_empty(record.values, static_cast<i32>(pairs.size()));
        return;
    }
    board_fold_values(pairs, record.values, record.opponent_reach, payoff);
}

}  // namespace

f64 terminal_payoff(const Tree& tree, const TreeNode& node) {
    if (node.kind == kNodeShowdown) return node.amount;
    if (node.kind != kNodeFold) return 0.0;
    return node.player == tree.traverser ? -node.amount : node.amount;
}

bool ends_in_call_and_fold(const Tree& tree, const TreeNode& node) {
    const std::size_t n = node.children.size();
    if (n < 2) return false;
    const TreeNode& call = tree.nodes[node.children[n - 2]];
    const TreeNode& fold = tree.nodes[node.children[n - 1]];
    return call.kind == kNodeShowdown && fold.kind == kNodeFold;
}

// A showdown always lies on the river with both cards dealt.
void visit_terminal_node(NodeWorkRecord& record) {
    const TreeNode& node = *record.node;
    const f64 payoff = terminal_payoff(*record.tree, node);
    if (node.kind == kNodeShowdown) {
        terminal_showdown_values(runout_of(record), record.values, record.opponent_reach, payoff);
    } else {
        fold_values(record, payoff);
    }
    if (record.tree->pass_mode == kPassEvaluate)
        copy_double_array(record.second_values, record.values);
}
