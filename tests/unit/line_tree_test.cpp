// The line tree itself: child order, removal, deep trees, the largest amount,
// and flattening into records.
#include "tree/line_tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/cpu_features.h"

namespace {

LineTreeNode& add_child(LineTreeNode& parent, f64 key, f64 amount, f64 oop, f64 ip) {
    bool created = false;
    LineTreeNode& child = parent.child_or_new(key, created);
    child.amount = amount;
    child.committed[0] = oop;
    child.committed[1] = ip;
    return child;
}

std::vector<f64> keys_of(const LineTreeNode& node) {
    std::vector<f64> keys;
    for (const auto& entry : node.children) keys.push_back(entry.first);
    return keys;
}

// A chain of n bets below a fresh root; returns the root.
std::unique_ptr<LineTreeNode> deep_chain(int n) {
    auto root = std::make_unique<LineTreeNode>();
    LineTreeNode* node = root.get();
    for (int i = 1; i <= n; ++i) {
        node = &add_child(*node, i, i, 0, 0);
    }
    return root;
}

// Root where OOP checks or bets 100; after the check IP checks behind (a flop
// showdown) or bets 40; both bets can be folded or called.
struct SmallLines {
    LineTreeNode root;
    LineTreeNode* bet100 = nullptr;
    LineTreeNode* check = nullptr;
    LineTreeNode* bet40 = nullptr;

