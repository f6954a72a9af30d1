// Codecs 0 ("Cmpr" range coder) and 1 (bit packing): stream layout, the
// symbol tree, block bits, escapes and statistics.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codec_test_support.h"
#include "codecs/codec.h"
#include "codecs/memory_channels.h"
#include "codecs/range_coder_codec.h"

namespace {

using Bytes = std::vector<u8>;

using codec_test::encode_codes;

// Reads arrays of the given codes back without a reference row and returns
// the codes they were written with (the zigzag deltas of the values).
std::vector<std::vector<u32>> decode_codes(const ChannelBytes& bytes,
                                           const std::vector<std::vector<u32>>& shape) {
    ChannelSource source(bytes);
    CodecReader* reader = codec_create_checked_decoder(ChannelSource::read, &source);
    std::vector<std::vector<u32>> result;
    for (const auto& a : shape) {
        std::vector<u32> out(a.size());
        codec_read_u32_array(reader, out.data(), nullptr, static_cast<i32>(out.size()));
        u32 previous = 0;
        for (u32& v : out) {
            const u32 d = v - previous;
            previous = v;
            v = (d << 1) ^ static_cast<u32>(static_cast<i32>(d) >> 31);
        }
        result.push_back(out);
    }
    codec_destroy(reader);
    return result;
}

// Every symbol's walk down the tree ends on that symbol, and each of the
// 1023 entries is met.
void expect_tree_covers_every_symbol(const SymbolTree& tree) {
    std::vector<bool> used(1023, false);
    for (u32 s = 0; s < 1024; ++s) {
        u32 node = 0, lo = 0, hi = 1024;
        while (hi - lo > 1) {
            ASSERT_LT(node, 1023u);
            used[node] = true;
            const u32 split = tree.nodes[node].split;
            ASSERT_GT(split, lo);
            ASSERT_LT(split, hi);
            if (s >= split) {
                lo = split;
                node = tree.nodes[node].right;
            } else {
                hi = split;
                node += 1;
            }
        }
        ASSERT_EQ(lo, s);
    }
    for (u32 k = 0; k < 1023; ++k) EXPECT_TRUE(used[k]) << k;
}

TEST(RangeCoderCodec, StreamHead) {
    std::vector<u64> histogram(256, 0);
    histogram[3] = 0x0102030405060708ull;
    std::vector<u64> gather(256, 77);
    ChannelBytes bytes;
    CodecStats stats;
    CodecWriter* w = codec_create_encoder(0, histogram.data(), gather.data(), ChannelBytes::append,
                                          &bytes, &stats);
    EXPECT_EQ(gather, std::vector<u64>(256, 0));
    codec_destroy(w);
    const Bytes& ch0 = bytes.channel[0];
    ASSERT_EQ(ch0.size(), 1u + 4 + 2048 + 5);
    EXPECT_EQ(ch0[0], 0);
    EXPECT_EQ(std::memcmp(ch0.data() + 1, "Cmpr", 4), 0);
    EXPECT_EQ(Bytes(ch0.begin() + 5 + 24, ch0.begin() + 5 + 32), (Bytes{8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(RangeCoderCodec, SymbolTrees) {
    i64 histogram[256] = {};
    SymbolTree tree;
    create_optimal_tree(histogram, tree);
    EXPECT_EQ(tree.nodes[0].split, 512);
    expect_tree_covers_every_symbol(tree);

    histogram[40] = 1000;
    create_optimal_tree(histogram, tree);
    EXPECT_EQ(tree.nodes[0].split, 41);
    expect_tree_covers_every_symbol(tree);

    histogram[40] = 0;
    histogram[255] = 5;
    create_optimal_tree(histogram, tree);
    EXPECT_EQ(tree.nodes[0].split, 255);
    expect_tree_covers_every_symbol(tree);

    // Counts from a file can be anything, overflowing sums included.
    for (i32 b = 0; b < 256; ++b) histogram[b] = b % 2 ? INT64_MAX : -7 * b;
    create_optimal_tree(histogram, tree);
    expect_tree_covers_every_symbol(tree);
    for (i32 b = 0; b < 256; ++b) histogram[b] = i64{1} << (62 - b / 5);
    create_optimal_tree(histogram, tree);
    expect_tree_covers_every_symbol(tree);
}

TEST(RangeCoderCodec, ZeroCodesRestoreFromTheReference) {
    const std::vector<u32> zeros(16, 0);
    for (u32 flag : {0u, 1u}) {
        CodecStats stats;
        const ChannelBytes bytes = encode_codes(0, {zeros}, &stats, flag);
        EXPECT_EQ(stats.blocks, 1u);
        EXPECT_EQ(stats.zero_blocks, 1u);
        std::vector<u32> ref(16);
        for (u32 i = 0; i < 16; ++i) ref[i] = 100 + i * i;
        ChannelSource source(bytes);
        CodecReader* reader = codec_create_decoder(ChannelSource::read, &source);
        std::vector<u32> out(16);
        codec_read_u32_array(reader, out.data(), ref.data(), 16);
        EXPECT_EQ(out, flag ? ref : std::vector<u32>(16, 100));
        codec_destroy(reader);
    }
}

TEST(RangeCoderCodec, BlocksOfSixteenAndStatistics) {
    CodecStats stats;
    std::vector<u32> a(32, 0), b(33, 0);
    a[20] = 5;
    b[32] = 1023;
    const std::vector<std::vector<u32>> arrays = {a, b, {1024, 66560, 66561, 0xFFFFFFFFu, 7}};
    const ChannelBytes bytes = encode_codes(0, arrays, &stats);
    EXPECT_EQ(stats.blocks, 2u + 3u + 1u);
    EXPECT_EQ(stats.zero_blocks, 1u + 2u);
    EXPECT_EQ(stats.tree_values, 3u);
    EXPECT_EQ(stats.escaped_values, 4u);
    EXPECT_EQ(stats.value_sum, 5u + 1023 + 1024 + 66560 + 66561 + 0xFFFFFFFFull + 7);
    EXPECT_EQ(stats.max_value, 66560);  // 0xFFFFFFFE is negative as a signed number
    EXPECT_EQ(stats.arrays, 3u);
    EXPECT_EQ(decode_codes(bytes, arrays), arrays);
}

TEST(RangeCoderCodec, GatherCountsCodedSymbols) {
    std::vector<u64> histogram(256, 1), gather(256, 0);
    ChannelBytes bytes;
    CodecWriter* w = codec_create_encoder(0, histogram.data(), gather.data(), ChannelBytes::append,
                                          &bytes, nullptr);
    const u32 codes[] = {1, 1, 0, 255, 256, 300000};
    w->encode(codes, 6, 0);
    codec_destroy(w);
    EXPECT_EQ(gather[0], 2u);
    EXPECT_EQ(gather[254], 1u);
    EXPECT_EQ(gather[255], 2u);
}

TEST(BitPackCodec, ShortestArrays) {
    const ChannelBytes bytes = encode_codes(1, {{0}});
    EXPECT_EQ(bytes.channel[0], Bytes{1});
    ASSERT_EQ(bytes.channel[1].size(), 256u);
    EXPECT_EQ(bytes.channel[1], Bytes(256, 0));
    EXPECT_TRUE(bytes.channel[2].empty());

    const ChannelBytes eight = encode_codes(1, {std::vector<u32>(8, 1)});
    EXPECT_EQ(eight.channel[1][0], 0xFE);  // flag 0, group bit, eight value bits
    EXPECT_EQ(eight.channel[1][1], 0x03);
    const ChannelBytes nine = encode_codes(1, {std::vector<u32>(9, 1)});
    EXPECT_EQ(nine.channel[1][1], 0x0F);  // a tail group of one: its bit and its value bit
}

TEST(BitPackCodec, NibblesAndEscapes) {
    CodecStats stats;
    const ChannelBytes bytes =
        encode_codes(1, {{15}, {16}, {255}, {256}, {65535}, {65536}}, &stats);
    const Bytes& nibbles = bytes.channel[2];
    ASSERT_EQ(nibbles.size(), 256u);
    EXPECT_EQ(nibbles[0], 0xFE);  // 14, then 15
    EXPECT_EQ(nibbles[1], 0xFF);
    EXPECT_EQ(nibbles[2], 0xFF);
    const Bytes& escapes = bytes.channel[0];
    ASSERT_EQ(escapes.size(), 1u + 256);
    const Bytes want = {15,  254,  255,  0xFF, 0x00, 255, 0xFE, 0xFF,
                        255, 0xFF, 0xFF, 0xFF, 0xFF, 0,   0};
    EXPECT_EQ(Bytes(escapes.begin() + 1, escapes.begin() + 1 + want.size()), want);
    EXPECT_EQ(stats.max_value, 65535);
    EXPECT_EQ(decode_codes(bytes, {{15}, {16}, {255}, {256}, {65535}, {65536}}),
              (std::vector<std::vector<u32>>{{15}, {16}, {255}, {256}, {65535}, {65536}}));
}

TEST(BitPackCodec, EscapeNumbersRunAcrossBlocks) {
    std::vector<u32> codes(254, 17);  // one escape byte each
    codes.push_back(257);             // 255, then 256 as a 16-bit number
    const ChannelBytes bytes = encode_codes(1, {codes});
    const Bytes& ch0 = bytes.channel[0];
    ASSERT_EQ(ch0.size(), 1u + 512);
    EXPECT_EQ(ch0[1 + 254], 255);
    EXPECT_EQ(ch0[1 + 255], 0x00);
    EXPECT_EQ(ch0[1 + 256], 0x01);
    EXPECT_EQ(decode_codes(bytes, {codes}), (std::vector<std::vector<u32>>{codes}));
}

TEST(BitPackCodec, AFullBlockIsNotWrittenTwice) {
    // 1024 arrays of eight zeros: two bits each fill exactly one bit block.
    const ChannelBytes bytes =
        encode_codes(1, std::vector<std::vector<u32>>(1024, std::vector<u32>(8, 0)));
    EXPECT_EQ(bytes.channel[1].size(), 256u);
}

}  // namespace
