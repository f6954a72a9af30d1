// Moving per-hand values between a parent's hand order and a runout's through
// 16-bit hand maps (entry i = position in the destination order of source
// hand i). The chance nodes and the work-item runners scatter a runout's
// values into its board's array (under the merge lock) and gather a board's
// reaches into a runout's order.
#pragma once

#include <vector>

#include "cards/board_records.h"
#include "cards/hand_arrays.h"
#include "platform/int_types.h"

// dest[map[i]] += src[i] for every value of src, in ascending i. A source
// without data adds nothing; a destination without data is first given count
// zeros. Negative map entries (missing images) are skipped.
void scatter_add_through_map(DoubleArray& dest, const DoubleArray& src, const i16* map);
void scatter_add_map(DoubleArray& dest, const DoubleArray& src, const std::vector<i16>& map);
// Adds a runout's values into its board's array once per card the record
// stands for, through each of its parent maps.
void scatter_add_hand_values(const RiverRecord& record, DoubleArray& dest, const DoubleArray& src);
// out[i] = src[map_0[i]] over the record's hand list; a source without data
// leaves out without data and with the record's hand count (all zeros).
void gather_hand_values(const RiverRecord& record, DoubleArray& out, const DoubleArray& src);
// The same from a flop-order array into a turn board's hand list.
void gather_board_values(const BoardRecord& board, DoubleArray& out, const DoubleArray& src);
