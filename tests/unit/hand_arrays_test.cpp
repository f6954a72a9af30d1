// Per-hand arrays, the scatter and gather routines, and the fatal exit.
#include "cards/hand_arrays.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <vector>

#include "cards/fail.h"
#include "cards/hand_maps.h"
#include "shell/output.h"

namespace {

bool aligned16(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) % 16 == 0;
}

TEST(DoubleArrayTest, ResizeKeepsOrDiscards) {
    DoubleArray a;
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.count, 0);
    a.resize(5);
    ASSERT_NE(a.data, nullptr);
    EXPECT_TRUE(aligned16(a.data));
    for (int i = 0; i < 5; ++i) a.data[i] = i + 0.5;
    f64* before = a.data;
    a.resize(5);
    EXPECT_EQ(a.data, before);
    EXPECT_EQ(a.data[4], 4.5);
    a.resize(7);
    EXPECT_EQ(a.count, 7);
    ASSERT_NE(a.data, nullptr);
    a.resize(0);
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.count, 0);
}

// The solver moves arrays between hand lists of different lengths at every
// runout: a buffer that is large enough stays, a larger count takes a new one,
// and the capacity travels with the buffer.
TEST(DoubleArrayTest, BufferLargeEnoughIsKeptAcrossCounts) {
    DoubleArray a;
    a.resize(300);
    f64* buffer = a.data;
    EXPECT_EQ(a.capacity, 300);
    a.resize(280);
    EXPECT_EQ(a.data, buffer);
    EXPECT_EQ(a.count, 280);
    EXPECT_EQ(a.capacity, 300);
    a.resize(300);
    EXPECT_EQ(a.data, buffer);
    EXPECT_EQ(a.count, 300);
    a.resize(301);
    ASSERT_NE(a.data, nullptr);
    EXPECT_EQ(a.count, 301);
    EXPECT_EQ(a.capacity, 301);
    for (int i = 0; i < 301; ++i) a.data[i] = 1.0;
    DoubleArray b(std::move(a));
    EXPECT_EQ(b.capacity, 301);
    EXPECT_EQ(a.capacity, 0);
    b.resize(10);
    a = std::move(b);
    EXPECT_EQ(a.count, 10);
    EXPECT_EQ(a.capacity, 301);
    // Release forgets the buffer.
    a.fill_zero();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a.data[i], 0.0);
    a.release();
    EXPECT_EQ(a.capacity, 0);
    a.count = 5;
    a.fill_zero();
    EXPECT_EQ(a.capacity, 5);
    a.resize(0);
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.capacity, 0);
}

TEST(DoubleArrayTest, ReleaseAndTheArrayWithoutData) {
    DoubleArray a;
    a.resize(3);
    a.release();
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.count, 0);
    // An array without data keeps its count through release, and a resize to
    // that count still takes a buffer.
    a.count = 4;
    a.release();
    EXPECT_EQ(a.count, 4);
    a.resize(4);
    ASSERT_NE(a.data, nullptr);
    a.release();
    a.count = 6;
    a.fill_zero();
    ASSERT_NE(a.data, nullptr);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a.data[i], 0.0);
}

TEST(DoubleArrayTest, MoveTransfersTheBuffer) {
    DoubleArray a;
    a.resize(2);
    f64* buffer = a.data;
    DoubleArray b(std::move(a));
    EXPECT_EQ(b.data, buffer);
    EXPECT_EQ(b.count, 2);
    EXPECT_EQ(a.data, nullptr);
    DoubleArray c;
    c.resize(9);
    c = std::move(b);
    EXPECT_EQ(c.data, buffer);
    EXPECT_EQ(c.count, 2);
    std::vector<DoubleArray> list(3);
    for (DoubleArray& x : list) x.resize(4);
    destroy_double_arrays(list);
    EXPECT_TRUE(list.empty());
}

TEST(FloatArrayTest, SemanticsOfTheFloatTwin) {
    FloatArray f;
    const f32 values[3] = {1.0f, 2.0f, 3.0f};
    f.assign(values, 3);
    ASSERT_NE(f.data, nullptr);
    EXPECT_TRUE(aligned16(f.data));
    EXPECT_EQ(f.data[2], 3.0f);
    f32* before = f.data;
    f.resize(3);
    EXPECT_EQ(f.data, before);
    f.fill_zero();
    EXPECT_EQ(f.data[1], 0.0f);
    // Unlike DoubleArray, release keeps the count.
    f.release();
    EXPECT_EQ(f.data, nullptr);
    EXPECT_EQ(f.count, 3);
    f.resize(3);
    EXPECT_NE(f.data, nullptr);
}

TEST(AlignedBufferTest, AllocatesAlignedAndRefusesZero) {
    void* p = aligned_buffer_alloc(1000, 128);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 128, 0u);
    aligned_buffer_free(p);
    EXPECT_EQ(aligned_buffer_alloc(0, 16), nullptr);
    aligned_buffer_free(nullptr);
}

