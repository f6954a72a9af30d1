// The expected-value commands run through the dispatcher: on check-down
// trees a hand's value is the pot times its equity, at a fold the folding
// player keeps nothing and the other takes the pot, both players' weighted
// values add up to the pot, and after a solve the weighted mean is the value
// that `calc_results` reports.
#include "queries/ev_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "cards/hand_tables.h"
#include "equity_query_support.h"
#include "tree/tree.h"

namespace {

constexpr f64 kPot = 100.0;

struct Rows {
    std::vector<f64> values;
    std::vector<f64> weights;
};

Rows rows_of(const std::string& command) {
    const Printed p = run_rows(command);
    EXPECT_EQ(p.lines.size(), 3u) << command;
    EXPECT_EQ(p.lines.empty() ? "" : p.lines.back(), "END") << command;
    return Rows{p.equity, p.weight};
}

bool same_or_both_nan(f64 a, f64 b, f64 tolerance) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::fabs(a - b) <= tolerance * std::max(1.0, std::fabs(b));
}

// Sum of weight x (shown value - half the pot) over the defined hands: the
// player's share of the game's total, which is zero-sum between the two.
struct Gain {
    f64 sum = 0.0;
    // Sum of the magnitudes: the rows print nine digits, so the sums can
    // cancel only to about that many digits of it.
    f64 scale = 0.0;
};

Gain weighted_gain(const Rows& rows) {
    Gain gain;
    for (std::size_t h = 0; h < rows.values.size(); ++h) {
        if (std::isnan(rows.values[h])) continue;
        const f64 term = rows.weights[h] * (rows.values[h] - 0.5 * kPot);
        gain.sum += term;
        gain.scale += std::fabs(term) + rows.weights[h] * 0.5 * kPot;
    }
    return gain;
}

void expect_zero_sum(const Gain& oop, const Gain& ip) {
    EXPECT_GT(oop.scale, 0.0);
    EXPECT_NEAR(oop.sum + ip.sum, 0.0, 1e-8 * (oop.scale + ip.scale));
}

f64 weighted_mean(const Rows& rows) {
    f64 sum = 0.0;
    f64 mass = 0.0;
    for (std::size_t h = 0; h < rows.values.size(); ++h) {
        if (std::isnan(rows.values[h])) continue;
        sum += rows.weights[h] * rows.values[h];
        mass += rows.weights[h];
    }
    return sum / mass;
}

f64 reported(const std::string& results, const std::string& label) {
    const std::size_t at = results.find(label);
    EXPECT_NE(at, std::string::npos) << results;
    return std::strtod(results.c_str() + at + label.size(), nullptr);
}

class EvCommandsTest : public EquityQueryTest {
protected:
    // The solver's own lines go straight to standard output.
    static void solve(const std::string& go) {
        run_line(go);
        run_line("wait_for_solver");
        ASSERT_GT(g_tree->iteration, 0u);
    }

    // With one action per node nobody decides anything: each hand's value is
    // its share of the pot at showdown, with the weights of the equity.
    void expect_pot_times_equity(const std::string& path) {
        for (const char* player : {"OOP", "IP"}) {
            const Rows ev = rows_of(std::string("calc_ev ") + player + " " + path);
            const Printed eq = run_rows(std::string("calc_eq_node ") + player + " " + path);
            ASSERT_EQ(ev.values.size(), static_cast<std::size_t>(kHandCount));
            ASSERT_EQ(eq.equity.size(), static_cast<std::size_t>(kHandCount));
            int defined = 0;
            for (int h = 0; h < kHandCount; ++h) {
                const auto i = static_cast<std::size_t>(h);
                EXPECT_TRUE(same_or_both_nan(ev.values[i], kPot * eq.equity[i], 1e-8))
                    << player << " " << path << " " << h << ": " << ev.values[i] << " vs "
                    << kPot * eq.equity[i];
                EXPECT_TRUE(same_or_both_nan(ev.weights[i], eq.weight[i], 1e-8))
                    << player << " " << path << " " << h;
                if (!std::isnan(ev.values[i])) ++defined;
            }
            EXPECT_GT(defined, 0) << player << " " << path;
        }
    }
};

