// Terminal payoff kernels against a pairwise computation written here: every
// opponent hand compared with every hand, with card removal and ties, on
// random river boards whose hand values come from a small evaluator of this
// file (not the project's), so that the kernels' reliance on the sorted order
// and on the runs of equal value is checked against real boards.
#include "solver/payoff_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "cards/hand_arrays.h"
#include "platform/cpu_features.h"
#include "solver/terminal_payoffs.h"

namespace {

// Best-five value of 5 cards (index 13 x suit + rank): category in bits 20
// and up, then the ranks that decide within it, most significant first.
u32 value_of_five(const int* cards) {
    int count[13] = {};
    bool flush = true;
    for (int k = 0; k < 5; ++k) {
        ++count[cards[k] % 13];
        flush = flush && cards[k] / 13 == cards[0] / 13;
    }
    int straight_top = -1;
    for (int top = 12; top >= 4 && straight_top < 0; --top) {
        bool run = true;
        for (int r = top - 4; r <= top; ++r) run = run && count[r] == 1;
        if (run) straight_top = top;
    }
    if (straight_top < 0 && count[12] == 1 && count[0] == 1 && count[1] == 1 && count[2] == 1 &&
        count[3] == 1)
        straight_top = 3;
    // Ranks ordered by how often they occur, then by rank.
    std::vector<std::pair<int, int>> groups;
    for (int r = 12; r >= 0; --r)
        if (count[r]) groups.push_back({count[r], r});
    std::stable_sort(groups.begin(), groups.end(),
                     [](auto x, auto y) { return x.first > y.first; });
    u32 kickers = 0;
    for (auto [c, r] : groups) kickers = kickers << 4 | static_cast<u32>(r);
    u32 category = 0;
    if (straight_top >= 0 && flush) return 8u << 20 | static_cast<u32>(straight_top);
    if (groups[0].first == 4)
        category = 7;
    else if (groups[0].first == 3 && groups[1].first == 2)
        category = 6;
    else if (flush)
        category = 5;
    else if (straight_top >= 0)
        return 4u << 20 | static_cast<u32>(straight_top);
    else if (groups[0].first == 3)
        category = 3;
    else if (groups[0].first == 2 && groups[1].first == 2)
        category = 2;
    else if (groups[0].first == 2)
        category = 1;
    return category << 20 | kickers;
}

u32 value_of_seven(const std::array<int, 7>& cards) {
    u32 best = 0;
    for (int skip1 = 0; skip1 < 7; ++skip1) {
        for (int skip2 = skip1 + 1; skip2 < 7; ++skip2) {
            int five[5];
            int k = 0;
            for (int c = 0; c < 7; ++c)
                if (c != skip1 && c != skip2) five[k++] = cards[c];
            best = std::max(best, value_of_five(five));
        }
    }
    return best;
}

// A river hand list as the records hold it: sorted by value ascending, with
// its card pairs, masks and runs of equal value.
struct RiverCase {
    std::vector<u16> pairs;
    std::vector<u64> masks;
    std::vector<u32> values;
    std::vector<i16> runs;
    i32 size() const { return static_cast<i32>(pairs.size()); }
};

RiverCase make_river_case(const std::array<int, 5>& board, double keep, std::mt19937_64& rng) {
    u64 board_mask = 0;
    for (int c : board) board_mask |= 1ull << c;
    std::bernoulli_distribution kept(keep);
    struct Hand {
        u32 value;
        int lo, hi;
    };
    std::vector<Hand> hands;
    for (int hi = 0; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo) {
            if (board_mask >> lo & 1 || board_mask >> hi & 1 || !kept(rng)) continue;
            std::array<int, 7> seven{board[0], board[1], board[2], board[3], board[4], lo, hi};
            hands.push_back({value_of_seven(seven), lo, hi});
        }
    }
    // Shuffled first, so that the order inside a run of equal value varies.
    std::shuffle(hands.begin(), hands.end(), rng);
    std::stable_sort(hands.begin(), hands.end(),
                     [](const Hand& x, const Hand& y) { return x.value < y.value; });
    RiverCase rc;
    for (std::size_t i = 0; i < hands.size(); ++i) {
        rc.pairs.push_back(static_cast<u16>(hands[i].lo | hands[i].hi << 8));
        rc.masks.push_back(1ull << hands[i].lo | 1ull << hands[i].hi);
        rc.values.push_back(hands[i].value);
        if (i == 0 || hands[i].value != hands[i - 1].value) rc.runs.push_back(0);
        ++rc.runs.back();
    }
    return rc;
}

