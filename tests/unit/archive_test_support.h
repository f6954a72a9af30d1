// Helpers of the archive tests: small solved trees built through the
// protocol, every query answer that a load must reproduce (node counts, the
// node and strategy blocks of every point down to a few dealt cards, the
// results), and the round trip of a tree through the test writer and
// `load_tree`.
#pragma once

#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "cards/card_text.h"
#include "queries/node_path.h"
#include "query_test_support.h"
#include "shell/command_reply.h"
#include "solver/forget_streets.h"
#include "solver/solve_reset.h"
#include "solver/solver_pass.h"
#include "storage/block_walks.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

// The spots of the round trips: board, lines, and both ranges as rank sets.
struct ArchiveSpot {
    const char* board;
    std::vector<std::string> lines;
    const char* oop_ranks;
    const char* ip_ranks;
};

inline const ArchiveSpot kRiverSpot{
    "Ks Qd 7h 4c 2s", {"0 0", "50 50", "0 50 50", "50 150 150"}, "AKQ7", "KQJT"};
inline const ArchiveSpot kTurnSpot{
    "Ks Qd 7h 4c", {"0 0 0 0", "0 0 50 50", "50 50 50 50", "50 50 50 150 150"}, "AKQ", "KQJT"};
// A flop spot whose lines end on the turn: flop and turn stores only.
inline const ArchiveSpot kFlopSpot{
    "Kh 7h 2h", {"0 0 0 0", "50 50 50 50", "0 0 50 50"}, "AK7", "KQ7"};
// A flop spot with river decisions.
inline const ArchiveSpot kFlopRiverSpot{"Kh 7h 2h", {"0 0 0 0 0 0", "0 0 0 0 50 50"}, "AK", "KQ"};

// Answers a loaded tree must reproduce, as printed.
struct TreeAnswers {
    std::string node_count;
    std::vector<std::string> nodes;
    std::vector<std::string> strategies;
    std::string results;
};

// Every point of the tree reached by actions from the root, dealing up to
// two cards at each chance point; `max_street` stops the walk at points on
// later streets (forgotten streets have no data to show).
inline std::vector<std::string> tree_paths(int max_street) {
    static const char* kCandidates[] = {"2c", "9s", "Td", "Ah", "3s", "8d"};
    std::vector<std::string> paths;
    std::vector<std::string> pending{"r:0"};
    const u64 board = g_flop_mask | g_turn_mask | g_river_mask;
    while (!pending.empty()) {
        const std::string path = pending.back();
        pending.pop_back();
        const NodeRef ref = resolve_node_path(path);
        if (line_node_street(*ref.node) > max_street) continue;
        paths.push_back(path);
        if (ref.at_chance_point) {
            int dealt = 0;
            for (const char* text : kCandidates) {
                const int c = parse_card(text);
                if ((board >> c) & 1 || c == ref.turn_card || dealt == 2) continue;
                pending.push_back(path + ":" + text);
                ++dealt;
            }
            continue;
        }
        for (i32 i = 0; i < static_cast<i32>(ref.node->children.size()); ++i) {
            pending.push_back(path + ":" + child_action_text(ref, i));
        }
    }
    return paths;
}

inline TreeAnswers tree_answers(int max_street = 3) {
    TreeAnswers answers;
    answers.node_count = run_line("node_count");
    for (const std::string& path : tree_paths(max_street)) {
        answers.nodes.push_back(path + "\n" + run_line("show_node " + path));
        const NodeRef ref = resolve_node_path(path);
        if (ref.at_chance_point || ref.node->children.empty()) continue;
        answers.strategies.push_back(path + "\n" + run_line("show_strategy " + path));
    }
    answers.results = run_line("calc_results");
    return answers;
}

inline void expect_same_answers(const TreeAnswers& loaded, const TreeAnswers& written) {
    EXPECT_EQ(loaded.node_count, written.node_count);
    EXPECT_EQ(loaded.nodes, written.nodes);
    EXPECT_EQ(loaded.strategies, written.strategies);
    EXPECT_EQ(loaded.results, written.results);
}

