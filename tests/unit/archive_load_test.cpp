// load_tree on archives made byte by byte (known answers computed by hand)
// and on archives damaged on purpose: one error line, no crash, and the state
// the command promises: a refused head leaves everything as it was, a refused
// node part leaves no tree and the settings as they were.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "archive_test_support.h"
#include "shell/settings.h"
#include "storage/block_node_data.h"
#include "storage/compressed_node_data.h"
#include "tree/channel_reader.h"

namespace {

constexpr u64 kFlop = (u64{1} << 50) | (u64{1} << 25) | (u64{1} << 31);  // Ks Qd 7h
constexpr u64 kTurn = u64{1} << 2;                                       // 4c
constexpr u64 kRiver = u64{1} << 39;                                     // 2s
constexpr i32 kRiverHands = 1081;

void line_node(ArchiveBytes& out, u32 player, i32 offset, f64 amount, f64 c0, f64 c1,
               i32 children) {
    out.u32v(player).i32v(offset).i32v(0).i32v(-1).f64v(amount).f64v(c0).f64v(c1).i32v(children);
}

// Root OOP: bet 50 (IP calls or folds) or check (IP checks behind).
void river_lines(ArchiveBytes& out) {
    line_node(out, 0, 0, 0.0, 0.0, 0.0, 2);
    out.f64v(50.0);
    line_node(out, 1, 0, 50.0, 50.0, 0.0, 2);
    out.f64v(50.0);
    line_node(out, 0, 1, 50.0, 50.0, 50.0, 0);
    out.f64v(-1.0);
    line_node(out, 0, 0, 0.0, 50.0, 0.0, 0);
    out.f64v(0.0);
    line_node(out, 1, 0, 0.0, 0.0, 0.0, 1);
    out.f64v(0.0);
    line_node(out, 0, 1, 0.0, 0.0, 0.0, 0);
}

void empty_record(ArchiveBytes& out, i32 v) {
    if (v >= 4) {
        out.u8v(1).u8v(1);
    } else {
        for (int a = 0; a < 6; ++a) out.i32v(0);
    }
    out.u8v(0).u64v(0);
}

// A float river store of one entry: its flags word, then one row per action.
template <class Row>
void river_store(ArchiveBytes& out, u32 flags, int actions, Row row) {
    out.u32v(flags);
    for (int a = 0; a < actions; ++a) {
        for (i32 h = 0; h < kRiverHands; ++h) out.put(static_cast<f32>(row(a, h)));
    }
}

// The hand-made river archive: regrets of the root (h mod 4) + 1 for the bet
// and 2 for the check, 3 for IP's call and 1 for the fold, strategy sums 0.
std::vector<u8> hand_made_river(i32 v) {
    ArchiveBytes out;
    out.put_bytes("AI6:", 4).i32v(v);
    if (v >= 4) out.u8v(1);
    out.u64v(kFlop).u64v(kTurn).u64v(kRiver);
    out.f64v(0.0).f64v(0.0).f64v(100.0);
    for (int p = 0; p < 2; ++p) {
        for (int c = 0; c < kHandCount; ++c) out.f64v(1.0);
    }
    river_lines(out);
    out.u32v(0).i32v(-1).i32v(-1);
    for (int i = 0; i < 6; ++i) out.f64v(0.0);
    // Level 0, 30 iterations done: queries show the current strategy.
    out.u32v(0).u32v(30);
    // Node 0 opens the river: 49 records, then its two stores.
    for (int k = 0; k < kTurnCardSlots; ++k) empty_record(out, v);
    river_store(out, 0, 2, [](int a, i32 h) { return a == 0 ? (h % 4) + 1.0 : 2.0; });
    river_store(out, 0, 2, [](int, i32) { return 0.0; });
    // Node 1, IP facing the bet: call 3, fold 1; node 4 checks behind.
    river_store(out, 1, 2, [](int a, i32) { return a == 0 ? 3.0 : 1.0; });
    river_store(out, 0, 2, [](int, i32) { return 0.0; });
    river_store(out, 0, 1, [](int, i32) { return 0.0; });
    river_store(out, 0, 1, [](int, i32) { return 0.0; });
    if (v >= 4) {
        for (int k = 0; k < kTurnCardSlots; ++k) out.u32v(0).u32v(0).u32v(0).u32v(0);
    }
    return out.bytes;
}

class ArchiveLoad : public ArchiveTest {
protected:
    static std::string load_bytes(const std::vector<u8>& bytes, const std::string& name = "a") {
        const std::string path = temp_archive_path(name);
        write_bytes_file(path, bytes);
        std::string answer = run_line("load_tree " + path);
        std::remove(path.c_str());
        return answer;
    }

