// The line tree: the betting lines that the user allows, merged into one tree
// of `LineTreeNode`s whose root `g_line_tree` holds. The line commands of the
// shell edit it, node paths walk it, the archive loader replaces it, and the
// tree build flattens it into `LineRecord`s for tree creation.
//
// Every walk here is iterative: a line tree read from an archive has no depth
// bound, and the stack must not be what limits it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/int_types.h"
#include "tree/line_records.h"

inline constexpr f64 kFoldKey = -1.0;

struct LineTreeNode {
    // Keys are line amounts compared exactly, in descending order: bets and
    // raises from the largest down, then the check or call, the fold (-1.0)
    // last. Tree creation relies on this order for the children of a node.
    using Children = std::map<f64, std::unique_ptr<LineTreeNode>, std::greater<f64>>;

    LineTreeNode* parent = nullptr;
    Children children;
    u32 player = 0;         // player to act: 0 OOP, 1 IP
    i32 street_offset = 0;  // street = root street + offset
    i32 bet_count = 0;      // bets and raises so far on the node's street
    i32 index = -1;         // record and `TreeNode` index, -1 until built
    f64 amount = 0.0;       // total committed by the player who acted last
    f64 committed[2] = {0.0, 0.0};

    LineTreeNode() = default;
    explicit LineTreeNode(LineTreeNode* parent_node) : parent(parent_node) {}
    LineTreeNode(const LineTreeNode&) = delete;
    LineTreeNode& operator=(const LineTreeNode&) = delete;
    // Destroys the whole subtree without recursion.
    ~LineTreeNode();

    LineTreeNode* child(f64 key) const;
    // The child under key, created (parent = this, index -1) when missing;
    // `created` tells which.
    LineTreeNode& child_or_new(f64 key, bool& created);
    // Removes the child under key with its subtree; false when there is none.
    bool remove_child(f64 key);
};

// Root of the current line tree; a fresh empty root exists before main runs
// and the whole tree is destroyed at exit.
extern std::unique_ptr<LineTreeNode> g_line_tree;

// Replaces the line tree by a fresh empty root (clear_lines, load_tree).
void reset_line_tree();

// The larger of start and every key in the subtree below node: with the root
// and 0.0, the largest amount of any line (the effective stack).
f64 max_line_amount(const LineTreeNode& node, f64 start);

// The line tree flattened in depth-first pre-order, children in map order.
// nodes[i] is the line node of records[i]. Flattening leaves the nodes'
// indices alone, so that a build that fails afterwards changes nothing; the
// build calls `assign_line_indices` once it has succeeded.
struct LineFlattening {
    std::vector<LineRecord> records;
    std::vector<LineTreeNode*> nodes;
    // First node that cannot be built (a decision after the river, or a
    // non-fold leaf whose committed totals differ); the build answers
    // "invalid line". Null when every node can be built.
    const LineTreeNode* invalid = nullptr;
};

// Appends the records of the subtree under node; parent_index is the record
// index of node's parent (-1 for the root) and key the edge that leads to node
// (0.0 for the root). Terminal amounts are the node's amount plus half the
// pot; decision streets are root_street plus the street offset. Returns false
// when a node cannot be built (and sets out.invalid to the first one).
// Chooses its processor variant once, on first use.
bool collect_line_actions_dispatch(LineFlattening& out, LineTreeNode& node, i32 parent_index,
                                   f64 key, f64 pot, i32 root_street);

// Writes i into the index of nodes[i] for every record.
void assign_line_indices(const LineFlattening& flat);