std::array<int, 5> random_board(std::mt19937_64& rng) {
    std::vector<int> deck(52);
    for (int c = 0; c < 52; ++c) deck[c] = c;
    std::shuffle(deck.begin(), deck.end(), rng);
    return {deck[0], deck[1], deck[2], deck[3], deck[4]};
}

// Reach with a share of exact zeros, as the ranges and strategies leave it.
std::vector<f64> random_reach(i32 n, double zero_share, std::mt19937_64& rng) {
    std::uniform_real_distribution<f64> weight(0.0, 1.0);
    std::bernoulli_distribution zero(zero_share);
    std::vector<f64> reach(n);
    for (f64& r : reach) r = zero(rng) ? 0.0 : weight(rng);
    return reach;
}

f64 counted(const f64* reach, i32 j) {
    return reach && reach[j] > 0.0 ? reach[j] : 0.0;
}

std::vector<f64> pairwise_fold(const RiverCase& rc, const f64* reach, f64 pay) {
    std::vector<f64> out(rc.size(), 0.0);
    for (i32 i = 0; i < rc.size(); ++i)
        for (i32 j = 0; j < rc.size(); ++j)
            if (!(rc.masks[i] & rc.masks[j])) out[i] += pay * counted(reach, j);
    return out;
}

std::vector<f64> pairwise_showdown(const RiverCase& rc, const f64* reach, f64 pay) {
    std::vector<f64> out(rc.size(), 0.0);
    for (i32 i = 0; i < rc.size(); ++i) {
        for (i32 j = 0; j < rc.size(); ++j) {
            if (rc.masks[i] & rc.masks[j]) continue;
            if (rc.values[i] > rc.values[j]) out[i] += pay * counted(reach, j);
            if (rc.values[i] < rc.values[j]) out[i] -= pay * counted(reach, j);
        }
    }
    return out;
}

f64 tolerance(const std::vector<f64>& reach, f64 pay) {
    f64 total = 0.0;
    for (f64 r : reach) total += std::fabs(r);
    return 1e-12 * std::fabs(pay) * total + 1e-300;
}

void expect_near_all(const std::vector<f64>& got, const std::vector<f64>& want, f64 tol) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_NEAR(got[i], want[i], tol) << "hand " << i;
}

void expect_zeros(const std::vector<f64>& got) {
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], 0.0) << "hand " << i;
}

struct Variant {
    std::string name;
    const PayoffKernels* kernels;
};

std::vector<Variant> variants() {
    std::vector<Variant> list{{"generic", &payoff_kernels_generic()}};
    if (cpu_features().avx2_set) list.push_back({"avx2", &payoff_kernels_avx2()});
    return list;
}

// Random river boards with hand lists of every density, from a few hands to
// all 1081.
std::vector<RiverCase> random_cases(std::mt19937_64& rng) {
    std::vector<RiverCase> cases;
    for (double keep : {0.01, 0.2, 0.6, 1.0})
        cases.push_back(make_river_case(random_board(rng), keep, rng));
    return cases;
}

TEST(PayoffKernels, FoldAndShowdownMatchPairwiseOnRandomRivers) {
    std::mt19937_64 rng(20240611);
    for (const RiverCase& rc : random_cases(rng)) {
        for (double zero_share : {0.0, 0.5, 0.95}) {
            const std::vector<f64> reach = random_reach(rc.size(), zero_share, rng);
            for (f64 pay : {1.0, -37.5}) {
                const f64 tol = tolerance(reach, pay);
                const auto fold = pairwise_fold(rc, reach.data(), pay);
                const auto showdown = pairwise_showdown(rc, reach.data(), pay);
                for (const Variant& v : variants()) {
                    SCOPED_TRACE(v.name + " n=" + std::to_string(rc.size()));
                    std::vector<f64> out(rc.size(), 99.0);
                    v.kernels->fold(out.data(), reach.data(), rc.size(), rc.pairs.data(), pay);
                    expect_near_all(out, fold, tol);
                    std::fill(out.begin(), out.end(), 99.0);
                    v.kernels->showdown(out.data(), reach.data(), rc.size(), rc.runs.data(),
                                        rc.pairs.data(), pay);
                    expect_near_all(out, showdown, tol);
                }
            }
        }
    }
}

