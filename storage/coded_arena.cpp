#include "storage/coded_arena.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "cards/fail.h"
#include "codecs/channel_buffer_pool.h"
#include "tree/archive_reader.h"

namespace {

constexpr u32 kCommitMask = 4095;
constexpr i64 kWideStep = 65536;
constexpr i64 kStep = 16384;
constexpr i32 kMaskChannel = 1;
constexpr i32 kEscapeLowChannel = 17;

// The sets of the thread, last returned first; kept for the thread's life.
thread_local std::vector<std::unique_ptr<ChannelBufferSet>> t_coded_scratch_pool;

std::unique_ptr<ChannelBufferSet> borrow_set() {
    if (t_coded_scratch_pool.empty()) return std::make_unique<ChannelBufferSet>();
    std::unique_ptr<ChannelBufferSet> set = std::move(t_coded_scratch_pool.back());
    t_coded_scratch_pool.pop_back();
    return set;
}

void return_set(std::unique_ptr<ChannelBufferSet> set) {
    if (set) t_coded_scratch_pool.push_back(std::move(set));
}

}  // namespace

ChannelBufferSet::~ChannelBufferSet() {
    for (u8* b : buffer) std::free(b);
}

void ChannelBufferSet::reserve(i32 c, i64 bytes) {
    if (bytes <= capacity[c]) return;
    const i64 step = c == kMaskChannel || c == kEscapeLowChannel ? kWideStep : kStep;
    const i64 grown = (bytes + step - 1) / step * step;
    void* p = std::realloc(buffer[c], static_cast<std::size_t>(grown));
    if (!p) fail("out of memory");
    buffer[c] = static_cast<u8*>(p);
    capacity[c] = grown;
}

i32 pooled_buffer_sets() {
    return static_cast<i32>(t_coded_scratch_pool.size());
}

i64 CodedArena::reservation_for(i64 count) {
    // 7.125 bytes per value plus 2 per row, rows at most one per value.
    const i64 coded = count * 9 + count / 8;
    // One 8-byte header per 64 KB channel block, and a last block per channel.
    const i64 headers = 8 * (coded / kChannelBlockBytes + kCodecChannels);
    return (coded + headers + kCommitMask) & ~static_cast<i64>(kCommitMask);
}

CodedArena::CodedArena(i64 count) : region_(kCommitMask, reservation_for(count)) {}

// Callers end every cycle; one cut short by an exception still leaves no
// codec or buffer set behind.
CodedArena::~CodedArena() {
    codec_destroy(reader_);
    if (writer_) {
        codec_destroy(writer_);
        return_set(std::move(buffers_));
    }
}

void CodedArena::begin_write() {
    from_archive_ = false;
    buffers_ = borrow_set();
    for (i32 c = 0; c < kCodecChannels; ++c) channel_size_[c] = channel_pos_[c] = 0;
    stats_ = CodecStats{};
    if (writer_ || reader_) fail();
    writer_ = codec_create_encoder(2, nullptr, nullptr, channel_write, this, &stats_);
}

void CodedArena::channel_write(void* self, i32 c, void* data, i32 length) {
    if (length <= 0) return;
    CodedArena& arena = *static_cast<CodedArena*>(self);
    const i64 end = arena.channel_pos_[c] + length;
    if (end > arena.channel_size_[c]) {
        arena.channel_size_[c] = end;
        arena.buffers_->reserve(c, end);
    }
    std::memcpy(arena.buffers_->buffer[c] + arena.channel_pos_[c], data,
                static_cast<std::size_t>(length));
    arena.channel_pos_[c] = end;
}

