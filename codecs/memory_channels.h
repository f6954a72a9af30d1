// Codec channels held in memory, for owners that keep each channel as a
// buffer of its own (tests, benchmarks, the tree archive reader).
// `ChannelBytes` collects what a writer appends; `ChannelSource` serves byte
// ranges to a reader and throws `CodecError("exhausted channel")` instead of
// reading past the end of one, which makes a checked reader safe on any input.
#pragma once

#include <cstddef>
#include <vector>

#include "codecs/codec.h"

struct ChannelBytes {
    std::vector<u8> channel[kCodecChannels];

    // A `ChannelFn` appending to the `ChannelBytes` given as context.
    static void append(void* self, i32 channel, void* data, i32 length);
    // Channels 0 to 23 one after the other.
    std::vector<u8> joined() const;
};

class ChannelSource {
public:
    ChannelSource() = default;
    // Reads the channels of `bytes`, which must outlive the source.
    explicit ChannelSource(const ChannelBytes& bytes);

    void set(i32 channel, const u8* data, std::size_t size);
    // A `ChannelFn` reading from the `ChannelSource` given as context.
    static void read(void* self, i32 channel, void* data, i32 length);
    std::size_t remaining(i32 channel) const;

private:
    const u8* data_[kCodecChannels] = {};
    std::size_t size_[kCodecChannels] = {};
    std::size_t position_[kCodecChannels] = {};
};
