// The tree's fields that a query may read while the solver thread writes
// them, or that a split solve moves while a query could read them: the
// completed-iteration counter and the flags word. Every writer stores them
// atomically and every reader that takes no pass lock loads them so.
#pragma once

#include <atomic>

#include "platform/int_types.h"
#include "tree/tree.h"

inline u32 load_tree_flags(const Tree& tree) {
    // The tree itself is not const; only this reader's view of it is.
    return std::atomic_ref<u32>(const_cast<u32&>(tree.flags)).load(std::memory_order_relaxed);
}

inline u32 load_tree_iteration(const Tree& tree) {
    return std::atomic_ref<u32>(const_cast<u32&>(tree.iteration)).load(std::memory_order_relaxed);
}

inline void store_tree_flags(Tree& tree, u32 flags) {
    std::atomic_ref<u32>(tree.flags).store(flags, std::memory_order_relaxed);
}

inline void store_tree_iteration(Tree& tree, u32 iteration) {
    std::atomic_ref<u32>(tree.iteration).store(iteration, std::memory_order_relaxed);
}
