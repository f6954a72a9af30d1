#include "codecs/codec.h"

#include "cards/fail.h"
#include "codecs/bit_pack_codec.h"
#include "codecs/codec_kernels.h"
#include "codecs/fse_channel_codec.h"
#include "codecs/range_coder_codec.h"
#include "platform/cpu_features.h"

const CodecKernels& codec_kernels() {
    static const CodecKernels& chosen =
        cpu_has_avx2_set() ? codec_kernels_avx2() : codec_kernels_generic();
    return chosen;
}

namespace {

// n above the hand count is a caller's fault on data the process wrote, and
// a hostile length on data from outside.
bool array_length_ok(i32 n, bool checked) {
    if (n > kCodecMaxValues) {
        if (checked) throw CodecError("array too long");
        fail();
    }
    return n > 0;
}

template <class T, class Build>
void write_array(CodecWriter* writer, const T* values, const T* ref, i32 n, Build build) {
    if (!array_length_ok(n, false)) return;
    alignas(32) u32 a[kCodecMaxValues];
    alignas(32) u32 b[kCodecMaxValues];
    const u32 flag = build(values, ref, n, a, b);
    writer->encode(flag ? b : a, n, flag);
}

}  // namespace

template <class T, class Restore>
u32 CodecReader::decode(T* out, const T* ref, i32 n, Restore restore) {
    if (!array_length_ok(n, checked_)) return 0;
    alignas(32) u32 codes[kCodecMaxValues];
    const u32 flag = read_codes(codes, n);
    restore(codes, ref, flag, n, out);
    return flag;
}

u32 CodecReader::decode_u32(u32* out, const u32* ref, i32 n) {
    return decode(out, ref, n, codec_kernels().restore_u32);
}

u32 CodecReader::decode_u16(u16* out, const u16* ref, i32 n) {
    return decode(out, ref, n, codec_kernels().restore_u16);
}

void CodecReader::damaged() const {
    if (checked_) throw CodecError("damaged stream");
    fail_with_line("fse error");
}

CodecWriter* codec_create_encoder(i32 id, const u64* histogram, u64* gather, ChannelFn fn,
                                  void* context, CodecStats* stats) {
    const ChannelCallback callback{fn, context};
    const u8 head = static_cast<u8>(id);
    callback.put(0, &head, 1);
    switch (id) {
        case 0:
            return new CmprEncoder(callback, histogram, gather, stats);
        case 1:
            return new BitPackEncoder(callback, stats);
        case 2:
            return new FseChannelEncoder(callback, stats);
        default:
            return nullptr;
    }
}

namespace {

CodecReader* create_decoder(ChannelFn fn, void* context, bool checked) {
    const ChannelCallback callback{fn, context};
    u8 id = 0;
    callback.get(0, &id, 1);
    switch (id) {
        case 0:
            return new CmprDecoder(callback, checked);
        case 1:
            return new BitPackDecoder(callback, checked);
        case 2:
            return new FseChannelDecoder(callback, checked);
        default:
            if (checked) throw CodecError("unknown codec id");
            return nullptr;
    }
}

}  // namespace

CodecReader* codec_create_decoder(ChannelFn fn, void* context) {
    return create_decoder(fn, context, false);
}

CodecReader* codec_create_checked_decoder(ChannelFn fn, void* context) {
    return create_decoder(fn, context, true);
}

void codec_write_u32_array(CodecWriter* writer, const u32* values, const u32* ref, i32 n) {
    write_array(writer, values, ref, n, codec_kernels().build_rows_u32);
}

void codec_write_u16_array(CodecWriter* writer, const u16* values, const u16* ref, i32 n) {
    write_array(writer, values, ref, n, codec_kernels().build_rows_u16);
}

void codec_read_u32_array(CodecReader* reader, u32* out, const u32* ref, i32 n) {
    reader->decode_u32(out, ref, n);
}

void codec_read_u16_array(CodecReader* reader, u16* out, const u16* ref, i32 n) {
    reader->decode_u16(out, ref, n);
}

void codec_destroy(CodecWriter* writer) {
    delete writer;
}

void codec_destroy(CodecReader* reader) {
    delete reader;
}
