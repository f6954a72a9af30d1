#include "queries/strategy_commands.h"

#include <string>
#include <vector>

#include "cards/hand_tables.h"
#include "queries/hand_equity_order.h"
#include "queries/hand_row.h"
#include "queries/node_display.h"
#include "queries/node_path.h"
#include "queries/range_at_path.h"
#include "queries/strategy_at_node.h"
#include "shell/command_reply.h"
#include "shell/output.h"
#include "shell/range_board_commands.h"
#include "tree/line_tree.h"

namespace {

constexpr int kHandTextStride = 5;  // four characters and a blank per hand
constexpr int kHandTextWidth = 4;
constexpr const char* kListingFormat = "%.6f";

// One combo-ordered row per action of the decision point, in map order.
std::vector<std::vector<f64>> strategy_of_point(const NodeRef& ref) {
    return compute_point_strategy(ref.node->index, ref.turn_card, ref.river_card);
}

std::string listing_line(int hand, const std::vector<std::vector<f64>>& rows) {
    std::string line(g_hand_text + kHandTextStride * hand, kHandTextWidth);
    line += ": ";
    const int combo = g_protocol_to_combo[hand];
    for (const std::vector<f64>& row : rows) line += "  " + number_text(row[combo], kListingFormat);
    line += '\n';
    return line;
}

std::string action_shares(const std::string& path, const NodeRef& ref, f64 reach) {
    std::string text;
    const int player = static_cast<int>(ref.node->player);
    const i32 actions = static_cast<i32>(ref.node->children.size());
    for (i32 j = 0; j < actions; ++j) {
        const std::string element = child_action_text(ref, j);
        const f64 share = path_reach_probability(player, path + ":" + element) / reach;
        if (j > 0) text += ' ';
        text += element + " " + number_text(share, kStrategyFormat);
    }
    return text;
}

}  // namespace

void cmd_show_strategy(const Tokens& tokens) {
    const NodeRef ref = resolve_node_path(tokens[1]);
    require_decision_point(ref);
    for (const std::vector<f64>& row : strategy_of_point(ref)) {
        print_hand_row(row.data(), kStrategyFormat);
    }
    out_printf("END\n");
}

void cmd_show_strategy_pp(const Tokens& tokens) {
    const NodeRef ref = resolve_node_path(tokens[1]);
    require_decision_point(ref);
    const std::vector<std::vector<f64>> rows = strategy_of_point(ref);
    std::string listing;
    for (const i32 hand : equity_hand_order(tokens[1])) listing += listing_line(hand, rows);
    out_text(listing);
    out_printf("END\n");
}

void cmd_show_range(const Tokens& tokens) {
    if (tokens.size() < 2) throw_argument_error();
    const int player = parse_player_name(tokens[1]);
    const std::string path = tokens.size() >= 3 ? tokens[2] : std::string();
    const std::vector<f64> range = range_at_path(player, path);
    print_hand_row(range.data(), kStrategyFormat, kNanAsZero);
}

void cmd_show_probs(const Tokens& tokens) {
    const std::string& path = tokens[1];
    const f64 reach[2] = {path_reach_probability(0, path), path_reach_probability(1, path)};
    const NodeRef ref = resolve_node_path(path);
    std::string shares;
    if (is_decision_point(ref) && reach[ref.node->player] > 0.0) {
        shares = action_shares(path, ref, reach[ref.node->player]);
    }
    out_text("OOP " + number_text(reach[0], kStrategyFormat) + " IP " +
             number_text(reach[1], kStrategyFormat) + " " + shares + "\n");
}
