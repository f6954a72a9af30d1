// Forgetting and rebuilding streets: answers that come from the kept data do
// not change, the reach frozen at the splits against the ranges that the
// queries compute along the same path, thin reach kept as accumulated, a
// second forget over forgotten streets, the form with a backup, rebuilds, a
// compression change, and the memory that forgetting gives back.
#include "solver/forget_streets.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "forget_test_support.h"
#include "platform/memory_status.h"
#include "solver/solve_reset.h"
#include "storage/node_data_factory.h"

namespace {

constexpr f64 kFrozenSum = 200.0;

class ForgetStreets : public ForgetTest {
protected:
    // The river-opening node after check-check on flop and turn, and the
    // record of its turn board.
    static TreeNode& river_opening(const std::string& turn) {
        return node_at("r:0:c:c:" + turn + ":c:c");
    }
};

TEST_F(ForgetStreets, AnswersFromKeptDataStayTheSame) {
    build_flop_tree();
    iterate(80);
    const std::vector<std::string> queries = {"calc_results",
                                              "calc_ev OOP r:0",
                                              "calc_ev IP r:0:c:c",
                                              "calc_ev IP r:0:c:c:Qd",
                                              "calc_ev OOP r:0:c:c:Qd:c:c",
                                              "show_strategy r:0:c:c:Qd",
                                              "show_range IP r:0:c:c:Qd:c"};
    std::vector<std::string> before;
    for (const std::string& query : queries) before.push_back(run_line(query));
    const u32 iteration = g_tree->iteration;

    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    for (std::size_t i = 0; i < queries.size(); ++i) {
        EXPECT_EQ(run_line(queries[i]), before[i]) << queries[i];
    }
    EXPECT_EQ(g_tree->iteration, iteration);
    EXPECT_EQ(output_lines(run_line("show_node r"))[5], "flags: INCOMPLETE_TREE ISOMORPHISM_ON");
    EXPECT_EQ(run_line("go"), "ERROR: go incomplete tree\n");
}

TEST_F(ForgetStreets, RiversForgottenWithTheReachAtEverySplit) {
    // Without isomorphism: the queries would value each actual turn card
    // with the flop strategies of its own suits, the reach walk with those of
    // the board's representative, which the solve learns apart.
    ASSERT_EQ(run_line("set_isomorphism 0 0"), "set_isomorphism ok!\n");
    build_flop_tree("AKQ", "AKQJ");
    iterate(63);
    const u32 iteration = g_tree->iteration;
    const std::vector<f64> oop_range = combo_row(run_line("show_range OOP r:0:c:c:Qd:c:c"));
    const std::vector<f64> ip_range = combo_row(run_line("show_range IP r:0:c:c:Qd:c:c"));

    forget_streets(*g_tree, kStreetRiver);
    Tree& tree = *g_tree;
    EXPECT_EQ(tree.forget_level, 3);
    EXPECT_EQ(tree.flags & (kTreeIncomplete | kTreeNew), kTreeIncomplete);
    EXPECT_EQ(tree.iteration, iteration);
    EXPECT_FALSE(tree.all_stores_prepared);
    EXPECT_TRUE(street_has_no_stores(tree, kStreetRiver));
    EXPECT_TRUE(street_has_stores(tree, kStreetTurn));
    EXPECT_TRUE(street_has_stores(tree, kStreetFlop));

    const std::size_t boards = tree.street_data->boards.size();
    int openers = 0;
    for (TreeNode& node : tree.nodes) {
        if (node.results.size() != static_cast<std::size_t>(kTurnCardSlots)) continue;
        ++openers;
        for (std::size_t b = 0; b < boards; ++b) {
            const NodeResultRecord& record = node.results[b];
            EXPECT_EQ(record.reach_frozen, 1);
            for (int p = 0; p < 2; ++p) {
                const f64 sum = array_sum(record.arrays[p]);
                if (sum != 0.0) EXPECT_NEAR(sum, kFrozenSum, 1e-9);
            }
        }
    }
    EXPECT_GT(openers, 0);

    // The frozen reach is the range that the queries walk down the same path,
    // on the turn board's hand list.
    const BoardRecord& board = tree.street_data->boards[static_cast<std::size_t>(board_of("Qd"))];
    const NodeResultRecord& record =
        river_opening("Qd").results[static_cast<std::size_t>(board_of("Qd"))];
    for (int p = 0; p < 2; ++p) {
        const std::vector<f64>& range = p == 0 ? oop_range : ip_range;
        EXPECT_EQ(record.reach_recomputable[p], 1);
        f64 total = 0.0;
        for (int c = 0; c < kHandCount; ++c) {
            if (board.combo_map[c] != 0xFFFF) total += range[c];
        }
        ASSERT_GT(total, 0.0);
        for (int c = 0; c < kHandCount; ++c) {
            const u16 i = board.combo_map[c];
            if (i == 0xFFFF) continue;
            const f64 expected = range[c] * kFrozenSum / total;
            EXPECT_NEAR(record.arrays[p].data[i], expected, 1e-9 * expected + 1e-12) << c;
        }
    }
}

// A split reached by a sliver of a player's range keeps the reach that the
// update passes summed, scaled, and says it cannot be recomputed.
TEST_F(ForgetStreets, ThinReachKeepsTheAccumulatedReach) {
    build_flop_tree();
    iterate(70);
    // OOP all but never bets the Qd turn: the river after the bet is thin.
    const std::string turn = "r:0:c:c:Qd";
    std::string bet = "set_strategy " + turn + " 0";
    std::string check = "set_strategy " + turn + " 1";
    for (int h = 0; h < kHandCount; ++h) {
        bet += " 0.0001";
        check += " 1";
    }
    ASSERT_EQ(run_line(bet), "set_strategy ok!\n");
    ASSERT_EQ(run_line(check), "set_strategy ok!\n");
    TreeNode& opener = node_at(turn + ":b50:c");
    const i32 b = board_of("Qd");
    NodeResultRecord& record = opener.results[static_cast<std::size_t>(b)];
    std::vector<f64> accumulated(record.arrays[0].data,
                                 record.arrays[0].data + record.arrays[0].count);
    const f64 accumulated_sum = array_sum(record.arrays[0]);
    ASSERT_GT(accumulated_sum, 0.0);

    forget_streets(*g_tree, kStreetRiver);
    EXPECT_EQ(record.reach_recomputable[0], 0);
    ASSERT_EQ(record.arrays[0].count, static_cast<i32>(accumulated.size()));
    for (std::size_t i = 0; i < accumulated.size(); ++i) {
        EXPECT_NEAR(record.arrays[0].data[i], accumulated[i] * kFrozenSum / accumulated_sum, 1e-9);
    }
}

TEST_F(ForgetStreets, TurnsAfterRiversAndRiversAfterTurns) {
    build_flop_tree();
    iterate(30);
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    ASSERT_EQ(run_line("forget turns"), "forget ok!\n");
    EXPECT_EQ(g_tree->forget_level, 2);
    EXPECT_TRUE(street_has_no_stores(*g_tree, kStreetTurn));
    EXPECT_TRUE(street_has_stores(*g_tree, kStreetFlop));

    // The rivers are gone already and the turns above them too: nothing to
    // walk, nothing changes.
    NodeResultRecord& turn_record = node_at("r:0:c:c").results[0];
    const f64 first = turn_record.arrays[0].data[0];
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    EXPECT_EQ(g_tree->forget_level, 2);
    EXPECT_EQ(turn_record.arrays[0].data[0], first);
    EXPECT_EQ(run_line("forget turns"), "forget ok!\n");
    EXPECT_EQ(g_tree->forget_level, 2);
}

TEST_F(ForgetStreets, RefusedAtOrAboveTheRootStreet) {
    build_turn_tree("AKQ", "AKQ");
    iterate(10);
    EXPECT_EQ(run_line("forget turns"), "ERROR: forget incorrect or missing argument\n");
    EXPECT_EQ(g_tree->forget_level, -1);
    EXPECT_EQ(run_line("forget rivers"), "forget ok!\n");
    EXPECT_EQ(g_tree->forget_level, 3);

    run_line("clear_lines");
    build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h",
          {"0 0", "50 50"});
    EXPECT_EQ(run_line("forget rivers"), "ERROR: forget incorrect or missing argument\n");
    EXPECT_EQ(run_line("forget turns"), "ERROR: forget incorrect or missing argument\n");
    EXPECT_EQ(g_tree->forget_level, -1);
}

