#include "queries/ev_commands.h"

#include <cmath>
#include <string>
#include <vector>

#include "cards/hand_tables.h"
#include "queries/hand_equity_order.h"
#include "queries/hand_row.h"
#include "queries/node_ev.h"
#include "queries/node_path.h"
#include "queries/split_lookup.h"
#include "queries/value_listing.h"
#include "shell/command_reply.h"
#include "shell/output.h"
#include "shell/range_board_commands.h"
#include "shell/settings.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

namespace {

struct EvArguments {
    int player = 0;
    std::string path;
    NodeRef ref;
};

std::string root_path_of(const std::string& path) {
    return path == "r" ? "r:0" : path;
}

// A decision point needs the rows of its own split. The cards of a leaf
// follow its line instead: a showdown lies on the river in the tree whatever
// street the call closed, and before the cards that its line did not reach
// are dealt it is valued over all of them, as a chance point is.
void require_dealt_cards(const NodeRef& ref, const TreeNode& node, SplitIndex split) {
    if (ref.at_chance_point || !node.is_decision()) return;
    require_split_for(node, split);
}

EvArguments read_arguments(const Tokens& tokens) {
    EvArguments args;
    args.player = parse_player_name(tokens[1]);
    args.path = root_path_of(tokens[2]);
    args.ref = resolve_node_path(args.path);
    // "r" alone is the root; "r:" and "r::" name the point above it, which
    // has no node to value.
    if (!args.ref.node) throw_command_error("incorrect path");
    const TreeNode& node = tree_node_of(args.ref);
    require_dealt_cards(args.ref, node,
                        find_node_data(*g_tree, args.ref.turn_card, args.ref.river_card));
    return args;
}

struct EvRows {
    std::vector<f64> ev = std::vector<f64>(kHandCount, 0.0);
    std::vector<f64> weight = std::vector<f64>(kHandCount, 0.0);
};

// The values as the reports show them: with half the pot that the tree was
// built with, or 0 for every defined value after an archive that carried
// none.
EvRows shown_ev(const EvArguments& args) {
    EvRows rows;
    compute_node_ev(static_cast<u32>(args.player), args.ref.node->index, args.ref.turn_card,
                    args.ref.river_card, rows.ev.data(), rows.weight.data());
    const f64 half_pot = 0.5 * g_tree->pot;
    for (f64& ev : rows.ev) {
        if (std::isnan(ev)) continue;
        ev = g_ev_flag_from_file ? 0.0 : ev + half_pot;
    }
    return rows;
}

void print_constant_row(f64 value) {
    const std::vector<f64> row(kHandCount, value);
    print_hand_row(row.data(), kValueFormat);
}

}  // namespace

void cmd_calc_ev(const Tokens& tokens) {
    const EvRows rows = shown_ev(read_arguments(tokens));
    print_hand_row(rows.ev.data(), kValueFormat);
    print_hand_row(rows.weight.data(), kValueFormat, kNanAsZero);
    out_printf("END\n");
}

// The order follows the node's acting player; for the other player a listed
// hand may have no value and prints "nan".
void cmd_calc_ev_pp(const Tokens& tokens) {
    const EvArguments args = read_arguments(tokens);
    const EvRows rows = shown_ev(args);
    print_value_listing(equity_hand_order(args.path), rows.ev.data(), rows.weight.data());
    out_printf("END\n");
}

void cmd_calc_ev_line(const Tokens& tokens) {
    read_arguments(tokens);
    print_constant_row(0.0);
    print_constant_row(1.0);
    out_printf("END\n");
}
