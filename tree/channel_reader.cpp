#include "tree/channel_reader.h"

#include "codecs/codec.h"

ChannelReader::ChannelReader(Reader& in) {
    for (i32 c = 0; c < kCodecChannels; ++c) {
        const u64 length = read_u64(in);
        require_bytes_left(in, length);
        std::vector<u8>& bytes = channels_[c];
        bytes.resize(length);
        in.read(bytes.data(), length);
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
