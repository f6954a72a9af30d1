// Address-space reservation for large stores and growable arenas: reserve a
// range once, commit pages of it in steps, release it whole. Committed pages
// read as zero.
#pragma once

#include "platform/int_types.h"

// Reserves `bytes` of address space without backing; nullptr on failure.
void* vm_reserve(u64 bytes);
// Makes [addr, addr + bytes) of a reserved range readable and writable.
bool vm_commit(void* addr, u64 bytes);
// Reserves and commits at once; nullptr on failure.
void* vm_reserve_commit(u64 bytes);
// Returns a whole reserved range to the system.
bool vm_release(void* addr, u64 bytes);
// Page size used to round reservations and commits.
u64 vm_page_size();
