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

#include "storage/arena_space.h"
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
    const std::size_t maps_before = mapping_count();
    {
        std::vector<std::unique_ptr<PackedArena>> arenas;
        const std::vector<u16> row(1000, 5000);
        for (int i = 0; i < 4000; ++i) {
            arenas.push_back(std::make_unique<PackedArena>(1000, 2));
            arenas.back()->begin_write();
            arenas.back()->write_u16(row.data(), nullptr, 1000);
            arenas.back()->end_write();
        }
        EXPECT_LT(mapping_count(), maps_before + 20);
        // Each arena reached one page (2065 bytes of bound).
        EXPECT_EQ(g_stat_arena_bytes.load() - gauge, 4000 * 4096);
        EXPECT_GE(arena_space_mappings(), 1u);
    }
    EXPECT_EQ(g_stat_arena_bytes.load(), gauge);
}

}  // namespace
