#include "tree/result_record_reading.h"

#include <vector>

#include "tree/tree.h"

namespace {

constexpr i32 kFirstPackedVersion = 4;
constexpr i32 kFirstF32Version = 2;

u64 checked_hands(const Reader& in, i64 n, i32 hands, u64 width) {
    if (n != 0 && n != hands) throw_invalid_file();
    return checked_count(in, n, hands, width);
}

template <class Stored>
void read_array(DoubleArray& array, Reader& in, i32 hands, f64 scale) {
    const u64 n = checked_hands(in, read_i32(in), hands, sizeof(Stored));
    std::vector<Stored> stored(n);
    in.read(stored.data(), n * sizeof(Stored));
    array.resize(static_cast<i32>(n));
    for (u64 i = 0; i < n; ++i) array.data[i] = static_cast<f64>(stored[i]) * scale;
}

}  // namespace

i32 result_record_hands(const Tree& tree, const TreeNode& node, std::size_t k) {
    const StreetData& street = *tree.street_data;
    if (node.results.size() == 1) return static_cast<i32>(street.hands.size());
    if (k >= street.boards.size()) return 0;
    return static_cast<i32>(street.boards[k].hands.size());
}

void load_result_record(NodeResultRecord& record, Reader& in, i32 hands) {
    if (in.version >= kFirstPackedVersion) {
        record.reach_recomputable[0] = read_u8(in) != 0;
        record.reach_recomputable[1] = read_u8(in) != 0;
        for (int a = 0; a < 2; ++a) {
            if (!record.reach_recomputable[a]) {
                read_array<i16>(record.arrays[a], in, hands, 1.0 / kSavedValueScale);
            }
        }
    } else {
        for (DoubleArray& array : record.arrays) {
            if (in.version >= kFirstF32Version) {
                read_array<f32>(array, in, hands, 1.0);
            } else {
                read_array<f64>(array, in, hands, 1.0);
            }
        }
    }
    record.reach_frozen = read_u8(in) != 0;
    record.solved_splits = read_u64(in);
}

void read_result_array_count(DoubleArray& array, Reader& in, i32 hands) {
    const u32 n = read_u32(in);
    if (n != 0 && n != static_cast<u32>(hands)) throw_invalid_file();
    array.resize(static_cast<i32>(n));
    array.fill_zero();
}
