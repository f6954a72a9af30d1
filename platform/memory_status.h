// Physical memory figures for `show_memory` and the automatic compression level.
#pragma once

#include "platform/int_types.h"

struct MemoryStatus {
    u64 total_bytes = 0;
    u32 load_percent = 0;  // share of physical memory in use, 0..100
};

MemoryStatus memory_status();
// total x (100 - load) / 100, the figure the callers use as "available".
u64 available_physical_memory(const MemoryStatus& status);
// Peak resident set of this process in bytes (benchmarks).
u64 peak_resident_bytes();
// Resident set of this process now, in bytes; 0 when it cannot be read.
u64 current_resident_bytes();
