// Tree creation and the board tree builder: action nodes (kinds, streets,
// children, locks, result records), the per-board and per-runout records for
// every kind of flop with and without isomorphism, the hand lists and maps of
// the runouts against a direct recomputation, the layouts, the flags text,
// release, and builds that are refused without touching the current tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "solver/solve_reset.h"
#include "tree/board_tree.h"
#include "tree/node_data_layout.h"
#include "tree_test_support.h"

namespace {

constexpr int kAllPairs[] = {0, 14, 28, 42, 56, 70, 84, 98, 112, 126, 140, 154, 168};

// Pairs, ace-king suited and offsuit, queen-jack suited: a small
// suit-symmetric range.
std::vector<f64> small_range() {
    std::vector<int> classes(std::begin(kAllPairs), std::end(kAllPairs));
    classes.push_back(13 * 11 + 12);  // AKs
    classes.push_back(13 * 12 + 11);  // AKo
    classes.push_back(13 * 9 + 10);   // QJs
    return class_range(classes);
}

const Tree& build(const RecordList& list, const std::vector<const char*>& board, u8 iso,
                  const std::vector<f64>& oop, const std::vector<f64>& ip) {
    create_tree(spec_for(list, board, oop, ip, iso));
    return *g_tree;
}

const Tree& build(const RecordList& list, const std::vector<const char*>& board, u8 iso) {
    static const std::vector<f64> range = small_range();
    return build(list, board, iso, range, range);
}

// Turn lines of a flop root: the flop bet is called into a turn decision
// whose check leads to a river decision.
RecordList flop_to_river() {
    RecordList list;
    const i32 root = list.decision(-1, 0, kStreetFlop);      // 0
    const i32 bet = list.decision(root, 1, kStreetFlop);     // 1
    const i32 turn = list.decision(bet, 0, kStreetTurn);     // 2
    const i32 river = list.decision(turn, 0, kStreetRiver);  // 3
    list.showdown(river, 15.0);                              // 4
    list.fold(river, 5.0);                                   // 5
    list.showdown(turn, 15.0);                               // 6
    list.fold(bet, 5.0);                                     // 7
    const i32 check = list.decision(root, 1, kStreetFlop);   // 8
    list.showdown(check, 5.0);                               // 9
    list.fold(check, 0.0);                                   // 10
    return list;
}

TEST_F(TreeTest, ActionNodesTakeKindsPlayersStreetsAndChildrenFromTheRecords) {
    const Tree& tree = build(flop_to_river(), {"Qs", "Jh", "2h"}, 1);
    ASSERT_EQ(tree.nodes.size(), 11u);
    EXPECT_EQ(tree.nodes[0].children, (std::vector<u32>{1, 8}));
    EXPECT_EQ(tree.nodes[1].children, (std::vector<u32>{2, 7}));
    EXPECT_EQ(tree.nodes[2].children, (std::vector<u32>{3, 6}));
    EXPECT_EQ(tree.nodes[3].children, (std::vector<u32>{4, 5}));
    for (u32 i = 1; i < tree.nodes.size(); ++i) {
        const TreeNode& node = tree.nodes[i];
        ASSERT_NE(node.parent, nullptr);
        EXPECT_EQ(node.parent, &tree.nodes[static_cast<u32>(node.parent_index)]);
    }
    EXPECT_EQ(tree.nodes[0].parent, nullptr);

    // A fold keeps its parent's street and player, a showdown is on the river.
    EXPECT_EQ(tree.nodes[7].kind, kNodeFold);
    EXPECT_EQ(tree.nodes[7].street, kStreetFlop);
    EXPECT_EQ(tree.nodes[7].player, 1u);
    EXPECT_EQ(tree.nodes[5].street, kStreetRiver);
    EXPECT_EQ(tree.nodes[9].kind, kNodeShowdown);
    EXPECT_EQ(tree.nodes[9].street, kStreetRiver);
    EXPECT_EQ(tree.nodes[9].player, 1u);
    EXPECT_EQ(tree.nodes[6].street, kStreetRiver);
    EXPECT_EQ(tree.nodes[6].player, 0u);
    EXPECT_DOUBLE_EQ(tree.max_amount, 15.0);
    EXPECT_DOUBLE_EQ(tree.regret_scale, 125.0 / 15.0);
    EXPECT_EQ(tree.size_stats.max_actions, 2);
    EXPECT_DOUBLE_EQ(tree.size_stats.average_actions, 2.0);
}

TEST_F(TreeTest, StreetOpenersGetTurnLocksAndResultRecords) {
    const Tree& tree = build(flop_to_river(), {"Qs", "Jh", "2h"}, 1);
    for (u32 i = 0; i < tree.nodes.size(); ++i) {
        const TreeNode& node = tree.nodes[i];
        const bool turn_opener = i == 2;
        EXPECT_EQ(node.turn_locks != nullptr, turn_opener) << "node " << i;
        const std::size_t results = i == 2 ? 1 : i == 3 ? kTurnCardSlots : 0;
        EXPECT_EQ(node.results.size(), results) << "node " << i;
    }
}

TEST_F(TreeTest, OnlyTheFirstNodeOfAStreetOpensIt) {
    // A turn decision right below the root, a fold on the turn below it.
    Tree tree;
    RecordList list;
    const i32 root = list.decision(-1, 0, kStreetTurn);
    const i32 next = list.decision(root, 1, kStreetTurn);
    list.fold(next, 5.0);
    list.showdown(root, 5.0);
    build_action_nodes(tree, list.records.data(), static_cast<u32>(list.records.size()));
    EXPECT_NE(tree.nodes[0].turn_locks, nullptr);
    EXPECT_EQ(tree.nodes[0].results.size(), 1u);
    for (u32 i = 1; i < tree.nodes.size(); ++i) {
        EXPECT_EQ(tree.nodes[i].turn_locks, nullptr);
        EXPECT_TRUE(tree.nodes[i].results.empty());
    }
    EXPECT_EQ(tree.nodes[2].street, kStreetTurn);
}

TEST_F(TreeTest, RootAloneHasNoActions) {
    Tree tree;
    RecordList list;
    list.showdown(-1, 5.0);
    build_action_nodes(tree, list.records.data(), 1);
    EXPECT_EQ(tree.size_stats.max_actions, 0);
    EXPECT_TRUE(std::isnan(tree.size_stats.average_actions));
    EXPECT_EQ(tree.nodes[0].street, kStreetRiver);
}

TEST_F(TreeTest, AverageActionsCountsOnlyNodesWithChildren) {
    RecordList list;
    const i32 root = list.decision(-1, 0, kStreetFlop);
    const i32 a = list.decision(root, 1, kStreetFlop);
    list.showdown(a, 10.0);
    list.showdown(a, 20.0);
    list.showdown(a, 30.0);
    list.fold(root, 5.0);
    Tree tree;
    build_action_nodes(tree, list.records.data(), static_cast<u32>(list.records.size()));
    EXPECT_EQ(tree.size_stats.max_actions, 3);
    EXPECT_DOUBLE_EQ(tree.size_stats.average_actions, 2.5);
}

void expect_multiplicities(const StreetData& street, u32 boards, u32 total) {
    EXPECT_EQ(street.boards.size(), boards);
    u32 sum = 0;
    for (const BoardRecord& b : street.boards) {
        sum += b.map_count;
        u32 river_sum = 0;
        for (const RiverRecord& r : b.runouts) river_sum += r.map_count;
        // Every one of the 48 cards left after the turn is stood for once.
        EXPECT_EQ(river_sum, 48u) << card_text(static_cast<int>(b.card));
    }
    EXPECT_EQ(sum, total);
}

TEST_F(TreeTest, FlopWithoutIsomorphismHasEveryTurnAndRiverCard) {
    const Tree& tree = build(bet_or_check(kStreetFlop), {"Qs", "Jh", "2h"}, 0);
    const StreetData& street = *tree.street_data;
    expect_multiplicities(street, 49, 49);
    for (const BoardRecord& b : street.boards) {
        EXPECT_EQ(b.map_count, 1u);
        EXPECT_EQ(b.runouts.size(), 48u);
    }
    const u64 flop = board_mask({"Qs", "Jh", "2h"});
    for (int c = 0; c < 52; ++c) {
        const bool on_flop = (flop >> c) & 1;
        EXPECT_EQ(street.card_to_board[static_cast<std::size_t>(c)] < 0, on_flop) << c;
    }
    EXPECT_EQ(tree.flags, kTreeNew);
    EXPECT_EQ(tree.root_board_index, -1);
    EXPECT_EQ(tree.root_river_index, -1);
}

TEST_F(TreeTest, EveryFlopKindStandsForEveryCardOnce) {
    struct Case {
        std::vector<const char*> flop;
        u32 isomorphic_boards;
    };
    // Monotone: 10 + 13 (x3); two-tone: 11 + 12 + 13 (x2); rainbow: 36 + 13.
    const Case cases[] = {
        {{"Ah", "Kh", "2h"}, 23}, {{"Qs", "Jh", "2h"}, 36}, {{"Qs", "Jh", "2c"}, 49}};
    for (const Case& c : cases) {
        const Tree& plain = build(bet_or_check(kStreetFlop), c.flop, 0);
        expect_multiplicities(*plain.street_data, 49, 49);
        for (const BoardRecord& b : plain.street_data->boards) {
            EXPECT_EQ(b.runouts.size(), 48u);
            for (const RiverRecord& r : b.runouts) EXPECT_EQ(r.map_count, 1u);
        }
        const Tree& iso = build(bet_or_check(kStreetFlop), c.flop, 1);
        expect_multiplicities(*iso.street_data, c.isomorphic_boards, 49);
        EXPECT_EQ(iso.flags, kTreeNew | kTreeIsomorphism);
    }
}

TEST_F(TreeTest, IsomorphicRunoutsOfAMonotoneFlop) {
    const Tree& tree = build(bet_or_check(kStreetFlop), {"Ah", "Kh", "2h"}, 1);
    const StreetData& street = *tree.street_data;
    // The canonical flop is 2c Kc Ac. A fourth club leaves one suit on the
    // board: the 13 diamonds stand for three suits and come first, off the
    // board's main suit; then the 9 clubs left.
    const BoardRecord& four_clubs =
        street.boards[static_cast<std::size_t>(street.card_to_board[card("3c")])];
    ASSERT_EQ(four_clubs.runouts.size(), 22u);
    for (std::size_t j = 0; j < four_clubs.runouts.size(); ++j) {
        const RiverRecord& r = four_clubs.runouts[j];
        EXPECT_EQ(r.card / 13, j < 13 ? 1u : 0u);
        EXPECT_EQ(r.map_count, j < 13 ? 3u : 1u);
    }
    // A diamond leaves two: 10 clubs, 12 diamonds, the 13 hearts for two suits.
    const BoardRecord& diamond =
        street.boards[static_cast<std::size_t>(street.card_to_board[card("2d")])];
    ASSERT_EQ(diamond.runouts.size(), 35u);
    u32 doubled = 0;
    for (const RiverRecord& r : diamond.runouts) doubled += r.map_count == 2 ? 1 : 0;
    EXPECT_EQ(doubled, 13u);
}

TEST_F(TreeTest, MonotoneFlopTurnRecordsFollowTheCanonicalSuits) {
    const Tree& tree = build(bet_or_check(kStreetFlop), {"Ah", "Kh", "2h"}, 1);
    const StreetData& street = *tree.street_data;
    // Hearts became clubs: the flop is 2c Kc Ac.
    EXPECT_EQ(street.board_mask, board_mask({"2c", "Kc", "Ac"}));
    for (std::size_t i = 0; i < street.boards.size(); ++i) {
        const BoardRecord& b = street.boards[i];
        const bool first_suit = i < 10;
        EXPECT_EQ(b.card / 13, first_suit ? 0u : 1u);
        EXPECT_EQ(b.map_count, first_suit ? 1u : 3u);
        EXPECT_EQ(street.card_to_board[b.card], static_cast<i16>(i));
    }
}

TEST_F(TreeTest, RunoutsComeOffTheMainSuitFirst) {
    const Tree& tree = build(bet_or_check(kStreetFlop), {"Qs", "Jh", "2h"}, 0);
    const StreetData& street = *tree.street_data;
    const BoardRecord& board =
        street.boards[static_cast<std::size_t>(street.card_to_board[card("3c")])];
    std::vector<u32> expected;
    const u64 dealt = board.board_mask;
    for (int rank = 0; rank < 13; ++rank) {
        for (int suit : {0, 1, 3}) {
            const u32 c = static_cast<u32>(13 * suit + rank);
            if (!((dealt >> c) & 1)) expected.push_back(c);
        }
    }
    for (int rank = 0; rank < 13; ++rank) {
        const u32 c = static_cast<u32>(13 * 2 + rank);
        if (!((dealt >> c) & 1)) expected.push_back(c);
    }
    std::vector<u32> cards;
    for (std::size_t j = 0; j < board.runouts.size(); ++j) {
        cards.push_back(board.runouts[j].card);
        EXPECT_EQ(board.card_to_runout[board.runouts[j].card], j);
    }
    EXPECT_EQ(cards, expected);
}

TEST_F(TreeTest, ListUndealtCardsFillsTheFirstAbsentSuit) {
    const std::vector<CardRecord> cards = list_undealt_cards(board_mask({"2c", "Kc", "Ac", "3d"}));
    ASSERT_EQ(cards.size(), 10u + 12u + 13u);
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const u32 expected_multiplicity = i < 22 ? 1 : 2;
        EXPECT_EQ(cards[i].multiplicity, expected_multiplicity);
        EXPECT_EQ(cards[i].sort_key, 0u);
    }
    EXPECT_EQ(cards[22].card, static_cast<u32>(card("2h")));
    EXPECT_EQ(list_undealt_cards(board_mask({"2c", "3d", "4h", "5s"})).size(), 48u);
}

