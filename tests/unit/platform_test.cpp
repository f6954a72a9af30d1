#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/auto_event.h"
#include "platform/clock.h"
#include "platform/cpu_features.h"
#include "platform/files.h"
#include "platform/memory_status.h"
#include "platform/processors.h"
#include "platform/virtual_memory.h"

namespace {

using namespace std::chrono_literals;

// Polls instead of sleeping a fixed time so that a slow machine only slows the
// test down; a broken event still fails it after the deadline.
template <typename Pred>
bool eventually(Pred pred, std::chrono::milliseconds limit = 2000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (pred()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return pred();
}

// Waiters count how they were released. The event is shut down before the
// threads are joined, so a faulty event fails the test instead of hanging it.
struct Waiters {
    AutoEvent event;
    std::atomic<int> released{0};
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;

    void start(int n) {
        for (int i = 0; i < n; ++i) {
            threads.emplace_back([this] { (event.wait() ? released : refused).fetch_add(1); });
        }
    }
    ~Waiters() {
        event.shutdown();
        for (std::thread& t : threads) t.join();
    }
};

TEST(AutoEventTest, EachSetReleasesExactlyOneWaiter) {
    Waiters w;
    w.start(3);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(w.released.load(), 0);

    w.event.set();
    ASSERT_TRUE(eventually([&] { return w.released.load() == 1; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(w.released.load(), 1);

    w.event.set();
    ASSERT_TRUE(eventually([&] { return w.released.load() == 2; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(w.released.load(), 2);
    EXPECT_EQ(w.refused.load(), 0);
}

TEST(AutoEventTest, SetBeforeWaitIsKeptButNotCounted) {
    Waiters w;
    w.event.set();
    w.event.set();
    w.start(2);
    ASSERT_TRUE(eventually([&] { return w.released.load() == 1; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(w.released.load(), 1) << "two sets before any wait must release only one waiter";
}

TEST(AutoEventTest, ShutdownWakesEveryWaiterAndRefusesLaterWaits) {
    Waiters w;
    w.start(4);
    std::this_thread::sleep_for(20ms);
    w.event.shutdown();
    ASSERT_TRUE(eventually([&] { return w.refused.load() == 4; }));
    EXPECT_EQ(w.released.load(), 0);

    w.event.set();
    EXPECT_FALSE(w.event.wait());
    EXPECT_FALSE(w.event.wait());
}

bool all_zero(const unsigned char* p, u64 n) {
    for (u64 i = 0; i < n; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

// Number of mappings of /proc/self/maps that overlap [base, base + bytes).
int mappings_overlapping(const void* base, u64 bytes) {
    const u64 lo = u64(base), hi = lo + bytes;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    int count = 0;
    while (std::getline(maps, line)) {
        u64 start = 0, end = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx", &start, &end) != 2) continue;
        if (start < hi && end > lo) ++count;
    }
    return count;
}

TEST(VirtualMemoryTest, CommitsGrowingPrefixOfReservation) {
    const u64 page = vm_page_size();
    ASSERT_GE(page, 4096u);
    ASSERT_EQ(page & (page - 1), 0u);

    const u64 reserved = u64(1) << 30;
    auto* base = static_cast<unsigned char*>(vm_reserve(reserved));
    ASSERT_NE(base, nullptr);

    // A commit of one byte makes its whole page usable.
    ASSERT_TRUE(vm_commit(base, 1));
    EXPECT_TRUE(all_zero(base, page));
    base[page - 1] = 7;

    ASSERT_TRUE(vm_commit(base, 3 * page + 10));
    EXPECT_EQ(base[page - 1], 7) << "recommitting must keep the data";
    EXPECT_TRUE(all_zero(base + page, 3 * page));
    std::memset(base + page, 0xAB, 3 * page);

    ASSERT_TRUE(vm_commit(base, 64 * page));
    EXPECT_EQ(base[4 * page - 1], 0xAB);
    EXPECT_TRUE(all_zero(base + 4 * page, 60 * page));
    EXPECT_LE(mappings_overlapping(base, reserved), 2);

    EXPECT_TRUE(vm_release(base, reserved));
    EXPECT_EQ(mappings_overlapping(base, reserved), 0);
}

TEST(VirtualMemoryTest, ReserveCommitGivesOneZeroedWritableMapping) {
    const u64 bytes = 5 * vm_page_size() + 123;
    auto* p = static_cast<unsigned char*>(vm_reserve_commit(bytes));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(all_zero(p, bytes));
    std::memset(p, 1, bytes);
    EXPECT_EQ(mappings_overlapping(p, bytes), 1);
    EXPECT_TRUE(vm_release(p, bytes));
}

TEST(VirtualMemoryTest, DegenerateRequests) {
    EXPECT_EQ(vm_reserve(0), nullptr);
    EXPECT_EQ(vm_reserve_commit(0), nullptr);
    EXPECT_TRUE(vm_release(nullptr, 4096));
}

int overcommit_mode() {
    std::ifstream in("/proc/sys/vm/overcommit_memory");
    int mode = -1;
    in >> mode;
    return mode;
}

TEST(VirtualMemoryTest, CommitBeyondMachineMemoryFails) {
    if (overcommit_mode() == 1) GTEST_SKIP() << "the kernel grants every commit (overcommit 1)";
    const MemoryStatus status = memory_status();
    ASSERT_GT(status.total_bytes, 0u);
    const u64 huge = u64(1) << 44;
    if (status.total_bytes * 4 >= huge) GTEST_SKIP() << "machine too large for this check";
    void* base = vm_reserve(huge);
    if (base == nullptr) GTEST_SKIP() << "address space limited";
    EXPECT_FALSE(vm_commit(base, huge));
    EXPECT_TRUE(vm_commit(base, vm_page_size()));
    EXPECT_TRUE(vm_release(base, huge));
}

TEST(ClockTest, TimersAdvance) {
    i64 previous = timer_now_ns();
    for (int i = 0; i < 10000; ++i) {
        const i64 now = timer_now_ns();
        ASSERT_GE(now, previous);
        previous = now;
    }
    const i64 before = timer_now_ns();
    sleep_ms(20);
    EXPECT_GE(timer_now_ns() - before, 20'000'000);

    // Zero and negative lengths return at once. The bound leaves room for a
    // loaded machine (sanitizer runs beside other tests) and stays far below
    // the second that a negative length taken as positive would sleep.
    const i64 quick = timer_now_ns();
    sleep_ms(-1000);
    sleep_ms(0);
    yield_processor();
    EXPECT_LT(timer_now_ns() - quick, 500'000'000);
}

TEST(ClockTest, WallClockCountsTicksSince1970) {
    const i64 ticks = wall_clock_100ns();
    const i64 seconds = i64(std::time(nullptr));
    EXPECT_NEAR(double(ticks / 10'000'000), double(seconds), 2.0);
}

// Busy work until the process has used 10 ms of processor time: on a loaded
// machine a fixed wall-clock span of it may get far less. A clock that does
// not count gives up at the deadline.
TEST(ClockTest, ProcessTimeCountsBusyWork) {
    const i64 start = process_cpu_time_ns();
    const i64 deadline = timer_now_ns() + 10'000'000'000;
    volatile u64 sink = 0;
    while (process_cpu_time_ns() - start < 10'000'000 && timer_now_ns() < deadline) {
        sink = sink + 1;
    }
    EXPECT_GE(process_cpu_time_ns() - start, 10'000'000);
}

struct TempFile {
    std::string path = testing::TempDir() + "platform_test_XXXXXX";
    TempFile() {
        const int fd = mkstemp(path.data());
        if (fd >= 0) close(fd);
    }
    ~TempFile() { std::remove(path.c_str()); }
};

TEST(FilesTest, FileDirectoryAndMissingPath) {
    TempFile file;
    EXPECT_TRUE(file_exists_not_dir(file.path));
    EXPECT_FALSE(file_exists_not_dir(testing::TempDir()));
    EXPECT_FALSE(file_exists_not_dir(file.path + ".missing"));
    EXPECT_FALSE(file_exists_not_dir(""));
}

std::set<std::string> cpuinfo_flags() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    std::set<std::string> flags;
    while (std::getline(in, line)) {
        if (line.rfind("flags", 0) != 0) continue;
        std::istringstream words(line.substr(line.find(':') + 1));
        std::string flag;
        while (words >> flag) flags.insert(flag);
        break;
    }
    return flags;
}

struct GenericKernelsForced {
    GenericKernelsForced() { force_generic_kernels(true); }
    ~GenericKernelsForced() { force_generic_kernels(false); }
};

TEST(CpuFeaturesTest, AgreesWithKernelAndCanBeForcedGeneric) {
    const CpuFeatures& f = cpu_features();
    EXPECT_EQ(&f, &cpu_features());
    EXPECT_TRUE(!f.avx2_set || f.avx);

    const std::set<std::string> flags = cpuinfo_flags();
    if (!flags.empty()) {
        const auto has = [&](const char* name) { return flags.count(name) == 1; };
        EXPECT_EQ(f.sse3, has("pni"));
        EXPECT_EQ(f.avx, has("avx"));
        const bool set = has("avx") && has("avx2") && has("fma") && has("bmi1") && has("bmi2") &&
                         has("abm") && has("f16c");
        EXPECT_EQ(f.avx2_set, set);
    }

    EXPECT_EQ(cpu_has_avx2_set(), f.avx2_set);
    {
        GenericKernelsForced forced;
        EXPECT_FALSE(cpu_has_avx2_set());
    }
    EXPECT_EQ(cpu_has_avx2_set(), f.avx2_set);
}

int own_affinity_count() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (pthread_getaffinity_np(pthread_self(), sizeof(set), &set) != 0) return -1;
    return CPU_COUNT(&set);
}

// Runs on a thread of its own: pinning the test thread would pin every thread
// that later tests start from it.
TEST(ProcessorsTest, PinningOneThreadLeavesTheCountAlone) {
    const int count = logical_processor_count();
    ASSERT_GE(count, 1);
    EXPECT_EQ(count, own_affinity_count());

    int pinned = 0, negative = 0, count_after = 0;
    std::thread worker([&] {
        set_preferred_processor(count + 1);
        pinned = own_affinity_count();
        set_preferred_processor(-1);
        negative = own_affinity_count();
        count_after = logical_processor_count();
    });
    worker.join();
    EXPECT_EQ(pinned, 1);
    EXPECT_EQ(negative, 1);
    EXPECT_EQ(count_after, count);
}

TEST(MemoryStatusTest, FiguresAreConsistent) {
    const MemoryStatus status = memory_status();
    EXPECT_GT(status.total_bytes, u64(64) << 20);
    EXPECT_LE(status.load_percent, 100u);
    EXPECT_LE(available_physical_memory(status), status.total_bytes);

    MemoryStatus made;
    made.total_bytes = 64'000'000'000;
    made.load_percent = 37;
    EXPECT_EQ(available_physical_memory(made), 40'320'000'000u);
}

TEST(MemoryStatusTest, PeakResidentCoversTouchedMemory) {
    const u64 bytes = u64(48) << 20;
    void* p = vm_reserve_commit(bytes);
    ASSERT_NE(p, nullptr);
    std::memset(p, 1, bytes);
    EXPECT_GE(peak_resident_bytes(), bytes);
    vm_release(p, bytes);
}

}  // namespace
