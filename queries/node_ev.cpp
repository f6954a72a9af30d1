#include "queries/node_ev.h"

#include <algorithm>
#include <array>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "cards/hand_maps.h"
#include "cards/hand_tables.h"
#include "cards/suit_isomorphism.h"
#include "queries/solver_shared_state.h"
#include "queries/split_lookup.h"
#include "solver/array_kernels.h"
#include "solver/capture_request.h"
#include "solver/node_visit.h"
#include "solver/results.h"
#include "solver/solver_pass.h"
#include "solver/split_solve.h"
#include "solver/work_items.h"
#include "storage/block_walks.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree/tree.h"

namespace {

constexpr f64 kUndefined = std::numeric_limits<f64>::quiet_NaN();

using ComboValues = std::array<f64, kHandCount>;

u64 card_bit(i32 card) {
    return card < 0 ? 0 : u64{1} << card;
}

// The tree's result summary for its current iteration. The evaluation
// passes also leave every chance node's values in its result record.
void refresh_result_summary(Tree& tree) {
    if (tree.results_iteration == static_cast<i32>(tree_iteration_now(tree))) return;
    prepare_node_stores(tree);
    store_results_summary(tree, measure_tree(tree));
}

// Both players' reach at the capture node, on the node's hand list.
struct ReachPair {
    DoubleArray oop;
    DoubleArray ip;
};

// The walk of the reaches down the path: the record's opponent reach holds
// IP's reach and its second reach OOP's. A record at a street's first node
// whose card is not dealt yet deals the card of the target split.
class ReachWalk {
public:
    ReachWalk(const TreeNode* target, SplitIndex split, std::vector<i32> path)
        : target_(target), split_(split), path_(std::move(path)) {}

    void step(NodeWorkRecord& record, ReachPair& out) {
        const TreeNode& node = *record.node;
        if (&node == target_ && record.turn == split_.board && record.river == split_.river) {
            copy_double_array(out.oop, record.second_reach);
            copy_double_array(out.ip, record.opponent_reach);
            return;
        }
        if (node.street >= kStreetTurn && record.turn < 0) return deal_turn(record, out);
        if (node.street == kStreetRiver && record.river < 0) return deal_river(record, out);
        act(record, out);
    }

private:
    NodeWorkRecord child_of(const NodeWorkRecord& record, TreeNode* node) const {
        NodeWorkRecord child;
        child.tree = record.tree;
        child.node = node;
        child.turn = record.turn;
        child.river = record.river;
        return child;
    }

    // A path that does not name the split's card cannot go on (the commands
    // refuse such paths); stopping leaves the reaches empty.
    void deal_turn(NodeWorkRecord& record, ReachPair& out) {
        if (split_.board < 0) return;
        const BoardRecord& board =
            record.tree->street_data->boards[static_cast<std::size_t>(split_.board)];
        NodeWorkRecord child = child_of(record, record.node);
        child.turn = split_.board;
        gather_board_values(board, child.opponent_reach, record.opponent_reach);
        gather_board_values(board, child.second_reach, record.second_reach);
        step(child, out);
    }

    void deal_river(NodeWorkRecord& record, ReachPair& out) {
        if (split_.river < 0) return;
        const BoardRecord& board =
            record.tree->street_data->boards[static_cast<std::size_t>(record.turn)];
        const RiverRecord& runout = board.runouts[static_cast<std::size_t>(split_.river)];
        NodeWorkRecord child = child_of(record, record.node);
        child.river = split_.river;
        gather_hand_values(runout, child.opponent_reach, record.opponent_reach);
        gather_hand_values(runout, child.second_reach, record.second_reach);
        step(child, out);
    }

    // A decision node on the path: the acting player's reach goes through
    // the strategy of the action taken, the other reach passes unchanged.
    void act(NodeWorkRecord& record, ReachPair& out) {
        if (path_.empty()) return;
        const i32 position = path_.back();
        path_.pop_back();
        TreeNode& node = *record.node;
        std::vector<DoubleArray> rows;
        std::vector<DoubleArray> sums;
        std::vector<f32> defaults;
        load_node_strategy(record, rows, sums, defaults);
        const DoubleArray& strategy = rows[static_cast<std::size_t>(position)];
        NodeWorkRecord child = child_of(
            record, &record.tree->nodes[node.children[static_cast<std::size_t>(position)]]);
        const bool ip_acts = node.player == 1;
        DoubleArray& acting = ip_acts ? record.opponent_reach : record.second_reach;
        DoubleArray& waiting = ip_acts ? record.second_reach : record.opponent_reach;
        DoubleArray& child_acting = ip_acts ? child.opponent_reach : child.second_reach;
        DoubleArray& child_waiting = ip_acts ? child.second_reach : child.opponent_reach;
        double_array_mul(child_acting, acting, strategy);
        child_waiting = std::move(waiting);
        step(child, out);
        waiting = std::move(child_waiting);
    }

