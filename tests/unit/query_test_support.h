// Helpers of the query tests: small trees built through the protocol as a
// user builds them (ranges, board, pot, lines, build_tree), per-hand rows
// read back from the output, and a fixture that leaves no tree, lines,
// ranges or board behind.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "shell/settings.h"
#include "query_state_reset.h"
#include "shell_test_support.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

// Four-character text of the hand at protocol index h ("AhKd").
inline std::string protocol_hand_text(int h) {
    return std::string(g_hand_text + 5 * h, 4);
}

// 1326 range tokens in protocol order: 1 where the predicate holds on the
// hand text, else 0.
inline std::string range_tokens(const std::function<bool(const std::string&)>& in_range) {
    std::string text;
    for (int h = 0; h < kHandCount; ++h) {
        if (h > 0) text += ' ';
        text += in_range(protocol_hand_text(h)) ? "1" : "0";
    }
    return text;
}

// Hands whose two ranks are both among `ranks` ("AK" gives AA, KK, AK).
inline std::function<bool(const std::string&)> ranks_in(const std::string& ranks) {
    return [ranks](const std::string& hand) {
        return ranks.find(hand[0]) != std::string::npos && ranks.find(hand[2]) != std::string::npos;
    };
}

// One per-hand row of the output (1326 numbers in protocol order) in combo
// order; "nan" reads as NaN.
inline std::vector<f64> combo_row(const std::string& line) {
    std::vector<f64> protocol;
    std::istringstream in(line);
    std::string token;
    while (in >> token) protocol.push_back(token == "nan" ? std::nan("") : std::stod(token));
    EXPECT_EQ(protocol.size(), static_cast<std::size_t>(kHandCount));
    std::vector<f64> combos(kHandCount, std::nan(""));
    for (int h = 0; h < kHandCount && h < static_cast<int>(protocol.size()); ++h) {
        combos[g_protocol_to_combo[h]] = protocol[static_cast<std::size_t>(h)];
    }
    return combos;
}

inline std::vector<std::string> output_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Card mask of the hand at combo index c.
inline u64 combo_mask_of(int c) {
    return g_protocol_mask[g_combo_to_protocol[c]];
}

class QueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_eval_tables();
        init_hand_tables();
    }
    void SetUp() override { clear_state(); }
    void TearDown() override { clear_state(); }

    static void clear_state() { reset_query_state(); }

    // Ranges, board and pot 100, the lines, then build_tree; every step must
    // be confirmed.
    static void build(const std::string& oop, const std::string& ip, const std::string& board,
                      const std::vector<std::string>& lines) {
        ASSERT_EQ(run_line("set_range OOP " + oop), "set_range ok!\n");
        ASSERT_EQ(run_line("set_range IP " + ip), "set_range ok!\n");
        ASSERT_EQ(run_line("set_board " + board), "set_board ok!\n");
        ASSERT_EQ(run_line("set_pot 0 0 100"), "set_pot ok!\n");
        for (const std::string& line : lines) {
            ASSERT_EQ(run_line("add_line " + line), "add_line ok!\n");
        }
        ASSERT_EQ(run_line("build_tree"), "build_tree ok!\n");
    }
};
