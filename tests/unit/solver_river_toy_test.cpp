// A river game with a known equilibrium. OOP holds the nuts (sets of sevens)
// and air (six-five), IP holds only bluff-catchers (ace-king) that beat the
// air and lose to the nuts; no hand of one player shares a card with a hand
// of the other, so every matchup counts alike. OOP bets half the pot or
// checks; IP calls or folds a bet and checks behind a check. At equilibrium
// IP calls P / (P + B) of the time, OOP bets every nut hand and bluffs
// N B / (P + B) of its air combos, and OOP wins N / (N + A) (P + c B).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "solver_test_support.h"

namespace {

constexpr f64 kPot = 100.0;
constexpr f64 kBet = 50.0;

// Node indices of the records below.
constexpr u32 kRoot = 0;
constexpr u32 kFacingBet = 1;
constexpr u32 kFacingCheck = 4;

RecordList bet_or_check_river() {
    RecordList list;
    const i32 root = list.decision(-1, 0, kStreetRiver);
    const i32 bet = list.decision(root, 1, kStreetRiver);
    list.showdown(bet, kPot / 2 + kBet);
    list.fold(bet, kPot / 2);
    const i32 check = list.decision(root, 1, kStreetRiver);
    list.showdown(check, kPot / 2);
    return list;
}

const std::vector<const char*> kBoard = {"Ks", "Qd", "7h", "4c", "2s"};

struct Hands {
    std::vector<int> nuts, air, catchers;
};

std::vector<int> combos_of(const std::vector<f64>& range) {
    std::vector<int> combos;
    for (int c = 0; c < kHandCount; ++c) {
        if (range[static_cast<std::size_t>(c)] > 0.0) combos.push_back(c);
    }
    return combos;
}

class RiverToyGame : public SolverTest {
protected:
    void SetUp() override {
        SolverTest::SetUp();
        const u64 dead = board_mask(kBoard);
        nuts_ = ranks_range({"77"}, dead);
        air_ = ranks_range({"65"}, dead);
        catchers_ = ranks_range({"AK"}, dead);
        std::vector<f64> oop = nuts_;
        for (int c = 0; c < kHandCount; ++c) oop[c] += air_[c];
        tree_ = &build(bet_or_check_river(), kBoard, oop, catchers_);
        hands_ = {combos_of(nuts_), combos_of(air_), combos_of(catchers_)};
    }

    // Mean over the combos of one action's average-strategy value.
    f64 mean_frequency(u32 node, u32 action, const std::vector<int>& combos) const {
        std::vector<DoubleArray> rows = average_rows(tree_->nodes[node], 0, 0);
        const RiverRecord& runout = tree_->street_data->boards[0].runouts[0];
        f64 sum = 0.0;
        for (int c : combos) sum += rows[action].data[runout.combo_map[c]];
        return sum / static_cast<f64>(combos.size());
    }

