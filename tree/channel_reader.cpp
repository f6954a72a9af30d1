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

// What the codecs refuse fails the load with their reason.
template <class Decode>
void as_archive_failure(Decode decode) {
    try {
        decode();
    } catch (const CodecError& error) {
        throw IOException(error.what());
    }
}

}  // namespace

ChannelReader::ChannelReader(Reader& in) {
    for (i32 c = 0; c < kCodecChannels; ++c) {
        std::vector<u8>& bytes = channels_[c];
        read_channel_bytes(in, bytes, read_u64(in));
        source_.set(c, bytes.data(), bytes.size());
    }
    as_archive_failure(
        [&] { decoder_ = codec_create_checked_decoder(ChannelSource::read, &source_); });
    if (!decoder_) throw_invalid_file();
}

ChannelReader::~ChannelReader() {
    codec_destroy(decoder_);
}

void ChannelReader::read_u32s(u32* out, i32 n) {
    as_archive_failure([&] { codec_read_u32_array(decoder_, out, nullptr, n); });
}

void ChannelReader::read_u16s(u16* out, i32 n) {
    as_archive_failure([&] { codec_read_u16_array(decoder_, out, nullptr, n); });
}
