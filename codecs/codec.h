// Codec front end: turns per-hand arrays of unsigned integers (at most 1326
// values) into bytes spread over numbered byte channels, and back.
//
// The coded arenas of compressed river storage write every row through
// `codec_write_u32_array` / `codec_write_u16_array` (as a rule against a
// reference row) and read it back with the matching read call; the tree
// archive reader decodes the coded sections of archives without a reference
// row. The front end takes differences between neighbouring values (and
// against the reference row when that leaves fewer non-zero codes), maps them
// to zigzag codes and hands them to one of three codecs, chosen by the id byte
// at the head of channel 0: 0 the range coder "Cmpr", 1 bit packing, 2 the
// 24-channel FSE codec (the only one the system writes).
//
// Readers come in two modes. `codec_create_decoder` serves data the process
// wrote itself: a damaged codec-2 block prints "fse error" and ends the
// process. `codec_create_checked_decoder` serves data from outside (archive
// files): every failure throws `CodecError` with a short reason, and the
// reader can be destroyed afterwards as usual.
#pragma once

#include <cstddef>
#include <stdexcept>

#include "platform/int_types.h"

// Longest array the codecs take: one value per two-card hand.
constexpr i32 kCodecMaxValues = 1326;
// Channels that codec 2 spreads its arrays over (codec 1 uses 0-2, codec 0 channel 0).
constexpr i32 kCodecChannels = 24;

// Byte-channel callback: a writer appends `length` bytes to channel `channel`;
// a reader takes the next `length` bytes of that channel in the order they
// were appended. A reader's callback may throw (for example `CodecError` when
// a channel is exhausted); the exception passes through the codec unchanged.
using ChannelFn = void (*)(void* context, i32 channel, void* data, i32 length);

struct ChannelCallback {
    ChannelFn fn = nullptr;
    void* context = nullptr;

    void put(i32 channel, const void* data, i32 length) const {
        fn(context, channel, const_cast<void*>(data), length);
    }
    void get(i32 channel, void* data, i32 length) const { fn(context, channel, data, length); }
};

// Statistics a writer adds to; the owner clears it before creating the writer
// and reads it after destroying it.
struct CodecStats {
    u64 zero_blocks = 0;       // all-zero blocks of 16 values (codec 0)
    u64 blocks = 0;            // blocks of 16 values coded (codec 0)
    u64 reference_arrays = 0;  // arrays coded against their reference row
    u64 raw_bytes = 0;         // 4 bytes per value, 16-bit arrays included
    u64 tree_values = 0;       // non-zero codes below 1024 (codec 0)
    u64 escaped_values = 0;    // codes of 1024 and more (codec 0)
    u64 value_sum = 0;         // sum of the coded zigzag values (codec 0)
    // Largest (code - 1) compared as signed 32-bit numbers; codecs 1 and 2
    // count only the codes that leave their one-byte form (code - 1 >= 255).
    i32 max_value = 0;
    u32 arrays = 0;

    // One more array of n values; flag set when coded against its reference row.
    void count_array(i32 n, u32 flag) {
        raw_bytes += 4 * static_cast<u64>(n);
        arrays += 1;
        reference_arrays += flag != 0;
    }
    void raise_max_value(u32 w) {
        if (static_cast<i32>(w) > max_value) max_value = static_cast<i32>(w);
    }
};

// What a checked reader throws: "unknown codec id", "compressor wrong id",
// "CreateOptimalTree fail", "damaged stream", "array too long"; a channel
// callback may throw it too ("exhausted channel").
class CodecError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CodecWriter {
public:
    virtual ~CodecWriter() = default;
    CodecWriter(const CodecWriter&) = delete;
    CodecWriter& operator=(const CodecWriter&) = delete;
    // One array of n zigzag codes; flag 1 when they are deltas against the
    // reference row, else 0.
    virtual void encode(const u32* codes, i32 n, u32 flag) = 0;

protected:
    // Without the caller's stats the writer counts into its own.
    explicit CodecWriter(CodecStats* stats = nullptr) : stats_(stats ? stats : &own_stats_) {}
    CodecStats& stats() { return *stats_; }

private:
    CodecStats* stats_;
    CodecStats own_stats_;
};

class CodecReader {
public:
    explicit CodecReader(bool checked) : checked_(checked) {}
    virtual ~CodecReader() = default;

    // Decode one array into n finished values (deltas undone with ref, which
    // must be the row the writer's caller used, or null); return its flag.
    // n of 0 or less reads nothing; n above 1326 is refused as in
    // `codec_read_u32_array`.
    u32 decode_u32(u32* out, const u32* ref, i32 n);
    // The same in 16-bit arithmetic: every codec decodes 32-bit codes and
    // narrows, which gives back exactly the 16-bit values that were written.
    u32 decode_u16(u16* out, const u16* ref, i32 n);

protected:
    // The codec's own part: the next array's n zigzag codes and its flag.
    virtual u32 read_codes(u32* codes, i32 n) = 0;
    // A damaged stream: throws in checked mode, else "fse error" and exit 1.
    [[noreturn]] void damaged() const;

private:
    template <class T, class Restore>
    u32 decode(T* out, const T* ref, i32 n, Restore restore);

    bool checked_;
};

// Writes the id's low byte on channel 0 and returns the writer of codec 0, 1
// or 2; null for any other id. Codec 0 needs histogram (256 symbol counts),
// gather (256 counters it fills) and stats; codecs 1 and 2 ignore histogram
// and gather. The system creates id 2 with null histogram and gather.
CodecWriter* codec_create_encoder(i32 id, const u64* histogram, u64* gather, ChannelFn fn,
                                  void* context, CodecStats* stats);

// Reads the id byte from channel 0 and returns that codec's reader; null for
// an unknown id. A codec 0 reader reads and checks its header at once and
// throws `CodecError` when it is wrong.
CodecReader* codec_create_decoder(ChannelFn fn, void* context);

// The checked form for data from outside: an unknown id throws `CodecError`
// ("unknown codec id"), and so does every later failure of the reader.
CodecReader* codec_create_checked_decoder(ChannelFn fn, void* context);

// Encode n values against ref (at least n values) or null. n above 1326 ends
// the process through `fail`; n of 0 or less writes nothing, and the reads
// below read nothing for it, so empty rows never upset a stream.
void codec_write_u32_array(CodecWriter* writer, const u32* values, const u32* ref, i32 n);
void codec_write_u16_array(CodecWriter* writer, const u16* values, const u16* ref, i32 n);

// Decode the next array, with the n and reference row of the matching write.
// n above 1326 ends the process through `fail` (a checked reader throws).
void codec_read_u32_array(CodecReader* reader, u32* out, const u32* ref, i32 n);
void codec_read_u16_array(CodecReader* reader, u16* out, const u16* ref, i32 n);

// Destroys a codec; a writer first writes its buffered bytes, so a stream is
// complete only after this. Null does nothing.
void codec_destroy(CodecWriter* writer);
void codec_destroy(CodecReader* reader);
inline void codec_destroy(std::nullptr_t) {}
