// The solve of all splits of a forgotten street: after forget and rebuild it
// brings the results back close to the solve before, changes nothing above
// the splits, ends the forgotten state, creates missing stores itself, agrees
// across the three work-item schedulers, works on the river splits of a
// tree rooted on the turn, and answers the reach that arrives at each split,
// with or without a choice of the players before it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forget_test_support.h"
#include "solver/solve_splits.h"

namespace {

constexpr f64 kPot = 100.0;

// Every row of both stores of every decision node on the streets before
// `street`, for every turn board on the turn: what a solve of the splits of
// `street` must leave as it was.
std::vector<std::vector<f64>> rows_above(Tree& tree, u32 street) {
    std::vector<std::vector<f64>> out;
    const i32 boards = static_cast<i32>(tree.street_data->boards.size());
    for (TreeNode& node : tree.nodes) {
        if (!node.is_decision() || node.street >= street) continue;
        const std::vector<f32> zeros(node.action_count(), 0.0f);
        for (i32 b = node.street == kStreetFlop ? -1 : 0;
             b < (node.street == kStreetFlop ? 0 : boards); ++b) {
            for (NodeDataBase* store : {node.regrets.get(), node.strategy_sums.get()}) {
                std::vector<DoubleArray> rows;
                store->average_strategy(rows, b, -1, zeros);
                for (const DoubleArray& row : rows)
                    out.emplace_back(row.data, row.data + row.count);
            }
        }
    }
    return out;
}

class SolveAllSplits : public ForgetTest {
protected:
    // Solves the splits of `street` after forgetting and rebuilding it and
    // checks the tree's state and results against the solve before.
    static void forget_and_solve_again(const std::string& word, u32 street) {
        const ResultsBlock before = results();
        const u32 iteration = g_tree->iteration;
        const std::vector<std::vector<f64>> above = rows_above(*g_tree, street);

        ASSERT_EQ(run_line("forget " + word), "forget ok!\n");
        ASSERT_EQ(run_line("rebuild_all"), "rebuild_all ok!\n");
        ASSERT_EQ(run_line("solve_all_splits " + word), "solve_all_splits ok!\n");
        Tree& tree = *g_tree;
        EXPECT_EQ(tree.forget_level, -1);
        EXPECT_EQ(tree.flags & kTreeIncomplete, 0u);
        EXPECT_EQ(tree.iteration, iteration);
        for (const TreeNode& node : tree.nodes) {
            for (const NodeResultRecord& record : node.results) EXPECT_EQ(record.reach_frozen, 0);
        }
        EXPECT_EQ(rows_above(tree, street), above);

        // A subgame solved again from its frozen reach is not the same
        // strategy, but it is as good: values and exploitability come back
        // within a small multiple of the solve's own exploitability.
        const ResultsBlock after = results();
        const f64 ev_tolerance = std::max(2.0 * before.exploitability, 0.005 * kPot);
        EXPECT_NEAR(after.ev_oop, before.ev_oop, ev_tolerance);
        EXPECT_NEAR(after.ev_ip, before.ev_ip, ev_tolerance);
        EXPECT_LE(after.exploitability, 3.0 * before.exploitability + 0.005 * kPot);
        EXPECT_EQ(run_line("go 1 steps").find("ERROR"), std::string::npos);
        run_line("wait_for_solver");
    }
};

TEST_F(SolveAllSplits, RiversComeBackClose) {
    build_flop_tree();
    iterate(100);
    forget_and_solve_again("rivers", kStreetRiver);
}

TEST_F(SolveAllSplits, TurnsComeBackClose) {
    build_flop_tree();
    iterate(100);
    forget_and_solve_again("turns", kStreetTurn);
}

TEST_F(SolveAllSplits, RiversOfATreeRootedOnTheTurn) {
    build_turn_tree("AKQJ", "AKQJT9");
    iterate(100);
    forget_and_solve_again("rivers", kStreetRiver);
}

// Each split is solved again from its stored reach alone. Where nobody acts
// before the splits, that reach is all there is to answer, and the
// exploitability of the whole tree comes back as it was. Where the players
// choose how to reach a split (bets on the turn), the splits solved again
// keep the values of the strategies played, but not their guard against the
// other ways in: the exploitability may rise (0.001 to 0.107 here).
TEST_F(SolveAllSplits, SplitsSolvedAloneAnswerTheReachThatArrives) {
    const std::vector<std::vector<std::string>> lines = {
        {"0 0 0 0", "0 0 0 100 100", "0 0 100 100"},
        {"0 0 0 0", "0 0 0 100 100", "0 0 100 100", "0 50 50 50 50", "0 50 50 150 150",
         "50 50 50 50", "50 50 150 150"}};
    for (std::size_t k = 0; k < lines.size(); ++k) {
        build(range_tokens(ranks_in("AKQJ")), range_tokens(ranks_in("AKQJT9")), "Kh 7h 2h 5s",
              lines[k]);
        iterate(200);
        const ResultsBlock before = results();
        ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
        ASSERT_EQ(run_line("solve_all_splits rivers"), "solve_all_splits ok!\n");
        const ResultsBlock after = results();
        EXPECT_NEAR(after.ev_oop, before.ev_oop, 0.0005 * kPot) << k;
        if (k == 0) EXPECT_NEAR(after.exploitability, before.exploitability, 0.0005 * kPot);
        ASSERT_EQ(run_line("clear_lines"), "clear_lines ok!\n");
    }
}

// No store is missing while the splits are walked, even without a rebuild.
TEST_F(SolveAllSplits, MissingStoresAreCreatedFirst) {
    build_flop_tree();
    iterate(60);
    const ResultsBlock before = results();
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    ASSERT_EQ(run_line("show_strategy r:0:c:c:Qd:c:c:8s").empty(), false);
    ASSERT_EQ(run_line("solve_all_splits rivers"), "solve_all_splits ok!\n");
    EXPECT_TRUE(street_has_stores(*g_tree, kStreetRiver));
    EXPECT_LE(results().exploitability, 3.0 * before.exploitability + 0.005 * kPot);
}

TEST_F(SolveAllSplits, OnlyTheForgottenStreet) {
    build_flop_tree();
    iterate(30);
    EXPECT_EQ(run_line("solve_all_splits rivers"),
              "ERROR: solve_all_splits incorrect or missing argument\n");
    EXPECT_EQ(run_line("solve_all_splits flop"),
              "ERROR: solve_all_splits incorrect or missing argument\n");
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    EXPECT_EQ(run_line("solve_all_splits turns"),
              "ERROR: solve_all_splits incorrect or missing argument\n");
    EXPECT_EQ(g_tree->forget_level, 3);
}

// Each split writes only its own stores, and each turn item walks its own
// turn board alone: the schedulers differ only in which thread runs what.
TEST_F(SolveAllSplits, SchedulersAgree) {
    build_flop_tree("AKQ", "AKQJ");
    iterate(30);
    for (const char* word : {"turns", "rivers"}) {
        std::vector<ResultsBlock> found;
        std::vector<std::vector<std::vector<f64>>> evs;
        for (const char* scheduler : {"0", "1", "2"}) {
            ASSERT_EQ(run_line(std::string("set_scheduler ") + scheduler), "set_scheduler ok!\n");
            ASSERT_EQ(run_line(std::string("forget ") + word), "forget ok!\n");
            ASSERT_EQ(run_line("rebuild_all"), "rebuild_all ok!\n");
            ASSERT_EQ(run_line(std::string("solve_all_splits ") + word), "solve_all_splits ok!\n");
            found.push_back(results());
            evs.push_back(ev_rows("OOP", "r:0:c:c:Qd:c:c:8s"));
        }
        for (std::size_t s = 1; s < found.size(); ++s) {
            EXPECT_NEAR(found[s].ev_oop, found[0].ev_oop, 1e-9) << word << s;
            EXPECT_NEAR(found[s].exploitability, found[0].exploitability, 1e-9) << word << s;
            EXPECT_LT(row_distance(evs[s][0], evs[0][0]), 1e-9) << word << s;
        }
    }
    run_line("set_scheduler 0");
}

}  // namespace
