// Time sources: a monotonic nanosecond timer for the solver and a wall clock
// in 100-ns ticks since 1970-01-01 UTC for `solver_time`.
#pragma once

#include "platform/int_types.h"

i64 timer_now_ns();
i64 wall_clock_100ns();
void sleep_ms(i64 ms);
void yield_processor();
