#include "queries/equity_commands.h"

#include <cmath>
#include <string>
#include <vector>

#include "cards/hand_tables.h"
#include "queries/hand_equity.h"
#include "queries/hand_equity_order.h"
#include "queries/hand_row.h"
#include "queries/node_path.h"
#include "queries/range_at_path.h"
#include "queries/value_listing.h"
#include "shell/output.h"
#include "shell/range_board_commands.h"
#include "shell/settings.h"
#include "tree/tree.h"

namespace {

struct EquityRows {
    std::vector<f64> equity = std::vector<f64>(kHandCount, 0.0);
    std::vector<f64> weight = std::vector<f64>(kHandCount, 0.0);
};

struct Cards {
    i32 turn = -1;
    i32 river = -1;
};

// The cards of the tree's own board beyond the flop: a tree rooted on the
// turn or river has a single turn board (and runout), and its equity is the
// one on that board rather than an average over cards that cannot come.
// Resolving "r" also refuses a board set since the build.
Cards root_board_cards() {
    if (!g_tree_present) return {};
    const NodeRef above_root = resolve_node_path("r");
    return Cards{above_root.turn_card, above_root.river_card};
}

// Equity from -1..1 to the share of the pot, ties counting half.
void to_pot_share(std::vector<f64>& equity) {
    for (f64& e : equity) e = 0.5 * e + 0.5;
}

// Without a tree the equity step has nothing to compute and leaves its
// zero-filled outputs alone, so no range is asked for either.
EquityRows equity_for(int player, Cards cards, const std::string& path) {
    EquityRows rows;
    if (!g_tree) {
        to_pot_share(rows.equity);
        return rows;
    }
    const std::vector<f64> own = range_at_path(player, path);
    const std::vector<f64> opponent = range_at_path(player ^ 1, path);
    hand_equity(static_cast<u32>(player), cards.turn, cards.river, own.data(), opponent.data(),
                rows.equity.data(), rows.weight.data());
    to_pot_share(rows.equity);
    return rows;
}

void print_rows(const EquityRows& rows) {
    print_hand_row(rows.equity.data(), kValueFormat);
    print_hand_row(rows.weight.data(), kValueFormat, kNanAsZero);
}

// Weighted mean of the equities over the combos where both are defined,
// summed in combo order; 0 / 0 when the player does not reach the node.
f64 weighted_total(const EquityRows& rows) {
    f64 weighted = 0.0;
    f64 total = 0.0;
    for (int c = 0; c < kHandCount; ++c) {
        if (!std::isnan(rows.equity[c])) weighted += rows.weight[c] * rows.equity[c];
        if (!std::isnan(rows.weight[c])) total += rows.weight[c];
    }
    return weighted / total;
}

std::string root_path_of(const std::string& path) {
    return path == "r" ? "r:0" : path;
}

}  // namespace

void cmd_calc_eq(const Tokens& tokens) {
    const int player = parse_player_name(tokens[1]);
    print_rows(equity_for(player, root_board_cards(), ""));
    out_printf("END\n");
}

void cmd_calc_eq_node(const Tokens& tokens) {
    const int player = parse_player_name(tokens[1]);
    const std::string path = root_path_of(tokens[2]);
    const NodeRef ref = resolve_node_path(path);
    const EquityRows rows = equity_for(player, Cards{ref.turn_card, ref.river_card}, path);
    print_rows(rows);
    out_text(number_text(weighted_total(rows), kValueFormat) + "\n");
    out_printf("END\n");
}

void cmd_calc_eq_pp(const Tokens& tokens) {
    const int player = parse_player_name(tokens[1]);
    EquityRows rows = equity_for(player, root_board_cards(), "");
    for (f64& e : rows.equity) e *= 100.0;
    print_value_listing(equity_hand_order("r:0"), rows.equity.data(), rows.weight.data());
    out_printf("END\n");
}
