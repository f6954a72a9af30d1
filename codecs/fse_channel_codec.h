// Codec 2, the 24-channel FSE codec: the codec compressed node data is
// written with. Each array's zigzag codes are spread over channels of similar
// statistics (flags, non-zero masks, 16 context channels for small codes, 6
// for the bytes of large ones); every channel is buffered in blocks of 64 KB,
// and each block is compressed on its own with the FSE block coder.
//
// A channel block is u32 raw size R, i32 coded size C and a payload: C bytes
// of FSE block when C > 1, one byte repeated R times when C = 1, R raw bytes
// when C <= 0. The reader refuses a block with R outside 1..65536, C above
// FSE_compressBound(R) or an FSE block that does not decode to R bytes.
#pragma once

#include "codecs/channel_buffer_pool.h"
#include "codecs/codec.h"
#include "codecs/fse_channel_sink.h"

struct CodecKernels;

class FseChannelEncoder : public CodecWriter {
public:
    FseChannelEncoder(ChannelCallback callback, CodecStats* stats);
    void encode(const u32* codes, i32 n, u32 flag) override;

private:
    FseChannelSink sink_;
    const CodecKernels& kernels_;
};

class FseChannelDecoder : public CodecReader {
public:
    FseChannelDecoder(ChannelCallback callback, bool checked);

protected:
    u32 read_codes(u32* codes, i32 n) override;

private:
    u32 get(u32 channel) {
        if (position_[channel] == size_[channel]) refill(channel);
        return buffers_.channel(static_cast<i32>(channel))[position_[channel]++];
    }
    void refill(u32 channel);
    u32 read_escaped_code();

    ChannelCallback callback_;
    ChannelBufferLease buffers_;
    // Read position and size of each channel's current block; equal when
    // the next byte needs the next block.
    u32 position_[kCodecChannels] = {};
    u32 size_[kCodecChannels] = {};
};
