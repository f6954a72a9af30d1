// Node paths: resolution on river, turn and flop trees, every failure line,
// the elements that listings append, the step up to a parent, and paths
// that the line tree or the board no longer back after the build.
#include "queries/node_path.h"

#include <gtest/gtest.h>

#include "cards/card_text.h"
#include "query_test_support.h"
#include "shell/command_reply.h"
#include "shell/dispatcher.h"

namespace {

class NodePath : public QueryTest {
protected:
    static NodeRef resolve(const std::string& path) {
        g_current_command = "show_node";
        return resolve_node_path(path);
    }

    // The failure line that show_node prints for the path.
    static std::string failure(const std::string& path) { return run_line("show_node " + path); }

    static void build_flop() {
        build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c",
              {"0 0 0 0 0 0", "0 0 50 50 50 50", "50 50", "0 50 150 150"});
    }
};

constexpr const char* kIncorrect = "ERROR: show_node incorrect path\n";
constexpr const char* kNoTree = "ERROR: show_node missing/incorrect tree\n";

TEST_F(NodePath, WithoutTreeEveryPathFails) {
    EXPECT_EQ(failure("r"), kNoTree);
    EXPECT_EQ(failure("r:0"), kNoTree);
}

TEST_F(NodePath, RootAndPointAboveItOnRiverBoard) {
    build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h",
          {"0 0", "50 50"});
    const NodeRef above = resolve("r");
    EXPECT_EQ(above.node, nullptr);
    EXPECT_EQ(above.turn_card, parse_card("3s"));
    EXPECT_EQ(above.river_card, parse_card("9h"));
    EXPECT_EQ(resolve("r:0").node, g_line_tree.get());
    EXPECT_EQ(resolve("r:0:").node, g_line_tree.get());
    EXPECT_EQ(resolve("r::0").node, g_line_tree.get());
    EXPECT_EQ(resolve("r:0:b50.0").node, g_line_tree->child(50.0));
    EXPECT_EQ(resolve("r:0:b50x").node, g_line_tree->child(50.0));
    EXPECT_EQ(resolve("r:0:check").node, g_line_tree->child(0.0));
    // A call that closes the river ends the hand: no chance point follows.
    const NodeRef called = resolve("r:0:b50:call");
    EXPECT_FALSE(called.at_chance_point);
    EXPECT_EQ(run_line("show_node r:0:b50:c").substr(0, 19), "r:0:b50:c\nEND_NODE\n");
    EXPECT_EQ(failure("r:0:b50:c:Qd"), kIncorrect);
}

TEST_F(NodePath, EveryMalformedPathFails) {
    build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h",
          {"0 0", "50 50"});
    for (const char* path : {"r:1", "R:0", ":", "x", "r:0:b70", "r:0:Kd", "r:0:bnan", "r:0:binf",
                             "r:0:b-inf", "r:0:c:f", "r:0:Kdd", "r:0:b50:f:f"}) {
        EXPECT_EQ(failure(path), kIncorrect) << path;
    }
    EXPECT_EQ(failure("r:0:b"), "Invalid value\n");
    EXPECT_EQ(failure("r:0:bx"), "Invalid value\n");
    EXPECT_EQ(failure("r:0:b1e999"), "Invalid value\n");
    EXPECT_EQ(failure("r:0:b50:c:Zz"), "ERROR: invalid card\n");
    EXPECT_EQ(failure("r:0:10"), "ERROR: invalid card\n");
}

TEST_F(NodePath, CardsNameTheStreetsOfFlopTree) {
    build_flop();
    const NodeRef chance = resolve("r:0:c:c");
    EXPECT_TRUE(chance.at_chance_point);
    EXPECT_EQ(line_node_street(*chance.node), 2);
    EXPECT_EQ(chance.turn_card, -1);

    const NodeRef turn = resolve("r:0:c:c:Kd");
    EXPECT_EQ(turn.node, chance.node);
    EXPECT_FALSE(turn.at_chance_point);
    EXPECT_EQ(turn.turn_card, parse_card("Kd"));
    EXPECT_EQ(resolve("r:0:c:c:kD").turn_card, turn.turn_card);

    const NodeRef river = resolve("r:0:c:c:Kd:c:c:Qd");
    EXPECT_EQ(river.turn_card, parse_card("Kd"));
    EXPECT_EQ(river.river_card, parse_card("Qd"));
    EXPECT_EQ(line_node_street(*river.node), 3);

    EXPECT_EQ(failure("r:0:c:c:Kd:Qh"), kIncorrect);         // a second turn card
    EXPECT_EQ(failure("r:0:c:c:Kh"), kIncorrect);            // on the flop
    EXPECT_EQ(failure("r:0:c:c:Kd:c:c:Kd"), kIncorrect);     // the turn card again
    EXPECT_EQ(failure("r:0:c:c:Kd:b50:Qd"), kIncorrect);     // not at a street change
    EXPECT_EQ(failure("r:0:c:c:Kd:c:c:Qd:Js"), kIncorrect);  // river already named
}

