// Codec 1, bit packing: per array a flag bit, per group of 8 values a bit
// telling whether it holds a non-zero code, per value of such a group a bit,
// and for each non-zero code v the number v - 1 as a nibble, escaped into a
// byte stream from 15 on (a byte below 255, else 255 and a u16 below 65535,
// else 255, 0xFFFF and a u32). Bits go to channel 1, nibbles to channel 2 and
// escape bytes to channel 0, each in whole blocks of 256 bytes. The system
// only reads this codec, from tree archives.
#pragma once

#include "codecs/codec.h"

constexpr i32 kBitPackBlockBytes = 256;

class BitPackEncoder : public CodecWriter {
public:
    BitPackEncoder(ChannelCallback callback, CodecStats* stats);
    // Writes the unfinished blocks: bits, nibbles, escape bytes.
    ~BitPackEncoder() override;
    void encode(const u32* codes, i32 n, u32 flag) override;

private:
    void put_bit(u32 bit);
    void put_nibble(u32 nibble);
    void put_byte(u32 byte);
    void put_value(u32 s);
    void put_group(const u32* codes, i32 size);

    ChannelCallback callback_;
    u32 bit_position_ = 0;
    u32 nibble_position_ = 0;
    u32 byte_position_ = 0;
    u8 bits_[kBitPackBlockBytes] = {};
    u8 nibbles_[kBitPackBlockBytes] = {};
    u8 bytes_[kBitPackBlockBytes] = {};
};

class BitPackDecoder : public CodecReader {
public:
    BitPackDecoder(ChannelCallback callback, bool checked);

protected:
    u32 read_codes(u32* codes, i32 n) override;

private:
    u32 get_bit();
    u32 get_nibble();
    u32 get_byte();
    u32 get_value();

    ChannelCallback callback_;
    // At the blocks' ends: the first read of each channel fetches a block.
    u32 bit_position_ = 8 * kBitPackBlockBytes;
    u32 nibble_position_ = 2 * kBitPackBlockBytes;
    u32 byte_position_ = kBitPackBlockBytes;
    u8 bits_[kBitPackBlockBytes] = {};
    u8 nibbles_[kBitPackBlockBytes] = {};
    u8 bytes_[kBitPackBlockBytes] = {};
};