// The form with a backup keeps the stores, flags and level, and saves every
// record as it was before the reach was written into it.
TEST_F(ForgetStreets, BackupFormKeepsTheTree) {
    build_flop_tree();
    iterate(40);
    Tree& tree = *g_tree;
    const u32 flags = tree.flags;
    TreeNode& opener = node_at("r:0:c:c");
    std::vector<f64> before(opener.results[0].arrays[1].data,
                            opener.results[0].arrays[1].data + opener.results[0].arrays[1].count);
    run_line("calc_results");
    ASSERT_GT(opener.results[0].arrays[2].count, 3);
    const f64 values_before = opener.results[0].arrays[2].data[3];

    std::vector<std::unique_ptr<NodeResultRecord>> backup;
    forget_streets_with_backup(tree, kStreetTurn, &backup);
    EXPECT_EQ(tree.flags, flags);
    EXPECT_EQ(tree.forget_level, -1);
    EXPECT_TRUE(street_has_stores(tree, kStreetTurn));
    EXPECT_TRUE(street_has_stores(tree, kStreetRiver));

    int turn_openers = 0;
    for (const TreeNode& node : tree.nodes) {
        if (node.is_decision() && node.results.size() == 1) ++turn_openers;
    }
    EXPECT_EQ(backup.size(), static_cast<std::size_t>(turn_openers));
    EXPECT_EQ(opener.results[0].reach_frozen, 1);
    EXPECT_NEAR(array_sum(opener.results[0].arrays[1]), kFrozenSum, 1e-9);
    // The opener's record as it was is on the list.
    const NodeResultRecord* found = nullptr;
    for (const auto& saved : backup) {
        if (saved->arrays[2].count > 3 && saved->arrays[2].data[3] == values_before)
            found = saved.get();
    }
    ASSERT_NE(found, nullptr);
    const NodeResultRecord& saved = *found;
    ASSERT_EQ(saved.arrays[1].count, static_cast<i32>(before.size()));
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(saved.arrays[1].data[i], before[i]);
    EXPECT_EQ(saved.arrays[2].data[3], values_before);
    EXPECT_EQ(saved.reach_frozen, 0);
    EXPECT_EQ(saved.reach_recomputable[0], 0);
    EXPECT_EQ(saved.reach_recomputable[1], 0);

    // Without a backup it is the plain forget.
    forget_streets_with_backup(tree, kStreetTurn, nullptr);
    EXPECT_EQ(tree.forget_level, 2);
    EXPECT_TRUE(street_has_no_stores(tree, kStreetTurn));
}

