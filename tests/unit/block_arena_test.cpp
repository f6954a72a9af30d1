// Block arenas: rows written in one cycle come back bit for bit in the next,
// incompressible rows of every length fit the reservation (the worst case
// that a long solve reaches), the committed bytes never pass the reserved
// ones, arenas share a few mappings rather than one each, and the gauge of
// arena memory follows arenas as they come and go.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/virtual_memory.h"
#include "storage/arena_space.h"
#include "storage/coded_arena.h"
#include "storage/packed_arena.h"
#include "storage/packed_row.h"

namespace {

// Rows that no packed form shrinks: 16-bit values of 4096 and more,
// 32-bit values of 65536 and more, random low bits.
std::vector<u16> hard_row16(std::mt19937& gen, i32 n) {
    std::vector<u16> row(static_cast<std::size_t>(n));
    for (auto& v : row) v = static_cast<u16>(4096 + gen() % (65536 - 4096));
    return row;
}

std::vector<u32> hard_row32(std::mt19937& gen, i32 n) {
    std::vector<u32> row(static_cast<std::size_t>(n));
    for (auto& v : row) v = 65536 + gen() % 0x7FFF0000u;
    return row;
}

std::vector<i32> lengths_every_size() {
    std::vector<i32> lengths;
    for (i32 n = 1; n <= 1326; ++n) lengths.push_back(n);
    return lengths;
}

i64 total_of(const std::vector<i32>& lengths) {
    i64 total = 0;
    for (const i32 n : lengths) total += n;
    return total;
}

void check_region(const PackedArena& arena) {
    const ReservedRegion& r = arena.region();
    EXPECT_LE(arena.position(), arena.write_mark());
    EXPECT_LE(arena.write_mark(), r.committed);
    EXPECT_LE(r.committed, r.reserved);
    EXPECT_EQ(r.committed % 65536, 0);
}

// Writes the rows, reads them back, twice over (the second write cycle
// reuses the committed memory).
void round_trip16(const std::vector<i32>& lengths, u32 seed) {
    std::mt19937 gen(seed);
    PackedArena arena(total_of(lengths), 2);
    for (int cycle = 0; cycle < 2; ++cycle) {
        std::vector<std::vector<u16>> rows;
        arena.begin_write();
        for (const i32 n : lengths) {
            rows.push_back(hard_row16(gen, n));
            arena.write_u16(rows.back().data(), nullptr, n);
        }
        arena.end_write();
        check_region(arena);
        arena.begin_read();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::vector<u16> out(rows[i].size());
            arena.read_u16(out.data(), nullptr, lengths[i]);
            ASSERT_EQ(out, rows[i]) << "row " << i << " of " << lengths[i];
        }
        arena.end_read();
    }
}

void round_trip32(const std::vector<i32>& lengths, u32 seed) {
    std::mt19937 gen(seed);
    PackedArena arena(total_of(lengths), 4);
    for (int cycle = 0; cycle < 2; ++cycle) {
        std::vector<std::vector<u32>> rows;
        arena.begin_write();
        for (const i32 n : lengths) {
            rows.push_back(hard_row32(gen, n));
            arena.write_u32(rows.back().data(), nullptr, n);
        }
        arena.end_write();
        check_region(arena);
        arena.begin_read();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::vector<u32> out(rows[i].size());
            arena.read_u32(out.data(), nullptr, lengths[i]);
            ASSERT_EQ(out, rows[i]) << "row " << i << " of " << lengths[i];
        }
        arena.end_read();
    }
}

TEST(PackedArena, IncompressibleRowsOfEveryLengthFit) {
    round_trip16(lengths_every_size(), 1);
    round_trip32(lengths_every_size(), 2);
}

// One-value rows cost the most per value (a flag byte and the value), and
// rows of 1 to 31 and 33 values are all tail groups or nearly.
TEST(PackedArena, ShortRowsFitTheirWorstCase) {
    const std::vector<i32> ones(5000, 1);
    round_trip16(ones, 3);
    round_trip32(ones, 4);
    std::vector<i32> tails;
    for (int k = 0; k < 40; ++k) {
        for (i32 n = 1; n <= 31; ++n) tails.push_back(n);
        tails.push_back(33);
    }
    round_trip16(tails, 5);
    round_trip32(tails, 6);
}