void CodedArena::end_write() {
    if (!writer_) return;
    codec_destroy(writer_);
    writer_ = nullptr;
    i64 total = 0;
    for (i32 c = 0; c < kCodecChannels; ++c) total += channel_pos_[c];
    region_.grow(total);
    u8* out = region_.base;
    for (i32 c = 0; c < kCodecChannels; ++c) {
        if (channel_pos_[c] == 0) continue;
        std::memcpy(out, buffers_->buffer[c], static_cast<std::size_t>(channel_pos_[c]));
        out += channel_pos_[c];
    }
    g_stat_committed_bytes += region_.committed;
    g_stat_raw_bytes += static_cast<i64>(stats_.raw_bytes);
    stat_raise_max_escape(stats_.max_value);
    g_stat_encoded_bytes += total;
    return_set(std::move(buffers_));
    for (i32 c = 0; c < kCodecChannels; ++c) {
        channel_size_[c] = channel_pos_[c];
        joined_size_[c] = channel_pos_[c];
    }
}

void CodedArena::begin_read() {
    const u8* start = region_.base;
    for (i32 c = 0; c < kCodecChannels; ++c) {
        channel_size_[c] = joined_size_[c];
        channel_start_[c] = start;
        start += joined_size_[c];
        channel_pos_[c] = 0;
    }
    if (writer_ || reader_) fail();
    if (from_archive_) {
        reader_ = codec_create_checked_decoder(channel_read, this);
        return;
    }
    reader_ = codec_create_decoder(channel_read, this);
    if (!reader_) fail_with_line("fse error");
}

// The arena's own data: a read past a channel's end is a damaged stream.
void CodedArena::channel_read(void* self, i32 c, void* data, i32 length) {
    CodedArena& arena = *static_cast<CodedArena*>(self);
    if (length <= 0) return;
    if (c < 0 || c >= kCodecChannels || arena.channel_pos_[c] + length > arena.channel_size_[c]) {
        if (arena.from_archive_) throw CodecError("exhausted channel");
        fail_with_line("fse error");
    }
    std::memcpy(data, arena.channel_start_[c] + arena.channel_pos_[c],
                static_cast<std::size_t>(length));
    arena.channel_pos_[c] += length;
}

void CodedArena::end_read() {
    if (!reader_) return;
    codec_destroy(reader_);
    reader_ = nullptr;
    i64 consumed = 0;
    for (i32 c = 0; c < kCodecChannels; ++c) consumed += channel_pos_[c];
    g_stat_decoded_bytes += consumed;
}

void CodedArena::write_u32(const u32* values, const u32* reference, i32 n) {
    codec_write_u32_array(writer_, values, reference, n);
}

void CodedArena::write_u16(const u16* values, const u16* reference, i32 n) {
    codec_write_u16_array(writer_, values, reference, n);
}

void CodedArena::read_u32(u32* out, const u32* reference, i32 n) {
    codec_read_u32_array(reader_, out, reference, n);
}

void CodedArena::read_u16(u16* out, const u16* reference, i32 n) {
    codec_read_u16_array(reader_, out, reference, n);
}

void CodedArena::load(Reader& in) {
    i64 sizes[kCodecChannels];
    i64 total = 0;
    for (i32 c = 0; c < kCodecChannels; ++c) {
        const u32 size = ::read_u32(in);
        const u32 position = ::read_u32(in);
        if (size != position) throw_invalid_file();
        sizes[c] = size;
        total += size;
    }
    read_i64(in);
    const i64 length = read_i64(in);
    // Channel 0 holds the codec id whenever anything was written.
    if (length != total || length > region_.reserved || (length > 0) != (sizes[0] > 0)) {
        throw_invalid_file();
    }
    require_bytes_left(in, static_cast<u64>(length));
    if (length > 0) {
        region_.grow(length);
        in.read(region_.base, static_cast<u64>(length));
    }
    for (i32 c = 0; c < kCodecChannels; ++c) {
        channel_size_[c] = joined_size_[c] = sizes[c];
        channel_pos_[c] = 0;
    }
    from_archive_ = true;
}

bool CodedArena::read_to_end() const {
    for (i32 c = 0; c < kCodecChannels; ++c) {
        if (channel_pos_[c] != channel_size_[c]) return false;
    }
    return true;
}
