// Readers over data from outside: a checked reader answers every damaged,
// truncated or foreign stream with `CodecError` and never crashes; the
// unchecked reader of the process's own data ends the process with
// "fse error" on a damaged block.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec_test_support.h"
#include "codecs/codec.h"
#include "codecs/memory_channels.h"

namespace {

using Bytes = std::vector<u8>;

struct Written {
    ChannelBytes bytes;
    std::vector<std::vector<u32>> arrays;
};

// A stream whose arrays reach every channel of the codec.
Written sample_stream(i32 id, u32 seed) {
    std::mt19937 gen(seed);
    Written w;
    for (int k = 0; k < 12; ++k) w.arrays.push_back(codec_test::random_row(gen, 1 + gen() % 300));
    // Codes 1 to 17 visit every context; 1000 and 70000 escape.
    std::vector<u32> codes = {1000, 70000};
    for (u32 c = 1; c <= 17; ++c) codes.push_back(c);
    std::vector<u32> values;
    u32 sum = 0;
    for (u32 c : codes) values.push_back(sum += (c >> 1) ^ (0u - (c & 1)));
    w.arrays.push_back(values);
    w.bytes = codec_test::write_stream(id, [&](CodecWriter* writer) {
        for (const auto& a : w.arrays) {
            codec_write_u32_array(writer, a.data(), nullptr, static_cast<i32>(a.size()));
        }
    });
    return w;
}

// Reads `arrays`' lengths back; true when everything decoded, false on
// CodecError. Any other exception fails the test.
bool read_all(ChannelSource& source, const std::vector<std::vector<u32>>& arrays,
              bool* values_equal = nullptr) {
    CodecReader* reader = nullptr;
    bool equal = true;
    try {
        reader = codec_create_checked_decoder(ChannelSource::read, &source);
        for (const auto& a : arrays) {
            std::vector<u32> out(a.size());
            codec_read_u32_array(reader, out.data(), nullptr, static_cast<i32>(a.size()));
            equal = equal && out == a;
        }
    } catch (const CodecError&) {
        codec_destroy(reader);
        return false;
    }
    codec_destroy(reader);
    if (values_equal) *values_equal = equal;
    return true;
}

void put_le32(Bytes& out, u32 v) {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<u8>(v >> (8 * k)));
}

std::string error_of(ChannelSource& source, i32 n) {
    try {
        CodecReader* reader = codec_create_checked_decoder(ChannelSource::read, &source);
        std::vector<u32> out(n > 0 ? n : 1);
        try {
            codec_read_u32_array(reader, out.data(), nullptr, n);
        } catch (...) {
            codec_destroy(reader);
            throw;
        }
        codec_destroy(reader);
    } catch (const CodecError& e) {
        return e.what();
    }
    return "";
}

TEST(CodecHostileInput, UnknownIdsAndEmptyStreams) {
    const Bytes head = {7};
    ChannelSource source;
    source.set(0, head.data(), head.size());
    EXPECT_EQ(codec_create_decoder(ChannelSource::read, &source), nullptr);
    source.set(0, head.data(), head.size());
    EXPECT_EQ(error_of(source, 1), "unknown codec id");
    ChannelSource empty;
    EXPECT_EQ(error_of(empty, 1), "exhausted channel");
}

TEST(CodecHostileInput, WrongMagicIsRefusedBeforeTheHistogram) {
    Bytes stream = {0, 'C', 'm', 'p', 'x'};
    stream.resize(stream.size() + 2048 + 5);
    ChannelSource source;
    source.set(0, stream.data(), stream.size());
    EXPECT_EQ(error_of(source, 1), "compressor wrong id");
    EXPECT_EQ(source.remaining(0), 2048u + 5u);
    // The unchecked factory refuses it the same way.
    source.set(0, stream.data(), stream.size());
    EXPECT_THROW(codec_create_decoder(ChannelSource::read, &source), CodecError);
}

TEST(CodecHostileInput, ArraysAboveTheHandCountAreRefused) {
    const Written w = sample_stream(2, 1);
    ChannelSource source(w.bytes);
    EXPECT_EQ(error_of(source, 1327), "array too long");
}

TEST(CodecHostileInput, BadBlockSizes) {
    struct Case {
        u32 raw;
        i32 coded;
    };
    const Case cases[] = {{0, 0},     {65537, 0}, {0xFFFFFFFFu, 0}, {0, 1},
                          {70000, 1}, {10, 523},  {10, 0x7FFFFFFF}, {65536, 66561}};
    for (const Case& c : cases) {
        Bytes ch0 = {2};
        put_le32(ch0, c.raw);
        put_le32(ch0, static_cast<u32>(c.coded));
        ch0.resize(ch0.size() + 70000, 0);
        ChannelSource source;
        source.set(0, ch0.data(), ch0.size());
        EXPECT_EQ(error_of(source, 1), "damaged stream") << c.raw << " " << c.coded;
    }
}

