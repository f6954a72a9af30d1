// Compressed river stores against independent references: a compressed
// 16-bit store given the same updates as the uncompressed 16-bit store holds
// the same rows through any number of close and reopen cycles; the 32-bit
// store follows an integer model of its accumulation and saturates instead
// of wrapping; the stores of one walk share their players' arenas and each
// gets its own rows back; and the block protocol's edges (fresh blocks,
// closing without write-back, closed blocks) behave as the walks rely on.
#include "storage/compressed_node_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "platform/cpu_features.h"
#include "storage/block_node_data.h"
#include "storage/block_walks.h"
#include "storage/node_kernels.h"
#include "tree/node_data_layout.h"

namespace {

// Two blocks with hand counts that exercise the predictor rule (equal,
// shrinking and growing neighbours), a runout without hands, the largest
// river list, and a one-hand entry.
NodeDataLayout test_layout(i32 actions) {
    return build_node_data_layout({{5, 0, 40, 40, 33, 1081, 1}, {7, 7, 3}}, actions);
}

constexpr u32 kModes[] = {1, 2};

i32 entries_of(const NodeDataLayout& layout, i32 block) {
    return static_cast<i32>(layout.block_table()[block].entry_count);
}

i32 hands_of(const NodeDataLayout& layout, i32 block, i32 river) {
    return static_cast<i32>(layout.entry(block, river).hands);
}

DoubleArray random_array(std::mt19937& gen, i32 n, f64 low, f64 high) {
    DoubleArray a;
    a.resize(n);
    std::uniform_real_distribution<f64> value(low, high);
    for (i32 h = 0; h < n; ++h) a.data[h] = value(gen);
    return a;
}

// Runs of tied hands covering part of the row, as a runout's showdown order
// gives them (a 0 covers nothing).
std::vector<i16> random_ties(std::mt19937& gen, i32 hands) {
    std::vector<i16> runs;
    i32 covered = 0;
    while (covered < hands) {
        const i16 g = static_cast<i16>(gen() % 5);
        runs.push_back(g);
        covered += g;
    }
    return runs;
}

// Opens and closes one block in a list of stores in walk order, threading
// the arena of each store's player as the block walks do.
struct Walk {
    std::vector<NodeDataBase*> stores;
    std::vector<int> players;
    i32 block = 0;

    void open() {
        i64 totals[2] = {0, 0};
        for (std::size_t i = 0; i < stores.size(); ++i) {
            totals[players[i]] += stores[i]->value_count(block);
        }
        BlockArena* arenas[2] = {nullptr, nullptr};
        for (std::size_t i = 0; i < stores.size(); ++i) {
            BlockArena*& arena = arenas[players[i]];
            arena = stores[i]->open_block(arena, block, totals[players[i]]);
        }
        end_block_reads(arenas);
    }

