// The combo projection of the queries: both processor variants against a
// direct loop, NaN exactly where the map has no position, and an array
// without data read as zeros.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "cards/hand_tables.h"
#include "platform/cpu_features.h"
#include "queries/split_lookup.h"

namespace {

constexpr u64 kQuietNan = 0x7FF8000000000000ull;

// A map that skips every third combo and sends the rest to positions in
// reverse order, so that a gather that ignores the map cannot pass.
std::vector<i16> sample_map(i32& count) {
    std::vector<i16> map(kHandCount, -1);
    count = 0;
    for (int c = kHandCount - 1; c >= 0; --c) {
        if (c % 3 != 0) map[static_cast<std::size_t>(c)] = static_cast<i16>(count++);
    }
    return map;
}

void expect_projection(const std::vector<f64>& out, const std::vector<i16>& map, const f64* src) {
    for (int c = 0; c < kHandCount; ++c) {
        const i16 position = map[static_cast<std::size_t>(c)];
        if (position < 0) {
            EXPECT_EQ(std::bit_cast<u64>(out[static_cast<std::size_t>(c)]), kQuietNan) << c;
        } else {
            EXPECT_EQ(out[static_cast<std::size_t>(c)], src ? src[position] : 0.0) << c;
        }
    }
}

TEST(GatherCombos, VariantsFollowTheMap) {
    i32 count = 0;
    const std::vector<i16> map = sample_map(count);
    std::vector<f64> src(static_cast<std::size_t>(count));
    for (i32 i = 0; i < count; ++i) src[static_cast<std::size_t>(i)] = 0.25 * i - 3.0;
    std::vector<f64> out(kHandCount, 7.0);
    gather_combos_generic(out.data(), src.data(), map.data());
    expect_projection(out, map, src.data());
    if (!cpu_has_avx2_set()) GTEST_SKIP() << "no AVX2 on this processor";
    std::vector<f64> wide(kHandCount, 7.0);
    gather_combos_avx2(wide.data(), src.data(), map.data());
    EXPECT_EQ(std::memcmp(wide.data(), out.data(), sizeof(f64) * kHandCount), 0);
}

TEST(GatherCombos, ArrayWithoutDataReadsAsZeros) {
    i32 count = 0;
    const std::vector<i16> map = sample_map(count);
    DoubleArray empty;
    empty.count = count;
    std::vector<f64> out(kHandCount, 7.0);
    gather_combos(out.data(), empty, map.data());
    expect_projection(out, map, nullptr);

    DoubleArray filled;
    filled.resize(count);
    for (i32 i = 0; i < count; ++i) filled.data[i] = i;
    gather_combos(out.data(), filled, map.data());
    expect_projection(out, map, filled.data);
}

}  // namespace