class ArchiveTest : public QueryTest {
protected:
    // Builds the spot (isomorphism per switch), gives the tree the data-format
    // version and compression level of the archive, and solves it on this
    // thread for `iterations`.
    static void build_solved(const ArchiveSpot& spot, bool isomorphism, i32 version, i32 level,
                             int iterations) {
        const std::string iso = isomorphism ? "1 1" : "0 0";
        // One thread: the passes are small, and their results must not
        // depend on how the work is split.
        ASSERT_EQ(run_line("set_threads 1"), "set_threads ok!\n");
        ASSERT_EQ(run_line("set_isomorphism " + iso), "set_isomorphism ok!\n");
        ASSERT_EQ(run_line("ai6_set_compression " + std::to_string(level)),
                  "ai6_set_compression ok!\n");
        build(range_tokens(ranks_in(spot.oop_ranks)), range_tokens(ranks_in(spot.ip_ranks)),
              spot.board, spot.lines);
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        ASSERT_TRUE(g_tree);
        Tree& tree = *g_tree;
        tree.format_version = version;
        const StoreModes modes = store_modes_of_level(g_actual_compression);
        const u32 pair[2] = {modes.regrets, modes.strategy};
        ASSERT_TRUE(reset_solve(tree, pair));
        ASSERT_TRUE(prepare_node_stores(tree));
        for (int i = 0; i < iterations; ++i) solver_iteration(tree);
    }

    // Writes the current tree and loads it back; the load must answer ok.
    static void round_trip(const ArchiveOptions& options, const std::string& name) {
        const std::string path = temp_archive_path(name);
        write_bytes_file(path, write_tree_archive(options));
        ASSERT_EQ(run_line("load_tree " + path), "load_tree ok!\n");
        std::remove(path.c_str());
    }

    // The passes of the commands run on this thread's OpenMP team: one
    // thread, as on the solver thread after `set_threads 1`.
    void SetUp() override {
        QueryTest::SetUp();
        omp_set_num_threads(1);
    }
    void TearDown() override {
        omp_set_num_threads(omp_get_num_procs());
        run_line("ai6_set_compression -1");
        run_line("set_threads 0");
        QueryTest::TearDown();
    }
};

// Every result record of the tree, arrays as plain vectors; the records of
// nodes on streets above `kept_street` read as empty, as an archive that
// leaves them out loads them.
using RecordSnapshot = std::vector<std::vector<std::vector<f64>>>;
inline RecordSnapshot record_snapshot(i32 kept_street = 3) {
    RecordSnapshot records;
    for (const TreeNode& node : g_tree->nodes) {
        for (const NodeResultRecord& r : node.results) {
            std::vector<std::vector<f64>> arrays;
            if (static_cast<i32>(node.street) > kept_street) {
                records.emplace_back(6);
                continue;
            }
            for (const DoubleArray& a : r.arrays) {
                std::vector<f64> values(static_cast<std::size_t>(std::max(a.count, 0)), 0.0);
                for (i32 h = 0; h < a.count && a.data; ++h)
                    values[static_cast<std::size_t>(h)] = a.data[h];
                arrays.push_back(std::move(values));
            }
            records.push_back(std::move(arrays));
        }
    }
    return records;
}

// Arrays equal within what the version keeps: exactly in f64 (before
// version 2), to float precision (2 and 3), to 1/150 for the reach and 0.01
// for the values from version 4 on, where recomputed reach arrays follow the
// stored per-mille strategies (`reach_tolerance`).
inline void expect_records_match(const RecordSnapshot& loaded, const RecordSnapshot& written,
                                 i32 version, f64 reach_tolerance) {
    ASSERT_EQ(loaded.size(), written.size());
    for (std::size_t k = 0; k < loaded.size(); ++k) {
        for (std::size_t a = 0; a < 6; ++a) {
            const std::vector<f64>& x = loaded[k][a];
            const std::vector<f64>& y = written[k][a];
            ASSERT_EQ(x.size(), y.size()) << "record " << k << " array " << a;
            for (std::size_t h = 0; h < x.size(); ++h) {
                f64 tolerance = 0.0;
                if (version >= 4) {
                    tolerance = a < 2 ? std::max(reach_tolerance, 0.5 / 150.0) : 0.005 + 1e-9;
                } else if (version >= 2) {
                    tolerance = std::fabs(y[h]) * 1e-7;
                }
                // The 16-bit reach of version 4 holds at most 32767 / 150.
                const f64 expected = version >= 4 && a < 2
                                         ? std::clamp(y[h], -32768.0 / 150.0, 32767.0 / 150.0)
                                         : y[h];
                EXPECT_NEAR(x[h], expected, tolerance)
                    << "record " << k << " array " << a << " hand " << h;
            }
        }
    }
}
