// Output side of the 24-channel FSE codec (codec 2): the channel blocks that
// encoded bytes collect in, each compressed and handed to the channel
// callback when it holds 64 KB and when the encoder is destroyed. Its `put`
// is the encoder's hot path and is inlined into both processor variants of
// the encoding kernel (codecs/codec_kernels.h).
#pragma once

#include "codecs/channel_buffer_pool.h"
#include "codecs/codec.h"

// Channel numbers of codec 2.
constexpr u32 kFlagChannel = 0;
constexpr u32 kMaskChannel = 1;
constexpr u32 kFirstContextChannel = 2;  // 16 channels, one per context
constexpr u32 kEscapeLowChannel = 18;
constexpr u32 kEscapeHighChannel = 19;
constexpr u32 kEscapeWideChannel = 20;  // 20-23: bytes of a 32-bit value

class FseChannelSink {
public:
    FseChannelSink(ChannelCallback callback, CodecStats* stats);
    // Flushes every channel that holds a byte, in channel order.
    ~FseChannelSink();
    FseChannelSink(const FseChannelSink&) = delete;
    FseChannelSink& operator=(const FseChannelSink&) = delete;

    void put(u32 channel, u32 byte) {
        u32 count = count_[channel];
        buffers_.channel(static_cast<i32>(channel))[count] = static_cast<u8>(byte);
        count_[channel] = ++count;
        if (count == kChannelBlockBytes) flush(channel);
    }

    // A code whose w = code - 1 is 255 or more: the escape byte on the
    // context channel, then the value on the escape channels.
    void put_escape(u32 context, u32 w);

private:
    void flush(u32 channel);

    ChannelBufferLease buffers_;
    u32 count_[kCodecChannels] = {};
    ChannelCallback callback_;
    CodecStats* stats_;
};
