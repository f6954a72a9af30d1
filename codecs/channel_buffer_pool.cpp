#include "codecs/channel_buffer_pool.h"

#include <vector>

namespace {

constexpr i64 kSetBytes =
    kCodecChannels * static_cast<i64>(kChannelBlockBytes) + kChannelScratchBytes;
// More than any thread holds at once (a river chance node keeps a reader or
// writer per store kind and player open).
constexpr std::size_t kKeptSets = 8;

// Reserved up front, so that ending a lease never allocates.
struct ThreadPool {
    std::vector<u8*> free_sets;
    ThreadPool() { free_sets.reserve(kKeptSets); }
    ~ThreadPool() {
        for (u8* set : free_sets) delete[] set;
    }
};

ThreadPool& thread_pool() {
    thread_local ThreadPool pool;
    return pool;
}

}  // namespace

// Uninitialised on purpose: pages are touched only as far as the channels fill.
ChannelBufferLease::ChannelBufferLease() {
    ThreadPool& pool = thread_pool();
    if (pool.free_sets.empty()) {
        memory_ = new u8[kSetBytes];
        return;
    }
    memory_ = pool.free_sets.back();
    pool.free_sets.pop_back();
}

ChannelBufferLease::~ChannelBufferLease() {
    ThreadPool& pool = thread_pool();
    if (pool.free_sets.size() >= kKeptSets) {
        delete[] memory_;
        return;
    }
    pool.free_sets.push_back(memory_);
}

i32 pooled_channel_buffer_sets() {
    return static_cast<i32>(thread_pool().free_sets.size());
}
