#include "storage/packed_arena.h"

#include "storage/packed_row.h"
#include "tree/archive_reader.h"

namespace {

constexpr u32 kCommitMask = 65535;

}  // namespace

i64 PackedArena::reservation_for(i64 count, i32 width) {
    const i64 per_value = width == 2 ? 3 : 5;
    return (per_value * count + kCommitMask) & ~static_cast<i64>(kCommitMask);
}

PackedArena::PackedArena(i64 count, i32 width)
    : region_(kCommitMask, reservation_for(count, width)) {}

void PackedArena::begin_write() {
    write_mark_ = 0;
    position_ = 0;
    region_.size = 0;
    region_.need = 0;
    raw_bytes_ = 0;
}

void PackedArena::end_write() {
    g_stat_committed_bytes += region_.committed;
    g_stat_raw_bytes += raw_bytes_;
    g_stat_encoded_bytes += position_;
}

void PackedArena::end_read() {
    g_stat_decoded_bytes += position_;
}

// The mark grows by whole row bounds, so it never passes the sum of the
// bounds of the rows written, which the reservation covers.
void PackedArena::reserve_row(i64 bound) {
    if (write_mark_ >= position_ + bound) return;
    write_mark_ += bound;
    region_.grow(write_mark_);
}

void PackedArena::write_u32(const u32* values, const u32*, i32 n) {
    if (n <= 0) return;
    reserve_row(packed_u32_row_max_bytes(n));
    position_ = pack_u32_row(region_.base + position_, values, n) - region_.base;
    raw_bytes_ += 4 * static_cast<i64>(n);
}

void PackedArena::write_u16(const u16* values, const u16*, i32 n) {
    if (n <= 0) return;
    reserve_row(packed_u16_row_max_bytes(n));
    position_ = pack_u16_row(region_.base + position_, values, n) - region_.base;
    raw_bytes_ += 2 * static_cast<i64>(n);
}

void PackedArena::read_u32(u32* out, const u32*, i32 n) {
    if (n <= 0) return;
    position_ = unpack_u32_row(out, n, region_.base + position_) - region_.base;
}

void PackedArena::read_u16(u16* out, const u16*, i32 n) {
    if (n <= 0) return;
    position_ = unpack_row(out, n, region_.base + position_) - region_.base;
}

// A row never takes more than its bound and the bounds of the rows of a cycle
// add up to at most the reservation, so that decoding damaged data reads
// nothing outside the region, whatever its bytes say; the loader then checks
// that the rows took exactly the data.
void PackedArena::load(Reader& in) {
    const i32 mark = read_i32(in);
    read_i64(in);
    const i64 length = read_i64(in);
    if (length < 0 || length != mark || length > region_.reserved) throw_invalid_file();
    require_bytes_left(in, static_cast<u64>(length));
    begin_write();
    if (length == 0) return;
    region_.grow(length);
    in.read(region_.base, static_cast<u64>(length));
    write_mark_ = length;
}
