// Per-hand array kernels of the visitors: each against a scalar loop written
// here, the rules for empty arrays, the capture pair against a pairwise
// masked sum, the hand permutation, and the two processor variants of the
// raw loops against each other on lengths around the eight-hand groups.
#include "solver/array_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "cards/hand_arrays.h"
#include "cards/hand_tables.h"
#include "platform/cpu_features.h"
#include "tree/tree.h"

namespace {

DoubleArray array_of(const std::vector<f64>& values) {
    DoubleArray a;
    a.resize(static_cast<i32>(values.size()));
    std::copy(values.begin(), values.end(), a.data);
    return a;
}

DoubleArray empty_with_count(i32 count) {
    DoubleArray a;
    a.count = count;
    return a;
}

std::vector<f64> values_of(const DoubleArray& a) {
    if (!a.data) return {};
    return {a.data, a.data + a.count};
}

std::vector<f64> random_values(i32 n, std::mt19937_64& rng, f64 lo = -2.0, f64 hi = 2.0) {
    std::uniform_real_distribution<f64> d(lo, hi);
    std::vector<f64> v(n);
    for (f64& x : v) x = d(rng);
    return v;
}

void expect_empty(const DoubleArray& a, i32 count) {
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.count, count);
}

TEST(ArrayKernels, ElementwiseKernelsMatchScalarLoops) {
    std::mt19937_64 rng(1);
    for (i32 n : {1, 7, 8, 9, 23, 1081}) {
        SCOPED_TRACE(n);
        const auto a = random_values(n, rng);
        const auto b = random_values(n, rng);
        const auto c = random_values(n, rng);
        std::vector<f64> want(n);

        DoubleArray out;
        double_array_mul(out, array_of(a), array_of(b));
        for (i32 i = 0; i < n; ++i) want[i] = a[i] * b[i];
        EXPECT_EQ(values_of(out), want);

        DoubleArray x = array_of(a);
        double_array_fma(x, array_of(b), array_of(c));
        for (i32 i = 0; i < n; ++i) EXPECT_NEAR(x.data[i], a[i] + b[i] * c[i], 1e-15);

        x = array_of(a);
        double_array_add(x, array_of(b));
        for (i32 i = 0; i < n; ++i) want[i] = a[i] + b[i];
        EXPECT_EQ(values_of(x), want);

        x = array_of(a);
        double_array_max(x, array_of(b));
        for (i32 i = 0; i < n; ++i) want[i] = std::max(a[i], b[i]);
        EXPECT_EQ(values_of(x), want);

        x = array_of(a);
        double_array_scale(x, 1.0 / 45.0);
        for (i32 i = 0; i < n; ++i) want[i] = a[i] * (1.0 / 45.0);
        EXPECT_EQ(values_of(x), want);

        x = array_of(a);
        double_array_scale_signed(x, 1.5, 0.25);
        for (i32 i = 0; i < n; ++i) want[i] = a[i] * (a[i] >= 0.0 ? 1.5 : 0.25);
        EXPECT_EQ(values_of(x), want);

        x = array_of(a);
        double_array_scale_positive(x, 3.0);
        for (i32 i = 0; i < n; ++i) want[i] = a[i] > 0.0 ? a[i] * 3.0 : a[i];
        EXPECT_EQ(values_of(x), want);

        x = array_of(a);
        double_array_add_scaled(x, array_of(b), 0.75);
        for (i32 i = 0; i < n; ++i) EXPECT_NEAR(x.data[i], a[i] + 0.75 * b[i], 1e-15);
    }
}

TEST(ArrayKernels, MulInplaceKeepsReachAndReleasesAZeroTotal) {
    std::mt19937_64 rng(2);
    const auto reach = random_values(100, rng, 0.0, 1.0);
    const auto strategy = random_values(100, rng, 0.0, 1.0);
    DoubleArray a = array_of(reach);
    double_array_mul_inplace(a, array_of(strategy));
    ASSERT_NE(a.data, nullptr);
    for (i32 i = 0; i < 100; ++i) EXPECT_EQ(a.data[i], reach[i] * strategy[i]);

    // A strategy row that never takes the action: the subtree gets no reach.
    a = array_of(reach);
    double_array_mul_inplace(a, array_of(std::vector<f64>(100, 0.0)));
    expect_empty(a, 100);
    // Products summing below DBL_MIN count as no reach too.
    a = array_of(std::vector<f64>(3, 1e-300));
    double_array_mul_inplace(a, array_of(std::vector<f64>(3, 1e-10)));
    expect_empty(a, 3);

    a = array_of(reach);
    double_array_mul_inplace(a, empty_with_count(100));
    expect_empty(a, 100);
    a = empty_with_count(100);
    double_array_mul_inplace(a, array_of(strategy));
    expect_empty(a, 100);
}

