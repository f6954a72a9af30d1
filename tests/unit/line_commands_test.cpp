// The line editing commands, run through the dispatcher as the protocol runs
// them, checked against the line tree they leave behind.
#include "shell/line_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "shell/dispatcher.h"
#include "shell/output.h"
#include "tree/line_tree.h"

namespace {

class LineCommands : public ::testing::Test {
protected:
    void SetUp() override {
        reset_line_tree();
        g_output_buffer.clear();
    }
    void TearDown() override {
        reset_line_tree();
        g_output_buffer.clear();
    }

    // Runs one protocol line and returns what it printed.
    static std::string run(const std::string& line) {
        g_output_buffer.clear();
        run_command_line(line);
        std::string printed = g_output_buffer;
        g_output_buffer.clear();
        return printed;
    }

    // Follows keys from the root; null when a key is missing.
    static const LineTreeNode* at(const std::vector<f64>& keys) {
        const LineTreeNode* node = g_line_tree.get();
        for (f64 key : keys) {
            if (node == nullptr) return nullptr;
            node = node->child(key);
        }
        return node;
    }

    static std::vector<f64> keys_at(const std::vector<f64>& keys) {
        std::vector<f64> out;
        const LineTreeNode* node = at(keys);
        if (node == nullptr) return out;
        for (const auto& entry : node->children) out.push_back(entry.first);
        return out;
    }
};

// Every field of every node, pre-order, as text: two trees of the same shape
// and contents give the same dump.
std::string dump(const LineTreeNode& node, f64 key) {
    std::string text = std::to_string(key) + " p" + std::to_string(node.player) + " s" +
                       std::to_string(node.street_offset) + " b" + std::to_string(node.bet_count) +
                       " a" + std::to_string(node.amount) + " c" +
                       std::to_string(node.committed[0]) + "/" + std::to_string(node.committed[1]) +
                       " {";
    for (const auto& [child_key, child] : node.children) text += dump(*child, child_key);
    return text + "}";
}

void expect_node(const LineTreeNode* node, u32 player, i32 street_offset, i32 bet_count, f64 amount,
                 f64 oop, f64 ip) {
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->player, player);
    EXPECT_EQ(node->street_offset, street_offset);
    EXPECT_EQ(node->bet_count, bet_count);
    EXPECT_EQ(node->amount, amount);
    EXPECT_EQ(node->committed[0], oop);
    EXPECT_EQ(node->committed[1], ip);
    EXPECT_EQ(node->index, -1);
}

