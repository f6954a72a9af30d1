#include "queries/node_path.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "cards/card_text.h"
#include "queries/split_lookup.h"
#include "shell/command_reply.h"
#include "shell/number_reading.h"
#include "shell/settings.h"
#include "shell/tokenizer.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

namespace {

// Streets as the line tree counts them: signed, and 4 after a closed river.
constexpr i32 kFlop = static_cast<i32>(kStreetFlop);
constexpr i32 kTurn = static_cast<i32>(kStreetTurn);
constexpr i32 kRiver = static_cast<i32>(kStreetRiver);

[[noreturn]] void fail_path() {
    throw_command_error("incorrect path");
}

[[noreturn]] void fail_tree() {
    throw_command_error("missing/incorrect tree");
}

// The board that the settings hold must still be the one the tree was built
// on; otherwise cards of the path would select rows of other boards, or none.
void require_board_of_tree(const Tree& tree) {
    const i32 root_street = static_cast<i32>(tree.root_street());
    const bool turn_expected = root_street >= kTurn;
    const bool river_expected = root_street == kRiver;
    if (g_flop_mask != tree.board_mask || root_street != g_root_street) fail_tree();
    if ((g_turn_mask != 0) != turn_expected || (g_river_mask != 0) != river_expected) fail_tree();
    const SplitIndex root =
        find_node_data(tree, lowest_card(g_turn_mask), lowest_card(g_river_mask));
    if (root.board != tree.root_board_index || root.river != tree.root_river_index) fail_tree();
}

void step_to(NodeRef& ref, f64 key) {
    LineTreeNode* child = ref.node->child(key);
    if (!child) fail_path();
    require_built(*child);
    ref.node = child;
}

// The leading-number rule; a text that names no finite amount (nan, inf)
// cannot be a key of the line tree.
f64 bet_key(const std::string& piece) {
    const char* start = piece.c_str() + 1;
    char* end = nullptr;
    errno = 0;
    const f64 key = std::strtod(start, &end);
    if (end == start || errno == ERANGE) throw InvalidNumber();
    if (!std::isfinite(key)) fail_path();
    return key;
}

// A check or call that closes the flop or the turn leaves the next street's
// card to be named; one that closes the river ends the hand.
void step_check_or_call(NodeRef& ref) {
    const i32 street_before = line_node_street(*ref.node);
    step_to(ref, ref.node->amount);
    const i32 street_after = line_node_street(*ref.node);
    ref.at_chance_point = street_after > street_before && street_after <= kRiver;
}

void name_card(NodeRef& ref, const std::string& piece) {
    if (piece.size() != 2) fail_path();
    const int card = parse_card(piece);
    if (card < 0) throw CommandError("ERROR: invalid card\n");
    if ((g_flop_mask & card_bit(card)) || card == ref.turn_card) fail_path();
    const NodeRef up = parent_node_ref(ref);
    if (!up.node) fail_path();
    const i32 up_street = line_node_street(*up.node);
    const i32 street = line_node_street(*ref.node);
    i32* slot = nullptr;
    if (up_street == kFlop && street == kTurn) slot = &ref.turn_card;
    if (up_street == kTurn && street == kRiver) slot = &ref.river_card;
    if (!slot || *slot >= 0) fail_path();
    *slot = card;
}

void apply_piece(NodeRef& ref, const std::string& piece) {
    ref.at_chance_point = false;
    switch (piece[0]) {
        case 'b':
            step_to(ref, bet_key(piece));
            return;
        case 'c':
            step_check_or_call(ref);
            return;
        case 'f':
            step_to(ref, kFoldKey);
            return;
        default:
            name_card(ref, piece);
    }
}

// Node data of a street is only reachable through that street's card, so a
// point on the turn or river needs the cards up to its own street; a chance
// point needs those of the street it closed.
void require_named_cards(const NodeRef& ref) {
    if (!ref.node) return;
    i32 street = std::min(line_node_street(*ref.node), kRiver);
    if (ref.at_chance_point) --street;
    if (street >= kTurn && ref.turn_card < 0) fail_path();
    if (street >= kRiver && ref.river_card < 0) fail_path();
}

// The element of a bet: "b" and the amount in the shortest plain decimal
// text that reads back to the same key (b50, b33.7 rather than
// b33.700000000000003), so that the element resolves to its child.
std::string bet_text(f64 key) {
    // Any double fits: at most 309 digits before the point, or at most 17
    // significant digits that end 324 places after it.
    char buffer[400] = {'b'};
    const std::to_chars_result end =
        std::to_chars(buffer + 1, buffer + sizeof buffer, key, std::chars_format::fixed);
    return std::string(buffer, end.ptr);
}

}  // namespace

// A line node must be the tree node its index names, with the same children
// in the same order: lines edited after the build are not in the tree.
void require_built(const LineTreeNode& line) {
    const std::vector<TreeNode>& nodes = g_tree->nodes;
    if (line.index < 0 || static_cast<std::size_t>(line.index) >= nodes.size()) fail_tree();
    const TreeNode& node = nodes[static_cast<std::size_t>(line.index)];
    if (node.children.size() != line.children.size()) fail_tree();
    std::size_t position = 0;
    for (const auto& entry : line.children) {
        if (entry.second->index != static_cast<i32>(node.children[position++])) fail_tree();
    }
}

i32 line_node_street(const LineTreeNode& node) {
    return g_root_street + node.street_offset;
}

NodeRef resolve_node_path(const std::string& path) {
    if (!g_tree_present || !g_tree) fail_tree();
    require_board_of_tree(*g_tree);
    const std::vector<std::string> pieces = split_string(path, ':');
    if (pieces.empty() || pieces[0] != "r") fail_path();
    NodeRef ref{nullptr, lowest_card(g_turn_mask), lowest_card(g_river_mask), false};
    if (pieces.size() == 1) return ref;
    if (pieces[1] != "0") fail_path();
    ref.node = g_line_tree.get();
    require_built(*ref.node);
    for (std::size_t i = 2; i < pieces.size(); ++i) apply_piece(ref, pieces[i]);
    require_named_cards(ref);
    return ref;
}

NodeRef parent_node_ref(const NodeRef& ref) {
    if (!ref.node) return ref;
    NodeRef up;
    up.node = ref.node->parent;
    if (!up.node) return up;
    const i32 street = line_node_street(*up.node);
    up.turn_card = street >= kTurn ? ref.turn_card : -1;
    up.river_card = street >= kRiver ? ref.river_card : -1;
    return up;
}

std::string child_action_text(const NodeRef& ref, i32 position) {
    const LineTreeNode::Children& children = ref.node->children;
    if (position < 0 || static_cast<std::size_t>(position) >= children.size()) return "";
    const f64 key = std::next(children.begin(), position)->first;
    if (key > ref.node->amount) return bet_text(key);
    if (key < 0.0) return "f";
    return "c";
}

i32 child_position(const LineTreeNode& parent, const LineTreeNode* child) {
    i32 position = 0;
    for (const auto& entry : parent.children) {
        if (entry.second.get() == child) return position;
        ++position;
    }
    return -1;
}

TreeNode& tree_node_of(const NodeRef& ref) {
    return g_tree->nodes[static_cast<std::size_t>(ref.node->index)];
}