TEST_F(TreeTest, TurnAndRiverRootsHaveOneBoard) {
    const Tree& turn = build(bet_or_check(kStreetTurn), {"Qs", "Jh", "2h", "8d"}, 0);
    EXPECT_EQ(turn.street_data->boards.size(), 1u);
    EXPECT_EQ(turn.street_data->boards[0].map_count, 1u);
    EXPECT_EQ(turn.street_data->boards[0].runouts.size(), 48u);
    EXPECT_EQ(turn.root_board_index, 0);
    EXPECT_EQ(turn.root_river_index, -1);
    EXPECT_NE(turn.nodes[0].turn_locks, nullptr);
    EXPECT_EQ(turn.nodes[0].results.size(), 1u);
    EXPECT_DOUBLE_EQ(g_avg_weight_exponent, 1.5);
    EXPECT_DOUBLE_EQ(g_avg_weight_cap, 262143.0);

    const Tree& river = build(bet_or_check(kStreetRiver), {"Qs", "Jh", "2h", "8d", "3c"}, 0);
    ASSERT_EQ(river.street_data->boards.size(), 1u);
    ASSERT_EQ(river.street_data->boards[0].runouts.size(), 1u);
    EXPECT_EQ(river.street_data->boards[0].runouts[0].map_count, 1u);
    EXPECT_EQ(river.root_board_index, 0);
    EXPECT_EQ(river.root_river_index, 0);
    for (const TreeNode& node : river.nodes) EXPECT_EQ(node.turn_locks, nullptr);
    EXPECT_EQ(river.nodes[0].results.size(), static_cast<std::size_t>(kTurnCardSlots));
    EXPECT_DOUBLE_EQ(g_avg_weight_exponent, 4.0);
    EXPECT_EQ(g_avg_weight_cap, std::numeric_limits<f64>::max());
    // The root's weights live on the runout's hand list.
    EXPECT_EQ(river.root_weights.weights[0].size(),
              river.street_data->boards[0].runouts[0].hands.size());
}

