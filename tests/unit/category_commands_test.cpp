// The hand-category commands through the dispatcher: exact name lines, the
// board read from any spelling of its cards and handed over in ascending card
// index, the rows' shape and dead hands, and every refusal.
#include "queries/category_commands.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cards/evaluator.h"
#include "cards/hand_categories.h"
#include "cards/hand_tables.h"
#include "queries/category_report.h"
#include "shell_test_support.h"

namespace {

class CategoryCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_eval_tables();
        init_hand_tables();
    }
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<int> numbers_of(const std::string& row) {
    std::vector<int> numbers;
    std::istringstream in(row);
    for (int n; in >> n;) numbers.push_back(n);
    return numbers;
}

std::string report_for(const ClassifierBoard& board) {
    g_output_buffer.clear();
    print_hand_categories(board);
    std::string printed = g_output_buffer;
    g_output_buffer.clear();
    return printed;
}

TEST_F(CategoryCommands, NamesPrintTwoLinesAndEnd) {
    EXPECT_EQ(
        run_line("show_category_names"),
        "nothing king_high ace_high low_pair third_pair second_pair underpair top_pair "
        "top_pair_tp overpair two_pair trips set straight flush fullhouse top_fullhouse quads "
        "straight_flush \n"
        "no_draw 4out_straight_draw 8out_straight_draw flush_draw combo_draw \n"
        "END\n");
    EXPECT_EQ(run_line("show_category_names now"),
              "ERROR: show_category_names incorrect or missing argument\n");
}

TEST_F(CategoryCommands, BoardInAnySpellingIsHandedOverInCardIndexOrder) {
    // 2c, 7d, Ks: clubs first, so classifier numbers 51, 30, 4.
    const std::string expected = report_for(ClassifierBoard{{51, 30, 4, 0, 0}, 3});
    for (const char* line :
         {"show_categories Ks 7d 2c", "show_categories ks7d2c", "show_categories KS7D2C",
          "show_categories 2c Ks 7d", "show_categories \"Ks 7d\" 2C", "show_categories Ks7d 2c"}) {
        EXPECT_EQ(run_line(line), expected) << line;
    }
}

TEST_F(CategoryCommands, RowsHoldEveryHandWithATrailingBlank) {
    const std::vector<std::string> lines = lines_of(run_line("show_categories Ks 7d 2c"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "END");
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(lines[row].back(), ' ');
        EXPECT_EQ(numbers_of(lines[row]).size(), static_cast<std::size_t>(kHandCount));
    }
    const std::vector<int> made = numbers_of(lines[0]);
    const std::vector<int> draws = numbers_of(lines[1]);
    // 2d2c shares the deuce of clubs: dead, 0 in the made row, -1 in the draws.
    EXPECT_EQ(made[0], 0);
    EXPECT_EQ(draws[0], -1);
    EXPECT_EQ(made[2], kMadeSet);          // 2h2d
    EXPECT_EQ(made[1325], kMadeOverpair);  // AsAh
}

TEST_F(CategoryCommands, RiverBoardDrawsAreAllZero) {
    const std::vector<std::string> lines = lines_of(run_line("show_categories 7s7d7c2h2d"));
    ASSERT_EQ(lines.size(), 3u);
    for (int draw : numbers_of(lines[1])) EXPECT_EQ(draw, 0);
    const std::vector<int> made = numbers_of(lines[0]);
    EXPECT_EQ(made[3], kMadeQuads);  // 2s2c
}

TEST_F(CategoryCommands, TurnBoardMarksDeadHands) {
    const std::vector<int> draws = numbers_of(lines_of(run_line("show_categories 9h8h2cKd"))[1]);
    int dead = 0;
    for (int d : draws) dead += d == -1;
    EXPECT_EQ(dead, 4 * 48 + 6);
}

TEST_F(CategoryCommands, Refusals) {
    const std::string invalid_card = "ERROR: invalid card\n";
    const std::string invalid_board = "ERROR: show_categories invalid board\n";
    EXPECT_EQ(run_line("show_categories Ks Ks 2c"), invalid_card);
    EXPECT_EQ(run_line("show_categories Ks 7x 2c"), invalid_card);
    EXPECT_EQ(run_line("show_categories Ks 7d 2"), invalid_card);
    EXPECT_EQ(run_line("show_categories 10s 7d 2c"), invalid_card);
    EXPECT_EQ(run_line("show_categories \" Ks\" 7d 2c"), invalid_card);
    EXPECT_EQ(run_line("show_categories Ks 7d"), invalid_board);
    EXPECT_EQ(run_line("show_categories"), invalid_board);
    EXPECT_EQ(run_line("show_categories Ks 7d 2c 3h 4h 5h"), invalid_board);
    // Past the 255 characters of the card buffer, even blanks that would be
    // skipped: the text is refused as a whole, not cut.
    EXPECT_EQ(run_line("show_categories \"Ks" + std::string(260, ' ') + "\" 7d 2c"), invalid_card);
    EXPECT_EQ(run_line("show_categories \"Ks" + std::string(240, ' ') + "\" 7d 2c"),
              report_for(ClassifierBoard{{51, 30, 4, 0, 0}, 3}));
}

}  // namespace
