// show_strategy, show_strategy_pp, show_range and show_probs: the uniform,
// current and average strategy by iteration count, rows that sum to 1 per
// hand, NaN and zero hands, ranges along a path against the product of the
// player's own action frequencies computed here, and reach probabilities.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "query_test_support.h"
#include "storage/node_data.h"
#include "tree/tree.h"

namespace {

constexpr f64 kTolerance = 1e-9;

class StrategyQuery : public QueryTest {
protected:
    static void build_river() {
        build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h",
              {"0 0", "0 50 150 150", "50 50", "100 100"});
    }

    // The rows that show_strategy prints, in combo order, without "END".
    static std::vector<std::vector<f64>> strategy_rows(const std::string& path) {
        const std::vector<std::string> lines = output_lines(run_line("show_strategy " + path));
        EXPECT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "END");
        std::vector<std::vector<f64>> rows;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) rows.push_back(combo_row(lines[i]));
        return rows;
    }

    // set_strategy with the per-combo values given in combo order.
    static std::string set_strategy(const std::string& path, int action,
                                    const std::vector<f64>& combo_values) {
        std::string line = "set_strategy " + path + " " + std::to_string(action);
        for (int h = 0; h < kHandCount; ++h) {
            line += ' ';
            line += std::to_string(combo_values[g_protocol_to_combo[h]]);
        }
        return run_line(line);
    }

    // A show_probs line: its words (player names, action elements) in order,
    // and its numbers near the expected ones, in order.
    static void expect_probs(const std::string& line, const std::vector<std::string>& words,
                             const std::vector<f64>& numbers) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\n');
        std::istringstream in(line);
        std::string token;
        std::size_t word = 0;
        std::size_t number = 0;
        while (in >> token) {
            if (word < words.size() && token == words[word]) {
                ++word;
                continue;
            }
            ASSERT_LT(number, numbers.size()) << line;
            EXPECT_NEAR(std::stod(token), numbers[number++], 1e-7) << line;
        }
        EXPECT_EQ(word, words.size()) << line;
        EXPECT_EQ(number, numbers.size()) << line;
    }

    static bool on_board(int c) { return (combo_mask_of(c) & board_mask()) != 0; }
    static u64 board_mask() { return g_flop_mask | g_turn_mask | g_river_mask; }
};

// A strategy for two actions that varies from hand to hand; every seventh
// hand gets 0 for both, which shows as the uniform default.
std::vector<std::vector<f64>> two_action_values() {
    std::vector<std::vector<f64>> values(2, std::vector<f64>(kHandCount));
    for (int c = 0; c < kHandCount; ++c) {
        const f64 first = c % 7 == 0 ? 0.0 : static_cast<f64>(c % 5) / 4.0;
        const f64 second = c % 7 == 0 ? 0.0 : 1.0 - first;
        values[0][c] = first;
        values[1][c] = second;
    }
    return values;
}

TEST_F(StrategyQuery, UniformBeforeTwentyFiveIterations) {
    build_river();
    const std::vector<std::vector<f64>> rows = strategy_rows("r:0");
    ASSERT_EQ(rows.size(), 3u);  // b100, b50, c
    const std::vector<f64>& range = g_tree->ranges[0];
    for (int c = 0; c < kHandCount; ++c) {
        for (const std::vector<f64>& row : rows) {
            // Weight 0 wins over the board: such a hand shows 0 either way.
            if (range[c] == 0.0) {
                EXPECT_EQ(row[c], 0.0) << c;
            } else if (on_board(c)) {
                EXPECT_TRUE(std::isnan(row[c])) << c;
            } else {
                EXPECT_NEAR(row[c], 1.0 / 3.0, kTolerance) << c;
            }
        }
    }
}

TEST_F(StrategyQuery, OnlyDecisionPointsHaveStrategies) {
    build_river();
    for (const char* path : {"r", "r:0:b50:c", "r:0:c:c", "r:0:b50:f"}) {
        EXPECT_EQ(run_line(std::string("show_strategy ") + path),
                  "ERROR: show_strategy incorrect path\n")
            << path;
    }
    EXPECT_EQ(run_line("show_strategy r:1"), "ERROR: show_strategy incorrect path\n");
    EXPECT_EQ(run_line("show_strategy"), "ERROR: show_strategy incorrect or missing argument\n");
}

