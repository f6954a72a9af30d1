// The built-in benchmark's pieces: the bet-line generator (a tree that tree
// creation accepts, parents before children, bets before the check or call
// and the fold last, streets skipped after an all-in, the size rule), the
// rounding routine in both variants, and the built-in ranges' counts.
#include "solver/builtin_benchmark.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/cpu_features.h"
#include "tree_test_support.h"

namespace {

constexpr f64 kStack = 125.0;

std::vector<LineRecord> benchmark_lines() {
    std::vector<LineRecord> lines;
    generate_bet_lines(1, 0, 25.0, 0.0, kStack, -1, lines, "");
    return lines;
}

std::vector<std::vector<i32>> children_of(const std::vector<LineRecord>& lines) {
    std::vector<std::vector<i32>> children(lines.size());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        children[static_cast<std::size_t>(lines[i].parent)].push_back(static_cast<i32>(i));
    }
    return children;
}

class BuiltinBenchmark : public TreeTest {};

TEST_F(BuiltinBenchmark, BetLinesFormTheBenchmarkTree) {
    const std::vector<LineRecord> lines = benchmark_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].kind, kLineDecision);
    EXPECT_EQ(lines[0].parent, -1);
    EXPECT_EQ(lines[0].player, 0u);
    EXPECT_EQ(lines[0].street, 1u);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        ASSERT_GE(lines[i].parent, 0);
        ASSERT_LT(lines[i].parent, static_cast<i32>(i));
        EXPECT_EQ(lines[static_cast<std::size_t>(lines[i].parent)].kind, kLineDecision);
    }
    const auto children = children_of(lines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineRecord& r = lines[i];
        if (r.kind != kLineDecision) {
            EXPECT_TRUE(children[i].empty());
            EXPECT_LE(r.amount, kStack);
            EXPECT_GE(r.amount, 25.0);
            continue;
        }
        ASSERT_GE(children[i].size(), 2u) << i;
        ASSERT_LE(children[i].size(), 3u) << i;
        for (const i32 c : children[i]) {
            const LineRecord& child = lines[static_cast<std::size_t>(c)];
            if (child.kind == kLineDecision) EXPECT_GE(child.street, r.street);
        }
        // A point facing a bet ends in a fold; a fold only follows a bet.
        const LineRecord& last = lines[static_cast<std::size_t>(children[i].back())];
        if (children[i].size() == 3) EXPECT_EQ(last.kind, kLineFold) << i;
    }
    // Tree creation takes the lines as the shell's flattened lines.
    const std::vector<f64> full = full_range();
    TreeSpec spec;
    spec.records = lines.data();
    spec.record_count = static_cast<u32>(lines.size());
    spec.flop[0] = 0;
    spec.flop[1] = 1;
    spec.flop[2] = 2;
    spec.ranges[0] = full.data();
    spec.ranges[1] = full.data();
    EXPECT_NO_THROW(make_tree(spec));
    // The tree as it stands: a change of its rules changes this count.
    EXPECT_EQ(lines.size(), 91u);
}

TEST_F(BuiltinBenchmark, BetSizesAndTheAllInCollapse) {
    std::vector<LineRecord> lines;
    // Facing nothing with 25 in each: the pot-sized bet of 50 is the one size.
    generate_bet_lines(3, 0, 25.0, 0.0, kStack, -1, lines, "");
    const auto children = children_of(lines);
    ASSERT_EQ(children[0].size(), 2u);
    const LineRecord& bet = lines[static_cast<std::size_t>(children[0][0])];
    EXPECT_EQ(bet.kind, kLineDecision);
    EXPECT_EQ(bet.player, 1u);
    // IP facing 50 on the river: raise to the stack (75 left), call to a
    // showdown of 75 each, or fold at 25.
    const auto& facing = children[static_cast<std::size_t>(children[0][0])];
    ASSERT_EQ(facing.size(), 3u);
    EXPECT_EQ(lines[static_cast<std::size_t>(facing[1])].kind, kLineShowdown);
    EXPECT_EQ(lines[static_cast<std::size_t>(facing[1])].amount, 75.0);
    EXPECT_EQ(lines[static_cast<std::size_t>(facing[2])].kind, kLineFold);
    EXPECT_EQ(lines[static_cast<std::size_t>(facing[2])].amount, 25.0);
    // The raise puts OOP all in: a call goes straight to the showdown at the
    // stack, whatever the street.
    const auto& all_in = children[static_cast<std::size_t>(facing[0])];
    ASSERT_EQ(all_in.size(), 2u);
    EXPECT_EQ(lines[static_cast<std::size_t>(all_in[0])].kind, kLineShowdown);
    EXPECT_EQ(lines[static_cast<std::size_t>(all_in[0])].amount, kStack);

    std::vector<LineRecord> flop;
    generate_bet_lines(1, 1, 75.0, 50.0, kStack, -1, flop, "");
    const auto flop_children = children_of(flop);
    // The call of an all-in bet on the flop skips turn and river.
    EXPECT_EQ(flop[static_cast<std::size_t>(flop_children[0][0])].kind, kLineShowdown);
    EXPECT_EQ(flop[static_cast<std::size_t>(flop_children[0][0])].amount, kStack);
}

TEST_F(BuiltinBenchmark, RoundingToDecimals) {
    struct Case {
        f64 x;
        i32 n;
        f64 expected;
    };
    const Case cases[] = {{3.14159, 2, 3.14}, {1.25, 1, 1.3}, {-1.25, 1, -1.2},
                          {7.0, 0, 7.0},      {0.05, 1, 0.1}, {123.456789, 4, 123.4568}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(round_to_decimals_generic(c.x, c.n), c.expected) << c.x;
        EXPECT_DOUBLE_EQ(round_to_decimals(c.x, c.n), c.expected) << c.x;
        if (cpu_has_avx2_set()) EXPECT_DOUBLE_EQ(round_to_decimals_avx2(c.x, c.n), c.expected);
    }
}

TEST_F(BuiltinBenchmark, BuiltinRangesHaveTheirCounts) {
    for (const auto& [player, hands, weights] : {std::tuple{0u, 634, 66u}, {1u, 1030, 5u}}) {
        const std::vector<f64>& range = builtin_range(player);
        ASSERT_EQ(range.size(), static_cast<std::size_t>(kHandCount));
        int positive = 0;
        std::set<f64> distinct;
        for (const f64 w : range) {
            EXPECT_GE(w, 0.0);
            EXPECT_LE(w, 1.0);
            if (w > 0.0) {
                ++positive;
                distinct.insert(w);
            }
        }
        EXPECT_EQ(positive, hands);
        EXPECT_EQ(distinct.size(), weights);
    }
}

}  // namespace
