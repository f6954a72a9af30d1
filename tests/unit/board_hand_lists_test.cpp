// Board hand lists, hand maps and root weights against a direct recomputation
// written here, with and without suit isomorphism, and the two kernel
// variants against each other.
#include "cards/board_hand_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "cards/card_text.h"
#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "cards/range_weights.h"
#include "cards/runout_kernels.h"
#include "cards/suit_isomorphism.h"
#include "platform/cpu_features.h"

namespace {

u64 cards(std::initializer_list<const char*> texts) {
    u64 mask = 0;
    for (const char* t : texts) mask |= card_bit(parse_card(t, 2));
    return mask;
}

int lowest(u64 mask) {
    return __builtin_ctzll(mask);
}
int highest(u64 mask) {
    return 63 - __builtin_clzll(mask);
}

u32 value_on_board(u64 board, u64 hand) {
    u8 list[7];
    int n = 0;
    for (int c = 0; c < 52; ++c) {
        if (board >> c & 1) list[n++] = static_cast<u8>(c);
    }
    list[n++] = static_cast<u8>(lowest(hand));
    list[n++] = static_cast<u8>(highest(hand));
    return eval_cards(list, n);
}

u64 swap_suits(u64 hand, int a, int b) {
    u64 out = 0;
    for (int c = 0; c < 52; ++c) {
        if (!(hand >> c & 1)) continue;
        int suit = c / 13 == a ? b : c / 13 == b ? a : c / 13;
        out |= u64{1} << (13 * suit + c % 13);
    }
    return out;
}

i16 position_in(const std::vector<u64>& list, u64 hand) {
    auto at = std::find(list.begin(), list.end(), hand);
    return at == list.end() ? -1 : static_cast<i16>(at - list.begin());
}

// The child list recomputed directly: parent hands off the board, stably sorted by
// value (and on five cards by suit class).
struct ChildList {
    std::vector<u64> hands;
    std::vector<u32> values;
    std::vector<i16> positions;
};

ChildList expected_child(const std::vector<u64>& parent, u64 board) {
    std::vector<int> live;
    for (int p = 0; p < static_cast<int>(parent.size()); ++p) {
        if (!(parent[p] & board)) live.push_back(p);
    }
    const bool by_class = __builtin_popcountll(board) == 5;
    auto key = [&](int p) {
        i64 suit_class = by_class ? hand_suit_class(board, parent[p]) : 0;
        return std::make_pair(static_cast<i64>(value_on_board(board, parent[p])), suit_class);
    };
    std::stable_sort(live.begin(), live.end(), [&](int a, int b) { return key(a) < key(b); });
    ChildList out;
    for (int p : live) {
        out.hands.push_back(parent[p]);
        out.values.push_back(value_on_board(board, parent[p]));
        out.positions.push_back(static_cast<i16>(p));
    }
    return out;
}

void expect_pairs_and_combo_map(const std::vector<u64>& hands, const std::vector<u16>& pairs,
                                const std::vector<u16>& combo_map) {
    ASSERT_EQ(pairs.size(), hands.size());
    ASSERT_EQ(combo_map.size(), static_cast<std::size_t>(kHandCount));
    std::vector<u16> expected_map(kHandCount, 0xFFFF);
    for (std::size_t i = 0; i < hands.size(); ++i) {
        EXPECT_EQ(pairs[i], highest(hands[i]) << 8 | lowest(hands[i]));
        expected_map[combo_index(lowest(hands[i]), highest(hands[i]))] = static_cast<u16>(i);
    }
    EXPECT_EQ(combo_map, expected_map);
}

// Map m >= 1 sends each hand's image under the swap of the dealt card's suit
// s and suit s + m to its position in the parent.
void expect_image_maps(const std::vector<std::vector<i16>>& maps, u32 map_count, u32 card,
                       const std::vector<u64>& hands, const std::vector<u64>& parent) {
    ASSERT_EQ(maps.size(), map_count);
    int s = static_cast<int>(card) / 13;
    for (u32 m = 1; m < map_count; ++m) {
        ASSERT_EQ(maps[m].size(), hands.size());
        for (std::size_t i = 0; i < hands.size(); ++i) {
            EXPECT_EQ(maps[m][i], position_in(parent, swap_suits(hands[i], s, s + m)));
        }
    }
}

std::vector<i16> expected_runs(const std::vector<u32>& values) {
    std::vector<i16> runs;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i == 0 || values[i] != values[i - 1]) runs.push_back(0);
        ++runs.back();
    }
    return runs;
}

