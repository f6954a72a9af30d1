// Damaged archives: truncations, single-byte changes and extreme length
// fields of small archives of every version. Each load answers exactly one
// line, "load_tree ok!" or an error, never crashes, and a tree that loads
// answers queries and solves. The CI runs this under the address and
// undefined-behaviour sanitizers; the positions are every byte of the
// structure (head fields, line tree, settings, records, stores' heads) and
// a stride through the bulk (ranges and rows), so that a run stays short.
//
// Under the sanitizers a load costs about ten times as much, and the sweeps
// take every `kSanitizedStride`-th of their positions, starting from an
// offset that moves with the test's parameter, so that the parameters
// together still reach most positions of the structure. Setting
// VOSTREL_FULL_SWEEP=1 in the environment sweeps every position there too.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "archive_test_support.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kSanitizedStride = 10;
#else
constexpr std::size_t kSanitizedStride = 1;
#endif

std::size_t sweep_stride() {
    const char* full = std::getenv("VOSTREL_FULL_SWEEP");
    return full && std::strcmp(full, "1") == 0 ? 1 : kSanitizedStride;
}

// Every stride-th position, from the parameter's offset.
std::vector<std::size_t> thinned(const std::set<std::size_t>& positions, int param) {
    const std::size_t stride = sweep_stride();
    std::vector<std::size_t> kept;
    std::size_t i = static_cast<std::size_t>(param) % stride;
    for (const std::size_t position : positions) {
        if (i++ % stride == 0) kept.push_back(position);
    }
    return kept;
}

// Values that a length or count field of `width` bytes is set to.
std::vector<u64> extreme_values(std::size_t width) {
    if (width == 2) return {0xFFFF, 0, 1, 0x7FFF, 0x8000};
    if (width == 4) return {0xFFFFFFFF, 0, 1, 1327, 0x7FFFFFFF, 0x80000000};
    return {~u64{0}, 0, 1, 1327, 0x7FFFFFFF, 0xFFFFFFFF, u64{1} << 63};
}

// The first and the last field of each kind.
std::vector<LengthField> first_and_last(const std::vector<LengthField>& fields) {
    std::map<std::string, std::pair<std::size_t, std::size_t>> ends;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        auto [it, added] = ends.try_emplace(fields[i].what, i, i);
        if (!added) it->second.second = i;
    }
    std::vector<LengthField> picked;
    for (const auto& [what, range] : ends) {
        picked.push_back(fields[range.first]);
        if (range.second != range.first) picked.push_back(fields[range.second]);
    }
    return picked;
}

// The first and last length fields of each kind after the line tree and the
// result records, which every version's sweep already covers.
std::vector<LengthField> store_and_section_lengths(const ArchiveLayout& at) {
    std::vector<LengthField> fields;
    for (const LengthField& field : first_and_last(at.lengths)) {
        if (field.what != "child count" && field.what != "array count") fields.push_back(field);
    }
    EXPECT_FALSE(fields.empty());
    return fields;
}

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

    // Every truncation, and the two byte changes, at each position.
    void sweep(const std::vector<u8>& good, const std::vector<std::size_t>& positions) {
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
    }

    // Each field set to each of the extreme values of its width.
    void set_extremes(const std::vector<u8>& good, const std::vector<LengthField>& fields) {
        for (const LengthField& field : fields) {
            for (const u64 value : extreme_values(field.width)) {
                std::vector<u8> bytes = good;
                std::memcpy(bytes.data() + field.offset, &value, field.width);
                expect_one_line(bytes, field.what + " at " + std::to_string(field.offset) + " = " +
                                           std::to_string(value));
                ASSERT_FALSE(HasFatalFailure());
            }
        }
    }

    std::string path_;
    int loaded_ = 0;
};

