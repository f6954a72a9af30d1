#include "solver/work_items.h"

#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "cards/hand_maps.h"
#include "solver/array_kernels.h"
#include "solver/node_visit.h"
#include "solver/solver_settings.h"
#include "solver/worker_pool.h"
#include "tree/tree.h"

std::vector<std::unique_ptr<WorkItem>> g_work_items;
std::vector<std::unique_ptr<ChanceShare>> g_chance_shares;
i32 g_work_cursor = 0;
std::mutex g_merge_mutex;

namespace {

constexpr unsigned kFlushToZeroAndDenormalsAreZero = 0x8040;
constexpr i32 kSchedulerGuided = 0;
constexpr i32 kSchedulerDynamic = 1;

// out[j] = src[map[j]] over a board's hand list; an empty source gives an
// empty out with the board's count.
void gather_board(DoubleArray& out, const DoubleArray& src, const std::vector<i16>& map, i32 n) {
    if (!src.data) {
        double_array_set_empty(out, n);
        return;
    }
    out.resize(n);
    for (i32 j = 0; j < n; ++j) out.data[j] = map[j] >= 0 ? src.data[map[j]] : 0.0;
}

void run_turn_item(WorkItem& item) {
    NodeWorkRecord& record = item.record;
    ChanceShare& share = *item.share;
    const BoardRecord& board = record.tree->street_data->boards[record.turn];
    const i32 hands = static_cast<i32>(board.hands.size());
    gather_board(record.opponent_reach, share.parent_reach, board.parent_maps[0], hands);
    if (share.has_second_reach) {
        gather_board(record.second_reach, share.parent_second_reach, board.parent_maps[0], hands);
    }
    if (record.node->turn_locks) {
        std::lock_guard lock(record.node->turn_locks[record.turn]);
        visit_node(record);
    } else {
        visit_node(record);
    }
    std::lock_guard merge(g_merge_mutex);
    for (const std::vector<i16>& map : board.parent_maps) {
        scatter_add_map(share.merged_values, record.values, map);
        if (share.has_second_values) {
            scatter_add_map(share.merged_second_values, record.second_values, map);
        }
    }
}

void run_river_item(WorkItem& item) {
    NodeWorkRecord& record = item.record;
    ChanceShare& share = *item.share;
    const RiverRecord& runout = record.tree->street_data->boards[record.turn].runouts[record.river];
    gather_hand_values(runout, record.opponent_reach, share.parent_reach);
    if (share.has_second_reach) {
        gather_hand_values(runout, record.second_reach, share.parent_second_reach);
    }
    visit_node(record);
    std::lock_guard merge(g_merge_mutex);
    scatter_add_hand_values(runout, share.merged_values, record.values);
    if (share.has_second_values) {
        scatter_add_hand_values(runout, share.merged_second_values, record.second_values);
    }
}

// Cards still to come below a turn item: each river node is walked once per
// runout, the turn nodes once.
constexpr u64 kRunoutsPerTurn = 44;

// Nodes an item walks, a river node of a turn item counted once per runout:
// the measure by which items are handed out, largest first.
u64 item_weight(const WorkItem& item) {
    const Tree& tree = *item.record.tree;
    const u64 river_weight = item.record.river < 0 ? kRunoutsPerTurn : 1;
    u64 weight = 0;
    std::vector<const TreeNode*> pending{item.record.node};
    while (!pending.empty()) {
        const TreeNode* node = pending.back();
        pending.pop_back();
        weight += node->street == kStreetRiver ? river_weight : 1;
        for (const u32 child : node->children) pending.push_back(&tree.nodes[child]);
    }
    return weight;
}

// Item order by descending weight; the items of one chance node weigh the
// same, so each chance node is weighed once.
std::vector<WorkItem*> heaviest_first() {
    std::vector<std::pair<u64, WorkItem*>> weighed;
    weighed.reserve(g_work_items.size());
    const ChanceShare* share = nullptr;
    u64 weight = 0;
    for (const std::unique_ptr<WorkItem>& item : g_work_items) {
        if (item->share != share) {
            share = item->share;
            weight = item_weight(*item);
        }
        weighed.emplace_back(weight, item.get());
    }
    std::stable_sort(weighed.begin(), weighed.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<WorkItem*> order;
    order.reserve(weighed.size());
    for (const auto& entry : weighed) order.push_back(entry.second);
    return order;
}

// Every iteration of the loop runs the heaviest item not yet taken, so that
// whatever chunks the schedule hands out, the items go in heaviest-first
// order to whichever thread is free: the last items to finish are the light
// ones, and no thread waits long for another.
void run_omp(const std::vector<WorkItem*>& order, i32 scheduler) {
    const i32 count = static_cast<i32>(order.size());
    std::atomic<i32> next{0};
    if (scheduler == kSchedulerGuided) {
#pragma omp parallel
        {
            set_solver_float_mode();
#pragma omp for schedule(guided, 1)
            for (i32 k = 0; k < count; ++k) run_work_item(*order[next.fetch_add(1)]);
        }
        return;
    }
#pragma omp parallel
    {
        set_solver_float_mode();
#pragma omp for schedule(dynamic, 1)
        for (i32 k = 0; k < count; ++k) run_work_item(*order[next.fetch_add(1)]);
    }
}

}  // namespace

void set_solver_float_mode() {
    _mm_setcsr(_mm_getcsr() | kFlushToZeroAndDenormalsAreZero);
}

void run_work_item(WorkItem& item) {
    if (item.record.river < 0) {
        run_turn_item(item);
    } else {
        run_river_item(item);
    }
    // Everything is merged into the share; the item's arrays are done.
    item.record.opponent_reach.release();
    item.record.second_reach.release();
    item.record.values.release();
    item.record.second_values.release();
}

void run_work_items() {
    if (g_work_items.empty()) return;
    const std::vector<WorkItem*> order = heaviest_first();
    const i32 scheduler = g_scheduler.load();
    if (scheduler == kSchedulerGuided || scheduler == kSchedulerDynamic) {
        run_omp(order, scheduler);
        return;
    }
    run_on_worker_pool(order.data(), static_cast<i32>(order.size()));
}

void clear_work_items() {
    g_work_items.clear();
    g_chance_shares.clear();
    g_work_cursor = 0;
}
