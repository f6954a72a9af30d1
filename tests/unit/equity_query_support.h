// Helpers of the equity and expected-value command tests: ranges written as
// hand lists, trees built through the protocol, rows read back from the
// output, and a fixture that leaves no tree, lines, ranges or board behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cards/card_text.h"
#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "shell/output.h"
#include "shell/settings.h"
#include "query_state_reset.h"
#include "shell_test_support.h"
#include "tree/line_tree.h"

inline int card_of(const std::string& text) {
    return parse_card(text);
}

inline std::vector<f64> range_of(const std::vector<std::pair<const char*, f64>>& hands) {
    std::vector<f64> range(kHandCount, 0.0);
    for (const auto& [text, weight] : hands) {
        const std::string s(text);
        range[static_cast<std::size_t>(
            combo_index(card_of(s.substr(0, 2)), card_of(s.substr(2))))] = weight;
    }
    return range;
}

// `set_range` reads weights in protocol order.
inline std::string set_range_line(const char* player, const std::vector<f64>& combo_range) {
    std::ostringstream line;
    line << "set_range " << player;
    for (int h = 0; h < kHandCount; ++h) line << ' ' << combo_range[g_protocol_to_combo[h]];
    return line.str();
}

inline std::vector<f64> parse_row(const std::string& line) {
    std::vector<f64> values;
    std::istringstream in(line);
    std::string token;
    while (in >> token) values.push_back(std::strtod(token.c_str(), nullptr));
    return values;
}

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Equity and weight rows in protocol order, and the total line when printed.
struct Printed {
    std::vector<f64> equity;
    std::vector<f64> weight;
    f64 total = 0.0;
    std::vector<std::string> lines;
};

inline Printed run_rows(const std::string& command) {
    Printed p;
    p.lines = lines_of(run_line(command));
    if (p.lines.size() < 3) return p;
    p.equity = parse_row(p.lines[0]);
    p.weight = parse_row(p.lines[1]);
    if (p.lines.size() == 4) p.total = std::strtod(p.lines[2].c_str(), nullptr);
    return p;
}

inline const std::vector<std::pair<const char*, f64>> kOopHands = {
    {"AhKh", 1.0}, {"QsQd", 0.5}, {"7c6c", 1.0}, {"Td9d", 0.25}, {"2s2h", 1.0}};
inline const std::vector<std::pair<const char*, f64>> kIpHands = {
    {"AcQc", 1.0}, {"JsJh", 0.75}, {"8d7d", 1.0}, {"KdKc", 0.5}, {"5h4h", 1.0}, {"AsTs", 1.0}};

class EquityQueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_eval_tables();
        init_hand_tables();
    }
    void SetUp() override { clear_state(); }
    void TearDown() override { clear_state(); }

    static void clear_state() { reset_query_state(); }

    // A tree of one line on the board with the hand lists above as ranges;
    // "0 0", "0 0 0 0" and "0 0 0 0 0 0" check down from the river, turn
    // and flop.
    void build(const std::string& board, const std::string& line) {
        build_with(board, {line}, range_of(kOopHands), range_of(kIpHands));
    }

    void build_with(const std::string& board, const std::vector<std::string>& lines,
                    std::vector<f64> oop, std::vector<f64> ip) {
        oop_ = std::move(oop);
        ip_ = std::move(ip);
        ASSERT_EQ(run_line(set_range_line("OOP", oop_)), "set_range ok!\n");
        ASSERT_EQ(run_line(set_range_line("IP", ip_)), "set_range ok!\n");
        ASSERT_EQ(run_line("set_board " + board), "set_board ok!\n");
        ASSERT_EQ(run_line("set_pot 0 0 100"), "set_pot ok!\n");
        for (const std::string& line : lines) {
            ASSERT_EQ(run_line("add_line " + line), "add_line ok!\n");
        }
        ASSERT_EQ(run_line("build_tree"), "build_tree ok!\n");
    }

    std::vector<f64> oop_;
    std::vector<f64> ip_;
};