    SmallLines() {
        bet100 = &add_child(root, 100, 100, 100, 0);
        bet100->player = 1;
        bet100->bet_count = 1;
        add_child(*bet100, 100, 100, 100, 100);
        add_child(*bet100, kFoldKey, 0, 100, 0);
        check = &add_child(root, 0, 0, 0, 0);
        check->player = 1;
        add_child(*check, 0, 0, 0, 0);
        bet40 = &add_child(*check, 40, 40, 0, 40);
        bet40->bet_count = 1;
        add_child(*bet40, 40, 40, 40, 40);
        add_child(*bet40, kFoldKey, 0, 0, 40);
    }
};

TEST(LineTree, ChildrenComeInDescendingKeyOrderWithTheFoldLast) {
    LineTreeNode root;
    for (f64 key : {50.0, kFoldKey, 0.0, 150.0, 75.5}) add_child(root, key, key, 0, 0);
    EXPECT_EQ(keys_of(root), (std::vector<f64>{150.0, 75.5, 50.0, 0.0, -1.0}));
    for (const auto& entry : root.children) {
        EXPECT_EQ(entry.second->parent, &root);
        EXPECT_EQ(entry.second->index, -1);
        EXPECT_TRUE(entry.second->children.empty());
    }
}

TEST(LineTree, ChildOrNewReusesAnExistingChild) {
    LineTreeNode root;
    bool created = false;
    LineTreeNode& first = root.child_or_new(50, created);
    EXPECT_TRUE(created);
    first.bet_count = 3;
    LineTreeNode& again = root.child_or_new(50.0, created);
    EXPECT_FALSE(created);
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(again.bet_count, 3);
    EXPECT_EQ(root.child(50), &first);
    EXPECT_EQ(root.child(50.5), nullptr);
}

TEST(LineTree, RemoveChildCutsTheWholeSubtree) {
    SmallLines lines;
    EXPECT_FALSE(lines.root.remove_child(70));
    EXPECT_EQ(lines.root.children.size(), 2u);
    EXPECT_TRUE(lines.check->remove_child(40));
    EXPECT_EQ(keys_of(*lines.check), (std::vector<f64>{0.0}));
    EXPECT_TRUE(lines.root.remove_child(0));
    EXPECT_EQ(keys_of(lines.root), (std::vector<f64>{100.0}));
}

TEST(LineTree, ResetGivesAFreshEmptyRoot) {
    add_child(*g_line_tree, 10, 10, 10, 0);
    g_line_tree->index = 4;
    reset_line_tree();
    ASSERT_NE(g_line_tree, nullptr);
    EXPECT_TRUE(g_line_tree->children.empty());
    EXPECT_EQ(g_line_tree->parent, nullptr);
    EXPECT_EQ(g_line_tree->index, -1);
}

TEST(LineTree, MaxLineAmountIsTheLargestKeyBelowTheNode) {
    SmallLines lines;
    EXPECT_EQ(max_line_amount(lines.root, 0.0), 100.0);
    EXPECT_EQ(max_line_amount(*lines.check, 0.0), 40.0);
    EXPECT_EQ(max_line_amount(*lines.check, 99.7), 99.7);
    add_child(*lines.bet40, 99.7, 99.7, 40, 99.7);
    EXPECT_EQ(max_line_amount(lines.root, 0.0), 100.0);
    EXPECT_EQ(max_line_amount(*lines.check, 0.0), 99.7);
    LineTreeNode empty;
    EXPECT_EQ(max_line_amount(empty, 0.0), 0.0);
}

TEST(LineTree, DeepLinesNeitherOverflowTheStackNorLoseNodes) {
    constexpr int kDepth = 300000;
    auto root = deep_chain(kDepth);
    EXPECT_EQ(max_line_amount(*root, 0.0), kDepth);
    LineFlattening flat;
    // Every node but the last is a decision on the root street; the last leaf
    // has equal totals (0, 0), so the whole chain is buildable.
    EXPECT_TRUE(collect_line_actions_dispatch(flat, *root, -1, 0.0, 10.0, 1));
    ASSERT_EQ(flat.records.size(), static_cast<std::size_t>(kDepth + 1));
    EXPECT_EQ(flat.records.back().kind, kLineShowdown);
    EXPECT_EQ(flat.records.back().parent, kDepth - 1);
    EXPECT_EQ(flat.records.back().amount, kDepth + 5.0);
    root.reset();
}

TEST(LineFlattening, RecordsAreInPreOrderWithChildrenInDescendingOrder) {
    SmallLines lines;
    LineFlattening flat;
    ASSERT_TRUE(collect_line_actions_dispatch(flat, lines.root, -1, 0.0, 60.0, 1));
    // Pot 60: a terminal amount is the leaf's amount + 30.
    const std::vector<LineRecord> expected = {
        {kLineDecision, -1, 0, 1, 0.0},                       // 0 root
        {kLineDecision, 0, 1, 1, 0.0},                        // 1 bet 100, IP to act
        {kLineShowdown, 1, kLineUnused, kLineUnused, 130.0},  // 2 call
        {kLineFold, 1, kLineUnused, kLineUnused, 30.0},       // 3 fold
        {kLineDecision, 0, 1, 1, 0.0},                        // 4 check
        {kLineDecision, 4, 0, 1, 0.0},                        // 5 bet 40
        {kLineShowdown, 5, kLineUnused, kLineUnused, 70.0},   // 6 call
        {kLineFold, 5, kLineUnused, kLineUnused, 30.0},       // 7 fold
        {kLineShowdown, 4, kLineUnused, kLineUnused, 30.0},   // 8 check behind
    };
    ASSERT_EQ(flat.records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(flat.records[i].kind, expected[i].kind);
        EXPECT_EQ(flat.records[i].parent, expected[i].parent);
        EXPECT_EQ(flat.records[i].player, expected[i].player);
        EXPECT_EQ(flat.records[i].street, expected[i].street);
        EXPECT_EQ(flat.records[i].amount, expected[i].amount);
    }
    EXPECT_EQ(flat.nodes[1], lines.bet100);
    EXPECT_EQ(flat.nodes[4], lines.check);
    EXPECT_EQ(flat.nodes[5], lines.bet40);
    EXPECT_EQ(flat.invalid, nullptr);
}

TEST(LineFlattening, IndicesChangeOnlyWhenAssigned) {
    SmallLines lines;
    lines.check->index = 17;
    LineFlattening flat;
    ASSERT_TRUE(collect_line_actions_dispatch(flat, lines.root, -1, 0.0, 60.0, 1));
    EXPECT_EQ(lines.root.index, -1);
    EXPECT_EQ(lines.check->index, 17);
    assign_line_indices(flat);
    for (std::size_t i = 0; i < flat.nodes.size(); ++i) {
        EXPECT_EQ(flat.nodes[i]->index, static_cast<i32>(i));
    }
    EXPECT_EQ(lines.check->index, 4);
}

TEST(LineFlattening, StreetsFollowTheRootStreetAndTheOffsets) {
    LineTreeNode root;
    LineTreeNode& check = add_child(root, 0, 0, 0, 0);
    check.player = 1;
    LineTreeNode& turn = add_child(check, 0, 0, 0, 0);
    turn.street_offset = 1;
    add_child(turn, 0, 0, 0, 0);
    LineFlattening flat;
    ASSERT_TRUE(collect_line_actions_dispatch(flat, root, -1, 0.0, 10.0, 2));
    ASSERT_EQ(flat.records.size(), 4u);
    EXPECT_EQ(flat.records[0].street, 2u);
    EXPECT_EQ(flat.records[1].street, 2u);
    EXPECT_EQ(flat.records[2].street, 3u);
    EXPECT_EQ(flat.records[2].player, 0u);
    EXPECT_EQ(flat.records[3].kind, kLineShowdown);
}

TEST(LineFlattening, ARootWithoutLinesIsOneShowdownRecord) {
    LineTreeNode root;
    root.amount = 4.0;
    LineFlattening flat;
    ASSERT_TRUE(collect_line_actions_dispatch(flat, root, -1, 0.0, 10.0, 1));
    ASSERT_EQ(flat.records.size(), 1u);
    EXPECT_EQ(flat.records[0].kind, kLineShowdown);
    EXPECT_EQ(flat.records[0].parent, -1);
    EXPECT_EQ(flat.records[0].amount, 9.0);
}

TEST(LineFlattening, ASubtreeIsAppendedUnderTheGivenParent) {
    SmallLines lines;
    LineFlattening flat;
    flat.records.push_back({kLineDecision, -1, 0, 1, 0.0});
    flat.nodes.push_back(&lines.root);
    ASSERT_TRUE(collect_line_actions_dispatch(flat, *lines.bet40, 0, 40.0, 0.0, 1));
    ASSERT_EQ(flat.records.size(), 4u);
    EXPECT_EQ(flat.records[1].parent, 0);
    EXPECT_EQ(flat.records[2].parent, 1);
    EXPECT_EQ(flat.records[3].parent, 1);
    EXPECT_EQ(flat.nodes[3]->amount, 0.0);
}

TEST(LineFlattening, UnbuildableLinesAreReportedAtTheirFirstNode) {
    {
        // A bet whose call and fold were cut: a leaf with totals 0 and 40.
        SmallLines lines;
        lines.bet40->children.clear();
        LineFlattening flat;
        EXPECT_FALSE(collect_line_actions_dispatch(flat, lines.root, -1, 0.0, 60.0, 1));
        EXPECT_EQ(flat.invalid, lines.bet40);
        EXPECT_EQ(lines.bet40->index, -1);
    }
    {
        // A fold leaf has different totals by nature and stays buildable.
        SmallLines lines;
        lines.bet40->remove_child(40);
        LineFlattening flat;
        EXPECT_TRUE(collect_line_actions_dispatch(flat, lines.root, -1, 0.0, 60.0, 1));
    }
    {
        // A decision on street 4: the checks went on after the river.
        SmallLines lines;
        LineTreeNode& late = add_child(*lines.check->child(0), 0, 0, 0, 0);
        lines.check->child(0)->street_offset = 3;
        add_child(late, 0, 0, 0, 0);
        LineFlattening flat;
        EXPECT_TRUE(collect_line_actions_dispatch(flat, lines.root, -1, 0.0, 60.0, 0));
        LineFlattening flop;
        EXPECT_FALSE(collect_line_actions_dispatch(flop, lines.root, -1, 0.0, 60.0, 1));
        EXPECT_EQ(flop.invalid, lines.check->child(0));
    }
}

TEST(LineFlattening, ProcessorVariantsGiveIdenticalRecords) {
    if (!cpu_has_avx2_set()) GTEST_SKIP() << "no AVX2 on this processor";
    std::vector<LineNodeFacts> facts;
    for (int i = 0; i < 37; ++i) {
        const f64 amount = 0.1 * i + 1e-17 * i;
        facts.push_back({i - 1,
                         static_cast<u32>(i % 3 != 0),
                         static_cast<u32>(i & 1),
                         i % 4,
                         i % 5 == 0 ? kFoldKey : amount,
                         amount,
                         {amount, i % 7 ? amount : 0.0}});
    }
    std::vector<LineRecord> generic(facts.size());
    std::vector<LineRecord> avx2(facts.size());
    const i64 a = fill_line_records_generic(facts.data(), facts.size(), 33.3, 1, generic.data());
    const i64 b = fill_line_records_avx2(facts.data(), facts.size(), 33.3, 1, avx2.data());
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::memcmp(generic.data(), avx2.data(), generic.size() * sizeof(LineRecord)), 0);
}

}  // namespace
