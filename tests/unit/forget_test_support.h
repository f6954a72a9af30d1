// Helpers of the tests of forgetting, rebuilding and split solves: small flop
// and turn trees built through the protocol, solved on the calling thread for
// a number of iterations, and the rows and figures the commands print.
#pragma once

#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cards/card_text.h"
#include "queries/node_path.h"
#include "query_test_support.h"
#include "solver/solver_pass.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree/tree.h"

struct ResultsBlock {
    f64 ev_oop = 0.0;
    f64 ev_ip = 0.0;
    f64 mes_oop = 0.0;
    f64 mes_ip = 0.0;
    f64 exploitability = 0.0;
};

class ForgetTest : public QueryTest {
protected:
    // Passes on the test thread, and the solver thread, run on two threads:
    // enough to run the work items in parallel, and no more than a loaded
    // machine serves without long waits.
    void SetUp() override {
        QueryTest::SetUp();
        saved_threads_ = omp_get_max_threads();
        omp_set_num_threads(kTestThreads);
        run_line("set_threads 2");
    }
    void TearDown() override {
        QueryTest::TearDown();
        run_line("set_threads 0");
        omp_set_num_threads(saved_threads_);
    }
    int saved_threads_ = 1;
    static constexpr int kTestThreads = 2;

    // A flop tree on a monotone flop (few turn boards under isomorphism):
    // check or bet half the pot on every street; on the river a check may be
    // met by a bet, and a bet on the flop is called and ends the streets.
    static void build_flop_tree(const std::string& oop = "AKQJ", const std::string& ip = "AKQJT") {
        build(range_tokens(ranks_in(oop)), range_tokens(ranks_in(ip)), "Kh 7h 2h",
              {"0 0 0 0 0 0", "0 0 0 0 50 50", "0 0 0 0 0 50 50", "0 0 50 50 50 50", "50 50"});
    }

    // A turn tree on Kh 7h 2h 5s whose turn is a forced check-check: the
    // reach at every river split is the ranges themselves.
    static void build_turn_tree(const std::string& oop, const std::string& ip) {
        build(range_tokens(ranks_in(oop)), range_tokens(ranks_in(ip)), "Kh 7h 2h 5s",
              {"0 0 0 0", "0 0 50 50", "0 0 0 50 50"});
    }

    // Update iterations on the calling thread.
    static void iterate(int iterations) {
        ASSERT_TRUE(prepare_node_stores(*g_tree));
        for (int i = 0; i < iterations; ++i) solver_iteration(*g_tree);
    }

    static ResultsBlock results() {
        const std::vector<std::string> lines = output_lines(run_line("calc_results"));
        EXPECT_EQ(lines.size(), 6u);
        ResultsBlock r;
        if (lines.size() < 5) return r;
        r.ev_oop = value_after_colon(lines[0]);
        r.ev_ip = value_after_colon(lines[1]);
        r.mes_oop = value_after_colon(lines[2]);
        r.mes_ip = value_after_colon(lines[3]);
        r.exploitability = value_after_colon(lines[4]);
        return r;
    }

    // The two rows of calc_ev (EVs, weights) in combo order.
    static std::vector<std::vector<f64>> ev_rows(const std::string& player,
                                                 const std::string& path) {
        const std::vector<std::string> lines =
            output_lines(run_line("calc_ev " + player + " " + path));
        EXPECT_EQ(lines.size(), 3u) << path;
        if (lines.size() != 3) return {};
        return {combo_row(lines[0]), combo_row(lines[1])};
    }

    // The rows of show_strategy in combo order, without "END".
    static std::vector<std::vector<f64>> strategy_rows(const std::string& path) {
        const std::vector<std::string> lines = output_lines(run_line("show_strategy " + path));
        EXPECT_FALSE(lines.empty());
        if (lines.empty()) return {};
        EXPECT_EQ(lines.back(), "END") << lines.front();
        std::vector<std::vector<f64>> rows;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) rows.push_back(combo_row(lines[i]));
        return rows;
    }

    static f64 explo_partial(const std::string& path) {
        return std::stod(run_line("explo_partial " + path));
    }

    // The tree node that a path names.
    static TreeNode& node_at(const std::string& path) {
        return tree_node_of(resolve_node_path(path));
    }

    static i32 card_of(const std::string& text) { return parse_card(text); }
    // Turn board index of a turn card (canonical suits under isomorphism).
    static i32 board_of(const std::string& turn) {
        return split_of_cards(*g_tree, card_of(turn), -1).board;
    }

    static f64 value_after_colon(const std::string& line) {
        return std::stod(line.substr(line.find(':') + 1));
    }
};

// Whether every decision node of the street has its stores (or none has).
inline bool street_has_stores(const Tree& tree, u32 street) {
    for (const TreeNode& node : tree.nodes) {
        if (node.is_decision() && node.street == street && !node.regrets) return false;
    }
    return true;
}

inline bool street_has_no_stores(const Tree& tree, u32 street) {
    for (const TreeNode& node : tree.nodes) {
        if (node.street == street && (node.regrets || node.strategy_sums)) return false;
    }
    return true;
}

inline f64 array_sum(const DoubleArray& a) {
    f64 sum = 0.0;
    for (i32 i = 0; a.data && i < a.count; ++i) sum += a.data[i];
    return sum;
}

// Largest difference of two combo rows over the combos where both are
// defined; a combo defined in one only counts as infinite.
inline f64 row_distance(const std::vector<f64>& a, const std::vector<f64>& b) {
    f64 worst = 0.0;
    for (std::size_t c = 0; c < a.size() && c < b.size(); ++c) {
        if (std::isnan(a[c]) && std::isnan(b[c])) continue;
        if (std::isnan(a[c]) != std::isnan(b[c])) return INFINITY;
        worst = std::max(worst, std::fabs(a[c] - b[c]));
    }
    return worst;
}