TEST_F(EvCommandsTest, CheckDownRiverIsPotTimesEquity) {
    build("Kh 7d 2c 9s 4d", "0 0");
    for (const char* path : {"r:0", "r:0:c", "r:0:c:c"}) expect_pot_times_equity(path);
    EXPECT_EQ(run_line("calc_ev OOP r"), run_line("calc_ev OOP r:0"));
}

TEST_F(EvCommandsTest, CheckDownTurnIsPotTimesEquity) {
    build("Kh 7d 2c 9s", "0 0 0 0");
    for (const char* path : {"r:0", "r:0:c:c", "r:0:c:c:4d", "r:0:c:c:4d:c:c"}) {
        expect_pot_times_equity(path);
    }
}

// Through every kind of point of a flop tree: flop nodes, the chance point
// before the turn (valued over every turn card), turn and river nodes.
TEST_F(EvCommandsTest, CheckDownFlopIsPotTimesEquity) {
    ASSERT_EQ(run_line("set_isomorphism 0 0"), "set_isomorphism ok!\n");
    build("Kh 7d 2c", "0 0 0 0 0 0");
    for (const char* path : {"r:0", "r:0:c", "r:0:c:c", "r:0:c:c:Ts", "r:0:c:c:Ts:c:c",
                             "r:0:c:c:Ts:c:c:3h", "r:0:c:c:Ts:c:c:3h:c:c"}) {
        expect_pot_times_equity(path);
    }
}

TEST_F(EvCommandsTest, IsomorphicFlopGivesActualSuits) {
    std::vector<f64> pairs(kHandCount, 0.0);
    std::vector<f64> suited(kHandCount, 0.0);
    for (int cls : {0, 14, 28, 168}) {
        for (u16 combo : g_hand_class_combos[cls]) pairs[combo] = 1.0;
    }
    for (int cls : {90, 140}) {
        for (u16 combo : g_hand_class_combos[cls]) suited[combo] = 0.5;
    }
    build_with("Kh 7h 2c", {"0 0 0 0 0 0"}, pairs, suited);
    ASSERT_TRUE(g_tree->flags & kTreeIsomorphism);
    for (const char* path : {"r:0", "r:0:c:c:Ts", "r:0:c:c:Td:c:c:3s", "r:0:c:c:3h"}) {
        expect_pot_times_equity(path);
    }
}

TEST_F(EvCommandsTest, FoldGivesPotToTheOtherPlayer) {
    build_with("Kh 7d 2c 9s 4d", {"0 0", "50 50"}, range_of(kOopHands), range_of(kIpHands));
    const Rows oop = rows_of("calc_ev OOP r:0:b50:f");
    const Rows ip = rows_of("calc_ev IP r:0:b50:f");
    std::vector<f64> oop_values;
    std::vector<f64> ip_values;
    for (int h = 0; h < kHandCount; ++h) {
        const auto i = static_cast<std::size_t>(h);
        if (!std::isnan(oop.values[i])) oop_values.push_back(oop.values[i]);
        if (!std::isnan(ip.values[i])) ip_values.push_back(ip.values[i]);
    }
    EXPECT_EQ(oop_values, std::vector<f64>(4, kPot));  // AhKh meets the board
    EXPECT_EQ(ip_values, std::vector<f64>(5, 0.0));    // 8d7d meets the board
}