TEST(PackedArena, HasDataFollowsTheWrites) {
    PackedArena arena(100, 2);
    EXPECT_FALSE(arena.has_data());
    arena.begin_write();
    arena.write_u16(nullptr, nullptr, 0);  // a row of 0 values writes nothing
    EXPECT_FALSE(arena.has_data());
    const u16 row[3] = {1, 2, 3};
    arena.write_u16(row, nullptr, 3);
    EXPECT_TRUE(arena.has_data());
    arena.end_write();
    arena.begin_write();
    EXPECT_FALSE(arena.has_data());
}

TEST(PackedArena, CountersAccountEachCycle) {
    const i64 raw = g_stat_raw_bytes.load();
    const i64 encoded = g_stat_encoded_bytes.load();
    const i64 decoded = g_stat_decoded_bytes.load();
    PackedArena arena(64, 4);
    const u32 row[5] = {1, 2, 3, 4, 300};
    arena.begin_write();
    arena.write_u32(row, nullptr, 5);
    arena.end_write();
    EXPECT_EQ(g_stat_raw_bytes.load() - raw, 20);
    EXPECT_EQ(g_stat_encoded_bytes.load() - encoded, 11);
    u32 out[5];
    arena.begin_read();
    arena.read_u32(out, nullptr, 5);
    arena.end_read();
    EXPECT_EQ(g_stat_decoded_bytes.load() - decoded, 11);
}

TEST(PackedArenaDeathTest, WritingPastTheReservationEnds) {
    EXPECT_EXIT(
        {
            PackedArena arena(10, 2);
            const std::vector<u16> row(1326, 40000);
            arena.begin_write();
            for (int i = 0; i < 100; ++i) arena.write_u16(row.data(), nullptr, 1326);
        },
        ::testing::ExitedWithCode(1), "");
}

std::size_t mapping_count() {
    std::ifstream maps("/proc/self/maps");
    std::size_t lines = 0;
    for (std::string line; std::getline(maps, line);) ++lines;
    return lines;
}

TEST(PackedArena, ArenasShareMappingsAndGiveMemoryBack) {
    const i64 gauge = g_stat_arena_bytes.load();
    [[maybe_unused]] const std::size_t maps_before = mapping_count();
    {
        std::vector<std::unique_ptr<PackedArena>> arenas;
        const std::vector<u16> row(1000, 5000);
        for (int i = 0; i < 4000; ++i) {
            arenas.push_back(std::make_unique<PackedArena>(1000, 2));
            arenas.back()->begin_write();
            arenas.back()->write_u16(row.data(), nullptr, 1000);
            arenas.back()->end_write();
        }
        // Each arena reached one page (2032 bytes of bound).
        EXPECT_EQ(g_stat_arena_bytes.load() - gauge, 4000 * static_cast<i64>(vm_page_size()));
#if !defined(__SANITIZE_ADDRESS__)  // there every arena is a heap block
        EXPECT_LT(mapping_count(), maps_before + 20);
        EXPECT_GE(arena_space_mappings(), 1u);
#endif
    }
    EXPECT_EQ(g_stat_arena_bytes.load(), gauge);
}

// ---- coded arenas ----

// The joined channels of one write cycle, as the region holds them.
std::vector<u8> joined_run(const CodedArena& arena) {
    i64 total = 0;
    for (i32 c = 0; c < kCodecChannels; ++c) total += arena.joined_size(c);
    const u8* base = arena.region().base;
    return std::vector<u8>(base, base + total);
}

TEST(CodedArena, OneValueIsTheCodecsTwentyEightBytes) {
    CodedArena arena(16);
    EXPECT_FALSE(arena.has_data());
    arena.begin_write();
    EXPECT_TRUE(arena.has_data());  // the codec's id byte
    const u32 five = 5;
    arena.write_u32(&five, nullptr, 1);
    arena.end_write();
    // Channel 0: the id, then a raw block (R 1, C 0) of the row's flag;
    // channel 1 the mask, channel 2 the code 10 less one.
    const std::vector<u8> want = {0x02, 1, 0, 0, 0,    0, 0, 0, 0, 0x00, 1, 0, 0, 0,
                                  0,    0, 0, 0, 0x01, 1, 0, 0, 0, 0,    0, 0, 0, 0x09};
    EXPECT_EQ(joined_run(arena), want);
    EXPECT_EQ(arena.joined_size(0), 10);
    EXPECT_EQ(arena.joined_size(3), 0);
    u32 out = 0;
    arena.begin_read();
    arena.read_u32(&out, nullptr, 1);
    arena.end_read();
    EXPECT_EQ(out, 5u);
}