void verify_runout(const RiverRecord& runout, const BoardRecord& board) {
    ChildList expected = expected_child(board.hands, runout.board_mask);
    EXPECT_EQ(runout.hands, expected.hands);
    EXPECT_EQ(runout.hand_values, expected.values);
    EXPECT_EQ(runout.parent_maps[0], expected.positions);
    EXPECT_EQ(runout.value_runs, expected_runs(expected.values));
    expect_pairs_and_combo_map(runout.hands, runout.card_pairs, runout.combo_map);
    expect_image_maps(runout.parent_maps, runout.map_count, runout.card, runout.hands, board.hands);
    EXPECT_EQ(runout.missing_images, 0u);
}

void verify_street(const StreetData& street, const std::vector<f64>& oop,
                   const std::vector<f64>& ip, int boards_to_check) {
    std::vector<u64> root;
    for (int hi = 0; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo) {
            u64 hand = u64{1} << hi | u64{1} << lo;
            int c = combo_index(lo, hi);
            if (!(hand & street.board_mask) && (oop[c] > 0 || ip[c] > 0)) root.push_back(hand);
        }
    }
    ASSERT_EQ(street.hands, root);
    expect_pairs_and_combo_map(street.hands, street.card_pairs, street.combo_map);
    ASSERT_EQ(street.board_counts.size(), street.boards.size());
    for (int b = 0; b < boards_to_check && b < static_cast<int>(street.boards.size()); ++b) {
        const BoardRecord& board = street.boards[b];
        ChildList expected = expected_child(root, board.board_mask);
        EXPECT_EQ(board.hands, expected.hands);
        EXPECT_EQ(board.hand_values, expected.values);
        EXPECT_EQ(board.parent_maps[0], expected.positions);
        expect_pairs_and_combo_map(board.hands, board.card_pairs, board.combo_map);
        expect_image_maps(board.parent_maps, board.map_count, board.card, board.hands, root);
        EXPECT_EQ(street.board_counts[b], board.hands.size());
        ASSERT_EQ(board.runout_counts.size(), board.runouts.size());
        EXPECT_EQ(street.board_runout_counts[b], board.runout_counts);
        for (std::size_t r = 0; r < board.runouts.size(); ++r) {
            EXPECT_EQ(board.runout_counts[r], board.runouts[r].hands.size());
            verify_runout(board.runouts[r], board);
        }
    }
    EXPECT_EQ(street.missing_images, 0u);
}

RiverRecord make_runout(u64 board, int card, u32 multiplicity) {
    RiverRecord r;
    r.board_mask = board | card_bit(card);
    r.card = static_cast<u32>(card);
    r.map_count = multiplicity;
    r.parent_maps.resize(multiplicity);
    return r;
}

BoardRecord make_board(u64 flop, int card, u32 multiplicity) {
    BoardRecord b;
    b.board_mask = flop | card_bit(card);
    b.card = static_cast<u32>(card);
    b.map_count = multiplicity;
    b.parent_maps.resize(multiplicity);
    return b;
}

// Every undealt turn and river card, multiplicity 1.
StreetData make_plain_street(u64 flop, int turn_limit) {
    StreetData street;
    street.board_mask = flop;
    for (int t = 0; t < 52 && static_cast<int>(street.boards.size()) < turn_limit; ++t) {
        if (flop >> t & 1) continue;
        BoardRecord board = make_board(flop, t, 1);
        for (int r = 0; r < 52; ++r) {
            if (board.board_mask >> r & 1) continue;
            board.card_to_runout[r] = static_cast<u16>(board.runouts.size());
            board.runouts.push_back(make_runout(board.board_mask, r, 1));
        }
        street.card_to_board[t] = static_cast<i16>(street.boards.size());
        street.boards.push_back(std::move(board));
    }
    return street;
}

// Canonical enumeration of chance cards on a canonical board: the undealt
// cards of the present suits, then the next suit standing for all absent ones.
std::vector<std::pair<int, u32>> canonical_cards(u64 board) {
    int present = 0;
    while (present < 4 && (board >> (13 * present) & 0x1fff)) ++present;
    std::vector<std::pair<int, u32>> out;
    for (int c = 0; c < 13 * present; ++c) {
        if (!(board >> c & 1)) out.push_back({c, 1});
    }
    if (present < 4) {
        for (int rank = 0; rank < 13; ++rank) {
            out.push_back({13 * present + rank, static_cast<u32>(4 - present)});
        }
    }
    return out;
}