    void close(bool write_back) {
        BlockArena* arenas[2] = {nullptr, nullptr};
        for (std::size_t i = 0; i < stores.size(); ++i) {
            BlockArena*& arena = arenas[players[i]];
            arena = stores[i]->close_block(arena, block, write_back);
        }
        end_block_writes(arenas);
    }
};

class CompressedStore : public ::testing::TestWithParam<u32> {};

INSTANTIATE_TEST_SUITE_P(Modes, CompressedStore, ::testing::ValuesIn(kModes),
                         [](const auto& info) { return "mode" + std::to_string(info.param); });

// The same random regret updates, with and without tie groups and at
// several scales, on the uncompressed 16-bit store and on a compressed one
// that is closed (written back) and reopened after every step.
TEST_P(CompressedStore, SixteenBitRowsMatchTheUncompressedStore) {
    const i32 actions = 3;
    const NodeDataLayout layout = test_layout(actions);
    U16BlockNodeData plain(layout);
    ASSERT_TRUE(plain.allocate());
    CompressedNodeData packed(layout, GetParam(), true);
    std::mt19937 gen(21);
    const f64 scales[] = {0.5, 3.7, 125.0};
    for (int step = 0; step < 12; ++step) {
        for (i32 block = 0; block < layout.blocks; ++block) {
            Walk walk{{&packed}, {0}, block};
            walk.open();
            for (i32 river = 0; river < entries_of(layout, block); ++river) {
                const i32 hands = hands_of(layout, block, river);
                const DoubleArray node = random_array(gen, hands, -40.0, 40.0);
                std::vector<DoubleArray> values;
                for (i32 a = 0; a < actions; ++a)
                    values.push_back(random_array(gen, hands, -60.0, 90.0));
                const std::vector<i16> ties = random_ties(gen, hands);
                const std::vector<i16>* groups = step % 2 ? &ties : nullptr;
                const f64 scale = scales[step % 3];
                plain.update_regrets(block, river, node, values, 0, groups, scale);
                packed.update_regrets(block, river, node, values, 0, groups, scale);
                for (i32 a = 0; a < actions; ++a) {
                    const u16* want = plain.row(block, river, a);
                    const u16* got = packed.open_row_u16(block, river, a);
                    ASSERT_NE(got, nullptr);
                    ASSERT_TRUE(std::equal(want, want + hands, got)) << step << " " << river;
                }
            }
            walk.close(true);
        }
    }
    // After the last write-back both stores give the same strategies.
    const std::vector<f32> defaults(actions, 1.0f / actions);
    for (i32 block = 0; block < layout.blocks; ++block) {
        Walk walk{{&packed}, {0}, block};
        walk.open();
        for (i32 river = 0; river < entries_of(layout, block); ++river) {
            std::vector<DoubleArray> a;
            std::vector<DoubleArray> b;
            plain.average_strategy(a, block, river, defaults);
            packed.average_strategy(b, block, river, defaults);
            for (i32 k = 0; k < actions; ++k) {
                ASSERT_EQ(a[k].count, b[k].count);
                for (i32 h = 0; h < a[k].count; ++h) ASSERT_EQ(a[k].data[h], b[k].data[h]);
            }
        }
        walk.close(false);
    }
}

// The integer model of one accumulation: trunc(v + 0.5 + w s r) in double,
// held in 0..2^31-1.
i32 model_step(i32 v, f64 s, f64 r, f64 w) {
    const f64 x = static_cast<f64>(v) + 0.5 + w * s * r;
    if (!(x > 0.0)) return 0;
    if (x >= 2147483647.0) return 2147483647;
    return static_cast<i32>(x);
}

TEST(SumKernels, AccumulateFollowsTheIntegerModel) {
    std::mt19937 gen(5);
    for (int round = 0; round < 50; ++round) {
        const i32 n = 1 + static_cast<i32>(gen() % 70);
        const DoubleArray s = random_array(gen, n, 0.0, 1.0);
        const DoubleArray r = random_array(gen, n, 0.0, 1.0);
        const f64 w = std::pow(1.0 + gen() % 4000, 1.5);
        std::vector<i32> start(static_cast<std::size_t>(n));
        for (auto& v : start) v = static_cast<i32>(gen() % 100000000);
        std::vector<i32> want = start;
        for (i32 h = 0; h < n; ++h) want[h] = model_step(start[h], s.data[h], r.data[h], w);

        std::vector<i32> generic = start;
        node_kernels_generic().accumulate_i32(generic.data(), s.data, r.data, n, w);
        EXPECT_EQ(generic, want);
        if (!cpu_features().avx2_set) continue;
        std::vector<i32> fused = start;
        node_kernels_avx2().accumulate_i32(fused.data(), s.data, r.data, n, w);
        for (i32 h = 0; h < n; ++h) EXPECT_NEAR(fused[h], want[h], 1);
    }
}

// Sums that would pass 2^31 - 1 stay there; totals over actions are formed
// in 64 bits, so two saturated actions still average one half each.
TEST(SumKernels, SumsSaturateAndAverageWithWideTotals) {
    for (const NodeKernels* kernels : {&node_kernels_generic(), &node_kernels()}) {
        std::vector<i32> rows(2 * 12, 2147483000);
        std::vector<f64> s(12, 1.0);
        std::vector<f64> r(12, 1.0);
        for (int k = 0; k < 3; ++k) {
            kernels->accumulate_i32(rows.data(), s.data(), r.data(), 12, 1e9);
            kernels->accumulate_i32(rows.data() + 12, s.data(), r.data(), 12, 1e9);
        }
        for (const i32 v : rows) EXPECT_EQ(v, 2147483647);
        std::vector<f64> out0(12);
        std::vector<f64> out1(12);
        f64* out[2] = {out0.data(), out1.data()};
        const f32 fallbacks[2] = {0.25f, 0.75f};
        kernels->normalize_i32_rows(out, rows.data(), 12, 2, 12, fallbacks);
        for (int h = 0; h < 12; ++h) {
            EXPECT_NEAR(out0[h], 0.5, 1e-6);
            EXPECT_NEAR(out1[h], 0.5, 1e-6);
        }
    }
}

TEST(CompressedSums, FollowTheIntegerModelThroughWriteBacks) {
    const i32 actions = 2;
    const NodeDataLayout layout = test_layout(actions);
    CompressedNodeData sums(layout, 1, false);
    std::mt19937 gen(8);
    const bool exact = !cpu_features().avx2_set;
    // rows[e * actions + a]: the model's row of entry e, action a.
    std::vector<std::vector<i32>> rows(static_cast<std::size_t>(layout.entries * actions));
    for (i32 e = 0; e < layout.entries; ++e) {
        for (i32 a = 0; a < actions; ++a)
            rows[e * actions + a].assign(layout.entry_table()[e].hands, 0);
    }
    for (int iteration = 61; iteration < 90; ++iteration) {
        const f64 w = std::pow(iteration - 60.0, 1.5);
        for (i32 block = 0; block < layout.blocks; ++block) {
            Walk walk{{&sums}, {1}, block};
            walk.open();
            for (i32 river = 0; river < entries_of(layout, block); ++river) {
                const i32 hands = hands_of(layout, block, river);
                const i32 e = layout.entry_index(block, river);
                std::vector<DoubleArray> strategy;
                for (i32 a = 0; a < actions; ++a)
                    strategy.push_back(random_array(gen, hands, 0.0, 1.0));
                const DoubleArray reach = random_array(gen, hands, 0.0, 1.0);
                sums.accumulate_strategy(block, river, strategy, reach, w);
                for (i32 a = 0; a < actions; ++a) {
                    std::vector<i32>& row = rows[e * actions + a];
                    const i32* got = sums.open_row_i32(block, river, a);
                    for (i32 h = 0; h < hands; ++h) {
                        const i32 want = model_step(row[h], strategy[a].data[h], reach.data[h], w);
                        if (exact) {
                            ASSERT_EQ(got[h], want);
                        } else {
                            ASSERT_NEAR(got[h], want, 1);
                        }
                        row[h] = got[h];
                    }
                }
            }
            walk.close(true);
        }
    }
}

// Three stores of player 0 and two of player 1, interleaved in walk order:
// each player's rows go through one arena, owned by that player's first
// store, and every store gets its own rows back.
TEST_P(CompressedStore, StoresOfOneWalkShareTheirPlayersArenas) {
    const i32 actions = 2;
    const NodeDataLayout layout = test_layout(actions);
    std::vector<std::unique_ptr<CompressedNodeData>> owned;
    Walk walk;
    walk.block = 0;
    const int players[] = {0, 1, 0, 0, 1};
    for (const int p : players) {
        owned.push_back(std::make_unique<CompressedNodeData>(layout, GetParam(), true));
        walk.stores.push_back(owned.back().get());
        walk.players.push_back(p);
    }
    std::mt19937 gen(3);
    std::vector<std::vector<DoubleArray>> written(owned.size());
    walk.open();
    for (std::size_t i = 0; i < owned.size(); ++i) {
        for (i32 river = 0; river < entries_of(layout, 0); ++river) {
            for (i32 a = 0; a < actions; ++a) {
                DoubleArray row = random_array(gen, hands_of(layout, 0, river), 0.0, 9000.0);
                for (i32 h = 0; h < row.count; ++h) row.data[h] = std::floor(row.data[h]);
                ASSERT_TRUE(owned[i]->store_row(0, river, a, row));
                written[i].push_back(std::move(row));
            }
        }
    }
    walk.close(true);
    EXPECT_NE(owned[0]->arena(0), nullptr);
    EXPECT_NE(owned[1]->arena(0), nullptr);
    for (const std::size_t i : {2u, 3u, 4u}) EXPECT_EQ(owned[i]->arena(0), nullptr) << i;

    walk.open();
    for (std::size_t i = 0; i < owned.size(); ++i) {
        std::size_t k = 0;
        for (i32 river = 0; river < entries_of(layout, 0); ++river) {
            for (i32 a = 0; a < actions; ++a, ++k) {
                const u16* row = owned[i]->open_row_u16(0, river, a);
                for (i32 h = 0; h < written[i][k].count; ++h) {
                    ASSERT_EQ(row[h], written[i][k].data[h]) << i << " " << river << " " << a;
                }
            }
        }
    }
    walk.close(false);
}

TEST_P(CompressedStore, ClosingWithoutWriteBackKeepsTheOldRows) {
    const NodeDataLayout layout = test_layout(2);
    CompressedNodeData store(layout, GetParam(), true);
    Walk walk{{&store}, {0}, 1};
    DoubleArray row;
    row.resize(7);
    for (i32 h = 0; h < 7; ++h) row.data[h] = 100 + h;
    walk.open();
    ASSERT_TRUE(store.store_row(1, 1, 1, row));
    walk.close(true);
    walk.open();
    for (i32 h = 0; h < 7; ++h) row.data[h] = 5;
    ASSERT_TRUE(store.store_row(1, 1, 1, row));
    walk.close(false);
    walk.open();
    const u16* got = store.open_row_u16(1, 1, 1);
    for (i32 h = 0; h < 7; ++h) EXPECT_EQ(got[h], 100 + h);
    walk.close(false);
}

TEST_P(CompressedStore, FreshBlocksReadAsZerosAndGiveTheDefaults) {
    const NodeDataLayout layout = test_layout(3);
    CompressedNodeData regrets(layout, GetParam(), true);
    CompressedNodeData sums(layout, GetParam(), false);
    Walk walk{{&regrets, &sums}, {0, 1}, 0};
    walk.open();
    std::vector<DoubleArray> out;
    const std::vector<f32> defaults = {0.9f, 0.05f, 0.05f};
    regrets.average_strategy(out, 0, 2, defaults);
    ASSERT_EQ(out.size(), 3u);
    for (i32 a = 0; a < 3; ++a) {
        ASSERT_EQ(out[a].count, 40);
        for (i32 h = 0; h < 40; ++h) EXPECT_EQ(out[a].data[h], static_cast<f64>(defaults[a]));
    }
    // Sum rows give their defaults too: the callers pass 0 and keep the
    // current strategy where there is no sum.
    sums.average_strategy(out, 0, 2, defaults);
    for (i32 a = 0; a < 3; ++a) {
        for (i32 h = 0; h < 40; ++h) EXPECT_EQ(out[a].data[h], static_cast<f64>(defaults[a]));
    }
    for (i32 h = 0; h < 5; ++h) EXPECT_EQ(sums.open_row_i32(0, 0, 2)[h], 0);
    walk.close(false);
}

TEST(CompressedStore, StoredRowsAreClampedToTheirRange) {
    const NodeDataLayout layout = build_node_data_layout({{5}}, 1);
    CompressedNodeData regrets(layout, 1, true);
    CompressedNodeData sums(layout, 1, false);
    Walk walk{{&regrets, &sums}, {0, 1}, 0};
    walk.open();
    DoubleArray row;
    row.resize(5);
    const f64 values[] = {70000.0, -1.0, std::nan(""), 3e9, 12.9};
    for (i32 h = 0; h < 5; ++h) row.data[h] = values[h];
    ASSERT_TRUE(regrets.store_row(0, 0, 0, row));
    ASSERT_TRUE(sums.store_row(0, 0, 0, row));
    const u16 want16[] = {65535, 0, 0, 65535, 12};
    const i32 want32[] = {70000, 0, 0, 2147483647, 12};
    for (i32 h = 0; h < 5; ++h) {
        EXPECT_EQ(regrets.open_row_u16(0, 0, 0)[h], want16[h]);
        EXPECT_EQ(sums.open_row_i32(0, 0, 0)[h], want32[h]);
    }
    row.resize(4);
    EXPECT_FALSE(regrets.store_row(0, 0, 0, row));
    walk.close(false);
}

TEST(CompressedStore, AccumulationRoundsAndSkipsZeroWeights) {
    const NodeDataLayout layout = build_node_data_layout({{2}}, 1);
    CompressedNodeData sums(layout, 1, false);
    Walk walk{{&sums}, {0}, 0};
    walk.open();
    DoubleArray three;
    three.resize(2);
    three.data[0] = three.data[1] = 3.0;
    ASSERT_TRUE(sums.store_row(0, 0, 0, three));
    std::vector<DoubleArray> strategy(1);
    strategy[0].resize(2);
    strategy[0].data[0] = strategy[0].data[1] = 0.25;
    DoubleArray reach;
    reach.resize(2);
    reach.data[0] = 2.0;
    reach.data[1] = 1.0;
    g_stat_last_weight = 7.0;
    sums.accumulate_strategy(0, 0, strategy, reach, 0.0);
    EXPECT_EQ(g_stat_last_weight.load(), 7.0);
    sums.accumulate_strategy(0, 0, strategy, reach, 1.0);
    EXPECT_EQ(g_stat_last_weight.load(), 1.0);
    EXPECT_EQ(sums.open_row_i32(0, 0, 0)[0], 4);  // 3 + 0.5 + 0.5
    EXPECT_EQ(sums.open_row_i32(0, 0, 0)[1], 3);  // 3.75 truncates
    walk.close(false);
}

TEST(CompressedStore, ValueCountsLeaveTheFillerOut) {
    const NodeDataLayout layout = test_layout(3);
    CompressedNodeData store(layout, 1, true);
    EXPECT_EQ(store.value_count(-1), layout.values);
    EXPECT_EQ(store.value_count(0), 3 * (5 + 0 + 40 + 40 + 33 + 1081 + 1));
    EXPECT_EQ(store.value_count(1), 3 * (7 + 7 + 3));
}

TEST(CompressedStoreDeathTest, ClosedBlocksEndTheProcess) {
    const NodeDataLayout layout = test_layout(2);
    CompressedNodeData store(layout, 1, false);
    std::vector<DoubleArray> out;
    const std::vector<f32> defaults(2, 0.0f);
    EXPECT_EXIT(store.average_strategy(out, 0, 0, defaults), ::testing::ExitedWithCode(1), "");
}

}  // namespace