// Hands that meet the board, and hands outside the player's range, have no
// value and no weight.
TEST_F(EvCommandsTest, UndefinedHands) {
    build("Kh 7d 2c 9s 4d", "0 0");
    const Rows oop = rows_of("calc_ev OOP r:0");
    int defined = 0;
    for (int h = 0; h < kHandCount; ++h) {
        const int c = g_protocol_to_combo[h];
        const auto i = static_cast<std::size_t>(h);
        const bool dead =
            (g_protocol_mask[h] &
             ((u64{1} << card_of("Kh")) | (u64{1} << card_of("7d")) | (u64{1} << card_of("2c")) |
              (u64{1} << card_of("9s")) | (u64{1} << card_of("4d")))) != 0;
        const bool held = oop_[static_cast<std::size_t>(c)] != 0.0;
        // An undefined weight prints as 0, an undefined value as "nan".
        EXPECT_EQ(std::isnan(oop.values[i]), dead || !held) << h;
        EXPECT_FALSE(std::isnan(oop.weights[i])) << h;
        if (dead || !held) EXPECT_EQ(oop.weights[i], 0.0) << h;
        if (!dead && held) ++defined;
    }
    EXPECT_EQ(defined, 4);  // AhKh meets the board
}

// The two players' weighted gains cancel at the root whatever strategies
// are played: before any iteration and after a few.
TEST_F(EvCommandsTest, WeightedValuesAreZeroSum) {
    build_with("Kh 7d 2c 9s",
               {"0 0 0 0", "0 0 50 50", "0 0 50 150 150", "40 40 40 40", "40 40 80 80"},
               range_of(kOopHands), range_of(kIpHands));
    expect_zero_sum(weighted_gain(rows_of("calc_ev OOP r:0")),
                    weighted_gain(rows_of("calc_ev IP r:0")));
    solve("go 40 steps");
    expect_zero_sum(weighted_gain(rows_of("calc_ev OOP r:0")),
                    weighted_gain(rows_of("calc_ev IP r:0")));
}

TEST_F(EvCommandsTest, SolvedRiverMatchesCalcResults) {
    build_with("Kh 7d 2c 9s 4d", {"0 0", "0 50 50", "0 50 150 150", "50 50", "50 150 150"},
               range_of(kOopHands), range_of(kIpHands));
    solve("go 100 steps");
    const std::string results = run_line("calc_results");
    EXPECT_NEAR(weighted_mean(rows_of("calc_ev OOP r:0")), reported(results, "EV OOP: "), 5e-4);
    EXPECT_NEAR(weighted_mean(rows_of("calc_ev IP r:0")), reported(results, "EV IP: "), 5e-4);
}

// An edited strategy is what the next query values, with no solver
// iteration in between: the values that the chance nodes keep from the last
// measurement must not answer for the edited river strategy.
TEST_F(EvCommandsTest, SetStrategyIsValuedAtOnce) {
    build_with("Kh 7d 2c 9s", {"0 0 0 0", "0 0 50 50", "50 50 50 50", "50 50 150 150"},
               range_of(kOopHands), range_of(kIpHands));
    solve("go 30 steps");
    const f64 before = weighted_mean(rows_of("calc_ev OOP r:0"));
    std::string zeros;
    std::string ones;
    for (int h = 0; h < kHandCount; ++h) {
        zeros += " 0";
        ones += " 1";
    }
    // OOP bets every river after the turn checks through.
    for (const char* rank : {"2", "3", "4", "5", "6", "8", "T", "J", "Q", "A"}) {
        for (const char* suit : {"c", "d", "h", "s"}) {
            const std::string card = std::string(rank) + suit;
            if (card == "2c") continue;  // on the board
            const std::string path = "r:0:c:c:" + card;
            ASSERT_EQ(run_line("set_strategy " + path + " 0" + ones), "set_strategy ok!\n");
            ASSERT_EQ(run_line("set_strategy " + path + " 1" + zeros), "set_strategy ok!\n");
        }
    }
    const f64 after = weighted_mean(rows_of("calc_ev OOP r:0"));
    const std::string results = run_line("calc_results");
    EXPECT_NEAR(after, reported(results, "EV OOP: "), 5e-4);
    EXPECT_GT(std::fabs(after - before), 1e-3);
}