TEST_F(NodePath, PointsPastUnnamedCardsAreRefusedExceptChancePoints) {
    build_flop();
    EXPECT_EQ(failure("r:0:c:c:b50"), kIncorrect);
    EXPECT_EQ(failure("r:0:c:c:c"), kIncorrect);
    EXPECT_EQ(failure("r:0:c:c:c:c"), kIncorrect);  // river chance point without a turn card
    EXPECT_EQ(failure("r:0:c:c:Kd:c:c:c"), kIncorrect);
    EXPECT_TRUE(resolve("r:0:c:c:Kd:c:c").at_chance_point);
    EXPECT_TRUE(resolve("r:0:b50:c").at_chance_point);
    // The call closed the flop into a showdown leaf: its turn card ends the path.
    const NodeRef leaf = resolve("r:0:b50:c:Qs");
    EXPECT_TRUE(leaf.node->children.empty());
    EXPECT_EQ(failure("r:0:b50:c:Qs:Jd"), kIncorrect);
}

TEST_F(NodePath, TurnBoardCarriesItsTurnCardAndNamesRiverCards) {
    build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s", {"0 0 0 0"});
    const NodeRef root = resolve("r:0");
    EXPECT_EQ(root.turn_card, parse_card("3s"));
    EXPECT_EQ(root.river_card, -1);
    const NodeRef river = resolve("r:0:c:c:Ad");
    EXPECT_EQ(river.turn_card, parse_card("3s"));
    EXPECT_EQ(river.river_card, parse_card("Ad"));
    EXPECT_EQ(failure("r:0:c:c:3s"), kIncorrect);
    EXPECT_EQ(run_line("show_node r:0:c:c"),
              "r:0:c:c\nSPLIT_NODE\n2c 7d Kh 3s\n0 0 100\n48 children\nflags:\nEND\n");
}

TEST_F(NodePath, ParentKeepsOnlyTheCardsOfItsStreet) {
    build_flop();
    const NodeRef river = resolve("r:0:c:c:Kd:c:c:Qd");
    const NodeRef turn_close = parent_node_ref(river);
    EXPECT_EQ(turn_close.node, river.node->parent);
    EXPECT_EQ(turn_close.turn_card, parse_card("Kd"));
    EXPECT_EQ(turn_close.river_card, -1);
    EXPECT_FALSE(turn_close.at_chance_point);
    const NodeRef flop_close = parent_node_ref(resolve("r:0:c:c:Kd"));
    EXPECT_EQ(flop_close.turn_card, -1);
    const NodeRef above_root = parent_node_ref(resolve("r:0"));
    EXPECT_EQ(above_root.node, nullptr);
    EXPECT_EQ(above_root.turn_card, -1);
    const NodeRef unchanged = parent_node_ref(resolve("r"));
    EXPECT_EQ(unchanged.node, nullptr);
}

TEST_F(NodePath, ChildElementsResolveBackToTheirChild) {
    build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h",
          {"0 50 150 150", "33.7 33.7", "0 0"});
    const NodeRef bet = resolve("r:0:c:b50");
    EXPECT_EQ(child_action_text(bet, 0), "b150");
    EXPECT_EQ(child_action_text(bet, 1), "c");
    EXPECT_EQ(child_action_text(bet, 2), "f");
    const NodeRef root = resolve("r:0");
    for (i32 k = 0; k < static_cast<i32>(root.node->children.size()); ++k) {
        const std::string path = "r:0:" + child_action_text(root, k);
        EXPECT_EQ(resolve(path).node, std::next(root.node->children.begin(), k)->second.get())
            << path;
        EXPECT_EQ(child_position(*root.node, resolve(path).node), k);
    }
    EXPECT_EQ(child_action_text(root, 0), "b33.7");
}

TEST_F(NodePath, LinesEditedAfterTheBuildNoLongerResolve) {
    build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h",
          {"0 0", "50 50"});
    ASSERT_EQ(run_line("add_line 0 30 30"), "add_line ok!\n");
    EXPECT_EQ(failure("r:0:c"), kNoTree);
    EXPECT_EQ(failure("r:0:c:b30"), kNoTree);
    EXPECT_NE(run_line("show_node r:0:b50"), kNoTree);  // untouched branch
    ASSERT_EQ(run_line("remove_line 0 30"), "remove_line ok!\n");
    EXPECT_NE(run_line("show_node r:0:c"), kNoTree);
    ASSERT_EQ(run_line("remove_line 50"), "remove_line ok!\n");
    ASSERT_EQ(run_line("add_line 60 60"), "add_line ok!\n");
    EXPECT_EQ(failure("r:0"), kNoTree);
    ASSERT_EQ(run_line("clear_lines"), "clear_lines ok!\n");
    EXPECT_EQ(failure("r:0"), kNoTree);
    EXPECT_NE(run_line("show_node r"), kNoTree);
    EXPECT_EQ(run_line("show_children r"), "ERROR: show_children missing/incorrect tree\n");
}

TEST_F(NodePath, BoardChangedAfterTheBuildNoLongerResolves) {
    build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h", {"0 0"});
    ASSERT_EQ(run_line("set_board Kh 7d 2c 3s 8h"), "set_board ok!\n");
    EXPECT_EQ(failure("r:0"), kNoTree);
    ASSERT_EQ(run_line("set_board Kh 7d 2c 3s"), "set_board ok!\n");
    EXPECT_EQ(failure("r"), kNoTree);
    ASSERT_EQ(run_line("set_board Kh 7d 2c 3s 9h"), "set_board ok!\n");
    EXPECT_NE(run_line("show_node r:0"), kNoTree);
}

}  // namespace
