// Round trips through all three codecs: random rows of every length from 0
// to 1326, 32- and 16-bit, with and without reference rows, in one stream.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codec_test_support.h"
#include "codecs/codec.h"
#include "codecs/memory_channels.h"

namespace {

using codec_test::random_row;

struct Array {
    std::vector<u32> values;
    std::vector<u32> ref;  // empty: no reference row
};

std::vector<Array> arrays_of_every_length(u32 seed, u32 limit) {
    std::mt19937 gen(seed);
    std::vector<Array> arrays;
    for (i32 n = 0; n <= kCodecMaxValues; ++n) {
        Array a;
        a.values = random_row(gen, n, limit);
        if (n % 3 != 0) {
            a.ref = codec_test::nearby_reference(gen, a.values);
            for (u32& x : a.ref) x = limit == 0xFFFFFFFFu ? x : x % (limit + 1);
        }
        arrays.push_back(std::move(a));
    }
    return arrays;
}

const u32* ref_of(const Array& a) {
    return a.ref.empty() ? nullptr : a.ref.data();
}

class CodecRoundTrip : public testing::TestWithParam<i32> {};

TEST_P(CodecRoundTrip, ThirtyTwoBitRows) {
    const std::vector<Array> arrays = arrays_of_every_length(100 + GetParam(), 0xFFFFFFFFu);
    CodecStats stats;
    const ChannelBytes bytes = codec_test::write_stream(
        GetParam(),
        [&](CodecWriter* w) {
            for (const Array& a : arrays) {
                codec_write_u32_array(w, a.values.data(), ref_of(a),
                                      static_cast<i32>(a.values.size()));
            }
        },
        &stats);
    EXPECT_EQ(stats.arrays, static_cast<u32>(kCodecMaxValues));
    EXPECT_EQ(stats.raw_bytes, 4u * kCodecMaxValues * (kCodecMaxValues + 1) / 2);
    EXPECT_GT(stats.reference_arrays, 0u);

    ChannelSource source(bytes);
    CodecReader* reader = codec_create_checked_decoder(ChannelSource::read, &source);
    ASSERT_NE(reader, nullptr);
    for (const Array& a : arrays) {
        const i32 n = static_cast<i32>(a.values.size());
        std::vector<u32> out(a.values.size() + 1, 0xABCDEF01u);
        codec_read_u32_array(reader, out.data(), ref_of(a), n);
        ASSERT_EQ(std::vector<u32>(out.begin(), out.begin() + n), a.values) << n;
        ASSERT_EQ(out[n], 0xABCDEF01u) << "wrote past the array, n = " << n;
    }
    codec_destroy(reader);
}

TEST_P(CodecRoundTrip, SixteenBitRows) {
    const std::vector<Array> arrays = arrays_of_every_length(200 + GetParam(), 0xFFFF);
    CodecStats stats;
    const ChannelBytes bytes = codec_test::write_stream(
        GetParam(),
        [&](CodecWriter* w) {
            for (const Array& a : arrays) {
                const std::vector<u16> v = codec_test::to_u16(a.values);
                const std::vector<u16> r = codec_test::to_u16(a.ref);
                codec_write_u16_array(w, v.data(), r.empty() ? nullptr : r.data(),
                                      static_cast<i32>(v.size()));
            }
        },
        &stats);
    // 16-bit arrays count 4 bytes per value all the same.
    EXPECT_EQ(stats.raw_bytes, 4u * kCodecMaxValues * (kCodecMaxValues + 1) / 2);

    // Codecs 0 and 1 read 16-bit arrays too: decoded as 32-bit and narrowed.
    ChannelSource source(bytes);
    CodecReader* reader = codec_create_decoder(ChannelSource::read, &source);
    ASSERT_NE(reader, nullptr);
    for (const Array& a : arrays) {
        const std::vector<u16> want = codec_test::to_u16(a.values);
        const std::vector<u16> r = codec_test::to_u16(a.ref);
        std::vector<u16> out(want.size(), 0xBEEF);
        codec_read_u16_array(reader, out.data(), r.empty() ? nullptr : r.data(),
                             static_cast<i32>(want.size()));
        ASSERT_EQ(out, want) << want.size();
    }
    codec_destroy(reader);
}

TEST_P(CodecRoundTrip, ReadingWithAnotherReferenceGivesOtherValues) {
    std::mt19937 gen(7);
    std::vector<u32> v = random_row(gen, 50, 1000);
    std::vector<u32> ref(v);
    for (u32& x : ref) x += 3;
    ref[10] += 1;
    const ChannelBytes bytes = codec_test::write_stream(
        GetParam(), [&](CodecWriter* w) { codec_write_u32_array(w, v.data(), ref.data(), 50); });
    ChannelSource source(bytes);
    CodecReader* reader = codec_create_decoder(ChannelSource::read, &source);
    std::vector<u32> out(50);
    codec_read_u32_array(reader, out.data(), nullptr, 50);
    EXPECT_NE(out, v);
    codec_destroy(reader);
}

INSTANTIATE_TEST_SUITE_P(AllCodecs, CodecRoundTrip, testing::Values(0, 1, 2));

}  // namespace