TEST(PayoffKernels, PairKernelsMatchPairwiseOnRandomRivers) {
    std::mt19937_64 rng(77);
    for (const RiverCase& rc : random_cases(rng)) {
        const std::vector<f64> reach = random_reach(rc.size(), 0.3, rng);
        const std::vector<f64> reach_b = random_reach(rc.size(), 0.3, rng);
        const f64 call = 12.5;
        const f64 folded = -4.0;
        const f64 tol = tolerance(reach, 20.0) + tolerance(reach_b, 20.0);
        const auto showdown = pairwise_showdown(rc, reach.data(), call);
        const auto fold = pairwise_fold(rc, reach.data(), folded);
        const auto fold_b = pairwise_fold(rc, reach_b.data(), folded);
        for (const Variant& v : variants()) {
            SCOPED_TRACE(v.name + " n=" + std::to_string(rc.size()));
            std::vector<f64> out1(rc.size(), 99.0), out2(rc.size(), 99.0);
            v.kernels->showdown_pair(out1.data(), out2.data(), reach.data(), rc.size(),
                                     rc.runs.data(), rc.pairs.data(), call, folded);
            expect_near_all(out1, showdown, tol);
            expect_near_all(out2, fold, tol);
            v.kernels->showdown_pair2(out1.data(), out2.data(), reach.data(), reach_b.data(),
                                      rc.size(), rc.runs.data(), rc.pairs.data(), call, folded);
            expect_near_all(out1, showdown, tol);
            expect_near_all(out2, fold_b, tol);
        }
    }
}

TEST(PayoffKernels, PairTwoTakesAMissingReachAsZeros) {
    std::mt19937_64 rng(5);
    const RiverCase rc = make_river_case(random_board(rng), 0.5, rng);
    const std::vector<f64> reach = random_reach(rc.size(), 0.2, rng);
    const auto showdown = pairwise_showdown(rc, reach.data(), 3.0);
    const auto fold = pairwise_fold(rc, reach.data(), 2.0);
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        std::vector<f64> out1(rc.size(), 99.0), out2(rc.size(), 99.0);
        v.kernels->showdown_pair2(out1.data(), out2.data(), nullptr, reach.data(), rc.size(),
                                  rc.runs.data(), rc.pairs.data(), 3.0, 2.0);
        expect_zeros(out1);
        expect_near_all(out2, fold, tolerance(reach, 2.0));
        v.kernels->showdown_pair2(out1.data(), out2.data(), reach.data(), nullptr, rc.size(),
                                  rc.runs.data(), rc.pairs.data(), 3.0, 2.0);
        expect_near_all(out1, showdown, tolerance(reach, 3.0));
        expect_zeros(out2);
    }
}

TEST(PayoffKernels, MissingOrZeroReachGivesZerosAndEmptyListWritesNothing) {
    std::mt19937_64 rng(9);
    const RiverCase rc = make_river_case(random_board(rng), 0.3, rng);
    const i32 n = rc.size();
    const std::vector<f64> zeros(n, 0.0);
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        for (const f64* reach : {static_cast<const f64*>(nullptr), zeros.data()}) {
            std::vector<f64> out1(n, 99.0), out2(n, 99.0);
            v.kernels->fold(out1.data(), reach, n, rc.pairs.data(), 5.0);
            expect_zeros(out1);
            v.kernels->showdown(out1.data(), reach, n, rc.runs.data(), rc.pairs.data(), 5.0);
            expect_zeros(out1);
            v.kernels->showdown_pair(out1.data(), out2.data(), reach, n, rc.runs.data(),
                                     rc.pairs.data(), 5.0, 5.0);
            expect_zeros(out1);
            expect_zeros(out2);
            v.kernels->showdown_pair2(out1.data(), out2.data(), reach, reach, n, rc.runs.data(),
                                      rc.pairs.data(), 5.0, 5.0);
            expect_zeros(out1);
            expect_zeros(out2);
            v.kernels->fold_approx(out1.data(), reach, n, 5.0);
            expect_zeros(out1);
            v.kernels->showdown_approx(out1.data(), reach, n, rc.runs.data(), 5.0);
            expect_zeros(out1);
        }
        f64 untouched = 99.0;
        v.kernels->fold(&untouched, nullptr, 0, nullptr, 1.0);
        v.kernels->showdown(&untouched, zeros.data(), 0, nullptr, nullptr, 1.0);
        v.kernels->showdown_approx(&untouched, zeros.data(), 0, nullptr, 1.0);
        EXPECT_EQ(untouched, 99.0);
    }
}

