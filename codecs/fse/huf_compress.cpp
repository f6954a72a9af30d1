// Public Huffman compression operations: argument checks in front of the
// processor variant's kernels.
#include "codecs/fse/fse_internal.h"
#include "codecs/fse/huf_internal.h"
#include "platform/cpu_features.h"

using fse_detail::error;

const HufCompressKernels& huf_compress_kernels() {
    static const HufCompressKernels& chosen =
        cpu_has_avx2_set() ? huf_compress_kernels_avx2() : huf_compress_kernels_generic();
    return chosen;
}

u64 HUF_writeCTable(void* dst, u64 dstCapacity, const HUF_CElt* tree, u32 maxSymbolValue,
                    u32 huffLog) {
    if (maxSymbolValue < 1 || maxSymbolValue > kHufMaxSymbolValue + 1) {
        return error(FSE_ERROR_GENERIC);
    }
    if (huffLog < 1 || huffLog > kHufMaxTableLog) return error(FSE_ERROR_GENERIC);
    // A longer code would need a weight below 1, which reads as absent.
    for (u32 s = 0; s < maxSymbolValue; ++s) {
        if (tree[s].nbBits > huffLog) return error(FSE_ERROR_GENERIC);
    }
    if (dstCapacity < 1) return error(FSE_ERROR_dstSize_tooSmall);
    return huf_compress_kernels().write_ctable(static_cast<u8*>(dst), dstCapacity, tree,
                                               maxSymbolValue, huffLog);
}

u64 HUF_compress_usingCTable(void* dst, u64 dstCapacity, const void* src, u64 srcSize,
                             const HUF_CElt* tree) {
    if (srcSize >= kHufMaxSourceSize) return error(FSE_ERROR_srcSize_wrong);
    if (srcSize > 0) {
        u32 count[kHufMaxSymbolValue + 1];
        u32 max_symbol = kHufMaxSymbolValue;
        fse_compress_kernels().count(count, &max_symbol, static_cast<const u8*>(src), srcSize);
        for (u32 s = 0; s <= max_symbol; ++s) {
            if (count[s] != 0 && (tree[s].nbBits == 0 || tree[s].nbBits > kHufMaxTableLog)) {
                return error(FSE_ERROR_GENERIC);
            }
        }
    }
    return huf_compress_kernels().compress_using_ctable(static_cast<u8*>(dst), dstCapacity,
                                                        static_cast<const u8*>(src), srcSize, tree);
}

u64 HUF_compress2(void* dst, u64 dstCapacity, const void* src, u64 srcSize, u32 maxSymbolValue,
                  u32 huffLog) {
    if (srcSize <= 1) return srcSize;
    if (srcSize >= kHufMaxSourceSize) return error(FSE_ERROR_srcSize_wrong);
    if (huffLog > kHufMaxTableLog) return error(FSE_ERROR_GENERIC);
    return huf_compress_kernels().compress2(static_cast<u8*>(dst), dstCapacity,
                                            static_cast<const u8*>(src), srcSize, maxSymbolValue,
                                            huffLog);
}

u64 HUF_compress(void* dst, u64 dstCapacity, const void* src, u64 srcSize) {
    return HUF_compress2(dst, dstCapacity, src, srcSize, kHufMaxSymbolValue, kHufMaxTableLog);
}
