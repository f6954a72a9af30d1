// Numbers that the solver's arithmetic cannot carry are refused where they
// come in (range weights, line amounts, strategy values) and at the build,
// whatever set them; the numbers it does take go through unchanged, so
// ranges scaled by a constant give the same solve.
#include "solver/arithmetic_limits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "query_test_support.h"

namespace {

class ArithmeticLimits : public QueryTest {
protected:
    // The hands of ranks in `ranks` at `weight`, the others at 0.
    static std::string weighted_range(const std::string& ranks, const std::string& weight) {
        const auto in_range = ranks_in(ranks);
        std::string text;
        for (int h = 0; h < kHandCount; ++h) {
            if (h > 0) text += ' ';
            text += in_range(protocol_hand_text(h)) ? weight : "0";
        }
        return text;
    }

    static void build_river(const std::string& weight) {
        build(weighted_range("AKQJT9", weight), weighted_range("AKQJT9", weight), "Kh 7d 2c 9s 4d",
              {"0 0", "50 50", "0 50 50"});
    }

    static std::string values(const std::string& value) {
        std::string text;
        for (int h = 0; h < kHandCount; ++h) text += " " + value;
        return text;
    }

    // EVs, best responses and exploitability after `steps` iterations.
    static std::vector<f64> solve_figures(int steps) {
        run_line("go " + std::to_string(steps) + " steps");
        run_line("wait_for_solver");
        std::vector<f64> figures;
        for (const std::string& line : output_lines(run_line("calc_results"))) {
            const std::size_t colon = line.find(": ");
            if (colon != std::string::npos) figures.push_back(std::stod(line.substr(colon + 2)));
        }
        return figures;
    }
};

TEST_F(ArithmeticLimits, RangeWeightsOutsideZeroToTheLimitAreRefused) {
    ASSERT_EQ(run_line("set_range OOP " + weighted_range("AK", "1e12")), "set_range ok!\n");
    const std::vector<f64> kept = g_ranges[0];
    for (const char* weight : {"1.000001e12", "1e30", "1e300"}) {
        EXPECT_EQ(run_line("set_range OOP " + weighted_range("AK", weight)),
                  "ERROR: set_range weight too large (at most 1e+12)\n")
            << weight;
    }
    for (const char* weight : {"-1", "-2e12", "-1e-300"}) {
        EXPECT_EQ(run_line("set_range OOP " + weighted_range("AK", weight)),
                  "ERROR: set_range weight below 0\n")
            << weight;
    }
    EXPECT_EQ(g_ranges[0], kept);
    EXPECT_EQ(range_weight_fault(std::vector<f64>{0.0, -0.0, 1.0, kMaxRangeWeight}), nullptr);
    EXPECT_STREQ(range_weight_fault(std::vector<f64>{0.5, std::nextafter(kMaxRangeWeight, 2e12)}),
                 "weight too large (at most 1e+12)");
    EXPECT_STREQ(range_weight_fault(std::vector<f64>{-0.25, 2e12}), "weight below 0");
}

TEST_F(ArithmeticLimits, LineAmountsBeyondTheLimitAreRefused) {
    EXPECT_EQ(run_line("add_line 0 1e12 1e12"), "add_line ok!\n");
    EXPECT_EQ(run_line("add_line 0 1.5e12"), "ERROR: add_line amount too large (at most 1e+12)\n");
    EXPECT_EQ(run_line("force_line 1e308"), "ERROR: force_line amount too large (at most 1e+12)\n");
    // Like a decreasing amount, a refused amount keeps the actions before it.
    EXPECT_EQ(g_line_tree->children.size(), 1u);
    EXPECT_EQ(g_line_tree->children.begin()->second->children.count(1.5e12), 0u);
}

// Ranges and lines that did not come through the commands (a loaded archive
// sets them directly) are tested by the build.
TEST_F(ArithmeticLimits, BuildRefusesWhatTheCommandsWouldHave) {
    ASSERT_EQ(run_line("set_range OOP " + weighted_range("AKQ", "1")), "set_range ok!\n");
    ASSERT_EQ(run_line("set_range IP " + weighted_range("AKQ", "1")), "set_range ok!\n");
    ASSERT_EQ(run_line("set_board Kh 7d 2c 9s 4d"), "set_board ok!\n");
    bool created = false;
    LineTreeNode& bet = g_line_tree->child_or_new(3e12, created);
    LineTreeNode& call = bet.child_or_new(3e12, created);
    bet.amount = call.amount = 3e12;
    bet.committed[0] = call.committed[0] = call.committed[1] = 3e12;
    call.parent = &bet;
    EXPECT_EQ(run_line("build_tree"), "ERROR: build_tree payoff too large (at most 2e+12)\n");
    ASSERT_EQ(run_line("clear_lines"), "clear_lines ok!\n");
    ASSERT_EQ(run_line("add_line 0 0"), "add_line ok!\n");
    g_ranges[1][0] = 1e13;
    EXPECT_EQ(run_line("build_tree"), "ERROR: build_tree range weight too large (at most 1e+12)\n");
    EXPECT_FALSE(g_tree);
}

// A value whose regret (1000 x value) would overflow the sum over the
// actions once left the node printing "nan" for every hand for good.
TEST_F(ArithmeticLimits, StrategyValuesBeyondTheLimitAreRefused) {
    build_river("1");
    EXPECT_EQ(run_line("set_strategy r:0 0" + values("1e31")),
              "ERROR: set_strategy value too large (at most 1e+30)\n");
    EXPECT_EQ(run_line("set_strategy r:0 0" + values("1e30")), "set_strategy ok!\n");
    EXPECT_EQ(run_line("set_strategy r:0 1" + values("1e30")), "set_strategy ok!\n");
    g_tree->iteration = 30;
    const std::vector<std::string> rows = output_lines(run_line("show_strategy r:0"));
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<f64> bet = combo_row(rows[0]);
    int in_range = 0;
    for (int c = 0; c < kHandCount; ++c) {
        if (std::isnan(bet[c]) || g_tree->ranges[0][static_cast<std::size_t>(c)] == 0.0) continue;
        EXPECT_DOUBLE_EQ(bet[c], 0.5) << c;
        ++in_range;
    }
    EXPECT_GT(in_range, 0);
}

TEST_F(ArithmeticLimits, ScaledRangesGiveTheSameSolve) {
    build_river("1");
    const std::vector<f64> unit = solve_figures(60);
    build_river("1e12");
    const std::vector<f64> scaled = solve_figures(60);
    ASSERT_EQ(unit.size(), 5u);
    ASSERT_EQ(scaled.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(scaled[i], unit[i], 0.002) << i;
    EXPECT_NEAR(scaled[4], unit[4], 0.002);
}

}  // namespace