DoubleArray make_array(std::initializer_list<f64> values) {
    DoubleArray a;
    a.resize(static_cast<i32>(values.size()));
    int i = 0;
    for (f64 v : values) a.data[i++] = v;
    return a;
}

TEST(HandMapsTest, ScatterAddsThroughTheMap) {
    DoubleArray dest = make_array({1, 1, 1, 1});
    DoubleArray src = make_array({10, 20, 30});
    const i16 map[3] = {3, 0, 3};
    scatter_add_through_map(dest, src, map);
    EXPECT_EQ(dest.data[0], 21);
    EXPECT_EQ(dest.data[1], 1);
    EXPECT_EQ(dest.data[3], 41);

    DoubleArray empty;
    empty.count = 3;
    scatter_add_through_map(dest, empty, map);
    EXPECT_EQ(dest.data[3], 41);

    // A destination without data becomes zeros first.
    DoubleArray fresh;
    fresh.count = 4;
    scatter_add_through_map(fresh, src, map);
    ASSERT_NE(fresh.data, nullptr);
    EXPECT_EQ(fresh.data[0], 20);
    EXPECT_EQ(fresh.data[2], 0);
    EXPECT_EQ(fresh.data[3], 40);

    // A missing image (-1) is never written through.
    const i16 broken[3] = {1, -1, 2};
    scatter_add_through_map(fresh, src, broken);
    EXPECT_EQ(fresh.data[1], 10);
    EXPECT_EQ(fresh.data[2], 30);
}

RiverRecord record_with_maps(std::vector<std::vector<i16>> maps) {
    RiverRecord r;
    r.map_count = static_cast<u32>(maps.size());
    r.hands.assign(maps[0].size(), 0);
    r.parent_maps = std::move(maps);
    return r;
}

TEST(HandMapsTest, ScatterHandValuesUsesEveryMapAndGatherUsesTheFirst) {
    RiverRecord r = record_with_maps({{2, 0}, {1, 3}});
    DoubleArray parent = make_array({0, 0, 0, 0});
    DoubleArray child = make_array({5, 7});
    scatter_add_hand_values(r, parent, child);
    EXPECT_EQ(parent.data[0], 7);
    EXPECT_EQ(parent.data[1], 5);
    EXPECT_EQ(parent.data[2], 5);
    EXPECT_EQ(parent.data[3], 7);

    DoubleArray source = make_array({100, 101, 102, 103});
    DoubleArray out;
    gather_hand_values(r, out, source);
    ASSERT_EQ(out.count, 2);
    EXPECT_EQ(out.data[0], 102);
    EXPECT_EQ(out.data[1], 100);

    DoubleArray no_data;
    gather_hand_values(r, out, no_data);
    EXPECT_EQ(out.data, nullptr);
    EXPECT_EQ(out.count, 2);
}

// The death-test child sends standard output to standard error, where
// EXPECT_EXIT matches the message.
void fail_on_stderr(const char* message, const char* pending) {
    dup2(STDERR_FILENO, STDOUT_FILENO);
    g_output_buffer = pending;
    fail(message);
}

TEST(FailDeathTest, WritesPendingOutputThenTheMessageAndExitsWithOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(fail_on_stderr("not open", ""), ::testing::ExitedWithCode(1),
                "(^|\n)fail \\(not open\\)\n$");
    EXPECT_EXIT(fail_on_stderr(nullptr, "last answer\n"), ::testing::ExitedWithCode(1),
                "(^|\n)last answer\nfail\n$");
}

void exhaust_memory() {
    dup2(STDERR_FILENO, STDOUT_FILENO);
    rlimit limit{u64{1} << 30, u64{1} << 30};
    setrlimit(RLIMIT_AS, &limit);
    DoubleArray a;
    a.resize(1 << 28);  // 2 GiB
}

TEST(FailDeathTest, AllocationFailureIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exhaust_memory(), ::testing::ExitedWithCode(1), "fail \\(out of memory\\)");
}

// The command thread asks for an exception, which its command answers with
// "out of memory"; the array is left without data. Exit code 0 when so.
void exhaust_memory_throwing() {
    throw_on_failed_allocation_here();
    DoubleArray a;
    a.resize(4);
    rlimit limit{u64{1} << 30, u64{1} << 30};
    setrlimit(RLIMIT_AS, &limit);
    try {
        a.resize(1 << 28);  // 2 GiB
    } catch (const std::bad_alloc&) {
        std::_Exit(a.data == nullptr ? 0 : 2);
    }
    std::_Exit(3);
}

TEST(FailDeathTest, AllocationFailureThrowsWhereTheThreadAsks) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "under the memory limit the sanitizer runtime cannot take the memory that "
                    "throwing needs on a thread's first exception";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exhaust_memory_throwing(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
