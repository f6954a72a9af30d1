#include "codecs/fse_channel_codec.h"

#include <cstring>

#include "codecs/codec_kernels.h"
#include "codecs/fse/fse.h"

namespace {

void store_le32(u8* out, u32 value) {
    for (i32 k = 0; k < 4; ++k) out[k] = static_cast<u8>(value >> (8 * k));
}

u32 load_le32(const u8* in) {
    return static_cast<u32>(in[0]) | static_cast<u32>(in[1]) << 8 | static_cast<u32>(in[2]) << 16 |
           static_cast<u32>(in[3]) << 24;
}

}  // namespace

FseChannelSink::FseChannelSink(ChannelCallback callback, CodecStats* stats)
    : callback_(callback), stats_(stats) {}

FseChannelSink::~FseChannelSink() {
    for (u32 c = 0; c < kCodecChannels; ++c) {
        if (count_[c] != 0) flush(c);
    }
}

void FseChannelSink::put_escape(u32 context, u32 w) {
    put(kFirstContextChannel + context, 255);
    stats_->raise_max_value(w);
    if (w < 65535) {
        put(kEscapeLowChannel, w & 0xFF);
        put(kEscapeHighChannel, w >> 8);
        return;
    }
    put(kEscapeLowChannel, 0xFF);
    put(kEscapeHighChannel, 0xFF);
    for (u32 k = 0; k < 4; ++k) put(kEscapeWideChannel + k, w >> (8 * k));
}

// An FSE error is no reason to lose the block: it is stored raw like a block
// that does not compress.
void FseChannelSink::flush(u32 channel) {
    const i32 c = static_cast<i32>(channel);
    const u32 raw = count_[channel];
    u8* data = buffers_.channel(c);
    u8* coded_block = buffers_.scratch();
    const i32 coded = static_cast<i32>(
        static_cast<u32>(FSE_compress(coded_block, kChannelScratchBytes, data, raw)));
    u8 header[8];
    store_le32(header, raw);
    store_le32(header + 4, static_cast<u32>(coded));
    callback_.put(c, header, 8);
    if (coded > 1) {
        callback_.put(c, coded_block, coded);
    } else if (coded == 1) {
        callback_.put(c, data, 1);
    } else {
        callback_.put(c, data, static_cast<i32>(raw));
    }
    count_[channel] = 0;
}

FseChannelEncoder::FseChannelEncoder(ChannelCallback callback, CodecStats* stats)
    : CodecWriter(stats), sink_(callback, &this->stats()), kernels_(codec_kernels()) {}

void FseChannelEncoder::encode(const u32* codes, i32 n, u32 flag) {
    sink_.put(kFlagChannel, flag);
    kernels_.fse_encode_codes(sink_, codes, n);
    stats().count_array(n, flag);
}

FseChannelDecoder::FseChannelDecoder(ChannelCallback callback, bool checked)
    : CodecReader(checked), callback_(callback) {}

void FseChannelDecoder::refill(u32 channel) {
    const i32 c = static_cast<i32>(channel);
    u8 header[8];
    callback_.get(c, header, 8);
    const u32 raw = load_le32(header);
    const i32 coded = static_cast<i32>(load_le32(header + 4));
    if (raw == 0 || raw > kChannelBlockBytes) damaged();
    u8* block = buffers_.channel(c);
    if (coded > 1) {
        if (static_cast<u64>(coded) > FSE_compressBound(raw)) damaged();
        u8* coded_block = buffers_.scratch();
        callback_.get(c, coded_block, coded);
        if (FSE_decompress(block, raw, coded_block, static_cast<u32>(coded)) != raw) damaged();
    } else if (coded == 1) {
        callback_.get(c, block, 1);
        std::memset(block + 1, block[0], raw - 1);
    } else {
        callback_.get(c, block, static_cast<i32>(raw));
    }
    position_[channel] = 0;
    size_[channel] = raw;
}

__attribute__((noinline)) u32 FseChannelDecoder::read_escaped_code() {
    const u32 low = get(kEscapeLowChannel);
    const u32 high = get(kEscapeHighChannel);
    const u32 h = low | high << 8;
    if (h < 65535) return h + 1;
    u32 u = 0;
    for (u32 k = 0; k < 4; ++k) u |= get(kEscapeWideChannel + k) << (8 * k);
    return u + 1;
}

// Mask bits beyond a short last group are never set by the writer and are
// ignored here, so a damaged mask cannot write past the array.
u32 FseChannelDecoder::read_codes(u32* __restrict codes, i32 n) {
    const u32 flag = get(kFlagChannel) != 0 ? 1u : 0u;
    u32 context = 0;
    for (i32 i = 0; i < n; i += 8) {
        const i32 size = n - i < 8 ? n - i : 8;
        u32* group = codes + i;
        for (i32 j = 0; j < size; ++j) group[j] = 0;
        u32 mask = get(kMaskChannel) & ((1u << size) - 1);
        while (mask != 0) {
            const u32 j = static_cast<u32>(__builtin_ctz(mask));
            mask &= mask - 1;
            const u32 b = get(kFirstContextChannel + context);
            if (b < 255) {
                group[j] = b + 1;
                context = b < 16 ? b : 15;
            } else {
                group[j] = read_escaped_code();
                context = 15;
            }
        }
    }
    return flag;
}
