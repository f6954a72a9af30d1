// Per-node solver data: the cumulative regrets or the strategy sums of one
// decision node, one row of values per action and, within a row, one value per
// hand of the hand list in play. `NodeDataBase` is the interface that the
// solver's visitors, the archive reader and the query commands use; the kinds
// behind it are in storage/plain_node_data.h (flop and turn) and
// storage/block_node_data.h (river), the compressed river kind comes with the
// block arenas.
//
// Row sets are addressed by (turn, river): the turn board's index in the
// tree's street data and the runout's index under it, -1 where that card is
// not dealt. Flop stores ignore both, turn stores read turn only.
//
// Conventions shared by every kind:
// - A `DoubleArray` without data stands for zeros of its count.
// - A sum at or below `g_flt_min` counts as zero: average strategies take the
//   action's default there and regrets below it become exactly 0.
// - `store_row` refuses (returns false, writes nothing) a values array whose
//   count differs from the row's hand count.
// - `update_regrets` and `accumulate_strategy` need `allocate` first
//   (std::logic_error otherwise) and throw std::invalid_argument, before any
//   value changes, when an array is too short for the hands they cover or
//   node values are longer than the rows; `average_strategy` throws it for
//   fewer defaults than actions.
// A store has no lock: concurrent callers must work on different row sets.
#pragma once

#include <span>
#include <vector>

#include "cards/hand_arrays.h"
#include "platform/int_types.h"

class BlockArena;     // byte stream of compressed river blocks
class Reader;         // tree-archive byte source
class ArchiveWriter;  // tree-archive byte sink

// Smallest normal float, 2^-126: the zero threshold of averages and regrets.
inline constexpr f32 g_flt_min = 0x1p-126f;

// Per-split state of a row set. The stores create it zeroed and never
// interpret the flags; the lock queries and the visitors do.
struct BlockEntry {
    u32 flags = 0;
};

inline constexpr u32 k_entry_locked = 1u;

class NodeDataBase {
public:
    NodeDataBase() = default;
    NodeDataBase(const NodeDataBase&) = delete;
    NodeDataBase& operator=(const NodeDataBase&) = delete;
    virtual ~NodeDataBase() = default;

    // Obtains the storage of every value, all zero; false when it cannot.
    virtual bool allocate() = 0;

    // out[a][h] = value[a][h] / total[h] with total[h] the sum over the
    // actions, or defaults[a] where total[h] < g_flt_min. `out` is resized to
    // the action count; `defaults` holds one value per action.
    virtual void average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                                  std::span<const f32> defaults) = 0;

    // Overwrites the row of `action` with `values` in the store's
    // representation; false (and nothing written) when the count differs from
    // the row's hand count.
    virtual bool store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) = 0;

    // Adds sign(r)|r|^0.75 per action and hand, r = action value - node value,
    // for the hands below node_values.count; the 16-bit kinds quantise by
    // `scale` and average over `tie_groups` (may be null). `reserved` is
    // passed as 0 and read by no kind.
    virtual void update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                                const std::vector<DoubleArray>& action_values, u64 reserved,
                                const std::vector<i16>* tie_groups, f64 scale) = 0;

    // value[a][h] += weight * strategy[a][h] * reach[h]; nothing when the
    // weight is not above 0 or the reach has no data.
    virtual void accumulate_strategy(i32 turn, i32 river, const std::vector<DoubleArray>& strategy,
                                     const DoubleArray& reach, f64 weight) = 0;

    // Values held: flop and turn kinds the current row lengths, river kinds
    // the layout's value total.
    virtual i64 value_count(i32 block) const = 0;

    // Archive transfer of the store's record. The program writes no
    // archives: `save` throws std::logic_error. `load` reads the kind's record
    // in the reader's version into a store that `allocate` has prepared
    // (std::logic_error otherwise); a record that no store could have written
    // (a regret or strategy sum that is negative or not finite, a packed row
    // of another length than its bytes) throws IOException "invalid file",
    // and a short file the reader's failure. The kinds without a record here
    // throw std::logic_error.
    virtual void save(ArchiveWriter& out) const;
    virtual void load(Reader& in);
    // Fewest bytes that `load` reads in that archive version (0 for the
    // kinds without a record).
    virtual u64 min_record_bytes(i32 version) const;

    // Decoding and re-encoding of a compressed river block around one split's
    // work; the uncompressed kinds have nothing to do and answer nullptr.
    virtual BlockArena* open_block(BlockArena* shared, i32 block, i64 count);
    virtual BlockArena* close_block(BlockArena* shared, i32 block, bool write_back);

    virtual BlockEntry& entry(i32 turn, i32 river) = 0;

protected:
    // Lets the flop stores live by value in the turn store's element vector.
    NodeDataBase(NodeDataBase&&) noexcept = default;
};
