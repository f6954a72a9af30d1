#include "platform/clock.h"

#include <sched.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace {

i64 read_clock_ns(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return i64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

i64 timer_now_ns() {
    return read_clock_ns(CLOCK_MONOTONIC);
}

i64 wall_clock_100ns() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return i64(ts.tv_sec) * 10000000 + ts.tv_nsec / 100;
}

i64 process_cpu_time_ns() {
    return read_clock_ns(CLOCK_PROCESS_CPUTIME_ID);
}

// A zero-length sleep gives the processor away once, as callers that print
// and then sleep 0 expect; only a negative duration is a plain no-op.
void sleep_ms(i64 ms) {
    if (ms < 0) return;
    if (ms == 0) {
        sched_yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void yield_processor() {
    sched_yield();
}
