// The block arena of compression mode 1: rows in the packed row formats of
// storage/packed_row.h, one after another in the reserved region, committed
// in 64 KB steps. Before each row the arena makes sure the row's worst case
// fits (a single comparison); the packing loop itself never checks space.
#pragma once

#include "storage/block_arena.h"

class PackedArena final : public BlockArena {
public:
    // An arena for the rows of one write cycle, `count` values in all, of
    // `width` bytes each (2 for 16-bit rows, 4 for 32-bit rows). The
    // reservation is their true worst case: 3 bytes per value for 16-bit
    // rows (a one-value tail group is a selector byte and a u16), 5 for
    // 32-bit rows.
    PackedArena(i64 count, i32 width);

    static i64 reservation_for(i64 count, i32 width);

    void begin_write() override;
    void end_write() override;
    bool has_data() const override { return write_mark_ > 0; }
    void begin_read() override { position_ = 0; }
    void end_read() override;

    void write_u32(const u32* values, const u32* reference, i32 n) override;
    void write_u16(const u16* values, const u16* reference, i32 n) override;
    void read_u32(u32* out, const u32* reference, i32 n) override;
    void read_u16(u16* out, const u16* reference, i32 n) override;
    // Record: i32 write mark, i64 reservation (not trusted: the arena keeps
    // its own), i64 data length equal to the write mark, the data.
    void load(Reader& in) override;
    // The write mark is a bound on the rows' bytes, so the rows may end
    // before it: they must not pass it.
    bool read_to_end() const override { return position_ <= write_mark_; }

    const ReservedRegion& region() const { return region_; }
    // Bytes written (while writing) or consumed (while reading).
    i64 position() const { return position_; }
    // What the rows written so far may occupy at most.
    i64 write_mark() const { return write_mark_; }

private:
    // Makes room for a row whose encoding takes at most `bound` bytes.
    void reserve_row(i64 bound);

    ReservedRegion region_;
    i64 write_mark_ = 0;
    i64 position_ = 0;
    i64 raw_bytes_ = 0;
};
