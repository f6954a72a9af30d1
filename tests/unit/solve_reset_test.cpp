// The node-data factory and the solve reset: which store kind each node gets
// by street, root street and format version, the value counts and data sizes
// against a count from the layouts, forgotten streets, repeated creation, and
// the solver parameters a reset sets.
#include "solver/solve_reset.h"

#include <gtest/gtest.h>

#include <limits>

#include "storage/block_arena.h"
#include "storage/block_node_data.h"
#include "storage/compressed_node_data.h"
#include "storage/node_data_factory.h"
#include "storage/plain_node_data.h"
#include "tree/node_data_layout.h"
#include "tree_test_support.h"

namespace {

// A store whose allocation fails until it is told otherwise.
class StubbornStore final : public NodeDataBase {
public:
    bool succeed = false;
    int calls = 0;
    bool allocate() override {
        ++calls;
        return succeed;
    }
    void average_strategy(std::vector<DoubleArray>&, i32, i32, std::span<const f32>) override {}
    bool store_row(i32, i32, i32, const DoubleArray&) override { return false; }
    void update_regrets(i32, i32, const DoubleArray&, const std::vector<DoubleArray>&, u64,
                        const std::vector<i16>*, f64) override {}
    void accumulate_strategy(i32, i32, const std::vector<DoubleArray>&, const DoubleArray&,
                             f64) override {}
    i64 value_count(i32) const override { return 0; }
    BlockEntry& entry(i32, i32) override { return entry_; }

private:
    BlockEntry entry_;
};

template <class Kind>
bool is(const std::unique_ptr<NodeDataBase>& store) {
    return dynamic_cast<const Kind*>(store.get()) != nullptr;
}

// Flop bet or check, the call leads to a turn decision whose check leads to
// a river decision with three actions. From the turn, the flop part stands on
// the turn.
RecordList three_streets(u32 first = kStreetFlop) {
    RecordList list;
    const i32 root = list.decision(-1, 0, first);
    const i32 bet = list.decision(root, 1, first);
    const i32 turn = list.decision(bet, 0, kStreetTurn);
    const i32 river = list.decision(turn, 1, kStreetRiver);
    list.showdown(river, 40.0);
    list.showdown(river, 15.0);
    list.fold(river, 5.0);
    list.showdown(turn, 15.0);
    list.fold(bet, 5.0);
    list.showdown(root, 5.0);
    return list;
}

std::vector<f64> pairs_range() {
    return class_range({0, 14, 28, 42, 56, 70, 84, 98, 112, 126, 140, 154, 168});
}

Tree& build(const RecordList& list, const std::vector<const char*>& board) {
    const std::vector<f64> range = pairs_range();
    create_tree(spec_for(list, board, range, range, 1));
    return *g_tree;
}

bool reset(Tree& tree, u32 regrets, u32 strategy) {
    const u32 modes[2] = {regrets, strategy};
    return reset_solve(tree, modes);
}

// The river values of a tree: the layout's value total per river decision.
u64 river_values(const Tree& tree) {
    u64 total = 0;
    for (const TreeNode& node : tree.nodes) {
        if (node.is_decision() && node.street == kStreetRiver) {
            total += static_cast<u64>(tree.layouts[node.action_count()]->values);
        }
    }
    return total;
}

TEST_F(TreeTest, FlopRootedStoresByStreet) {
    Tree& tree = build(three_streets(), {"Qs", "Jh", "2h"});
    ASSERT_TRUE(reset(tree, 0, 0));
    EXPECT_TRUE(is<PlainNodeData>(tree.nodes[0].regrets));
    EXPECT_TRUE(is<PlainNodeData>(tree.nodes[0].strategy_sums));
    EXPECT_TRUE(is<CompositeNodeData>(tree.nodes[2].regrets));
    EXPECT_TRUE(is<CompositeNodeData>(tree.nodes[2].strategy_sums));
    EXPECT_TRUE(is<U16BlockNodeData>(tree.nodes[3].regrets));
    EXPECT_TRUE(is<FloatBlockNodeData>(tree.nodes[3].strategy_sums));
    for (const TreeNode& node : tree.nodes) {
        if (node.is_decision()) continue;
        EXPECT_EQ(node.regrets, nullptr);
        EXPECT_EQ(node.strategy_sums, nullptr);
    }
    const auto& composite = dynamic_cast<const CompositeNodeData&>(*tree.nodes[2].regrets);
    EXPECT_EQ(composite.boards(), static_cast<i32>(tree.street_data->boards.size()));

    // Flop and turn stores count nothing before they are allocated.
    const TreeSizeStats& stats = tree.size_stats;
    EXPECT_EQ(stats.value_counts[1], 0u);
    EXPECT_EQ(stats.value_counts[2], 0u);
    EXPECT_EQ(stats.value_counts[3], river_values(tree));
    EXPECT_GT(stats.value_counts[3], 0u);
    EXPECT_EQ(stats.data_sizes[3], stats.value_counts[3] * 6);
    EXPECT_EQ(stats.value_counts[0], 0u);
    EXPECT_EQ(tree.iteration, 0u);
    EXPECT_EQ(tree.all_stores_prepared, 0);
}

TEST_F(TreeTest, TurnAndRiverRootsKeepFloatRiverRegrets) {
    Tree& turn = build(three_streets(kStreetTurn), {"Qs", "Jh", "2h", "8d"});
    ASSERT_TRUE(reset(turn, 2, 2));
    EXPECT_TRUE(is<FloatBlockNodeData>(turn.nodes[3].regrets));
    EXPECT_EQ(turn.store_modes[0], 0u);
    EXPECT_EQ(turn.store_modes[1], 0u);
    // The requested regret mode still decides the early iterations.
    EXPECT_EQ(g_river_early_iterations, 30);

    turn.format_version = 4;
    ASSERT_TRUE(reset(turn, 0, 0));
    EXPECT_TRUE(is<U16BlockNodeData>(turn.nodes[3].regrets));
    EXPECT_EQ(g_river_early_iterations, 0);

    RecordList river_only;
    const i32 root = river_only.decision(-1, 0, kStreetRiver);
    river_only.showdown(root, 10.0);
    river_only.fold(root, 5.0);
    Tree& river = build(river_only, {"Qs", "Jh", "2h", "8d", "3c"});
    ASSERT_TRUE(reset(river, 4, 4));
    EXPECT_TRUE(is<FloatBlockNodeData>(river.nodes[0].regrets));
    EXPECT_TRUE(is<FloatBlockNodeData>(river.nodes[0].strategy_sums));
    EXPECT_DOUBLE_EQ(g_avg_weight_exponent, 4.0);
    EXPECT_EQ(g_avg_weight_cap, std::numeric_limits<f64>::max());
}

// Flop roots take the compressed river kinds of their modes: 16-bit regret
// rows and 32-bit sum rows, each in the arena kind of its mode; flop and turn
// stores stay uncompressed, and the value counts do not depend on the kinds.
TEST_F(TreeTest, CompressionModesChooseTheRiverKinds) {
    Tree& tree = build(three_streets(), {"Qs", "Jh", "2h"});
    ASSERT_TRUE(reset(tree, 0, 0));
    const TreeSizeStats plain = tree.size_stats;
    ASSERT_TRUE(reset(tree, 1, 2));
    const auto* regrets = dynamic_cast<const CompressedNodeData*>(tree.nodes[3].regrets.get());
    const auto* sums = dynamic_cast<const CompressedNodeData*>(tree.nodes[3].strategy_sums.get());
    ASSERT_NE(regrets, nullptr);
    ASSERT_NE(sums, nullptr);
    EXPECT_TRUE(regrets->sixteen_bit());
    EXPECT_EQ(regrets->mode(), 1u);
    EXPECT_FALSE(sums->sixteen_bit());
    EXPECT_EQ(sums->mode(), 2u);
    EXPECT_TRUE(is<PlainNodeData>(tree.nodes[0].regrets));
    EXPECT_TRUE(is<CompositeNodeData>(tree.nodes[2].regrets));
    EXPECT_EQ(tree.store_modes[0], 1u);
    EXPECT_EQ(tree.store_modes[1], 2u);
    for (int s = 0; s < 4; ++s) EXPECT_EQ(tree.size_stats.data_sizes[s], plain.data_sizes[s]);

    ASSERT_TRUE(reset(tree, 0, 1));
    EXPECT_TRUE(is<U16BlockNodeData>(tree.nodes[3].regrets));
    EXPECT_TRUE(is<CompressedNodeData>(tree.nodes[3].strategy_sums));

    EXPECT_EQ(store_modes_of_level(3).regrets, 1u);
    EXPECT_EQ(store_modes_of_level(3).strategy, 2u);
    EXPECT_EQ(store_modes_of_level(7).regrets, 0u);
}

TEST_F(TreeTest, NoAveragingMeansNoStrategyStoresAndTwoBytesPerValue) {
    Tree& tree = build(three_streets(), {"Qs", "Jh", "2h"});
    tree.averaging_mode = 0;
    ASSERT_TRUE(reset(tree, 0, 0));
    for (const TreeNode& node : tree.nodes) EXPECT_EQ(node.strategy_sums, nullptr);
    EXPECT_EQ(tree.size_stats.data_sizes[3], tree.size_stats.value_counts[3] * 2);
}

TEST_F(TreeTest, ForgottenStreetsGetNoStores) {
    Tree& tree = build(three_streets(), {"Qs", "Jh", "2h"});
    tree.forget_level = 3;
    ASSERT_TRUE(reset(tree, 0, 0));
    EXPECT_EQ(tree.nodes[3].regrets, nullptr);
    EXPECT_NE(tree.nodes[2].regrets, nullptr);
    EXPECT_EQ(tree.size_stats.value_counts[3], 0u);
    tree.forget_level = 2;
    create_all_node_data(tree);
    EXPECT_NE(tree.nodes[0].regrets, nullptr);
}

TEST_F(TreeTest, FactoryReplacesTheStoresOfANode) {
    Tree& tree = build(three_streets(), {"Qs", "Jh", "2h"});
    ASSERT_TRUE(reset(tree, 0, 0));
    TreeNode& node = tree.nodes[3];
    node.stores_prepared = 1;
    ASSERT_TRUE(node.regrets->allocate());
    node.regrets->entry(0, 0).flags = 1;
    u64 counts[4] = {0, 0, 0, 0};
    const u32 modes[2] = {0, 0};
    create_node_data(node, *tree.street_data, tree.layouts[3].get(), counts, true, kStreetFlop,
                     modes, true);
    create_node_data(node, *tree.street_data, tree.layouts[3].get(), counts, true, kStreetFlop,
                     modes, true);
    EXPECT_EQ(node.stores_prepared, 0);
    EXPECT_EQ(node.regrets->entry(0, 0).flags, 0u);
    EXPECT_EQ(counts[3], 2 * static_cast<u64>(tree.layouts[3]->values));

    create_node_data(tree.nodes[4], *tree.street_data, nullptr, counts, true, kStreetFlop, modes,
                     true);
    EXPECT_EQ(tree.nodes[4].regrets, nullptr);
}

TEST_F(TreeTest, ResetStartsTheSolveAfresh) {
    Tree& tree = build(three_streets(), {"Qs", "Jh", "2h"});
    tree.iteration = 77;
    tree.all_stores_prepared = 1;
    g_iteration_cap = 5;
    ASSERT_TRUE(reset(tree, 0, 0));
    EXPECT_EQ(tree.iteration, 0u);
    EXPECT_EQ(tree.all_stores_prepared, 0);
    EXPECT_EQ(g_iteration_cap, 9000);
    EXPECT_DOUBLE_EQ(g_avg_weight_exponent, 1.5);
    EXPECT_DOUBLE_EQ(g_avg_weight_cap, 262143.0);
    EXPECT_DOUBLE_EQ(tree.regret_scale, 125.0 / 40.0);
}

// A tree built aside (a build that may still be refused) gets its stores
// without touching what the current tree solves with; its parameters come
// with the process-wide part of the reset.
TEST_F(TreeTest, StoresOfATreeAsideLeaveTheSolverParameters) {
    RecordList river_only;
    const i32 root = river_only.decision(-1, 0, kStreetRiver);
    river_only.showdown(root, 10.0);
    river_only.fold(root, 5.0);
    ASSERT_TRUE(reset(build(river_only, {"Qs", "Jh", "2h", "8d", "3c"}), 0, 0));
    g_stat_decoded_bytes = 123;

    const std::vector<f64> range = pairs_range();
    std::unique_ptr<Tree> aside =
        make_tree(spec_for(three_streets(), {"Qs", "Jh", "2h"}, range, range, 1));
    const u32 modes[2] = {2, 2};
    ASSERT_TRUE(reset_tree_stores(*aside, modes));
    EXPECT_TRUE(is<CompressedNodeData>(aside->nodes[3].regrets));
    EXPECT_DOUBLE_EQ(g_avg_weight_exponent, 4.0);
    EXPECT_EQ(g_avg_weight_cap, std::numeric_limits<f64>::max());
    EXPECT_EQ(g_river_early_iterations, 0);
    EXPECT_EQ(g_stat_decoded_bytes, 123);

    set_solver_parameters(*aside, modes);
    EXPECT_DOUBLE_EQ(g_avg_weight_exponent, 1.5);
    EXPECT_EQ(g_river_early_iterations, 30);
    EXPECT_EQ(g_stat_decoded_bytes, 0);
}

TEST_F(TreeTest, PreparationStopsAtAFailingStoreAndResumes) {
    Tree& tree = build(three_streets(), {"Qs", "Jh", "2h"});
    ASSERT_TRUE(reset(tree, 0, 0));
    auto stubborn = std::make_unique<StubbornStore>();
    StubbornStore& store = *stubborn;
    tree.nodes[2].strategy_sums = std::move(stubborn);

    EXPECT_FALSE(prepare_node_stores(tree));
    EXPECT_EQ(tree.nodes[0].stores_prepared, 1);
    EXPECT_EQ(tree.nodes[1].stores_prepared, 1);
    EXPECT_EQ(tree.nodes[2].stores_prepared, 0);
    EXPECT_EQ(tree.nodes[3].stores_prepared, 0);
    EXPECT_EQ(tree.all_stores_prepared, 0);

    store.succeed = true;
    EXPECT_TRUE(prepare_node_stores(tree));
    EXPECT_EQ(tree.all_stores_prepared, 1);
    for (const TreeNode& node : tree.nodes) {
        EXPECT_EQ(node.stores_prepared, node.is_decision() ? 1 : 0);
    }
    EXPECT_EQ(store.calls, 2);
    // Prepared stores are not allocated again.
    EXPECT_TRUE(prepare_node_stores(tree));
    EXPECT_EQ(store.calls, 2);
}

TEST_F(TreeTest, SizeStatsCopyNeedsATree) {
    EXPECT_EQ(copy_tree_size_stats(), nullptr);
    const u32 modes[2] = {0, 0};
    EXPECT_FALSE(reset_solve(modes));
    Tree& tree = build(three_streets(), {"Qs", "Jh", "2h"});
    ASSERT_TRUE(reset_solve(modes));
    const auto stats = copy_tree_size_stats();
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(stats->data_sizes[3], tree.size_stats.data_sizes[3]);
    EXPECT_EQ(stats->max_actions, 3);
}

}  // namespace
