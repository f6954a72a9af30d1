#include "storage/tree_node_data_reading.h"

#include <algorithm>
#include <cfloat>
#include <vector>

#include "codecs/codec.h"
#include "storage/block_arena.h"
#include "storage/block_walks.h"
#include "storage/compressed_node_data.h"
#include "storage/node_data.h"
#include "tree/channel_reader.h"
#include "tree/result_record_reading.h"
#include "tree/tree.h"

namespace {

// Version 3 leaves out the records of forgotten streets, version 4 the
// store records when streets are forgotten, and brings the coded sections.
constexpr i32 kFirstOmittingVersion = 3;
constexpr i32 kFirstCodedVersion = 4;

constexpr int kFirstValueArray = 2;
constexpr int kResultArrays = 6;
constexpr u64 kSectionHeadBytes = 24 * sizeof(u64);
// Fewest bytes of a result record: every array empty (or, from version 4,
// both reach arrays left out).
constexpr u64 kMinRecordBytes = 6 * sizeof(i32) + sizeof(u8) + sizeof(u64);
constexpr u64 kMinPackedRecordBytes = 2 * sizeof(u8) + sizeof(u8) + sizeof(u64);
constexpr u64 kCountBytes = 4 * sizeof(u32);

// Per-mille strategies of the strategy section.
constexpr f64 kPerMille = 1000.0;
constexpr f64 kResultValueScale = 0.01;

bool forgotten(const Tree& tree) {
    return tree.forget_level >= 0;
}

// Whether the archive carries the node's result records.
bool records_in_archive(const Tree& tree, const TreeNode& node, i32 version) {
    if (node.results.empty()) return false;
    const bool omitted = forgotten(tree) && static_cast<i32>(node.street) > tree.forget_level &&
                         version >= kFirstOmittingVersion;
    return !omitted;
}

bool stores_in_archive(const Tree& tree, i32 version) {
    return !(forgotten(tree) && version >= kFirstCodedVersion);
}

// Hand count of record k of a node: the hand list of the cards dealt when the
// node's street opens. The root's records stand for the root's own list.
i32 record_hands(const Tree& tree, const TreeNode& node, std::size_t k) {
    const StreetData& street = *tree.street_data;
    if (&node != &tree.nodes[0]) return result_record_hands(tree, node, k);
    const i32 board = tree.root_board_index;
    if (board < 0) return result_record_hands(tree, node, k);
    const BoardRecord& root_board = street.boards[static_cast<std::size_t>(board)];
    if (node.results.size() == 1) return static_cast<i32>(root_board.hands.size());
    if (k != static_cast<std::size_t>(board)) return 0;
    const i32 river = tree.root_river_index;
    if (river < 0) return static_cast<i32>(root_board.hands.size());
    return static_cast<i32>(root_board.runouts[static_cast<std::size_t>(river)].hands.size());
}

u64 min_node_bytes(const Tree& tree, const TreeNode& node, i32 version) {
    u64 total = 0;
    if (records_in_archive(tree, node, version)) {
        const u64 per_record =
            version >= kFirstCodedVersion ? kMinPackedRecordBytes + kCountBytes : kMinRecordBytes;
        total += per_record * node.results.size();
    }
    if (!stores_in_archive(tree, version)) return total;
    if (node.regrets) total += node.regrets->min_record_bytes(version);
    if (node.strategy_sums) total += node.strategy_sums->min_record_bytes(version);
    return total;
}

void read_node_part(Tree& tree, TreeNode& node, Reader& in) {
    const i32 version = in.version;
    if (records_in_archive(tree, node, version)) {
        for (std::size_t k = 0; k < node.results.size(); ++k) {
            load_result_record(node.results[k], in, record_hands(tree, node, k));
        }
    }
    if (!stores_in_archive(tree, version)) return;
    if (node.regrets) node.regrets->load(in);
    if (node.strategy_sums) node.strategy_sums->load(in);
}

// Calls visit(record, hands) for every result record that the archive
// carries, in node and record order.
template <class Visit>
void for_each_archived_record(Tree& tree, i32 version, Visit&& visit) {
    for (TreeNode& node : tree.nodes) {
        if (!records_in_archive(tree, node, version)) continue;
        for (std::size_t k = 0; k < node.results.size(); ++k) {
            visit(node.results[k], record_hands(tree, node, k));
        }
    }
}

void read_array_counts(Tree& tree, Reader& in) {
    for_each_archived_record(tree, in.version, [&](NodeResultRecord& record, i32 hands) {
        for (int a = kFirstValueArray; a < kResultArrays; ++a) {
            read_result_array_count(record.arrays[a], in, hands);
        }
    });
}

i32 unzigzag(u32 u) {
    return static_cast<i32>((u >> 1) ^ (0u - (u & 1u)));
}

void read_result_values(Tree& tree, Reader& in) {
    ChannelReader section(in);
    std::vector<u32> codes;
    for_each_archived_record(tree, in.version, [&](NodeResultRecord& record, i32) {
        for (int a = kFirstValueArray; a < kResultArrays; ++a) {
            DoubleArray& array = record.arrays[a];
            if (array.count <= 0) continue;
            codes.resize(static_cast<std::size_t>(array.count));
            section.read_u32s(codes.data(), array.count);
            for (i32 h = 0; h < array.count; ++h) {
                array.data[h] = kResultValueScale * unzigzag(codes[static_cast<std::size_t>(h)]);
            }
        }
    });
}

// One node's strategy for one board: n - 1 rows of per-mille values, the
// last action taking what is left of 1000 (never below 0).
void read_strategy_block(ChannelReader& section, NodeDataBase& store, i32 turn, i32 actions,
                         i32 hands) {
    std::vector<u16> stored(static_cast<std::size_t>(hands));
    DoubleArray row;
    DoubleArray remainder;
    remainder.resize(hands);
    for (i32 h = 0; h < hands; ++h) remainder.data[h] = kPerMille;
    for (i32 a = 0; a + 1 < actions; ++a) {
        section.read_u16s(stored.data(), hands);
        row.resize(hands);
        for (i32 h = 0; h < hands; ++h) {
            row.data[h] = stored[static_cast<std::size_t>(h)];
            remainder.data[h] -= row.data[h];
        }
        if (!store.store_row(turn, -1, a, row)) throw_invalid_file();
    }
    for (i32 h = 0; h < hands; ++h) remainder.data[h] = std::max(remainder.data[h], 0.0);
    if (!store.store_row(turn, -1, actions - 1, remainder)) throw_invalid_file();
}

void read_strategies(Tree& tree, Reader& in) {
    ChannelReader section(in);
    const StreetData& street = *tree.street_data;
    for (TreeNode& node : tree.nodes) {
        if (static_cast<i32>(node.street) >= tree.forget_level || !node.regrets) continue;
        const i32 actions = static_cast<i32>(node.action_count());
        if (node.street == kStreetFlop) {
            read_strategy_block(section, *node.regrets, -1, actions,
                                static_cast<i32>(street.hands.size()));
            continue;
        }
        for (std::size_t t = 0; t < street.boards.size(); ++t) {
            read_strategy_block(section, *node.regrets, static_cast<i32>(t), actions,
                                static_cast<i32>(street.boards[t].hands.size()));
        }
    }
}

void copy_scaled(DoubleArray& out, const DoubleArray& reach) {
    if (!reach.data) {
        out.release();
        out.count = reach.count;
        return;
    }
    out.resize(reach.count);
    f64 sum = 0.0;
    for (i32 h = 0; h < reach.count; ++h) sum += reach.data[h];
    const f64 scale = sum > DBL_EPSILON ? kFrozenReachSum / sum : 1.0;
    for (i32 h = 0; h < reach.count; ++h) out.data[h] = reach.data[h] * scale;
}

bool opens_river(const TreeNode& node) {
    return node.is_decision() && node.street == kStreetRiver &&
           (!node.parent || node.parent->street < kStreetRiver);
}

// Calls visit(record, kind) for every split of every walk of compressed
// river stores: a node that opens the river, a turn board, a store kind.
template <class Visit>
void for_each_compressed_walk(Tree& tree, Visit&& visit) {
    if (tree.store_modes[0] == 0 && tree.store_modes[1] == 0) return;
    const i32 boards = static_cast<i32>(tree.street_data->boards.size());
    for (TreeNode& node : tree.nodes) {
        if (!opens_river(node)) continue;
        for (i32 b = 0; b < boards; ++b) {
            NodeWorkRecord record;
            record.tree = &tree;
            record.node = &node;
            record.turn = b;
            for (const BlockStore kind : {BlockStore::regrets, BlockStore::strategy_sums}) {
                visit(record, kind);
            }
        }
    }
}

// Each compressed store that is the first of its player in a walk owns that
// walk's arena, created for the walk's value count.
void assign_walk_counts(Tree& tree) {
    std::vector<std::pair<CompressedNodeData*, std::vector<i64>>> counts;
    auto counts_of = [&](CompressedNodeData* store) -> std::vector<i64>& {
        for (auto& entry : counts) {
            if (entry.first == store) return entry.second;
        }
        counts.emplace_back(store, std::vector<i64>(tree.street_data->boards.size(), 0));
        return counts.back().second;
    };
    for_each_compressed_walk(tree, [&](NodeWorkRecord& record, BlockStore kind) {
        u64 totals[2] = {0, 0};
        walk_count_values(record, kind, totals);
        bool seen[2] = {false, false};
        visit_river_decisions(tree, *record.node, [&](TreeNode& node) {
            auto* store = dynamic_cast<CompressedNodeData*>(block_store(node, kind));
            if (!store || seen[node.player]) return;
            seen[node.player] = true;
            counts_of(store)[static_cast<std::size_t>(record.turn)] =
                static_cast<i64>(totals[node.player]);
        });
    });
    for (auto& [store, per_block] : counts) store->set_walk_counts(std::move(per_block));
}

// Decodes every loaded block once, as the solver will, with checked readers:
// a damaged arena, or one whose rows hold values no solver writes, is
// refused here rather than met inside a pass.
void verify_loaded_arenas(Tree& tree) {
    for_each_compressed_walk(tree, [&](NodeWorkRecord& record, BlockStore kind) {
        u64 totals[2] = {0, 0};
        walk_count_values(record, kind, totals);
        BlockArena* arenas[2] = {nullptr, nullptr};
        try {
            walk_open_blocks(record, arenas, kind, totals, true);
        } catch (const CodecError& error) {
            throw IOException(error.what());
        }
        bool exact = true;
        visit_river_decisions(tree, *record.node, [&](TreeNode& node) {
            auto* store = dynamic_cast<CompressedNodeData*>(block_store(node, kind));
            if (store) exact = exact && store->open_rows_in_range(record.turn);
        });
        for (BlockArena* arena : arenas) {
            if (!arena) continue;
            exact = exact && (!arena->has_data() || arena->read_to_end());
            arena->end_read();
        }
        BlockArena* closing[2] = {nullptr, nullptr};
        walk_close_blocks(record, closing, kind, false);
        if (!exact) throw_invalid_file();
    });
}

// Arrays 0 and 1 (the reach) of the result records of the forget level that
// the archive left out because they can be recomputed: the reach of both
// players under the loaded strategies, scaled to sum 200 as forgetting
// stores it.
void restore_omitted_results(Tree& tree, i32 forget_level) {
    const NodeWorkRecords records = street_work_records(tree, static_cast<u32>(forget_level));
    for (const auto& w : records) {
        const std::size_t k = forget_level == kStreetRiver ? static_cast<std::size_t>(w->turn) : 0;
        if (k >= w->node->results.size()) continue;
        NodeResultRecord& record = w->node->results[k];
        if (record.reach_recomputable[0]) copy_scaled(record.arrays[0], w->second_reach);
        if (record.reach_recomputable[1]) copy_scaled(record.arrays[1], w->opponent_reach);
    }
}

}  // namespace

u64 min_node_data_bytes(const Tree& tree, i32 version, bool values_omitted) {
    u64 total = sizeof(u32);
    for (const TreeNode& node : tree.nodes) total += min_node_bytes(tree, node, version);
    if (version < kFirstCodedVersion) return total;
    if (!values_omitted) total += kSectionHeadBytes;
    if (forgotten(tree)) total += kSectionHeadBytes;
    return total;
}

void read_tree_node_data(Tree& tree, Reader& in, bool values_omitted) {
    tree.iteration = read_u32(in);
    assign_walk_counts(tree);
    for (TreeNode& node : tree.nodes) read_node_part(tree, node, in);
    verify_loaded_arenas(tree);
    if (in.version < kFirstCodedVersion) return;
    read_array_counts(tree, in);
    if (!values_omitted) read_result_values(tree, in);
    if (!forgotten(tree)) return;
    read_strategies(tree, in);
    restore_omitted_results(tree, tree.forget_level);
}
