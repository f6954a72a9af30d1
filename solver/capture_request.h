// The capture request of an expected-value query: the one node and split
// whose values the query wants, and the per-hand pair that the solver's node
// visit stores there when a capture walk passes that record. The query owns
// it and names it in the tree's capture-request pointer, under the pass lock,
// only for the length of its walk; the visit writes the single-split pair
// without a lock of its own because exactly one record of a walk matches it.
//
// With the per-split flag set the request asks for the node in every split
// that the walk deals: each visit of the node with its street's card dealt
// stores its own pair, keyed (river index, turn index), under the request's
// lock, since the work items of a pass deal their cards on several threads.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <utility>

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

    // The per-split capture: one pair per split of the node, keyed (river
    // index, turn index); a later capture of the same split replaces the
    // pair. Filled under `lock`.
    struct SplitPair {
        std::unique_ptr<DoubleArray> weights;
        std::unique_ptr<DoubleArray> values;
    };
    std::map<std::pair<i32, i32>, SplitPair> per_split;
    std::mutex lock;
    // Clear: capture the one record of the split above; set: every split.
    u8 per_split_flag = 0;
};