TEST_F(StrategyQuery, CurrentStrategyIsTheStrategySetNormalised) {
    build_river();
    const std::vector<std::vector<f64>> values = two_action_values();
    ASSERT_EQ(set_strategy("r:0:c", 0, values[0]), "set_strategy ok!\n");
    ASSERT_EQ(set_strategy("r:0:c", 1, values[1]), "set_strategy ok!\n");
    g_tree->iteration = 30;
    const std::vector<std::vector<f64>> rows = strategy_rows("r:0:c");
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<f64>& range = g_tree->ranges[1];
    for (int c = 0; c < kHandCount; ++c) {
        if (on_board(c) || range[c] == 0.0) continue;
        const f64 total = values[0][c] + values[1][c];
        const f64 expected = total > 0.0 ? values[0][c] / total : 0.5;
        EXPECT_NEAR(rows[0][c], expected, 1e-6) << c;
        // The stores normalise in single precision.
        EXPECT_NEAR(rows[0][c] + rows[1][c], 1.0, 1e-6) << c;
    }
}

TEST_F(StrategyQuery, AverageStrategyFromSixtyThreeIterationsFallsBackPerHand) {
    build_river();
    const std::vector<std::vector<f64>> values = two_action_values();
    ASSERT_EQ(set_strategy("r:0:c", 0, values[0]), "set_strategy ok!\n");
    ASSERT_EQ(set_strategy("r:0:c", 1, values[1]), "set_strategy ok!\n");
    // Strategy sums written straight into the store: 3 to 1 for hands of an
    // even list position, none for the others.
    TreeNode& node = g_tree->nodes[static_cast<std::size_t>(g_line_tree->child(0.0)->index)];
    const RiverRecord& runout =
        g_tree->street_data->boards[static_cast<std::size_t>(g_tree->root_board_index)]
            .runouts[static_cast<std::size_t>(g_tree->root_river_index)];
    const i32 hands = static_cast<i32>(runout.hands.size());
    DoubleArray sums[2];
    for (int a = 0; a < 2; ++a) {
        sums[a].resize(hands);
        for (i32 i = 0; i < hands; ++i) sums[a].data[i] = i % 2 == 0 ? (a == 0 ? 3.0 : 1.0) : 0.0;
        ASSERT_TRUE(node.strategy_sums->store_row(g_tree->root_board_index,
                                                  g_tree->root_river_index, a, sums[a]));
    }
    g_tree->iteration = 70;
    const std::vector<std::vector<f64>> rows = strategy_rows("r:0:c");
    const std::vector<f64>& range = g_tree->ranges[1];
    for (int c = 0; c < kHandCount; ++c) {
        if (on_board(c) || range[c] == 0.0) continue;
        const i32 position = static_cast<i16>(runout.combo_map[static_cast<std::size_t>(c)]);
        const f64 total = values[0][c] + values[1][c];
        const f64 current = total > 0.0 ? values[0][c] / total : 0.5;
        const f64 expected = position % 2 == 0 ? 0.75 : current;
        EXPECT_NEAR(rows[0][c], expected, 1e-6) << c;
    }
}

TEST_F(StrategyQuery, RangeBelowOwnActionIsRangeTimesActionFrequency) {
    build_river();
    const std::vector<std::vector<f64>> values = two_action_values();
    // OOP at the root: b100, b50, c; the check gets values[0], b50 values[1].
    const std::vector<f64> zeros(kHandCount, 0.0);
    ASSERT_EQ(set_strategy("r:0", 0, zeros), "set_strategy ok!\n");
    ASSERT_EQ(set_strategy("r:0", 1, values[1]), "set_strategy ok!\n");
    ASSERT_EQ(set_strategy("r:0", 2, values[0]), "set_strategy ok!\n");
    g_tree->iteration = 30;

    const std::vector<f64> start = combo_row(run_line("show_range OOP"));
    const std::vector<f64> root = combo_row(run_line("show_range OOP r:0"));
    // After OOP's check and IP's bet only OOP's check counts.
    const std::vector<f64> below = combo_row(run_line("show_range OOP r:0:c:b50"));
    for (int c = 0; c < kHandCount; ++c) {
        const f64 weight = g_ranges[0][static_cast<std::size_t>(c)];
        EXPECT_EQ(start[c], weight);
        EXPECT_EQ(root[c], weight);
        if (on_board(c)) {
            // Off the hand list below an own action: undefined, printed as 0.
            EXPECT_EQ(below[c], 0.0) << c;
            continue;
        }
        const f64 total = values[0][c] + values[1][c];
        const f64 check = total > 0.0 ? values[0][c] / total : 1.0 / 3.0;
        EXPECT_NEAR(below[c], weight * check, 1e-6) << c;
    }
    // IP's range is untouched by OOP's actions, and halved by its own bet.
    const std::vector<f64> ip = combo_row(run_line("show_range IP r:0:c"));
    const std::vector<f64> ip_bet = combo_row(run_line("show_range IP r:0:c:b50"));
    for (int c = 0; c < kHandCount; ++c) {
        const f64 weight = g_ranges[1][static_cast<std::size_t>(c)];
        EXPECT_EQ(ip[c], weight) << c;
        if (on_board(c)) continue;
        EXPECT_DOUBLE_EQ(ip_bet[c], weight * 0.5) << c;
    }
}

