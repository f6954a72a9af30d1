// Queries run while the solver thread runs: strategies, ranges, flags,
// locks and strategy writes on flop, turn and river nodes of a flop tree,
// whose river data the queries open under the turn locks that the solver's
// work items take. Every answer keeps its shape and the solver ends cleanly,
// with uncompressed river stores and with packed and coded ones.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "query_test_support.h"
#include "solver/solver_thread.h"

namespace {

class QueriesWhileSolving : public QueryTest {
protected:
    static void answers_keep_their_shape(int level);
};

std::string uniform_values() {
    std::string text;
    for (int h = 0; h < kHandCount; ++h) text += " 0.5";
    return text;
}

// The level's river stores: the compressed ones decode and encode their
// blocks under the same turn locks, in the queries as in the solver.
void QueriesWhileSolving::answers_keep_their_shape(int level) {
    ASSERT_EQ(run_line("ai6_set_compression " + std::to_string(level)),
              "ai6_set_compression ok!\n");
    build(range_tokens(ranks_in("AKQJT9")), range_tokens(ranks_in("AKQJT9")), "Kh 7d 2c",
          {"0 0 0 0 0 0", "0 0 50 50 50 50", "0 0 0 0 100 100", "50 50"});
    ASSERT_EQ(run_line("set_threads 2"), "set_threads ok!\n");
    run_line("go 1000000 steps");
    ASSERT_TRUE(solver_running());
    const std::string river = "r:0:c:c:Kd:c:c:Qd";
    const std::string values = uniform_values();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    int rounds = 0;
    while (std::chrono::steady_clock::now() < end) {
        for (const std::string& path : {river, std::string("r:0:c:c:Kd"), std::string("r:0")}) {
            const std::vector<std::string> rows = output_lines(run_line("show_strategy " + path));
            ASSERT_GE(rows.size(), 2u) << path;
            EXPECT_EQ(rows.back(), "END");
            for (std::size_t i = 0; i + 1 < rows.size(); ++i) combo_row(rows[i]);
        }
        combo_row(run_line("show_range OOP " + river));
        EXPECT_EQ(run_line("show_probs " + river).rfind("OOP ", 0), 0u);
        EXPECT_EQ(run_line("lock_node " + river), "lock_node ok!\n");
        EXPECT_EQ(run_line("set_strategy " + river + " 0" + values), "set_strategy ok!\n");
        EXPECT_EQ(output_lines(run_line("show_node " + river))[5], "flags: LOCKED");
        EXPECT_EQ(run_line("unlock_node " + river), "unlock_node ok!\n");
        ++rounds;
    }
    EXPECT_TRUE(solver_running());
    run_line("stop");
    run_line("wait_for_solver");
    EXPECT_FALSE(solver_running());
    EXPECT_GT(rounds, 0);
    EXPECT_GT(g_tree->iteration, 0u);
}

TEST_F(QueriesWhileSolving, AnswersKeepTheirShape) {
    answers_keep_their_shape(0);
}

TEST_F(QueriesWhileSolving, AnswersKeepTheirShapeAtLevel2) {
    answers_keep_their_shape(2);
}

TEST_F(QueriesWhileSolving, AnswersKeepTheirShapeAtLevel4) {
    answers_keep_their_shape(4);
}

}  // namespace
