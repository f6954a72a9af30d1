// Work items: the parallel part of a pass. In phase 0 every chance node
// queues one item per dealt card (a turn board, or a runout of a tree rooted
// on the turn), all sharing the chance node's incoming reach and the arrays
// into which their values are merged; phase 1 runs the queued items in
// parallel (`run_work_items`, on an OpenMP team or the solver's own worker
// pool as `g_scheduler` says); in phase 2 each chance node takes its merged
// values back, in the order in which it queued them.
//
// The list is filled, consumed and emptied only by the thread that holds the
// pass lock; workers only read it during phase 1.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "cards/hand_arrays.h"
#include "platform/int_types.h"
#include "storage/block_walks.h"

// What the items of one chance node share: the chance node's incoming
// reaches, and the arrays that collect the items' values. The second reach
// exists when the chance node was given one, the second values in
// evaluation passes.
struct ChanceShare {
    DoubleArray parent_reach;
    DoubleArray parent_second_reach;
    DoubleArray merged_values;
    DoubleArray merged_second_values;
    bool has_second_reach = false;
    bool has_second_values = false;
};

// One dealt card below a chance node: the record walks the chance node with
// the card dealt (river index -1 for a turn item).
struct WorkItem {
    NodeWorkRecord record;
    ChanceShare* share = nullptr;
};

// The items of the current pass in queueing order, the shares they point
// to, and the next item whose results a chance node takes in phase 2.
extern std::vector<std::unique_ptr<WorkItem>> g_work_items;
extern std::vector<std::unique_ptr<ChanceShare>> g_chance_shares;
extern i32 g_work_cursor;

// Guards every merge of an item's values into its chance node's arrays.
extern std::mutex g_merge_mutex;

// Runs every queued item and returns when all have finished.
void run_work_items();
// Runs one item: gathers its reaches from the share, walks it (a turn item
// under its chance node's turn lock) and merges its values into the share.
void run_work_item(WorkItem& item);
// Drops every item and share.
void clear_work_items();

// Leaves no work item behind, whatever way the walks of a pass end (a query
// on the command thread may end in an exception).
class WorkItemsCleanup {
public:
    WorkItemsCleanup() = default;
    WorkItemsCleanup(const WorkItemsCleanup&) = delete;
    WorkItemsCleanup& operator=(const WorkItemsCleanup&) = delete;
    ~WorkItemsCleanup() { clear_work_items(); }
};

// Flush-to-zero and denormals-are-zero for the calling thread: every thread
// that runs solver kernels sets them, or tiny regrets and reaches would run
// at the speed of denormal arithmetic.
void set_solver_float_mode();
