#include "tree/tree_create.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tree/board_tree.h"

namespace {

void check_records(const LineRecord* records, u32 count) {
    if (count == 0) throw TreeBuildError("lines not set");
    if (records[0].parent != -1) throw TreeBuildError("invalid line");
    for (u32 i = 1; i < count; ++i) {
        const i32 parent = records[i].parent;
        if (parent < 0 || static_cast<u32>(parent) >= i) throw TreeBuildError("invalid line");
        if (records[parent].kind != kLineDecision) throw TreeBuildError("invalid line");
    }
    for (u32 i = 0; i < count; ++i) {
        const LineRecord& r = records[i];
        if (r.kind > kLineFold) throw TreeBuildError("invalid line");
        if (r.kind != kLineDecision) continue;
        if (r.player > 1 || r.street < kStreetFlop || r.street > kStreetRiver) {
            throw TreeBuildError("invalid line");
        }
    }
}

TreeNode node_of(const LineRecord* records, u32 i) {
    const LineRecord& r = records[i];
    TreeNode node;
    node.kind = r.kind;
    node.parent_index = r.parent;
    node.player = r.player;
    node.street = r.street;
    node.amount = r.amount;
    if (r.kind == kLineDecision) return node;
    // A terminal node takes its parent's player; a showdown is always on the
    // river, a fold ends its parent's street.
    const LineRecord* parent = r.parent >= 0 ? &records[r.parent] : nullptr;
    node.player = parent ? parent->player : 0;
    node.street = (r.kind == kLineFold && parent) ? parent->street : kStreetRiver;
    return node;
}

bool opens_street(const TreeNode& node, u32 street) {
    return node.street == street && (!node.parent || node.parent->street < street);
}

void add_street_openers(TreeNode& node) {
    if (opens_street(node, kStreetTurn)) {
        node.turn_locks = std::make_unique<std::mutex[]>(kTurnCardSlots);
        if (node.is_decision()) node.results.resize(1);
    }
    if (opens_street(node, kStreetRiver) && node.is_decision()) {
        node.results.resize(kTurnCardSlots);
    }
}

void record_action_counts(Tree& tree) {
    i32 max_actions = 0;
    u64 counted = 0;
    u64 total = 0;
    for (const TreeNode& node : tree.nodes) {
        const u32 c = node.action_count();
        if (c == 0) continue;
        max_actions = std::max(max_actions, static_cast<i32>(c));
        ++counted;
        total += c;
    }
    tree.size_stats.max_actions = max_actions;
    tree.size_stats.average_actions = counted ? static_cast<f64>(total) / static_cast<f64>(counted)
                                              : std::numeric_limits<f64>::quiet_NaN();
}

u64 flop_mask_of(const TreeSpec& spec) {
    u64 mask = 0;
    for (const i32 card : spec.flop) mask |= u64{1} << card;
    return mask;
}

}  // namespace

void build_action_nodes(Tree& tree, const LineRecord* records, u32 count) {
    check_records(records, count);
    // Reserved at once: children keep pointers to their parents.
    tree.nodes.reserve(count);
    for (u32 i = 0; i < count; ++i) tree.nodes.push_back(node_of(records, i));

    tree.max_amount = 0.0;
    for (u32 i = 0; i < count; ++i) {
        TreeNode& node = tree.nodes[i];
        if (node.parent_index >= 0) {
            TreeNode& parent = tree.nodes[static_cast<u32>(node.parent_index)];
            parent.children.push_back(i);
            node.parent = &parent;
        }
        if (!node.is_decision())
            tree.max_amount = std::max(tree.max_amount, std::fabs(node.amount));
    }
    for (TreeNode& node : tree.nodes) add_street_openers(node);
    record_action_counts(tree);
}

std::unique_ptr<Tree> make_tree(const TreeSpec& spec) {
    auto tree = std::make_unique<Tree>();
    tree->averaging_mode = spec.averaging_mode;
    tree->hand_grouping = spec.hand_grouping;
    build_action_nodes(*tree, spec.records, spec.record_count);
    // Every payoff and the regret scale are relative to the largest amount.
    if (!(tree->max_amount > 0.0)) throw TreeBuildError("largest payoff amount is 0");
    build_board_tree(*tree, flop_mask_of(spec), spec.turn, spec.river, spec.ranges[0],
                     spec.ranges[1], spec.isomorphism);
    tree->regret_scale = kRegretScaleBase / tree->max_amount;
    return tree;
}
