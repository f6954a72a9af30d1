// Generic codec kernels: scalar loops.
#include "codecs/codec_kernels.h"

namespace {

inline u32 nonzero_mask8(const u32* codes) {
    u32 mask = 0;
    for (i32 j = 0; j < 8; ++j) mask |= static_cast<u32>(codes[j] != 0) << j;
    return mask;
}

#include "codecs/codec_kernels_impl.h"

template <class T>
u32 build_rows(const T* values, const T* ref, i32 n, u32* a, u32* b) {
    first_codes(values, ref, a, b);
    i32 nonzero_a = 0;
    i32 nonzero_b = 0;
    build_rows_scalar(values, ref, 1, n, a, b, nonzero_a, nonzero_b);
    return ref && nonzero_b < nonzero_a ? 1 : 0;
}

template <class T>
void restore(const u32* codes, const T* ref, u32 flag, i32 n, T* out) {
    restore_scalar(codes, ref, flag, 0, n, 0u, out);
}

const CodecKernels kGeneric = {
    build_rows<u32>, build_rows<u16>, restore<u32>, restore<u16>, fse_encode_codes_body,
};

}  // namespace

const CodecKernels& codec_kernels_generic() {
    return kGeneric;
}
