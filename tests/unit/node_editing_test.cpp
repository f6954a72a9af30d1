// lock_node, unlock_node, set_strategy and set_ev_boost: the strategy set
// comes back from show_strategy on flop, turn and river nodes (river block
// stores, 16-bit regrets, suit isomorphism), a refused command changes
// nothing, strategy sums are cleared once they count, and a locked node
// keeps its strategy through a solve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cards/card_text.h"
#include "query_test_support.h"
#include "storage/node_data.h"
#include "tree/tree.h"

namespace {

class NodeEditing : public QueryTest {
protected:
    static void build_river() {
        build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h",
              {"0 0", "50 50", "0 50 50"});
    }

    static std::string set_strategy_line(const std::string& path, const std::string& action,
                                         const std::vector<std::string>& protocol_tokens) {
        std::string line = "set_strategy " + path + " " + action;
        for (const std::string& token : protocol_tokens) line += " " + token;
        return line;
    }

    // set_strategy with per-combo values in combo order.
    static std::string set_strategy(const std::string& path, int action,
                                    const std::vector<f64>& combo_values) {
        std::vector<std::string> tokens(kHandCount);
        for (int h = 0; h < kHandCount; ++h) {
            tokens[static_cast<std::size_t>(h)] =
                std::to_string(combo_values[g_protocol_to_combo[h]]);
        }
        return run_line(set_strategy_line(path, std::to_string(action), tokens));
    }

    static std::vector<std::vector<f64>> strategy_rows(const std::string& path) {
        const std::vector<std::string> lines = output_lines(run_line("show_strategy " + path));
        std::vector<std::vector<f64>> rows;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) rows.push_back(combo_row(lines[i]));
        return rows;
    }

    // Pure strategy: action 0 for hands holding an ace, action 1 otherwise.
    static std::vector<std::vector<f64>> ace_bets() {
        std::vector<std::vector<f64>> values(2, std::vector<f64>(kHandCount, 0.0));
        for (int c = 0; c < kHandCount; ++c) {
            const bool ace = (combo_mask_of(c) & ace_mask()) != 0;
            values[ace ? 0 : 1][static_cast<std::size_t>(c)] = 1.0;
        }
        return values;
    }

    static u64 ace_mask() {
        u64 mask = 0;
        for (int suit = 0; suit < 4; ++suit) mask |= card_bit(suit * 13 + 12);
        return mask;
    }

    static void set_pure(const std::string& path) {
        const std::vector<std::vector<f64>> values = ace_bets();
        ASSERT_EQ(set_strategy(path, 0, values[0]), "set_strategy ok!\n");
        ASSERT_EQ(set_strategy(path, 1, values[1]), "set_strategy ok!\n");
    }

    // Every hand in the player's range and off the board shows the pure
    // strategy of ace_bets, mapped through `image` (a suit relabelling).
    static void expect_pure(const std::string& path, int player, u64 board,
                            u64 (*image)(u64) = nullptr) {
        const std::vector<std::vector<f64>> rows = strategy_rows(path);
        ASSERT_EQ(rows.size(), 2u) << path;
        int checked = 0;
        for (int c = 0; c < kHandCount; ++c) {
            const u64 hand = combo_mask_of(c);
            if ((hand & board) || g_tree->ranges[player][static_cast<std::size_t>(c)] == 0.0) {
                continue;
            }
            const u64 source = image ? image(hand) : hand;
            const f64 expected = (source & ace_mask()) ? 1.0 : 0.0;
            EXPECT_NEAR(rows[0][c], expected, 1e-6) << path << " combo " << c;
            EXPECT_NEAR(rows[1][c], 1.0 - expected, 1e-6) << path << " combo " << c;
            ++checked;
        }
        EXPECT_GT(checked, 0) << path;
    }
};

constexpr const char* kIncorrect = "ERROR: set_strategy incorrect path\n";

