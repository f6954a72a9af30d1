// The solver thread: runs limited by steps, time, accuracy and the iteration
// cap, stop requests, the measurement cadence, the started and stopped lines
// with their reasons, and the status block, all as printed on standard
// output.
#include "solver/solver_thread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <regex>
#include <string>

#include "platform/clock.h"
#include "shell/solver_commands.h"
#include "solver_test_support.h"

namespace {

constexpr f64 kPot = 100.0;
const std::vector<const char*> kBoard = {"Ks", "Qd", "7h", "4c", "2s"};
const std::vector<const char*> kTurnBoard = {"Ks", "Qd", "7h", "4c"};

// OOP bets half the pot or checks; IP calls, folds or checks behind.
RecordList bet_or_check(u32 street) {
    RecordList list;
    const i32 root = list.decision(-1, 0, street);
    const i32 bet = list.decision(root, 1, street);
    list.showdown(bet, kPot);
    list.fold(bet, kPot / 2);
    const i32 check = list.decision(root, 1, street);
    list.showdown(check, kPot / 2);
    return list;
}

std::string started_and_stopped(const char* reason) {
    return std::string("SOLVER: started\n") + "SOLVER: stopped (" + reason + ")\n";
}

int count_of(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++n;
    return n;
}

class SolverThread : public SolverTest {
protected:
    void SetUp() override {
        SolverTest::SetUp();
        g_required_accuracy = 0.0;
    }
    void TearDown() override {
        stop_solver_for_exit();
        g_required_accuracy = 0.0;
        g_iteration_cap = 9000;
        SolverTest::TearDown();
    }

    // The river toy tree: a run of it takes microseconds per iteration.
    Tree& river_tree() {
        const u64 dead = board_mask(kBoard);
        Tree& tree = build(bet_or_check(kStreetRiver), kBoard, ranks_range({"77", "65"}, dead),
                           ranks_range({"AK"}, dead));
        tree.pot = kPot;
        return tree;
    }

    // A turn tree whose iterations take long enough to stop a run midway.
    Tree& turn_tree() {
        const u64 dead = board_mask(kTurnBoard);
        return build(bet_or_check(kStreetTurn), kTurnBoard,
                     ranks_range({"77", "65", "KQ", "AQ", "JT"}, dead),
                     ranks_range({"AK", "99", "QJ", "87"}, dead));
    }

    // Starts a run, waits for its end and returns what it printed; the
    // stopped line must be out when the wait returns.
    static std::string run(i32 limit, bool steps) {
        reset_solver_status();
        testing::internal::CaptureStdout();
        EXPECT_TRUE(start_solver(limit, steps, {}, print_solver_status));
        solver_wait();
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(solver_running());
        return out;
    }
};

TEST_F(SolverThread, StepsLimitRunsExactlyThatManyIterations) {
    Tree& tree = river_tree();
    const std::string out = run(30, true);
    EXPECT_EQ(tree.iteration, 30u);
    EXPECT_EQ(out.rfind("SOLVER: started\n", 0), 0u);
    EXPECT_NE(out.find("SOLVER: stopped (required number of steps done)\n"), std::string::npos);
    // Measured once, at iteration 25.
    EXPECT_EQ(count_of(out, "SOLVER:\n"), 1);
}

TEST_F(SolverThread, StepsLimitOfZeroRunsOneIteration) {
    Tree& tree = river_tree();
    EXPECT_EQ(run(0, true), started_and_stopped("required number of steps done"));
    EXPECT_EQ(tree.iteration, 1u);
}

TEST_F(SolverThread, MeasuresOnTheAbsoluteCadence) {
    Tree& tree = river_tree();
    iterate(tree, 30);
    // From 30 the first measurement falls at 50, not 25 iterations after the
    // start of the run.
    const std::string out = run(20, true);
    EXPECT_EQ(tree.iteration, 50u);
    EXPECT_EQ(count_of(out, "SOLVER:\n"), 1);
    const std::string short_run = run(4, true);
    EXPECT_EQ(count_of(short_run, "SOLVER:\n"), 0);
}

TEST_F(SolverThread, AccuracyTargetStopsAtTheFirstMeasurement) {
    Tree& tree = river_tree();
    g_required_accuracy = 1e9;
    const std::string out = run(0, false);
    EXPECT_EQ(tree.iteration, 25u);
    EXPECT_NE(out.find("END\nSOLVER: stopped (required accuracy reached)\n"), std::string::npos);
}

TEST_F(SolverThread, CapReachedStopsWithoutIterating) {
    Tree& tree = river_tree();
    iterate(tree, 3);
    g_iteration_cap = 3;
    EXPECT_EQ(run(0, false), started_and_stopped("requested"));
    EXPECT_EQ(tree.iteration, 3u);
}

TEST_F(SolverThread, StopRequestedWhileIdleDoesNotReachTheNextRun) {
    Tree& tree = river_tree();
    request_solver_stop();
    run(5, true);
    EXPECT_EQ(tree.iteration, 5u);
}

TEST_F(SolverThread, StopRequestEndsARunningSolver) {
    Tree& tree = turn_tree();
    g_required_accuracy = -1.0;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(start_solver(0, false, {}, print_solver_status));
    EXPECT_TRUE(solver_running());
    // One solver at a time.
    EXPECT_FALSE(start_solver(0, false));
    request_solver_stop();
    solver_wait();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(solver_running());
    EXPECT_NE(out.find("SOLVER: stopped (requested)\n"), std::string::npos);
    EXPECT_LT(tree.iteration, 9000u);
    EXPECT_TRUE(copy_solver_history().empty());
}

TEST_F(SolverThread, TimeLimitEndsAtTheFirstIterationPastIt) {
    turn_tree();
    g_required_accuracy = -1.0;
    g_iteration_cap = std::numeric_limits<i32>::max();
    const i64 start = timer_now_ns();
    const std::string out = run(1, false);
    EXPECT_GE(timer_now_ns() - start, 1000000000);
    EXPECT_NE(out.find("SOLVER: stopped (timeout reached)\n"), std::string::npos);
}

TEST_F(SolverThread, IncompleteTreeDoesNotStart) {
    Tree& tree = river_tree();
    tree.flags |= kTreeIncomplete;
    EXPECT_FALSE(start_solver(0, false));
    EXPECT_FALSE(solver_running());
}

// The block shows the values shifted by half the pot the tree was built
// with and the exploitability as it is; the same 25 iterations of an equal
// tree, measured on this thread, give the numbers.
TEST_F(SolverThread, StatusBlockShowsTheMeasurementWithHalfThePot) {
    river_tree();
    const std::string out = run(25, true);
    release_tree();
    Tree& twin = river_tree();
    const SolverStatsRecord r = iterate(twin, 25);
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "EV OOP: %.3f\nEV IP: %.3f\nOOP's MES: %.3f\nIP's MES: %.3f\nExploitable for: "
                  "%.3f\nEND\n",
                  r.ev_oop + kPot / 2, r.ev_ip + kPot / 2, r.mes_oop + kPot / 2,
                  r.mes_ip + kPot / 2, r.exploitability);
    const std::regex block(
        "SOLVER: started\nSOLVER:\nrunning time: [0-9]+\\.[0-9]{3}\n([\\s\\S]*)"
        "SOLVER: stopped \\(required number of steps done\\)\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(out, match, block)) << out;
    EXPECT_EQ(match[1].str(), expected);
}

}  // namespace
