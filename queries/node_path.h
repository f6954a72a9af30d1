// Node paths: the text that names one point of the built game tree, such as
// r:0:b50:c:Kd:c, spelled as the betting actions and dealt cards that lead
// there from the root. `resolve_node_path` walks the line tree along a path
// and answers a `NodeRef`; `child_action_text` writes the element that leads
// from a node to one of its children, which the listings append to the path
// that the user typed. Every query command that works on one point starts
// here; node data is reached through the `TreeNode` index of the line node.
//
// A resolved path is also checked against the built tree: every line node on
// it carries a `TreeNode` index whose children are its own, so that no query
// reads rows of a node that the line editing commands changed after the build.
#pragma once

#include <string>

#include "platform/int_types.h"

struct LineTreeNode;
struct TreeNode;

struct NodeRef {
    // Null for the point above the root (the path "r").
    LineTreeNode* node = nullptr;
    // Card indices (13 x suit + rank) of the turn and river that apply at the
    // point, -1 for none.
    i32 turn_card = -1;
    i32 river_card = -1;
    // The last element closed a street before the river: `node` is the first
    // node of the next street, whose card the path has not named yet.
    bool at_chance_point = false;
};

// Walks `path` through `g_line_tree`. Failures are command failures:
// "missing/incorrect tree" (no tree, a board or line tree that no longer
// matches the built tree), "incorrect path", "Invalid value" for a bet amount
// that cannot be read, "ERROR: invalid card" for a card that is no card.
NodeRef resolve_node_path(const std::string& path);

// Fails with "missing/incorrect tree" unless the line node carries a
// `TreeNode` index whose node has the same children in the same order (a
// line edited after the build is not in the tree). Needs a current tree.
void require_built(const LineTreeNode& line);

// The point one step up: the parent node (none above the root) with the
// cards that apply on the parent's street. A ref without node comes back
// unchanged.
NodeRef parent_node_ref(const NodeRef& ref);

// Path element of the child at `position` (map order: largest bet first,
// then the check or call, the fold last) of ref.node: "f", "c", or "b" and the
// amount, written so that the element resolves to that same child.
std::string child_action_text(const NodeRef& ref, i32 position);

// Street (1 flop, 2 turn, 3 river, 4 after a river that closed) on which the
// line node lies in the built tree.
i32 line_node_street(const LineTreeNode& node);

// Position of `child` among the children of `parent` in map order; -1 when it
// is not one of them.
i32 child_position(const LineTreeNode& parent, const LineTreeNode* child);

// The tree node that a resolved ref's line node stands for (a ref with a
// node, from `resolve_node_path`, so that the index is valid).
TreeNode& tree_node_of(const NodeRef& ref);
