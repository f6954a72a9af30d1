// Body of the Huffman compression kernels, included inside an anonymous
// namespace by huf_compress_generic.cpp and huf_compress_avx2.cpp after they
// define `fse_kernels()`, their variant's FSE kernels. The same source in both, so both
// give the same bytes; the AVX2 one is built with BMI2 for the bit writer.

using namespace fse_detail;

u64 write_ctable_kernel(u8* dst, u64 capacity, const HUF_CElt* tree, u32 max_symbol_value,
                        u32 huff_log) {
    // Weight huff_log + 1 - length for every symbol but the last, whose
    // length the decoder infers; 0 for an absent symbol.
    u8 weights[kHufMaxSymbolValue + 2];
    for (u32 s = 0; s < max_symbol_value; ++s) {
        weights[s] = tree[s].nbBits == 0 ? 0 : static_cast<u8>(huff_log + 1 - tree[s].nbBits);
    }
    const u64 size = max_symbol_value < 2 ? 0
                                          : fse_kernels().compress2(dst + 1, capacity - 1, weights,
                                                                    max_symbol_value, 255, 11);
    if (FSE_isError(size)) return size;
    if (size >= 128) return error(FSE_ERROR_GENERIC);
    if (size >= 2 && size < max_symbol_value / 2) {
        dst[0] = static_cast<u8>(size);
        return size + 1;
    }
    if (size == 1) {
        // All weights equal: possible only for 2^k or 2^k - 1 weights.
        static constexpr u32 kRepeatable[] = {1, 2, 3, 4, 7, 8, 15, 16, 31, 32, 63, 64, 127, 128};
        for (u32 code = 0; code < std::size(kRepeatable); ++code) {
            if (kRepeatable[code] != max_symbol_value) continue;
            dst[0] = static_cast<u8>(242 + code);
            return 1;
        }
        return error(FSE_ERROR_corruptionDetected);
    }
    if (max_symbol_value > 113) return error(FSE_ERROR_GENERIC);
    const u64 header_size = (max_symbol_value + 1) / 2 + 1;
    if (capacity < header_size) return error(FSE_ERROR_dstSize_tooSmall);
    dst[0] = static_cast<u8>(127 + max_symbol_value);
    weights[max_symbol_value] = 0;
    for (u32 s = 0; s < max_symbol_value; s += 2) {
        dst[s / 2 + 1] = static_cast<u8>((weights[s] << 4) + weights[s + 1]);
    }
    return header_size;
}

inline void put_code(BitWriter& w, const HUF_CElt* tree, u8 symbol) {
    bit_add_clean(w, tree[symbol].val, tree[symbol].nbBits);
}

// One stream: `first` (the trailing bytes of stream 1, last first, with a
// flush after positions n + 11, n + 7, n + 3 and n), then from every 16-byte
// block, last block first, the bytes at offset + 12, + 8, + 4 and + 0; at most
// four 12-bit codes between flushes. Returns the stream's size or 0.
u64 encode_stream(u8* dst, u64 capacity, const u8* src, u64 src_size, const HUF_CElt* tree,
                  u32 offset, bool with_tail) {
    BitWriter w;
    if (!bit_writer_init(w, dst, capacity)) return 0;
    u64 n = src_size & ~u64{15};
    if (with_tail) {
        for (u64 i = src_size; i > n; --i) {
            const u64 pos = i - 1;
            put_code(w, tree, src[pos]);
            if (pos == n + 11 || pos == n + 7 || pos == n + 3 || pos == n) bit_flush(w);
        }
    }
    for (; n > 0; n -= 16) {
        const u8* block = src + n - 16 + offset;
        put_code(w, tree, block[12]);
        put_code(w, tree, block[8]);
        put_code(w, tree, block[4]);
        put_code(w, tree, block[0]);
        bit_flush(w);
        if (bit_overflowed(w)) return 0;
    }
    return bit_close(w);
}

u64 compress_using_ctable_kernel(u8* dst, u64 capacity, const u8* src, u64 src_size,
                                 const HUF_CElt* tree) {
    constexpr u64 kJumpTable = 6;
    if (capacity < kJumpTable + 8) return 0;
    u64 pos = kJumpTable;
    for (u32 stream = 0; stream < 4; ++stream) {
        const u64 size =
            encode_stream(dst + pos, capacity - pos, src, src_size, tree, stream, stream == 0);
        if (size == 0) return 0;
        if (stream < 3) {
            // The decoder finds streams 2 to 4 through these 16-bit sizes.
            if (size > 0xFFFF) return error(FSE_ERROR_srcSize_wrong);
            dst[2 * stream] = static_cast<u8>(size);
            dst[2 * stream + 1] = static_cast<u8>(size >> 8);
        }
        pos += size;
    }
    return pos;
}

u64 compress2_kernel(u8* dst, u64 capacity, const u8* src, u64 src_size, u32 max_symbol_value,
                     u32 huff_log) {
    if (src_size <= 1) return src_size;
    if (max_symbol_value == 0 || max_symbol_value > kHufMaxSymbolValue) {
        max_symbol_value = kHufMaxSymbolValue;
    }
    u32 count[kHufMaxSymbolValue + 1];
    const u64 largest = fse_kernels().count(count, &max_symbol_value, src, src_size);
    if (FSE_isError(largest)) return largest;
    if (largest == src_size) return 1;
    if (largest < (src_size >> 7)) return 0;

    HUF_CElt tree[kHufMaxSymbolValue + 1];
    const u64 longest = HUF_buildCTable(tree, count, max_symbol_value, huff_log);
    if (FSE_isError(longest)) return longest;
    if (capacity < 1) return error(FSE_ERROR_dstSize_tooSmall);
    const u64 header =
        write_ctable_kernel(dst, capacity, tree, max_symbol_value, static_cast<u32>(longest));
    if (FSE_isError(header)) return header;
    const u64 body =
        compress_using_ctable_kernel(dst + header, capacity - header, src, src_size, tree);
    if (FSE_isError(body) || body == 0) return body;
    return header + body;
}

const HufCompressKernels kKernels = {write_ctable_kernel, compress_using_ctable_kernel,
                                     compress2_kernel};
