// Fields of the current tree that the solver thread writes while the
// queries read them without its pass lock: the completed-iteration counter,
// moved once per iteration, and the flags word, whose NEW_TREE bit the first
// iteration clears. The queries read them through these atomic loads; the
// solver writes them atomically, so that neither side tears the other.
#pragma once

#include "tree/shared_fields.h"
#include "tree/tree.h"

inline u32 tree_iteration_now(const Tree& tree) {
    return load_tree_iteration(tree);
}

inline u32 tree_flags_now(const Tree& tree) {
    return load_tree_flags(tree);
}

inline bool tree_is_isomorphic(const Tree& tree) {
    return (tree_flags_now(tree) & kTreeIsomorphism) != 0;
}