    std::vector<f64> nuts_, air_, catchers_;
    Tree* tree_ = nullptr;
    Hands hands_;
};

TEST_F(RiverToyGame, RangesHaveTheShapeTheAnalysisAssumes) {
    EXPECT_EQ(hands_.nuts.size(), 3u);
    EXPECT_EQ(hands_.air.size(), 16u);
    EXPECT_EQ(hands_.catchers.size(), 12u);
    // Every OOP hand meets every IP hand.
    for (const std::vector<int>* side : {&hands_.nuts, &hands_.air}) {
        for (int mine : *side) {
            for (int theirs : hands_.catchers) {
                const RiverRecord& runout = tree_->street_data->boards[0].runouts[0];
                const u64 a = runout.hands[runout.combo_map[mine]];
                const u64 b = runout.hands[runout.combo_map[theirs]];
                EXPECT_EQ(a & b, 0u);
            }
        }
    }
}

TEST_F(RiverToyGame, SolvedValuesAndFrequenciesMatchTheEquilibrium) {
    const SolverStatsRecord r = iterate(*tree_, 1000);
    ASSERT_LT(r.exploitability, 0.01);
    ASSERT_GE(r.exploitability, -1e-9);

    const f64 n = static_cast<f64>(hands_.nuts.size());
    const f64 a = static_cast<f64>(hands_.air.size());
    const f64 call = kPot / (kPot + kBet);
    const f64 bluff = n * kBet / ((kPot + kBet) * a);
    const f64 ev_oop = n / (n + a) * (kPot + call * kBet);

    const f64 tolerance = r.exploitability + 1e-3;
    EXPECT_NEAR(r.ev_oop + kPot / 2, ev_oop, tolerance);
    EXPECT_NEAR(r.ev_ip + kPot / 2, kPot - ev_oop, tolerance);
    EXPECT_NEAR(mean_frequency(kRoot, 0, hands_.nuts), 1.0, 0.01);
    EXPECT_NEAR(mean_frequency(kRoot, 0, hands_.air), bluff, 0.01);
    EXPECT_NEAR(mean_frequency(kFacingBet, 0, hands_.catchers), call, 0.02);
}

// EV, best responses and exploitability recomputed from the average
// strategies, hand by hand, against what the evaluation passes measured.
TEST_F(RiverToyGame, MeasurementMatchesBestResponsesComputedByHand) {
    const SolverStatsRecord r = iterate(*tree_, 200);
    const RiverRecord& runout = tree_->street_data->boards[0].runouts[0];
    std::vector<DoubleArray> bet_rows = average_rows(tree_->nodes[kRoot], 0, 0);
    std::vector<DoubleArray> call_rows = average_rows(tree_->nodes[kFacingBet], 0, 0);
    std::vector<DoubleArray> check_rows = average_rows(tree_->nodes[kFacingCheck], 0, 0);

    // Every row as the store gives it: a node's rows may miss a sum of 1 in
    // the last float bits (even a single action's), and the passes use each
    // row as it is.
    struct OopHand {
        f64 bet, check;
        f64 sign;  // +1 nuts, -1 air
    };
    struct IpHand {
        f64 call, fold, check;
    };
    auto oop_hand = [&](int c, f64 sign) {
        const u16 h = runout.combo_map[c];
        return OopHand{bet_rows[0].data[h], bet_rows[1].data[h], sign};
    };
    std::vector<OopHand> oop;
    for (int c : hands_.nuts) oop.push_back(oop_hand(c, 1.0));
    for (int c : hands_.air) oop.push_back(oop_hand(c, -1.0));
    std::vector<IpHand> ip;
    for (int c : hands_.catchers) {
        const u16 h = runout.combo_map[c];
        ip.push_back({call_rows[0].data[h], call_rows[1].data[h], check_rows[0].data[h]});
    }

    const f64 half = kPot / 2;
    const f64 called = half + kBet;
    const f64 matchups = static_cast<f64>(oop.size() * ip.size());
    f64 ev_oop = 0, mes_oop = 0, ev_ip = 0, mes_ip = 0;
    for (const OopHand& h : oop) {
        f64 bet_value = 0, check_value = 0;
        for (const IpHand& q : ip) {
            bet_value += q.call * h.sign * called + q.fold * half;
            check_value += q.check * h.sign * half;
        }
        ev_oop += h.bet * bet_value + h.check * check_value;
        mes_oop += std::max(bet_value, check_value);
    }
    for (const IpHand& q : ip) {
        // A best response takes the single action after a check outright.
        f64 checked = 0, call_value = 0, fold_value = 0;
        for (const OopHand& h : oop) {
            checked += h.check * -h.sign * half;
            call_value += h.bet * -h.sign * called;
            fold_value += h.bet * -half;
        }
        ev_ip += q.check * checked + q.call * call_value + q.fold * fold_value;
        mes_ip += checked + std::max(call_value, fold_value);
    }
    ev_oop /= matchups;
    mes_oop /= matchups;
    ev_ip /= matchups;
    mes_ip /= matchups;

    EXPECT_NEAR(r.ev_oop, ev_oop, 1e-9);
    EXPECT_NEAR(r.ev_ip, ev_ip, 1e-9);
    EXPECT_NEAR(r.mes_oop, mes_oop, 1e-9);
    EXPECT_NEAR(r.mes_ip, mes_ip, 1e-9);
    EXPECT_NEAR(r.exploitability, 0.5 * (mes_oop + mes_ip - ev_oop - ev_ip), 1e-9);
}

}  // namespace
