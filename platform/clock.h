// Time sources: a monotonic nanosecond timer for the solver, a wall clock in
// 100-ns ticks since 1970-01-01 UTC for `solver_time`, and the processor time
// of the whole process (all threads) for the built-in benchmark.
#pragma once

#include "platform/int_types.h"

i64 timer_now_ns();
i64 wall_clock_100ns();
i64 process_cpu_time_ns();
// Sleeps `ms` milliseconds; 0 yields the processor once, a negative value does nothing.
void sleep_ms(i64 ms);
void yield_processor();