TEST_F(NodeEditing, RefusedCommandsChangeNothing) {
    build_river();
    const std::vector<std::string> halves(kHandCount, "0.5");
    EXPECT_EQ(run_line(set_strategy_line("r:0", "2", halves)),
              "ERROR: set_strategy invalid child index\n");
    EXPECT_EQ(run_line(set_strategy_line("r:0", "-1", halves)),
              "ERROR: set_strategy invalid child index\n");
    EXPECT_EQ(run_line(set_strategy_line("r:0", "x", halves)), "Invalid value\n");
    EXPECT_EQ(run_line(set_strategy_line("r", "0", halves)), kIncorrect);
    EXPECT_EQ(run_line(set_strategy_line("r:0:b50:c", "0", halves)), kIncorrect);
    EXPECT_EQ(run_line("set_strategy r:0 0 1"),
              "ERROR: set_strategy incorrect or missing argument\n");

    set_pure("r:0");
    g_tree->iteration = 30;
    for (const char* bad : {"x", "-0.5", "nan", "inf", "1e999"}) {
        std::vector<std::string> tokens(kHandCount, "0.5");
        tokens.back() = bad;
        EXPECT_EQ(run_line(set_strategy_line("r:0", "0", tokens)), "Invalid value\n") << bad;
    }
    expect_pure("r:0", 0, g_flop_mask | g_turn_mask | g_river_mask);

    for (const char* command : {"lock_node", "unlock_node"}) {
        for (const char* path : {"r", "r:0:b50:c", "r:0:b50:f"}) {
            EXPECT_EQ(run_line(std::string(command) + " " + path),
                      std::string("ERROR: ") + command + " incorrect path\n");
        }
    }
}

TEST_F(NodeEditing, StrategySetOnFlopTurnAndRiverNodesComesBack) {
    // 16-bit river regrets and suit isomorphism on the turn boards.
    build(range_tokens(ranks_in("AKQ")), range_tokens(ranks_in("AKQJ")), "Kh 7h 2h",
          {"0 0", "50 50 50 50", "50 50 100 100 100 100", "50 50 100 100 200 200"});
    set_pure("r:0");
    set_pure("r:0:b50:c:Qs");
    set_pure("r:0:b50:c:Qs:b100:c:Jd");
    g_tree->iteration = 30;
    const u64 flop = g_flop_mask;
    expect_pure("r:0", 0, flop);
    expect_pure("r:0:b50:c:Qs", 0, flop | card_bit(parse_card("Qs")));
    expect_pure("r:0:b50:c:Qs:b100:c:Jd", 0,
                flop | card_bit(parse_card("Qs")) | card_bit(parse_card("Jd")));
    // Qd is isomorphic to Qs on a flop of hearts: the strategy of a hand at
    // Qd is that of its image with spades and diamonds swapped at Qs.
    expect_pure("r:0:b50:c:Qd", 0, flop | card_bit(parse_card("Qd")), [](u64 hand) {
        const u64 diamonds = (hand >> 13) & 0x1FFF;
        const u64 spades = (hand >> 39) & 0x1FFF;
        return (hand & ~((u64{0x1FFF} << 13) | (u64{0x1FFF} << 39))) | (spades << 13) |
               (diamonds << 39);
    });
    // Another turn card keeps the uniform strategy.
    const std::vector<std::vector<f64>> other = strategy_rows("r:0:b50:c:Qh");
    ASSERT_EQ(other.size(), 2u);
    const int aces = combo_index(parse_card("Ac"), parse_card("Ad"));
    EXPECT_DOUBLE_EQ(other[0][aces], 0.5);
}