TEST_F(StrategyQuery, ShowRangeArguments) {
    EXPECT_EQ(run_line("show_range"), "ERROR: show_range incorrect or missing argument\n");
    EXPECT_EQ(run_line("show_range OOP"), "ERROR: show_range ranges not set\n");
    EXPECT_EQ(run_line("show_range BTN"), "ERROR: show_range incorrect player name\n");
    ASSERT_EQ(run_line("set_range IP " + range_tokens(ranks_in("KQ"))), "set_range ok!\n");
    EXPECT_EQ(combo_row(run_line("show_range villain"))[0], 0.0);
    EXPECT_EQ(run_line("show_range IP r:0"), "ERROR: show_range missing/incorrect tree\n");
}

TEST_F(StrategyQuery, ShowRangeReadsTheRangesOfTheTree) {
    build_river();
    ASSERT_EQ(run_line("set_range OOP " + range_tokens(ranks_in("Q"))), "set_range ok!\n");
    const std::vector<f64> shown = combo_row(run_line("show_range OOP"));
    for (int c = 0; c < kHandCount; ++c) {
        EXPECT_EQ(shown[c], g_tree->ranges[0][static_cast<std::size_t>(c)]);
    }
}

TEST_F(StrategyQuery, ProbabilitiesOfReachAndActions) {
    build_river();
    EXPECT_EQ(run_line("show_probs r"), "OOP 1 IP 1 \n");
    EXPECT_EQ(run_line("show_probs r:0"),
              "OOP 1 IP 1 b100 0.333333333333 b50 0.333333333333 c 0.333333333333\n");

    const std::vector<std::vector<f64>> values = two_action_values();
    const std::vector<f64> zeros(kHandCount, 0.0);
    ASSERT_EQ(set_strategy("r:0", 0, zeros), "set_strategy ok!\n");
    ASSERT_EQ(set_strategy("r:0", 1, values[1]), "set_strategy ok!\n");
    ASSERT_EQ(set_strategy("r:0", 2, values[0]), "set_strategy ok!\n");
    g_tree->iteration = 30;

    // Share of OOP's range (hands off the board) that takes each action; a
    // hand whose values are all 0 plays the uniform default.
    f64 taken[3] = {0.0, 0.0, 0.0};
    f64 weight = 0.0;
    for (int c = 0; c < kHandCount; ++c) {
        if (on_board(c)) continue;
        const f64 w = g_ranges[0][static_cast<std::size_t>(c)];
        const f64 total = values[0][c] + values[1][c];
        taken[0] += w * (total > 0.0 ? 0.0 : 1.0 / 3.0);
        taken[1] += w * (total > 0.0 ? values[1][c] / total : 1.0 / 3.0);
        taken[2] += w * (total > 0.0 ? values[0][c] / total : 1.0 / 3.0);
        weight += w;
    }
    // The stores normalise in single precision.
    expect_probs(run_line("show_probs r:0"), {"OOP", "IP", "b100", "b50", "c"},
                 {1.0, 1.0, taken[0] / weight, taken[1] / weight, taken[2] / weight});
    expect_probs(run_line("show_probs r:0:c"), {"OOP", "IP", "b50", "c"},
                 {taken[2] / weight, 1.0, 0.5, 0.5});
    expect_probs(run_line("show_probs r:0:c:c"), {"OOP", "IP"}, {taken[2] / weight, 0.5});
}

TEST_F(StrategyQuery, PerHandListingFollowsTheEquityOrder) {
    build_river();
    const std::vector<std::string> lines = output_lines(run_line("show_strategy_pp r:0:c"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "END");
    int listed = 0;
    for (int c = 0; c < kHandCount; ++c)
        listed += !on_board(c) && g_ranges[1][static_cast<std::size_t>(c)] != 0.0;
    EXPECT_EQ(static_cast<int>(lines.size()) - 1, listed);
    // IP's strongest hands on this board are the sets of kings.
    EXPECT_EQ(lines[0].substr(4), ":   0.500000  0.500000");
    EXPECT_EQ(lines[0][0], 'K');
    EXPECT_EQ(lines[0][2], 'K');
    EXPECT_EQ(run_line("show_strategy_pp r:0:b50:c"), "ERROR: show_strategy_pp incorrect path\n");
}

}  // namespace