StreetData make_isomorphic_street(u64 flop, const std::vector<int>& turns) {
    StreetData street;
    street.board_mask = flop;
    for (auto [t, multiplicity] : canonical_cards(flop)) {
        if (std::find(turns.begin(), turns.end(), t) == turns.end()) continue;
        BoardRecord board = make_board(flop, t, multiplicity);
        for (auto [r, river_multiplicity] : canonical_cards(board.board_mask)) {
            board.runouts.push_back(make_runout(board.board_mask, r, river_multiplicity));
        }
        street.boards.push_back(std::move(board));
    }
    return street;
}

std::vector<f64> random_range(unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<f64> range(kHandCount);
    for (f64& w : range) w = rng() % 3 == 0 ? 0.0 : (rng() % 1000) / 1000.0;
    return range;
}

// Weight that depends only on the ranks and on suitedness, so that every suit
// swap maps the range onto itself.
std::vector<f64> symmetric_range(int salt) {
    std::vector<f64> range(kHandCount);
    for (int hi = 1; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo) {
            int a = hi % 13;
            int b = lo % 13;
            bool suited = hi / 13 == lo / 13;
            int code = (std::max(a, b) * 13 + std::min(a, b)) * 2 + suited + salt;
            range[combo_index(lo, hi)] = code % 5 == 0 ? 0.0 : (code % 11) / 10.0;
        }
    }
    return range;
}

class BoardHandListsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_eval_tables();
        init_hand_tables();
    }
};

TEST_F(BoardHandListsTest, PlainStreetMatchesDirectRecomputation) {
    StreetData street = make_plain_street(cards({"Kh", "8d", "8s"}), 3);
    std::vector<f64> oop = random_range(1);
    std::vector<f64> ip = random_range(2);
    build_street_hand_maps(street, oop.data(), ip.data());
    verify_street(street, oop, ip, 3);
}

TEST_F(BoardHandListsTest, IsomorphicStreetMapsImagesIntoTheParent) {
    // Canonical monotone flop: turns in clubs stand for one card, turns in
    // diamonds for three; below a diamond turn, hearts rivers stand for two.
    u64 flop = cards({"Ac", "7c", "2c"});
    StreetData street =
        make_isomorphic_street(flop, {parse_card("9c"), parse_card("9d"), parse_card("Kd")});
    ASSERT_EQ(street.boards.size(), 3u);
    EXPECT_EQ(street.boards[1].map_count, 3u);
    std::vector<f64> oop = symmetric_range(0);
    std::vector<f64> ip = symmetric_range(3);
    build_street_hand_maps(street, oop.data(), ip.data());
    verify_street(street, oop, ip, 3);
    const RiverRecord& hearts_river = street.boards[1].runouts.back();
    EXPECT_EQ(hearts_river.map_count, 2u);
    EXPECT_EQ(hearts_river.card / 13, 2u);
}

TEST_F(BoardHandListsTest, MissingImagesAreReportedCountedAndNeverMapped) {
    StreetData street;
    street.board_mask = cards({"Ac", "7c", "2c"});
    street.boards.push_back(make_board(street.board_mask, parse_card("9d"), 3));
    std::vector<f64> oop(kHandCount, 0.0);
    std::vector<f64> ip(kHandCount, 0.0);
    oop[combo_index(parse_card("Ad"), parse_card("Kd"))] = 1.0;
    ip[combo_index(parse_card("5s"), parse_card("4s"))] = 1.0;
    testing::internal::CaptureStdout();
    build_street_hand_maps(street, oop.data(), ip.data());
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed,
              "isomorph error: 2c 7c Ac 9d  | 4s 5s  | 4d 5d \n"
              "isomorph error: 2c 7c Ac 9d  | Kd Ad  | Kh Ah \n"
              "isomorph error: 2c 7c Ac 9d  | Kd Ad  | Ks As \n");
    const BoardRecord& board = street.boards[0];
    EXPECT_EQ(board.missing_images, 3u);
    EXPECT_EQ(street.missing_images, 3u);
    ASSERT_EQ(board.hands.size(), 2u);
    EXPECT_EQ(board.parent_maps[1][0], 1);  // 5s4s is its own image
    EXPECT_EQ(board.parent_maps[2][0], -1);
    EXPECT_EQ(board.parent_maps[1][1], -1);
    EXPECT_EQ(board.parent_maps[2][1], -1);
}

