// The solver's own worker pool, the third way to run a pass's work items:
// one worker per logical processor, each preferring its own processor and
// woken by its own auto-reset event, while the caller sleeps until the last
// item of the batch is done. Created on first use, stopped at exit.
#pragma once

#include "platform/int_types.h"

struct WorkItem;

// Runs items[0..count) on the pool and returns when all have finished.
void run_on_worker_pool(WorkItem* const* items, i32 count);

// Wakes and joins every worker; the next batch would start a new pool.
void stop_worker_pool();
