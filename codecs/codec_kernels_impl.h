// Body of codec 2's array encoder, included inside a namespace of its own by
// codec_kernels_generic.cpp and codec_kernels_avx2.cpp, which first define
// `nonzero_mask8` (bit j set when codes[j] is not 0) for their instruction set.

// Every group's codes go out in value order; the context is the previous
// code's w while that is below 16, else 15, and 15 after an escape.
static inline void put_group(FseChannelSink& sink, const u32* group, u32 mask, u32& context) {
    while (mask != 0) {
        const u32 j = static_cast<u32>(__builtin_ctz(mask));
        mask &= mask - 1;
        const u32 w = group[j] - 1;
        if (w < 255) {
            sink.put(kFirstContextChannel + context, w);
            context = w < 16 ? w : 15;
        } else {
            sink.put_escape(context, w);
            context = 15;
        }
    }
}

static void fse_encode_codes_body(FseChannelSink& sink, const u32* codes, i32 n) {
    u32 context = 0;
    i32 i = 0;
    for (; i + 8 <= n; i += 8) {
        const u32 mask = nonzero_mask8(codes + i);
        put_group(sink, codes + i, mask, context);
        sink.put(kMaskChannel, mask);
    }
    if (i == n) return;
    u32 mask = 0;
    for (i32 j = 0; i + j < n; ++j) mask |= static_cast<u32>(codes[i + j] != 0) << j;
    put_group(sink, codes + i, mask, context);
    sink.put(kMaskChannel, mask);
}

// Rows from position `from` on, adding to the counts of non-zero codes.
template <class T>
static void build_rows_scalar(const T* values, const T* ref, i32 from, i32 n, u32* a, u32* b,
                              i32& nonzero_a, i32& nonzero_b) {
    for (i32 i = from; i < n; ++i) {
        const u32 d = static_cast<u32>(values[i]) - static_cast<u32>(values[i - 1]);
        a[i] = zigzag(d);
        nonzero_a += a[i] != 0;
        if (ref) {
            const u32 r = static_cast<u32>(ref[i]) - static_cast<u32>(ref[i - 1]);
            b[i] = zigzag(d - r);
            nonzero_b += b[i] != 0;
        }
    }
}

// Both rows start with the first value against the reference's first value.
template <class T>
static inline void first_codes(const T* values, const T* ref, u32* a, u32* b) {
    a[0] = zigzag(ref ? static_cast<u32>(values[0]) - static_cast<u32>(ref[0]) : values[0]);
    if (ref) b[0] = a[0];
}

// The restored rows' tail, from position `from` with the running sum so far.
template <class T, class R>
static void restore_scalar(const u32* codes, const R* ref, u32 flag, i32 from, i32 n, u32 sum,
                           T* out) {
    const u32 base = ref && !flag ? static_cast<u32>(ref[0]) : 0;
    for (i32 i = from; i < n; ++i) {
        sum += unzigzag(codes[i]);
        const u32 b = ref && flag ? static_cast<u32>(ref[i]) : base;
        out[i] = static_cast<T>(b + sum);
    }
}
