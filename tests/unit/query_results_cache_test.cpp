// What the solver keeps for the expected-value queries beside their single
// capture: the result cache of a tree (owned by one iteration, emptied by the
// split solves) and the per-split capture, which stores the requested node's
// values for every turn board that a walk deals, against the single-split
// capture of each board.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>

#include "forget_test_support.h"
#include "queries/node_ev.h"
#include "solver/capture_request.h"
#include "solver/node_visit.h"
#include "solver/solver_pass.h"
#include "solver/work_items.h"
#include "tree/ev_result_cache.h"

namespace {

EvCacheKey key_of(u64 mask, u32 a, u32 b, u32 c) {
    EvCacheKey key;
    key.mask = mask;
    key.values[0] = a;
    key.values[1] = b;
    key.values[2] = c;
    return key;
}

TEST(EvResultCache, EntriesBelongToOneIteration) {
    EvResultCache cache;
    EXPECT_EQ(cache.owner_iteration(), -1);
    const std::size_t fresh_buckets = cache.bucket_count();
    CachedEvResult& entry = cache.insert(7, key_of(0x15, 1, 2, 3));
    entry.first.resize(3);
    entry.first.data[2] = 4.5;
    EXPECT_EQ(cache.owner_iteration(), 7);

    const CachedEvResult* found = find_cached_result(cache, 7, 0x15, 1, 2, 3);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->first.data[2], 4.5);
    EXPECT_EQ(find_cached_result(cache, 7, 0x15, 1, 2, 4), nullptr);
    EXPECT_EQ(find_cached_result(cache, 7, 0x14, 1, 2, 3), nullptr);
    // Another iteration finds nothing; a negative one looks whatever the owner.
    EXPECT_EQ(find_cached_result(cache, 8, 0x15, 1, 2, 3), nullptr);
    EXPECT_NE(find_cached_result(cache, -1, 0x15, 1, 2, 3), nullptr);

    for (u32 i = 0; i < 100; ++i) cache.insert(7, key_of(i, i, 0, 0));
    EXPECT_EQ(cache.size(), 101u);
    EXPECT_GT(cache.bucket_count(), fresh_buckets);
    // An entry for a new iteration starts the cache over.
    cache.insert(9, key_of(1, 1, 1, 1));
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(find_cached_result(cache, -1, 0x15, 1, 2, 3), nullptr);

    cache.empty();
    EXPECT_EQ(cache.owner_iteration(), -1);
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_EQ(cache.bucket_count(), fresh_buckets);
}

class QueryResults : public ForgetTest {};

TEST_F(QueryResults, SplitSolvesEmptyTheCache) {
    build_flop_tree();
    iterate(30);
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    Tree& tree = *g_tree;
    for (u32 i = 0; i < 20; ++i)
        tree.ev_cache.insert(static_cast<i32>(tree.iteration), key_of(i, 0, 0, 0));
    ASSERT_EQ(run_line("set_recalc_accuracy 1 1 1"), "set_recalc_accuracy ok!\n");
    ASSERT_EQ(run_line("solve_partial r:0:c:c:Qd:c:c:8s"), "solve_partial ok!\n");
    EXPECT_EQ(tree.ev_cache.owner_iteration(), -1);
    EXPECT_EQ(tree.ev_cache.size(), 0u);
    EXPECT_EQ(tree.ev_cache.bucket_count(), EvResultCache().bucket_count());

    tree.ev_cache.insert(static_cast<i32>(tree.iteration), key_of(1, 0, 0, 0));
    ASSERT_EQ(run_line("solve_all_splits rivers"), "solve_all_splits ok!\n");
    EXPECT_EQ(tree.ev_cache.size(), 0u);
}

// A capture walk from the root with the per-split flag set on the first turn
// node: every turn item stores the node's pair for its board.
TEST_F(QueryResults, PerSplitCaptureOfEveryTurnBoard) {
    build_flop_tree();
    iterate(30);
    run_line("calc_results");
    Tree& tree = *g_tree;
    TreeNode& turn_node = node_at("r:0:c:c");
    const u32 player = 1;

    EvQueryContext every;
    every.node = &turn_node;
    every.turn = 0;
    every.per_split_flag = 1;
    {
        const PassLock lock;
        tree.capture_request = &every;
        tree.traverser = player;
        tree.pass_mode = kPassCapture;
        NodeWorkRecord root;
        root.tree = &tree;
        root.node = &tree.nodes[0];
        for (u32 p = 0; p < 2; ++p) {
            DoubleArray& reach = p == player ? root.second_reach : root.opponent_reach;
            const std::vector<f64>& weights = tree.root_weights.weights[p];
            reach.resize(static_cast<i32>(weights.size()));
            std::copy(weights.begin(), weights.end(), reach.data);
        }
        tree.pass_phase = 0;
        visit_node(root);
        tree.pass_phase = 1;
        run_work_items();
        tree.pass_phase = 2;
        g_work_cursor = 0;
        visit_node(root);
        clear_work_items();
        tree.capture_request = nullptr;
    }
    const std::size_t boards = tree.street_data->boards.size();
    ASSERT_EQ(every.per_split.size(), boards);

    for (std::size_t b = 0; b < boards; ++b) {
        const auto found = every.per_split.find({-1, static_cast<i32>(b)});
        ASSERT_NE(found, every.per_split.end()) << b;
        EvQueryContext single;
        single.node = &turn_node;
        single.turn = static_cast<i32>(b);
        {
            const PassLock lock;
            tree.capture_request = &single;
            node_ev_subtree(tree, player);
            tree.capture_request = nullptr;
        }
        const DoubleArray& values = *found->second.values;
        const DoubleArray& weights = *found->second.weights;
        ASSERT_EQ(values.count, single.values.count);
        ASSERT_EQ(weights.count, single.weights.count);
        for (i32 i = 0; i < values.count; ++i) {
            EXPECT_NEAR(values.data[i], single.values.data[i], 1e-9) << b << " " << i;
            EXPECT_NEAR(weights.data[i], single.weights.data[i], 1e-9 * single.weights.data[i])
                << b << " " << i;
        }
    }
}

}  // namespace
