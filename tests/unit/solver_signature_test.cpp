// The solver's signature: one fixed turn spot, built and solved through the
// protocol on one thread for a fixed number of steps, measured with full
// precision and compared with stored figures. Any change to what a pass
// computes (regret matching, averaging, payoffs, card removal, the 16-bit
// river regrets, the order of the merges) moves them. A change that alters
// results on purpose updates the figures here, knowingly, and says why in its
// commit message; a mismatch prints the figures to store.
//
// One thread keeps the sums in a fixed order: with several, the work items
// of a chance node add their values into the node's arrays in the order in
// which they finish. The generic and AVX2 variants compute the same figures,
// on processors of every maker: the node-data kernels use exactly rounded
// quotients and square roots, so both variants are held to one set.
#include <gtest/gtest.h>
#include <omp.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/cpu_features.h"
#include "query_test_support.h"
#include "solver/results.h"

namespace {

constexpr int kSteps = 100;
// Far above the rounding differences of one variant between compilers and
// builds (optimised or sanitised), far below what any change to the solver
// moves.
constexpr f64 kRelativeTolerance = 1e-6;

struct Figures {
    f64 ev_oop;
    f64 ev_ip;
    f64 mes_oop;
    f64 mes_ip;
    f64 exploitability;
};

constexpr Figures kFigures = {7.9619793608225367, -7.9619793608225393, 7.9925397743468984,
                              -7.9208730210254856, 0.035833376660707739};

// OOP: pairs from sevens up, suited broadways in full and offsuit ones at
// half weight, suited connectors from six to ten at 0.75. IP: pairs up to
// queens but no sevens, every hand of aces to jacks, suited aces at half
// weight, suited connectors from seven to jack.
bool pair_of(const std::string& hand, const std::string& ranks) {
    return hand[0] == hand[2] && ranks.find(hand[0]) != std::string::npos;
}

bool both_in(const std::string& hand, const std::string& ranks) {
    return ranks.find(hand[0]) != std::string::npos && ranks.find(hand[2]) != std::string::npos;
}

bool suited(const std::string& hand) {
    return hand[1] == hand[3];
}

f64 oop_weight(const std::string& hand) {
    if (hand[0] == hand[2]) return pair_of(hand, "AKQJT987") ? 1.0 : 0.0;
    if (both_in(hand, "AKQJT")) return suited(hand) ? 1.0 : 0.5;
    return suited(hand) && both_in(hand, "T9876") ? 0.75 : 0.0;
}

f64 ip_weight(const std::string& hand) {
    if (hand[0] == hand[2]) return pair_of(hand, "QJT9865432") ? 1.0 : 0.0;
    if (both_in(hand, "AKQJ")) return 1.0;
    if (suited(hand) && (hand[0] == 'A' || hand[2] == 'A')) return 0.5;
    return suited(hand) && both_in(hand, "JT987") ? 1.0 : 0.0;
}

std::string weight_tokens(f64 (*weight)(const std::string&)) {
    std::string text;
    char number[32];
    for (int h = 0; h < kHandCount; ++h) {
        std::snprintf(number, sizeof number, h > 0 ? " %g" : "%g", weight(protocol_hand_text(h)));
        text += number;
    }
    return text;
}

// The program's command thread runs with flush-to-zero and
// denormals-are-zero and measures on one thread here; both are put back for
// the tests that follow on this thread.
class MeasuringThread {
public:
    MeasuringThread() : csr_(_mm_getcsr()), threads_(omp_get_max_threads()) {
        _mm_setcsr(csr_ | kFlushAndDenormalsAreZero);
        omp_set_num_threads(1);
    }
    ~MeasuringThread() {
        omp_set_num_threads(threads_);
        _mm_setcsr(csr_);
    }
    MeasuringThread(const MeasuringThread&) = delete;
    MeasuringThread& operator=(const MeasuringThread&) = delete;

private:
    static constexpr u32 kFlushAndDenormalsAreZero = 0x8040;
    u32 csr_;
    int threads_;
};

// Checks and bets of half the pot on both streets, a raise to 150 and a call
// on either; the river lines after every turn line.
void build_spot() {
    EXPECT_EQ(run_line("set_range OOP " + weight_tokens(oop_weight)), "set_range ok!\n");
    EXPECT_EQ(run_line("set_range IP " + weight_tokens(ip_weight)), "set_range ok!\n");
    EXPECT_EQ(run_line("set_board Kh 7d 2c 9s"), "set_board ok!\n");
    EXPECT_EQ(run_line("set_pot 0 0 100"), "set_pot ok!\n");
    for (const char* line :
         {"0 0 0 0", "0 0 0 50 50", "0 0 50 50", "0 0 50 150 150", "0 50 50 50 50",
          "0 50 50 100 100", "50 50 50 50", "50 50 100 100", "50 150 150 150 150"}) {
        EXPECT_EQ(run_line(std::string("add_line ") + line), "add_line ok!\n");
    }
    EXPECT_EQ(run_line("build_tree"), "build_tree ok!\n");
}

SolverStatsRecord solve_spot() {
    build_spot();
    EXPECT_EQ(run_line("set_threads 1"), "set_threads ok!\n");
    EXPECT_EQ(run_line("set_scheduler 0"), "set_scheduler ok!\n");
    testing::internal::CaptureStdout();
    run_line("go " + std::to_string(kSteps) + " steps");
    run_line("wait_for_solver");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(g_tree->iteration, static_cast<u32>(kSteps));
    MeasuringThread thread;
    return prepare_results();
}

bool close_to(f64 actual, f64 expected) {
    return std::fabs(actual - expected) <= kRelativeTolerance * std::fabs(expected);
}

// Empty when every figure matches, else the new figures to store and the
// ones that differ.
std::string mismatches(const SolverStatsRecord& r, const Figures& want) {
    const f64 actual[] = {r.ev_oop, r.ev_ip, r.mes_oop, r.mes_ip, r.exploitability};
    const f64 expected[] = {want.ev_oop, want.ev_ip, want.mes_oop, want.mes_ip,
                            want.exploitability};
    static const char* const kNames[] = {"EV OOP", "EV IP", "MES OOP", "MES IP", "exploitability"};
    std::string text;
    char line[160];
    for (int i = 0; i < 5; ++i) {
        if (close_to(actual[i], expected[i])) continue;
        std::snprintf(line, sizeof line, "%s: %.17g, stored %.17g\n", kNames[i], actual[i],
                      expected[i]);
        text += line;
    }
    if (text.empty()) return text;
    std::snprintf(line, sizeof line, "figures now: {%.17g, %.17g, %.17g, %.17g, %.17g}\n",
                  actual[0], actual[1], actual[2], actual[3], actual[4]);
    return text + line;
}

class SolverSignature : public QueryTest {
protected:
    void TearDown() override {
        run_line("set_threads 0");
        QueryTest::TearDown();
    }
};

// The variant is fixed at the first use of each kernel for the life of the
// process, so the generic run needs a process of its own: the threadsafe
// death-test style starts this binary afresh for this test alone, and the
// child forces the generic kernels before any of them has run.
void solve_generic_and_exit() {
    force_generic_kernels(true);
    const std::string wrong = mismatches(solve_spot(), kFigures);
    std::fputs(wrong.c_str(), stderr);
    std::_Exit(wrong.empty() ? 0 : 1);
}

TEST_F(SolverSignature, FiguresOfThisProcessorsVariant) {
    EXPECT_EQ(mismatches(solve_spot(), kFigures), "");
}

TEST_F(SolverSignature, FiguresOfTheGenericVariant) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(solve_generic_and_exit(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
