// Helpers of the solver tests: trees built straight from line records and
// ranges given as lists of two-card hands, a solve run on the calling thread
// for a number of iterations, and the average strategy of a node per hand.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/settings.h"
#include "solver/results.h"
#include "solver/solve_reset.h"
#include "solver/solver_pass.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree_test_support.h"

// Combo index of a hand text such as "7c7d".
inline int combo_of(const std::string& hand) {
    return combo_index(card(hand.substr(0, 2).c_str()), card(hand.substr(2, 2).c_str()));
}

// Weight 1 on every combo of two ranks ("76" = every seven-six, "77" = the
// sevens), except the combos that touch `dead` cards.
inline void add_ranks(std::vector<f64>& range, const char* ranks, u64 dead) {
    static const char kSuits[] = "cdhs";
    for (int s1 = 0; s1 < 4; ++s1) {
        for (int s2 = 0; s2 < 4; ++s2) {
            const std::string a = {ranks[0], kSuits[s1]};
            const std::string b = {ranks[1], kSuits[s2]};
            const int c1 = card(a.c_str());
            const int c2 = card(b.c_str());
            if (c1 == c2 || ((dead >> c1) & 1) || ((dead >> c2) & 1)) continue;
            range[static_cast<std::size_t>(combo_index(c1, c2))] = 1.0;
        }
    }
}

inline std::vector<f64> ranks_range(const std::vector<const char*>& groups, u64 dead) {
    std::vector<f64> range(kHandCount, 0.0);
    for (const char* group : groups) add_ranks(range, group, dead);
    return range;
}

class SolverTest : public TreeTest {
protected:
    void SetUp() override { g_scheduler = 0; }
    void TearDown() override {
        g_scheduler = 0;
        TreeTest::TearDown();
    }

    // Creates the tree, gives it uncompressed stores and allocates them.
    static Tree& build(const RecordList& list, const std::vector<const char*>& board,
                       const std::vector<f64>& oop, const std::vector<f64>& ip, u8 iso = 0) {
        create_tree(spec_for(list, board, oop, ip, iso));
        const u32 modes[2] = {0, 0};
        EXPECT_TRUE(reset_solve(*g_tree, modes));
        EXPECT_TRUE(prepare_node_stores(*g_tree));
        return *g_tree;
    }

    static SolverStatsRecord iterate(Tree& tree, int iterations) {
        for (int i = 0; i < iterations; ++i) solver_iteration(tree);
        return measure_tree(tree);
    }
};

// The average strategy of a node for one split: rows per action, per hand of
// the split's hand list.
inline std::vector<DoubleArray> average_rows(TreeNode& node, i32 turn, i32 river) {
    std::vector<DoubleArray> rows;
    const std::vector<f32> zeros(node.action_count(), 0.0f);
    node.strategy_sums->average_strategy(rows, turn, river, zeros);
    return rows;
}