TEST(CodecHostileInput, CodedBlocksMustDecodeToTheirRawSize) {
    // A compressible mask channel, then its raw size made one too small and
    // one too large.
    std::vector<std::vector<u32>> arrays(40, std::vector<u32>(1320, 0));
    std::mt19937 gen(5);
    for (auto& a : arrays) {
        for (u32& c : a) c = gen() % 16 == 0 ? 2 : 0;
    }
    ChannelBytes bytes = codec_test::write_stream(2, [&](CodecWriter* w) {
        for (const auto& a : arrays) w->encode(a.data(), 1320, 0);
    });
    Bytes& masks = bytes.channel[1];
    ASSERT_GT(static_cast<i32>(masks[4] | masks[5] << 8), 1);
    const u32 raw = masks[0] | masks[1] << 8 | masks[2] << 16;
    for (u32 wrong : {raw - 1, raw + 1}) {
        for (int k = 0; k < 4; ++k) masks[k] = static_cast<u8>(wrong >> (8 * k));
        ChannelSource source(bytes);
        EXPECT_FALSE(read_all(source, arrays)) << wrong;
    }
}

TEST(CodecHostileInput, EveryTruncationOfACodecTwoStreamIsRefused) {
    const Written w = sample_stream(2, 2);
    for (int c = 0; c < kCodecChannels; ++c) {
        const std::size_t size = w.bytes.channel[c].size();
        ASSERT_GT(size, 0u) << "channel " << c << " unused by the sample";
        for (std::size_t cut = 0; cut < size; ++cut) {
            ChannelSource source(w.bytes);
            source.set(c, w.bytes.channel[c].data(), cut);
            ASSERT_FALSE(read_all(source, w.arrays)) << c << " " << cut;
        }
    }
    ChannelSource whole(w.bytes);
    bool equal = false;
    EXPECT_TRUE(read_all(whole, w.arrays, &equal));
    EXPECT_TRUE(equal);
}

TEST(CodecHostileInput, TruncatedRangeAndBitPackStreamsNeverCrash) {
    for (i32 id : {0, 1}) {
        const Written w = sample_stream(id, 3);
        for (int c = 0; c < 3; ++c) {
            const std::size_t size = w.bytes.channel[c].size();
            for (std::size_t cut = 0; cut < size; cut += 1 + cut / 8) {
                ChannelSource source(w.bytes);
                source.set(c, w.bytes.channel[c].data(), cut);
                read_all(source, w.arrays);
            }
        }
    }
}

TEST(CodecHostileInput, DamagedBytesGiveAnErrorOrWrongValues) {
    for (i32 id : {0, 1, 2}) {
        const Written w = sample_stream(id, 4);
        for (int c = 0; c < kCodecChannels; ++c) {
            const Bytes& original = w.bytes.channel[c];
            for (std::size_t at = 0; at < original.size(); at += 1 + at / 16) {
                for (u8 flip : {u8{0xFF}, u8{0x01}, u8{0x80}}) {
                    ChannelBytes damaged = w.bytes;
                    damaged.channel[c][at] ^= flip;
                    ChannelSource source(damaged);
                    read_all(source, w.arrays);
                }
            }
        }
    }
}

TEST(CodecHostileInput, RandomStreamsNeverCrash) {
    std::mt19937 gen(9);
    for (int round = 0; round < 600; ++round) {
        ChannelBytes bytes;
        bytes.channel[0] = round % 3 == 0 ? Bytes{0, 'C', 'm', 'p', 'r'} : Bytes{u8(round % 3)};
        for (auto& ch : bytes.channel) {
            const std::size_t blocks = gen() % 3;
            for (std::size_t b = 0; b < blocks; ++b) {
                // Plausible block headers with small sizes and any coded size.
                put_le32(ch, 1 + gen() % 600);
                put_le32(ch, static_cast<u32>(static_cast<i32>(gen() % 700) - 100));
                const std::size_t payload = gen() % 2600;
                for (std::size_t k = 0; k < payload; ++k) ch.push_back(static_cast<u8>(gen()));
            }
        }
        std::vector<std::vector<u32>> arrays;
        for (int k = 0; k < 5; ++k) arrays.emplace_back(1 + gen() % kCodecMaxValues);
        ChannelSource source(bytes);
        read_all(source, arrays);
    }
}

TEST(CodecHostileInputDeathTest, TheUncheckedReaderEndsTheProcessOnADamagedBlock) {
    Bytes ch0 = {2};
    put_le32(ch0, 65537);
    put_le32(ch0, 0);
    ch0.resize(ch0.size() + 70000, 0);
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            ChannelSource source;
            source.set(0, ch0.data(), ch0.size());
            CodecReader* reader = codec_create_decoder(ChannelSource::read, &source);
            u32 out[1];
            codec_read_u32_array(reader, out, nullptr, 1);
        },
        testing::ExitedWithCode(1), "^fse error\n$");
}

}  // namespace