u32 evaluate(u64 board, u64 hand) {
    u8 cards[7];
    int n = 0;
    for (u64 m = board | hand; m; m &= m - 1) cards[n++] = static_cast<u8>(std::countr_zero(m));
    return eval_cards(cards, n);
}

u64 swap_suits(u64 mask, int a, int b) {
    u64 out = 0;
    for (u64 m = mask; m; m &= m - 1) {
        int c = std::countr_zero(m);
        int s = c / 13;
        s = s == a ? b : s == b ? a : s;
        out |= u64{1} << (13 * s + c % 13);
    }
    return out;
}

// Every runout against a recomputation from the ranges alone: its hands are
// the weighted hands off its board, weakest first, with their values; map m
// sends each hand's image under the swap of the dealt suit with suit s + m to
// the same hand in the board's list; the value runs cover equal values.
void expect_runout_lists(const Tree& tree, const std::vector<f64>& range) {
    const StreetData& street = *tree.street_data;
    for (const BoardRecord& board : street.boards) {
        for (const RiverRecord& runout : board.runouts) {
            std::multiset<u64> expected;
            for (int hi = 1; hi < 52; ++hi) {
                for (int lo = 0; lo < hi; ++lo) {
                    const u64 hand = (u64{1} << hi) | (u64{1} << lo);
                    if (range[static_cast<std::size_t>(combo_index(lo, hi))] > 0 &&
                        !(hand & runout.board_mask)) {
                        expected.insert(hand);
                    }
                }
            }
            ASSERT_EQ(std::multiset<u64>(runout.hands.begin(), runout.hands.end()), expected);
            const int dealt_suit = static_cast<int>(runout.card) / 13;
            ASSERT_EQ(runout.parent_maps.size(), runout.map_count);
            u32 previous = 0;
            std::size_t run_total = 0;
            for (const i16 run : runout.value_runs) run_total += static_cast<std::size_t>(run);
            EXPECT_EQ(run_total, runout.hands.size());
            for (std::size_t i = 0; i < runout.hands.size(); ++i) {
                const u64 hand = runout.hands[i];
                const u32 value = evaluate(runout.board_mask, hand);
                EXPECT_EQ(runout.hand_values[i], value);
                EXPECT_GE(value, previous);
                previous = value;
                EXPECT_EQ(board.hands[static_cast<std::size_t>(runout.parent_maps[0][i])], hand);
                for (u32 m = 1; m < runout.map_count; ++m) {
                    const u64 image =
                        swap_suits(hand, dealt_suit, dealt_suit + static_cast<int>(m));
                    EXPECT_EQ(board.hands[static_cast<std::size_t>(runout.parent_maps[m][i])],
                              image);
                }
            }
        }
    }
}

