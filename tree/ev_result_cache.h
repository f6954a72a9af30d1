// The expected-value result cache that a tree keeps for the queries: per-hand
// result pairs keyed by a card mask and three 32-bit values, valid for one
// iteration of the tree (its owner iteration). The queries may insert
// entries; the split solves and the solve of all splits empty the cache,
// because the data that the entries came from has changed.
#pragma once

#include <cstddef>
#include <unordered_map>

#include "cards/hand_arrays.h"
#include "platform/int_types.h"

struct EvCacheKey {
    u64 mask = 0;
    u32 values[3] = {0, 0, 0};

    bool operator==(const EvCacheKey& other) const;
};

struct EvCacheKeyHash {
    std::size_t operator()(const EvCacheKey& key) const;
};

// An owned pair of per-hand arrays.
struct CachedEvResult {
    DoubleArray first;
    DoubleArray second;
};

class EvResultCache {
public:
    EvResultCache();

    // The entry of the key, or null. A lookup with an iteration of 0 or more
    // that differs from the owner iteration finds nothing; a negative one
    // looks whatever the owner.
    const CachedEvResult* find(i32 iteration, const EvCacheKey& key) const;
    // The entry of the key for `iteration`, empty when new. A cache owned by
    // another iteration is emptied first.
    CachedEvResult& insert(i32 iteration, const EvCacheKey& key);
    // Owner iteration -1, no entries, the table back to its starting size.
    void empty();

    i32 owner_iteration() const { return owner_; }
    std::size_t size() const { return table_.size(); }
    std::size_t bucket_count() const { return table_.bucket_count(); }

private:
    i32 owner_ = -1;
    std::unordered_map<EvCacheKey, CachedEvResult, EvCacheKeyHash> table_;
};

const CachedEvResult* find_cached_result(const EvResultCache& cache, i32 iteration, u64 mask, u32 a,
                                         u32 b, u32 c);
