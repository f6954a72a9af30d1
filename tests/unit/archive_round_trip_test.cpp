// Round trips of solved trees through the test writer and `load_tree`: every
// query answer of the loaded tree equals the written tree's (bit for bit where
// the format keeps the values exactly), and five more iterations after the
// load give what five more iterations on the written tree give.
#include <cmath>
#include <cstdio>
#include <tuple>

#include "archive_test_support.h"
#include "shell/settings.h"

namespace {

struct RoundTripCase {
    const ArchiveSpot* spot;
    bool isomorphism;
    i32 version;
    int iterations;
};

// Answers before and after, then `go 5 steps` on one thread on each side.
void check_round_trip(const ArchiveOptions& options, int max_street) {
    const std::string path = temp_archive_path("v" + std::to_string(options.version));
    write_bytes_file(path, write_tree_archive(options));
    const TreeAnswers written = tree_answers(max_street);
    const u32 written_iteration = g_tree->iteration;
    ASSERT_EQ(run_line("set_threads 1"), "set_threads ok!\n");
    const bool resumable = (g_tree->flags & kTreeIncomplete) == 0;
    std::vector<std::string> resumed_written;
    if (resumable) {
        run_line("go 5 steps");
        run_line("wait_for_solver");
        resumed_written = tree_answers(max_street).strategies;
    }

    ASSERT_EQ(run_line("load_tree " + path), "load_tree ok!\n");
    std::remove(path.c_str());
    EXPECT_EQ(g_tree->iteration, written_iteration);
    EXPECT_EQ(g_tree->format_version, options.version);
    expect_same_answers(tree_answers(max_street), written);
    if (!resumable) return;
    run_line("go 5 steps");
    run_line("wait_for_solver");
    EXPECT_EQ(g_tree->iteration, written_iteration + 5);
    EXPECT_EQ(tree_answers(max_street).strategies, resumed_written);
}

class ArchiveRoundTrip : public ArchiveTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(ArchiveRoundTrip, LoadedTreeAnswersAsWritten) {
    const RoundTripCase& c = GetParam();
    build_solved(*c.spot, c.isomorphism, c.version, 0, c.iterations);
    ASSERT_FALSE(HasFatalFailure());
    ArchiveOptions options;
    options.version = c.version;
    // Without forgotten streets the coded result values are the only section.
    options.omit_values = true;
    check_round_trip(options, 3);
    EXPECT_EQ(run_line("ai6_get_actual_compression"), "compression 0\n");
    EXPECT_EQ(run_line("is_tree_present"), "true\n");
}

std::vector<RoundTripCase> round_trip_cases() {
    std::vector<RoundTripCase> cases;
    for (i32 v = 0; v <= 5; ++v) {
        cases.push_back({&kRiverSpot, false, v, 70});
        cases.push_back({&kTurnSpot, false, v, 70});
        cases.push_back({&kTurnSpot, true, v, 70});
        cases.push_back({&kFlopSpot, true, v, 65});
    }
    cases.push_back({&kFlopSpot, false, 1, 65});
    cases.push_back({&kFlopSpot, false, 5, 65});
    cases.push_back({&kFlopRiverSpot, true, 3, 62});
    cases.push_back({&kFlopRiverSpot, true, 4, 62});
    return cases;
}

std::string case_name(const ::testing::TestParamInfo<RoundTripCase>& info) {
    const RoundTripCase& c = info.param;
    const char* root = c.spot == &kRiverSpot  ? "River"
                       : c.spot == &kTurnSpot ? "Turn"
                       : c.spot == &kFlopSpot ? "Flop"
                                              : "FlopRiver";
    return std::string(root) + (c.isomorphism ? "Iso" : "Plain") + "V" + std::to_string(c.version);
}

INSTANTIATE_TEST_SUITE_P(Matrix, ArchiveRoundTrip, ::testing::ValuesIn(round_trip_cases()),
                         case_name);

}  // namespace

namespace {

struct ForgetCase {
    const ArchiveSpot* spot;
    i32 level;
    i32 version;
};

class ForgottenRoundTrip : public ArchiveTest, public ::testing::WithParamInterface<ForgetCase> {};

// Trees with forgotten streets: the streets kept answer as written, the
// result records come back as the version keeps them, the tree stays
// incomplete and its cached results are those of the archive.
TEST_P(ForgottenRoundTrip, KeptStreetsAndRecordsAsWritten) {
    const ForgetCase& c = GetParam();
    build_solved(*c.spot, true, c.version, 0, 70);
    ASSERT_FALSE(HasFatalFailure());
    forget_streets_for_test(c.level);
    ArchiveOptions options;
    options.version = c.version;
    // From version 3 the records of the streets after the forget level are
    // left out.
    const RecordSnapshot records = record_snapshot(c.version >= 3 ? c.level : 3);
    const TreeAnswers written = tree_answers(c.level - 1);
    check_round_trip(options, c.level - 1);
    EXPECT_EQ(g_tree->forget_level, c.level);
    EXPECT_NE(g_tree->flags & kTreeIncomplete, 0u);
    expect_records_match(record_snapshot(), records, c.version, 0.0);
    EXPECT_EQ(run_line("go"), "ERROR: go incomplete tree\n");
    EXPECT_EQ(tree_answers(c.level - 1).results, written.results);
}

std::vector<ForgetCase> forget_cases() {
    std::vector<ForgetCase> cases;
    for (i32 v = 0; v <= 3; ++v) {
        cases.push_back({&kFlopSpot, 2, v});
        cases.push_back({&kFlopRiverSpot, 3, v});
        cases.push_back({&kFlopRiverSpot, 2, v});
        cases.push_back({&kTurnSpot, 3, v});
    }
    return cases;
}

std::string forget_name(const ::testing::TestParamInfo<ForgetCase>& info) {
    const ForgetCase& c = info.param;
    const char* root = c.spot == &kTurnSpot ? "Turn" : c.spot == &kFlopSpot ? "Flop" : "FlopRiver";
    return std::string(root) + "L" + std::to_string(c.level) + "V" + std::to_string(c.version);
}

INSTANTIATE_TEST_SUITE_P(Forgotten, ForgottenRoundTrip, ::testing::ValuesIn(forget_cases()),
                         forget_name);

}  // namespace
