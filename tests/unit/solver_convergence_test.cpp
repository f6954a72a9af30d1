// Solves of small river, turn and flop trees: the exploitability falls below
// a target, the values add up to the pot, the three schedulers of the work
// items agree, and a pass leaves nothing behind.
#include <gtest/gtest.h>

#include <cmath>

#include "solver/work_items.h"
#include "solver/worker_pool.h"
#include "solver_test_support.h"

namespace {

constexpr f64 kPot = 100.0;

// Lines of one street from `street`: OOP bets half the pot or checks; IP
// calls or folds a bet, bets half the pot or checks behind a check (OOP
// then calls or folds). Where the street closes, `next` continues the line
// with the pot so far (half of it per player), or a showdown on the river.
struct LineBuilder {
    RecordList list;

    void street(i32 parent_or_root, u32 s, f64 half) {
        const bool root = parent_or_root < 0;
        const i32 oop = list.decision(root ? -1 : parent_or_root, 0, s);
        const f64 bet = half;
        const i32 facing_bet = list.decision(oop, 1, s);
        close(facing_bet, s, half + bet);
        list.fold(facing_bet, half);
        const i32 checked = list.decision(oop, 1, s);
        const i32 facing_stab = list.decision(checked, 0, s);
        close(facing_stab, s, half + bet);
        list.fold(facing_stab, half);
        close(checked, s, half);
    }

    // The street closes with the pot at `half` per player.
    void close(i32 parent, u32 s, f64 half) {
        if (s == kStreetRiver) {
            list.showdown(parent, half);
            return;
        }
        street(parent, s + 1, half);
    }
};

RecordList lines_from(u32 street) {
    LineBuilder builder;
    builder.street(-1, street, kPot / 2);
    return builder.list;
}

class SmallSolves : public SolverTest {
protected:
    // Iterates until the measured exploitability is below `target` or the
    // iterations run out; returns the last measurement.
    static SolverStatsRecord solve(Tree& tree, f64 target, int max_iterations) {
        SolverStatsRecord r;
        for (int done = 0; done < max_iterations; done += 25) {
            r = iterate(tree, 25);
            if (r.exploitability < target) break;
        }
        return r;
    }

    static void expect_solved(const SolverStatsRecord& r, f64 target) {
        EXPECT_LT(r.exploitability, target);
        EXPECT_GT(r.exploitability, -1e-9);
        // A best response never does worse than the strategy it replaces.
        EXPECT_GE(r.mes_oop, r.ev_oop - 1e-9);
        EXPECT_GE(r.mes_ip, r.ev_ip - 1e-9);
        // Zero-sum: the two values split the pot already in the middle.
        EXPECT_NEAR(r.ev_oop + r.ev_ip, 0.0, 1e-6);
    }
};

const std::vector<const char*> kRiverBoard = {"Ks", "Qd", "7h", "4c", "2s"};
const std::vector<const char*> kTurnBoard = {"Ks", "Qd", "7h", "4c"};
const std::vector<const char*> kFlopBoard = {"Ks", "Qd", "7h"};

std::vector<f64> oop_range(u64 dead) {
    return ranks_range({"77", "KQ", "AQ", "JT", "65", "A5"}, dead);
}

std::vector<f64> ip_range(u64 dead) {
    return ranks_range({"AK", "QJ", "99", "T9", "87"}, dead);
}

// Fewer hands for the flop, whose tree deals every turn and river card.
std::vector<f64> small_oop_range(u64 dead) {
    return ranks_range({"77", "KQ", "65"}, dead);
}

std::vector<f64> small_ip_range(u64 dead) {
    return ranks_range({"AK", "99", "87"}, dead);
}

TEST_F(SmallSolves, RiverTreeReachesTarget) {
    const u64 dead = board_mask(kRiverBoard);
    Tree& tree = build(lines_from(kStreetRiver), kRiverBoard, oop_range(dead), ip_range(dead));
    expect_solved(solve(tree, 0.05, 2000), 0.05);
}

TEST_F(SmallSolves, TurnTreeReachesTarget) {
    const u64 dead = board_mask(kTurnBoard);
    Tree& tree = build(lines_from(kStreetTurn), kTurnBoard, oop_range(dead), ip_range(dead));
    expect_solved(solve(tree, 0.25, 600), 0.25);
}

TEST_F(SmallSolves, FlopTreeReachesTarget) {
    const u64 dead = board_mask(kFlopBoard);
    Tree& tree =
        build(lines_from(kStreetFlop), kFlopBoard, small_oop_range(dead), small_ip_range(dead), 1);
    expect_solved(solve(tree, 1.0, 300), 1.0);
}

TEST_F(SmallSolves, IterationCountsAndLeavesNoWork) {
    const u64 dead = board_mask(kTurnBoard);
    Tree& tree = build(lines_from(kStreetTurn), kTurnBoard, oop_range(dead), ip_range(dead));
    EXPECT_NE(tree.flags & kTreeNew, 0u);
    solver_iteration(tree);
    EXPECT_EQ(tree.iteration, 1u);
    EXPECT_EQ(tree.flags & kTreeNew, 0u);
    EXPECT_TRUE(g_work_items.empty());
    EXPECT_TRUE(g_chance_shares.empty());
    EXPECT_EQ(tree.capture_request, nullptr);
}

// The schedulers hand the same items out differently; only the order in
// which the items' values are added may differ.
TEST_F(SmallSolves, SchedulersAgree) {
    const u64 dead = board_mask(kFlopBoard);
    SolverStatsRecord results[3];
    for (i32 scheduler = 0; scheduler < 3; ++scheduler) {
        g_scheduler = scheduler;
        Tree& tree = build(lines_from(kStreetFlop), kFlopBoard, small_oop_range(dead),
                           small_ip_range(dead), 1);
        results[scheduler] = iterate(tree, 10);
    }
    for (const SolverStatsRecord& r : results) {
        EXPECT_NEAR(r.ev_oop, results[0].ev_oop, 1e-9);
        EXPECT_NEAR(r.ev_ip, results[0].ev_ip, 1e-9);
        EXPECT_NEAR(r.mes_oop, results[0].mes_oop, 1e-9);
        EXPECT_NEAR(r.mes_ip, results[0].mes_ip, 1e-9);
    }
    // A stopped pool starts afresh on the next batch.
    stop_worker_pool();
    g_scheduler = 2;
    Tree& tree =
        build(lines_from(kStreetFlop), kFlopBoard, small_oop_range(dead), small_ip_range(dead), 1);
    const SolverStatsRecord again = iterate(tree, 10);
    EXPECT_NEAR(again.ev_oop, results[0].ev_oop, 1e-9);
    stop_worker_pool();
}

}  // namespace
