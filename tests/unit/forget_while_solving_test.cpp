// Forgetting and split solves against a running solver: every command that
// would free, re-create or re-solve node data is refused while the solver
// thread runs, and the queries on a rebuilt tree read the solver's stores
// without solving any split of their own under it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "forget_test_support.h"
#include "solver/solver_thread.h"

namespace {

class ForgetWhileSolving : public ForgetTest {};

TEST_F(ForgetWhileSolving, RefusedAndQueriesLeaveTheSplitsAlone) {
    build_flop_tree();
    iterate(30);
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    ASSERT_EQ(run_line("rebuild_all"), "rebuild_all ok!\n");
    run_line("go 1000000 steps");
    ASSERT_TRUE(solver_running());

    const std::string river = "r:0:c:c:Qd:c:c:8s";
    for (const std::string& command :
         {std::string("forget rivers"), std::string("forget turns"),
          std::string("rebuild_forgotten_streets"), std::string("rebuild_all"),
          std::string("solve_all_splits rivers"), "solve_partial " + river,
          "explo_partial " + river}) {
        const std::string word = command.substr(0, command.find(' '));
        EXPECT_EQ(run_line(command), "ERROR: " + word + " Can't do that when solver is running\n");
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    int rounds = 0;
    while (std::chrono::steady_clock::now() < end) {
        EXPECT_EQ(strategy_rows(river).size(), 2u);
        EXPECT_EQ(ev_rows("OOP", river).size(), 2u);
        ++rounds;
    }
    EXPECT_GT(rounds, 0);
    EXPECT_TRUE(solver_running());
    run_line("stop");
    run_line("wait_for_solver");
    for (const TreeNode& node : g_tree->nodes) {
        for (const NodeResultRecord& record : node.results) EXPECT_EQ(record.solved_splits, 0u);
    }
    EXPECT_EQ(g_tree->flags & kTreeIncomplete, 0u);
    EXPECT_EQ(g_tree->forget_level, 3);
}

}  // namespace