TEST(PayoffKernels, HandDoesNotMeetItselfNorHandsSharingACard) {
    std::mt19937_64 rng(3);
    const RiverCase rc = make_river_case(random_board(rng), 1.0, rng);
    const i32 n = rc.size();
    const i32 chosen = n / 2;
    std::vector<f64> reach(n, 0.0);
    reach[chosen] = 0.25;
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        std::vector<f64> out(n);
        v.kernels->fold(out.data(), reach.data(), n, rc.pairs.data(), 8.0);
        for (i32 i = 0; i < n; ++i) {
            const bool blocked = rc.masks[i] & rc.masks[chosen];
            ASSERT_EQ(out[i], blocked ? 0.0 : 2.0) << i;
        }
        v.kernels->showdown(out.data(), reach.data(), n, rc.runs.data(), rc.pairs.data(), 8.0);
        for (i32 i = 0; i < n; ++i) {
            f64 want = 0.0;
            if (!(rc.masks[i] & rc.masks[chosen]) && rc.values[i] != rc.values[chosen])
                want = rc.values[i] > rc.values[chosen] ? 2.0 : -2.0;
            ASSERT_EQ(out[i], want) << i;
        }
    }
}

TEST(PayoffKernels, AllTiedBoardGivesNoShowdownValue) {
    // A royal flush on the board: every hand plays the board.
    std::mt19937_64 rng(11);
    const RiverCase rc = make_river_case({12 + 39, 11 + 39, 10 + 39, 9 + 39, 8 + 39}, 1.0, rng);
    ASSERT_EQ(rc.runs.size(), 1u);
    ASSERT_EQ(rc.runs[0], 1081);
    const std::vector<f64> reach = random_reach(rc.size(), 0.1, rng);
    const auto fold = pairwise_fold(rc, reach.data(), 1.0);
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        std::vector<f64> out1(rc.size()), out2(rc.size());
        v.kernels->showdown(out1.data(), reach.data(), rc.size(), rc.runs.data(), rc.pairs.data(),
                            1.0);
        for (f64 x : out1) ASSERT_NEAR(x, 0.0, tolerance(reach, 1.0));
        v.kernels->showdown_pair(out1.data(), out2.data(), reach.data(), rc.size(), rc.runs.data(),
                                 rc.pairs.data(), 1.0, 1.0);
        for (f64 x : out1) ASSERT_NEAR(x, 0.0, tolerance(reach, 1.0));
        expect_near_all(out2, fold, tolerance(reach, 1.0));
    }
}

TEST(PayoffKernels, TieMatesWithoutReachLeaveAHandValuedAsIfAlone) {
    // Hands 1 and 2 tie; hand 2 has no reach. Hand 1 must score as a hand
    // alone in its run would: beats hand 0, loses to hand 3.
    const std::vector<u16> pairs{0 | 1 << 8, 2 | 3 << 8, 4 | 5 << 8, 6 | 7 << 8};
    const std::vector<i16> tied{1, 2, 1};
    const std::vector<i16> alone{1, 1, 1, 1};
    const std::vector<f64> reach{0.5, 0.25, 0.0, 2.0};
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        std::vector<f64> a(4), b(4);
        v.kernels->showdown(a.data(), reach.data(), 4, tied.data(), pairs.data(), 1.0);
        v.kernels->showdown(b.data(), reach.data(), 4, alone.data(), pairs.data(), 1.0);
        EXPECT_DOUBLE_EQ(a[1], 0.5 - 2.0);
        EXPECT_DOUBLE_EQ(a[1], b[1]);
        EXPECT_DOUBLE_EQ(a[2], 0.5 - 2.0);  // ties with hand 1, which has reach
        EXPECT_DOUBLE_EQ(a[0], -(0.25 + 2.0));
        EXPECT_DOUBLE_EQ(a[3], 0.5 + 0.25);
    }
}

