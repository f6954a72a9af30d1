// AVX2 Huffman compression kernels: the generic source built with BMI2, over
// the AVX2 FSE kernels (counting, and coding the header's weights).
#include <iterator>

#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"
#include "codecs/fse/huf_internal.h"

namespace {

const FseCompressKernels& fse_kernels() {
    return fse_compress_kernels_avx2();
}

#include "codecs/fse/huf_compress_impl.h"

}  // namespace

const HufCompressKernels& huf_compress_kernels_avx2() {
    return kKernels;
}
