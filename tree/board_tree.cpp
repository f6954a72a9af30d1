#include "tree/board_tree.h"

#include <algorithm>
#include <bit>
#include <memory>

#include "cards/board_hand_lists.h"
#include "cards/card_text.h"
#include "cards/hand_tables.h"
#include "cards/range_weights.h"
#include "cards/suit_isomorphism.h"
#include "tree/node_data_layout.h"
#include "tree/tree_create.h"

namespace {

constexpr int kCards = 52;
constexpr int kRanks = 13;
constexpr int kSuits = 4;

int suit_of(u32 card) {
    return static_cast<int>(card) / kRanks;
}
int rank_of(u32 card) {
    return static_cast<int>(card) % kRanks;
}

int suit_count(u64 mask, int suit) {
    return std::popcount((mask >> (suit * kRanks)) & ((u64{1} << kRanks) - 1));
}

// Every card off the board, suit by suit and rank by rank, each for itself.
std::vector<CardRecord> every_undealt_card(u64 board_mask) {
    std::vector<CardRecord> cards;
    for (u32 card = 0; card < kCards; ++card) {
        if ((board_mask & (u64{1} << card)) == 0) cards.push_back({0, 1, card});
    }
    return cards;
}

// The suit holding most of the board's cards when it holds at least two
// (the lower suit on a tie); -1 otherwise.
int main_suit(u64 board_mask) {
    int best = -1;
    int best_count = 1;
    for (int suit = 0; suit < kSuits; ++suit) {
        const int count = suit_count(board_mask, suit);
        if (count > best_count) {
            best = suit;
            best_count = count;
        }
    }
    return best;
}

void sort_runout_cards(std::vector<CardRecord>& cards, int main) {
    std::stable_sort(cards.begin(), cards.end(), [main](const CardRecord& a, const CardRecord& b) {
        const bool a_main = suit_of(a.card) == main;
        const bool b_main = suit_of(b.card) == main;
        if (a_main != b_main) return b_main;
        if (a.sort_key != b.sort_key) return a.sort_key < b.sort_key;
        if (rank_of(a.card) != rank_of(b.card)) return rank_of(a.card) < rank_of(b.card);
        return suit_of(a.card) < suit_of(b.card);
    });
}

std::vector<CardRecord> chance_cards(u64 board_mask, u8 isomorphism) {
    return isomorphism ? list_undealt_cards(board_mask) : every_undealt_card(board_mask);
}

const std::vector<u64>& root_hand_list(const Tree& tree) {
    const StreetData& street = *tree.street_data;
    if (tree.root_board_index < 0) return street.hands;
    const BoardRecord& board = street.boards[static_cast<std::size_t>(tree.root_board_index)];
    if (tree.root_river_index < 0) return board.hands;
    return board.runouts[static_cast<std::size_t>(tree.root_river_index)].hands;
}

void set_root_indices(Tree& tree, i32 turn, i32 river) {
    if (turn < 0) return;
    const StreetData& street = *tree.street_data;
    tree.root_board_index = street.card_to_board[static_cast<std::size_t>(turn)];
    if (river < 0) return;
    const BoardRecord& board = street.boards[static_cast<std::size_t>(tree.root_board_index)];
    tree.root_river_index = static_cast<i16>(board.card_to_runout[static_cast<std::size_t>(river)]);
}

// The root's board: the flop mask, then the turn and river card or -1.
struct RootBoard {
    u64 flop;
    i32 turn;
    i32 river;
};

RootBoard canonical_board(const RootBoard& actual) {
    u64 flop = actual.flop;
    u64 turn = card_mask_of(actual.turn);
    u64 river = card_mask_of(actual.river);
    u8 suit_map[kSuits];
    canonical_suit_order(suit_map, flop, turn, river);
    return RootBoard{flop, lowest_card(turn), lowest_card(river)};
}

// A range in the suits the board is held in: relabelled by the board's
// actual suits under isomorphism, else as it is.
std::vector<f64> board_range(const std::vector<f64>& range, const RootBoard& actual,
                             u8 isomorphism) {
    if (!isomorphism) return range;
    std::vector<f64> permuted(range.size());
    permute_combos_by_suit(actual.flop, card_mask_of(actual.turn), card_mask_of(actual.river),
                           permuted.data(), range.data(), 0);
    return permuted;
}

void build_layouts(Tree& tree) {
    const i32 max_actions = tree.size_stats.max_actions;
    tree.layouts.clear();
    tree.layouts.resize(static_cast<std::size_t>(max_actions) + 1);
    for (i32 k = 1; k <= max_actions; ++k) {
        tree.layouts[static_cast<std::size_t>(k)] = std::make_unique<NodeDataLayout>(
            build_node_data_layout(tree.street_data->board_runout_counts, k));
    }
}

}  // namespace