TEST_F(TreeTest, RunoutHandListsMatchARecomputation) {
    const std::vector<f64> range = small_range();
    for (u8 iso : {0, 1}) {
        for (const auto& flop : std::vector<std::vector<const char*>>{
                 {"Ah", "Kh", "2h"}, {"Qs", "Jh", "2h"}, {"Qs", "Jh", "2c"}}) {
            const Tree& tree = build(bet_or_check(kStreetFlop), flop, iso);
            expect_runout_lists(tree, range);
        }
    }
}

TEST_F(TreeTest, LayoutsPadRowsToFourValues) {
    const Tree& tree = build(flop_to_river(), {"Qs", "Jh", "2h"}, 1);
    ASSERT_EQ(tree.layouts.size(), 3u);
    EXPECT_EQ(tree.layouts[0], nullptr);
    const StreetData& street = *tree.street_data;
    for (i32 k = 1; k <= 2; ++k) {
        const NodeDataLayout& layout = *tree.layouts[static_cast<std::size_t>(k)];
        i64 values = 0;
        i64 padded = 0;
        i32 entries = 0;
        for (const auto& list : street.board_runout_counts) {
            for (u32 c : list) {
                values += static_cast<i64>(c) * k;
                padded += static_cast<i64>((c + 3) / 4 * 4) * k;
                ++entries;
            }
        }
        EXPECT_EQ(layout.actions, k);
        EXPECT_EQ(layout.blocks, static_cast<i32>(street.boards.size()));
        EXPECT_EQ(layout.entries, entries);
        EXPECT_EQ(layout.values, values);
        EXPECT_EQ(layout.padded_values, padded);
    }
    const NodeDataLayout five = build_node_data_layout({{5, 3}}, 2);
    EXPECT_EQ(five.entry(0, 1).offset, 16u);
    EXPECT_EQ(five.values, 16);
    EXPECT_EQ(five.padded_values, 24);
}

