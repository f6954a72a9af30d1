// Walks of the tree that belong to the node data. The block walks prepare and
// finish the river data of one split (one turn board): before work below a
// chance node every river decision node's block is opened (decoded, for the
// compressed kind) and afterwards closed, in one fixed order, so that the
// blocks of one player follow one another in one shared arena. The protocol
// of a caller, per split and per store (regrets, strategy sums):
// walk_count_values, walk_open_blocks, end_read on each arena, the work,
// walk_close_blocks, end_write on each arena.
//
// `allocate_node_work_records` carries both players' reaches from a record
// down to the first decision nodes of a street, through the strategies of the
// nodes passed and over every dealt card, and hands back one record per node
// and split reached: the starting points of street rebuilds, the solve of all
// splits and the archive reader.
#pragma once

#include <memory>
#include <vector>

#include "cards/hand_arrays.h"
#include "platform/int_types.h"
#include "tree/tree.h"

class BlockArena;

// The traversal context of one node visit. Every array is indexed by the hand
// list of the deepest dealt board; an array without data stands for zeros.
struct NodeWorkRecord {
    Tree* tree = nullptr;
    TreeNode* node = nullptr;
    // Turn board index and runout index; -1 while that card is not dealt.
    i32 turn = -1;
    i32 river = -1;
    // Reach of the player who is not the traverser.
    DoubleArray opponent_reach;
    // The traverser's values under the strategy played.
    DoubleArray values;
    // The traverser's own reach (empty in solver passes).
    DoubleArray second_reach;
    // The traverser's best-response values (evaluation passes).
    DoubleArray second_values;
};

using NodeWorkRecords = std::vector<std::unique_ptr<NodeWorkRecord>>;

// Which store of a river node a block walk works on.
enum class BlockStore { regrets, strategy_sums };

// The node's store of that kind; null where the node has none.
inline NodeDataBase* block_store(const TreeNode& node, BlockStore store) {
    return store == BlockStore::regrets ? node.regrets.get() : node.strategy_sums.get();
}

// Calls visit(node) for every river decision node from `node` down, a node
// before its children, children in action order: the order of the block
// walks. The walk goes on through decision nodes only.
template <class Visit>
void visit_river_decisions(Tree& tree, TreeNode& node, Visit&& visit) {
    if (!node.is_decision()) return;
    if (node.street == kStreetRiver) visit(node);
    for (const u32 child : node.children) visit_river_decisions(tree, tree.nodes[child], visit);
}

// Adds to totals[p], for every river decision node of player p from the
// record's node down, the value count of its chosen store for block = the
// record's turn index.
void walk_count_values(const NodeWorkRecord& record, BlockStore store, u64 totals[2]);

// Opens the block of the record's turn index in the chosen store of every
// river decision node from the record's node down that needs it in the
// tree's current pass (all of them when forced), threading each player's
// arena through the calls.
void walk_open_blocks(const NodeWorkRecord& record, BlockArena* arenas[2], BlockStore store,
                      const u64 totals[2], bool force);

// Closes the same blocks in the same order; a block is written back only for
// the stores that the current update pass changed (every one when forced).
void walk_close_blocks(const NodeWorkRecord& record, BlockArena* arenas[2], BlockStore store,
                       bool force);

// The ends of the cycles that a walk began: end_read after an open walk,
// end_write after a close walk, on each player's arena that the walk left
// (an uncompressed tree leaves none).
void end_block_reads(BlockArena* const arenas[2]);
void end_block_writes(BlockArena* const arenas[2]);

// One whole cycle over the chosen store of the record's split: count, open
// and end_read; close and end_write. `force` as for the walks.
void open_split_blocks(const NodeWorkRecord& record, BlockStore store, bool force);
void close_split_blocks(const NodeWorkRecord& record, BlockStore store, bool force);

// Appends the records of the first decision nodes of `street` reached from
// the record. The record's opponent reach is IP's reach and its second reach
// OOP's; the new records carry both on their own hand lists. The nodes passed
// must have their stores, prepared by `allocate`. The record's arrays
// are lent to the walk and are back in place when it returns.
void allocate_node_work_records(NodeWorkRecord& record, u32 street, NodeWorkRecords& out);

// The record of the tree's root with the root weights as reaches: IP's as the
// opponent reach, OOP's as the second reach.
NodeWorkRecord root_work_record(Tree& tree);

// The records of the first decision nodes of `street`, walked from the root
// record under the average strategies of the streets above.
NodeWorkRecords street_work_records(Tree& tree, u32 street);
