#include "codecs/range_coder_codec.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr u16 kProbabilityStart = 1024;
constexpr u32 kTopValue = 1u << 24;
constexpr u32 kEscapeSymbol = 1023;
constexpr u32 kFirstContext = 1022;
constexpr u32 kEscapeLowBits = 17;
constexpr u32 kEscapeHighBits = 16;
const char kMagic[4] = {'C', 'm', 'p', 'r'};

std::unique_ptr<u16[]> probabilities(std::size_t count) {
    std::unique_ptr<u16[]> table(new u16[count]);
    std::fill(table.get(), table.get() + count, kProbabilityStart);
    return table;
}

// Histogram sums wrap instead of overflowing: a file may hold any counts,
// and the splits then come out strange but always inside their ranges.
i64 wrapping_add(i64 a, i64 b) {
    return static_cast<i64>(static_cast<u64>(a) + static_cast<u64>(b));
}

struct TreeBuilder {
    const i64* histogram;
    SymbolTree& tree;
    u32 count = 0;

    // Depth stays below 300: a split moves at least one symbol up while the
    // range starts below 255, and halves the range after that.
    void build(u32 lo, u32 hi, i64 total) {
        const u32 n = hi - lo;
        if (n <= 1) return;
        if (n == 2) {
            tree.nodes[count++] = {0, static_cast<u16>(lo + 1)};
            return;
        }
        u32 m = lo + n / 2;
        i64 sum = 0;
        if (total >= 1 && lo < 255) {
            const u32 limit = std::min(hi - 1, 255u);
            const i64 half = total / 2 + (total & 1);  // (total + 1) / 2 without overflow
            m = lo;
            while (sum < half) {
                ++m;
                sum = wrapping_add(sum, histogram[m - 1]);
                if (m == limit) break;
            }
        }
        const u32 node = count++;
        build(lo, m, sum);
        tree.nodes[node].split = static_cast<u16>(m);
        tree.nodes[node].right = static_cast<u16>(count);
        build(m, hi, wrapping_add(total, -sum));
    }
};

u16* symbol_row(CmprModel& model, u32 flag, u32 context) {
    return model.symbol.get() + ((static_cast<std::size_t>(flag) << 10 | context) << 10);
}

}  // namespace

void create_optimal_tree(const i64 histogram[256], SymbolTree& tree) {
    i64 total = 0;
    for (i32 b = 0; b < 256; ++b) total = wrapping_add(total, histogram[b]);
    TreeBuilder builder{histogram, tree};
    builder.build(0, 1024, total);
    if (builder.count != 1023) throw CodecError("CreateOptimalTree fail");
}

CmprModel::CmprModel()
    : flag(kProbabilityStart),
      block(probabilities(2 << 12)),
      value(probabilities(2 << 16)),
      symbol(probabilities(2 << 20)),
      esc_low(probabilities(1 << kEscapeLowBits)),
      esc_high(probabilities(1 << kEscapeHighBits)) {}

CmprEncoder::CmprEncoder(ChannelCallback callback, const u64* histogram, u64* gather,
                         CodecStats* stats)
    : CodecWriter(stats), callback_(callback), gather_(gather) {
    callback_.put(0, kMagic, 4);
    i64 counts[256] = {};
    u8 header[256 * 8] = {};
    if (histogram) {
        for (i32 b = 0; b < 256; ++b) {
            counts[b] = static_cast<i64>(histogram[b]);
            for (i32 k = 0; k < 8; ++k)
                header[8 * b + k] = static_cast<u8>(histogram[b] >> (8 * k));
        }
    }
    create_optimal_tree(counts, tree_);
    callback_.put(0, header, sizeof header);
    if (gather_) std::fill(gather_, gather_ + 256, 0);
}

CmprEncoder::~CmprEncoder() {
    for (i32 k = 0; k < 5; ++k) shift_low();
}

void CmprEncoder::shift_low() {
    const u32 low32 = static_cast<u32>(low_);
    const u32 carry = static_cast<u32>(low_ >> 32);
    if (low32 < 0xFF000000u || carry != 0) {
        u8 byte = static_cast<u8>(cache_ + carry);
        callback_.put(0, &byte, 1);
        for (; cache_size_ > 1; --cache_size_) {
            byte = static_cast<u8>(0xFF + carry);
            callback_.put(0, &byte, 1);
        }
        cache_ = static_cast<u8>(low32 >> 24);
    } else {
        ++cache_size_;
    }
    low_ = static_cast<u32>(low32 << 8);
}

void CmprEncoder::encode_bit(u16& probability, u32 bit) {
    const u32 bound = (range_ >> 11) * probability;
    if (bit == 0) {
        range_ = bound;
        probability = static_cast<u16>(probability + ((2048 - probability) >> 4));
    } else {
        low_ += bound;
        range_ -= bound;
        probability = static_cast<u16>(probability - (probability >> 4));
    }
    if (range_ < kTopValue) {
        range_ <<= 8;
        shift_low();
    }
}