TEST_F(NodeEditing, StrategySumsAreClearedOnceTheyCount) {
    build_river();
    run_line("show_strategy r:0");  // gives the stores their memory
    TreeNode& node = g_tree->nodes[static_cast<std::size_t>(g_line_tree->index)];
    const i32 b = g_tree->root_board_index;
    const i32 r = g_tree->root_river_index;
    const i32 hands = static_cast<i32>(g_tree->street_data->boards[static_cast<std::size_t>(b)]
                                           .runouts[static_cast<std::size_t>(r)]
                                           .hands.size());
    DoubleArray ones;
    ones.resize(hands);
    std::fill(ones.data, ones.data + hands, 1.0);
    for (i32 a = 0; a < 2; ++a) ASSERT_TRUE(node.strategy_sums->store_row(b, r, a, ones));

    auto sums_of = [&](i32 action) {
        std::vector<DoubleArray> rows;
        const std::vector<f32> zeros(2, 0.0f);
        node.strategy_sums->average_strategy(rows, b, r, zeros);
        return rows[static_cast<std::size_t>(action)].data[0];
    };
    g_tree->iteration = 60;
    set_pure("r:0");
    EXPECT_NEAR(sums_of(0), 0.5, 1e-6);  // not counted yet: left alone
    g_tree->iteration = 61;
    const std::vector<std::vector<f64>> values = ace_bets();
    ASSERT_EQ(set_strategy("r:0", 1, values[1]), "set_strategy ok!\n");
    EXPECT_NEAR(sums_of(0), 1.0, 1e-6);  // action 1 cleared, action 0 kept
    EXPECT_DOUBLE_EQ(sums_of(1), 0.0);
}

TEST_F(NodeEditing, EvBoostOfDecisionNodes) {
    EXPECT_EQ(run_line("set_ev_boost r:0 0.5"), "ERROR: set_ev_boost missing/incorrect tree\n");
    build_river();
    const TreeNode& root = g_tree->nodes[static_cast<std::size_t>(g_line_tree->index)];
    EXPECT_EQ(run_line("set_ev_boost r:0 0.5"), "set_ev_boost ok!\n");
    EXPECT_FLOAT_EQ(root.ev_boost, 0.5f);
    EXPECT_EQ(run_line("set_ev_boost r:0 -0.99"), "set_ev_boost ok!\n");
    EXPECT_FLOAT_EQ(root.ev_boost, -0.99f);
    EXPECT_EQ(run_line("set_ev_boost r:0 1"), "set_ev_boost ok!\n");
    for (const char* refused : {"r:0 1.5", "r:0 -1", "r 0.5", "r:0:b50:c 0.5", "r:0:b50:f 0"}) {
        EXPECT_EQ(run_line(std::string("set_ev_boost ") + refused),
                  "ERROR: set_ev_boost incorrect or missing argument\n")
            << refused;
    }
    EXPECT_EQ(run_line("set_ev_boost r:0 nan"), "Invalid value\n");
    EXPECT_EQ(run_line("set_ev_boost r:0 x"), "Invalid value\n");
    EXPECT_EQ(run_line("set_ev_boost r:7 0.5"), "ERROR: set_ev_boost incorrect path\n");
    EXPECT_FLOAT_EQ(root.ev_boost, 1.0f);
    const TreeNode& ip = g_tree->nodes[static_cast<std::size_t>(g_line_tree->child(0.0)->index)];
    EXPECT_EQ(run_line("set_ev_boost r:0:c 0.25"), "set_ev_boost ok!\n");
    EXPECT_FLOAT_EQ(ip.ev_boost, 0.25f);
}

TEST_F(NodeEditing, LockedNodeKeepsItsStrategyThroughSolve) {
    build_river();
    set_pure("r:0");
    ASSERT_EQ(run_line("lock_node r:0"), "lock_node ok!\n");
    ASSERT_EQ(run_line("set_threads 1"), "set_threads ok!\n");
    // go confirms on the solver's own output, not in the command's.
    run_line("go 70 steps");
    run_line("wait_for_solver");
    ASSERT_GE(g_tree->iteration, 63u);
    expect_pure("r:0", 0, g_flop_mask | g_turn_mask | g_river_mask);
    // The unlocked answer to a check moved away from uniform.
    const std::vector<std::vector<f64>> ip = strategy_rows("r:0:c");
    ASSERT_EQ(ip.size(), 2u);
    bool moved = false;
    for (int c = 0; c < kHandCount; ++c) {
        if (!std::isnan(ip[0][c]) && ip[0][c] != 0.0 && std::fabs(ip[0][c] - 0.5) > 0.01) {
            moved = true;
        }
    }
    EXPECT_TRUE(moved);
}

}  // namespace
