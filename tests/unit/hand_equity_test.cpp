// Hand equity at a point of the board structure and the hand order by
// equity, against a brute force over every runout written here with its own
// seven-card ranking, independent of the system's evaluator.
#include "queries/hand_equity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "cards/hand_tables.h"
#include "equity_brute_force.h"
#include "queries/hand_equity_order.h"
#include "tree_test_support.h"

namespace {

using brute::brute_force;
using brute::combo_cards;
using brute::Expected;

// ---- fixtures ------------------------------------------------------------

// Check-down lines from the root street to a showdown on the river.
RecordList check_down(u32 first) {
    RecordList list;
    i32 parent = -1;
    for (u32 street = first; street <= kStreetRiver; ++street) {
        parent = list.decision(parent, 0, street);
        parent = list.decision(parent, 1, street);
    }
    list.showdown(parent, 5.0);
    return list;
}

std::vector<f64> range_of(const std::vector<std::pair<const char*, f64>>& hands) {
    std::vector<f64> range(kHandCount, 0.0);
    for (const auto& [text, weight] : hands) {
        const std::string s(text);
        range[static_cast<std::size_t>(
            combo_index(card(s.substr(0, 2).c_str()), card(s.substr(2, 2).c_str())))] = weight;
    }
    return range;
}

std::vector<int> cards_of(const std::vector<const char*>& board) {
    std::vector<int> out;
    for (const char* c : board) out.push_back(card(c));
    return out;
}

struct EquityResult {
    std::vector<f64> equity = std::vector<f64>(kHandCount, 0.0);
    std::vector<f64> weight = std::vector<f64>(kHandCount, 0.0);
};

EquityResult run_equity(u32 player, i32 turn, i32 river, const std::vector<f64>& own,
                        const std::vector<f64>& opponent) {
    EquityResult r;
    hand_equity(player, turn, river, own.data(), opponent.data(), r.equity.data(), r.weight.data());
    return r;
}

class HandEquityTest : public TreeTest {
protected:
    // Checks every combo of the player's build range against the brute force
    // on the full board of the point (tree board plus dealt cards).
    void expect_brute_force(const EquityResult& got, const std::vector<int>& board,
                            const std::vector<f64>& build_range, const std::vector<f64>& own,
                            const std::vector<f64>& opponent) {
        u64 board_mask = 0;
        for (int c : board) board_mask |= u64{1} << c;
        for (int c = 0; c < kHandCount; ++c) {
            const auto i = static_cast<std::size_t>(c);
            const bool dead = (combo_cards(c).mask() & board_mask) != 0;
            if (dead || build_range[i] == 0.0) {
                EXPECT_TRUE(std::isnan(got.equity[i])) << c;
                EXPECT_TRUE(std::isnan(got.weight[i])) << c;
                continue;
            }
            const Expected want = brute_force(c, board, own, opponent);
            EXPECT_NEAR(got.equity[i], want.equity, 1e-12) << c;
            EXPECT_NEAR(got.weight[i], want.weight, 1e-9 * std::max(1.0, want.weight)) << c;
        }
    }
};

const std::vector<std::pair<const char*, f64>> kOopHands = {
    {"AhKh", 1.0}, {"QsQd", 0.5}, {"7c6c", 1.0}, {"Td9d", 0.25}, {"2s2h", 1.0}};
const std::vector<std::pair<const char*, f64>> kIpHands = {
    {"AcQc", 1.0}, {"JsJh", 0.75}, {"8d7d", 1.0}, {"KdKc", 0.5}, {"5h4h", 1.0}, {"AsTs", 1.0}};

TEST_F(HandEquityTest, RiverMatchesShowdownCount) {
    const std::vector<const char*> board = {"Kh", "7d", "2c", "9s", "4d"};
    const std::vector<f64> oop = range_of(kOopHands);
    const std::vector<f64> ip = range_of(kIpHands);
    create_tree(spec_for(check_down(kStreetRiver), board, oop, ip, 0));
    const EquityResult got = run_equity(0, card("9s"), card("4d"), oop, ip);
    expect_brute_force(got, cards_of(board), oop, oop, ip);
}

TEST_F(HandEquityTest, TurnAveragesOverRiverCards) {
    const std::vector<const char*> board = {"Kh", "7d", "2c", "9s"};
    const std::vector<f64> oop = range_of(kOopHands);
    const std::vector<f64> ip = range_of(kIpHands);
    create_tree(spec_for(check_down(kStreetTurn), board, oop, ip, 0));
    const EquityResult got = run_equity(1, card("9s"), -1, ip, oop);
    expect_brute_force(got, cards_of(board), ip, ip, oop);
}

TEST_F(HandEquityTest, FlopAveragesOverTurnAndRiverCards) {
    const std::vector<const char*> board = {"Kh", "7d", "2c"};
    const std::vector<f64> oop = range_of(kOopHands);
    const std::vector<f64> ip = range_of(kIpHands);
    create_tree(spec_for(check_down(kStreetFlop), board, oop, ip, 0));
    const EquityResult top = run_equity(0, -1, -1, oop, ip);
    expect_brute_force(top, cards_of(board), oop, oop, ip);
    const EquityResult turn = run_equity(0, card("Ts"), -1, oop, ip);
    expect_brute_force(turn, cards_of({"Kh", "7d", "2c", "Ts"}), oop, oop, ip);
    const EquityResult river = run_equity(0, card("Ts"), card("3h"), oop, ip);
    expect_brute_force(river, cards_of({"Kh", "7d", "2c", "Ts", "3h"}), oop, oop, ip);
}

// Under suit isomorphism a turn card stands for its suit-swapped images; the
// results come back in actual suits all the same.
TEST_F(HandEquityTest, IsomorphicFlopGivesActualSuits) {
    const std::vector<const char*> board = {"Kh", "7h", "2c"};
    const std::vector<f64> range = class_range({0, 14, 28, 40, 90, 140, 168});
    create_tree(spec_for(check_down(kStreetFlop), board, range, range, 1));
    ASSERT_TRUE(g_tree->flags & kTreeIsomorphism);
    for (const char* turn : {"Ts", "Td", "3h"}) {
        const EquityResult got = run_equity(0, card(turn), -1, range, range);
        expect_brute_force(got, cards_of({"Kh", "7h", "2c", turn}), range, range, range);
    }
}

// A combo that the player's own weights leave out but the build range holds
// keeps a defined equity with weight 0; an opponent without compatible
// weight gives equity 0 and weight 0. (Board lists hold only the hands of
// the build ranges, so the opponent's one hand is one of them.)
TEST_F(HandEquityTest, OwnWeightAndEmptyOpponent) {
    const std::vector<const char*> board = {"Kh", "7d", "2c", "9s", "4d"};
    const std::vector<f64> oop = range_of(kOopHands);
    const std::vector<f64> ip = range_of(kIpHands);
    create_tree(spec_for(check_down(kStreetRiver), board, oop, ip, 0));
    const std::vector<f64> own(kHandCount, 0.0);
    const std::vector<f64> opponent = range_of({{"Td9d", 1.0}});
    const EquityResult got = run_equity(0, card("9s"), card("4d"), own, opponent);
    const auto blocked = static_cast<std::size_t>(combo_index(card("Td"), card("9d")));
    const auto winner = static_cast<std::size_t>(combo_index(card("Qs"), card("Qd")));
    const auto loser = static_cast<std::size_t>(combo_index(card("7c"), card("6c")));
    EXPECT_EQ(got.equity[blocked], 0.0);  // blocked by the opponent's only hand
    EXPECT_EQ(got.weight[blocked], 0.0);
    EXPECT_EQ(got.equity[winner], 1.0);
    EXPECT_EQ(got.weight[winner], 0.0);
    EXPECT_EQ(got.equity[loser], -1.0);
}

TEST_F(HandEquityTest, NoTreeLeavesOutputsAlone) {
    const std::vector<f64> range(kHandCount, 1.0);
    EquityResult r;
    std::fill(r.equity.begin(), r.equity.end(), 7.0);
    hand_equity(0, -1, -1, range.data(), range.data(), r.equity.data(), r.weight.data());
    EXPECT_EQ(r.equity[0], 7.0);
    EXPECT_EQ(r.weight[0], 0.0);
}

// ---- order by equity ---------------------------------------------------------

TEST(OrderByEquity, DescendingStableWithoutUndefined) {
    std::vector<f64> equity(kHandCount, std::nan(""));
    auto set_at_protocol = [&](int h, f64 e) { equity[g_protocol_to_combo[h]] = e; };
    init_hand_tables();
    set_at_protocol(10, 0.5);
    set_at_protocol(3, -0.25);
    set_at_protocol(700, 0.5);
    set_at_protocol(5, 1.0);
    set_at_protocol(1200, -1.0);
    EXPECT_EQ(order_by_equity(equity.data()), (std::vector<i32>{5, 10, 700, 3, 1200}));
}

}  // namespace
