// Damaged archives: truncations, single-byte changes and extreme length
// fields of small archives of every version. Each load answers exactly one
// line, "load_tree ok!" or an error, never crashes, and a tree that loads
// answers queries and solves. The CI runs this under the address and
// undefined-behaviour sanitizers; the positions are every byte of the
// structure (head fields, line tree, settings, records, stores' heads) and
// a stride through the bulk (ranges and rows), so that a run stays short.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "archive_test_support.h"

namespace {

class ArchiveCorruption : public ArchiveTest, public ::testing::WithParamInterface<i32> {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        path_ = temp_archive_path("sweep");
    }
    void TearDown() override {
        std::remove(path_.c_str());
        ArchiveTest::TearDown();
    }

    // One load: exactly one line, ok or an error; an ok tree must work.
    void expect_one_line(const std::vector<u8>& bytes, const std::string& what) {
        write_bytes_file(path_, bytes);
        const std::string answer = run_line("load_tree " + path_);
        const bool ok = answer == "load_tree ok!\n";
        const bool error =
            answer.rfind("ERROR: load_tree ", 0) == 0 && answer.find('\n') == answer.size() - 1;
        ASSERT_TRUE(ok || error) << what << ": " << answer;
        if (!ok) return;
        ++loaded_;
        EXPECT_EQ(run_line("is_tree_present"), "true\n");
        run_line("show_strategy r:0");
        run_line("calc_results");
        if (loaded_ <= 3 && (g_tree->flags & kTreeIncomplete) == 0) {
            run_line("go 2 steps");
            run_line("wait_for_solver");
        }
    }

    std::string path_;
    int loaded_ = 0;
};

// Every byte of the structure, a stride through the bulk.
std::vector<std::size_t> sweep_positions(const ArchiveLayout& at, std::size_t size) {
    std::set<std::size_t> positions;
    auto all = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < std::min(to, size); ++i) positions.insert(i);
    };
    all(0, at.ranges + 16);
    all(at.lines - 16, at.node_part + 160);
    all(size > 64 ? size - 64 : 0, size);
    for (std::size_t i = 0; i < size; i += 97) positions.insert(i);
    return {positions.begin(), positions.end()};
}

TEST_P(ArchiveCorruption, EveryDamageIsOneLine) {
    const i32 v = GetParam();
    build_solved(kRiverSpot, false, v, 0, 3);
    ArchiveOptions options;
    options.version = v;
    options.omit_values = true;
    ArchiveLayout at;
    const std::vector<u8> good = write_tree_archive(options, &at);
    const std::vector<std::size_t> positions = sweep_positions(at, good.size());

    for (const std::size_t n : positions) {
        expect_one_line(std::vector<u8>(good.begin(), good.begin() + static_cast<long>(n)),
                        "prefix " + std::to_string(n));
        ASSERT_FALSE(HasFatalFailure());
    }
    for (const std::size_t i : positions) {
        for (const u8 change : {u8{0xFF}, u8{0x01}}) {
            std::vector<u8> bytes = good;
            bytes[i] =
                change == 0xFF ? static_cast<u8>(bytes[i] ^ 0xFF) : static_cast<u8>(bytes[i] + 1);
            expect_one_line(bytes, "byte " + std::to_string(i));
            ASSERT_FALSE(HasFatalFailure());
        }
    }
    // Length and count fields set to extremes: the root's child count, the
    // first record's first array count, the forget level, the level and,
    // from version 4, the first array counts.
    std::vector<std::size_t> fields = {at.lines + 40, at.node_part, at.settings + 4, at.level};
    if (v >= 4) fields.push_back(at.counts);
    for (const std::size_t field : fields) {
        for (const u32 value : {0xFFFFFFFFu, 0u, 1u, 1327u, 0x7FFFFFFFu, 0x80000000u}) {
            std::vector<u8> bytes = good;
            std::memcpy(bytes.data() + field, &value, sizeof value);
            expect_one_line(bytes, "field " + std::to_string(field));
            ASSERT_FALSE(HasFatalFailure());
        }
    }
    // The untouched archive still loads.
    expect_one_line(good, "good");
    EXPECT_EQ(run_line("is_tree_present"), "true\n");
}

