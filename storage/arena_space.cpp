#include "storage/arena_space.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/virtual_memory.h"

namespace {

// A range larger than this gets a mapping of its own size.
constexpr u64 kMappingBytes = u64{1} << 30;

struct SharedMapping {
    u8* base;
    u64 bytes;
    u64 top;   // ranges are carved upward from base
    u64 live;  // ranges not given back
};

std::mutex g_space_mutex;
std::vector<SharedMapping> g_mappings;

u64 round_to_pages(u64 bytes) {
    const u64 page = vm_page_size();
    return (bytes + page - 1) & ~(page - 1);
}

u8* carve(SharedMapping& mapping, u64 bytes) {
    u8* range = mapping.base + mapping.top;
    mapping.top += bytes;
    ++mapping.live;
    return range;
}

}  // namespace

u8* arena_space_take(u64 bytes) {
    bytes = round_to_pages(std::max<u64>(bytes, 1));
    std::lock_guard lock(g_space_mutex);
    for (auto it = g_mappings.rbegin(); it != g_mappings.rend(); ++it) {
        if (it->bytes - it->top >= bytes) return carve(*it, bytes);
    }
    const u64 size = std::max(kMappingBytes, bytes);
    void* base = vm_reserve_lazy(size);
    if (!base) return nullptr;
    g_mappings.push_back({static_cast<u8*>(base), size, 0, 0});
    return carve(g_mappings.back(), bytes);
}

bool arena_space_give_back(u8* base, u64 bytes, u64 used) {
    if (!base) return true;
    bytes = round_to_pages(std::max<u64>(bytes, 1));
    const bool discarded = vm_discard(base, round_to_pages(std::min(used, bytes)));
    std::lock_guard lock(g_space_mutex);
    const auto it = std::find_if(g_mappings.begin(), g_mappings.end(), [&](const SharedMapping& m) {
        return base >= m.base && base < m.base + m.bytes;
    });
    if (it == g_mappings.end()) return false;
    // The topmost range's space can be carved again; a hole lower down stays
    // until the whole mapping is empty (address space only, no memory).
    if (base + bytes == it->base + it->top) it->top -= bytes;
    if (--it->live > 0) return discarded;
    const bool released = vm_release(it->base, it->bytes);
    g_mappings.erase(it);
    return discarded && released;
}

u64 arena_space_mappings() {
    std::lock_guard lock(g_space_mutex);
    return g_mappings.size();
}
