// The compression levels on a small flop tree solved on one thread, so that
// every run is deterministic: the current strategies of levels 0 to 3 are
// the same bytes while only the regrets drive them (the regret update is the
// same 16-bit arithmetic at each of these levels, compressed or not); after
// a solve every level's values and exploitability lie close to level 0's;
// queries and strategy edits on river nodes work after a solve stopped in
// any pass; the level in use is what the setting asks for; the automatic
// level follows the memory figures at every threshold; and range weights
// that 32-bit strategy sums cannot carry are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "query_test_support.h"
#include "shell/compression_level.h"
#include "solver/solve_reset.h"
#include "storage/block_arena.h"

namespace {

// OOP's river decision (bet or check) and IP's facing the bet (call or
// fold).
const std::string kRiverOop = "r:0:c:c:Kd:c:c:Qd";
const std::string kRiverIp = "r:0:c:c:Kd:c:c:Qd:b50";

class CompressionLevels : public QueryTest {
protected:
    // A flop tree checked down to a river where OOP may bet half the pot,
    // built at `level` and solved for `steps` iterations on one thread.
    static void solve(int level, int steps) {
        ASSERT_EQ(run_line("ai6_set_compression " + std::to_string(level)),
                  "ai6_set_compression ok!\n");
        build(range_tokens(ranks_in("AKQJ")), range_tokens(ranks_in("AKQT")), "Kh 7h 2h",
              {"0 0 0 0 0 0", "0 0 0 0 50 50"});
        ASSERT_EQ(run_line("ai6_get_actual_compression"),
                  "compression " + std::to_string(level) + "\n");
        ASSERT_EQ(run_line("set_threads 1"), "set_threads ok!\n");
        go_steps(steps);
    }

    // Solves on until the tree has done `iterations` iterations.
    static void go_steps(int iterations) {
        const int steps = iterations - static_cast<int>(g_tree->iteration);
        run_line("go " + std::to_string(steps) + " steps");
        run_line("wait_for_solver");
        ASSERT_EQ(g_tree->iteration, static_cast<u32>(iterations));
    }

    static std::string strategies() {
        std::string all;
        for (const std::string& path :
             {std::string("r:0"), std::string("r:0:c:c:Kd"), kRiverOop, kRiverIp}) {
            all += run_line("show_strategy " + path);
        }
        return all;
    }

