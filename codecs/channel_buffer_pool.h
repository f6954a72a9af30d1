// Per-thread pool of the working memory of codec-2 objects: 24 channel blocks
// of 64 KB and one block-coder scratch of FSE_compressBound(65536) bytes.
//
// Coded arenas create an encoder or decoder for every block they open or
// close, thousands of times per solver pass, so the 1.6 MB of buffers are
// leased from a pool of the thread that creates the object instead of being
// allocated each time. A lease goes back to the pool of the thread that ends
// it; each thread keeps a few sets and frees the rest.
#pragma once

#include "codecs/codec.h"
#include "codecs/fse/fse.h"

constexpr i32 kChannelBlockBytes = 65536;
// The largest coded block a channel can hold.
constexpr i32 kChannelScratchBytes = static_cast<i32>(FSE_compressBound(kChannelBlockBytes));

class ChannelBufferLease {
public:
    ChannelBufferLease();
    ~ChannelBufferLease();
    ChannelBufferLease(const ChannelBufferLease&) = delete;
    ChannelBufferLease& operator=(const ChannelBufferLease&) = delete;

    // Channel c's block, c in 0..23; then the scratch.
    u8* channel(i32 c) const { return memory_ + static_cast<i64>(c) * kChannelBlockBytes; }
    u8* scratch() const { return memory_ + kCodecChannels * static_cast<i64>(kChannelBlockBytes); }

private:
    u8* memory_;
};

// Sets kept by the calling thread's pool, for tests.
i32 pooled_channel_buffer_sets();