TEST(ArrayKernels, EmptyArraysStandForZeros) {
    const DoubleArray none = empty_with_count(2);
    const DoubleArray b = array_of({-1.0, 2.0});

    DoubleArray out = array_of({5.0, 5.0});
    double_array_mul(out, none, b);
    expect_empty(out, 2);
    out = array_of({5.0, 5.0});
    double_array_mul(out, b, none);
    expect_empty(out, 2);

    DoubleArray second;
    double_array_mul_sum(second, none, b);
    expect_empty(second, 2);
    double_array_mul_sum(second, b, none);
    expect_empty(second, 2);

    DoubleArray a = empty_with_count(2);
    double_array_max(a, b);
    EXPECT_EQ(values_of(a), (std::vector<f64>{0.0, 2.0}));
    a = DoubleArray();
    double_array_max(a, b);
    EXPECT_EQ(values_of(a), (std::vector<f64>{0.0, 2.0}));
    a = array_of({-3.0, 4.0});
    double_array_max(a, none);
    EXPECT_EQ(values_of(a), (std::vector<f64>{0.0, 4.0}));

    a = DoubleArray();
    double_array_add(a, b);
    EXPECT_EQ(values_of(a), (std::vector<f64>{-1.0, 2.0}));
    a = array_of({1.0, 1.0});
    double_array_add(a, none);
    EXPECT_EQ(values_of(a), (std::vector<f64>{1.0, 1.0}));
    a = empty_with_count(2);
    double_array_add(a, none);
    expect_empty(a, 2);

    a = empty_with_count(2);
    double_array_fma(a, b, b);
    EXPECT_EQ(values_of(a), (std::vector<f64>{1.0, 4.0}));
    a = array_of({1.0, 1.0});
    double_array_fma(a, b, none);
    EXPECT_EQ(values_of(a), (std::vector<f64>{1.0, 1.0}));

    a = empty_with_count(2);
    double_array_add_scaled(a, b, 2.0);
    EXPECT_EQ(values_of(a), (std::vector<f64>{-2.0, 4.0}));

    for (auto scale : {+[](DoubleArray& x) { double_array_scale(x, 2.0); },
                       +[](DoubleArray& x) { double_array_scale_signed(x, 2.0, 3.0); },
                       +[](DoubleArray& x) { double_array_scale_positive(x, 2.0); }}) {
        a = empty_with_count(2);
        scale(a);
        expect_empty(a, 2);
    }
}

TEST(ArrayKernels, MulSumWithEmptyFactorAndFilledOutputIsFatal) {
    EXPECT_EXIT(
        {
            DoubleArray out = array_of({1.0});
            double_array_mul_sum(out, empty_with_count(1), array_of({1.0}));
        },
        testing::ExitedWithCode(1), "");
}

TEST(ArrayKernels, EvBoostScalings) {
    DoubleArray a = array_of({10.0, -10.0, 0.0});
    double_array_scale_signed(a, 1.5, 1.0 / 1.5);
    EXPECT_EQ(a.data[0], 15.0);
    EXPECT_DOUBLE_EQ(a.data[1], -10.0 / 1.5);
    EXPECT_EQ(a.data[2], 0.0);
    a = array_of({10.0, -10.0, 0.0});
    double_array_scale_positive(a, 1.5);
    EXPECT_EQ(values_of(a), (std::vector<f64>{15.0, -10.0, 0.0}));
}

TEST(ArrayKernels, ResultReachAccumulatesUnlessFrozen) {
    NodeResultRecord record;
    accumulate_result_array(record, 0, array_of({1.0, 2.0}), 0.5);
    accumulate_result_array(record, 0, array_of({4.0, 8.0}), 0.25);
    EXPECT_EQ(values_of(record.arrays[0]), (std::vector<f64>{1.5, 3.0}));
    // An empty source still gives the array its zeros.
    accumulate_result_array(record, 1, empty_with_count(3), 1.0);
    EXPECT_EQ(values_of(record.arrays[1]), (std::vector<f64>{0.0, 0.0, 0.0}));
    record.reach_frozen = 1;
    accumulate_result_array(record, 0, array_of({4.0, 8.0}), 1.0);
    accumulate_result_array(record, 2, array_of({4.0, 8.0}), 1.0);
    EXPECT_EQ(values_of(record.arrays[0]), (std::vector<f64>{1.5, 3.0}));
    expect_empty(record.arrays[2], 0);
}

// Masks of n distinct random two-card hands.
std::vector<u64> random_hand_masks(i32 n, std::mt19937_64& rng) {
    std::vector<u64> all;
    for (int hi = 0; hi < 52; ++hi)
        for (int lo = 0; lo < hi; ++lo) all.push_back(1ull << lo | 1ull << hi);
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(n);
    return all;
}