INSTANTIATE_TEST_SUITE_P(Versions, ArchiveCorruption, ::testing::Values(0, 1, 2, 3, 4, 5));

}  // namespace

namespace {

struct SectionSweep {
    i32 version;
    u8 codec;
};

class SectionCorruption : public ArchiveCorruption {};

// A turn tree with forgotten rivers: no store records, a result section and
// a strategy section, every byte of which is swept near its head and along
// a short stride after.
TEST_P(SectionCorruption, EveryDamageIsOneLine) {
    const i32 v = 4 + GetParam() / 3;
    const u8 codec = static_cast<u8>(GetParam() % 3);
    build_solved(kTurnSpot, false, v, 0, 70);
    forget_streets(*g_tree, 3);
    ArchiveOptions options;
    options.version = v;
    options.result_codec = codec;
    options.strategy_codec = codec;
    ArchiveLayout at;
    const std::vector<u8> good = write_tree_archive(options, &at);
    std::set<std::size_t> positions;
    for (std::size_t i = at.lines; i < at.node_part + 64; ++i) positions.insert(i);
    for (std::size_t i = at.counts; i < good.size(); i += i < at.sections + 512 ? 1 : 29) {
        positions.insert(i);
    }
    for (std::size_t i = 0; i < good.size(); i += 1009) positions.insert(i);

    for (const std::size_t n : positions) {
        expect_one_line(std::vector<u8>(good.begin(), good.begin() + static_cast<long>(n)),
                        "prefix " + std::to_string(n));
        ASSERT_FALSE(HasFatalFailure());
    }
    for (const std::size_t i : positions) {
        std::vector<u8> bytes = good;
        bytes[i] = static_cast<u8>(bytes[i] ^ 0xFF);
        expect_one_line(bytes, "byte " + std::to_string(i));
        ASSERT_FALSE(HasFatalFailure());
        bytes = good;
        bytes[i] = static_cast<u8>(bytes[i] + 1);
        expect_one_line(bytes, "byte+1 " + std::to_string(i));
        ASSERT_FALSE(HasFatalFailure());
    }
    // Channel lengths of both sections set to extremes.
    for (std::size_t channel = 0; channel < 24; channel += 5) {
        for (const u64 value : {~u64{0}, u64{1} << 63, u64{0x7FFFFFFF}, u64{0}}) {
            std::vector<u8> bytes = good;
            std::memcpy(bytes.data() + at.sections, &value, sizeof value);
            expect_one_line(bytes, "length of channel 0");
            ASSERT_FALSE(HasFatalFailure());
        }
    }
    expect_one_line(good, "good");
    EXPECT_EQ(run_line("is_tree_present"), "true\n");
}

INSTANTIATE_TEST_SUITE_P(VersionsAndCodecs, SectionCorruption, ::testing::Range(0, 6));

}  // namespace

namespace {

class ArenaCorruption : public ArchiveCorruption {};

// A flop tree with compressed river stores, packed (level 2) or coded
// (level 4): truncations and byte changes along the node part, where the
// arena records are, each one line; damaged arenas are found by the decoding
// of every loaded block at load time.
TEST_P(ArenaCorruption, EveryDamageIsOneLine) {
    build_solved(kFlopRiverSpot, true, 5, GetParam(), 66);
    ArchiveOptions options;
    options.omit_values = true;
    ArchiveLayout at;
    const std::vector<u8> good = write_tree_archive(options, &at);
    const std::size_t step = std::max<std::size_t>(1, (good.size() - at.node_part) / 400);
    for (std::size_t i = at.node_part; i < good.size(); i += step) {
        expect_one_line(std::vector<u8>(good.begin(), good.begin() + static_cast<long>(i)),
                        "prefix " + std::to_string(i));
        ASSERT_FALSE(HasFatalFailure());
        std::vector<u8> bytes = good;
        bytes[i] = static_cast<u8>(bytes[i] ^ 0x5A);
        expect_one_line(bytes, "byte " + std::to_string(i));
        ASSERT_FALSE(HasFatalFailure());
    }
    expect_one_line(good, "good");
    EXPECT_EQ(run_line("is_tree_present"), "true\n");
}

INSTANTIATE_TEST_SUITE_P(Levels, ArenaCorruption, ::testing::Values(2, 4));

}  // namespace
