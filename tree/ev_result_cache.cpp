#include "tree/ev_result_cache.h"

namespace {

constexpr std::size_t kStartBuckets = 8;
constexpr float kMaxLoadFactor = 1.0f;

std::size_t mix(std::size_t h, u64 v) {
    // The 64-bit golden-ratio multiplier spreads keys that differ in few bits.
    return (h ^ v) * 0x9E3779B97F4A7C15ull + (h >> 29);
}

}  // namespace

bool EvCacheKey::operator==(const EvCacheKey& other) const {
    return mask == other.mask && values[0] == other.values[0] && values[1] == other.values[1] &&
           values[2] == other.values[2];
}

std::size_t EvCacheKeyHash::operator()(const EvCacheKey& key) const {
    std::size_t h = mix(0, key.mask);
    for (const u32 v : key.values) h = mix(h, v);
    return h;
}

EvResultCache::EvResultCache() : table_(kStartBuckets) {
    table_.max_load_factor(kMaxLoadFactor);
}

const CachedEvResult* EvResultCache::find(i32 iteration, const EvCacheKey& key) const {
    if (iteration >= 0 && iteration != owner_) return nullptr;
    const auto found = table_.find(key);
    return found == table_.end() ? nullptr : &found->second;
}

CachedEvResult& EvResultCache::insert(i32 iteration, const EvCacheKey& key) {
    if (iteration != owner_) {
        empty();
        owner_ = iteration;
    }
    return table_[key];
}

void EvResultCache::empty() {
    owner_ = -1;
    // A fresh table: clear() alone keeps the grown bucket array.
    table_ = std::unordered_map<EvCacheKey, CachedEvResult, EvCacheKeyHash>(kStartBuckets);
    table_.max_load_factor(kMaxLoadFactor);
}

const CachedEvResult* find_cached_result(const EvResultCache& cache, i32 iteration, u64 mask, u32 a,
                                         u32 b, u32 c) {
    EvCacheKey key;
    key.mask = mask;
    key.values[0] = a;
    key.values[1] = b;
    key.values[2] = c;
    return cache.find(iteration, key);
}
