// The result records (`NodeResultRecord`) of a tree archive: the cached
// per-split reach and values of the nodes that open the turn or the river, in
// the layout of the archive's version. Every array of a record is either
// empty or holds exactly one value per hand of the record's hand list, so an
// archive cannot hand the solver an array of another length.
#pragma once

#include <cstddef>

#include "cards/hand_arrays.h"
#include "platform/int_types.h"
#include "tree/archive_reader.h"

struct Tree;
struct TreeNode;
struct NodeResultRecord;

// Fixed-point scale of the 16-bit arrays of version 4 on: value = i16 / 150.
inline constexpr f64 kSavedValueScale = 150.0;

// Hands of record k of the node: the root hand list on a node that opens the
// turn, turn board k's list on a node that opens the river (0 for the
// records beyond the tree's boards, which stay empty).
i32 result_record_hands(const Tree& tree, const TreeNode& node, std::size_t k);

// One record in the reader's version. From version 4 only arrays 0 and 1 are
// here, and only those whose recomputable flag is 0; arrays 2 to 5 follow in
// later sections (`read_result_array_count`). A count other than 0 and
// `hands` is "invalid file".
void load_result_record(NodeResultRecord& record, Reader& in, i32 hands);

// A count of arrays 2 to 5 (version 4 on): the array gets that many zeros.
void read_result_array_count(DoubleArray& array, Reader& in, i32 hands);