TEST_F(BoardHandListsTest, ZeroWeightHandsAndDeadCards) {
    StreetData street = make_plain_street(cards({"2h", "7s", "9d"}), 52);
    std::vector<f64> oop(kHandCount, 0.0);
    std::vector<f64> ip(kHandCount, 0.0);
    const int aa = combo_index(parse_card("Ac"), parse_card("Ad"));
    const int kk = combo_index(parse_card("Kc"), parse_card("Kd"));
    const int qq = combo_index(parse_card("Qc"), parse_card("Qd"));
    oop[aa] = 1.0;
    ip[kk] = 0.5;
    oop[qq] = 0.25;
    build_street_hand_maps(street, oop.data(), ip.data());
    EXPECT_EQ(street.hands.size(), 3u);
    const int jj = combo_index(parse_card("Jc"), parse_card("Jd"));
    EXPECT_EQ(street.combo_map[jj], 0xFFFF);
    // The board dealt the ace of clubs loses AcAd, the root keeps it.
    const BoardRecord& ace_turn = street.boards[street.card_to_board[parse_card("Ac")]];
    EXPECT_EQ(ace_turn.hands.size(), 2u);
    EXPECT_EQ(ace_turn.combo_map[aa], 0xFFFF);
    EXPECT_NE(street.combo_map[aa], 0xFFFF);
    for (const BoardRecord& board : street.boards) EXPECT_EQ(board.combo_map[jj], 0xFFFF);
    // Three pairs of different rank: three runs of one on a dry runout.
    const BoardRecord& three = street.boards[street.card_to_board[parse_card("3h")]];
    const RiverRecord& runout = three.runouts[three.card_to_runout[parse_card("4s")]];
    EXPECT_EQ(runout.value_runs, (std::vector<i16>{1, 1, 1}));
    EXPECT_EQ(runout.hands.back(), cards({"Ac", "Ad"}));
}

void expect_same_records(const StreetData& a, const StreetData& b) {
    ASSERT_EQ(a.boards.size(), b.boards.size());
    for (std::size_t t = 0; t < a.boards.size(); ++t) {
        const BoardRecord& x = a.boards[t];
        const BoardRecord& y = b.boards[t];
        ASSERT_EQ(x.hands, y.hands);
        ASSERT_EQ(x.hand_values, y.hand_values);
        ASSERT_EQ(x.parent_maps, y.parent_maps);
        ASSERT_EQ(x.card_pairs, y.card_pairs);
        ASSERT_EQ(x.combo_map, y.combo_map);
        ASSERT_EQ(x.runout_counts, y.runout_counts);
        ASSERT_EQ(x.missing_images, y.missing_images);
        for (std::size_t r = 0; r < x.runouts.size(); ++r) {
            const RiverRecord& p = x.runouts[r];
            const RiverRecord& q = y.runouts[r];
            ASSERT_EQ(p.hands, q.hands);
            ASSERT_EQ(p.hand_values, q.hand_values);
            ASSERT_EQ(p.parent_maps, q.parent_maps);
            ASSERT_EQ(p.card_pairs, q.card_pairs);
            ASSERT_EQ(p.combo_map, q.combo_map);
            ASSERT_EQ(p.value_runs, q.value_runs);
            ASSERT_EQ(p.missing_images, q.missing_images);
        }
    }
}

TEST_F(BoardHandListsTest, KernelVariantsGiveIdenticalRecords) {
    if (!cpu_features().avx2_set) GTEST_SKIP() << "processor lacks the AVX2 set";
    std::vector<f64> oop = random_range(11);
    std::vector<f64> ip = random_range(12);
    for (u64 flop : {cards({"Ts", "9s", "3h"}), cards({"Ac", "7c", "2c"})}) {
        // Random ranges are not suit-symmetric: the isomorphic street also
        // exercises the missing-image entries.
        StreetData generic = flop == cards({"Ac", "7c", "2c"})
                                 ? make_isomorphic_street(flop, {4, 20, 24})
                                 : make_plain_street(flop, 52);
        StreetData avx2 = generic;
        testing::internal::CaptureStdout();
        build_street_hand_maps(generic, oop.data(), ip.data());
        for (BoardRecord& board : generic.boards) {
            build_board_hand_maps_with(runout_kernels_generic(), board, generic.hands,
                                       generic.combo_map.data());
        }
        avx2.hands = generic.hands;
        avx2.combo_map = generic.combo_map;
        for (BoardRecord& board : avx2.boards) {
            build_board_hand_maps_with(runout_kernels_avx2(), board, avx2.hands,
                                       avx2.combo_map.data());
        }
        testing::internal::GetCapturedStdout();
        expect_same_records(generic, avx2);
    }
}

