// Fields of the current tree that the solver thread writes while the
// queries read them without its pass lock: the completed-iteration counter,
// moved once per iteration, and the flags word, whose NEW_TREE bit the first
// iteration clears. The queries read them through these atomic loads; the
// solver writes them atomically, so that neither side tears the other.
#pragma once

#include <atomic>

#include "platform/int_types.h"
#include "tree/tree.h"

inline u32 load_shared_u32(const u32& field) {
    // The tree itself is not const; only this reader's view of it is.
    return std::atomic_ref<u32>(const_cast<u32&>(field)).load(std::memory_order_relaxed);
}

inline u32 tree_iteration_now(const Tree& tree) {
    return load_shared_u32(tree.iteration);
}

inline u32 tree_flags_now(const Tree& tree) {
    return load_shared_u32(tree.flags);
}

inline bool tree_is_isomorphic(const Tree& tree) {
    return (tree_flags_now(tree) & kTreeIsomorphism) != 0;
}
