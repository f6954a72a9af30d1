// The block arena of compression mode 2: every row goes through codec 2 of
// the codec library (codecs/codec.h), which spreads its bytes over 24 byte
// channels and entropy-codes them. While a block is written the channels
// grow in a `ChannelBufferSet` borrowed from the writing thread's pool; when
// the write cycle ends the channels are joined, channel 0 first, into the
// arena's reserved region, and the set goes back to the pool. A read cycle
// hands the joined channels to a decoder.
#pragma once

#include <memory>

#include "codecs/codec.h"
#include "storage/block_arena.h"

// 24 growable byte buffers, one per channel; reused across write cycles.
struct ChannelBufferSet {
    u8* buffer[kCodecChannels] = {};
    i64 capacity[kCodecChannels] = {};

    ChannelBufferSet() = default;
    ChannelBufferSet(const ChannelBufferSet&) = delete;
    ChannelBufferSet& operator=(const ChannelBufferSet&) = delete;
    ~ChannelBufferSet();

    // Makes channel c hold at least `bytes`, keeping its contents; the
    // capacity grows in steps of 64 KB on the mask and escape-low channels
    // (1 and 17, the busiest) and 16 KB on the others.
    void reserve(i32 c, i64 bytes);
};

// Sets kept in the calling thread's pool (tests).
i32 pooled_buffer_sets();

class CodedArena final : public BlockArena {
public:
    // An arena for the rows of one write cycle, `count` values in all. The
    // reservation is the codec's true worst case: 7.125 bytes per value (a
    // mask bit, a context byte and six escape bytes), 2 per row (its flag
    // and a short mask byte, counted at one row per value) and the 8-byte
    // header of every channel block.
    explicit CodedArena(i64 count);
    ~CodedArena() override;

    static i64 reservation_for(i64 count);

    void begin_write() override;
    void end_write() override;
    // From begin_write on (the codec's id byte), and after end_write.
    bool has_data() const override { return channel_size_[0] > 0; }
    void begin_read() override;
    void end_read() override;

    void write_u32(const u32* values, const u32* reference, i32 n) override;
    void write_u16(const u16* values, const u16* reference, i32 n) override;
    void read_u32(u32* out, const u32* reference, i32 n) override;
    void read_u16(u16* out, const u16* reference, i32 n) override;
    // Record: per channel a u32 size and a u32 read position (equal), an
    // i64 reservation (not trusted), an i64 length (the sum), the joined
    // channels.
    void load(Reader& in) override;
    bool read_to_end() const override;

    const ReservedRegion& region() const { return region_; }
    // Length of channel c in the joined run of the last write cycle.
    i64 joined_size(i32 c) const { return joined_size_[c]; }

private:
    static void channel_write(void* self, i32 channel, void* data, i32 length);
    static void channel_read(void* self, i32 channel, void* data, i32 length);

    // While writing, each channel's length so far; while reading, its length
    // in the joined run.
    i64 channel_size_[kCodecChannels] = {};
    // While writing, the bytes written to each channel; while reading, the
    // bytes already read from it.
    i64 channel_pos_[kCodecChannels] = {};
    const u8* channel_start_[kCodecChannels] = {};
    // The channel lengths of the joined run, set only when a write cycle
    // ends: a read cycle cut short leaves nothing behind that a later one
    // would take for the data's extent.
    i64 joined_size_[kCodecChannels] = {};
    CodecWriter* writer_ = nullptr;
    CodecReader* reader_ = nullptr;
    // Data from an archive: read with the checked decoder, whose failures
    // throw `CodecError`, until the next write cycle.
    bool from_archive_ = false;
    CodecStats stats_;
    ReservedRegion region_;
    std::unique_ptr<ChannelBufferSet> buffers_;
};
