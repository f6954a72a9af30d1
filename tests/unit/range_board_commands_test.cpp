#include "shell/range_board_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "cards/card_text.h"
#include "cards/hand_tables.h"
#include "shell/settings.h"
#include "shell_test_support.h"

namespace {

class RangeBoardCommands : public ::testing::Test {
protected:
    void SetUp() override {
        init_hand_tables();
        reset_settings();
    }
    void TearDown() override { reset_settings(); }

    static void reset_settings() {
        g_flop_mask = g_turn_mask = g_river_mask = 0;
        g_ranges[0].clear();
        g_ranges[1].clear();
        g_pot_args[0] = g_pot_args[1] = 0.0;
        g_pot_args[2] = 100.0;
        g_accuracy = 0.0;
        g_accuracy_is_fraction = 0;
        g_required_accuracy = 0.0;
    }
};

// Card index 13 x suit + rank; protocol card number 4 x rank + suit.
int protocol_card(int card) {
    return 4 * (card % 13) + card / 13;
}

// Protocol position of a combo, worked out from its two cards.
int protocol_position_of_combo(int combo) {
    for (int hi = 1; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo) {
            if (hi * (hi - 1) / 2 + lo != combo) continue;
            int a = protocol_card(hi);
            int b = protocol_card(lo);
            int phi = a > b ? a : b;
            int plo = a > b ? b : a;
            return phi * (phi - 1) / 2 + plo;
        }
    }
    return -1;
}

std::string range_line(const std::string& player, const std::string& weight_at_999) {
    std::string line = "set_range " + player;
    for (int h = 0; h < kHandCount; ++h) {
        line += ' ';
        line += h == 999 ? weight_at_999 : std::to_string(h);
    }
    return line;
}

u64 mask_of(std::initializer_list<const char*> cards) {
    u64 mask = 0;
    for (const char* card : cards) mask |= card_bit(parse_card(card));
    return mask;
}

TEST_F(RangeBoardCommands, SetRangeStoresProtocolWeightsInComboOrder) {
    EXPECT_EQ(run_line(range_line("villain", "999")), "set_range ok!\n");
    ASSERT_EQ(g_ranges[1].size(), static_cast<std::size_t>(kHandCount));
    EXPECT_TRUE(g_ranges[0].empty());
    for (int c = 0; c < kHandCount; ++c) {
        ASSERT_EQ(g_ranges[1][c], protocol_position_of_combo(c)) << "combo " << c;
    }
    EXPECT_EQ(run_line(range_line("hero", "0.5x")), "set_range ok!\n");
    EXPECT_EQ(g_ranges[0][g_protocol_to_combo[999]], 0.5);
}

TEST_F(RangeBoardCommands, FailedSetRangeLeavesTheRangeUnchanged) {
    run_line(range_line("OOP", "1"));
    std::vector<f64> before = g_ranges[0];
    EXPECT_EQ(run_line(range_line("OOP", "x")), "Invalid value\n");
    EXPECT_EQ(run_line(range_line("OOP", "inf")), "Invalid value\n");
    EXPECT_EQ(run_line(range_line("oop", "1")), "ERROR: set_range incorrect player name\n");
    EXPECT_EQ(g_ranges[0], before);
}

TEST_F(RangeBoardCommands, PlayerNamesAreExact) {
    EXPECT_EQ(parse_player_name("OOP"), 0);
    EXPECT_EQ(parse_player_name("hero"), 0);
    EXPECT_EQ(parse_player_name("IP"), 1);
    EXPECT_EQ(parse_player_name("villain"), 1);
    EXPECT_THROW(parse_player_name("Villain"), std::runtime_error);
    EXPECT_THROW(parse_player_name("OOP "), std::runtime_error);
}

TEST_F(RangeBoardCommands, CardsToTextListsAscendingCardIndex) {
    EXPECT_EQ(cards_to_text(mask_of({"Ah", "Kh"})), "Kh Ah");
    EXPECT_EQ(cards_to_text(mask_of({"As", "2c", "Td"})), "2c Td As");
    EXPECT_EQ(cards_to_text(0), "");
    EXPECT_EQ(cards_to_text(u64{1} << 60), "");
}

TEST_F(RangeBoardCommands, SetBoardFillsFlopTurnAndRiverMasks) {
    EXPECT_EQ(run_line("set_board qs jh 2h"), "set_board ok!\n");
    EXPECT_EQ(g_flop_mask, mask_of({"Qs", "Jh", "2h"}));
    EXPECT_EQ(g_turn_mask, 0u);
    EXPECT_EQ(run_line("set_board QsJh2h Qs Jh 3c TD"), "set_board ok!\n");
    EXPECT_EQ(g_flop_mask, mask_of({"Qs", "Jh", "2h"}));
    EXPECT_EQ(g_turn_mask, mask_of({"3c"}));
    EXPECT_EQ(g_river_mask, mask_of({"Td"}));
    EXPECT_EQ(run_line("set_board Ac Kc Qc"), "set_board ok!\n");
    EXPECT_EQ(g_turn_mask, 0u);
    EXPECT_EQ(g_river_mask, 0u);
}

TEST_F(RangeBoardCommands, RefusedBoardKeepsThePreviousOne) {
    run_line("set_board Qs Jh 2h 3c");
    const char* refused[] = {"set_board Qs Jh 2h Qs",       "set_board Qs Qs Jh",
                             "set_board QsQs Jh 2h",        "set_board QsJh2h",
                             "set_board Qs Jh 2h 3c 4c 5c", "set_board Qs Jh 2h 3c3d"};
    for (const char* line : refused) {
        EXPECT_NE(run_line(line), "set_board ok!\n") << line;
        EXPECT_EQ(g_flop_mask, mask_of({"Qs", "Jh", "2h"})) << line;
        EXPECT_EQ(g_turn_mask, mask_of({"3c"})) << line;
    }
    EXPECT_EQ(run_line("set_board Qs Jh 2h Qs"), "ERROR: set_board duplicate cards\n");
    EXPECT_EQ(run_line("set_board QsQs Jh 2h"), "ERROR: invalid card\n");
    EXPECT_EQ(run_line("set_board " + std::string(256, 'A') + " Jh 2h"), "ERROR: invalid card\n");
}

TEST_F(RangeBoardCommands, SetPotReSendsARelativeAccuracyTarget) {
    g_accuracy = 0.5;
    g_accuracy_is_fraction = 1;
    EXPECT_EQ(run_line("set_pot 10 20 60"), "set_pot ok!\n");
    EXPECT_EQ(g_pot_args[0], 10.0);
    EXPECT_EQ(g_pot_args[1], 20.0);
    EXPECT_EQ(g_pot, 60.0);
    EXPECT_EQ(g_required_accuracy.load(), 30.0);
    g_accuracy_is_fraction = 0;
    run_line("set_pot 0 0 100");
    EXPECT_EQ(g_required_accuracy.load(), 0.5);
}

TEST_F(RangeBoardCommands, SetPotChangesNothingUnlessAllThreeNumbersRead) {
    EXPECT_EQ(run_line("set_pot 1 2 x"), "Invalid value\n");
    EXPECT_EQ(g_pot_args[0], 0.0);
    EXPECT_EQ(g_pot, 100.0);
}

}  // namespace
