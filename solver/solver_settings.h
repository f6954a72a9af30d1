// The solver's own settings: the OpenMP team size applied before every
// iteration, the exploitability target that ends a run, and the scheduler of
// the work items. The shell's setting commands write them on the command
// thread while the solver thread reads them, hence atomic.
#pragma once

#include <atomic>

#include "platform/int_types.h"

constexpr i32 kMaxThreadCount = 1024;
extern std::atomic<i32> g_thread_count;
// Absolute exploitability target.
extern std::atomic<f64> g_required_accuracy;
// Work-item scheduler: 0 OpenMP guided, 1 OpenMP dynamic, 2 own worker pool.
extern std::atomic<i32> g_scheduler;
