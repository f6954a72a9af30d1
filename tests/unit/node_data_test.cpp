// The uncompressed node-data stores: lifecycle, the edge cases of their
// contracts, row addressing of the river blocks and the guards on row lengths.
// Kernel accuracy per processor variant is node_kernels_test.cpp's concern;
// here single-hand rows (the exact scalar path) pin the formulas.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "float_mode_guard.h"
#include "storage/block_node_data.h"
#include "storage/plain_node_data.h"
#include "tree/node_data_layout.h"

namespace {

DoubleArray doubles(const std::vector<f64>& values) {
    DoubleArray a;
    a.resize(static_cast<i32>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) a.data[i] = values[i];
    return a;
}

std::vector<DoubleArray> arrays(const std::vector<std::vector<f64>>& rows) {
    std::vector<DoubleArray> out;
    for (const auto& r : rows) out.push_back(doubles(r));
    return out;
}

std::vector<f64> values_of(const DoubleArray& a) {
    if (!a.data) return std::vector<f64>(static_cast<std::size_t>(std::max(a.count, 0)), 0.0);
    return std::vector<f64>(a.data, a.data + a.count);
}

std::vector<f64> strategy_row(NodeDataBase& store, i32 turn, i32 river, i32 action,
                              const std::vector<f32>& defaults) {
    std::vector<DoubleArray> out;
    store.average_strategy(out, turn, river, defaults);
    return values_of(out[action]);
}

// Single-hand regret update through a store: the exact scalar path.
f32 regret_after(f32 start, f64 r) {
    PlainNodeData store(1, 1);
    store.allocate();
    store.store_row(-1, -1, 0, doubles({start}));
    store.update_regrets(-1, -1, doubles({0.0}), arrays({{r}}), 0, nullptr, 1.0);
    return store.row(0)[0];
}

TEST(PlainNodeData, LifecycleAndDefaults) {
    PlainNodeData store(3, 12);
    EXPECT_EQ(store.value_count(-1), 0);
    std::vector<DoubleArray> out;
    store.average_strategy(out, -1, -1, std::vector<f32>{0.5f, 0.25f, 0.25f});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].count, 0);  // no rows yet, so no hands

    ASSERT_TRUE(store.allocate());
    EXPECT_EQ(store.value_count(-1), 36);
    store.average_strategy(out, -1, -1, std::vector<f32>{0.5f, 0.25f, 0.25f});
    EXPECT_EQ(values_of(out[0]), std::vector<f64>(12, 0.5));
    EXPECT_EQ(values_of(out[2]), std::vector<f64>(12, 0.25));
}

TEST(PlainNodeData, AverageStrategyDividesFromTheSmallestNormalTotalOn) {
    const SubnormalsKept subnormals;
    // 11 hands: one vector group and a tail of 3.
    const std::vector<f64> a = {1, 0, 3, FLT_MIN / 2, FLT_MIN / 4, 0, 7, 8, 1, FLT_MIN / 2, 2};
    const std::vector<f64> b = {3, 0, 1, FLT_MIN / 2, FLT_MIN / 4, 5, 1, 0, 1, FLT_MIN / 2, 2};
    PlainNodeData store(2, 11);
    ASSERT_TRUE(store.store_row(-1, -1, 0, doubles(a)));
    ASSERT_TRUE(store.store_row(-1, -1, 1, doubles(b)));
    const std::vector<f64> got = strategy_row(store, -1, -1, 0, {0.9f, 0.1f});
    for (int h = 0; h < 11; ++h) {
        const f32 total = static_cast<f32>(a[h]) + static_cast<f32>(b[h]);
        const f64 want = total >= FLT_MIN ? static_cast<f32>(a[h]) / total : 0.9f;
        EXPECT_NEAR(got[h], want, 1e-6) << "hand " << h;
    }
    EXPECT_EQ(got[1], static_cast<f64>(0.9f));  // zero total
    EXPECT_EQ(got[4], static_cast<f64>(0.9f));  // total below FLT_MIN
    EXPECT_NEAR(got[3], 0.5, 1e-6);             // total exactly FLT_MIN, in a group
    EXPECT_EQ(got[9], 0.5);                     // total exactly FLT_MIN, in the tail
}