    // EV OOP, EV IP and the exploitability of calc_results.
    static std::vector<f64> results() {
        const std::vector<std::string> lines = output_lines(run_line("calc_results"));
        std::vector<f64> figures;
        for (const std::string& line : lines) {
            const std::size_t colon = line.find(": ");
            if (colon == std::string::npos) continue;
            const std::string name = line.substr(0, colon);
            if (name == "EV OOP" || name == "EV IP" || name == "Exploitable for") {
                figures.push_back(std::stod(line.substr(colon + 2)));
            }
        }
        EXPECT_EQ(figures.size(), 3u);
        return figures;
    }
};

TEST_F(CompressionLevels, CurrentStrategiesAreTheSameBytesAtLevelsZeroToThree) {
    std::map<int, std::vector<std::string>> seen;
    for (int level = 0; level <= 3; ++level) {
        solve(level, 25);
        seen[level].push_back(strategies());
        go_steps(40);
        seen[level].push_back(strategies());
        go_steps(62);
        seen[level].push_back(strategies());
        clear_state();
    }
    for (int level = 1; level <= 3; ++level) {
        for (std::size_t k = 0; k < seen[0].size(); ++k) {
            EXPECT_TRUE(seen[level][k] == seen[0][k]) << "level " << level << ", checkpoint " << k;
        }
    }
    ASSERT_GT(seen[0][0].size(), 1000u);
}

// Level 4 averages the regrets of hands that tie at showdown in its first 30
// iterations: at iteration 25 the hands of one rank pair (except a pair of
// hearts, a flush on this board) play one strategy at OOP's river node.
TEST_F(CompressionLevels, LevelFourTiesRegretsInItsFirstIterations) {
    solve(4, 25);
    EXPECT_EQ(g_river_early_iterations, 30);
    const std::vector<std::string> rows = output_lines(run_line("show_strategy " + kRiverOop));
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<f64> bet = combo_row(rows[0]);
    const std::vector<f64> check = combo_row(rows[1]);
    std::map<std::string, std::vector<f64>> by_ranks;
    for (int h = 0; h < kHandCount; ++h) {
        const std::string text = protocol_hand_text(h);
        const int c = g_protocol_to_combo[h];
        if (!(bet[c] + check[c] > 0.0) || (text[1] == 'h' && text[3] == 'h')) continue;
        by_ranks[std::string{text[0], text[2]}].push_back(bet[c]);
    }
    int mixed = 0;
    for (const auto& [ranks, values] : by_ranks) {
        for (const f64 v : values) EXPECT_EQ(v, values[0]) << ranks;
        mixed += values.size() > 1 && values[0] > 0.0 && values[0] < 1.0;
    }
    EXPECT_GT(mixed, 0);
}

// Calibrated once against level 0 (100 iterations, the last 40 of them
// averaged): every level lands within a small share of the pot of level 0's
// values; the 32-bit sums and their rounding move the average strategies a
// little.
TEST_F(CompressionLevels, ResultsAfterASolveAreCloseToLevelZero) {
    constexpr int kSteps = 100;
    constexpr f64 kTolerance = 0.05;  // of a pot of 100
    solve(0, kSteps);
    const std::vector<f64> level0 = results();
    ASSERT_EQ(level0.size(), 3u);
    ASSERT_LT(level0[2], 5.0);
    for (int level = 1; level <= 4; ++level) {
        clear_state();
        solve(level, kSteps);
        const std::vector<f64> figures = results();
        ASSERT_EQ(figures.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_NEAR(figures[k], level0[k], kTolerance) << "level " << level << " figure " << k;
        }
    }
}

// Strategy values in protocol order: 0.75 and 0.25 by turns, or the other
// way round.
std::string edited_row(bool swapped) {
    std::string text;
    for (int h = 0; h < kHandCount; ++h) text += (h % 2 == 0) != swapped ? " 0.75" : " 0.25";
    return text;
}

// Whether the river node plays the edited strategy for every hand it has.
void expect_edited_strategy(const std::string& shown) {
    const std::vector<std::string> rows = output_lines(shown);
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<f64> bet = combo_row(rows[0]);
    const std::vector<f64> check = combo_row(rows[1]);
    int hands = 0;
    for (int c = 0; c < kHandCount; ++c) {
        if (!(bet[c] + check[c] > 0.0)) continue;  // not in the range, or blocked
        const f64 want = g_combo_to_protocol[c] % 2 == 0 ? 0.75 : 0.25;
        EXPECT_NEAR(bet[c], want, 1e-6) << c;
        EXPECT_NEAR(check[c], 1.0 - want, 1e-6) << c;
        ++hands;
    }
    EXPECT_GT(hands, 10);
}

// A solve that stops after its update passes leaves OOP's sums closed for
// the solver's pass rules; the queries open every block of both stores
// themselves, and write back exactly what they change.
TEST_F(CompressionLevels, QueriesAndEditsWorkAfterASolveAtCompressedLevels) {
    for (const int level : {2, 4}) {
        solve(level, 70);
        for (const std::string& path : {kRiverOop, kRiverIp}) {
            const std::vector<std::string> rows = output_lines(run_line("show_strategy " + path));
            ASSERT_EQ(rows.size(), 3u) << path;
            EXPECT_EQ(rows.back(), "END");
            for (std::size_t i = 0; i + 1 < rows.size(); ++i) combo_row(rows[i]);
            combo_row(run_line("show_range OOP " + path));
            EXPECT_EQ(run_line("show_probs " + path).rfind("OOP ", 0), 0u);
        }
        // Both actions set: the regrets hold the edit and the sums are
        // cleared, so the node plays the edit; locked, it keeps it through
        // more solving.
        ASSERT_EQ(run_line("lock_node " + kRiverOop), "lock_node ok!\n");
        ASSERT_EQ(run_line("set_strategy " + kRiverOop + " 0" + edited_row(false)),
                  "set_strategy ok!\n");
        ASSERT_EQ(run_line("set_strategy " + kRiverOop + " 1" + edited_row(true)),
                  "set_strategy ok!\n");
        expect_edited_strategy(run_line("show_strategy " + kRiverOop));
        go_steps(72);
        expect_edited_strategy(run_line("show_strategy " + kRiverOop));
        clear_state();
    }
}

TEST_F(CompressionLevels, TheLevelInUseIsTheOneAskedFor) {
    for (int level = 0; level <= 4; ++level) {
        solve(level, 1);
        ASSERT_EQ(g_tree->store_modes[0], store_modes_of_level(level).regrets);
        ASSERT_EQ(g_tree->store_modes[1], store_modes_of_level(level).strategy);
        clear_state();
    }
    // A present tree takes a new level at once, and its solve starts afresh.
    solve(1, 3);
    EXPECT_EQ(run_line("ai6_set_compression max"), "ai6_set_compression ok!\n");
    EXPECT_EQ(run_line("ai6_get_actual_compression"), "compression 4\n");
    EXPECT_EQ(g_tree->iteration, 0u);
    EXPECT_EQ(g_tree->store_modes[0], 2u);
}

TEST_F(CompressionLevels, ArenaMemoryIsGivenBackWithTheTree) {
    const i64 before = g_stat_arena_bytes.load();
    solve(2, 65);
    EXPECT_GT(g_stat_arena_bytes.load(), before);
    EXPECT_EQ(run_line("free_tree"), "free_tree ok!\n");
    EXPECT_EQ(g_stat_arena_bytes.load(), before);
}

// Weights above what 32-bit sums carry are refused at the build for levels
// 1 to 4, and by a level change on a present tree, which then stays as it
// was; weights up to 1 always fit.
TEST_F(CompressionLevels, WeightsThatWouldOverflowTheSumsAreRefused) {
    const f64 bound = max_weight_for_integer_sums();
    EXPECT_GT(bound, 1.26);
    EXPECT_LT(bound, 1.27);
    const std::string heavy =
        range_tokens([](const std::string& hand) { return ranks_in("AKQJ")(hand); });
    std::string doubled = heavy;
    for (char& c : doubled) {
        if (c == '1') c = '2';
    }
    ASSERT_EQ(run_line("ai6_set_compression 2"), "ai6_set_compression ok!\n");
    ASSERT_EQ(run_line("set_range OOP " + doubled), "set_range ok!\n");
    ASSERT_EQ(run_line("set_range IP " + heavy), "set_range ok!\n");
    ASSERT_EQ(run_line("set_board Kh 7d 2c"), "set_board ok!\n");
    ASSERT_EQ(run_line("set_pot 0 0 100"), "set_pot ok!\n");
    ASSERT_EQ(run_line("add_line 50 50"), "add_line ok!\n");
    EXPECT_EQ(run_line("build_tree"),
              "ERROR: build_tree range weight 2 is above 1.264, the most that the strategy sums "
              "of compression level 2 can carry\n");
    EXPECT_FALSE(g_tree_present);
    ASSERT_EQ(run_line("ai6_set_compression 0"), "ai6_set_compression ok!\n");
    ASSERT_EQ(run_line("build_tree"), "build_tree ok!\n");
    ASSERT_EQ(run_line("set_threads 1"), "set_threads ok!\n");
    go_steps(2);
    EXPECT_EQ(run_line("ai6_set_compression 1"),
              "ERROR: ai6_set_compression range weight 2 is above 1.264, the most that the "
              "strategy sums of compression level 1 can carry\n");
    EXPECT_EQ(g_tree->iteration, 2u);
    EXPECT_EQ(g_compression_setting, 0);
    EXPECT_EQ(run_line("ai6_get_actual_compression"), "compression 0\n");
}

TEST(AutomaticCompressionLevel, FollowsTheMemoryFiguresAtEveryThreshold) {
    // Need below 85 % of the available memory: no compression.
    EXPECT_EQ(automatic_compression_level(849, 1000, false), 0);
    EXPECT_EQ(automatic_compression_level(850, 1000, false), 1);
    const f64 need = 1000.0;
    struct Case {
        f64 budget;
        bool rainbow;
        i32 level;
    };
    const Case cases[] = {
        {581.0, false, 1}, {580.0, false, 2}, {391.0, false, 2}, {390.0, false, 3},
        {311.0, false, 3}, {310.0, false, 4}, {0.0, false, 4},   {581.0, true, 1},
        {580.0, true, 2},  {313.0, true, 2},  {312.0, true, 3},  {249.0, true, 3},
        {248.0, true, 4},  {390.0, true, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compression_level_for_budget(c.budget, need, c.rainbow), c.level)
            << c.budget << (c.rainbow ? " rainbow" : "");
    }
    EXPECT_TRUE(rainbow_flop((u64{1} << 0) | (u64{1} << 13) | (u64{1} << 26)));
    EXPECT_FALSE(rainbow_flop((u64{1} << 0) | (u64{1} << 1) | (u64{1} << 26)));
}

}  // namespace
