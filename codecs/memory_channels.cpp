#include "codecs/memory_channels.h"

#include <cstring>

void ChannelBytes::append(void* self, i32 channel, void* data, i32 length) {
    if (channel < 0 || channel >= kCodecChannels || length < 0) throw CodecError("bad channel");
    std::vector<u8>& bytes = static_cast<ChannelBytes*>(self)->channel[channel];
    const u8* begin = static_cast<const u8*>(data);
    bytes.insert(bytes.end(), begin, begin + length);
}

std::vector<u8> ChannelBytes::joined() const {
    std::vector<u8> all;
    for (const std::vector<u8>& bytes : channel) all.insert(all.end(), bytes.begin(), bytes.end());
    return all;
}

ChannelSource::ChannelSource(const ChannelBytes& bytes) {
    for (i32 c = 0; c < kCodecChannels; ++c)
        set(c, bytes.channel[c].data(), bytes.channel[c].size());
}

void ChannelSource::set(i32 channel, const u8* data, std::size_t size) {
    data_[channel] = data;
    size_[channel] = size;
    position_[channel] = 0;
}

void ChannelSource::read(void* self, i32 channel, void* data, i32 length) {
    ChannelSource& source = *static_cast<ChannelSource*>(self);
    if (channel < 0 || channel >= kCodecChannels || length < 0) throw CodecError("bad channel");
    const std::size_t n = static_cast<std::size_t>(length);
    if (n > source.remaining(channel)) throw CodecError("exhausted channel");
    if (n == 0) return;
    std::memcpy(data, source.data_[channel] + source.position_[channel], n);
    source.position_[channel] += n;
}

std::size_t ChannelSource::remaining(i32 channel) const {
    return size_[channel] - position_[channel];
}
