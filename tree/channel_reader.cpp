#include "tree/channel_reader.h"

#include <algorithm>

#include "codecs/codec.h"

namespace {

// Bytes are taken in growing steps, so that a length read from a pipe, which
// no file size bounds, takes memory only as its bytes arrive.
void read_channel_bytes(Reader& in, std::vector<u8>& bytes, u64 length) {
    constexpr u64 kFirstStep = u64{1} << 24;
    require_bytes_left(in, length);
    while (bytes.size() < length) {
        const u64 at = bytes.size();
        const u64 step = std::min(length - at, std::max(kFirstStep, at));
        bytes.resize(static_cast<std::size_t>(at + step));
        in.read(bytes.data() + at, step);
    }
}

}  // namespace

ChannelReader::ChannelReader(Reader& in) {
    for (i32 c = 0; c < kCodecChannels; ++c) {
        std::vector<u8>& bytes = channels_[c];
        read_channel_bytes(in, bytes, read_u64(in));
        source_.set(c, bytes.data(), bytes.size());
    }
    try {
        decoder_ = codec_create_checked_decoder(ChannelSource::read, &source_);
    } catch (const CodecError& error) {
        throw IOException(error.what());
    }
    if (!decoder_) throw_invalid_file();
}

ChannelReader::~ChannelReader() {
    codec_destroy(decoder_);
}

void ChannelReader::read_u32s(u32* out, i32 n) {
    if (n <= 0) return;
    try {
        codec_read_u32_array(decoder_, out, nullptr, n);
    } catch (const CodecError& error) {
        throw IOException(error.what());
    }
}

void ChannelReader::read_u16s(u16* out, i32 n) {
    if (n <= 0) return;
    wide_.resize(static_cast<std::size_t>(n));
    read_u32s(wide_.data(), n);
    for (i32 i = 0; i < n; ++i) out[i] = static_cast<u16>(wide_[static_cast<std::size_t>(i)]);
}
