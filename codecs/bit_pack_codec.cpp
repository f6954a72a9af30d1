#include "codecs/bit_pack_codec.h"

#include <cstring>

namespace {

constexpr i32 kEscapeChannel = 0;
constexpr i32 kBitChannel = 1;
constexpr i32 kNibbleChannel = 2;
constexpr u32 kBlockBits = 8 * kBitPackBlockBytes;
constexpr u32 kBlockNibbles = 2 * kBitPackBlockBytes;

}  // namespace

BitPackEncoder::BitPackEncoder(ChannelCallback callback, CodecStats* stats)
    : CodecWriter(stats), callback_(callback) {}

BitPackEncoder::~BitPackEncoder() {
    if (bit_position_ != 0) callback_.put(kBitChannel, bits_, kBitPackBlockBytes);
    if (nibble_position_ != 0) callback_.put(kNibbleChannel, nibbles_, kBitPackBlockBytes);
    if (byte_position_ != 0) callback_.put(kEscapeChannel, bytes_, kBitPackBlockBytes);
}

void BitPackEncoder::put_bit(u32 bit) {
    bits_[bit_position_ >> 3] |= static_cast<u8>(bit << (bit_position_ & 7));
    if (++bit_position_ < kBlockBits) return;
    callback_.put(kBitChannel, bits_, kBitPackBlockBytes);
    std::memset(bits_, 0, sizeof bits_);
    bit_position_ = 0;
}

void BitPackEncoder::put_nibble(u32 nibble) {
    nibbles_[nibble_position_ >> 1] |= static_cast<u8>(nibble << (4 * (nibble_position_ & 1)));
    if (++nibble_position_ < kBlockNibbles) return;
    callback_.put(kNibbleChannel, nibbles_, kBitPackBlockBytes);
    std::memset(nibbles_, 0, sizeof nibbles_);
    nibble_position_ = 0;
}

// Escape numbers of 2 and 4 bytes go out byte by byte, so one that does not
// fit the block continues at the start of the next.
void BitPackEncoder::put_byte(u32 byte) {
    bytes_[byte_position_] = static_cast<u8>(byte);
    if (++byte_position_ < kBitPackBlockBytes) return;
    callback_.put(kEscapeChannel, bytes_, kBitPackBlockBytes);
    std::memset(bytes_, 0, sizeof bytes_);
    byte_position_ = 0;
}

void BitPackEncoder::put_value(u32 s) {
    if (s < 15) {
        put_nibble(s);
        return;
    }
    put_nibble(15);
    if (s < 255) {
        put_byte(s);
        return;
    }
    stats().raise_max_value(s);
    put_byte(255);
    const u32 word = s < 65535 ? s : 0xFFFF;
    put_byte(word & 0xFF);
    put_byte(word >> 8);
    if (s < 65535) return;
    for (u32 k = 0; k < 4; ++k) put_byte((s >> (8 * k)) & 0xFF);
}

void BitPackEncoder::put_group(const u32* codes, i32 size) {
    u32 any = 0;
    for (i32 j = 0; j < size; ++j) any |= codes[j];
    put_bit(any != 0);
    if (any == 0) return;
    for (i32 j = 0; j < size; ++j) {
        put_bit(codes[j] != 0);
        if (codes[j] != 0) put_value(codes[j] - 1);
    }
}

void BitPackEncoder::encode(const u32* codes, i32 n, u32 flag) {
    put_bit(flag != 0);
    for (i32 i = 0; i < n; i += 8) put_group(codes + i, n - i < 8 ? n - i : 8);
    stats().count_array(n, flag);
}

BitPackDecoder::BitPackDecoder(ChannelCallback callback, bool checked)
    : CodecReader(checked), callback_(callback) {}

u32 BitPackDecoder::get_bit() {
    if (bit_position_ == kBlockBits) {
        callback_.get(kBitChannel, bits_, kBitPackBlockBytes);
        bit_position_ = 0;
    }
    const u32 bit = (bits_[bit_position_ >> 3] >> (bit_position_ & 7)) & 1;
    ++bit_position_;
    return bit;
}

u32 BitPackDecoder::get_nibble() {
    if (nibble_position_ == kBlockNibbles) {
        callback_.get(kNibbleChannel, nibbles_, kBitPackBlockBytes);
        nibble_position_ = 0;
    }
    const u32 nibble = (nibbles_[nibble_position_ >> 1] >> (4 * (nibble_position_ & 1))) & 15;
    ++nibble_position_;
    return nibble;
}

u32 BitPackDecoder::get_byte() {
    if (byte_position_ == kBitPackBlockBytes) {
        callback_.get(kEscapeChannel, bytes_, kBitPackBlockBytes);
        byte_position_ = 0;
    }
    return bytes_[byte_position_++];
}

u32 BitPackDecoder::get_value() {
    const u32 nibble = get_nibble();
    if (nibble < 15) return nibble;
    const u32 byte = get_byte();
    if (byte < 255) return byte;
    u32 word = get_byte();
    word |= get_byte() << 8;
    if (word < 65535) return word;
    u32 s = 0;
    for (u32 k = 0; k < 4; ++k) s |= get_byte() << (8 * k);
    return s;
}

u32 BitPackDecoder::read_codes(u32* codes, i32 n) {
    const u32 flag = get_bit();
    for (i32 i = 0; i < n; i += 8) {
        const i32 size = n - i < 8 ? n - i : 8;
        const u32 any = get_bit();
        for (i32 j = 0; j < size; ++j) codes[i + j] = any && get_bit() ? get_value() + 1 : 0;
    }
    return flag;
}
