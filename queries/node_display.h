// How a point of the tree is shown: its kind name, its board and the block of
// lines that `show_node` prints for a point and `show_children` for each
// point one step below it (path, kind, board, committed amounts and pot,
// number of children, flags). The kind name is also the test that a path
// names a decision point, for the strategy, locking and EV-boost commands.
#pragma once

#include <string>

#include "platform/int_types.h"
#include "queries/node_path.h"

// "ROOT" (no node), "SPLIT_NODE" (chance point), "END_NODE" (no children),
// "IP_DEC" or "OOP_DEC".
std::string node_kind_name(const NodeRef& ref);

// Whether the kind name is "OOP_DEC" or "IP_DEC".
bool is_decision_point(const NodeRef& ref);
// Fails with "incorrect path" unless the ref names a decision point.
void require_decision_point(const NodeRef& ref);

// The flop and the ref's turn and river cards, one blank between cards.
void print_board_line(const NodeRef& ref);

// The block of lines of one point, printed under the path text given.
void print_node_info(const std::string& path, const NodeRef& ref);

// "LOCKED" when the locked mark of the node's regret store is set for the
// split of the two cards, else empty (and empty for a node without stores).
std::string node_flags_text(i32 index, i32 turn_card, i32 river_card);