TEST_F(TreeTest, FlagsText) {
    EXPECT_EQ(tree_flags_text(), "");
    EXPECT_EQ(tree_flags_text(6), "ISOMORPHISM_ON NEW_TREE");
    EXPECT_EQ(tree_flags_text(7), "INCOMPLETE_TREE ISOMORPHISM_ON NEW_TREE");
    EXPECT_EQ(tree_flags_text(2), "ISOMORPHISM_ON");
    EXPECT_EQ(tree_flags_text(0), "");
    build(bet_or_check(kStreetFlop), {"Qs", "Jh", "2h"}, 1);
    EXPECT_EQ(tree_flags_text(), "ISOMORPHISM_ON NEW_TREE");
    build(bet_or_check(kStreetFlop), {"Qs", "Jh", "2h"}, 0);
    EXPECT_EQ(tree_flags_text(), "NEW_TREE");
}

TEST_F(TreeTest, ReleaseTwiceDestroysOnce) {
    build(flop_to_river(), {"Qs", "Jh", "2h"}, 1);
    ASSERT_NE(g_tree, nullptr);
    release_tree();
    EXPECT_EQ(g_tree, nullptr);
    release_tree();
    EXPECT_EQ(g_tree, nullptr);
    EXPECT_EQ(tree_flags_text(), "");
}