TEST(ArrayKernels, CaptureMatchesPairwiseMaskedSums) {
    std::mt19937_64 rng(4);
    const i32 n = 300;
    const auto masks = random_hand_masks(n, rng);
    auto opponent = random_values(n, rng, 0.0, 1.0);
    // One hand whose every compatible opponent has no reach: the value must
    // come out as exactly 0, not a quotient of rounding residues.
    for (i32 j = 0; j < n; ++j)
        if (!(masks[j] & masks[0])) opponent[j] = 0.0;
    const auto values = random_values(n, rng);
    const auto own = random_values(n, rng, 0.0, 1.0);
    DoubleArray values_out, weights_out;
    capture_node_value(values_out, weights_out, array_of(values), array_of(opponent), array_of(own),
                       masks.data(), 44.0);
    ASSERT_EQ(values_out.count, n);
    ASSERT_EQ(weights_out.count, n);
    for (i32 i = 0; i < n; ++i) {
        f64 c = 0.0;
        for (i32 j = 0; j < n; ++j)
            if (!(masks[i] & masks[j])) c += opponent[j];
        EXPECT_NEAR(values_out.data[i], c > 0.0 ? values[i] / c : 0.0, 1e-12) << i;
        EXPECT_NEAR(weights_out.data[i], 44.0 * c * own[i], 1e-10) << i;
    }
    EXPECT_EQ(values_out.data[0], 0.0);
    EXPECT_EQ(weights_out.data[0], 0.0);

    // Without the traverser's own reach the weights are zeros.
    capture_node_value(values_out, weights_out, array_of(values), array_of(opponent),
                       empty_with_count(n), masks.data(), 1.0);
    ASSERT_EQ(weights_out.count, n);
    for (i32 i = 0; i < n; ++i) EXPECT_EQ(weights_out.data[i], 0.0);
    // Without opponent reach every value is 0.
    capture_node_value(values_out, weights_out, array_of(values), empty_with_count(n),
                       array_of(own), masks.data(), 1.0);
    for (i32 i = 0; i < n; ++i) EXPECT_EQ(values_out.data[i], 0.0);
}

TEST(ArrayKernels, PermuteHandsSkipsNegativeEntries) {
    std::vector<f64> source(kHandCount);
    for (i32 c = 0; c < kHandCount; ++c) source[c] = c + 0.5;
    std::vector<i16> map(kHandCount, -1);
    map[5] = 2;
    map[1325] = 0;
    map[700] = 9;  // beyond the list: skipped
    DoubleArray out = array_of({-1.0, -1.0, -1.0, -1.0});
    permute_hands(out, source.data(), map.data());
    EXPECT_EQ(values_of(out), (std::vector<f64>{1325.5, -1.0, 5.5, -1.0}));

    std::fill(map.begin(), map.end(), -1);
    out = array_of({7.0, 8.0});
    permute_hands(out, source.data(), map.data());
    EXPECT_EQ(values_of(out), (std::vector<f64>{7.0, 8.0}));
}

TEST(ArrayKernels, VariantsAgreeAroundTheEightHandGroups) {
    if (!cpu_features().avx2_set) GTEST_SKIP() << "no AVX2 on this processor";
    const ArrayKernels& g = array_kernels_generic();
    const ArrayKernels& v = array_kernels_avx2();
    std::mt19937_64 rng(8);
    for (i32 n = 0; n <= 41; ++n) {
        SCOPED_TRACE(n);
        const auto a = random_values(n, rng);
        const auto b = random_values(n, rng);
        const auto c = random_values(n, rng);
        const auto masks = random_hand_masks(n, rng);
        auto x = a, y = a;
        std::vector<f64> ox(n), oy(n);
        g.mul(ox.data(), a.data(), b.data(), n);
        v.mul(oy.data(), a.data(), b.data(), n);
        EXPECT_EQ(ox, oy);
        const f64 sx = g.mul_inplace(x.data(), b.data(), n);
        const f64 sy = v.mul_inplace(y.data(), b.data(), n);
        EXPECT_EQ(x, y);
        EXPECT_NEAR(sx, sy, 1e-13);
        x = a, y = a;
        g.fma(x.data(), b.data(), c.data(), n);
        v.fma(y.data(), b.data(), c.data(), n);
        for (i32 i = 0; i < n; ++i) EXPECT_NEAR(x[i], y[i], 1e-15);
        x = a, y = a;
        g.add(x.data(), b.data(), n);
        v.add(y.data(), b.data(), n);
        EXPECT_EQ(x, y);
        x = a, y = a;
        g.max(x.data(), b.data(), n);
        v.max(y.data(), b.data(), n);
        EXPECT_EQ(x, y);
        x = a, y = a;
        g.max(x.data(), nullptr, n);
        v.max(y.data(), nullptr, n);
        EXPECT_EQ(x, y);
        x = a, y = a;
        g.scale(x.data(), 0.3, n);
        v.scale(y.data(), 0.3, n);
        EXPECT_EQ(x, y);
        x = a, y = a;
        g.scale_signed(x.data(), 1.25, 0.8, n);
        v.scale_signed(y.data(), 1.25, 0.8, n);
        EXPECT_EQ(x, y);
        x = a, y = a;
        g.add_scaled(x.data(), b.data(), -0.7, n);
        v.add_scaled(y.data(), b.data(), -0.7, n);
        for (i32 i = 0; i < n; ++i) EXPECT_NEAR(x[i], y[i], 1e-15);
        if (n > 0) {
            EXPECT_NEAR(g.masked_sum(a.data(), masks.data(), n, masks[0]),
                        v.masked_sum(a.data(), masks.data(), n, masks[0]), 1e-13);
        }
    }
}

}  // namespace