TEST_F(LineCommands, WorkedExampleCheckBetRaiseCall) {
    EXPECT_EQ(run("add_line 0 50 150 150"), "add_line ok!\n");
    expect_node(at({}), 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(keys_at({}), (std::vector<f64>{0}));
    // OOP checks: IP to act.
    expect_node(at({0}), 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(keys_at({0}), (std::vector<f64>{50, 0}));
    // IP's check behind: an automatic leaf on the flop.
    const LineTreeNode* behind = at({0, 0});
    ASSERT_NE(behind, nullptr);
    EXPECT_EQ(behind->street_offset, 0);
    EXPECT_EQ(behind->amount, 0);
    EXPECT_TRUE(behind->children.empty());
    // IP bets 50: OOP to act facing one bet, with fold and call.
    expect_node(at({0, 50}), 0, 0, 1, 50, 0, 50);
    EXPECT_EQ(keys_at({0, 50}), (std::vector<f64>{150, 50, -1}));
    const LineTreeNode* fold = at({0, 50, -1});
    ASSERT_NE(fold, nullptr);
    EXPECT_EQ(fold->amount, 0);
    EXPECT_EQ(fold->committed[0], 0);
    EXPECT_EQ(fold->committed[1], 50);
    const LineTreeNode* call = at({0, 50, 50});
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->amount, 50);
    EXPECT_EQ(call->committed[0], 50);
    EXPECT_EQ(call->committed[1], 50);
    // OOP raises to 150: IP to act, two bets on the street.
    expect_node(at({0, 50, 150}), 1, 0, 2, 150, 150, 50);
    EXPECT_EQ(keys_at({0, 50, 150}), (std::vector<f64>{150, -1}));
    const LineTreeNode* fold_raise = at({0, 50, 150, -1});
    ASSERT_NE(fold_raise, nullptr);
    EXPECT_EQ(fold_raise->amount, 50);
    EXPECT_EQ(fold_raise->committed[0], 150);
    EXPECT_EQ(fold_raise->committed[1], 50);
    // The last 150 is IP's call, found as the automatic response and rewritten
    // as the first node of the turn.
    expect_node(at({0, 50, 150, 150}), 0, 1, 0, 150, 150, 150);
    EXPECT_TRUE(at({0, 50, 150, 150})->children.empty());
}

TEST_F(LineCommands, CommittedTotalsFollowEachPlayersLastAction) {
    // Flop: bet 20, call. Turn: check, bet 60, raise 200, call. River: bet 500.
    const std::vector<f64> line = {20, 20, 20, 60, 200, 200, 500};
    EXPECT_EQ(run("add_line 20 20 20 60 200 200 500"), "add_line ok!\n");
    // Independent bookkeeping: the actor of each action, street by street.
    f64 totals[2] = {0, 0};
    const u32 actors[] = {0, 1, 0, 1, 0, 1, 0};
    std::vector<f64> path;
    for (std::size_t i = 0; i < line.size(); ++i) {
        totals[actors[i]] = line[i];
        path.push_back(line[i]);
        const LineTreeNode* node = at(path);
        ASSERT_NE(node, nullptr) << i;
        EXPECT_EQ(node->committed[0], totals[0]) << i;
        EXPECT_EQ(node->committed[1], totals[1]) << i;
        EXPECT_EQ(node->amount, line[i]) << i;
    }
    expect_node(at({20, 20}), 0, 1, 0, 20, 20, 20);
    expect_node(at({20, 20, 20}), 1, 1, 0, 20, 20, 20);
    expect_node(at({20, 20, 20, 60, 200, 200}), 0, 2, 0, 200, 200, 200);
    expect_node(at({20, 20, 20, 60, 200, 200, 500}), 1, 2, 1, 500, 500, 200);
    // IP folding to the turn raise keeps its own total of 60.
    const LineTreeNode* fold = at({20, 20, 20, 60, 200, -1});
    ASSERT_NE(fold, nullptr);
    EXPECT_EQ(fold->amount, 60);
    EXPECT_EQ(fold->committed[0], 200);
    EXPECT_EQ(fold->committed[1], 60);
}

TEST_F(LineCommands, EmptyLineAndRepeatedLineChangeNothing) {
    EXPECT_EQ(run("add_line"), "add_line ok!\n");
    EXPECT_TRUE(g_line_tree->children.empty());
    run("add_line 0 50 150 150");
    const std::string once = dump(*g_line_tree, 0);
    EXPECT_EQ(run("add_line 0 50 150 150"), "add_line ok!\n");
    EXPECT_EQ(dump(*g_line_tree, 0), once);
    EXPECT_EQ(run("add_line 0 50"), "add_line ok!\n");
    EXPECT_EQ(dump(*g_line_tree, 0), once);
}

TEST_F(LineCommands, SiblingBetSizesStandInDescendingOrder) {
    run("add_line 0 50");
    run("add_line 0 100");
    run("add_line 0 75");
    run("add_line 30");
    EXPECT_EQ(keys_at({}), (std::vector<f64>{30, 0}));
    EXPECT_EQ(keys_at({0}), (std::vector<f64>{100, 75, 50, 0}));
    EXPECT_EQ(keys_at({0, 75}), (std::vector<f64>{75, -1}));
}

TEST_F(LineCommands, CheckCheckClosesTheStreetOnTheAutomaticResponse) {
    EXPECT_EQ(run("add_line 0 0"), "add_line ok!\n");
    expect_node(at({0}), 1, 0, 0, 0, 0, 0);
    expect_node(at({0, 0}), 0, 1, 0, 0, 0, 0);
    EXPECT_TRUE(at({0, 0})->children.empty());
}

TEST_F(LineCommands, ForceLineRemovesEveryAlternativeAlongIt) {
    run("add_line 0 100");
    run("add_line 40");
    EXPECT_EQ(run("force_line 0 50"), "force_line ok!\n");
    EXPECT_EQ(keys_at({}), (std::vector<f64>{0}));
    EXPECT_EQ(keys_at({0}), (std::vector<f64>{50}));
    EXPECT_EQ(keys_at({0, 50}), (std::vector<f64>{50, -1}));
    expect_node(at({0, 50}), 0, 0, 1, 50, 0, 50);
}

TEST_F(LineCommands, RemoveLineCutsFoldsBetsAndRefusesMissingLines) {
    run("add_line 0 50");
    EXPECT_EQ(run("remove_line 0 50 0"), "remove_line ok!\n");
    EXPECT_EQ(keys_at({0, 50}), (std::vector<f64>{50}));

    const std::string before = dump(*g_line_tree, 0);
    EXPECT_EQ(run("remove_line 0 70"), "ERROR: remove_line Specified line doesn't exists.\n");
    EXPECT_EQ(run("remove_line 0 50 0"), "ERROR: remove_line Specified line doesn't exists.\n");
    EXPECT_EQ(run("remove_line 0 50 x"), "Invalid value\n");
    EXPECT_EQ(dump(*g_line_tree, 0), before);

    EXPECT_EQ(run("remove_line"), "remove_line ok!\n");
    EXPECT_EQ(dump(*g_line_tree, 0), before);
    EXPECT_EQ(run("remove_line 0 50"), "remove_line ok!\n");
    EXPECT_EQ(keys_at({0}), (std::vector<f64>{0}));
    EXPECT_EQ(run("remove_line 0 0"), "remove_line ok!\n");
    EXPECT_EQ(run("remove_line 0"), "remove_line ok!\n");
    EXPECT_TRUE(g_line_tree->children.empty());
}

TEST_F(LineCommands, RemovedAutomaticResponsesAreNotRestored) {
    run("add_line 0 50");
    run("remove_line 0 50 0");
    run("add_line 0 50");
    EXPECT_EQ(keys_at({0, 50}), (std::vector<f64>{50}));
    // Cutting the call too leaves the bet as a leaf with unequal totals,
    // which the build refuses.
    run("remove_line 0 50 50");
    EXPECT_TRUE(at({0, 50})->children.empty());
    LineFlattening flat;
    EXPECT_FALSE(collect_line_actions_dispatch(flat, *g_line_tree, -1, 0.0, 100.0, 1));
    EXPECT_EQ(flat.invalid, at({0, 50}));
}

TEST_F(LineCommands, DecreasingAmountKeepsWhatCameBefore) {
    EXPECT_EQ(run("add_line 50 40"), "ERROR: add_line incorrect or missing argument\n");
    EXPECT_EQ(keys_at({}), (std::vector<f64>{50}));
    EXPECT_EQ(keys_at({50}), (std::vector<f64>{50, -1}));
}

TEST_F(LineCommands, UnreadableAndNonFiniteAmountsAreInvalidValues) {
    EXPECT_EQ(run("add_line 0 abc"), "Invalid value\n");
    EXPECT_EQ(keys_at({}), (std::vector<f64>{0}));
    EXPECT_EQ(keys_at({0}), (std::vector<f64>{0}));
    for (const char* token : {"inf", "-inf", "nan", "1e999", "infinity"}) {
        EXPECT_EQ(run(std::string("add_line 0 ") + token), "Invalid value\n") << token;
        EXPECT_EQ(run(std::string("force_line ") + token), "Invalid value\n") << token;
        EXPECT_EQ(run(std::string("remove_line ") + token), "Invalid value\n") << token;
    }
    EXPECT_EQ(keys_at({0}), (std::vector<f64>{0}));
    // The leading-number rule: "60x" reads as 60.
    EXPECT_EQ(run("add_line 60x"), "add_line ok!\n");
    EXPECT_EQ(keys_at({}), (std::vector<f64>{60, 0}));
}

TEST_F(LineCommands, NegativeZeroIsTheCheck) {
    run("add_line -0");
    ASSERT_EQ(keys_at({}).size(), 1u);
    EXPECT_FALSE(std::signbit(g_line_tree->children.begin()->first));
    run("add_line 0 0");
    EXPECT_EQ(keys_at({}).size(), 1u);
}

TEST_F(LineCommands, OverlongLinesAreRefusedWhole) {
    std::string longest = "add_line";
    for (int i = 1; i <= kMaxLineAmounts; ++i) longest += " " + std::to_string(i);
    EXPECT_EQ(run(longest), "add_line ok!\n");
    EXPECT_EQ(max_line_amount(*g_line_tree, 0.0), kMaxLineAmounts);
    reset_line_tree();
    EXPECT_EQ(run(longest + " 5000"), "ERROR: add_line line too long (at most 1000 amounts)\n");
    EXPECT_TRUE(g_line_tree->children.empty());
}

TEST_F(LineCommands, ClearLinesAndFreeSchematicTreeStartAgain) {
    run("add_line 0 50");
    EXPECT_EQ(run("clear_lines"), "clear_lines ok!\n");
    EXPECT_TRUE(g_line_tree->children.empty());
    run("add_line 0 50");
    EXPECT_EQ(run("free_schematic_tree"), "free_schematic_tree ok!\n");
    EXPECT_TRUE(g_line_tree->children.empty());
    EXPECT_EQ(run("clear_lines 1"), "ERROR: clear_lines incorrect or missing argument\n");
}

}  // namespace