TEST(PayoffKernels, SingleHandListHasNothingToMeet) {
    const u16 pair = 7 | 30 << 8;
    const i16 run = 1;
    const f64 reach = 0.75;
    for (const Variant& v : variants()) {
        f64 out1 = 99.0, out2 = 99.0;
        v.kernels->fold(&out1, &reach, 1, &pair, 10.0);
        EXPECT_EQ(out1, 0.0);
        v.kernels->showdown(&out1, &reach, 1, &run, &pair, 10.0);
        EXPECT_EQ(out1, 0.0);
        v.kernels->showdown_pair(&out1, &out2, &reach, 1, &run, &pair, 10.0, 10.0);
        EXPECT_EQ(out1, 0.0);
        EXPECT_EQ(out2, 0.0);
    }
}

TEST(PayoffKernels, NegativeReachEntriesTakeNoPart) {
    std::mt19937_64 rng(21);
    const RiverCase rc = make_river_case(random_board(rng), 0.4, rng);
    std::vector<f64> reach = random_reach(rc.size(), 0.0, rng);
    for (i32 i = 0; i < rc.size(); i += 3) reach[i] = -reach[i];
    const auto fold = pairwise_fold(rc, reach.data(), 2.0);
    const auto showdown = pairwise_showdown(rc, reach.data(), 2.0);
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        std::vector<f64> out1(rc.size()), out2(rc.size());
        v.kernels->fold(out1.data(), reach.data(), rc.size(), rc.pairs.data(), 2.0);
        expect_near_all(out1, fold, tolerance(reach, 2.0));
        v.kernels->showdown_pair(out1.data(), out2.data(), reach.data(), rc.size(), rc.runs.data(),
                                 rc.pairs.data(), 2.0, 2.0);
        expect_near_all(out1, showdown, tolerance(reach, 2.0));
        expect_near_all(out2, fold, tolerance(reach, 2.0));
    }
}

TEST(PayoffKernels, FoldByTheTraverserIsTheNegative) {
    std::mt19937_64 rng(13);
    const RiverCase rc = make_river_case(random_board(rng), 0.7, rng);
    const std::vector<f64> reach = random_reach(rc.size(), 0.2, rng);
    for (const Variant& v : variants()) {
        std::vector<f64> won(rc.size()), lost(rc.size());
        v.kernels->fold(won.data(), reach.data(), rc.size(), rc.pairs.data(), 6.0);
        v.kernels->fold(lost.data(), reach.data(), rc.size(), rc.pairs.data(), -6.0);
        for (i32 i = 0; i < rc.size(); ++i) ASSERT_EQ(lost[i], -won[i]);
    }
}

TEST(PayoffKernels, TotalsAtTheThresholdsGiveZeros) {
    const std::vector<u16> pairs{0 | 1 << 8, 2 | 3 << 8};
    const std::vector<i16> runs{1, 1};
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        std::vector<f64> out1(2, 99.0), out2(2, 99.0);
        // Fold: reach times amount at DBL_MIN.
        const std::vector<f64> tiny{kFoldZeroTotal, 0.0};
        v.kernels->fold(out1.data(), tiny.data(), 2, pairs.data(), 1.0);
        expect_zeros(out1);
        v.kernels->fold(out1.data(), tiny.data(), 2, pairs.data(), 4.0);
        EXPECT_EQ(out1[1], 4.0 * kFoldZeroTotal);
        // Showdown: reach times amount at FLT_MIN, but not below it.
        const std::vector<f64> small{kShowdownZeroTotal / 8.0, 0.0};
        v.kernels->showdown(out1.data(), small.data(), 2, runs.data(), pairs.data(), 8.0);
        expect_zeros(out1);
        v.kernels->showdown(out1.data(), small.data(), 2, runs.data(), pairs.data(), 16.0);
        EXPECT_EQ(out1[1], 2.0 * kShowdownZeroTotal);
        // The first pair kernel tests the plain reach, whatever the amounts.
        v.kernels->showdown_pair(out1.data(), out2.data(), small.data(), 2, runs.data(),
                                 pairs.data(), 1e6, 1e6);
        expect_zeros(out1);
        expect_zeros(out2);
        // The second one zeroes only when both scaled totals are small.
        v.kernels->showdown_pair2(out1.data(), out2.data(), small.data(), small.data(), 2,
                                  runs.data(), pairs.data(), 1.0, 1e6);
        EXPECT_EQ(out1[1], kShowdownZeroTotal / 8.0);
        EXPECT_EQ(out2[1], 1e6 * kShowdownZeroTotal / 8.0);
        v.kernels->showdown_pair2(out1.data(), out2.data(), small.data(), small.data(), 2,
                                  runs.data(), pairs.data(), 8.0, 8.0);
        expect_zeros(out1);
        expect_zeros(out2);
    }
}

