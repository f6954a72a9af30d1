// Address space for block arenas. A flop tree's compressed river stores hold
// thousands of arenas per player and store, each reserving its worst case;
// one kernel mapping apiece would pass the kernel's limit on mappings per
// process on larger trees. The arenas' ranges are carved instead from a few
// large shared mappings that take memory only where an arena writes, and a
// range given back has its memory returned at once. A shared mapping is
// unmapped when its last range goes.
#pragma once

#include "platform/int_types.h"

// A page-aligned range of at least `bytes` (rounded up to whole pages) that
// reads as zero; nullptr when no address space can be had (errno tells why).
// Thread-safe.
u8* arena_space_take(u64 bytes);

// Gives back a range that `arena_space_take` gave for `bytes`; the memory of
// its first `used` bytes, the most that its owner wrote, is returned to the
// system. False when the system refused to take the memory back.
bool arena_space_give_back(u8* base, u64 bytes, u64 used);

// Shared mappings held now (tests).
u64 arena_space_mappings();
