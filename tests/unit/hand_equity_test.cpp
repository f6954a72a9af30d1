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
#include "queries/hand_equity_order.h"
#include "tree_test_support.h"

namespace {

// ---- independent seven-card ranking ---------------------------------------

int rank_of(int card) {
    return card % 13;
}
int suit_of(int card) {
    return card / 13;
}

// Highest rank of a five-rank run in a 13-bit rank mask (the wheel counts
// with the five high), or -1.
int straight_high(unsigned ranks) {
    for (int high = 12; high >= 4; --high) {
        const unsigned run = 0x1Fu << (high - 4);
        if ((ranks & run) == run) return high;
    }
    const unsigned wheel = (1u << 12) | 0xFu;
    return (ranks & wheel) == wheel ? 3 : -1;
}

struct HandRank {
    u64 value = 0;
    int nibbles = 0;
    void push(int x) {
        value = value * 16 + static_cast<u64>(x);
        ++nibbles;
    }
    u64 finish(int category) {
        while (nibbles < 5) push(0);
        return (static_cast<u64>(category) << 20) | value;
    }
};

// Ranks present with at least `count` cards, highest first, skipping `skip`.
std::vector<int> ranks_with(const int counts[13], int count, int skip = -1, int skip2 = -1) {
    std::vector<int> out;
    for (int r = 12; r >= 0; --r) {
        if (counts[r] >= count && r != skip && r != skip2) out.push_back(r);
    }
    return out;
}

u64 rank7(const std::array<int, 7>& cards) {
    int counts[13] = {};
    unsigned suit_ranks[4] = {};
    unsigned all = 0;
    for (int c : cards) {
        ++counts[rank_of(c)];
        suit_ranks[suit_of(c)] |= 1u << rank_of(c);
        all |= 1u << rank_of(c);
    }
    HandRank h;
    for (unsigned s : suit_ranks) {
        if (__builtin_popcount(s) < 5) continue;
        const int sf = straight_high(s);
        if (sf >= 0) {
            h.push(sf);
            return h.finish(8);
        }
    }
    const std::vector<int> quads = ranks_with(counts, 4);
    if (!quads.empty()) {
        h.push(quads[0]);
        h.push(ranks_with(counts, 1, quads[0])[0]);
        return h.finish(7);
    }
    const std::vector<int> trips = ranks_with(counts, 3);
    if (!trips.empty()) {
        const std::vector<int> pairs = ranks_with(counts, 2, trips[0]);
        if (!pairs.empty()) {
            h.push(trips[0]);
            h.push(pairs[0]);
            return h.finish(6);
        }
    }
    for (unsigned s : suit_ranks) {
        if (__builtin_popcount(s) < 5) continue;
        for (int r = 12, n = 0; r >= 0 && n < 5; --r) {
            if (s & (1u << r)) {
                h.push(r);
                ++n;
            }
        }
        return h.finish(5);
    }
    const int straight = straight_high(all);
    if (straight >= 0) {
        h.push(straight);
        return h.finish(4);
    }
    if (!trips.empty()) {
        h.push(trips[0]);
        const std::vector<int> kickers = ranks_with(counts, 1, trips[0]);
        h.push(kickers[0]);
        h.push(kickers[1]);
        return h.finish(3);
    }
    const std::vector<int> pairs = ranks_with(counts, 2);
    if (pairs.size() >= 2) {
        h.push(pairs[0]);
        h.push(pairs[1]);
        h.push(ranks_with(counts, 1, pairs[0], pairs[1])[0]);
        return h.finish(2);
    }
    if (pairs.size() == 1) {
        h.push(pairs[0]);
        const std::vector<int> kickers = ranks_with(counts, 1, pairs[0]);
        for (int k = 0; k < 3; ++k) h.push(kickers[static_cast<std::size_t>(k)]);
        return h.finish(1);
    }
    const std::vector<int> high = ranks_with(counts, 1);
    for (int k = 0; k < 5; ++k) h.push(high[static_cast<std::size_t>(k)]);
    return h.finish(0);
}

// ---- brute-force equity ----------------------------------------------------

struct Combo {
    int lo;
    int hi;
    u64 mask() const { return (u64{1} << lo) | (u64{1} << hi); }
};

Combo combo_cards(int c) {
    int hi = 1;
    while ((hi + 1) * hi / 2 <= c) ++hi;
    return Combo{c - hi * (hi - 1) / 2, hi};
}

int showdown(const Combo& a, const Combo& b, const std::vector<int>& board) {
    std::array<int, 7> ca{};
    std::array<int, 7> cb{};
    for (std::size_t i = 0; i < 5; ++i) ca[i] = cb[i] = board[i];
    ca[5] = a.lo;
    ca[6] = a.hi;
    cb[5] = b.lo;
    cb[6] = b.hi;
    const u64 ra = rank7(ca);
    const u64 rb = rank7(cb);
    return ra > rb ? 1 : (ra < rb ? -1 : 0);
}

// Sum of showdown results of a against b over the ordered runouts of the
// missing board cards that meet neither hand, and the number of runouts.
std::pair<f64, f64> runout_results(const Combo& a, const Combo& b, std::vector<int> board) {
    const u64 dead = a.mask() | b.mask();
    u64 used = dead;
    for (int c : board) used |= u64{1} << c;
    if (board.size() == 5) return {static_cast<f64>(showdown(a, b, board)), 1.0};
    f64 sum = 0.0;
    f64 count = 0.0;
    for (int card = 0; card < 52; ++card) {
        if (used & (u64{1} << card)) continue;
        board.push_back(card);
        const auto [s, n] = runout_results(a, b, board);
        board.pop_back();
        sum += s;
        count += n;
    }
    return {sum, count};
}

struct Expected {
    f64 equity;
    f64 weight;
};

Expected brute_force(int combo, const std::vector<int>& board, const std::vector<f64>& own,
                     const std::vector<f64>& opponent) {
    const Combo a = combo_cards(combo);
    f64 total = 0.0;
    f64 mass = 0.0;
    f64 runouts = 0.0;
    for (int j = 0; j < kHandCount; ++j) {
        const f64 w = opponent[static_cast<std::size_t>(j)];
        if (w <= 0.0) continue;
        const Combo b = combo_cards(j);
        u64 board_mask = 0;
        for (int c : board) board_mask |= u64{1} << c;
        if (b.mask() & (a.mask() | board_mask)) continue;
        const auto [sum, count] = runout_results(a, b, board);
        total += w * sum / count;
        mass += w;
        runouts = count;
    }
    const f64 equity = mass > 0.0 ? total / mass : 0.0;
    return {equity, runouts * own[static_cast<std::size_t>(combo)] * mass};
}

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
