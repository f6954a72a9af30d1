// The game tree: the single current `Tree` (`g_tree`) with its action nodes.
// The user's betting lines are expanded once into `TreeNode`s shared by every
// turn and river card; cards are not nodes, the per-card data of a node lives
// in its stores and result records, indexed by the turn board (`BoardRecord`)
// and the runout (`RiverRecord`) of cards/board_records.h.
//
// Tree creation (tree/tree_create.h) builds a tree aside and installs it here;
// the solver, the queries and the archive reader read and write its fields
// directly. Nothing guards the tree's existence: creation and release run on
// the command thread while no solver thread or query walks the tree.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cards/board_records.h"
#include "cards/hand_arrays.h"
#include "platform/int_types.h"
#include "tree/ev_result_cache.h"
#include "tree/tree_size_stats.h"

class NodeDataBase;
class NodeDataLayout;
struct EvQueryContext;

inline constexpr u32 kNodeDecision = 0;
inline constexpr u32 kNodeShowdown = 1;
inline constexpr u32 kNodeFold = 2;

inline constexpr u32 kStreetFlop = 1;
inline constexpr u32 kStreetTurn = 2;
inline constexpr u32 kStreetRiver = 3;

// Bits of the tree's flags word.
inline constexpr u32 kTreeIncomplete = 1;  // streets forgotten
inline constexpr u32 kTreeIsomorphism = 2;
inline constexpr u32 kTreeNew = 4;  // no iteration since creation

// Cards left after a flop: the most turn boards a tree can have, hence the
// number of turn locks and of river-opening result records.
inline constexpr int kTurnCardSlots = 49;

// The tree's 16-bit regret scale is this divided by its largest payoff.
inline constexpr f64 kRegretScaleBase = 125.0;

// Pass modes of the solver, as the walks read them.
inline constexpr u32 kPassEvaluate = 0;
inline constexpr u32 kPassUpdate = 1;
inline constexpr u32 kPassCapture = 2;

// Forgetting a street scales each reach array it keeps to this sum.
inline constexpr f64 kFrozenReachSum = 200.0;

// Cached per-split results of a node that opens a street. Arrays 0 and 1 are
// the reach of OOP and IP arriving at the node (on the parent board's hand
// list), 2 and 3 their values, 4 and 5 their best-response values.
struct NodeResultRecord {
    DoubleArray arrays[6];
    u8 reach_recomputable[2] = {0, 0};
    u8 reach_frozen = 0;
    // Bit c: split c solved on demand.
    u64 solved_splits = 0;
};

struct TreeNode {
    u32 kind = kNodeDecision;
    i32 parent_index = -1;
    // Acting player of a decision node; the parent's player for a terminal.
    u32 player = 0;
    // A showdown is always on the river, a fold on its parent's street.
    u32 street = kStreetFlop;
    // Payoff amount of a terminal node, 0 for a decision node.
    f64 amount = 0.0;
    std::vector<u32> children;
    TreeNode* parent = nullptr;
    // Created by the solve reset; the strategy sums only when the tree
    // averages.
    std::unique_ptr<NodeDataBase> regrets;
    std::unique_ptr<NodeDataBase> strategy_sums;
    f32 ev_boost = 0.0f;
    u8 stores_prepared = 0;
    // One lock per turn board, only on a node that opens the turn street.
    std::unique_ptr<std::mutex[]> turn_locks;
    // One record on a decision node that opens the turn, one per turn board
    // on a decision node that opens the river, none elsewhere.
    std::vector<NodeResultRecord> results;

    TreeNode();
    TreeNode(TreeNode&&) noexcept;
    TreeNode& operator=(TreeNode&&) noexcept;
    ~TreeNode();

    bool is_decision() const { return kind == kNodeDecision; }
    u32 action_count() const { return static_cast<u32>(children.size()); }
};

struct Tree {
    // Index 0 is the root; a node's index is that of its `LineRecord`.
    std::vector<TreeNode> nodes;
    // The three flop cards as passed to creation, before any relabelling.
    u64 board_mask = 0;
    std::unique_ptr<StreetData> street_data;
    // Root's turn board and runout; -1 when the root is on an earlier street.
    i32 root_board_index = -1;
    i32 root_river_index = -1;
    // Per player, the range weight of every hand of the root's hand list, and
    // the same divided by the total matchup weight.
    RootWeights root_weights;
    // The ranges as passed to creation: 1326 weights, combo order, actual suits.
    std::vector<f64> ranges[2];
    // Entry k lays out river stores with k actions; entry 0 is empty.
    std::vector<std::unique_ptr<NodeDataLayout>> layouts;

    u32 traverser = 0;
    u32 pass_mode = kPassEvaluate;
    u32 pass_phase = 0;
    // 0 no strategy sums, 1 weighted by iteration, else weight 1.
    u32 averaging_mode = 1;
    u32 hand_grouping = 0;
    TreeSizeStats size_stats;
    // Largest absolute payoff of a terminal node.
    f64 max_amount = 0.0;
    // The pot the tree was built with: solver values leave it out, and the
    // reports add half of it back whatever pot has been set since.
    f64 pot = 0.0;
    f64 regret_scale = 0.0;
    i32 format_version = 5;
    u32 store_modes[2] = {0, 0};
    u8 all_stores_prepared = 0;
    EvQueryContext* capture_request = nullptr;
    // Per-hand results of the queries, owned by the iteration they belong to.
    EvResultCache ev_cache;
    u32 flags = kTreeNew;
    u32 iteration = 0;
    // -1 nothing forgotten, 2 turn and river data, 3 river data forgotten:
    // the first street whose nodes lost their stores (tree/forgotten_streets
    // says what follows from it).
    i32 forget_level = -1;

    // Result summary of the last two evaluation passes; iteration -1 = none.
    i32 results_iteration = -1;
    // Best-response value and expected value of player 0, then of player 1.
    f64 pass_results[4] = {0.0, 0.0, 0.0, 0.0};
    f64 exploitability = 0.0;
    f64 mean_ev = 0.0;

    Tree();
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;
    ~Tree();

    u32 root_street() const { return nodes.empty() ? kStreetFlop : nodes[0].street; }
};

// The current tree; null when there is none. Only `install_tree` and
// `release_tree` change it.
extern std::unique_ptr<Tree> g_tree;

// Destroys the current tree (if any) and makes `tree` current.
void install_tree(std::unique_ptr<Tree> tree);
// Destroys the current tree; nothing when there is none.
void release_tree();

// The turn board and the runout under it (-1 for none) that the cards of a
// point stand for: cards in actual suits, -1 for none, brought into the
// tree's canonical suits when it was built with isomorphism. A card without a
// record, or a river card without a turn board, gives -1.
struct SplitIndex {
    i32 board = -1;
    i32 river = -1;
};
SplitIndex split_of_cards(const Tree& tree, i32 turn_card, i32 river_card);

// Names of the set bits of a flags word in bit order, one blank between them.
std::string tree_flags_text(u32 flags);
// The same for the current tree; empty without one.
std::string tree_flags_text();
