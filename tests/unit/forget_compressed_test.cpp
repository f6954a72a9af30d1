// Forgetting and split solves on compressed river stores (levels 2 and 4):
// the river blocks of a split are decoded before its solve and coded back
// after it, and the solve of all splits and the rebuild make compressed
// stores again. The answers kept, a split solved on demand to its target and
// again to the same figure, the rebuild, and the solve of all splits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forget_test_support.h"

namespace {

constexpr f64 kPot = 100.0;

class ForgetCompressed : public ForgetTest, public ::testing::WithParamInterface<int> {
protected:
    // The flop tree at the level of the test; false when this build has no
    // compressed stores for it.
    static bool build_compressed_flop_tree(int level) {
        EXPECT_EQ(run_line("ai6_set_compression " + std::to_string(level)),
                  "ai6_set_compression ok!\n");
        build_flop_tree();
        return run_line("ai6_get_actual_compression") ==
               "compression " + std::to_string(level) + "\n";
    }

    void TearDown() override {
        run_line("ai6_set_compression 0");
        ForgetTest::TearDown();
    }
};

TEST_P(ForgetCompressed, AnswersKeptAndSplitsSolved) {
    if (!build_compressed_flop_tree(GetParam())) GTEST_SKIP() << "no compressed stores";
    iterate(70);
    const std::vector<std::string> queries = {"calc_results", "calc_ev OOP r:0",
                                              "calc_ev IP r:0:c:c:Qd", "show_strategy r:0:c:c:Qd"};
    std::vector<std::string> before;
    for (const std::string& query : queries) before.push_back(run_line(query));
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    for (std::size_t i = 0; i < queries.size(); ++i) {
        EXPECT_EQ(run_line(queries[i]), before[i]) << queries[i];
    }

    ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0.001"), "set_recalc_accuracy ok!\n");
    const std::string river = "r:0:c:c:Qd:c:c:8s";
    const auto rows = strategy_rows(river);
    ASSERT_EQ(rows.size(), 2u);
    bool uneven = false;
    const std::vector<f64>& range = g_tree->ranges[0];
    for (int c = 0; c < kHandCount; ++c) {
        if (std::isnan(rows[0][c]) || range[c] == 0.0) continue;
        EXPECT_NEAR(rows[0][c] + rows[1][c], 1.0, 1e-6) << c;
        if (rows[0][c] != 0.5) uneven = true;
    }
    EXPECT_TRUE(uneven);
    // The solve goes on from data read back from the blocks it wrote.
    const std::string first = run_line("explo_partial " + river);
    EXPECT_LE(std::stod(first), 0.1);
    EXPECT_EQ(run_line("explo_partial " + river), first);
    const auto again = strategy_rows(river);
    for (std::size_t a = 0; a < rows.size(); ++a) EXPECT_EQ(row_distance(rows[a], again[a]), 0.0);

    // The turn split under a river chance point, with the turns forgotten.
    ASSERT_EQ(run_line("forget turns"), "forget ok!\n");
    EXPECT_EQ(ev_rows("OOP", "r:0:c:c:Qd:c:c").size(), 2u);
    EXPECT_EQ(strategy_rows(river).size(), 2u);
}

TEST_P(ForgetCompressed, RebuiltAndSolvedAgain) {
    if (!build_compressed_flop_tree(GetParam())) GTEST_SKIP() << "no compressed stores";
    iterate(60);
    const ResultsBlock before = results();
    for (const char* word : {"rivers", "turns"}) {
        ASSERT_EQ(run_line(std::string("forget ") + word), "forget ok!\n");
        ASSERT_EQ(run_line("rebuild_all"), "rebuild_all ok!\n");
        ASSERT_EQ(run_line(std::string("solve_all_splits ") + word), "solve_all_splits ok!\n");
        const ResultsBlock after = results();
        const f64 ev_tolerance = std::max(2.0 * before.exploitability, 0.005 * kPot);
        EXPECT_NEAR(after.ev_oop, before.ev_oop, ev_tolerance) << word;
        EXPECT_LE(after.exploitability, 3.0 * before.exploitability + 0.005 * kPot) << word;
    }
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    ASSERT_EQ(run_line("rebuild_forgotten_streets"), "rebuild_forgotten_streets ok!\n");
    run_line("go 5 steps");
    run_line("wait_for_solver");
    EXPECT_EQ(g_tree->iteration, 65u);
    EXPECT_LE(results().exploitability, 0.5 * kPot);
}

INSTANTIATE_TEST_SUITE_P(Levels, ForgetCompressed, ::testing::Values(2, 4));

}  // namespace
