#include "queries/node_display.h"

#include "cards/card_text.h"
#include "queries/solver_shared_state.h"
#include "queries/split_lookup.h"
#include "shell/command_reply.h"
#include "shell/output.h"
#include "shell/range_board_commands.h"
#include "shell/settings.h"
#include "storage/node_data.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

namespace {

// Cards that a chance point can deal: 49 after a flop, 48 after a turn.
constexpr int kTurnChildren = 49;
constexpr int kRiverChildren = 48;

int children_count(const NodeRef& ref) {
    if (!ref.node) return 1;
    if (!ref.at_chance_point) return static_cast<int>(ref.node->children.size());
    return line_node_street(*ref.node) == static_cast<i32>(kStreetTurn) ? kTurnChildren
                                                                        : kRiverChildren;
}

// A chance point has no flags of its own: its line has no blank after the
// colon.
std::string flags_line(const NodeRef& ref) {
    if (!ref.node) return "flags: " + tree_flags_text(tree_flags_now(*g_tree)) + "\n";
    if (ref.at_chance_point) return "flags:\n";
    return "flags: " + node_flags_text(ref.node->index, ref.turn_card, ref.river_card) + "\n";
}

}  // namespace

std::string node_kind_name(const NodeRef& ref) {
    if (!ref.node) return "ROOT";
    if (ref.at_chance_point) return "SPLIT_NODE";
    if (ref.node->children.empty()) return "END_NODE";
    return ref.node->player != 0 ? "IP_DEC" : "OOP_DEC";
}

bool is_decision_point(const NodeRef& ref) {
    return ref.node && !ref.at_chance_point && !ref.node->children.empty();
}

void require_decision_point(const NodeRef& ref) {
    if (!is_decision_point(ref)) throw_command_error("incorrect path");
}

void print_board_line(const NodeRef& ref) {
    std::string line = cards_to_text(g_flop_mask);
    for (const i32 card : {ref.turn_card, ref.river_card}) {
        if (card < 0) continue;
        line += ' ';
        line += card_text(card);
    }
    line += '\n';
    out_text(line);
}

void print_node_info(const std::string& path, const NodeRef& ref) {
    out_text(path + "\n");
    out_text(node_kind_name(ref) + "\n");
    print_board_line(ref);
    const f64 oop = ref.node ? ref.node->committed[0] : 0.0;
    const f64 ip = ref.node ? ref.node->committed[1] : 0.0;
    out_printf("%g %g %g\n", oop, ip, g_pot);
    out_printf("%d children\n", children_count(ref));
    out_text(flags_line(ref));
}

std::string node_flags_text(i32 index, i32 turn_card, i32 river_card) {
    TreeNode& node = g_tree->nodes[static_cast<std::size_t>(index)];
    if (!node.regrets) return "";
    const SplitIndex split = find_node_data(*g_tree, turn_card, river_card);
    require_split_for(node, split);
    const u32 flags = node.regrets->entry(split.board, split.river).flags;
    return (flags & k_entry_locked) ? "LOCKED" : "";
}