TEST(PlainNodeData, RegretUpdateFormula) {
    EXPECT_EQ(regret_after(2.0f, -5.0), 0.0f);  // 2 - 5^0.75 < 0
    EXPECT_EQ(regret_after(0.0f, 16.0), 8.0f);
    EXPECT_EQ(regret_after(1.0f, 0.0), 1.0f);         // r = 0 adds nothing
    EXPECT_EQ(regret_after(1.0f, -1.0), 0.0f);        // exactly 0, not a rounding remainder
    EXPECT_EQ(regret_after(FLT_MIN / 2, 0.0), 0.0f);  // below the smallest normal float
    EXPECT_FLOAT_EQ(regret_after(1.0f, 2.5), 1.0f + std::pow(2.5f, 0.75f));
}

TEST(PlainNodeData, RegretUpdateCoversOnlyTheNodeValuesHands) {
    PlainNodeData store(2, 12);
    ASSERT_TRUE(store.allocate());
    store.update_regrets(-1, -1, doubles({0, 0, 0, 0, 0}),
                         arrays({std::vector<f64>(12, 16.0), std::vector<f64>(12, 1.0)}), 0,
                         nullptr, 1.0);
    for (int h = 0; h < 12; ++h) {
        EXPECT_NEAR(store.row(0)[h], h < 5 ? 8.0f : 0.0f, 1e-5) << h;
        EXPECT_NEAR(store.row(1)[h], h < 5 ? 1.0f : 0.0f, 1e-5) << h;
    }
}

TEST(PlainNodeData, EmptyValueArraysAreZeros) {
    PlainNodeData with_empty(2, 9), with_zeros(2, 9);
    ASSERT_TRUE(with_empty.allocate());
    ASSERT_TRUE(with_zeros.allocate());
    const DoubleArray node = doubles({-4, -3, -2, -1, 0, 1, 2, 3, 4});
    std::vector<DoubleArray> empty_action = arrays({{9, 9, 9, 9, 9, 9, 9, 9, 9}});
    empty_action.emplace_back();  // no data at all
    const std::vector<DoubleArray> zero_action =
        arrays({{9, 9, 9, 9, 9, 9, 9, 9, 9}, std::vector<f64>(9, 0.0)});
    with_empty.update_regrets(-1, -1, node, empty_action, 0, nullptr, 1.0);
    with_zeros.update_regrets(-1, -1, node, zero_action, 0, nullptr, 1.0);
    for (int a = 0; a < 2; ++a) {
        for (int h = 0; h < 9; ++h) EXPECT_EQ(with_empty.row(a)[h], with_zeros.row(a)[h]);
    }
    // A row stored from an array without data is zeros too.
    DoubleArray no_data;
    no_data.count = 9;
    ASSERT_TRUE(with_empty.store_row(-1, -1, 0, no_data));
    for (int h = 0; h < 9; ++h) EXPECT_EQ(with_empty.row(0)[h], 0.0f);
}

TEST(PlainNodeData, StrategyAccumulation) {
    PlainNodeData store(2, 3);
    ASSERT_TRUE(store.allocate());
    const std::vector<DoubleArray> strategy = arrays({{0.25, 0.5, 1.0}, {0.75, 0.5, 0.0}});
    const DoubleArray reach = doubles({1.0, 0.5, 0.1});
    store.accumulate_strategy(-1, -1, strategy, reach, 0.0);
    store.accumulate_strategy(-1, -1, strategy, reach, -3.0);
    store.accumulate_strategy(-1, -1, strategy, DoubleArray{}, 2.0);
    for (int h = 0; h < 3; ++h) EXPECT_EQ(store.row(0)[h], 0.0f);

    store.accumulate_strategy(-1, -1, strategy, reach, 2.0);
    store.accumulate_strategy(-1, -1, strategy, reach, 2.0);
    for (int h = 0; h < 3; ++h) {
        const f32 step0 = static_cast<f32>(2.0 * strategy[0].data[h] * reach.data[h]);
        const f32 step1 = static_cast<f32>(2.0 * strategy[1].data[h] * reach.data[h]);
        EXPECT_EQ(store.row(0)[h], step0 + step0);
        EXPECT_EQ(store.row(1)[h], step1 + step1);
    }
}

