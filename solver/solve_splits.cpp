#include "solver/solve_splits.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <utility>
#include <vector>

#include "cards/hand_maps.h"
#include "solver/forget_streets.h"
#include "solver/node_visit.h"
#include "solver/solver_pass.h"
#include "solver/split_solve.h"
#include "solver/work_items.h"
#include "storage/block_walks.h"
#include "storage/node_data_factory.h"
#include "tree/shared_fields.h"
#include "tree/tree.h"

namespace {

// Where one split is walked from, with both players' reach there: [0] OOP's,
// [1] IP's, on the hand list of the record's deepest dealt board.
struct SplitStart {
    TreeNode* node = nullptr;
    i32 turn = -1;
    i32 river = -1;
    DoubleArray reach[2];
};

// A flop tree's river chance node deals its runouts itself (and opens their
// blocks), so its splits start before the river card. The river chance node
// of a tree rooted on the turn deals only as work items of a whole pass;
// there every runout is a start of its own.
void add_starts(Tree& tree, const NodeWorkRecord& record, const NodeResultRecord& result,
                i32 street, std::vector<SplitStart>& starts) {
    const bool per_runout =
        street == static_cast<i32>(kStreetRiver) && tree.root_street() != kStreetFlop;
    if (!per_runout) {
        SplitStart& start = starts.emplace_back();
        start.node = record.node;
        start.turn = record.turn;
        for (int p = 0; p < 2; ++p) copy_double_array(start.reach[p], result.arrays[p]);
        return;
    }
    const BoardRecord& board = tree.street_data->boards[static_cast<std::size_t>(record.turn)];
    for (std::size_t r = 0; r < board.runouts.size(); ++r) {
        SplitStart& start = starts.emplace_back();
        start.node = record.node;
        start.turn = record.turn;
        start.river = static_cast<i32>(r);
        for (int p = 0; p < 2; ++p)
            gather_hand_values(board.runouts[r], start.reach[p], result.arrays[p]);
    }
}

void walk_start(Tree& tree, const SplitStart& start, u32 traverser) {
    NodeWorkRecord record;
    record.tree = &tree;
    record.node = start.node;
    record.turn = start.turn;
    record.river = start.river;
    copy_double_array(record.opponent_reach, start.reach[traverser ^ 1u]);
    visit_node(record);
}

// Nodes a start walks, a river node below a river chance point counted
// once per runout, times the hands of its list; 0 without reach.
u64 start_weight(const Tree& tree, const SplitStart& start) {
    if (!start.reach[0].data || !start.reach[1].data) return 0;
    const BoardRecord& board = tree.street_data->boards[static_cast<std::size_t>(start.turn)];
    const u64 runouts = start.river < 0 ? board.runouts.size() : 1;
    u64 nodes = 0;
    std::vector<const TreeNode*> pending{start.node};
    while (!pending.empty()) {
        const TreeNode* node = pending.back();
        pending.pop_back();
        ++nodes;
        for (const u32 child : node->children) pending.push_back(&tree.nodes[child]);
    }
    return nodes * runouts * static_cast<u64>(start.reach[0].count);
}

// Largest first, so that the last starts to finish are light ones.
void order_heaviest_first(const Tree& tree, std::vector<SplitStart>& starts) {
    std::vector<std::pair<u64, std::size_t>> weighed;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        weighed.emplace_back(start_weight(tree, starts[i]), i);
    }
    std::stable_sort(weighed.begin(), weighed.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<SplitStart> ordered;
    ordered.reserve(starts.size());
    for (const auto& entry : weighed) ordered.push_back(std::move(starts[entry.second]));
    starts = std::move(ordered);
}

// The splits of the river are independent of each other: each writes only
// the river stores of its own split, so they run in parallel. Whatever
// chunks the schedule hands out, every iteration takes the heaviest start
// not yet taken.
void river_cycle(Tree& tree, const std::vector<SplitStart>& starts) {
    tree.pass_phase = 1;
    const i32 count = static_cast<i32>(starts.size());
    for (const u32 traverser : {1u, 0u}) {
        tree.traverser = traverser;
        std::atomic<i32> next{0};
#pragma omp parallel
        {
            set_solver_float_mode();
#pragma omp for schedule(guided, 1)
            for (i32 i = 0; i < count; ++i) {
                walk_start(tree, starts[static_cast<std::size_t>(next.fetch_add(1))], traverser);
            }
        }
    }
}

// The turn chance nodes of the splits queue one item per turn board; the
// items run as those of a pass do. Nothing above the splits takes their
// values back.
void turn_cycle(Tree& tree, const std::vector<SplitStart>& starts) {
    for (const u32 traverser : {1u, 0u}) {
        tree.traverser = traverser;
        const WorkItemsCleanup cleanup;
        tree.pass_phase = 0;
        for (const SplitStart& start : starts) walk_start(tree, start, traverser);
        tree.pass_phase = 1;
        run_work_items();
    }
}

// The counter runs from 0 during the solve, so that every weight that depends
// on it behaves as in a fresh solve of the subtrees; it comes back on every
// way out.
class CounterFromZero {
public:
    explicit CounterFromZero(Tree& tree) : tree_(tree), saved_(tree.iteration) {
        store_tree_iteration(tree_, 0);
    }
    ~CounterFromZero() { store_tree_iteration(tree_, saved_); }
    CounterFromZero(const CounterFromZero&) = delete;
    CounterFromZero& operator=(const CounterFromZero&) = delete;

    u32 saved() const { return saved_; }

private:
    Tree& tree_;
    const u32 saved_;
};

}  // namespace

void solver_solve_splits(Tree& tree, i32 street) {
    // No store of the street may be missing while its splits are walked.
    if (!rebuild_missing_stores(tree) || !prepare_node_stores(tree)) throw std::bad_alloc();
    const NodeWorkRecords records = street_work_records(tree, static_cast<u32>(street));

    const PassLock lock;
    tree.pass_mode = kPassUpdate;
    std::vector<SplitStart> starts;
    std::vector<NodeResultRecord*> results;
    for (const auto& record : records) {
        NodeResultRecord* result = split_record(*record->node, record->turn);
        if (!result) continue;
        add_starts(tree, *record, *result, street, starts);
        results.push_back(result);
    }
    if (street == static_cast<i32>(kStreetRiver)) order_heaviest_first(tree, starts);
    {
        const CounterFromZero counter(tree);
        const u32 cycles = std::max<u32>(1, counter.saved());
        for (u32 cycle = 0; cycle < cycles; ++cycle) {
            if (street == static_cast<i32>(kStreetRiver)) {
                river_cycle(tree, starts);
            } else {
                turn_cycle(tree, starts);
            }
            store_tree_iteration(tree, tree.iteration + 1);
        }
    }
    for (NodeResultRecord* result : results) result->reach_frozen = 0;
    tree.forget_level = -1;
    store_tree_flags(tree, load_tree_flags(tree) & ~kTreeIncomplete);
    tree.ev_cache.empty();
    // The chance nodes' stored values describe the strategies before.
    tree.results_iteration = -1;
}