TEST_F(ForgetStreets, RebuildGivesZeroedStoresAndTheSolverRunsAgain) {
    build_flop_tree();
    iterate(70);
    EXPECT_EQ(run_line("rebuild_forgotten_streets"), "rebuild_forgotten_streets ok!\n");
    EXPECT_EQ(g_tree->forget_level, -1);

    const TreeSizeStats sizes = g_tree->size_stats;
    ASSERT_EQ(run_line("forget turns"), "forget ok!\n");
    EXPECT_EQ(run_line("rebuild_all"), "rebuild_all ok!\n");
    Tree& tree = *g_tree;
    EXPECT_EQ(tree.forget_level, 2);
    EXPECT_EQ(tree.flags & kTreeIncomplete, 0u);
    for (int s = 1; s <= 3; ++s) EXPECT_EQ(tree.size_stats.value_counts[s], sizes.value_counts[s]);
    for (TreeNode& node : tree.nodes) {
        if (!node.is_decision() || node.street < kStreetTurn) continue;
        ASSERT_TRUE(node.regrets && node.stores_prepared);
    }
    // Zeroed stores play the uniform strategy; no split is solved on demand
    // on a tree whose stores are all there.
    for (const std::vector<f64>& row : strategy_rows("r:0:c:c:Qd:c:c:8s")) {
        for (int c = 0; c < kHandCount; ++c) {
            if (!std::isnan(row[c]) && row[c] != 0.0) EXPECT_DOUBLE_EQ(row[c], 0.5);
        }
    }
    EXPECT_EQ(node_at("r:0:c:c").results[0].solved_splits, 0u);
    run_line("go 1 steps");
    run_line("wait_for_solver");
    EXPECT_EQ(g_tree->iteration, 71u);
}