TEST(PlainNodeData, StoreRowRefusesOtherLengths) {
    PlainNodeData store(2, 12);
    ASSERT_TRUE(store.allocate());
    ASSERT_TRUE(store.store_row(-1, -1, 1, doubles(std::vector<f64>(12, 2.0))));
    EXPECT_FALSE(store.store_row(-1, -1, 1, doubles(std::vector<f64>(10, 5.0))));
    EXPECT_FALSE(store.store_row(-1, -1, 1, doubles(std::vector<f64>(13, 5.0))));
    EXPECT_FALSE(store.store_row(-1, -1, 2, doubles(std::vector<f64>(12, 5.0))));
    EXPECT_FALSE(store.store_row(-1, -1, -1, doubles(std::vector<f64>(12, 5.0))));
    EXPECT_EQ(store.value_count(-1), 24);
    for (int h = 0; h < 12; ++h) EXPECT_EQ(store.row(1)[h], 2.0f);
}

TEST(PlainNodeData, StoreRowBeforeAllocateAllocates) {
    PlainNodeData store(2, 4);
    ASSERT_TRUE(store.store_row(-1, -1, 1, doubles({1, 2, 3, 4})));
    EXPECT_EQ(store.value_count(-1), 8);
    EXPECT_EQ(strategy_row(store, -1, -1, 1, {0.5f, 0.5f}), (std::vector<f64>{1, 1, 1, 1}));
}

TEST(PlainNodeData, MisshapenArgumentsAreRefusedBeforeAnyChange) {
    PlainNodeData unallocated(2, 4);
    EXPECT_THROW(unallocated.update_regrets(-1, -1, doubles({0, 0, 0, 0}),
                                            arrays({{1, 1, 1, 1}, {1, 1, 1, 1}}), 0, nullptr, 1),
                 std::logic_error);

    PlainNodeData store(2, 4);
    ASSERT_TRUE(store.allocate());
    const DoubleArray node = doubles({0, 0, 0, 0});
    EXPECT_THROW(store.update_regrets(-1, -1, node, arrays({{9, 9, 9, 9}, {9, 9}}), 0, nullptr, 1),
                 std::invalid_argument);
    EXPECT_THROW(store.update_regrets(-1, -1, node, arrays({{9, 9, 9, 9}}), 0, nullptr, 1),
                 std::invalid_argument);
    EXPECT_THROW(store.update_regrets(-1, -1, doubles({0, 0, 0, 0, 0}),
                                      arrays({{9, 9, 9, 9, 9}, {9, 9, 9, 9, 9}}), 0, nullptr, 1),
                 std::invalid_argument);
    EXPECT_THROW(store.accumulate_strategy(-1, -1, arrays({{1, 1, 1, 1}, {1, 1, 1, 1}}),
                                           doubles({1, 1}), 1.0),
                 std::invalid_argument);
    std::vector<DoubleArray> out;
    EXPECT_THROW(store.average_strategy(out, -1, -1, std::vector<f32>{1.0f}),
                 std::invalid_argument);
    for (int h = 0; h < 4; ++h) EXPECT_EQ(store.row(0)[h], 0.0f);
}

TEST(PlainNodeData, LockMarkSurvivesValueOperations) {
    PlainNodeData store(1, 2);
    store.entry(-1, -1).flags |= k_entry_locked;
    EXPECT_EQ(store.entry(-1, -1).flags & k_entry_locked, k_entry_locked);
    EXPECT_EQ(&store.entry(-1, -1), &store.entry(5, 7));  // the indices are ignored
    ASSERT_TRUE(store.allocate());
    store.store_row(-1, -1, 0, doubles({1, 2}));
    store.update_regrets(-1, -1, doubles({0, 0}), arrays({{1, 1}}), 0, nullptr, 1.0);
    store.accumulate_strategy(-1, -1, arrays({{1, 1}}), doubles({1, 1}), 1.0);
    EXPECT_EQ(store.entry(-1, -1).flags, k_entry_locked);
}

