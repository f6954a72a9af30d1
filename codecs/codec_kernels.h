// Processor-variant kernels of the codecs, in a generic and an AVX2 variant
// with identical results: the delta rows of the array writers, the restoring
// of values from decoded codes, and codec 2's encoding of one array of codes
// into its channels. Chosen once for the processor by `codec_kernels`.
#pragma once

#include "codecs/fse_channel_sink.h"
#include "platform/int_types.h"

inline u32 zigzag(u32 d) {
    return (d << 1) ^ static_cast<u32>(static_cast<i32>(d) >> 31);
}

inline u32 unzigzag(u32 z) {
    return (z >> 1) ^ (0u - (z & 1u));
}

struct CodecKernels {
    // Rows of zigzag codes of n >= 1 values (differences modulo 2^32 of the
    // zero-extended values): a the plain deltas, a[0] taken against ref[0]
    // when ref is given; b, only with ref, the deltas minus the reference
    // row's deltas, b[0] = a[0]. Returns 1 when b has strictly fewer
    // non-zero codes than a (b is to be sent), else 0.
    u32 (*build_rows_u32)(const u32* values, const u32* ref, i32 n, u32* a, u32* b);
    u32 (*build_rows_u16)(const u16* values, const u16* ref, i32 n, u32* a, u32* b);
    // out[i] = base[i] + the sum of unzigzag(codes[0..i]) with base[i] =
    // ref[i] for flag 1, ref[0] for flag 0, and 0 without ref; the 16-bit
    // form is that result modulo 2^16.
    void (*restore_u32)(const u32* codes, const u32* ref, u32 flag, i32 n, u32* out);
    void (*restore_u16)(const u32* codes, const u16* ref, u32 flag, i32 n, u16* out);
    // Codec 2's mask, context and escape bytes of one array (not its flag).
    void (*fse_encode_codes)(FseChannelSink& sink, const u32* codes, i32 n);
};

const CodecKernels& codec_kernels();
const CodecKernels& codec_kernels_generic();
// Only on a processor with the AVX2 feature set.
const CodecKernels& codec_kernels_avx2();