TEST(PayoffKernels, ApproximateKernelsScaleThePlainSums) {
    const std::vector<i16> runs{2, 1, 3};
    const std::vector<f64> reach{0.5, 0.25, 1.0, 0.125, -0.125, 2.0};
    const f64 k = kApproxRemovalFactor * 3.0;
    for (const Variant& v : variants()) {
        SCOPED_TRACE(v.name);
        std::vector<f64> out(6);
        v.kernels->fold_approx(out.data(), reach.data(), 6, 3.0);
        for (f64 x : out) EXPECT_DOUBLE_EQ(x, 3.75 * k);
        v.kernels->showdown_approx(out.data(), reach.data(), 6, runs.data(), 3.0);
        const f64 want[6] = {-(1.0 + 2.0) * k,   -(1.0 + 2.0) * k, (0.75 - 2.0) * k,
                             0.75 * k + 1.0 * k, 1.75 * k,         1.75 * k};
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[i], want[i], 1e-14) << i;
    }
}

TEST(PayoffKernels, VariantsAgreeWithinRounding) {
    if (!cpu_features().avx2_set) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937_64 rng(31);
    const PayoffKernels& g = payoff_kernels_generic();
    const PayoffKernels& a = payoff_kernels_avx2();
    for (int round = 0; round < 20; ++round) {
        const RiverCase rc = make_river_case(random_board(rng), 0.9, rng);
        const i32 n = rc.size();
        const std::vector<f64> r1 = random_reach(n, 0.3, rng);
        const std::vector<f64> r2 = random_reach(n, 0.3, rng);
        const f64 tol = tolerance(r1, 10.0) + tolerance(r2, 10.0);
        std::vector<f64> x1(n), x2(n), y1(n), y2(n);
        g.fold(x1.data(), r1.data(), n, rc.pairs.data(), 10.0);
        a.fold(y1.data(), r1.data(), n, rc.pairs.data(), 10.0);
        expect_near_all(x1, y1, tol);
        g.showdown(x1.data(), r1.data(), n, rc.runs.data(), rc.pairs.data(), 10.0);
        a.showdown(y1.data(), r1.data(), n, rc.runs.data(), rc.pairs.data(), 10.0);
        expect_near_all(x1, y1, tol);
        g.showdown_pair(x1.data(), x2.data(), r1.data(), n, rc.runs.data(), rc.pairs.data(), 10.0,
                        -3.0);
        a.showdown_pair(y1.data(), y2.data(), r1.data(), n, rc.runs.data(), rc.pairs.data(), 10.0,
                        -3.0);
        expect_near_all(x1, y1, tol);
        expect_near_all(x2, y2, tol);
        g.showdown_pair2(x1.data(), x2.data(), r1.data(), r2.data(), n, rc.runs.data(),
                         rc.pairs.data(), 10.0, -3.0);
        a.showdown_pair2(y1.data(), y2.data(), r1.data(), r2.data(), n, rc.runs.data(),
                         rc.pairs.data(), 10.0, -3.0);
        expect_near_all(x1, y1, tol);
        expect_near_all(x2, y2, tol);
    }
}

// --- The record wrappers -------------------------------------------------

DoubleArray array_of(const std::vector<f64>& values) {
    DoubleArray a;
    a.resize(static_cast<i32>(values.size()));
    std::copy(values.begin(), values.end(), a.data);
    return a;
}