// Total matchup weight through card removal: all opposing weight, minus the
// weight on each of the hand's two cards, plus the hand itself (removed twice).
f64 matchup_by_card_removal(const std::vector<u64>& hands, const std::vector<f64>& mine,
                            const std::vector<f64>& theirs) {
    f64 total = 0;
    f64 per_card[52] = {};
    for (std::size_t j = 0; j < hands.size(); ++j) {
        total += theirs[j];
        per_card[lowest(hands[j])] += theirs[j];
        per_card[highest(hands[j])] += theirs[j];
    }
    f64 sum = 0;
    for (std::size_t i = 0; i < hands.size(); ++i) {
        f64 compatible =
            total - per_card[lowest(hands[i])] - per_card[highest(hands[i])] + theirs[i];
        sum += mine[i] * compatible;
    }
    return sum;
}

TEST_F(BoardHandListsTest, RootWeightsAreNormalisedByTheMatchupWeight) {
    StreetData street;
    street.board_mask = cards({"Kh", "8d", "8s"});
    std::vector<f64> oop = random_range(21);
    std::vector<f64> ip = random_range(22);
    build_street_hand_maps(street, oop.data(), ip.data());
    RootWeights root;
    ASSERT_TRUE(normalize_range_weights(root, oop.data(), ip.data(), street.hands));
    ASSERT_EQ(root.weights[0].size(), street.hands.size());
    for (std::size_t i = 0; i < street.hands.size(); ++i) {
        int c = combo_index(lowest(street.hands[i]), highest(street.hands[i]));
        EXPECT_EQ(root.weights[0][i], oop[c]);
        EXPECT_EQ(root.weights[1][i], ip[c]);
    }
    f64 w_oop = matchup_by_card_removal(street.hands, root.weights[0], root.weights[1]);
    f64 w_ip = matchup_by_card_removal(street.hands, root.weights[1], root.weights[0]);
    for (std::size_t i = 0; i < street.hands.size(); ++i) {
        EXPECT_NEAR(root.normalized[0][i], root.weights[0][i] / w_oop, 1e-12 / w_oop);
        EXPECT_NEAR(root.normalized[1][i], root.weights[1][i] / w_ip, 1e-12 / w_ip);
    }
}

TEST_F(BoardHandListsTest, ZeroMatchupWeightIsRefusedWithoutNaN) {
    std::vector<u64> hands = {cards({"Ac", "Ad"}), cards({"Ac", "Kd"})};
    std::vector<f64> oop(kHandCount, 0.0);
    std::vector<f64> ip(kHandCount, 0.0);
    oop[combo_index(parse_card("Ac"), parse_card("Ad"))] = 1.0;
    ip[combo_index(parse_card("Ac"), parse_card("Kd"))] = 1.0;
    RootWeights root;
    EXPECT_FALSE(normalize_range_weights(root, oop.data(), ip.data(), hands));
    EXPECT_EQ(root.weights[0], (std::vector<f64>{1.0, 0.0}));
    EXPECT_EQ(root.normalized[0], (std::vector<f64>{0.0, 0.0}));
    EXPECT_EQ(root.normalized[1], (std::vector<f64>{0.0, 0.0}));
}

TEST_F(BoardHandListsTest, MatchupWeightedAverage) {
    std::vector<u64> hands = {cards({"Ac", "Ad"}), cards({"Kc", "Kd"}), cards({"Ac", "Kh"})};
    const f64 a[3] = {1, 2, 3};
    const f64 b[3] = {1, 1, 2};
    const f64 c[3] = {1, 1, 1};
    // Compatible opponents: AA meets KK only, KK meets AA and AcKh, AcKh
    // meets KK only, so D = 1 x 1 + 1 x 2 + 2 x 1 = 5.
    EXPECT_DOUBLE_EQ(matchup_weighted_average(a, b, c, hands.data(), 3), (1 + 2 + 6) / 5.0);
    EXPECT_EQ(matchup_weighted_average(a, b, c, hands.data(), 0), 0.0);
}

}  // namespace
