// A tree archive written after `forget` loads as an incomplete tree whose
// forgotten splits the queries solve on demand, from the reach that the
// archive kept; rebuilt and solved again, it comes back to its results.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "archive_test_support.h"
#include "archive_writer.h"

namespace {

class ForgottenArchive : public ArchiveTest, public ::testing::WithParamInterface<i32> {
protected:
    // The spot solved for `iterations`, its rivers forgotten, and the split
    // solves of the queries given a target they reach quickly.
    static void solved_without_rivers(const ArchiveSpot& spot, bool isomorphism, i32 version,
                                      int iterations) {
        build_solved(spot, isomorphism, version, 0, iterations);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
        ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0.001"), "set_recalc_accuracy ok!\n");
    }
};

TEST_P(ForgottenArchive, SplitsSolvedOnDemandAfterLoading) {
    build_solved(kFlopRiverSpot, true, GetParam(), 0, 70);
    ASSERT_FALSE(HasFatalFailure());
    const std::string before = run_line("calc_results");
    ASSERT_EQ(run_line("forget rivers"), "forget ok!\n");
    ArchiveOptions options;
    options.version = GetParam();
    round_trip(options, "forgotten_rivers");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(g_tree->forget_level, 3);
    ASSERT_NE(g_tree->flags & kTreeIncomplete, 0u);

    const std::string river = "r:0:c:c:Qd:c:c:8s";
    ASSERT_EQ(run_line("set_recalc_accuracy 0 0 0.001"), "set_recalc_accuracy ok!\n");
    const std::vector<std::string> lines = output_lines(run_line("show_strategy " + river));
    ASSERT_EQ(lines.size(), 3u);
    const std::vector<f64> bet = combo_row(lines[0]);
    const std::vector<f64> check = combo_row(lines[1]);
    const std::vector<f64>& range = g_tree->ranges[0];
    int defined = 0;
    for (int c = 0; c < kHandCount; ++c) {
        if (std::isnan(bet[c]) || range[c] == 0.0) continue;
        EXPECT_NEAR(bet[c] + check[c], 1.0, 1e-6) << c;
        ++defined;
    }
    EXPECT_GT(defined, 0);
    EXPECT_LE(std::stod(run_line("explo_partial " + river)), 0.1);

    ASSERT_EQ(run_line("rebuild_all"), "rebuild_all ok!\n");
    ASSERT_EQ(run_line("solve_all_splits rivers"), "solve_all_splits ok!\n");
    const std::vector<std::string> was = output_lines(before);
    const std::vector<std::string> now = output_lines(run_line("calc_results"));
    ASSERT_EQ(now.size(), was.size());
    const auto value = [](const std::string& line) {
        return std::stod(line.substr(line.find(':') + 1));
    };
    EXPECT_NEAR(value(now[0]), value(was[0]), 0.5);
    EXPECT_LE(value(now[4]), 3.0 * value(was[4]) + 0.5);
}

// An archive keeps the marks of the splits solved before it was written, but
// none of their data: after loading, a query solves such a split again
// rather than walk the stores it does not have.
TEST_F(ForgottenArchive, SplitMarkedSolvedWithoutItsDataIsSolvedAgain) {
    solved_without_rivers(kFlopRiverSpot, true, 5, 70);
    ASSERT_FALSE(HasFatalFailure());
    const std::string river = "r:0:c:c:Qd:c:c:8s";
    const std::vector<std::string> values = output_lines(run_line("calc_ev OOP " + river));
    ASSERT_EQ(values.size(), 3u);
    ArchiveOptions options;
    options.version = 5;
    round_trip(options, "solved_split_marks");
    ASSERT_FALSE(HasFatalFailure());
    const NodeRef ref = resolve_node_path(river);
    ASSERT_FALSE(tree_node_of(ref).regrets);

    // The reach comes back from the archive's per-mille strategies: the split
    // solved again is the same game up to that rounding.
    const std::vector<std::string> again = output_lines(run_line("calc_ev OOP " + river));
    ASSERT_EQ(again.size(), 3u);
    const std::vector<f64> before = combo_row(values[0]);
    const std::vector<f64> after = combo_row(again[0]);
    int defined = 0;
    for (int c = 0; c < kHandCount; ++c) {
        EXPECT_EQ(std::isnan(before[c]), std::isnan(after[c])) << c;
        if (std::isnan(before[c]) || std::isnan(after[c])) continue;
        EXPECT_NEAR(after[c], before[c], 0.05) << c;
        ++defined;
    }
    EXPECT_GT(defined, 0);
    EXPECT_EQ(output_lines(run_line("show_strategy " + river)).size(), 3u);
}

// Before version 4 the stores of the streets kept are written, and none of
// a forgotten street's, also where queries solved its splits again: the
// reader's tree has no stores there. Written with them, the archive holds
// bytes the reader does not expect and is refused.
TEST_F(ForgottenArchive, SplitsSolvedBeforeAVersion3Write) {
    solved_without_rivers(kTurnSpot, false, 3, 60);
    ASSERT_FALSE(HasFatalFailure());
    const std::string river = "r:0:c:c:8d";
    const std::string strategy = run_line("show_strategy " + river);
    run_line("show_strategy r:0:b50:c:Ah");
    const std::string results = run_line("calc_results");

    const std::string path = temp_archive_path("version3");
    ArchiveOptions options;
    options.version = 3;
    options.stores_of_forgotten_streets = true;
    write_bytes_file(path, write_tree_archive(options));
    options.stores_of_forgotten_streets = false;
    const std::vector<u8> sound = write_tree_archive(options);
    EXPECT_EQ(run_line("load_tree " + path), "ERROR: load_tree invalid file\n");
    EXPECT_EQ(run_line("is_tree_present"), "false\n");

    write_bytes_file(path, sound);
    ASSERT_EQ(run_line("load_tree " + path), "load_tree ok!\n");
    std::remove(path.c_str());
    EXPECT_EQ(run_line("calc_results"), results);
    // The split is solved again from the same reach, on one thread.
    EXPECT_EQ(run_line("show_strategy " + river), strategy);
}

INSTANTIATE_TEST_SUITE_P(Versions, ForgottenArchive, ::testing::Values(2, 3, 5));

}  // namespace
