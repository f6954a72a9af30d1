// The capture request of an expected-value query: the one node and split
// whose values the query wants, and the per-hand pair that the solver's node
// visit stores there when a capture walk passes that record. The query owns
// it and names it in the tree's capture-request pointer, under the pass lock,
// only for the length of its walk; the visit writes it without a lock of its
// own because exactly one record of a walk matches it.
#pragma once

#include "cards/hand_arrays.h"
#include "platform/int_types.h"

struct TreeNode;

struct EvQueryContext {
    TreeNode* node = nullptr;
    // Turn board index and runout index of the split; -1 = not dealt.
    i32 turn = -1;
    i32 river = -1;
    // Per hand of the split's hand list: the traverser's value divided by the
    // compatible opponent reach.
    DoubleArray values;
    // Per hand: runouts still to come x compatible opponent reach x the
    // traverser's own reach.
    DoubleArray weights;
};