TEST(CodedArena, EscapedValuesRaiseTheLargestEscape) {
    g_stat_max_escape = 0;
    CodedArena arena(16);
    arena.begin_write();
    const u32 value = 300;  // zigzag 600, escaped as 599
    arena.write_u32(&value, nullptr, 1);
    arena.end_write();
    EXPECT_EQ(g_stat_max_escape.load(), 599);
}

// Rows coded against their predictor come back only with the same predictor.
TEST(CodedArena, RowsComeBackWithTheirReferenceRows) {
    std::mt19937 gen(17);
    std::vector<std::vector<u16>> rows;
    for (int i = 0; i < 40; ++i) {
        std::vector<u16> row(300);
        for (std::size_t h = 0; h < row.size(); ++h) {
            row[h] = static_cast<u16>(i == 0 ? gen() % 5000 : rows.back()[h] + gen() % 3);
        }
        rows.push_back(row);
    }
    CodedArena arena(40 * 300);
    arena.begin_write();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        arena.write_u16(rows[i].data(), i ? rows[i - 1].data() : nullptr, 300);
    }
    arena.end_write();
    arena.begin_read();
    std::vector<u16> out(300);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        arena.read_u16(out.data(), i ? rows[i - 1].data() : nullptr, 300);
        ASSERT_EQ(out, rows[i]) << i;
    }
    arena.end_read();
    // The first row read against another reference comes back otherwise.
    arena.begin_read();
    std::vector<u16> wrong(300, 7);
    arena.read_u16(out.data(), nullptr, 300);
    arena.read_u16(out.data(), wrong.data(), 300);
    EXPECT_NE(out, rows[1]);
    arena.end_read();
}

// Rows whose deltas are random 31-bit numbers take the codec's widest escape
// for nearly every value, whose bytes hardly compress: as near the worst
// case as data comes (the escape marks themselves always compress).
void coded_round_trip32(const std::vector<i32>& lengths, u32 seed) {
    std::mt19937 gen(seed);
    CodedArena arena(total_of(lengths));
    std::vector<std::vector<u32>> rows;
    arena.begin_write();
    for (const i32 n : lengths) {
        rows.push_back(hard_row32(gen, n));
        arena.write_u32(rows.back().data(), nullptr, n);
    }
    arena.end_write();
    const ReservedRegion& r = arena.region();
    EXPECT_LE(r.committed, r.reserved);
    EXPECT_GE(r.committed, r.size);
    i64 bytes = 0;
    for (i32 c = 0; c < kCodecChannels; ++c) bytes += arena.joined_size(c);
    EXPECT_GT(bytes, 3 * total_of(lengths));  // every value escaped, little compressed
    arena.begin_read();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::vector<u32> out(rows[i].size());
        arena.read_u32(out.data(), nullptr, lengths[i]);
        ASSERT_EQ(out, rows[i]) << "row " << i;
    }
    arena.end_read();
}

TEST(CodedArena, IncompressibleRowsOfEveryLengthFit) {
    coded_round_trip32(lengths_every_size(), 31);
    coded_round_trip32(std::vector<i32>(3000, 1), 32);
}

TEST(CodedArena, ReadCyclesCutShortLeaveTheDataWhole) {
    CodedArena arena(100);
    const std::vector<u16> row(50, 1234);
    arena.begin_write();
    arena.write_u16(row.data(), nullptr, 50);
    arena.write_u16(row.data(), nullptr, 50);
    arena.end_write();
    std::vector<u16> out(50);
    arena.begin_read();
    arena.read_u16(out.data(), nullptr, 50);  // the second row is never read
    arena.end_read();
    arena.begin_read();
    arena.read_u16(out.data(), nullptr, 50);
    arena.read_u16(out.data(), nullptr, 50);
    arena.end_read();
    EXPECT_EQ(out, row);
}

TEST(CodedArena, WriteCyclesBorrowBufferSetsFromTheThread) {
    CodedArena warm(10);
    warm.begin_write();
    warm.end_write();
    const i32 pooled = pooled_buffer_sets();
    ASSERT_GE(pooled, 1);
    CodedArena a(10);
    CodedArena b(10);
    a.begin_write();
    b.begin_write();
    EXPECT_EQ(pooled_buffer_sets(), std::max(0, pooled - 2));
    a.end_write();
    b.end_write();
    EXPECT_EQ(pooled_buffer_sets(), std::max(pooled, 2));
}

}  // namespace
