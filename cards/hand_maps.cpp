#include "cards/hand_maps.h"

#include "cards/fail.h"

void scatter_add_through_map(DoubleArray& dest, const DoubleArray& src, const i16* map) {
    if (!src.data || src.count <= 0) return;
    if (!dest.data) {
        // A destination of unknown size has nowhere to put the values.
        if (dest.count <= 0) fail();
        dest.fill_zero();
    }
    f64* out = dest.data;
    const f64* in = src.data;
    for (i32 i = 0; i < src.count; ++i) {
        if (map[i] >= 0) out[map[i]] += in[i];
    }
}

void scatter_add_map(DoubleArray& dest, const DoubleArray& src, const std::vector<i16>& map) {
    scatter_add_through_map(dest, src, map.data());
}

void scatter_add_hand_values(const RiverRecord& record, DoubleArray& dest, const DoubleArray& src) {
    for (const std::vector<i16>& map : record.parent_maps) scatter_add_map(dest, src, map);
}

void gather_hand_values(const RiverRecord& record, DoubleArray& out, const DoubleArray& src) {
    const i32 n = static_cast<i32>(record.hands.size());
    if (!src.data) {
        out.release();
        out.count = n;
        return;
    }
    out.resize(n);
    const i16* map = record.parent_maps[0].data();
    for (i32 i = 0; i < n; ++i) out.data[i] = map[i] >= 0 ? src.data[map[i]] : 0.0;
}

void gather_board_values(const BoardRecord& board, DoubleArray& out, const DoubleArray& src) {
    const i32 n = static_cast<i32>(board.hands.size());
    if (!src.data) {
        out.release();
        out.count = n;
        return;
    }
    out.resize(n);
    const i16* map = board.parent_maps[0].data();
    for (i32 i = 0; i < n; ++i) out.data[i] = src.data[map[i]];
}