// A call of an all-in bet on the flop closes into a showdown that the tree
// keeps on the river: before the turn, and after it, the hand is valued
// over the cards still to come. Winning takes the pot and the bet, losing
// gives the bet: (pot + 2 x bet) x equity - bet, with the equity's weights.
TEST_F(EvCommandsTest, AllInCallIsValuedOverTheCardsToCome) {
    ASSERT_EQ(run_line("set_isomorphism 0 0"), "set_isomorphism ok!\n");
    build_with("Kh 7d 2c", {"0 0 0 0 0 0", "50 50"}, range_of(kOopHands), range_of(kIpHands));
    constexpr f64 kBet = 50.0;
    for (const char* path : {"r:0:b50:c", "r:0:b50:c:Ts"}) {
        for (const char* player : {"OOP", "IP"}) {
            const Rows ev = rows_of(std::string("calc_ev ") + player + " " + path);
            const Printed eq = run_rows(std::string("calc_eq_node ") + player + " " + path);
            ASSERT_EQ(ev.values.size(), static_cast<std::size_t>(kHandCount)) << path;
            ASSERT_EQ(eq.equity.size(), static_cast<std::size_t>(kHandCount)) << path;
            int defined = 0;
            for (std::size_t i = 0; i < ev.values.size(); ++i) {
                const f64 expected = (kPot + 2.0 * kBet) * eq.equity[i] - kBet;
                EXPECT_TRUE(same_or_both_nan(ev.values[i], expected, 1e-8))
                    << player << " " << path << " " << i << ": " << ev.values[i] << " vs "
                    << expected;
                EXPECT_TRUE(same_or_both_nan(ev.weights[i], eq.weight[i], 1e-8))
                    << player << " " << path << " " << i;
                if (!std::isnan(ev.values[i])) ++defined;
            }
            EXPECT_GT(defined, 0) << player << " " << path;
        }
    }
}

TEST_F(EvCommandsTest, ConstantLinesAndFailures) {
    EXPECT_EQ(run_line("calc_ev OOP r:0"), "ERROR: calc_ev missing/incorrect tree\n");
    EXPECT_EQ(run_line("calc_ev_line OOP r:0"), "ERROR: calc_ev_line missing/incorrect tree\n");
    EXPECT_EQ(run_line("calc_ev OOP"), "ERROR: calc_ev incorrect or missing argument\n");
    ASSERT_EQ(run_line("set_isomorphism 0 0"), "set_isomorphism ok!\n");
    build("Kh 7d 2c", "0 0 0 0 0 0");
    const Rows line = rows_of("calc_ev_line IP r:0:c");
    EXPECT_EQ(line.values, std::vector<f64>(kHandCount, 0.0));
    EXPECT_EQ(line.weights, std::vector<f64>(kHandCount, 1.0));
    EXPECT_EQ(run_line("calc_ev_line hero3 r:0"), "ERROR: calc_ev_line incorrect player name\n");
    EXPECT_EQ(run_line("calc_ev_pp OOP r:0:b10"), "ERROR: calc_ev_pp incorrect path\n");
    // A turn node past the chance point whose card the path did not name.
    EXPECT_EQ(run_line("calc_ev OOP r:0:c:c:c"), "ERROR: calc_ev incorrect path\n");
    EXPECT_EQ(run_line("calc_ev_line OOP r:0:c:c:c"), "ERROR: calc_ev_line incorrect path\n");
}

// One line per hand of the hand order at the node, with the calc_ev values.
TEST_F(EvCommandsTest, ListingFollowsHandOrder) {
    build("Kh 7d 2c 9s 4d", "0 0");
    const Rows ev = rows_of("calc_ev OOP r:0");
    const std::vector<std::string> lines = lines_of(run_line("calc_ev_pp OOP r:0"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.back(), "END");
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const int h = static_cast<int>(std::string(g_hand_text).find(lines[i].substr(0, 4))) / 5;
        char expected[64];
        std::snprintf(expected, sizeof expected, ": %.2f; %.2f",
                      ev.values[static_cast<std::size_t>(h)],
                      ev.weights[static_cast<std::size_t>(h)]);
        EXPECT_EQ(lines[i].substr(4), expected);
    }
    EXPECT_EQ(lines[0].substr(0, 4), "2s2h");
}

}  // namespace