// A compression change starts the solve over: nothing stays forgotten.
TEST_F(ForgetStreets, CompressionChangeDiscardsTheForgottenState) {
    build_flop_tree();
    iterate(30);
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    ASSERT_EQ(run_line("explo_partial r:0:c:c:Qd:c:c:8s").empty(), false);
    ASSERT_EQ(run_line("ai6_set_compression 0"), "ai6_set_compression ok!\n");
    Tree& tree = *g_tree;
    EXPECT_EQ(tree.forget_level, -1);
    EXPECT_EQ(tree.flags & kTreeIncomplete, 0u);
    EXPECT_TRUE(street_has_stores(tree, kStreetRiver));
    for (const TreeNode& node : tree.nodes) {
        for (const NodeResultRecord& record : node.results) {
            EXPECT_EQ(record.reach_frozen, 0);
            EXPECT_EQ(record.solved_splits, 0u);
            EXPECT_EQ(record.arrays[0].data, nullptr);
        }
    }
    run_line("go 1 steps");
    run_line("wait_for_solver");
    EXPECT_EQ(g_tree->iteration, 1u);
}

// The automatic level of a compression change weighs every street, the
// forgotten ones included, which the change brings back: a tree reset while
// its rivers are forgotten (as a loaded archive is) has size figures without
// them.
TEST_F(ForgetStreets, CompressionChangeWeighsTheForgottenStreets) {
    build_flop_tree();
    const TreeSizeStats built = g_tree->size_stats;
    const u64 need = built.data_sizes[1] + built.data_sizes[2] + built.data_sizes[3];
    ASSERT_GT(built.data_sizes[3], 0u);
    EXPECT_EQ(whole_tree_data_bytes(*g_tree), need);
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    const u32 uncompressed[2] = {0, 0};
    ASSERT_TRUE(reset_solve(*g_tree, uncompressed));
    EXPECT_EQ(g_tree->size_stats.data_sizes[3], 0u);
    EXPECT_EQ(whole_tree_data_bytes(*g_tree), need);
}

// The river stores are mapped memory of their own: forgetting them returns
// it to the system at once. Before iteration 61 the solve has written only
// the regrets (two bytes a value); the strategy sums are still untouched.
TEST_F(ForgetStreets, ResidentMemoryFallsByTheRiverData) {
    ASSERT_EQ(run_line("set_isomorphism 0 0"), "set_isomorphism ok!\n");
    build(range_tokens(ranks_in("AKQJT98")), range_tokens(ranks_in("AKQJT98")), "Kh 7d 2c",
          {"0 0 0 0 0 0", "0 0 0 0 50 50", "0 0 0 0 0 50 50"});
    iterate(3);
    const u64 regret_bytes = 2 * g_tree->size_stats.value_counts[kStreetRiver];
    ASSERT_GT(regret_bytes, u64{8} << 20);
    const u64 before = current_resident_bytes();
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    const u64 after = current_resident_bytes();
    ASSERT_GT(before, after);
    EXPECT_GT(static_cast<f64>(before - after), 0.8 * static_cast<f64>(regret_bytes))
        << "before " << before << " after " << after << " river regrets " << regret_bytes;
}

}  // namespace
