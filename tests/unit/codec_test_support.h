// Helpers of the codec tests: streams written into memory channels, rows of
// random values with the magnitudes that reach every code form, and a writer
// that records what the front end hands to a codec.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "codecs/codec.h"
#include "codecs/memory_channels.h"

namespace codec_test {

// Writes a stream with codec `id` (codec 0 gets a histogram of small codes)
// and returns its channels after the writer is destroyed.
inline ChannelBytes write_stream(i32 id, const std::function<void(CodecWriter*)>& writes,
                                 CodecStats* stats = nullptr) {
    ChannelBytes bytes;
    CodecStats own;
    std::vector<u64> histogram(256, 0), gather(256, 0);
    for (i32 b = 0; b < 256; ++b) histogram[b] = 4096u >> (b / 16);
    CodecWriter* writer = codec_create_encoder(id, histogram.data(), gather.data(),
                                               ChannelBytes::append, &bytes, stats ? stats : &own);
    EXPECT_NE(writer, nullptr);
    writes(writer);
    codec_destroy(writer);
    return bytes;
}

// Hands arrays of codes straight to codec `id` (no front end), each with `flag`.
inline ChannelBytes encode_codes(i32 id, const std::vector<std::vector<u32>>& arrays,
                                 CodecStats* stats = nullptr, u32 flag = 0) {
    return write_stream(
        id,
        [&](CodecWriter* w) {
            for (const auto& codes : arrays)
                w->encode(codes.data(), static_cast<i32>(codes.size()), flag);
        },
        stats);
}

// Values that reach every code form: small steps, the one-byte and escape
// thresholds of each codec, and full 32-bit values.
inline std::vector<u32> random_row(std::mt19937& gen, i32 n, u32 limit = 0xFFFFFFFFu) {
    static const u32 thresholds[] = {0,          1,          14,         15,        16,    254,
                                     255,        256,        1023,       1024,      1025,  65534,
                                     65535,      65536,      66559,      66560,     66561, 1u << 24,
                                     0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
    std::vector<u32> row(static_cast<std::size_t>(n));
    const u32 style = gen() % 4;
    u32 v = gen();
    for (u32& x : row) {
        switch (style) {
            case 0:  // neighbours close together, like quantised regrets
                v += static_cast<u32>(static_cast<i32>(gen() % 7) - 3);
                x = v;
                break;
            case 1:
                x = thresholds[gen() % (sizeof thresholds / sizeof thresholds[0])];
                break;
            case 2:
                x = gen() % 3 == 0 ? gen() : 0;
                break;
            default:
                x = gen();
        }
        x = limit == 0xFFFFFFFFu ? x : x % (limit + 1);
    }
    return row;
}

inline std::vector<u16> to_u16(const std::vector<u32>& row) {
    return std::vector<u16>(row.begin(), row.end());
}

// A reference row near the values: most deltas agree, some do not.
inline std::vector<u32> nearby_reference(std::mt19937& gen, const std::vector<u32>& row) {
    std::vector<u32> ref(row);
    for (u32& x : ref) {
        if (gen() % 4 == 0) x += gen() % 5;
    }
    return ref;
}

}  // namespace codec_test
