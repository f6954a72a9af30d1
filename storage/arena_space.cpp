#include "storage/arena_space.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/virtual_memory.h"

#if defined(__SANITIZE_ADDRESS__)

// Under the address sanitizer every range is a heap block of its own exact
// size, so that a write past an arena's reservation is reported where it
// happens instead of landing in the next arena's range.
u8* arena_space_take(u64 bytes) {
    return static_cast<u8*>(std::calloc(std::max<u64>(bytes, 1), 1));
}

bool arena_space_give_back(u8* base, u64, u64) {
    std::free(base);
    return true;
}

u64 arena_space_mappings() {
    return 0;
}

#else

namespace {

// A range larger than this gets a mapping of its own size.
constexpr u64 kMappingBytes = u64{1} << 30;

struct SharedMapping {
    u8* base;
    u64 bytes;
    u64 top;   // ranges are carved upward from base
    u64 live;  // ranges not given back
};

struct Space {
    std::mutex mutex;
    std::vector<SharedMapping> mappings;
};

// Never destroyed: arenas of a tree that static destruction releases at exit
// may give their ranges back after this file's statics would be gone.
Space& space() {
    static Space* const instance = new Space;
    return *instance;
}

u8* carve(SharedMapping& mapping, u64 bytes) {
    u8* range = mapping.base + mapping.top;
    mapping.top += bytes;
    ++mapping.live;
    return range;
}

}  // namespace

u8* arena_space_take(u64 bytes) {
    bytes = vm_round_to_pages(std::max<u64>(bytes, 1));
    Space& s = space();
    std::lock_guard lock(s.mutex);
    for (auto it = s.mappings.rbegin(); it != s.mappings.rend(); ++it) {
        if (it->bytes - it->top >= bytes) return carve(*it, bytes);
    }
    const u64 size = std::max(kMappingBytes, bytes);
    void* base = vm_reserve_lazy(size);
    if (!base) return nullptr;
    s.mappings.push_back({static_cast<u8*>(base), size, 0, 0});
    return carve(s.mappings.back(), bytes);
}

bool arena_space_give_back(u8* base, u64 bytes, u64 used) {
    if (!base) return true;
    bytes = vm_round_to_pages(std::max<u64>(bytes, 1));
    const bool discarded = vm_discard(base, vm_round_to_pages(std::min(used, bytes)));
    Space& s = space();
    std::lock_guard lock(s.mutex);
    const auto it = std::find_if(s.mappings.begin(), s.mappings.end(), [&](const SharedMapping& m) {
        return base >= m.base && base < m.base + m.bytes;
    });
    if (it == s.mappings.end()) return false;
    // The topmost range's space can be carved again; a hole lower down stays
    // until the whole mapping is empty (address space only, no memory).
    if (base + bytes == it->base + it->top) it->top -= bytes;
    if (--it->live > 0) return discarded;
    const bool released = vm_release(it->base, it->bytes);
    s.mappings.erase(it);
    return discarded && released;
}

u64 arena_space_mappings() {
    Space& s = space();
    std::lock_guard lock(s.mutex);
    return s.mappings.size();
}

#endif
