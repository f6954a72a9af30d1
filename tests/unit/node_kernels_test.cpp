// Both processor variants of the node-data kernels against scalar references
// of the exact formulas. The vector groups use refined estimates, so they are
// held to a relative tolerance; the hands after the last full group of eight
// must match exactly.
#include "storage/node_kernels.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "float_mode_guard.h"
#include "platform/cpu_features.h"

namespace {

// 4 full groups and a tail of 5.
constexpr int kHands = 37;
constexpr int kTailStart = 32;

struct Variant {
    std::string name;
    const NodeKernels* kernels;
};

std::vector<Variant> variants() {
    std::vector<Variant> list{{"generic", &node_kernels_generic()}};
    if (cpu_features().avx2_set) list.push_back({"avx2", &node_kernels_avx2()});
    return list;
}

f64 ref_normalize(f32 value, f32 total, f32 fallback) {
    return total >= FLT_MIN ? static_cast<f64>(value / total) : fallback;
}

f32 ref_update_f32(f32 value, f64 action, f64 node) {
    const f32 r = static_cast<f32>(action - node);
    const f32 t = std::sqrt(std::fabs(r));
    const f32 p = t * std::sqrt(t);
    const f32 sum = value + (r < 0 ? -p : p);
    return sum < FLT_MIN ? 0.0f : sum;
}

int ref_update_u16(int value, f64 action, f64 node, f32 k, f32 t) {
    const f32 r = static_cast<f32>(action - node);
    const f32 s = std::sqrt(std::fabs(r));
    const int step = static_cast<int>(std::fmin(k * s * std::sqrt(s), 65536.0f));
    if (r >= t) return std::min(value + step, 65535);
    if (r <= -t) return std::max(value - step, 0);
    return value;
}

struct Rows {
    std::vector<f32> row, totals;
    std::vector<f64> action, node;
};

Rows random_rows(unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<f32> value(0.0f, 50.0f);
    std::uniform_real_distribution<f64> payoff(-40.0, 40.0);
    Rows r;
    for (int h = 0; h < kHands; ++h) {
        r.row.push_back(value(gen));
        r.totals.push_back(r.row.back() + value(gen));
        r.action.push_back(payoff(gen));
        r.node.push_back(payoff(gen));
    }
    // Totals at, below and around the zero threshold, in groups and in the tail.
    r.totals[3] = 0.0f;
    r.totals[9] = FLT_MIN;
    r.totals[10] = FLT_MIN * 0.5f;
    r.totals[11] = -1.0f;
    r.totals[33] = 0.0f;
    r.totals[34] = FLT_MIN;
    r.row[9] = r.row[34] = FLT_MIN * 0.25f;
    return r;
}

void expect_close(f64 got, f64 want, f64 rel, const std::string& where) {
    EXPECT_NEAR(got, want, rel * std::max(1.0, std::fabs(want))) << where;
}

TEST(NodeKernels, NormalizeFloatRowsMatchReference) {
    const SubnormalsKept subnormals;
    const Rows r = random_rows(1);
    for (const Variant& v : variants()) {
        std::vector<f64> out(kHands);
        v.kernels->normalize_f32(out.data(), r.row.data(), r.totals.data(), kHands, 0.25f);
        for (int h = 0; h < kHands; ++h) {
            const f64 want = ref_normalize(r.row[h], r.totals[h], 0.25f);
            const std::string where = v.name + " hand " + std::to_string(h);
            if (h >= kTailStart || r.totals[h] < FLT_MIN) {
                EXPECT_EQ(out[h], want) << where;
            } else {
                expect_close(out[h], want, 1e-6, where);
            }
        }
        EXPECT_EQ(out[3], 0.25) << v.name;
        EXPECT_EQ(out[10], 0.25) << v.name;
        EXPECT_EQ(out[11], 0.25) << v.name;
        expect_close(out[9], 0.25, 1e-6, v.name + " total exactly FLT_MIN divides");
    }
}

TEST(NodeKernels, NormalizeU16RowsMatchReference) {
    std::mt19937 gen(2);
    std::uniform_int_distribution<int> value(0, 65535);
    std::vector<u16> row(kHands);
    std::vector<f32> totals(kHands);
    for (int h = 0; h < kHands; ++h) {
        row[h] = static_cast<u16>(value(gen));
        totals[h] = static_cast<f32>(row[h] + value(gen));
    }
    totals[5] = 0.0f;
    totals[35] = 0.0f;
    for (const Variant& v : variants()) {
        std::vector<f64> out(kHands);
        v.kernels->normalize_u16(out.data(), row.data(), totals.data(), kHands, 0.5f);
        for (int h = 0; h < kHands; ++h) {
            const f64 want = ref_normalize(static_cast<f32>(row[h]), totals[h], 0.5f);
            const std::string where = v.name + " hand " + std::to_string(h);
            if (h >= kTailStart || totals[h] < FLT_MIN) {
                EXPECT_EQ(out[h], want) << where;
            } else {
                expect_close(out[h], want, 1e-6, where);
            }
        }
    }
}

// A row set of three actions at a padded stride, as the river blocks hold it:
// the fused kernels must give, bit for bit, what the one-row kernels give on
// totals summed separately, including the zero-total fallbacks and the tail.
TEST(NodeKernels, RowSetNormalisationIsTheOneRowKernelOnSummedTotals) {
    const SubnormalsKept subnormals;
    constexpr int kActions = 3;
    constexpr u64 kStride = 40;
    const f32 fallbacks[kActions] = {0.25f, 0.5f, 0.125f};
    std::mt19937 gen(8);
    std::uniform_int_distribution<int> quantised(0, 65535);
    std::uniform_real_distribution<f32> value(0.0f, 50.0f);
    std::vector<u16> rows16(kStride * kActions, 7);
    std::vector<f32> rows32(kStride * kActions, 7.0f);
    for (int a = 0; a < kActions; ++a) {
        for (int h = 0; h < kHands; ++h) {
            rows16[kStride * a + h] = static_cast<u16>(quantised(gen));
            rows32[kStride * a + h] = value(gen);
        }
    }
    // Hands with no regret at all, in a group and in the tail; a subnormal
    // total in a group.
    for (int h : {4, 34}) {
        for (int a = 0; a < kActions; ++a) rows16[kStride * a + h] = 0;
        for (int a = 0; a < kActions; ++a) rows32[kStride * a + h] = 0.0f;
    }
    for (int a = 0; a < kActions; ++a) rows32[kStride * a + 12] = FLT_MIN * 0.25f;
    std::vector<f32> totals16(kHands), totals32(kHands);
    for (int h = 0; h < kHands; ++h) {
        u32 sum = 0;
        f32 total = rows32[h];
        for (int a = 0; a < kActions; ++a) sum += rows16[kStride * a + h];
        for (int a = 1; a < kActions; ++a) total += rows32[kStride * a + h];
        totals16[h] = static_cast<f32>(sum);
        totals32[h] = total;
    }
    for (const Variant& v : variants()) {
        std::vector<std::vector<f64>> got16(kActions, std::vector<f64>(kHands));
        std::vector<std::vector<f64>> got32(kActions, std::vector<f64>(kHands));
        f64* out16[kActions];
        f64* out32[kActions];
        for (int a = 0; a < kActions; ++a) {
            out16[a] = got16[a].data();
            out32[a] = got32[a].data();
        }
        v.kernels->normalize_u16_rows(out16, rows16.data(), kStride, kActions, kHands, fallbacks);
        v.kernels->normalize_f32_rows(out32, rows32.data(), kStride, kActions, kHands, fallbacks);
        for (int a = 0; a < kActions; ++a) {
            std::vector<f64> want16(kHands), want32(kHands);
            v.kernels->normalize_u16(want16.data(), rows16.data() + kStride * a, totals16.data(),
                                     kHands, fallbacks[a]);
            v.kernels->normalize_f32(want32.data(), rows32.data() + kStride * a, totals32.data(),
                                     kHands, fallbacks[a]);
            for (int h = 0; h < kHands; ++h) {
                const std::string where =
                    v.name + " action " + std::to_string(a) + " hand " + std::to_string(h);
                EXPECT_EQ(got16[a][h], want16[h]) << where;
                EXPECT_EQ(got32[a][h], want32[h]) << where;
            }
            EXPECT_EQ(got16[a][4], fallbacks[a]) << v.name;
            EXPECT_EQ(got16[a][34], fallbacks[a]) << v.name;
            EXPECT_EQ(got32[a][34], fallbacks[a]) << v.name;
        }
    }
}

TEST(NodeKernels, FloatRegretUpdateMatchesReference) {
    const Rows r = random_rows(3);
    for (const Variant& v : variants()) {
        std::vector<f32> row = r.row;
        v.kernels->update_regrets_f32(row.data(), r.action.data(), r.node.data(), kHands);
        for (int h = 0; h < kHands; ++h) {
            const f32 want = ref_update_f32(r.row[h], r.action[h], r.node[h]);
            const std::string where = v.name + " hand " + std::to_string(h);
            if (h >= kTailStart) {
                EXPECT_EQ(row[h], want) << where;
            } else {
                expect_close(row[h], want, 2e-6 * 40, where);
            }
            EXPECT_TRUE(row[h] == 0.0f || row[h] >= FLT_MIN) << where;
        }
    }
}

TEST(NodeKernels, FloatRegretUpdateTreatsMissingArraysAsZeros) {
    const Rows r = random_rows(4);
    for (const Variant& v : variants()) {
        std::vector<f32> no_action = r.row, no_node = r.row, neither = r.row;
        v.kernels->update_regrets_f32(no_action.data(), nullptr, r.node.data(), kHands);
        v.kernels->update_regrets_f32(no_node.data(), r.action.data(), nullptr, kHands);
        v.kernels->update_regrets_f32(neither.data(), nullptr, nullptr, kHands);
        for (int h = 0; h < kHands; ++h) {
            const std::string where = v.name + " hand " + std::to_string(h);
            expect_close(no_action[h], ref_update_f32(r.row[h], 0.0, r.node[h]), 1e-4, where);
            expect_close(no_node[h], ref_update_f32(r.row[h], r.action[h], 0.0), 1e-4, where);
            EXPECT_EQ(neither[h], ref_update_f32(r.row[h], 0.0, 0.0)) << where;
        }
    }
}

TEST(NodeKernels, FloatRegretsBelowSmallestNormalBecomeZero) {
    for (const Variant& v : variants()) {
        // A regret of 1 meets r = -1: exactly 0 in the tail; in the groups
        // the estimate may leave a remainder near 1e-7, never a negative or
        // denormal value.
        std::vector<f32> row(kHands, 1.0f);
        std::vector<f64> action(kHands, -1.0), node(kHands, 0.0);
        row[0] = row[33] = FLT_MIN * 0.5f;  // denormal regrets with r = 0
        action[0] = action[33] = 0.0;
        v.kernels->update_regrets_f32(row.data(), action.data(), node.data(), kHands);
        for (int h = 0; h < kHands; ++h) {
            const std::string where = v.name + " hand " + std::to_string(h);
            EXPECT_TRUE(row[h] == 0.0f || row[h] >= FLT_MIN) << where;
            EXPECT_LT(row[h], 1e-5f) << where;
        }
        EXPECT_EQ(row[0], 0.0f);
        EXPECT_EQ(row[33], 0.0f);
        for (int h = kTailStart; h < kHands; ++h) EXPECT_EQ(row[h], 0.0f);
    }
}

TEST(NodeKernels, QuantisedRegretUpdateMatchesReference) {
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> value(0, 65535);
    std::uniform_real_distribution<f64> payoff(-300.0, 300.0);
    const f64 scale = 2.5;
    const f32 k = static_cast<f32>(std::pow(scale, 0.75));
    const f32 t = static_cast<f32>(1.0 / scale);
    std::vector<u16> start(kHands);
    std::vector<f64> action(kHands), node(kHands);
    for (int h = 0; h < kHands; ++h) {
        start[h] = static_cast<u16>(value(gen));
        action[h] = payoff(gen);
        node[h] = payoff(gen);
    }
    // Saturation both ways, and |r| just inside the dead zone.
    start[1] = 65530;
    action[1] = 1e6;
    node[1] = 0;
    start[2] = 3;
    action[2] = -1e6;
    node[2] = 0;
    action[3] = 0.3;
    node[3] = 0.0;
    start[34] = 65534;
    action[34] = 1e30;
    node[34] = 0;
    for (const Variant& v : variants()) {
        std::vector<u16> row = start;
        v.kernels->update_regrets_u16(row.data(), action.data(), node.data(), kHands, k, t);
        for (int h = 0; h < kHands; ++h) {
            const int want = ref_update_u16(start[h], action[h], node[h], k, t);
            const std::string where = v.name + " hand " + std::to_string(h);
            if (h >= kTailStart) {
                EXPECT_EQ(row[h], want) << where;
            } else {
                EXPECT_NEAR(row[h], want, 1) << where;
            }
        }
        EXPECT_EQ(row[1], 65535) << v.name;
        EXPECT_EQ(row[2], 0) << v.name;
        EXPECT_EQ(row[3], start[3]) << v.name;
        EXPECT_EQ(row[34], 65535) << v.name;
    }
}

TEST(NodeKernels, QuantisedRegretUpdateTreatsMissingActionValuesAsZeros) {
    for (const Variant& v : variants()) {
        std::vector<u16> row(kHands, 100);
        std::vector<f64> node(kHands, 16.0);
        v.kernels->update_regrets_u16(row.data(), nullptr, node.data(), kHands, 1.0f, 1.0f);
        for (int h = kTailStart; h < kHands; ++h) EXPECT_EQ(row[h], 92) << v.name;
        for (int h = 0; h < kTailStart; ++h) EXPECT_NEAR(row[h], 92, 1) << v.name;
    }
}

TEST(NodeKernels, AccumulationIsExactInBothVariants) {
    std::mt19937 gen(6);
    std::uniform_real_distribution<f64> unit(0.0, 1.0);
    std::vector<f32> start(kHands);
    std::vector<f64> strategy(kHands), reach(kHands);
    for (int h = 0; h < kHands; ++h) {
        start[h] = static_cast<f32>(unit(gen) * 100);
        strategy[h] = unit(gen);
        reach[h] = unit(gen);
    }
    const f64 weight = 1000.0;
    for (const Variant& v : variants()) {
        std::vector<f32> row = start;
        v.kernels->accumulate_f32(row.data(), strategy.data(), reach.data(), kHands, weight);
        for (int h = 0; h < kHands; ++h) {
            const f32 want = start[h] + static_cast<f32>(weight * strategy[h] * reach[h]);
            EXPECT_EQ(row[h], want) << v.name << " hand " << h;
        }
    }
}

}  // namespace
