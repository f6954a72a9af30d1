// show_node and show_children: the block of lines of the point above the
// root, of decision, chance and end points on flop, turn and river trees,
// the order and paths of children and dealt cards, and the locked flag.
#include <gtest/gtest.h>

#include "query_test_support.h"

namespace {

class NodeDisplay : public QueryTest {
protected:
    static void build_river() {
        build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s 9h",
              {"0 0", "0 50 150 150", "50 50"});
    }
    static void build_flop() {
        build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c",
              {"0 0 0 0 0 0", "50 50"});
    }

    // The first lines of each "child %d:" block: child number, path, kind.
    static std::vector<std::string> child_heads(const std::string& output) {
        const std::vector<std::string> lines = output_lines(output);
        std::vector<std::string> heads;
        for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
            if (lines[i].rfind("child ", 0) != 0) continue;
            heads.push_back(lines[i] + " " + lines[i + 1] + " " + lines[i + 2]);
        }
        return heads;
    }
};

TEST_F(NodeDisplay, RiverTreeBlocks) {
    build_river();
    EXPECT_EQ(run_line("show_node r"),
              "r\nROOT\n2c 7d Kh 3s 9h\n0 0 100\n1 children\nflags: NEW_TREE\nEND\n");
    EXPECT_EQ(run_line("show_node r:0"),
              "r:0\nOOP_DEC\n2c 7d Kh 3s 9h\n0 0 100\n2 children\nflags: \nEND\n");
    EXPECT_EQ(run_line("show_children r"),
              "child 0:\nr:0\nOOP_DEC\n2c 7d Kh 3s 9h\n0 0 100\n2 children\nflags: \nEND\n");
    EXPECT_EQ(run_line("show_children r:0:c:b50"),
              "child 0:\nr:0:c:b50:b150\nIP_DEC\n2c 7d Kh 3s 9h\n150 50 100\n2 children\nflags: \n"
              "child 1:\nr:0:c:b50:c\nEND_NODE\n2c 7d Kh 3s 9h\n50 50 100\n0 children\nflags: \n"
              "child 2:\nr:0:c:b50:f\nEND_NODE\n2c 7d Kh 3s 9h\n0 50 100\n0 children\nflags: \n"
              "END\n");
    EXPECT_EQ(run_line("show_children r:0:b50:c"), "END\n");
    EXPECT_EQ(run_line("show_children r:0:b5"), "ERROR: show_children incorrect path\n");
}

TEST_F(NodeDisplay, FlopTreeChancePointsDealEveryCardLeft) {
    build_flop();
    EXPECT_EQ(run_line("show_node r:0:c:c"),
              "r:0:c:c\nSPLIT_NODE\n2c 7d Kh\n0 0 100\n49 children\nflags:\nEND\n");
    const std::vector<std::string> turns = child_heads(run_line("show_children r:0:c:c"));
    ASSERT_EQ(turns.size(), 49u);
    EXPECT_EQ(turns[0], "child 0: r:0:c:c:As OOP_DEC");
    EXPECT_EQ(turns[1], "child 1: r:0:c:c:Ah OOP_DEC");
    EXPECT_EQ(turns[4], "child 4: r:0:c:c:Ks OOP_DEC");
    EXPECT_EQ(turns[5], "child 5: r:0:c:c:Kd OOP_DEC");  // Kh is on the flop
    EXPECT_EQ(turns[48], "child 48: r:0:c:c:2d OOP_DEC");
    EXPECT_EQ(run_line("show_node r:0:c:c:Kd"),
              "r:0:c:c:Kd\nOOP_DEC\n2c 7d Kh Kd\n0 0 100\n1 children\nflags: \nEND\n");

    const std::vector<std::string> rivers = child_heads(run_line("show_children r:0:c:c:Kd:c:c"));
    ASSERT_EQ(rivers.size(), 48u);
    EXPECT_EQ(rivers[4], "child 4: r:0:c:c:Kd:c:c:Ks OOP_DEC");
    EXPECT_EQ(rivers[5], "child 5: r:0:c:c:Kd:c:c:Kc OOP_DEC");
    EXPECT_EQ(run_line("show_node r:0:c:c:Kd:c:c:Kc"),
              "r:0:c:c:Kd:c:c:Kc\nOOP_DEC\n2c 7d Kh Kd Kc\n0 0 100\n1 children\nflags: \nEND\n");

    // The flop call closed into a showdown: its dealt cards are end points.
    const std::vector<std::string> runouts = child_heads(run_line("show_children r:0:b50:c"));
    ASSERT_EQ(runouts.size(), 49u);
    EXPECT_EQ(runouts[0], "child 0: r:0:b50:c:As END_NODE");
}

