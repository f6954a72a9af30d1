// Tree creation: the flattened betting lines, the board cards, the two ranges
// and the isomorphism switch become a complete `Tree` with its action nodes,
// its per-board records and its river layouts. The tree is built aside and
// only a complete one is installed, so a refused build leaves the current
// tree as it was. Node stores are left to the solve reset.
#pragma once

#include <memory>
#include <stdexcept>

#include "platform/int_types.h"
#include "tree/line_records.h"
#include "tree/tree.h"

// A build the tree cannot be made from; the message is the reason the shell
// reports after "ERROR: <command> ".
class TreeBuildError : public std::runtime_error {
public:
    explicit TreeBuildError(const std::string& reason) : std::runtime_error(reason) {}
};

struct TreeSpec {
    // 0 keeps no strategy sums, 1 weights them by iteration; every caller
    // passes 1.
    u32 averaging_mode = 1;
    const LineRecord* records = nullptr;
    u32 record_count = 0;
    u32 hand_grouping = 0;
    // Card indices: the flop, then turn and river or -1.
    i32 flop[3] = {-1, -1, -1};
    i32 turn = -1;
    i32 river = -1;
    // 1326 weights each, combo order, actual suits.
    const f64* ranges[2] = {nullptr, nullptr};
    u8 isomorphism = 0;
};

// Builds a complete tree without touching the current one. Throws
// TreeBuildError when the records do not form a tree, when the largest payoff
// is 0, when no hand of one range can meet a hand of the other on the board,
// or when the ranges lack an isomorphic image that the records need.
std::unique_ptr<Tree> make_tree(const TreeSpec& spec);

// The action nodes of the records: kinds, players, streets, amounts, children
// in record order, turn locks and result records, the largest payoff and the
// action counts of the size figures. Throws TreeBuildError when a parent
// index does not name an earlier record.
void build_action_nodes(Tree& tree, const LineRecord* records, u32 count);
