#include "storage/block_arena.h"

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "cards/fail.h"
#include "platform/virtual_memory.h"
#include "storage/arena_space.h"

std::atomic<i64> g_stat_committed_bytes{0};
std::atomic<i64> g_stat_raw_bytes{0};
std::atomic<i64> g_stat_encoded_bytes{0};
std::atomic<i64> g_stat_decoded_bytes{0};
std::atomic<i64> g_stat_max_escape{0};
std::atomic<f64> g_stat_last_weight{0.0};
std::atomic<i64> g_stat_arena_bytes{0};

void stat_raise_max_escape(i64 value) {
    i64 seen = g_stat_max_escape.load();
    while (value > seen && !g_stat_max_escape.compare_exchange_weak(seen, value)) {
    }
}

void reset_storage_rate_stats() {
    g_stat_decoded_bytes = 0;
    g_stat_encoded_bytes = 0;
}

void BlockArena::save(ArchiveWriter&) const {
    throw std::logic_error("arena archives are not written");
}

void BlockArena::load(Reader&) {
    throw std::logic_error("this arena kind has no archive record");
}

void ReservedRegion::grow(i64 bytes) {
    size = bytes;
    need = (bytes + mask) & ~static_cast<i64>(mask);
    if (need > committed) {
        if (need > reserved) fail_with_line("out of memory (not enough reserved)");
        if (!base) {
            base = arena_space_take(static_cast<u64>(reserved));
            if (!base) {
                char line[96];
                std::snprintf(line, sizeof line, "Reserve %lld bytes fail (errno %d)",
                              static_cast<long long>(reserved), errno);
                fail_with_line(line);
            }
        }
        // The shared mappings are readable and writable from the start and
        // take memory page by page as they are written: nothing else to do.
        committed = need;
    }
    const auto pages = static_cast<i64>(vm_round_to_pages(static_cast<u64>(bytes)));
    if (pages > touched) {
        g_stat_arena_bytes += pages - touched;
        touched = pages;
    }
}

void ReservedRegion::release_memory() {
    if (!base) return;
    if (!arena_space_give_back(base, static_cast<u64>(reserved), static_cast<u64>(touched))) {
        fail("VirtualFree fail");
    }
    g_stat_arena_bytes -= touched;
    base = nullptr;
    committed = 0;
    touched = 0;
}
