// The equity commands run through the dispatcher on check-down trees built
// by the shell, their rows checked against a brute force over every runout.
#include "queries/equity_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cards/card_text.h"
#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "equity_brute_force.h"
#include "equity_query_support.h"
#include "shell/settings.h"
#include "shell_test_support.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

namespace {

class EquityCommandsTest : public EquityQueryTest {
protected:
    // Checks the rows of `calc_eq_node` for the player on the board of the
    // point, and returns the total.
    f64 expect_node(const char* player_name, const std::string& path,
                    const std::vector<const char*>& board) {
        const int player = std::string(player_name) == "OOP" ? 0 : 1;
        const std::vector<f64>& own = player == 0 ? oop_ : ip_;
        const std::vector<f64>& opponent = player == 0 ? ip_ : oop_;
        std::vector<int> cards;
        u64 board_mask = 0;
        for (const char* c : board) {
            cards.push_back(card_of(c));
            board_mask |= u64{1} << card_of(c);
        }
        const Printed got = run_rows(std::string("calc_eq_node ") + player_name + " " + path);
        EXPECT_EQ(got.lines.size(), 4u);
        EXPECT_EQ(got.lines.back(), "END");
        if (got.equity.size() != static_cast<std::size_t>(kHandCount) ||
            got.weight.size() != static_cast<std::size_t>(kHandCount)) {
            ADD_FAILURE() << "rows of " << path;
            return 0.0;
        }
        f64 weighted = 0.0;
        f64 mass = 0.0;
        for (int h = 0; h < kHandCount; ++h) {
            const int c = g_protocol_to_combo[h];
            const auto i = static_cast<std::size_t>(h);
            const bool dead = (brute::combo_cards(c).mask() & board_mask) != 0;
            if (dead || own[static_cast<std::size_t>(c)] == 0.0) {
                // An undefined weight prints as 0, an undefined equity as "nan".
                EXPECT_TRUE(std::isnan(got.equity[i])) << path << " " << h;
                EXPECT_EQ(got.weight[i], 0.0) << path << " " << h;
                continue;
            }
            const brute::Expected want = brute::brute_force(c, cards, own, opponent);
            EXPECT_NEAR(got.equity[i], 0.5 + 0.5 * want.equity, 1e-8) << path << " " << h;
            EXPECT_NEAR(got.weight[i], want.weight, 1e-8 * std::max(1.0, want.weight))
                << path << " " << h;
            weighted += want.weight * (0.5 + 0.5 * want.equity);
            mass += want.weight;
        }
        EXPECT_NEAR(got.total, weighted / mass, 1e-8) << path;
        return got.total;
    }