TEST(CompositeNodeData, ElementsPerTurnBoard) {
    const std::vector<u32> board_hands = {3, 5};
    CompositeNodeData store(2, board_hands);
    EXPECT_EQ(store.value_count(-1), 0);
    ASSERT_TRUE(store.allocate());
    EXPECT_EQ(store.value_count(-1), 2 * 3 + 2 * 5);

    EXPECT_FALSE(store.store_row(0, -1, 0, doubles({1, 1, 1, 1, 1})));
    EXPECT_FALSE(store.store_row(2, -1, 0, doubles({1, 1, 1})));
    ASSERT_TRUE(store.store_row(1, -1, 0, doubles({1, 2, 3, 4, 5})));
    EXPECT_EQ(strategy_row(store, 1, -1, 0, {0.5f, 0.5f}), (std::vector<f64>{1, 1, 1, 1, 1}));
    EXPECT_EQ(strategy_row(store, 0, -1, 0, {0.5f, 0.5f}), (std::vector<f64>{0.5, 0.5, 0.5}));

    store.update_regrets(0, -1, doubles({0, 0, 0}), arrays({{16, 16, 16}, {0, 0, 0}}), 0, nullptr,
                         1.0);
    EXPECT_EQ(store.element(0).row(0)[0], 8.0f);
    EXPECT_EQ(store.element(1).row(0)[0], 1.0f);

    store.accumulate_strategy(1, -1, arrays({{1, 1, 1, 1, 1}, {0, 0, 0, 0, 0}}),
                              doubles({1, 1, 1, 1, 1}), 0.0);
    EXPECT_EQ(store.element(1).row(0)[0], 1.0f);

    store.entry(1, -1).flags = k_entry_locked;
    EXPECT_EQ(store.entry(0, -1).flags, 0u);
    EXPECT_EQ(store.entry(1, 17).flags, k_entry_locked);
}

// In a child process whose address space is capped at 1 GiB: a flop store and
// a turn store whose rows need 2 GiB. Exits 0 when both answer false, which
// the solver start turns into "out of memory"; the fatal exit of a plain
// array allocation would end it with code 1.
void allocate_beyond_the_address_limit() {
    rlimit limit{u64{1} << 30, u64{1} << 30};
    setrlimit(RLIMIT_AS, &limit);
    PlainNodeData flop(2, 1 << 28);
    const std::vector<u32> board_hands = {3, 1u << 28};
    CompositeNodeData turn(2, board_hands);
    const bool refused = !flop.allocate() && !turn.allocate();
    std::_Exit(refused ? 0 : 2);
}

TEST(PlainNodeDataDeathTest, RowsThatCannotBeAllocatedAreAnsweredWithFalse) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(allocate_beyond_the_address_limit(), ::testing::ExitedWithCode(0), "");
}

// Two turn boards; board 0 has runouts of 5 and 3 hands, board 1 one of 1.
class BlockStores : public ::testing::Test {
protected:
    NodeDataLayout layout = build_node_data_layout({{5, 3}, {1}}, 2);
};

TEST_F(BlockStores, ValueCountAndDefaultsBeforeAllocate) {
    FloatBlockNodeData floats(layout);
    U16BlockNodeData quantised(layout);
    for (int block = -1; block < 2; ++block) {
        EXPECT_EQ(floats.value_count(block), (5 + 3 + 1) * 2);
        EXPECT_EQ(quantised.value_count(block), (5 + 3 + 1) * 2);
    }
    EXPECT_EQ(floats.element_width(), 4);
    EXPECT_EQ(quantised.element_width(), 2);
    EXPECT_EQ(strategy_row(floats, 0, 1, 1, {0.9f, 0.1f}), std::vector<f64>(3, 0.1f));
    EXPECT_EQ(strategy_row(quantised, 0, 0, 0, {0.9f, 0.1f}), std::vector<f64>(5, 0.9f));
}

TEST_F(BlockStores, RowsStayWithinTheirEntry) {
    FloatBlockNodeData store(layout);
    ASSERT_TRUE(store.allocate());
    EXPECT_EQ(strategy_row(store, 0, 0, 0, {0.9f, 0.1f}), std::vector<f64>(5, 0.9f));
    ASSERT_TRUE(store.store_row(0, 0, 1, doubles({1, 2, 3, 4, 5})));
    ASSERT_TRUE(store.store_row(0, 1, 0, doubles({7, 7, 7})));
    EXPECT_FALSE(store.store_row(0, 1, 0, doubles({1, 2, 3, 4})));
    EXPECT_FALSE(store.store_row(0, 1, 0, doubles({1, 2})));
    EXPECT_FALSE(store.store_row(0, 1, 2, doubles({1, 2, 3})));

    // Row (0, 0, 1) starts after action 0's 5 values and 3 of padding.
    EXPECT_EQ(store.row(0, 0, 1) - store.row(0, 0, 0), 8);
    EXPECT_EQ(store.row(0, 1, 0) - store.row(0, 0, 0), 16);
    EXPECT_EQ(store.row(0, 0, 0)[0], 0.0f);
    for (int h = 0; h < 3; ++h) EXPECT_EQ(store.row(0, 0, 1)[5 + h], 0.0f);  // padding
    EXPECT_EQ(strategy_row(store, 0, 0, 1, {0.9f, 0.1f}), std::vector<f64>(5, 1.0));
    EXPECT_EQ(strategy_row(store, 0, 1, 0, {0.9f, 0.1f}), std::vector<f64>(3, 1.0));
    EXPECT_EQ(strategy_row(store, 1, 0, 0, {0.9f, 0.1f}), std::vector<f64>(1, 0.9f));
}