// Every byte of the structure, a stride through the bulk.
std::set<std::size_t> sweep_positions(const ArchiveLayout& at, std::size_t size) {
    std::set<std::size_t> positions;
    auto all = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < std::min(to, size); ++i) positions.insert(i);
    };
    all(0, at.ranges + 16);
    all(at.lines - 16, at.node_part + 160);
    all(size > 64 ? size - 64 : 0, size);
    for (std::size_t i = 0; i < size; i += 97) positions.insert(i);
    return positions;
}

TEST_P(ArchiveCorruption, EveryDamageIsOneLine) {
    const i32 v = GetParam();
    build_solved(kRiverSpot, false, v, 0, 3);
    ArchiveOptions options;
    options.version = v;
    options.omit_values = true;
    ArchiveLayout at;
    const std::vector<u8> good = write_tree_archive(options, &at);
    sweep(good, thinned(sweep_positions(at, good.size()), v));
    ASSERT_FALSE(HasFatalFailure());
    // The length and count fields (child counts, array counts and, from
    // version 4, the counts of the values), the forget level and the level.
    std::vector<LengthField> fields = first_and_last(at.lengths);
    fields.push_back({at.settings + 4, 4, "forget level"});
    fields.push_back({at.level, 4, "level"});
    set_extremes(good, fields);
    ASSERT_FALSE(HasFatalFailure());
    // The untouched archive still loads.
    expect_one_line(good, "good");
    EXPECT_EQ(run_line("is_tree_present"), "true\n");
}

INSTANTIATE_TEST_SUITE_P(Versions, ArchiveCorruption, ::testing::Values(0, 1, 2, 3, 4, 5));

}  // namespace

namespace {

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
    sweep(good, thinned(positions, GetParam()));
    ASSERT_FALSE(HasFatalFailure());
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
    std::set<std::size_t> positions;
    for (std::size_t i = at.node_part; i < good.size(); i += step) positions.insert(i);
    for (const std::size_t i : thinned(positions, GetParam())) {
        expect_one_line(std::vector<u8>(good.begin(), good.begin() + static_cast<long>(i)),
                        "prefix " + std::to_string(i));
        ASSERT_FALSE(HasFatalFailure());
        std::vector<u8> bytes = good;
        bytes[i] = static_cast<u8>(bytes[i] ^ 0x5A);
        expect_one_line(bytes, "byte " + std::to_string(i));
        ASSERT_FALSE(HasFatalFailure());
    }
    // The fields of the arena records (write marks, reservations, lengths,
    // channel sizes and positions) and the other counts at extremes.
    set_extremes(good, store_and_section_lengths(at));
    ASSERT_FALSE(HasFatalFailure());
    expect_one_line(good, "good");
    EXPECT_EQ(run_line("is_tree_present"), "true\n");
}

INSTANTIATE_TEST_SUITE_P(Levels, ArenaCorruption, ::testing::Values(2, 4));

}  // namespace

namespace {

class LengthCorruption : public ArchiveCorruption {};

// The length fields of uncompressed turn-rooted archives at extremes: the
// packed row lengths of version 4 and the channel lengths of both coded
// sections, beside the counts of the values.
TEST_P(LengthCorruption, ExtremeLengthsAreOneLine) {
    const bool forgotten = GetParam() == 1;
    build_solved(kTurnSpot, false, forgotten ? 5 : 4, 0, 66);
    if (forgotten) forget_streets(*g_tree, 3);
    ArchiveOptions options;
    options.version = forgotten ? 5 : 4;
    options.result_codec = forgotten ? 0 : 2;
    options.strategy_codec = 1;
    ArchiveLayout at;
    const std::vector<u8> good = write_tree_archive(options, &at);
    set_extremes(good, store_and_section_lengths(at));
    ASSERT_FALSE(HasFatalFailure());
    expect_one_line(good, "good");
    EXPECT_EQ(run_line("is_tree_present"), "true\n");
}

INSTANTIATE_TEST_SUITE_P(RowsAndSections, LengthCorruption, ::testing::Values(0, 1));

}  // namespace
