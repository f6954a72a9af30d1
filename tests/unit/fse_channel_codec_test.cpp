// Codec 2: the channel bytes of known arrays, block forms and flushing, and
// the pooled buffers.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "codec_test_support.h"
#include "codecs/channel_buffer_pool.h"
#include "codecs/codec.h"
#include "codecs/memory_channels.h"

namespace {

using Bytes = std::vector<u8>;

using codec_test::encode_codes;

// The bytes of a channel that holds one raw (C = 0) or one-byte (C = 1) block.
Bytes payload(const ChannelBytes& bytes, int channel) {
    const Bytes& ch = bytes.channel[channel];
    EXPECT_GE(ch.size(), 9u) << "channel " << channel;
    if (ch.size() < 9) return {};
    const u32 r = ch[0] | ch[1] << 8 | ch[2] << 16 | static_cast<u32>(ch[3]) << 24;
    const u32 c = ch[4] | ch[5] << 8 | ch[6] << 16 | static_cast<u32>(ch[7]) << 24;
    EXPECT_LE(c, 1u) << "channel " << channel;
    EXPECT_EQ(ch.size() - 8, c == 1 ? 1 : r) << "channel " << channel;
    return c == 1 ? Bytes(r, ch[8]) : Bytes(ch.begin() + 8, ch.end());
}

TEST(FseChannelCodec, SingleValueStream) {
    const u32 v[] = {5};
    const ChannelBytes bytes = codec_test::write_stream(
        2, [&](CodecWriter* w) { codec_write_u32_array(w, v, nullptr, 1); });
    const Bytes want = {0x02,                              // id
                        1,    0, 0, 0, 0, 0, 0, 0, 0x00,   // ch0: flag 0
                        1,    0, 0, 0, 0, 0, 0, 0, 0x01,   // ch1: mask
                        1,    0, 0, 0, 0, 0, 0, 0, 0x09};  // ch2: code 10 - 1
    EXPECT_EQ(bytes.joined(), want);
}

TEST(FseChannelCodec, RepeatedBytesMakeOneByteBlocks) {
    const u32 zeros[9] = {};
    const ChannelBytes bytes = codec_test::write_stream(
        2, [&](CodecWriter* w) { codec_write_u32_array(w, zeros, nullptr, 9); });
    EXPECT_EQ(bytes.joined().size(), 19u);
    EXPECT_EQ(bytes.channel[1], (Bytes{2, 0, 0, 0, 1, 0, 0, 0, 0}));
}

TEST(FseChannelCodec, EscapedCodes) {
    CodecStats stats;
    const ChannelBytes bytes = encode_codes(2, {{600}}, &stats);
    EXPECT_EQ(payload(bytes, 2), Bytes{0xFF});
    EXPECT_EQ(payload(bytes, 18), Bytes{0x57});
    EXPECT_EQ(payload(bytes, 19), Bytes{0x02});
    EXPECT_EQ(stats.max_value, 599);

    // code - 1 = 254 still fits one byte; 255 escapes with 0xFF, 0x00.
    const ChannelBytes edge = encode_codes(2, {{255}, {256}});
    EXPECT_EQ(payload(edge, 2), (Bytes{0xFE, 0xFF}));
    EXPECT_EQ(payload(edge, 18), Bytes{0xFF});
    EXPECT_EQ(payload(edge, 19), Bytes{0x00});

    const ChannelBytes wide = encode_codes(2, {{65535}, {65536}});
    EXPECT_EQ(payload(wide, 18), (Bytes{0xFE, 0xFF}));
    EXPECT_EQ(payload(wide, 19), (Bytes{0xFF, 0xFF}));
    for (int c = 20; c < 24; ++c) EXPECT_EQ(payload(wide, c), Bytes{u8(c < 22 ? 0xFF : 0)});
}

TEST(FseChannelCodec, ContextsFollowThePreviousCode) {
    // w = 2 on context 0, then w = 19 on context 2, an escape on context 15,
    // w = 1 on context 15 (after an escape), w = 0 on context 1. The next
    // array starts on context 0 again.
    const ChannelBytes bytes = encode_codes(2, {{3, 20, 0, 1000, 2, 1}, {5}});
    EXPECT_EQ(payload(bytes, 2), (Bytes{2, 4}));
    EXPECT_EQ(payload(bytes, 4), Bytes{19});
    EXPECT_EQ(payload(bytes, 17), (Bytes{255, 1}));
    EXPECT_EQ(payload(bytes, 3), Bytes{0});
    EXPECT_EQ(payload(bytes, 1), (Bytes{0x3B, 0x01}));
}

TEST(FseChannelCodec, MaskBytesPerGroupOfEight) {
    const ChannelBytes eight = encode_codes(2, {std::vector<u32>(8, 0)});
    EXPECT_EQ(eight.channel[1], (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0}));
    const ChannelBytes nine = encode_codes(2, {{0, 0, 0, 0, 0, 0, 0, 0, 1}});
    EXPECT_EQ(payload(nine, 1), (Bytes{0x00, 0x01}));
}

TEST(FseChannelCodec, AnEncoderWithoutArraysWritesOnlyItsId) {
    const ChannelBytes bytes = encode_codes(2, {});
    EXPECT_EQ(bytes.joined(), Bytes{2});
}

