// Test-only bridge to Debian's libzstd static library, whose FSE decoder,
// FSE encoder steps and frame decoder read and write the same block formats
// as codecs/fse. Kept apart from the library's headers: zstd exports C
// functions with the same names as ours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zstd_oracle {

// FSE block decoding: the number of bytes written, or -1 on an error.
long long fse_decompress(std::uint8_t* dst, std::size_t capacity, const std::uint8_t* src,
                         std::size_t size);

// An FSE block (header and bit stream) made by zstd's encoder steps with the
// given table log; empty when zstd declines to code the source.
std::vector<std::uint8_t> fse_compress(const std::uint8_t* src, std::size_t size,
                                       unsigned table_log);

// zstd's steps of FSE block coding, for comparison with ours: the
// normalisation (with -1 counts allowed), the header writer and reader, and
// the coding table (as u32 words). Sizes or -1 on an error.
long long fse_normalize(short* norm, unsigned table_log, const unsigned* count, std::size_t total,
                        unsigned max_symbol_value);
long long fse_write_ncount(std::uint8_t* dst, std::size_t capacity, const short* norm,
                           unsigned max_symbol_value, unsigned table_log);
long long fse_read_ncount(short* norm, unsigned* max_symbol_value, unsigned* table_log,
                          const std::uint8_t* src, std::size_t size);
std::vector<std::uint32_t> fse_build_ctable(const short* norm, unsigned max_symbol_value,
                                            unsigned table_log);

// A whole zstd frame: the decoded size, or -1 on an error.
long long decompress_frame(std::uint8_t* dst, std::size_t capacity, const std::uint8_t* src,
                           std::size_t size);

}  // namespace zstd_oracle
