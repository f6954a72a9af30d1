// Generic Huffman compression kernels.
#include <iterator>

#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"
#include "codecs/fse/huf_internal.h"

namespace {

const FseCompressKernels& fse_kernels() {
    return fse_compress_kernels_generic();
}

#include "codecs/fse/huf_compress_impl.h"

}  // namespace

const HufCompressKernels& huf_compress_kernels_generic() {
    return kKernels;
}