TEST(FseChannelCodec, BlockFormsOnTheirChannels) {
    // 256 escaped codes whose low bytes all differ: an incompressible block
    // is stored raw (C = 0).
    std::vector<u32> codes;
    for (u32 w = 255; w < 511; ++w) codes.push_back(w + 1);
    const ChannelBytes bytes = encode_codes(2, {codes});
    const Bytes low = payload(bytes, 18);
    ASSERT_EQ(low.size(), 256u);
    EXPECT_EQ(low[0], 0xFF);
    EXPECT_EQ(low[1], 0x00);

    // A long skewed mask channel compresses (C > 1) and reads back.
    std::mt19937 gen(3);
    std::vector<u32> sparse(1320);
    for (u32& c : sparse) c = gen() % 16 == 0 ? 1 : 0;
    std::vector<std::vector<u32>> arrays(40, sparse);
    const ChannelBytes skewed = encode_codes(2, arrays);
    const Bytes& masks = skewed.channel[1];
    ASSERT_GE(masks.size(), 8u);
    const i32 c = static_cast<i32>(masks[4] | masks[5] << 8 | masks[6] << 16 | masks[7] << 24);
    EXPECT_GT(c, 1);
    EXPECT_EQ(masks.size(), 8u + static_cast<u32>(c));
    ChannelSource source(skewed);
    CodecReader* reader = codec_create_checked_decoder(ChannelSource::read, &source);
    for (const auto& want : arrays) {
        std::vector<u32> out(want.size());
        codec_read_u32_array(reader, out.data(), nullptr, static_cast<i32>(out.size()));
        std::vector<u32> codes_out(out.size());
        // The values are prefix sums of the codes' deltas; compare the codes.
        u32 previous = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            codes_out[i] = ((out[i] - previous) << 1) ^
                           static_cast<u32>(static_cast<i32>(out[i] - previous) >> 31);
            previous = out[i];
        }
        ASSERT_EQ(codes_out, want);
    }
    codec_destroy(reader);
}

// Records each callback call: which channel and how many bytes.
struct CallLog {
    std::vector<std::pair<i32, i32>> calls;
    ChannelBytes bytes;
    static void fn(void* self, i32 channel, void* data, i32 length) {
        auto* log = static_cast<CallLog*>(self);
        log->calls.emplace_back(channel, length);
        ChannelBytes::append(&log->bytes, channel, data, length);
    }
};

TEST(FseChannelCodec, TheBlockFillingByteFlushesAtOnce) {
    CallLog log;
    CodecStats stats;
    CodecWriter* w = codec_create_encoder(2, nullptr, nullptr, CallLog::fn, &log, &stats);
    const u32 zeros[8] = {};
    // Each array puts one flag byte on channel 0 and one mask byte on channel 1.
    for (int k = 0; k < 65535; ++k) w->encode(zeros, 8, 0);
    EXPECT_TRUE(log.bytes.channel[1].empty());
    w->encode(zeros, 8, 0);
    EXPECT_EQ(log.bytes.channel[1], (Bytes{0, 0, 1, 0, 1, 0, 0, 0, 0}));
    w->encode(zeros, 8, 0);
    codec_destroy(w);
    EXPECT_EQ(log.bytes.channel[1],
              (Bytes{0, 0, 1, 0, 1, 0, 0, 0, 0, /* next block */ 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    // The destructor flushes channels in order, 0 first.
    ASSERT_GE(log.calls.size(), 4u);
    const std::size_t last = log.calls.size();
    EXPECT_EQ(log.calls[last - 4].first, 0);
    EXPECT_EQ(log.calls[last - 2].first, 1);
    EXPECT_EQ(stats.arrays, 65537u);
    EXPECT_EQ(stats.raw_bytes, 65537u * 32);
}

TEST(FseChannelCodec, BuffersComeFromAPoolOfTheThread) {
    {
        ChannelBytes bytes;
        codec_destroy(
            codec_create_encoder(2, nullptr, nullptr, ChannelBytes::append, &bytes, nullptr));
    }
    const i32 kept = pooled_channel_buffer_sets();
    EXPECT_GE(kept, 1);
    std::vector<ChannelBytes> channels(20);
    std::vector<CodecWriter*> writers;
    for (ChannelBytes& c : channels) {
        writers.push_back(
            codec_create_encoder(2, nullptr, nullptr, ChannelBytes::append, &c, nullptr));
    }
    EXPECT_EQ(pooled_channel_buffer_sets(), 0);
    for (CodecWriter* w : writers) codec_destroy(w);
    EXPECT_LE(pooled_channel_buffer_sets(), 8);
    EXPECT_GE(pooled_channel_buffer_sets(), kept);
}

TEST(FseChannelCodec, StatisticsOfTheWriter) {
    CodecStats stats;
    codec_test::write_stream(
        2,
        [&](CodecWriter* w) {
            const u16 v[] = {1, 2, 300};
            const u16 ref[] = {1, 2, 300};
            codec_write_u16_array(w, v, ref, 3);
            const u32 big[] = {0, 70000};
            codec_write_u32_array(w, big, nullptr, 2);
        },
        &stats);
    EXPECT_EQ(stats.arrays, 2u);
    EXPECT_EQ(stats.reference_arrays, 1u);
    EXPECT_EQ(stats.raw_bytes, 20u);
    EXPECT_EQ(stats.max_value, 139999);
}

}  // namespace