    void expect_totals_add_to_one(const std::string& path, const std::vector<const char*>& board) {
        const f64 oop = expect_node("OOP", path, board);
        const f64 ip = expect_node("IP", path, board);
        EXPECT_NEAR(oop + ip, 1.0, 1e-8) << path;
    }
};

TEST_F(EquityCommandsTest, RiverNodesMatchBruteForce) {
    build("Kh 7d 2c 9s 4d", "0 0");
    const std::vector<const char*> board = {"Kh", "7d", "2c", "9s", "4d"};
    expect_totals_add_to_one("r:0", board);
    expect_totals_add_to_one("r:0:c", board);
    EXPECT_EQ(run_line("calc_eq_node OOP r"), run_line("calc_eq_node OOP r:0"));
}

TEST_F(EquityCommandsTest, TurnNodesMatchBruteForce) {
    build("Kh 7d 2c 9s", "0 0 0 0");
    expect_totals_add_to_one("r:0", {"Kh", "7d", "2c", "9s"});
    expect_totals_add_to_one("r:0:c:c:4d", {"Kh", "7d", "2c", "9s", "4d"});
    // A turn-rooted tree: calc_eq is the equity on the board's own turn.
    const Printed eq = run_rows("calc_eq IP");
    const Printed node = run_rows("calc_eq_node IP r:0");
    EXPECT_EQ(eq.lines[0], node.lines[0]);
    EXPECT_EQ(eq.lines[1], node.lines[1]);
}

TEST_F(EquityCommandsTest, FlopNodesMatchBruteForce) {
    ASSERT_EQ(run_line("set_isomorphism 0 0"), "set_isomorphism ok!\n");
    build("Kh 7d 2c", "0 0 0 0 0 0");
    ASSERT_EQ(run_line("set_isomorphism 1 0"), "set_isomorphism ok!\n");
    expect_totals_add_to_one("r:0", {"Kh", "7d", "2c"});
    expect_totals_add_to_one("r:0:c:c:Ts", {"Kh", "7d", "2c", "Ts"});
    expect_totals_add_to_one("r:0:c:c:Ts:c:c:3h", {"Kh", "7d", "2c", "Ts", "3h"});
    // The chance point before the turn is valued over every turn card.
    EXPECT_EQ(run_line("calc_eq_node OOP r:0:c:c"), run_line("calc_eq_node OOP r:0"));
    const Printed eq = run_rows("calc_eq OOP");
    const Printed node = run_rows("calc_eq_node OOP r:0");
    EXPECT_EQ(eq.lines[0], node.lines[0]);
    EXPECT_EQ(eq.lines[1], node.lines[1]);
    EXPECT_EQ(eq.lines.size(), 3u);
}

// Under flop isomorphism a turn card stands for its suit-swapped images; the
// rows come back for the actual cards.
TEST_F(EquityCommandsTest, IsomorphicTurnCards) {
    std::vector<f64> pairs(kHandCount, 0.0);
    std::vector<f64> suited(kHandCount, 0.0);
    for (int cls : {0, 14, 28, 168}) {
        for (u16 combo : g_hand_class_combos[cls]) pairs[combo] = 1.0;
    }
    for (int cls : {90, 140}) {
        for (u16 combo : g_hand_class_combos[cls]) suited[combo] = 0.5;
    }
    build_with("Kh 7h 2c", {"0 0 0 0 0 0"}, pairs, suited);
    ASSERT_TRUE(g_tree->flags & kTreeIsomorphism);
    for (const char* turn : {"Ts", "Td", "3h"}) {
        expect_totals_add_to_one(std::string("r:0:c:c:") + turn, {"Kh", "7h", "2c", turn});
    }
}

// One line per hand of the hand order at the root, with the calc_eq values
// of the chosen player; the order follows the root's acting player (OOP).
TEST_F(EquityCommandsTest, ListingFollowsHandOrder) {
    build("Kh 7d 2c 9s 4d", "0 0");
    const Printed eq = run_rows("calc_eq OOP");
    const std::vector<std::string> lines = lines_of(run_line("calc_eq_pp OOP"));
    ASSERT_EQ(lines.size(), 5u);  // four OOP hands avoid the board
    EXPECT_EQ(lines.back(), "END");
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        ASSERT_EQ(line.substr(4, 2), ": ") << line;
        const int h = static_cast<int>(std::string(g_hand_text).find(line.substr(0, 4))) / 5;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.2f; %.2f",
                      100.0 * eq.equity[static_cast<std::size_t>(h)],
                      eq.weight[static_cast<std::size_t>(h)]);
        EXPECT_EQ(line.substr(6), expected);
    }
    // Raw strength on the river: trips, then pairs of queens, nines, sevens.
    EXPECT_EQ(lines[0].substr(0, 4), "2s2h");
    EXPECT_EQ(lines[1].substr(0, 4), "QsQd");
    EXPECT_EQ(lines[2].substr(0, 4), "Td9d");
    EXPECT_EQ(lines[3].substr(0, 4), "7c6c");
    const std::vector<std::string> ip_lines = lines_of(run_line("calc_eq_pp IP"));
    ASSERT_EQ(ip_lines.size(), 5u);
    EXPECT_NE(ip_lines[0].find("nan"), std::string::npos);  // an OOP hand IP never holds
}

// Without a tree the equity step leaves its zeros: every hand shows a half
// share and no weight, whether ranges have been set or not; the commands
// that need a point of the tree fail on the missing tree.
TEST_F(EquityCommandsTest, NoTree) {
    const auto expect_zero_rows = [](const std::string& command) {
        const Printed eq = run_rows(command);
        ASSERT_EQ(eq.lines.size(), 3u) << command;
        EXPECT_EQ(eq.equity, std::vector<f64>(kHandCount, 0.5)) << command;
        EXPECT_EQ(eq.weight, std::vector<f64>(kHandCount, 0.0)) << command;
        EXPECT_EQ(eq.lines.back(), "END") << command;
    };
    expect_zero_rows("calc_eq OOP");
    EXPECT_EQ(run_line("calc_eq_pp OOP"), "ERROR: calc_eq_pp missing/incorrect tree\n");
    EXPECT_EQ(run_line("show_probs r:0"), "ERROR: show_probs missing/incorrect tree\n");
    EXPECT_EQ(run_line("show_range IP r:0"), "ERROR: show_range missing/incorrect tree\n");
    ASSERT_EQ(run_line(set_range_line("OOP", range_of(kOopHands))), "set_range ok!\n");
    ASSERT_EQ(run_line(set_range_line("IP", range_of(kIpHands))), "set_range ok!\n");
    expect_zero_rows("calc_eq IP");
    EXPECT_EQ(run_line("calc_eq_node OOP r:0"), "ERROR: calc_eq_node missing/incorrect tree\n");
    EXPECT_EQ(run_line("calc_eq_pp OOP"), "ERROR: calc_eq_pp missing/incorrect tree\n");
}

TEST_F(EquityCommandsTest, Failures) {
    EXPECT_EQ(run_line("calc_eq"), "ERROR: calc_eq incorrect or missing argument\n");
    build("Kh 7d 2c 9s 4d", "0 0");
    EXPECT_EQ(run_line("calc_eq hero2"), "ERROR: calc_eq incorrect player name\n");
    EXPECT_EQ(run_line("calc_eq_node villain r:0:b50"), "ERROR: calc_eq_node incorrect path\n");
    EXPECT_EQ(run_line("calc_eq_node OOP r:1"), "ERROR: calc_eq_node incorrect path\n");
    EXPECT_EQ(run_line("calc_eq_node hero r:0:bx"), "Invalid value\n");
}

}  // namespace
