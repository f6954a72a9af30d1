// Address-space reservation for large stores and growable arenas: reserve a
// range once, commit pages of it in steps, release it whole. Committed pages
// read as zero.
//
// Every reservation is one kernel mapping, and the kernel limits how many a
// process may hold (vm.max_map_count, 65530 by default). Committing part of a
// reservation splits its mapping at the commit boundary, so a store should
// commit a growing prefix from its base (the mapping then stays at two pieces:
// committed and not yet committed) rather than scattered pieces. A store that
// needs all its memory at once takes it with `vm_reserve_commit`: one piece.
//
// Reserving costs no memory; a commit is charged against the system's commit
// limit, so a commit larger than the machine can back fails here rather than
// on first touch.
#pragma once

#include "platform/int_types.h"

// Reserves `bytes` of address space without backing; nullptr on failure
// (errno tells why).
void* vm_reserve(u64 bytes);
// Makes [addr, addr + bytes) of a reserved range readable and writable; the
// range is widened to whole pages.
bool vm_commit(void* addr, u64 bytes);
// Reserves and commits at once; nullptr on failure (errno tells why).
void* vm_reserve_commit(u64 bytes);
// Returns a whole reserved range to the system; `bytes` is the size given when
// it was reserved. Releasing nullptr does nothing and succeeds.
bool vm_release(void* addr, u64 bytes);
// Page size used to round reservations and commits.
u64 vm_page_size();
// `bytes` rounded up to whole pages.
u64 vm_round_to_pages(u64 bytes);

// Address space that is readable and writable at once but takes memory only
// where it is written, without a charge against the commit limit: the shared
// regions that many small growable streams are carved from, one mapping for
// all of them. Never backed by huge pages, so that a stream that writes one
// page holds one page. nullptr on failure (errno tells why).
void* vm_reserve_lazy(u64 bytes);
// Gives the memory behind [addr, addr + bytes) back to the system; the range
// stays mapped and reads as zero again. The range is narrowed to whole pages.
bool vm_discard(void* addr, u64 bytes);