TEST_F(TreeTest, RefusedBuildsLeaveTheCurrentTree) {
    build(flop_to_river(), {"Qs", "Jh", "2h"}, 1);
    const Tree* before = g_tree.get();
    const std::vector<f64> range = small_range();

    RecordList zero;
    const i32 root = zero.decision(-1, 0, kStreetFlop);
    zero.showdown(root, 0.0);
    zero.fold(root, 0.0);
    EXPECT_THROW(create_tree(spec_for(zero, {"Qs", "Jh", "2h"}, range, range, 1)), TreeBuildError);

    // One hand each, sharing the queen of hearts: no pair can meet.
    std::vector<f64> oop(kHandCount, 0.0);
    std::vector<f64> ip(kHandCount, 0.0);
    oop[static_cast<std::size_t>(combo_index(card("Qh"), card("Kh")))] = 1.0;
    ip[static_cast<std::size_t>(combo_index(card("Qh"), card("Ad")))] = 1.0;
    EXPECT_THROW(create_tree(spec_for(bet_or_check(kStreetFlop), {"Qs", "Jh", "2h"}, oop, ip, 0)),
                 TreeBuildError);

    // An asymmetric range under turn isomorphism misses images.
    std::vector<f64> lopsided = range;
    lopsided[static_cast<std::size_t>(combo_index(card("Ac"), card("Ad")))] = 0.0;
    EXPECT_THROW(create_tree(spec_for(bet_or_check(kStreetTurn), {"Ah", "Kh", "2h", "3h"}, lopsided,
                                      lopsided, 1)),
                 TreeBuildError);

    RecordList orphan;
    orphan.decision(-1, 0, kStreetFlop);
    orphan.showdown(5, 10.0);
    EXPECT_THROW(create_tree(spec_for(orphan, {"Qs", "Jh", "2h"}, range, range, 1)),
                 TreeBuildError);

    EXPECT_EQ(g_tree.get(), before);
    EXPECT_EQ(g_tree->nodes.size(), 11u);
}

TEST_F(TreeTest, CreatingATreeReplacesTheOldOne) {
    build(flop_to_river(), {"Qs", "Jh", "2h"}, 1);
    build(bet_or_check(kStreetRiver), {"Qs", "Jh", "2h", "8d", "3c"}, 0);
    EXPECT_EQ(g_tree->nodes.size(), 5u);
    EXPECT_EQ(g_tree->root_street(), kStreetRiver);
}

}  // namespace
