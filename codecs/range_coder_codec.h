// Codec 0, "Cmpr": an adaptive binary range coder over a context model.
// Per array a flag bit, per block of 16 values a block bit (any non-zero
// code), per value of a non-zero block a value bit, and for each non-zero
// code a symbol coded bit by bit down a binary `SymbolTree` built from a
// 256-bin histogram that heads the stream; codes of 1024 and more leave
// through escape bit trees. Everything goes through channel 0. The system
// only reads this codec, from tree archives.
#pragma once

#include <memory>

#include "codecs/codec.h"

// Binary tree over the 1024 symbols (symbol s stands for code s + 1, symbol
// 1023 escapes codes of 1024 and more). Entry 0 is the root; a node's left
// child is the next entry, its right child the entry it names.
struct SymbolTree {
    struct Node {
        u16 right = 0;
        u16 split = 0;
    };
    Node nodes[1024];
};

// Builds the tree of median splits of the histogram (bin 255 counts symbols
// 255 and above); throws `CodecError("CreateOptimalTree fail")` when the tree
// does not come out with 1023 entries.
void create_optimal_tree(const i64 histogram[256], SymbolTree& tree);

// The adaptive probabilities (11-bit, of a 0 bit) of one coder: 4.9 MB.
struct CmprModel {
    CmprModel();
    u16 flag;
    std::unique_ptr<u16[]> block;     // [flag][12-bit block history]
    std::unique_ptr<u16[]> value;     // [flag][16-bit value history]
    std::unique_ptr<u16[]> symbol;    // [flag][symbol context][tree node]
    std::unique_ptr<u16[]> esc_low;   // 17-bit escape bit tree
    std::unique_ptr<u16[]> esc_high;  // 16-bit escape bit tree
};

class CmprEncoder : public CodecWriter {
public:
    // Writes "Cmpr" and the histogram (null: all zeros) on channel 0 and
    // clears gather (null: none kept).
    CmprEncoder(ChannelCallback callback, const u64* histogram, u64* gather, CodecStats* stats);
    // Flushes the range coder.
    ~CmprEncoder() override;
    void encode(const u32* codes, i32 n, u32 flag) override;

private:
    void encode_bit(u16& probability, u32 bit);
    void shift_low();
    void encode_value(u32 v, u32 flag);
    void encode_block(const u32* codes, i32 size, u32 flag);

    ChannelCallback callback_;
    u32 cache_size_ = 1;
    u8 cache_ = 0;
    u64 low_ = 0;
    u32 range_ = 0xFFFFFFFF;
    CmprModel model_;
    u32 value_history_ = 0;
    u32 block_history_ = 0;
    u32 symbol_context_ = 1022;
    SymbolTree tree_;
    u64* gather_;
};

class CmprDecoder : public CodecReader {
public:
    // Reads and checks the header; throws `CodecError` for a wrong magic
    // ("compressor wrong id").
    CmprDecoder(ChannelCallback callback, bool checked);

protected:
    u32 read_codes(u32* codes, i32 n) override;

private:
    u32 decode_bit(u16& probability);
    u32 get_byte();
    u32 decode_value(u32 flag);

    ChannelCallback callback_;
    u32 range_ = 0xFFFFFFFF;
    u32 code_ = 0;
    CmprModel model_;
    u32 value_history_ = 0;
    u32 block_history_ = 0;
    u32 symbol_context_ = 1022;
    SymbolTree tree_;
};