std::vector<CardRecord> list_undealt_cards(u64 board_mask) {
    int suits = 0;
    while (suits < kSuits && suit_count(board_mask, suits) > 0) ++suits;
    std::vector<CardRecord> cards;
    for (int suit = 0; suit < suits; ++suit) {
        for (int rank = 0; rank < kRanks; ++rank) {
            const u32 card = static_cast<u32>(suit * kRanks + rank);
            if ((board_mask & (u64{1} << card)) == 0) cards.push_back({0, 1, card});
        }
    }
    if (suits == kSuits) return cards;
    const u32 multiplicity = static_cast<u32>(kSuits - suits);
    for (int rank = 0; rank < kRanks; ++rank) {
        cards.push_back({0, multiplicity, static_cast<u32>(suits * kRanks + rank)});
    }
    return cards;
}

void build_runouts(BoardRecord& board, u8 isomorphism, u32 hand_grouping) {
    std::vector<CardRecord> cards = chance_cards(board.board_mask, isomorphism);
    sort_runout_cards(cards, main_suit(board.board_mask));
    board.runouts.reserve(cards.size());
    for (const CardRecord& c : cards) {
        board.card_to_runout[c.card] = static_cast<u16>(board.runouts.size());
        RiverRecord& runout = board.runouts.emplace_back();
        runout.grouping_mode = hand_grouping;
        runout.board_mask = board.board_mask | (u64{1} << c.card);
        runout.card = c.card;
        runout.map_count = c.multiplicity;
        runout.parent_maps.resize(c.multiplicity);
    }
}

void build_street_nodes(StreetData& street, u32 card, u32 multiplicity, u32 hand_grouping,
                        i32 river, u8 isomorphism) {
    BoardRecord& board = street.boards.emplace_back();
    board.board_mask = street.board_mask | (u64{1} << card);
    board.card = card;
    board.map_count = multiplicity;
    board.parent_maps.resize(multiplicity);
    if (river < 0) {
        build_runouts(board, isomorphism, hand_grouping);
        return;
    }
    board.card_to_runout[static_cast<std::size_t>(river)] = 0;
    RiverRecord& runout = board.runouts.emplace_back();
    runout.grouping_mode = hand_grouping;
    runout.board_mask = board.board_mask | (u64{1} << river);
    runout.card = static_cast<u32>(river);
    runout.map_count = 1;
    runout.parent_maps.resize(1);
}

void build_street_data(StreetData& out, u64 flop_mask, u32 hand_grouping, i32 turn, i32 river,
                       u8 isomorphism) {
    out.board_mask = flop_mask;
    out.card_to_board.assign(kCards, -1);
    if (turn >= 0) {
        out.card_to_board[static_cast<std::size_t>(turn)] = 0;
        build_street_nodes(out, static_cast<u32>(turn), 1, hand_grouping, river, isomorphism);
        return;
    }
    const std::vector<CardRecord> cards = chance_cards(flop_mask, isomorphism);
    out.boards.reserve(cards.size());
    for (const CardRecord& c : cards) {
        out.card_to_board[c.card] = static_cast<i16>(out.boards.size());
        build_street_nodes(out, c.card, c.multiplicity, hand_grouping, -1, isomorphism);
    }
}

void build_board_tree(Tree& tree, u64 flop_mask, i32 turn, i32 river, const f64* range_oop,
                      const f64* range_ip, u8 isomorphism) {
    if (isomorphism) tree.flags |= kTreeIsomorphism;
    const u32 root_street = tree.root_street();
    if (root_street == kStreetFlop) turn = -1;
    if (root_street != kStreetRiver) river = -1;

    tree.board_mask = flop_mask;
    tree.ranges[0].assign(range_oop, range_oop + kHandCount);
    tree.ranges[1].assign(range_ip, range_ip + kHandCount);
    const RootBoard actual{flop_mask, turn, river};
    const RootBoard board = isomorphism ? canonical_board(actual) : actual;
    const std::vector<f64> permuted[2] = {board_range(tree.ranges[0], actual, isomorphism),
                                          board_range(tree.ranges[1], actual, isomorphism)};

    tree.street_data = std::make_unique<StreetData>();
    build_street_data(*tree.street_data, board.flop, tree.hand_grouping, board.turn, board.river,
                      isomorphism);
    build_street_hand_maps(*tree.street_data, permuted[0].data(), permuted[1].data());
    if (tree.street_data->missing_images != 0) {
        throw TreeBuildError(
            "isomorph error: ranges are not suit-symmetric, use 'set_isomorphism 0 0' if "
            "intended");
    }

    set_root_indices(tree, board.turn, board.river);
    if (!normalize_range_weights(tree.root_weights, permuted[0].data(), permuted[1].data(),
                                 root_hand_list(tree))) {
        throw TreeBuildError("ranges have no compatible pair of hands on this board");
    }
    build_layouts(tree);
}
