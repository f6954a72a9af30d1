#include "storage/packed_row.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/cpu_features.h"

namespace {

using Bytes = std::vector<u8>;
using Unpack = const u8* (*)(u16*, i32, const u8*);

// The bytes that writer `fn` gives for the row, written into room for its
// largest encoding and a byte more.
template <class T>
Bytes pack_with(u8* (*fn)(u8*, const T*, i32), const std::vector<T>& values) {
    const i32 n = static_cast<i32>(values.size());
    const i64 bound = sizeof(T) == 2 ? packed_u16_row_max_bytes(n) : packed_u32_row_max_bytes(n);
    Bytes out(static_cast<std::size_t>(bound) + 1);
    const u8* end = fn(out.data(), values.data(), n);
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

Bytes pack(const std::vector<u16>& values) {
    return pack_with(pack_u16_row, values);
}

std::vector<std::pair<std::string, Unpack>> decoders() {
    std::vector<std::pair<std::string, Unpack>> list{{"generic", unpack_row_generic}};
    if (cpu_features().avx2_set) list.push_back({"avx2", unpack_row_avx2});
    return list;
}

// Decodes exactly `bytes` (no slack after them) and checks the end position.
template <class T>
std::vector<T> unpack_exact(const u8* (*fn)(T*, i32, const u8*), const Bytes& bytes, i32 n) {
    const Bytes buffer = bytes;  // exactly sized, so sanitizers see any over-read
    std::vector<T> out(static_cast<std::size_t>(n), static_cast<T>(0xDEADBEEFu));
    const u8* end = fn(out.data(), n, buffer.data());
    EXPECT_EQ(end, buffer.data() + buffer.size());
    return out;
}

TEST(PackedRow, WriterExamples) {
    EXPECT_EQ(pack(std::vector<u16>(32, 0)), Bytes{0x00});
    EXPECT_EQ(pack({1, 2, 3, 4, 5}), (Bytes{0x01, 1, 2, 3, 4, 5}));
    EXPECT_EQ(pack({1, 2, 3, 4, 300}),
              (Bytes{0x03, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x2C, 0x01}));
    EXPECT_TRUE(pack({}).empty());
}

TEST(PackedRow, SubgroupSelectorsFollowTheGroupMaximum) {
    const u16 maxima[] = {0, 255, 256, 4095, 4096};
    const u8 selectors[] = {0, 1, 2, 2, 3};
    for (int i = 0; i < 5; ++i) {
        std::vector<u16> values(32, 0);
        values[8] = maxima[i];  // sub-group 1
        EXPECT_EQ(pack(values)[0], selectors[i] << 2) << maxima[i];
    }
}

TEST(PackedRow, TailGroupsHaveNoZeroForm) {
    // 31 values: no control byte, groups of 8, 8, 8 and 7, each with selector 1.
    const Bytes bytes = pack(std::vector<u16>(31, 0));
    ASSERT_EQ(bytes.size(), 4u + 31u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[9], 1);
    EXPECT_EQ(bytes[18], 1);
    EXPECT_EQ(bytes[27], 1);
}

TEST(PackedRow, DecodesMixedControlByte) {
    // 0x06: selectors 2, 1, 0, 0 -> 12 + 8 bytes, then 16 zeros.
    Bytes bytes{0x06};
    const u16 twelve[8] = {0x123, 0xFFF, 0, 1, 0x800, 0x7FF, 0xABC, 0x0F0};
    for (int j = 0; j < 8; j += 2) {
        bytes.push_back(static_cast<u8>(twelve[j]));
        bytes.push_back(static_cast<u8>((twelve[j] >> 8) | (twelve[j + 1] << 4)));
        bytes.push_back(static_cast<u8>(twelve[j + 1] >> 4));
    }
    for (int j = 0; j < 8; ++j) bytes.push_back(static_cast<u8>(200 + j));
    for (const auto& [name, fn] : decoders()) {
        const std::vector<u16> out = unpack_exact(fn, bytes, 32);
        for (int j = 0; j < 8; ++j) EXPECT_EQ(out[j], twelve[j]) << name;
        for (int j = 0; j < 8; ++j) EXPECT_EQ(out[8 + j], 200 + j) << name;
        for (int j = 16; j < 32; ++j) EXPECT_EQ(out[j], 0) << name;
    }
}

TEST(PackedRow, FortyValuesAreOneBlockAndOneTailGroup) {
    std::vector<u16> values(40);
    for (int i = 0; i < 40; ++i) values[i] = static_cast<u16>(i * 7);
    const Bytes bytes = pack(values);
    // Values up to 217 fill the block with byte sub-groups; the tail (224 to
    // 273) needs 16 bits.
    ASSERT_EQ(bytes.size(), 1u + 32u + 1u + 16u);
    EXPECT_EQ(bytes[0], 0x55);
    EXPECT_EQ(bytes[33], 3);
    for (const auto& [name, fn] : decoders())
        EXPECT_EQ(unpack_exact(fn, bytes, 40), values) << name;
}

TEST(PackedRow, RandomRowsRoundTripWithinTheBound) {
    std::mt19937 gen(7);
    const int limits[] = {1, 256, 4096, 65536};
    for (int n : {0, 1, 7, 8, 9, 31, 32, 33, 63, 64, 100, 1081}) {
        for (int limit : limits) {
            std::uniform_int_distribution<int> value(0, limit - 1);
            std::vector<u16> values(static_cast<std::size_t>(n));
            for (auto& v : values) v = static_cast<u16>(gen() % 3 == 0 ? 0 : value(gen));
            const Bytes bytes = pack(values);
            EXPECT_LE(static_cast<i32>(bytes.size()), packed_u16_row_max_bytes(n));
            for (const auto& [name, fn] : decoders()) {
                EXPECT_EQ(unpack_exact(fn, bytes, n), values) << name << " n " << n;
            }
        }
    }
    EXPECT_EQ(packed_u16_row_max_bytes(1081), 2199);
    EXPECT_EQ(pack(std::vector<u16>(1081, 65535)).size(), 2199u);
}

TEST(PackedRow, FastPathBlocksMatchTheGeneralRule) {
    std::vector<u16> values(64, 0);
    for (int i = 32; i < 64; ++i) values[i] = static_cast<u16>(i * 3);  // all below 256
    const Bytes bytes = pack(values);
    ASSERT_EQ(bytes.size(), 2u + 32u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x55);
    for (const auto& [name, fn] : decoders())
        EXPECT_EQ(unpack_exact(fn, bytes, 64), values) << name;
}

// ---- 32-bit rows and the writer variants ----

using Pack32 = u8* (*)(u8*, const u32*, i32);
using Unpack32 = const u8* (*)(u32*, i32, const u8*);

std::vector<std::pair<std::string, Pack32>> writers32() {
    std::vector<std::pair<std::string, Pack32>> list{{"generic", pack_u32_row_generic}};
    if (cpu_features().avx2_set) list.push_back({"avx2", pack_u32_row_avx2});
    return list;
}

std::vector<std::pair<std::string, Unpack32>> decoders32() {
    std::vector<std::pair<std::string, Unpack32>> list{{"generic", unpack_u32_row_generic}};
    if (cpu_features().avx2_set) list.push_back({"avx2", unpack_u32_row_avx2});
    return list;
}

Bytes pack32(const std::vector<u32>& values) {
    return pack_with(pack_u32_row, values);
}

TEST(PackedRow32, WriterExamples) {
    EXPECT_EQ(pack32({1, 2, 3, 4, 300}),
              (Bytes{0x01, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x2C, 0x01}));
    EXPECT_EQ(pack32({0, 0, 0}), (Bytes{0x00, 0, 0, 0}));
    EXPECT_EQ(pack32({70000}), (Bytes{0x02, 0x70, 0x11, 0x01, 0x00}));
    EXPECT_EQ(pack32(std::vector<u32>(32, 0)), Bytes{0x00});
    EXPECT_TRUE(pack32({}).empty());
}

TEST(PackedRow32, GroupSelectorsFollowTheGroupMaximum) {
    const u32 maxima[] = {0, 255, 256, 65535, 65536, 0x7FFFFFFF};
    const u8 selectors[] = {0, 1, 2, 2, 3, 3};
    const std::size_t payload[] = {0, 8, 16, 16, 32, 32};
    for (int i = 0; i < 6; ++i) {
        std::vector<u32> values(32, 0);
        values[16 + 5] = maxima[i];  // group 2
        for (const auto& [name, fn] : writers32()) {
            const Bytes bytes = pack_with(fn, values);
            EXPECT_EQ(bytes[0], selectors[i] << 4) << name << " " << maxima[i];
            EXPECT_EQ(bytes.size(), 1 + payload[i]) << name;
        }
    }
}

TEST(PackedRow32, ThirtyOneValuesAreFourTailGroups) {
    std::vector<u32> values(31, 7);
    values[9] = 300;     // group 1 holds a u16
    values[20] = 70000;  // group 2 holds a u32
    const Bytes bytes = pack32(values);
    ASSERT_EQ(bytes.size(), (1 + 8) + (1 + 16) + (1 + 32) + (1 + 7));
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[9], 1);
    EXPECT_EQ(bytes[26], 2);
    EXPECT_EQ(bytes[59], 0);
    for (const auto& [name, fn] : decoders32())
        EXPECT_EQ(unpack_exact(fn, bytes, 31), values) << name;
}

// A flag byte 3 (a writer never ORs it, but a reader must take it as u32).
TEST(PackedRow32, TailFlagsAboveOneReadAsWords) {
    const Bytes bytes{0x03, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x7F};
    for (const auto& [name, fn] : decoders32()) {
        EXPECT_EQ(unpack_exact(fn, bytes, 2), (std::vector<u32>{1, 0x7FFFFFFF})) << name;
    }
}

// Random rows of every shape: both writers give the same bytes, within the
// bound, and both readers give the values back.
TEST(PackedRow32, VariantsAgreeOnRandomRows) {
    std::mt19937 gen(11);
    const u32 limits[] = {1, 256, 65536, 0x80000000u};
    for (int n = 0; n <= 200; ++n) {
        for (const u32 limit : limits) {
            std::vector<u32> values(static_cast<std::size_t>(n));
            for (auto& v : values) v = gen() % 4 == 0 ? 0 : static_cast<u32>(gen() % limit);
            const Bytes bytes = pack_with(pack_u32_row_generic, values);
            EXPECT_LE(static_cast<i64>(bytes.size()), packed_u32_row_max_bytes(n));
            for (const auto& [name, fn] : writers32())
                EXPECT_EQ(pack_with(fn, values), bytes) << name;
            for (const auto& [name, fn] : decoders32()) {
                EXPECT_EQ(unpack_exact(fn, bytes, n), values) << name << " n " << n;
            }
        }
    }
}

TEST(PackedRow16, WriterVariantsAgreeOnRandomRows) {
    if (!cpu_features().avx2_set) GTEST_SKIP() << "no AVX2";
    std::mt19937 gen(13);
    const int limits[] = {1, 256, 4096, 65536};
    for (int n = 0; n <= 200; ++n) {
        for (int limit : limits) {
            std::vector<u16> values(static_cast<std::size_t>(n));
            for (auto& v : values) v = static_cast<u16>(gen() % 4 == 0 ? 0 : gen() % limit);
            EXPECT_EQ(pack_with(pack_u16_row_generic, values), pack_with(pack_u16_row_avx2, values))
                << "n " << n << " limit " << limit;
        }
    }
}

}  // namespace