    const TreeNode* target_;
    SplitIndex split_;
    // Child positions from the target up to the root: the back is the next
    // edge down.
    std::vector<i32> path_;
};

std::vector<i32> path_to_root(const Tree& tree, const TreeNode& target) {
    std::vector<i32> path;
    for (const TreeNode* node = &target; node->parent; node = node->parent) {
        const std::vector<u32>& siblings = node->parent->children;
        const auto index = static_cast<u32>(node - tree.nodes.data());
        const auto found = std::find(siblings.begin(), siblings.end(), index);
        path.push_back(found == siblings.end() ? -1 : static_cast<i32>(found - siblings.begin()));
    }
    return path;
}

ReachPair reach_at_node(Tree& tree, const EvQueryContext& request) {
    NodeWorkRecord root = root_work_record(tree);
    ReachPair out;
    ReachWalk walk(request.node, SplitIndex{request.turn, request.river},
                   path_to_root(tree, *request.node));
    walk.step(root, out);
    return out;
}

// The river blocks of the request's split, open for the whole capture walk
// and closed again without writing anything back (a capture changes no
// store).
class OpenRiverBlocks {
public:
    OpenRiverBlocks(Tree& tree, const EvQueryContext& request) {
        if (request.river < 0) return;
        record_.tree = &tree;
        record_.node = first_river_node(*request.node);
        record_.turn = request.turn;
        sums_ = averaging_active(tree);
        open(BlockStore::regrets);
        if (sums_) open(BlockStore::strategy_sums);
    }
    ~OpenRiverBlocks() {
        if (!record_.node) return;
        close(BlockStore::regrets);
        if (sums_) close(BlockStore::strategy_sums);
    }
    OpenRiverBlocks(const OpenRiverBlocks&) = delete;
    OpenRiverBlocks& operator=(const OpenRiverBlocks&) = delete;

private:
    static TreeNode* first_river_node(TreeNode& node) {
        TreeNode* first = &node;
        while (first->parent && first->parent->street > kStreetTurn) first = first->parent;
        return first;
    }

    void open(BlockStore store) { open_split_blocks(record_, store, false); }
    void close(BlockStore store) { close_split_blocks(record_, store, false); }

    NodeWorkRecord record_;
    bool sums_ = false;
};

// Names the request in the tree for the length of the walk, under the pass
// lock; both are given up on every way out.
class CaptureSession {
public:
    CaptureSession(Tree& tree, EvQueryContext& request) : tree_(tree) {
        tree_.capture_request = &request;
    }
    ~CaptureSession() { tree_.capture_request = nullptr; }
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

private:
    const PassLock lock_;
    Tree& tree_;
};

// Per-hand values of the split's list back to combos in actual suits; a
// list array that is shorter than the list (no data) reads as zeros.
void level_to_combos(const Tree& tree, SplitIndex split, const u64 board[3],
                     const DoubleArray& values, f64* out) {
    const SplitLevel level = split_level(tree, split);
    DoubleArray zeros;
    const DoubleArray* source = &values;
    if (!values.data || values.count < level.hand_count) {
        zeros.resize(level.hand_count);
        zeros.fill_zero();
        source = &zeros;
    }
    ComboValues gathered;
    gather_combos(gathered.data(), *source, level.combo_map);
    if (!tree_is_isomorphic(tree)) {
        std::copy(gathered.begin(), gathered.end(), out);
        return;
    }
    permute_combos_by_suit(board[0], board[1], board[2], out, gathered.data(), 1);
}

}  // namespace

void node_ev_subtree(Tree& tree, u32 player) {
    EvQueryContext& request = *tree.capture_request;
    tree.traverser = player;
    tree.pass_mode = kPassCapture;
    const OpenRiverBlocks blocks(tree, request);
    ReachPair reach = reach_at_node(tree, request);

    NodeWorkRecord record;
    record.tree = &tree;
    record.node = request.node;
    record.turn = request.turn;
    record.river = request.river;
    record.opponent_reach = std::move(player == 0 ? reach.ip : reach.oop);
    record.second_reach = std::move(player == 0 ? reach.oop : reach.ip);

    const WorkItemsCleanup cleanup;
    tree.pass_phase = 0;
    visit_node(record);
    record.values.release();
    tree.pass_phase = 1;
    run_work_items();
    tree.pass_phase = 2;
    g_work_cursor = 0;
    visit_node(record);
}

void compute_node_ev(u32 player, i32 node, i32 turn_card, i32 river_card, f64* ev, f64* weight) {
    if (!g_tree) return;
    Tree& tree = *g_tree;
    // The summary and the capture walk value the same iteration.
    const PassLock lock;
    refresh_result_summary(tree);
    const SplitIndex split = find_node_data(tree, turn_card, river_card);
    // A node of a forgotten street gets its split solved again first; before
    // the street's card the chance node answers from its stored values.
    solve_split_on_demand(tree, tree.nodes[static_cast<std::size_t>(node)], split);

    EvQueryContext request;
    request.node = &tree.nodes[static_cast<std::size_t>(node)];
    request.turn = split.board;
    request.river = split.river;
    {
        const CaptureSession session(tree, request);
        node_ev_subtree(tree, player);
    }

    const u64 board[3] = {tree.board_mask, card_bit(turn_card), card_bit(river_card)};
    level_to_combos(tree, split, board, request.values, ev);
    level_to_combos(tree, split, board, request.weights, weight);
    const std::vector<f64>& range = tree.ranges[player];
    for (i32 c = 0; c < kHandCount; ++c) {
        if (range[static_cast<std::size_t>(c)] != 0.0) continue;
        ev[c] = kUndefined;
        weight[c] = kUndefined;
    }
}