TEST_F(NodeDisplay, ChildrenThatCloseAStreetAreChancePoints) {
    build_flop();
    EXPECT_EQ(run_line("show_children r:0:c"),
              "child 0:\nr:0:c:c\nSPLIT_NODE\n2c 7d Kh\n0 0 100\n49 children\nflags:\nEND\n");
    EXPECT_EQ(run_line("show_children r:0:c:c:Kd:c"),
              "child 0:\nr:0:c:c:Kd:c:c\nSPLIT_NODE\n2c 7d Kh Kd\n0 0 100\n48 children\nflags:\n"
              "END\n");
}

TEST_F(NodeDisplay, TurnTreeShowsItsBoardCard) {
    build(range_tokens(ranks_in("AK")), range_tokens(ranks_in("KQ")), "Kh 7d 2c 3s", {"0 0 0 0"});
    EXPECT_EQ(run_line("show_node r:0:c"),
              "r:0:c\nIP_DEC\n2c 7d Kh 3s\n0 0 100\n1 children\nflags: \nEND\n");
    EXPECT_EQ(run_line("show_node r:0:c:c:Ah:c:c"),
              "r:0:c:c:Ah:c:c\nEND_NODE\n2c 7d Kh 3s Ah\n0 0 100\n0 children\nflags: \nEND\n");
}

// Each listed child prints its own number of children, so a child whose
// lines were edited after the build makes the listing fail like a path to
// that child does, instead of showing a count the tree does not have.
TEST_F(NodeDisplay, ChildrenEditedAfterTheBuildAreNotListed) {
    build_river();
    // A raise to 300 under r:0:c:b50:b150.
    ASSERT_EQ(run_line("add_line 0 50 150 300 300"), "add_line ok!\n");
    EXPECT_EQ(run_line("show_children r:0:c:b50"), "ERROR: show_children missing/incorrect tree\n");
    EXPECT_EQ(child_heads(run_line("show_children r:0:c")).size(), 2u);
    ASSERT_EQ(run_line("remove_line 0 50 150 300"), "remove_line ok!\n");
    EXPECT_EQ(child_heads(run_line("show_children r:0:c:b50")).size(), 3u);
}

TEST_F(NodeDisplay, LockedFlagFollowsTheSplitAndItsIsomorphs) {
    // Monotone flop: the three other suits are one class for the turn.
    build(range_tokens(ranks_in("AKQ")), range_tokens(ranks_in("AKQ")), "Kh 7h 2h", {"0 0 0 0"});
    EXPECT_EQ(run_line("lock_node r:0:c:c:Qs"), "lock_node ok!\n");
    for (const char* card : {"Qs", "Qd", "Qc"}) {
        const std::vector<std::string> lines =
            output_lines(run_line(std::string("show_node r:0:c:c:") + card));
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[5], "flags: LOCKED") << card;
    }
    EXPECT_EQ(output_lines(run_line("show_node r:0:c:c:Qh"))[5], "flags: ");
    EXPECT_EQ(output_lines(run_line("show_node r:0:c:c:Js"))[5], "flags: ");
    EXPECT_EQ(output_lines(run_line("show_node r:0"))[5], "flags: ");
    EXPECT_EQ(run_line("unlock_node r:0:c:c:Qd"), "unlock_node ok!\n");
    EXPECT_EQ(output_lines(run_line("show_node r:0:c:c:Qs"))[5], "flags: ");
}

}  // namespace