TEST_F(BlockStores, FloatBlockRepeatsTheFlopStoreFormulas) {
    FloatBlockNodeData block(layout);
    PlainNodeData plain(2, 5);
    ASSERT_TRUE(block.allocate());
    ASSERT_TRUE(plain.allocate());
    const DoubleArray node = doubles({1, -2, 3, -4, 5});
    std::vector<DoubleArray> action = arrays({{4, 4, 4, 4, 4}});
    action.emplace_back();
    for (int i = 0; i < 3; ++i) {
        block.update_regrets(0, 0, node, action, 0, nullptr, 1.0);
        plain.update_regrets(-1, -1, node, action, 0, nullptr, 1.0);
    }
    const std::vector<DoubleArray> strategy = arrays({{0.5, 0.5, 0.5, 0.5, 0.5}, {1, 1, 1, 1, 1}});
    block.accumulate_strategy(0, 0, strategy, doubles({1, 2, 3, 4, 5}), 3.0);
    plain.accumulate_strategy(-1, -1, strategy, doubles({1, 2, 3, 4, 5}), 3.0);
    for (int a = 0; a < 2; ++a) {
        for (int h = 0; h < 5; ++h) EXPECT_EQ(block.row(0, 0, a)[h], plain.row(a)[h]);
        EXPECT_EQ(strategy_row(block, 0, 0, a, {0.5f, 0.5f}),
                  strategy_row(plain, -1, -1, a, {0.5f, 0.5f}));
    }
    // The neighbouring entries saw nothing.
    EXPECT_EQ(block.row(0, 1, 0)[0], 0.0f);
    EXPECT_EQ(block.row(1, 0, 0)[0], 0.0f);
}

TEST_F(BlockStores, EntriesAreOnePerRunout) {
    U16BlockNodeData store(layout);
    store.entry(0, 1).flags = k_entry_locked;
    EXPECT_EQ(store.entry(0, 0).flags, 0u);
    EXPECT_EQ(store.entry(1, 0).flags, 0u);
    ASSERT_TRUE(store.allocate());
    store.store_row(0, 1, 0, doubles({1, 2, 3}));
    store.update_regrets(0, 1, doubles({0, 0, 0}), arrays({{5, 5, 5}, {5, 5, 5}}), 0, nullptr, 1);
    EXPECT_EQ(store.entry(0, 1).flags, k_entry_locked);
}

// One runout of one hand: the scalar path of the quantised update.
u16 quantised_after(u16 start, f64 r, f64 scale) {
    const NodeDataLayout layout = build_node_data_layout({{1}}, 1);
    U16BlockNodeData store(layout);
    store.allocate();
    store.store_row(0, 0, 0, doubles({static_cast<f64>(start)}));
    store.update_regrets(0, 0, doubles({0.0}), arrays({{r}}), 0, nullptr, scale);
    return store.row(0, 0, 0)[0];
}

TEST(U16BlockNodeData, QuantisedUpdateSteps) {
    EXPECT_EQ(quantised_after(0, 0.5, 1.0), 0);  // |r| below 1/scale
    EXPECT_EQ(quantised_after(7, -0.5, 1.0), 7);
    EXPECT_EQ(quantised_after(0, 16.0, 1.0), 8);
    EXPECT_EQ(quantised_after(5, -16.0, 1.0), 0);
    EXPECT_EQ(quantised_after(20, -16.0, 1.0), 12);
    // scale 16: k = 8, threshold 1/16; r = 1 gives 8 steps.
    EXPECT_EQ(quantised_after(0, 1.0, 16.0), 8);
    EXPECT_EQ(quantised_after(0, 0.0625, 16.0), 1);
    // Saturation instead of wrapping.
    EXPECT_EQ(quantised_after(65530, 16.0, 1.0), 65535);
    EXPECT_EQ(quantised_after(100, 1e12, 1.0), 65535);
    EXPECT_EQ(quantised_after(100, -1e12, 1.0), 0);
}

