#include "tree/channel_reader.h"

// Placeholder until the codec front end is in this build: coded sections
// cannot be read yet.
ChannelReader::ChannelReader(Reader&) {
    throw IOException("unsupported data format, update to latest version");
}

ChannelReader::~ChannelReader() = default;

void ChannelReader::read_u32s(u32*, i32) {}
void ChannelReader::read_u16s(u16*, i32) {}
void ChannelReader::read_channel(void*, i32, void*, i32) {}
