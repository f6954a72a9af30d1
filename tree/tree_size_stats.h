// The tree's size figures, produced by the node-data factory while the solve
// reset creates the stores, and shown by `build_tree` and the memory reports.
#pragma once

#include "platform/int_types.h"

// Entries are indexed by street (1 flop, 2 turn, 3 river); entry 0 stays 0.
struct TreeSizeStats {
    // Values (actions x hands) of every regret store of the street.
    u64 value_counts[4] = {0, 0, 0, 0};
    // Bytes the street's stores take: 2 per regret value, plus 4 per
    // strategy-sum value when the tree keeps an average strategy.
    u64 data_sizes[4] = {0, 0, 0, 0};
    f64 average_actions = 0.0;
    i32 max_actions = 0;
};