std::vector<f64> values_of(const DoubleArray& a) {
    return {a.data, a.data + a.count};
}

RiverRecord record_of(const RiverCase& rc) {
    RiverRecord record;
    record.card_pairs = rc.pairs;
    record.hands = rc.masks;
    record.hand_values = rc.values;
    record.value_runs = rc.runs;
    return record;
}

TEST(TerminalPayoffs, EmptyReachGivesEmptyValuesWithTheHandCount) {
    std::mt19937_64 rng(41);
    const RiverRecord record = record_of(make_river_case(random_board(rng), 0.2, rng));
    const i32 n = static_cast<i32>(record.card_pairs.size());
    DoubleArray empty_reach;
    empty_reach.count = n;
    DoubleArray out = array_of(std::vector<f64>(n, 1.0));
    terminal_showdown_values(record, out, empty_reach, 1.0);
    EXPECT_EQ(out.data, nullptr);
    EXPECT_EQ(out.count, n);
    out = array_of(std::vector<f64>(3, 1.0));
    terminal_fold_values(record, out, empty_reach, 1.0);
    EXPECT_EQ(out.data, nullptr);
    EXPECT_EQ(out.count, n);
    DoubleArray a, b;
    river_terminal_pair_values(record, a, b, empty_reach, 1.0, 1.0);
    EXPECT_TRUE(!a.data && !b.data && a.count == n && b.count == n);
    opponent_terminal_pair_values(record, a, b, empty_reach, empty_reach, 1.0, 1.0);
    EXPECT_TRUE(!a.data && !b.data && a.count == n && b.count == n);
    // Before the river a fold always writes its list, zeros for no reach.
    board_fold_values(record.card_pairs, out, empty_reach, 1.0);
    ASSERT_NE(out.data, nullptr);
    expect_zeros(values_of(out));
}

TEST(TerminalPayoffs, WrappersMatchPairwiseAndSwitchToApproximateOnNegativeIteration) {
    std::mt19937_64 rng(43);
    const RiverCase rc = make_river_case(random_board(rng), 0.5, rng);
    const RiverRecord record = record_of(rc);
    const std::vector<f64> r = random_reach(rc.size(), 0.2, rng);
    const std::vector<f64> r2 = random_reach(rc.size(), 0.2, rng);
    const DoubleArray reach = array_of(r);
    const DoubleArray reach2 = array_of(r2);
    const f64 tol = tolerance(r, 5.0) + tolerance(r2, 5.0);
    DoubleArray out, out2;
    terminal_showdown_values(record, out, reach, 5.0);
    expect_near_all(values_of(out), pairwise_showdown(rc, r.data(), 5.0), tol);
    terminal_fold_values(record, out, reach, -5.0);
    expect_near_all(values_of(out), pairwise_fold(rc, r.data(), -5.0), tol);
    board_fold_values(record.card_pairs, out, reach, 5.0);
    expect_near_all(values_of(out), pairwise_fold(rc, r.data(), 5.0), tol);
    river_terminal_pair_values(record, out, out2, reach, 5.0, -2.0);
    expect_near_all(values_of(out), pairwise_showdown(rc, r.data(), 5.0), tol);
    expect_near_all(values_of(out2), pairwise_fold(rc, r.data(), -2.0), tol);
    DoubleArray no_reach;
    no_reach.count = rc.size();
    opponent_terminal_pair_values(record, out, out2, no_reach, reach2, 5.0, -2.0);
    expect_zeros(values_of(out));
    expect_near_all(values_of(out2), pairwise_fold(rc, r2.data(), -2.0), tol);

    g_last_iteration = -1;
    terminal_fold_values(record, out, reach, 2.0);
    std::vector<f64> want(rc.size());
    fold_value_combos_approx(want.data(), r.data(), rc.size(), 2.0);
    expect_near_all(values_of(out), want, 0.0);
    terminal_showdown_values(record, out, reach, 2.0);
    showdown_value_combos_approx(want.data(), r.data(), rc.size(), rc.runs.data(), 2.0);
    expect_near_all(values_of(out), want, 0.0);
    g_last_iteration = 0;
}

}  // namespace