    // The river spot, solved a little and written.
    static std::vector<u8> river_archive(i32 v, ArchiveLayout* layout = nullptr) {
        build_solved(kRiverSpot, false, v, 0, 3);
        ArchiveOptions options;
        options.version = v;
        options.omit_values = true;
        return write_tree_archive(options, layout);
    }
};

class HandMadeRiver : public ArchiveLoad, public ::testing::WithParamInterface<i32> {};

TEST_P(HandMadeRiver, StrategiesAreRegretsOverTheirTotal) {
    ASSERT_EQ(load_bytes(hand_made_river(GetParam())), "load_tree ok!\n");
    EXPECT_EQ(g_flop_mask, kFlop);
    EXPECT_EQ(g_turn_mask, kTurn);
    EXPECT_EQ(g_river_mask, kRiver);
    EXPECT_EQ(run_line("show_effective_stack"), "50\n");
    EXPECT_EQ(run_line("ai6_get_actual_compression"), "compression 0\n");
    const RiverRecord& runout = g_tree->street_data->boards[0].runouts[0];
    const std::vector<std::string> root = output_lines(run_line("show_strategy r:0"));
    ASSERT_EQ(root.size(), 3u);
    const std::vector<f64> bet = combo_row(root[0]);
    const std::vector<f64> check = combo_row(root[1]);
    int checked = 0;
    for (int c = 0; c < kHandCount; ++c) {
        const u16 h = runout.combo_map[static_cast<std::size_t>(c)];
        if (h == 0xFFFF) continue;
        const f32 r = static_cast<f32>(h % 4) + 1.0f;
        EXPECT_NEAR(bet[c], r / (r + 2.0f), 1e-6) << c;
        EXPECT_NEAR(check[c], 2.0f / (r + 2.0f), 1e-6) << c;
        ++checked;
    }
    EXPECT_EQ(checked, kRiverHands);
    const std::vector<std::string> facing = output_lines(run_line("show_strategy r:0:b50"));
    ASSERT_EQ(facing.size(), 3u);
    for (const f64 p : combo_row(facing[0])) {
        if (p != 0.0 && !std::isnan(p)) EXPECT_NEAR(p, 0.75, 1e-6);
    }
    EXPECT_NE(run_line("show_node r:0:b50").find("LOCKED"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Versions, HandMadeRiver, ::testing::Values(0, 2, 3, 4, 5));

TEST_F(ArchiveLoad, ReaderFailuresAreOneErrorLine) {
    EXPECT_EQ(load_bytes({'A', 'I', '6'}).rfind("ERROR: load_tree can't read from file (errno ", 0),
              0u);
    EXPECT_EQ(load_bytes({'A', 'I', '5', ':', 0, 0, 0, 0}), "ERROR: load_tree invalid file\n");
    const std::string unsupported =
        "ERROR: load_tree unsupported data format, update to latest version\n";
    EXPECT_EQ(load_bytes({'A', 'I', '6', ':', 6, 0, 0, 0}), unsupported);
    EXPECT_EQ(load_bytes({'A', 'I', '6', ':', 0xFF, 0xFF, 0xFF, 0xFF}), unsupported);
    EXPECT_EQ(run_line("load_tree " + temp_archive_path("missing")),
              "ERROR: load_tree can't open file (errno 2)\n");
    const std::string dir = temp_archive_path("dir");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    EXPECT_EQ(
        run_line("load_tree " + dir).rfind("ERROR: load_tree can't read from file (errno ", 0), 0u);
    rmdir(dir.c_str());
    EXPECT_EQ(run_line("is_tree_present"), "false\n");
}

// The offset of the flop mask moves by the flag byte from version 4 on.
TEST_F(ArchiveLoad, MasksFollowTheFlagByteFromVersionFour) {
    for (const i32 v : {3, 4}) {
        std::vector<u8> bytes = hand_made_river(v);
        const std::size_t at = v >= 4 ? 9 : 8;
        u64 mask = 0;
        std::memcpy(&mask, bytes.data() + at, sizeof mask);
        EXPECT_EQ(mask, kFlop);
        ASSERT_EQ(load_bytes(bytes), "load_tree ok!\n");
        EXPECT_EQ(g_ev_flag_from_file, v >= 4 ? 1 : 0);
    }
    ASSERT_EQ(run_line("set_range OOP " + range_tokens(ranks_in("AK"))), "set_range ok!\n");
    run_line("build_tree");
    EXPECT_EQ(g_ev_flag_from_file, 0);
}

std::vector<u8> with_u32(std::vector<u8> bytes, std::size_t at, u32 value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
    return bytes;
}

// A refused head, line tree or settings leaves the previous tree and every
// setting as they were.
TEST_F(ArchiveLoad, RefusedHeadKeepsThePreviousState) {
    ArchiveLayout at;
    const std::vector<u8> good = river_archive(3, &at);
    ASSERT_EQ(load_bytes(good), "load_tree ok!\n");
    const TreeAnswers before = tree_answers();
    const u64 flop = g_flop_mask;
    const std::vector<f64> oop = g_ranges[0];

    std::vector<std::vector<u8>> refused;
    refused.push_back(with_u32(good, 0, 0x3A354941));              // "AI5:"
    refused.push_back(with_u32(good, 4, 9));                       // version
    refused.push_back(with_u32(good, at.masks, 0));                // no flop
    refused.push_back(with_u32(good, at.lines, 2));                // player 2
    refused.push_back(with_u32(good, at.lines + 4, 1));            // root offset 1
    refused.push_back(with_u32(good, at.settings + 4, 1));         // forget level 1
    refused.push_back(with_u32(good, at.settings + 4, 2));         // below the river root
    refused.push_back(with_u32(good, at.settings + 4, 3));         // the river root's street
    refused.push_back(with_u32(good, at.ranges + 4, 0x7FF80000));  // NaN weight
    refused.push_back(with_u32(good, at.lines + 40, 0x7FFFFFFF));  // children
    std::vector<u8> nan_key = good;
    const f64 nan = std::nan("");
    std::memcpy(nan_key.data() + at.lines + 44, &nan, sizeof nan);
    refused.push_back(nan_key);
    for (const std::vector<u8>& bytes : refused) {
        const std::string answer = load_bytes(bytes);
        EXPECT_EQ(answer.rfind("ERROR: load_tree ", 0), 0u) << answer;
        EXPECT_EQ(std::count(answer.begin(), answer.end(), '\n'), 1) << answer;
    }
    EXPECT_EQ(g_flop_mask, flop);
    EXPECT_EQ(g_ranges[0], oop);
    expect_same_answers(tree_answers(), before);
}

// A negative weight or a pot of 0 or less is what no command accepts: such
// an archive is invalid. It is refused, like a weight above the limit, before
// anything current changes. A weight stored as -0 is the weight 0.
TEST_F(ArchiveLoad, NegativeWeightAndPotNotAboveZeroAreInvalid) {
    ArchiveLayout at;
    const std::vector<u8> good = river_archive(5, &at);
    ASSERT_EQ(load_bytes(good), "load_tree ok!\n");
    const TreeAnswers before = tree_answers();
    const f64 pot = g_pot;
    const std::vector<f64> oop = g_ranges[0];
    const std::size_t zero =
        static_cast<std::size_t>(std::find(oop.begin(), oop.end(), 0.0) - oop.begin());
    ASSERT_LT(zero, oop.size());
    // High words of little-endian doubles whose low word is 0.
    const std::size_t weight_high = at.ranges + 8 * zero + 4;
    const std::size_t pot_high = at.masks + 3 * 8 + 2 * 8 + 4;
    for (const std::vector<u8>& bytes : {with_u32(good, weight_high, 0xBFF00000),  // -1
                                         with_u32(good, pot_high, 0),              // 0
                                         with_u32(good, pot_high, 0xC0590000)}) {  // -100
        EXPECT_EQ(load_bytes(bytes), "ERROR: load_tree invalid file\n");
    }
    EXPECT_EQ(load_bytes(with_u32(good, weight_high, 0x42D00000)),  // 2^46
              "ERROR: load_tree range weight too large (at most 1e+12)\n");
    EXPECT_EQ(g_pot, pot);
    EXPECT_EQ(g_ranges[0], oop);
    expect_same_answers(tree_answers(), before);

    ASSERT_EQ(load_bytes(with_u32(good, weight_high, 0x80000000)), "load_tree ok!\n");
    EXPECT_FALSE(std::signbit(g_ranges[0][zero]));
}

// Forgetting the root's own street would leave a tree without a single store
// and a split without a parent to take its reach from; queries on such a
// load crashed.
TEST_F(ArchiveLoad, ForgetLevelOfTheRootStreetIsRefused) {
    build_solved(kTurnSpot, false, 5, 0, 3);
    Tree& tree = *g_tree;
    for (TreeNode& node : tree.nodes) {
        node.regrets.reset();
        node.strategy_sums.reset();
        node.stores_prepared = 0;
    }
    tree.forget_level = 2;
    tree.flags |= kTreeIncomplete;
    ArchiveOptions options;
    options.omit_values = true;
    EXPECT_EQ(load_bytes(write_tree_archive(options)), "ERROR: load_tree invalid file\n");
}

TEST_F(ArchiveLoad, RootWithoutChildrenIsLinesNotSet) {
    ArchiveLayout at;
    std::vector<u8> bytes = river_archive(1, &at);
    ArchiveBytes head;
    head.put_bytes(bytes.data(), at.lines);
    line_node(head, 0, 0, 0.0, 0.0, 0.0, 0);
    head.put_bytes(bytes.data() + at.settings, bytes.size() - at.settings);
    EXPECT_EQ(load_bytes(head.bytes), "ERROR: load_tree lines not set\n");
    EXPECT_EQ(run_line("is_tree_present"), "true\n");
}

// A line tree nested deeper than any line command makes is refused without
// recursion.
TEST_F(ArchiveLoad, DeepLineTreeIsRefused) {
    ArchiveLayout at;
    const std::vector<u8> bytes = river_archive(1, &at);
    ArchiveBytes deep;
    deep.put_bytes(bytes.data(), at.lines);
    for (int depth = 0; depth < 200000; ++depth) {
        line_node(deep, depth % 2, 0, 0.0, 0.0, 0.0, 1);
        deep.f64v(0.0);
    }
    line_node(deep, 0, 1, 0.0, 0.0, 0.0, 0);
    deep.put_bytes(bytes.data() + at.settings, bytes.size() - at.settings);
    EXPECT_EQ(load_bytes(deep.bytes), "ERROR: load_tree invalid file\n");
}

// A failure inside the node data leaves no tree, and the board, pot, ranges
// and lines of before.
TEST_F(ArchiveLoad, RefusedNodeDataLeavesNoTreeAndTheOldSettings) {
    ArchiveLayout at;
    std::vector<u8> bytes = river_archive(1, &at);
    const u64 flop = g_flop_mask;
    const std::string counts = run_line("node_count");
    // The first result record's array count: neither 0 nor the hand count.
    std::vector<u8> damaged = with_u32(bytes, at.node_part, 5);
    run_line("set_board Ah Kh Qh");
    EXPECT_EQ(load_bytes(damaged), "ERROR: load_tree invalid file\n");
    EXPECT_EQ(run_line("is_tree_present"), "false\n");
    EXPECT_NE(g_flop_mask, flop);
    // A truncated node part: the short-read failure.
    bytes.resize(bytes.size() - 100);
    EXPECT_EQ(load_bytes(bytes).rfind("ERROR: load_tree can't read from file (errno ", 0), 0u);
    EXPECT_EQ(run_line("is_tree_present"), "false\n");
    bytes.resize(at.node_part + 10);
    EXPECT_EQ(load_bytes(bytes).rfind("ERROR: load_tree can't read from file (errno ", 0), 0u);
    EXPECT_EQ(run_line("node_count"), "ERROR: node_count missing/incorrect tree\n");
    EXPECT_NE(counts, "");
}

// A level outside 0 to 4, as a later version may write, stores
// uncompressed and is the level in use; bytes after the last section are
// damage like any other: no tree.
TEST_F(ArchiveLoad, LevelOutsideTheKnownOnesAndBytesAfterTheEnd) {
    ArchiveLayout at;
    const std::vector<u8> bytes = river_archive(5, &at);
    const std::string strategy = run_line("show_strategy r:0");
    EXPECT_EQ(load_bytes(with_u32(bytes, at.level, 7)), "load_tree ok!\n");
    EXPECT_EQ(run_line("ai6_get_actual_compression"), "compression 7\n");
    EXPECT_EQ(run_line("show_strategy r:0"), strategy);

    for (const std::vector<u8>& tail : {std::vector<u8>{0}, std::vector<u8>(4096, 0xAB)}) {
        std::vector<u8> longer = bytes;
        longer.insert(longer.end(), tail.begin(), tail.end());
        EXPECT_EQ(load_bytes(longer), "ERROR: load_tree invalid file\n");
        EXPECT_EQ(run_line("is_tree_present"), "false\n");
    }
    EXPECT_EQ(load_bytes(bytes), "load_tree ok!\n");
    EXPECT_EQ(run_line("ai6_get_actual_compression"), "compression 0\n");
}

TEST_F(ArchiveLoad, NegativeRegretIsRefused) {
    std::vector<u8> bytes = hand_made_river(1);
    const f32 negative = -1.0f;
    std::memcpy(bytes.data() + bytes.size() - 4, &negative, sizeof negative);
    EXPECT_EQ(load_bytes(bytes), "ERROR: load_tree invalid file\n");
}

// Coded sums can carry 2^31 and more, which no solver writes (its sums
// saturate below): a block holding such a sum is refused when the loader
// decodes it, as a negative sum of an uncompressed store is.
TEST_F(ArchiveLoad, CompressedSumOutOfRangeIsRefused) {
    build_solved(kFlopRiverSpot, true, 5, 4, 66);
    Tree& tree = *g_tree;
    TreeNode* river = nullptr;
    for (TreeNode& node : tree.nodes) {
        if (!river && node.is_decision() && node.street == kStreetRiver) river = &node;
    }
    ASSERT_NE(river, nullptr);
    NodeWorkRecord record;
    record.tree = &tree;
    record.node = river;
    record.turn = 0;
    u64 totals[2] = {0, 0};
    walk_count_values(record, BlockStore::strategy_sums, totals);
    BlockArena* arenas[2] = {nullptr, nullptr};
    walk_open_blocks(record, arenas, BlockStore::strategy_sums, totals, true);
    end_block_reads(arenas);
    auto* sums = dynamic_cast<CompressedNodeData*>(river->strategy_sums.get());
    ASSERT_NE(sums, nullptr);
    ASSERT_GT(sums->layout().entry(0, 0).hands, 0u);
    const_cast<i32*>(sums->open_row_i32(0, 0, 0))[0] = -5;
    BlockArena* closing[2] = {nullptr, nullptr};
    walk_close_blocks(record, closing, BlockStore::strategy_sums, true);
    end_block_writes(closing);
    ArchiveOptions options;
    options.omit_values = true;
    EXPECT_EQ(load_bytes(write_tree_archive(options)), "ERROR: load_tree invalid file\n");
}

TEST_F(ArchiveLoad, RefusedWhileTheSolverRuns) {
    const std::vector<u8> bytes = river_archive(5);
    run_line("set_threads 1");
    run_line("go");
    EXPECT_EQ(load_bytes(bytes), "ERROR: load_tree Can't do that when solver is running\n");
    run_line("stop");
    run_line("wait_for_solver");
    EXPECT_EQ(load_bytes(bytes), "load_tree ok!\n");
}

// Loads in a row, after a free and after a failure, each from scratch.
TEST_F(ArchiveLoad, LoadsInSequence) {
    const std::vector<u8> bytes = river_archive(2);
    const TreeAnswers written = tree_answers();
    EXPECT_EQ(load_bytes(bytes), "load_tree ok!\n");
    EXPECT_EQ(load_bytes(bytes), "load_tree ok!\n");
    EXPECT_EQ(run_line("free_tree"), "free_tree ok!\n");
    EXPECT_EQ(load_bytes({'x'}).rfind("ERROR: load_tree ", 0), 0u);
    EXPECT_EQ(load_bytes(bytes), "load_tree ok!\n");
    expect_same_answers(tree_answers(), written);
}

// The tree is built with the isomorphism it was written with, whatever the
// current setting says.
TEST_F(ArchiveLoad, IsomorphismComesFromTheArchive) {
    build_solved(kTurnSpot, true, 5, 0, 65);
    ArchiveOptions options;
    options.omit_values = true;
    const std::vector<u8> bytes = write_tree_archive(options);
    const TreeAnswers written = tree_answers();
    ASSERT_EQ(run_line("set_isomorphism 0 0"), "set_isomorphism ok!\n");
    ASSERT_EQ(load_bytes(bytes), "load_tree ok!\n");
    EXPECT_NE(g_tree->flags & kTreeIsomorphism, 0u);
    expect_same_answers(tree_answers(), written);
}

// The tree's data-format version picks the river regret kind of a turn root.
TEST_F(ArchiveLoad, FormatVersionChoosesTurnRiverRegrets) {
    for (const i32 v : {4, 5}) {
        build_solved(kTurnSpot, false, v, 0, 10);
        ArchiveOptions options;
        options.version = v;
        options.omit_values = true;
        ASSERT_EQ(load_bytes(write_tree_archive(options)), "load_tree ok!\n");
        EXPECT_EQ(g_tree->format_version, v);
        const TreeNode* river = nullptr;
        for (const TreeNode& node : g_tree->nodes) {
            if (node.is_decision() && node.street == kStreetRiver) river = &node;
        }
        ASSERT_NE(river, nullptr);
        const bool floats =
            dynamic_cast<const FloatBlockNodeData*>(river->regrets.get()) != nullptr;
        EXPECT_EQ(floats, v >= 5);
    }
}

// The cached results of the settings, in file order: each player's
// best-response value and expected value, OOP first, then the mean expected
// value before the exploitability. An incomplete tree answers calc_results
// from them.
TEST_F(ArchiveLoad, CachedResultsInFileOrder) {
    build_solved(kFlopSpot, true, 5, 0, 3);
    forget_streets(*g_tree, 2);
    ArchiveOptions options;
    options.omit_values = true;
    ArchiveLayout at;
    std::vector<u8> bytes = write_tree_archive(options, &at);
    const f64 cached[6] = {1.0, 2.0, 3.0, 4.0, 5.0, 6.0};
    std::memcpy(bytes.data() + at.settings + 12, cached, sizeof cached);
    ASSERT_EQ(load_bytes(bytes), "load_tree ok!\n");
    EXPECT_EQ(g_tree->mean_ev, 5.0);
    EXPECT_EQ(run_line("calc_results"),
              "EV OOP: 52.000\nEV IP: 54.000\nOOP's MES: 51.000\nIP's MES: 53.000\n"
              "Exploitable for: 6.000\nEND\n");
}

// The strategy section of a tree whose turns are forgotten, written here for
// a flop root of three actions: per-mille rows 600 and 500 leave the last
// action max(1000 - 1100, 0) = 0, and the root plays 600/1100 and 500/1100.
TEST_F(ArchiveLoad, StrategyRowsLeaveTheRestToTheLastAction) {
    const ArchiveSpot spot{"Kh 7h 2h", {"0 0 0 0", "50 50 50 50", "100 100 100 100"}, "AK7", "KQ7"};
    // Enough iterations for the queries to show the strategy played.
    build_solved(spot, true, 4, 0, 30);
    forget_streets(*g_tree, 2);
    ArchiveOptions options;
    options.version = 4;
    options.omit_values = true;
    ArchiveLayout at;
    std::vector<u8> bytes = write_tree_archive(options, &at);
    bytes.resize(at.sections);
    const u32 hands = static_cast<u32>(g_tree->street_data->hands.size());
    std::vector<SectionArray> rows;
    for (const TreeNode& node : g_tree->nodes) {
        if (node.street != kStreetFlop || !node.regrets) continue;
        for (u32 a = 0; a + 1 < node.action_count(); ++a) {
            const u32 per_mille = &node != &g_tree->nodes[0] ? 250 : a == 0 ? 600 : 500;
            rows.push_back({std::vector<u32>(hands, per_mille), true});
        }
    }
    ASSERT_EQ(g_tree->nodes[0].action_count(), 3u);
    const std::vector<u8> section = coded_section(1, rows);
    bytes.insert(bytes.end(), section.begin(), section.end());
    ASSERT_EQ(load_bytes(bytes), "load_tree ok!\n");
    const std::vector<std::string> lines = output_lines(run_line("show_strategy r:0"));
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<f64> range = g_tree->ranges[0];
    int checked = 0;
    for (int c = 0; c < kHandCount; ++c) {
        if (range[c] == 0.0 || (combo_mask_of(c) & g_flop_mask) != 0) continue;
        EXPECT_NEAR(combo_row(lines[0])[c], 600.0 / 1100.0, 1e-6) << c;
        EXPECT_NEAR(combo_row(lines[1])[c], 500.0 / 1100.0, 1e-6) << c;
        EXPECT_EQ(combo_row(lines[2])[c], 0.0) << c;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

// A coded section that its decoder refuses fails the load with the
// decoder's reason, and the process goes on.
TEST_F(ArchiveLoad, DecoderFailuresNameTheirReason) {
    build_solved(kTurnSpot, false, 4, 0, 10);
    ArchiveOptions options;
    options.version = 4;
    options.result_codec = 0;
    ArchiveLayout at;
    const std::vector<u8> good = write_tree_archive(options, &at);
    // Channel 0 of the result section: its length, the codec id, then the
    // range coder's "Cmpr".
    const std::size_t id = at.sections + sizeof(u64);
    std::vector<u8> bytes = good;
    bytes[id] = 7;
    EXPECT_EQ(load_bytes(bytes), "ERROR: load_tree unknown codec id\n");
    bytes = good;
    bytes[id + 1] = 'X';
    EXPECT_EQ(load_bytes(bytes), "ERROR: load_tree compressor wrong id\n");
    EXPECT_EQ(run_line("is_tree_present"), "false\n");
    EXPECT_EQ(load_bytes(good), "load_tree ok!\n");
}

// A byte source whose end is not known in advance, as a pipe's.
class PipeReader final : public Reader {
public:
    explicit PipeReader(std::vector<u8> bytes) : bytes_(std::move(bytes)) {}
    void read(void* buffer, u64 count) override { bytes_.read(buffer, count); }
    u64 bytes_left() const override { return std::numeric_limits<u64>::max(); }
    bool at_end() override { return bytes_.at_end(); }

private:
    MemoryReader bytes_;
};

// No file size bounds a channel length read from a pipe: its buffer grows as
// the bytes come, and a pipe that ends early is a short read, not a terabyte
// asked of the allocator.
TEST(ChannelSection, LengthFromAPipeTakesMemoryAsTheBytesCome) {
    ArchiveBytes section;
    section.u64v(u64{1} << 40).u8v(2);
    PipeReader in(section.bytes);
    try {
        ChannelReader reader(in);
        ADD_FAILURE() << "a section longer than its bytes was read";
    } catch (const IOException& error) {
        EXPECT_EQ(error.message().rfind("can't read from file (errno ", 0), 0u);
    }
}

// Version 4 with the values left out: arrays 2 to 5 have the stored sizes and
// hold zeros.
TEST_F(ArchiveLoad, OmittedValuesAreZerosOfTheStoredSize) {
    build_solved(kTurnSpot, false, 4, 0, 10);
    ASSERT_EQ(run_line("calc_results").rfind("EV OOP", 0), 0u);
    std::vector<i32> counts;
    for (const TreeNode& node : g_tree->nodes) {
        for (const NodeResultRecord& r : node.results) counts.push_back(r.arrays[2].count);
    }
    ArchiveOptions options;
    options.version = 4;
    options.omit_values = true;
    ASSERT_EQ(load_bytes(write_tree_archive(options)), "load_tree ok!\n");
    std::size_t i = 0;
    bool some = false;
    for (const TreeNode& node : g_tree->nodes) {
        for (const NodeResultRecord& r : node.results) {
            EXPECT_EQ(r.arrays[2].count, counts[i++]);
            for (int a = 2; a < 6; ++a) {
                some = some || r.arrays[a].count > 0;
                for (i32 h = 0; h < r.arrays[a].count; ++h) EXPECT_EQ(r.arrays[a].data[h], 0.0);
            }
        }
    }
    EXPECT_TRUE(some);
}

}  // namespace
