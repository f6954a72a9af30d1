// Reading side of a coded section of a tree archive: 24 channels, each a u64
// length and that many bytes, which together carry one codec stream (the
// codec id is the first byte of channel 0). The section is kept in memory and
// decoded with the codecs' checked reader, so that a damaged stream, an
// exhausted channel or an unknown codec id fails the load with the codec's
// reason instead of ending the process.
#pragma once

#include <memory>
#include <vector>

#include "codecs/memory_channels.h"
#include "platform/int_types.h"
#include "tree/archive_reader.h"

class ChannelReader {
public:
    // Reads the section's 24 channels from the archive and creates the
    // decoder. A length beyond the bytes left fails as a short read; a stream
    // the codecs refuse throws IOException with their reason.
    explicit ChannelReader(Reader& in);
    ~ChannelReader();
    ChannelReader(const ChannelReader&) = delete;
    ChannelReader& operator=(const ChannelReader&) = delete;

    // The next array of n values (1 to 1326; nothing for n <= 0), written
    // without a reference row.
    void read_u32s(u32* out, i32 n);
    // The same for an array written as 16-bit values.
    void read_u16s(u16* out, i32 n);

private:
    std::vector<u8> channels_[kCodecChannels];
    ChannelSource source_;
    CodecReader* decoder_ = nullptr;
};
