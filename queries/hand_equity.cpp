#include "queries/hand_equity.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "cards/hand_arrays.h"
#include "cards/hand_maps.h"
#include "cards/hand_tables.h"
#include "cards/suit_isomorphism.h"
#include "queries/solver_shared_state.h"
#include "queries/split_lookup.h"
#include "solver/array_kernels.h"
#include "solver/terminal_payoffs.h"
#include "storage/block_walks.h"
#include "storage/node_data_factory.h"
#include "tree/tree.h"

namespace {

using ComboValues = std::array<f64, kHandCount>;

constexpr f64 kUndefined = std::numeric_limits<f64>::quiet_NaN();
// Turn cards left for one matchup of two hands after a flop.
constexpr f64 kTurnCardsLeft = 45.0;

u64 card_bit(i32 card) {
    return card < 0 ? 0 : u64{1} << card;
}

// The level of the board structure that a split names: its hand list, its
// combo map and the runouts that each compatible pair of hands still has.
struct Level {
    const std::vector<u64>* hands;
    const i16* combo_map;
    f64 runouts;
};

Level level_of(const Tree& tree, SplitIndex split) {
    const StreetData& street = *tree.street_data;
    const i16* map = split_level(tree, split).combo_map;
    if (split.board < 0) return {&street.hands, map, kFlopRunouts};
    const BoardRecord& board = street.boards[static_cast<std::size_t>(split.board)];
    if (split.river < 0) return {&board.hands, map, kTurnRunouts};
    return {&board.runouts[static_cast<std::size_t>(split.river)].hands, map, 1.0};
}

// The board of a query in actual suits, as the suit permutations take it.
struct BoardMasks {
    u64 flop;
    u64 turn;
    u64 river;
};

// Combo-ordered values into canonical suits (the order of the tree's records)
// when the tree is isomorphic, else as they are.
void to_tree_suits(const Tree& tree, const BoardMasks& board, const f64* in, f64* out) {
    if (!tree_is_isomorphic(tree)) {
        std::copy(in, in + kHandCount, out);
        return;
    }
    permute_combos_by_suit(board.flop, board.turn, board.river, out, in, 0);
}

void to_actual_suits(const Tree& tree, const BoardMasks& board, const f64* in, f64* out) {
    if (!tree_is_isomorphic(tree)) {
        std::copy(in, in + kHandCount, out);
        return;
    }
    permute_combos_by_suit(board.flop, board.turn, board.river, out, in, 1);
}

// Every position of a level's list belongs to exactly one combo, so the
// projection writes the whole array.
void project_onto_level(DoubleArray& out, const f64* combos, const Level& level) {
    out.resize(static_cast<i32>(level.hands->size()));
    out.fill_zero();
    permute_hands(out, combos, level.combo_map);
}

// List values back to combos in actual suits, undefined where the combo is
// off the list or outside the tree's range of the player.
void level_to_combos(const Tree& tree, const BoardMasks& board, const Level& level,
                     const DoubleArray& values, u32 player, f64* out) {
    ComboValues gathered;
    gather_combos(gathered.data(), values, level.combo_map);
    to_actual_suits(tree, board, gathered.data(), out);
    const std::vector<f64>& range = tree.ranges[player];
    for (i32 c = 0; c < kHandCount; ++c) {
        if (range[static_cast<std::size_t>(c)] == 0.0) out[c] = kUndefined;
    }
}

void river_equity(NodeWorkRecord& record) {
    const BoardRecord& board =
        record.tree->street_data->boards[static_cast<std::size_t>(record.turn)];
    const RiverRecord& runout = board.runouts[static_cast<std::size_t>(record.river)];
    terminal_showdown_values(runout, record.values, record.opponent_reach, 1.0);
}

void zero_values(NodeWorkRecord& record, std::size_t hand_count) {
    record.values.resize(static_cast<i32>(hand_count));
    record.values.fill_zero();
}

void turn_equity(NodeWorkRecord& record) {
    const BoardRecord& board =
        record.tree->street_data->boards[static_cast<std::size_t>(record.turn)];
    zero_values(record, board.hands.size());
    for (std::size_t r = 0; r < board.runouts.size(); ++r) {
        const RiverRecord& runout = board.runouts[r];
        NodeWorkRecord child;
        child.tree = record.tree;
        child.turn = record.turn;
        child.river = static_cast<i32>(r);
        gather_hand_values(runout, child.opponent_reach, record.opponent_reach);
        equity_subtree(child);
        scatter_add_hand_values(runout, record.values, child.values);
    }
    double_array_scale(record.values, 1.0 / kTurnRunouts);
}

void flop_equity(NodeWorkRecord& record) {
    const StreetData& street = *record.tree->street_data;
    zero_values(record, street.hands.size());
    for (std::size_t b = 0; b < street.boards.size(); ++b) {
        const BoardRecord& board = street.boards[b];
        NodeWorkRecord child;
        child.tree = record.tree;
        child.turn = static_cast<i32>(b);
        gather_board_values(board, child.opponent_reach, record.opponent_reach);
        equity_subtree(child);
        for (const std::vector<i16>& map : board.parent_maps) {
            scatter_add_map(record.values, child.values, map);
        }
    }
    double_array_scale(record.values, 1.0 / kTurnCardsLeft);
}

}  // namespace

void equity_subtree(NodeWorkRecord& record) {
    if (record.river >= 0) return river_equity(record);
    if (record.turn >= 0) return turn_equity(record);
    flop_equity(record);
}

void hand_equity(u32 player, i32 turn_card, i32 river_card, const f64* own_range,
                 const f64* opponent_range, f64* equity, f64* weight) {
    if (!g_tree) return;
    Tree& tree = *g_tree;
    // The equity reads no node data; the stores are prepared here because
    // every query that touches the tree does so first.
    prepare_node_stores(tree);
    const BoardMasks board{tree.board_mask, card_bit(turn_card), card_bit(river_card)};
    const SplitIndex split = find_node_data(tree, turn_card, river_card);
    const Level level = level_of(tree, split);

    ComboValues own;
    ComboValues opponent;
    to_tree_suits(tree, board, own_range, own.data());
    to_tree_suits(tree, board, opponent_range, opponent.data());

    NodeWorkRecord record;
    record.tree = &tree;
    record.turn = split.board;
    record.river = split.river;
    project_onto_level(record.opponent_reach, opponent.data(), level);
    equity_subtree(record);

    DoubleArray own_weights;
    project_onto_level(own_weights, own.data(), level);
    DoubleArray equities;
    DoubleArray weights;
    capture_node_value(equities, weights, record.values, record.opponent_reach, own_weights,
                       level.hands->data(), level.runouts);

    level_to_combos(tree, board, level, equities, player, equity);
    level_to_combos(tree, board, level, weights, player, weight);
}