void CmprEncoder::encode_value(u32 v, u32 flag) {
    if (gather_) gather_[std::min(v - 1, 255u)] += 1;
    CodecStats& counts = stats();
    counts.value_sum += v;
    counts.raise_max_value(v - 1);
    const u32 s = v < 1024 ? v - 1 : kEscapeSymbol;
    (v < 1024 ? counts.tree_values : counts.escaped_values) += 1;
    u16* row = symbol_row(model_, flag, symbol_context_);
    u32 node = 0;
    u32 lo = 0;
    u32 hi = 1024;
    while (hi - lo > 1) {
        const SymbolTree::Node& entry = tree_.nodes[node];
        const u32 bit = s >= entry.split;
        encode_bit(row[node], bit);
        if (bit) {
            lo = entry.split;
            node = entry.right;
        } else {
            hi = entry.split;
            node += 1;
        }
    }
    symbol_context_ = s;
    if (s != kEscapeSymbol) return;
    const u32 u = v - 1024;
    const u32 x = u <= 65535 ? u : ((u & 0xFFFF) | 0x10000);
    u32 m = 1;
    for (i32 k = kEscapeLowBits - 1; k >= 0; --k) {
        const u32 bit = (x >> k) & 1;
        encode_bit(model_.esc_low[m], bit);
        m = 2 * m + bit;
    }
    if (u <= 65535) return;
    m = 1;
    for (i32 k = kEscapeHighBits - 1; k >= 0; --k) {
        const u32 bit = (u >> (16 + k)) & 1;
        encode_bit(model_.esc_high[m], bit);
        m = 2 * m + bit;
    }
}

void CmprEncoder::encode_block(const u32* codes, i32 size, u32 flag) {
    u32 any = 0;
    for (i32 j = 0; j < size; ++j) any |= codes[j];
    const u32 bit = any != 0;
    encode_bit(model_.block[flag << 12 | block_history_], bit);
    block_history_ = ((block_history_ << 1) | bit) & 0xFFF;
    stats().blocks += 1;
    stats().zero_blocks += bit ^ 1;
    if (!bit) return;
    for (i32 j = 0; j < size; ++j) {
        const u32 nonzero = codes[j] != 0;
        encode_bit(model_.value[flag << 16 | value_history_], nonzero);
        value_history_ = ((value_history_ << 1) | nonzero) & 0xFFFF;
        if (nonzero) encode_value(codes[j], flag);
    }
}

void CmprEncoder::encode(const u32* codes, i32 n, u32 flag) {
    flag = flag != 0;
    value_history_ = 0;
    block_history_ = 0;
    symbol_context_ = kFirstContext;
    encode_bit(model_.flag, flag);
    for (i32 i = 0; i < n; i += 16) encode_block(codes + i, std::min(16, n - i), flag);
    stats().count_array(n, flag);
}

CmprDecoder::CmprDecoder(ChannelCallback callback, bool checked)
    : CodecReader(checked), callback_(callback) {
    char magic[4];
    callback_.get(0, magic, 4);
    if (std::memcmp(magic, kMagic, 4) != 0) throw CodecError("compressor wrong id");
    u8 header[256 * 8];
    callback_.get(0, header, sizeof header);
    i64 counts[256];
    for (i32 b = 0; b < 256; ++b) {
        u64 count = 0;
        for (i32 k = 0; k < 8; ++k) count |= static_cast<u64>(header[8 * b + k]) << (8 * k);
        counts[b] = static_cast<i64>(count);
    }
    create_optimal_tree(counts, tree_);
    for (i32 k = 0; k < 5; ++k) code_ = (code_ << 8) | get_byte();
}

u32 CmprDecoder::get_byte() {
    u8 byte = 0;
    callback_.get(0, &byte, 1);
    return byte;
}

// Damaged data only gives wrong bits: the range never falls below 2^24
// after normalising, whatever the code.
u32 CmprDecoder::decode_bit(u16& probability) {
    const u32 bound = (range_ >> 11) * probability;
    u32 bit;
    if (code_ < bound) {
        range_ = bound;
        probability = static_cast<u16>(probability + ((2048 - probability) >> 4));
        bit = 0;
    } else {
        code_ -= bound;
        range_ -= bound;
        probability = static_cast<u16>(probability - (probability >> 4));
        bit = 1;
    }
    if (range_ < kTopValue) {
        code_ = (code_ << 8) | get_byte();
        range_ <<= 8;
    }
    return bit;
}

u32 CmprDecoder::decode_value(u32 flag) {
    u16* row = symbol_row(model_, flag, symbol_context_);
    u32 node = 0;
    u32 lo = 0;
    u32 hi = 1024;
    while (hi - lo > 1) {
        const SymbolTree::Node& entry = tree_.nodes[node];
        if (decode_bit(row[node])) {
            lo = entry.split;
            node = entry.right;
        } else {
            hi = entry.split;
            node += 1;
        }
    }
    symbol_context_ = lo;
    if (lo != kEscapeSymbol) return lo + 1;
    u32 m = 1;
    for (u32 k = 0; k < kEscapeLowBits; ++k) m = 2 * m + decode_bit(model_.esc_low[m]);
    const u32 x = m - (1u << kEscapeLowBits);
    if (x < 0x10000) return x + 1024;
    m = 1;
    for (u32 k = 0; k < kEscapeHighBits; ++k) m = 2 * m + decode_bit(model_.esc_high[m]);
    const u32 y = m - (1u << kEscapeHighBits);
    return ((x & 0xFFFF) | (y << 16)) + 1024;
}

u32 CmprDecoder::read_codes(u32* codes, i32 n) {
    value_history_ = 0;
    block_history_ = 0;
    symbol_context_ = kFirstContext;
    const u32 flag = decode_bit(model_.flag);
    for (i32 i = 0; i < n; i += 16) {
        const i32 size = std::min(16, n - i);
        const u32 block = decode_bit(model_.block[flag << 12 | block_history_]);
        block_history_ = ((block_history_ << 1) | block) & 0xFFF;
        for (i32 j = 0; j < size; ++j) {
            u32 code = 0;
            if (block) {
                const u32 nonzero = decode_bit(model_.value[flag << 16 | value_history_]);
                value_history_ = ((value_history_ << 1) | nonzero) & 0xFFFF;
                if (nonzero) code = decode_value(flag);
            }
            codes[i + j] = code;
        }
    }
    return flag;
}
