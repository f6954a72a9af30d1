// Round trips of solved trees through the test writer and `load_tree`: every
// query answer of the loaded tree equals the written tree's (bit for bit where
// the format keeps the values exactly), and five more iterations after the
// load give what five more iterations on the written tree give.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <tuple>

#include "archive_test_support.h"
#include "shell/settings.h"

namespace {

struct RoundTripCase {
    const ArchiveSpot* spot;
    bool isomorphism;
    i32 version;
    int iterations;
    // Codec of the result section from version 4; -1 leaves the values out.
    int codec = -1;
    i32 level = 0;
};

// Strategy blocks equal up to `tolerance` per value (per-mille strategies).
void expect_close_strategies(const std::vector<std::string>& loaded,
                             const std::vector<std::string>& written, f64 tolerance) {
    ASSERT_EQ(loaded.size(), written.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        const std::vector<std::string> x = output_lines(loaded[i]);
        const std::vector<std::string> y = output_lines(written[i]);
        ASSERT_EQ(x.size(), y.size());
        EXPECT_EQ(x[0], y[0]);
        for (std::size_t line = 1; line + 1 < x.size(); ++line) {
            const std::vector<f64> a = combo_row(x[line]);
            const std::vector<f64> b = combo_row(y[line]);
            for (int c = 0; c < kHandCount; ++c) {
                if (std::isnan(b[c])) {
                    EXPECT_TRUE(std::isnan(a[c]));
                    continue;
                }
                EXPECT_NEAR(a[c], b[c], tolerance) << x[0] << " action " << line << " combo " << c;
            }
        }
    }
}

// Answers before and after, then `go 5 steps` on one thread on each side.
// Strategies from the per-mille strategy section match within `tolerance`,
// all others exactly.
// `after_load` runs right after the load, before any query.
void check_round_trip(const ArchiveOptions& options, int max_street, f64 tolerance = 0.0,
                      const std::function<void()>& after_load = {}) {
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
    if (after_load) after_load();
    const TreeAnswers loaded = tree_answers(max_street);
    if (tolerance > 0.0) {
        EXPECT_EQ(loaded.node_count, written.node_count);
        EXPECT_EQ(loaded.nodes, written.nodes);
        EXPECT_EQ(loaded.results, written.results);
        expect_close_strategies(loaded.strategies, written.strategies, tolerance);
    } else {
        expect_same_answers(loaded, written);
    }
    if (!resumable) return;
    run_line("go 5 steps");
    run_line("wait_for_solver");
    EXPECT_EQ(g_tree->iteration, written_iteration + 5);
    EXPECT_EQ(tree_answers(max_street).strategies, resumed_written);
}

class ArchiveRoundTrip : public ArchiveTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(ArchiveRoundTrip, LoadedTreeAnswersAsWritten) {
    const RoundTripCase& c = GetParam();
    build_solved(*c.spot, c.isomorphism, c.version, c.level, c.iterations);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(g_actual_compression, c.level);
    ArchiveOptions options;
    options.version = c.version;
    options.omit_values = c.codec < 0;
    options.result_codec = static_cast<u8>(std::max(c.codec, 0));
    // An evaluation fills the values of the records that open a street.
    ASSERT_EQ(run_line("calc_results").rfind("EV OOP", 0), 0u);
    const RecordSnapshot records = record_snapshot();
    // Complete trees keep the reach of the update passes, which 1/150 cannot
    // carry: from version 4 on only the values are compared.
    check_round_trip(options, 3, 0.0, [&] {
        RecordSnapshot loaded = record_snapshot();
        RecordSnapshot expected = records;
        if (c.version >= 4) {
            for (auto* snapshot : {&loaded, &expected}) {
                for (auto& record : *snapshot) record[0].clear(), record[1].clear();
            }
            // Values left out load as zeros of the stored sizes.
            for (auto& record : expected) {
                for (int a = 2; a < 6 && c.codec < 0; ++a) {
                    std::fill(record[a].begin(), record[a].end(), 0.0);
                }
            }
        }
        expect_records_match(loaded, expected, c.version, 0.0);
    });
    EXPECT_EQ(run_line("ai6_get_actual_compression"),
              "compression " + std::to_string(c.level) + "\n");
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
    for (i32 level = 1; level <= 4; ++level) {
        cases.push_back({&kFlopRiverSpot, true, 5, 66, -1, level});
        cases.push_back({&kFlopRiverSpot, true, 2, 66, -1, level});
    }
    cases.push_back({&kFlopRiverSpot, false, 4, 62, 1, 4});
    for (int codec = 0; codec < 3; ++codec) {
        cases.push_back({&kTurnSpot, true, 4, 70, codec});
        cases.push_back({&kFlopSpot, true, 5, 65, codec});
    }
    return cases;
}

std::string case_name(const ::testing::TestParamInfo<RoundTripCase>& info) {
    const RoundTripCase& c = info.param;
    const char* root = c.spot == &kRiverSpot  ? "River"
                       : c.spot == &kTurnSpot ? "Turn"
                       : c.spot == &kFlopSpot ? "Flop"
                                              : "FlopRiver";
    std::string name =
        std::string(root) + (c.isomorphism ? "Iso" : "Plain") + "V" + std::to_string(c.version);
    if (c.codec >= 0) name += "Codec" + std::to_string(c.codec);
    if (c.level > 0) name += "Level" + std::to_string(c.level);
    return name;
}

INSTANTIATE_TEST_SUITE_P(Matrix, ArchiveRoundTrip, ::testing::ValuesIn(round_trip_cases()),
                         case_name);

}  // namespace

