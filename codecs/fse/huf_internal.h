// The Huffman compression kernels, one table per processor variant (both
// give identical bytes). Inputs are trusted where the public operations in
// huf_compress.cpp check them.
#pragma once

#include "codecs/fse/huf.h"

struct HufCompressKernels {
    // The header; huffLog 1 to 12 and no length above it, dstCapacity 1 or more.
    u64 (*write_ctable)(u8* dst, u64 capacity, const HUF_CElt* tree, u32 max_symbol_value,
                        u32 huff_log);
    // The body; every source byte has a code of 1 to 12 bits.
    u64 (*compress_using_ctable)(u8* dst, u64 capacity, const u8* src, u64 src_size,
                                 const HUF_CElt* tree);
    // HUF_compress2 with the source size checked.
    u64 (*compress2)(u8* dst, u64 capacity, const u8* src, u64 src_size, u32 max_symbol_value,
                     u32 huff_log);
};

const HufCompressKernels& huf_compress_kernels();
const HufCompressKernels& huf_compress_kernels_generic();
const HufCompressKernels& huf_compress_kernels_avx2();