TEST(U16BlockNodeData, TieGroupsAverageTheirRuns) {
    const NodeDataLayout layout = build_node_data_layout({{3}}, 1);
    U16BlockNodeData store(layout);
    ASSERT_TRUE(store.allocate());
    const DoubleArray zeros = doubles({0, 0, 0});
    ASSERT_TRUE(store.store_row(0, 0, 0, doubles({3, 4, 9})));
    const std::vector<i16> groups = {2, 1};
    store.update_regrets(0, 0, zeros, arrays({{0, 0, 0}}), 0, &groups, 1.0);
    EXPECT_EQ(std::vector<u16>(store.row(0, 0, 0), store.row(0, 0, 0) + 3),
              (std::vector<u16>{3, 3, 9}));

    // Zero-length runs cover nothing; a run past the row's end is cut there.
    ASSERT_TRUE(store.store_row(0, 0, 0, doubles({3, 4, 10})));
    const std::vector<i16> ragged = {1, 0, 5};
    store.update_regrets(0, 0, zeros, arrays({{0, 0, 0}}), 0, &ragged, 1.0);
    EXPECT_EQ(std::vector<u16>(store.row(0, 0, 0), store.row(0, 0, 0) + 3),
              (std::vector<u16>{3, 7, 7}));

    // The update comes first, then the averaging: 0 + 8 and 0 + 0 -> 4, 4.
    ASSERT_TRUE(store.store_row(0, 0, 0, doubles({0, 0, 0})));
    const std::vector<i16> pair = {2, 1};
    store.update_regrets(0, 0, zeros, arrays({{16, 0, 16}}), 0, &pair, 1.0);
    EXPECT_EQ(std::vector<u16>(store.row(0, 0, 0), store.row(0, 0, 0) + 3),
              (std::vector<u16>{4, 4, 8}));
}

TEST(U16BlockNodeData, StrategyFromIntegerRowsAndSaturatingStore) {
    const NodeDataLayout layout = build_node_data_layout({{4}}, 2);
    U16BlockNodeData store(layout);
    ASSERT_TRUE(store.allocate());
    ASSERT_TRUE(store.store_row(0, 0, 0, doubles({1, 0, -5, 3.9})));
    ASSERT_TRUE(store.store_row(0, 0, 1, doubles({3, 0, 70000, 0.5})));
    EXPECT_EQ(std::vector<u16>(store.row(0, 0, 0), store.row(0, 0, 0) + 4),
              (std::vector<u16>{1, 0, 0, 3}));
    EXPECT_EQ(std::vector<u16>(store.row(0, 0, 1), store.row(0, 0, 1) + 4),
              (std::vector<u16>{3, 0, 65535, 0}));
    EXPECT_EQ(strategy_row(store, 0, 0, 0, {0.9f, 0.1f}),
              (std::vector<f64>{0.25, static_cast<f64>(0.9f), 0.0, 1.0}));

    // Strategy sums are not kept in 16 bits.
    store.accumulate_strategy(0, 0, arrays({{1, 1, 1, 1}, {1, 1, 1, 1}}), doubles({1, 1, 1, 1}),
                              5.0);
    EXPECT_EQ(store.row(0, 0, 0)[0], 1);
}

TEST(U16BlockNodeData, EmptyActionValuesAreZeros) {
    const NodeDataLayout layout = build_node_data_layout({{9}}, 2);
    U16BlockNodeData with_empty(layout), with_zeros(layout);
    ASSERT_TRUE(with_empty.allocate());
    ASSERT_TRUE(with_zeros.allocate());
    const DoubleArray node = doubles({-40, -30, -20, -10, 0, 10, 20, 30, 40});
    std::vector<DoubleArray> empty_action = arrays({std::vector<f64>(9, 50.0)});
    empty_action.emplace_back();
    const std::vector<DoubleArray> zero_action =
        arrays({std::vector<f64>(9, 50.0), std::vector<f64>(9, 0.0)});
    with_empty.update_regrets(0, 0, node, empty_action, 0, nullptr, 2.0);
    with_zeros.update_regrets(0, 0, node, zero_action, 0, nullptr, 2.0);
    for (int a = 0; a < 2; ++a) {
        for (int h = 0; h < 9; ++h) {
            EXPECT_EQ(with_empty.row(0, 0, a)[h], with_zeros.row(0, 0, a)[h]) << a << " " << h;
        }
    }
    EXPECT_GT(with_empty.row(0, 0, 1)[0], 0);  // r = +40 for the first hand
}

}  // namespace