namespace {

struct ForgetCase {
    const ArchiveSpot* spot;
    i32 level;
    i32 version;
    u8 codec = 2;
};

class ForgottenRoundTrip : public ArchiveTest, public ::testing::WithParamInterface<ForgetCase> {};

// Trees with forgotten streets: the streets kept answer as written, the
// result records come back as the version keeps them, the tree stays
// incomplete and its cached results are those of the archive.
TEST_P(ForgottenRoundTrip, KeptStreetsAndRecordsAsWritten) {
    const ForgetCase& c = GetParam();
    build_solved(*c.spot, true, c.version, 0, 70);
    ASSERT_FALSE(HasFatalFailure());
    forget_streets(*g_tree, c.level);
    ArchiveOptions options;
    options.version = c.version;
    options.result_codec = c.codec;
    options.strategy_codec = static_cast<u8>((c.codec + 1) % 3);
    // From version 3 the records of the streets after the forget level are
    // left out.
    const RecordSnapshot records = record_snapshot(c.version >= 3 ? c.level : 3);
    const TreeAnswers written = tree_answers(c.level - 1);
    // From version 4 the kept streets come back as per-mille strategies, and
    // the reach arrays recomputed from them.
    const bool per_mille = c.version >= 4;
    check_round_trip(options, c.level - 1, per_mille ? 0.0011 : 0.0, [&] {
        expect_records_match(record_snapshot(), records, c.version, per_mille ? 0.05 : 0.0);
    });
    EXPECT_EQ(g_tree->forget_level, c.level);
    EXPECT_NE(g_tree->flags & kTreeIncomplete, 0u);
    EXPECT_EQ(run_line("go"), "ERROR: go incomplete tree\n");
    EXPECT_EQ(tree_answers(c.level - 1).results, written.results);
}

std::vector<ForgetCase> forget_cases() {
    std::vector<ForgetCase> cases;
    for (i32 v = 0; v <= 5; ++v) {
        cases.push_back({&kFlopSpot, 2, v});
        cases.push_back({&kFlopRiverSpot, 3, v});
        cases.push_back({&kFlopRiverSpot, 2, v});
        cases.push_back({&kTurnSpot, 3, v});
    }
    for (u8 codec = 0; codec < 2; ++codec) {
        cases.push_back({&kFlopSpot, 2, 4, codec});
        cases.push_back({&kFlopRiverSpot, 3, 5, codec});
    }
    return cases;
}

std::string forget_name(const ::testing::TestParamInfo<ForgetCase>& info) {
    const ForgetCase& c = info.param;
    const char* root = c.spot == &kTurnSpot ? "Turn" : c.spot == &kFlopSpot ? "Flop" : "FlopRiver";
    return std::string(root) + "L" + std::to_string(c.level) + "V" + std::to_string(c.version) +
           "Codec" + std::to_string(c.codec);
}

INSTANTIATE_TEST_SUITE_P(Forgotten, ForgottenRoundTrip, ::testing::ValuesIn(forget_cases()),
                         forget_name);

}  // namespace
