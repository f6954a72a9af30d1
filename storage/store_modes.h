// The pair of storage modes that a compression level stands for: the kind of
// the regret stores and the kind of the strategy-sum stores of the river.
// The solve reset passes it to the node-data factory.
#pragma once

#include "platform/int_types.h"

// 0 uncompressed, 1 and 2 ever more compressed.
struct StoreModes {
    u32 regrets = 0;
    u32 strategy = 0;
};
