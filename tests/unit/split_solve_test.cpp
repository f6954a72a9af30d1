// Split solves: a river split solved on demand against the same river game
// built as a tree of its own and solved, explo_partial against its target and
// on repetition, solves on demand made once, solved marks that a forced
// re-creation clears, splits solved again after a second forget, a split
// without reach, the turn split under a river chance point, edits refused on
// forgotten nodes, and the cases with nothing to solve.
#include "solver/split_solve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "forget_test_support.h"

namespace {

class SplitSolve : public ForgetTest {
protected:
    static constexpr const char* kRiverPath = "r:0:c:c:Qd:c:c:8s";

    static NodeResultRecord& river_record(const std::string& turn) {
        TreeNode& opener = node_at("r:0:c:c:" + turn + ":c:c");
        return opener.results[static_cast<std::size_t>(board_of(turn))];
    }

    static i32 runout_of(const std::string& turn, const std::string& river) {
        return split_of_cards(*g_tree, card_of(turn), card_of(river)).river;
    }

    static void solved_flop_tree_without_rivers() {
        build_flop_tree();
        iterate(60);
        ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    }

    // Weighted mean and largest absolute difference of two EV rows over the
    // hands that both define, weighted by the first row's weights.
    struct EvDistance {
        f64 mean = 0.0;
        f64 worst = 0.0;
    };
    static EvDistance ev_distance(const std::vector<std::vector<f64>>& a,
                                  const std::vector<std::vector<f64>>& b) {
        f64 weight = 0.0;
        f64 sum = 0.0;
        EvDistance d;
        for (int c = 0; c < kHandCount; ++c) {
            const f64 w = a[1][c];
            if (std::isnan(a[0][c]) || std::isnan(b[0][c]) || !(w > 0.0)) continue;
            const f64 diff = std::fabs(a[0][c] - b[0][c]);
            weight += w;
            sum += w * diff;
            d.worst = std::max(d.worst, diff);
        }
        d.mean = weight > 0.0 ? sum / weight : 0.0;
        return d;
    }
};

// The turn of the turn tree is a forced check-check, so the reach at its
// river splits is the two ranges: the split is the river game of those
// ranges on that board.
TEST_F(SplitSolve, RiverSplitAgreesWithTheRiverGameSolvedAlone) {
    build_turn_tree("AKQJ", "AKQJT");
    iterate(30);
    ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0.0002"), "set_recalc_accuracy ok!\n");
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    const auto split_oop = ev_rows("OOP", "r:0:c:c:Qd");
    const auto split_ip = ev_rows("IP", "r:0:c:c:Qd");
    const f64 split_exploitability = explo_partial("r:0:c:c:Qd");
    EXPECT_LE(split_exploitability, 0.02);

    ASSERT_EQ(run_line("clear_lines"), "clear_lines ok!\n");
    build(range_tokens(ranks_in("AKQJ")), range_tokens(ranks_in("AKQJT")), "Kh 7h 2h 5s Qd",
          {"0 0", "50 50", "0 50 50"});
    f64 exploitability = INFINITY;
    for (int done = 0; done < 4000 && exploitability > 0.02; done += 25) {
        iterate(25);
        exploitability = results().exploitability;
    }
    ASSERT_LE(exploitability, 0.02);
    const auto alone_oop = ev_rows("OOP", "r:0");
    const auto alone_ip = ev_rows("IP", "r:0");

    // Weights: the same ranges on the same board, up to one scale.
    for (const auto* pair : {&split_oop, &split_ip}) ASSERT_EQ(pair->size(), 2u);
    for (int c = 0; c < kHandCount; ++c) {
        EXPECT_EQ(std::isnan(split_oop[0][c]), std::isnan(alone_oop[0][c])) << c;
    }
    // Both are within two hundredths of a chip of an equilibrium of the same
    // game (pot 100): the values agree to a few times that on average, and no
    // hand is off by more than half a chip.
    for (const auto& [split, alone] : {std::pair{&split_oop, &alone_oop}, {&split_ip, &alone_ip}}) {
        const EvDistance d = ev_distance(*alone, *split);
        EXPECT_LT(d.mean, 0.15);
        EXPECT_LT(d.worst, 0.5);
    }
}

TEST_F(SplitSolve, ExploPartialMeetsItsTargetAndRepeats) {
    solved_flop_tree_without_rivers();
    const u32 iteration = g_tree->iteration;
    ASSERT_EQ(run_line("set_recalc_accuracy 1 1 1"), "set_recalc_accuracy ok!\n");
    const f64 at_fifty = explo_partial(kRiverPath);
    EXPECT_GT(at_fifty, 0.0);

    ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0.001"), "set_recalc_accuracy ok!\n");
    const std::string first = run_line("explo_partial " + std::string(kRiverPath));
    EXPECT_LE(std::stod(first), 0.1);
    // Forced and on one thread: the same solve again, to the last digit.
    EXPECT_EQ(run_line("explo_partial " + std::string(kRiverPath)), first);

    ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0"), "set_recalc_accuracy ok!\n");
    const f64 at_thousand = explo_partial(kRiverPath);
    EXPECT_LT(at_thousand, 0.5 * at_fifty);

    Tree& tree = *g_tree;
    EXPECT_EQ(tree.iteration, iteration);
    EXPECT_NE(tree.flags & kTreeIncomplete, 0u);
    EXPECT_EQ(tree.ev_cache.owner_iteration(), -1);
    EXPECT_EQ(river_record("Qd").solved_splits, u64{1} << runout_of("Qd", "8s"));
    EXPECT_EQ(run_line("go"), "ERROR: go incomplete tree\n");
}

TEST_F(SplitSolve, NothingToSolve) {
    build_flop_tree();
    iterate(30);
    EXPECT_EQ(run_line("explo_partial r:0"), "0\n");
    EXPECT_EQ(run_line("solve_partial r:0:c:c:Qd"), "solve_partial ok!\n");
    EXPECT_EQ(g_tree->flags & kTreeIncomplete, 0u);
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    EXPECT_EQ(run_line("explo_partial r:0"), "0\n");
    EXPECT_EQ(run_line("explo_partial r:0:c:c:Qd"), "0\n");
    EXPECT_EQ(run_line("explo_partial r"), "ERROR: explo_partial incorrect path\n");
    EXPECT_EQ(run_line("solve_partial r:0:c:c:Qd:c:c"), "ERROR: solve_partial incorrect path\n");
    EXPECT_EQ(run_line("solve_partial r:0:c:c:Qd:c:c:8s:c:c"),
              "ERROR: solve_partial incorrect path\n");
}

TEST_F(SplitSolve, QueriesSolveASplitOnce) {
    solved_flop_tree_without_rivers();
    ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0.001"), "set_recalc_accuracy ok!\n");
    const auto rows = strategy_rows(kRiverPath);
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<f64>& range = g_tree->ranges[0];
    for (int c = 0; c < kHandCount; ++c) {
        if (std::isnan(rows[0][c]) || range[c] == 0.0) continue;
        EXPECT_NEAR(rows[0][c] + rows[1][c], 1.0, 1e-6) << c;
    }
    EXPECT_NE(river_record("Qd").solved_splits, 0u);

    // A strategy written into the split stays: the second query does not
    // solve the split again. The edit commands refuse a forgotten street, so
    // the strategy is written with the tree's incomplete mark lifted.
    g_tree->flags &= ~kTreeIncomplete;
    std::string line = "set_strategy " + std::string(kRiverPath) + " 0";
    for (int h = 0; h < kHandCount; ++h) line += " 1";
    ASSERT_EQ(run_line(line), "set_strategy ok!\n");
    line = "set_strategy " + std::string(kRiverPath) + " 1";
    for (int h = 0; h < kHandCount; ++h) line += " 0";
    ASSERT_EQ(run_line(line), "set_strategy ok!\n");
    g_tree->flags |= kTreeIncomplete;
    const auto written = strategy_rows(kRiverPath);
    for (int c = 0; c < kHandCount; ++c) {
        if (std::isnan(written[0][c]) || range[c] == 0.0) continue;
        EXPECT_EQ(written[0][c], 1.0) << c;
    }

    // solve_partial solves the same split from zeros again: the rows of the
    // first solve.
    ASSERT_EQ(run_line("solve_partial " + std::string(kRiverPath)), "solve_partial ok!\n");
    const auto again = strategy_rows(kRiverPath);
    for (std::size_t a = 0; a < rows.size(); ++a) EXPECT_EQ(row_distance(rows[a], again[a]), 0.0);
}

// A forced solve re-creates the split root's whole subtree: the splits solved
// before under that root lose their data, so they lose their marks too, and
// the next query solves them again instead of showing zeros.
TEST_F(SplitSolve, ForcedSolveClearsTheMarksOfItsRoot) {
    solved_flop_tree_without_rivers();
    ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0.001"), "set_recalc_accuracy ok!\n");
    const auto first = strategy_rows(kRiverPath);
    const auto other_turn = strategy_rows("r:0:c:c:Jd:c:c:8s");
    ASSERT_EQ(run_line("solve_partial r:0:c:c:Qd:c:c:9s"), "solve_partial ok!\n");
    EXPECT_EQ(river_record("Jd").solved_splits, 0u);
    EXPECT_EQ(river_record("Qd").solved_splits, u64{1} << runout_of("Qd", "9s"));

    const auto again = strategy_rows(kRiverPath);
    const auto other_again = strategy_rows("r:0:c:c:Jd:c:c:8s");
    ASSERT_EQ(again.size(), first.size());
    for (std::size_t a = 0; a < first.size(); ++a) {
        EXPECT_EQ(row_distance(first[a], again[a]), 0.0);
        EXPECT_EQ(row_distance(other_turn[a], other_again[a]), 0.0);
    }
    // Not the uniform rows of zeroed stores.
    bool uneven = false;
    for (int c = 0; c < kHandCount; ++c) {
        if (!std::isnan(again[0][c]) && again[0][c] != 0.0 && again[0][c] != 0.5) uneven = true;
    }
    EXPECT_TRUE(uneven);
}

// Forgetting the rivers again drops the data of the splits solved since: a
// query then solves its split again rather than trust the mark of data that
// is gone.
TEST_F(SplitSolve, SplitsSolvedBeforeASecondForgetAreSolvedAgain) {
    solved_flop_tree_without_rivers();
    ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0.001"), "set_recalc_accuracy ok!\n");
    const auto values = ev_rows("OOP", kRiverPath);
    const auto rows = strategy_rows(kRiverPath);
    ASSERT_NE(river_record("Qd").solved_splits, 0u);
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    ASSERT_FALSE(node_at(kRiverPath).regrets);

    const auto values_again = ev_rows("OOP", kRiverPath);
    ASSERT_EQ(values_again.size(), values.size());
    for (std::size_t k = 0; k < values.size(); ++k) {
        EXPECT_EQ(row_distance(values[k], values_again[k]), 0.0);
    }
    const auto rows_again = strategy_rows(kRiverPath);
    ASSERT_EQ(rows_again.size(), rows.size());
    for (std::size_t a = 0; a < rows.size(); ++a)
        EXPECT_EQ(row_distance(rows[a], rows_again[a]), 0.0);
}

// A split that one player never reaches has nothing to solve: it is marked
// at once.
TEST_F(SplitSolve, SplitWithoutReachIsMarkedAtOnce) {
    solved_flop_tree_without_rivers();
    Tree& tree = *g_tree;
    TreeNode& opener = node_at("r:0:c:c:Qd:c:c");
    NodeResultRecord& record = river_record("Qd");
    record.arrays[1].release();
    record.arrays[1].count = 0;
    const u32 iteration = tree.iteration;
    ASSERT_EQ(run_line("solve_partial " + std::string(kRiverPath)), "solve_partial ok!\n");
    EXPECT_EQ(tree.iteration, iteration);
    EXPECT_NE(record.solved_splits & (u64{1} << runout_of("Qd", "8s")), 0u);
    EXPECT_EQ(solve_split_subtree(tree, opener, board_of("Qd"), runout_of("Qd", "8s"), true), 0.0);
}

// With the turns forgotten, a river chance point needs the turn above it:
// its turn split is solved first, and its values come from that solve.
TEST_F(SplitSolve, RiverChancePointWithTheTurnsForgotten) {
    build_flop_tree();
    iterate(60);
    ASSERT_EQ(run_line("set_recalc_accuracy 0 0.01 0"), "set_recalc_accuracy ok!\n");
    ASSERT_EQ(run_line("forget turns"), "forget ok!\n");
    const auto values = ev_rows("OOP", "r:0:c:c:Qd:c:c");
    ASSERT_EQ(values.size(), 2u);
    int defined = 0;
    for (int c = 0; c < kHandCount; ++c) {
        if (std::isnan(values[0][c])) continue;
        EXPECT_TRUE(std::isfinite(values[0][c])) << c;
        ++defined;
    }
    EXPECT_GT(defined, 0);
    const NodeResultRecord& turn_record = node_at("r:0:c:c").results[0];
    EXPECT_EQ(turn_record.solved_splits, u64{1} << board_of("Qd"));
    // The river below is then part of the solved turn split.
    EXPECT_EQ(strategy_rows(kRiverPath).size(), 2u);
    EXPECT_EQ(turn_record.solved_splits, u64{1} << board_of("Qd"));
    EXPECT_GT(explo_partial("r:0:c:c:Jd"), 0.0);
}

TEST_F(SplitSolve, EditsOfForgottenNodesAreRefused) {
    solved_flop_tree_without_rivers();
    std::string values;
    for (int h = 0; h < kHandCount; ++h) values += " 0.5";
    const std::string path = kRiverPath;
    EXPECT_EQ(run_line("lock_node " + path), "ERROR: lock_node incomplete tree\n");
    EXPECT_EQ(run_line("unlock_node " + path), "ERROR: unlock_node incomplete tree\n");
    EXPECT_EQ(run_line("set_strategy " + path + " 0" + values),
              "ERROR: set_strategy incomplete tree\n");
    // A query that solved the split again changes nothing: that split is the
    // query's, not the tree's solve.
    strategy_rows(path);
    EXPECT_EQ(run_line("lock_node " + path), "ERROR: lock_node incomplete tree\n");
    EXPECT_EQ(run_line("set_ev_boost " + path + " 0.5"), "ERROR: set_ev_boost incomplete tree\n");
    EXPECT_EQ(output_lines(run_line("show_node " + path))[5], "flags: ");
    // Above the forgotten street, and after a rebuild, edits are in force.
    EXPECT_EQ(run_line("lock_node r:0:c:c:Qd"), "lock_node ok!\n");
    ASSERT_EQ(run_line("rebuild_all"), "rebuild_all ok!\n");
    EXPECT_EQ(run_line("lock_node " + path), "lock_node ok!\n");
    EXPECT_EQ(output_lines(run_line("show_node " + path))[5], "flags: LOCKED");
}

// After a rebuild the tree answers from its own stores, but an explicit
// partial solve still finds its split, and leaves the tree incomplete.
TEST_F(SplitSolve, PartialSolveAfterARebuild) {
    solved_flop_tree_without_rivers();
    ASSERT_EQ(run_line("rebuild_all"), "rebuild_all ok!\n");
    ASSERT_EQ(run_line("set_recalc_accuracy 1 1 1"), "set_recalc_accuracy ok!\n");
    EXPECT_GT(explo_partial(kRiverPath), 0.0);
    EXPECT_NE(g_tree->flags & kTreeIncomplete, 0u);
    EXPECT_EQ(run_line("go"), "ERROR: go incomplete tree\n");
}

}  // namespace
