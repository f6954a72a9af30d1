#include "zstd_oracle.h"

#include <cstring>

// Prototypes of the library's exported functions, declared here rather than
// taken from its headers.
extern "C" {
size_t FSE_decompress_wksp_bmi2(void* dst, size_t dst_capacity, const void* src, size_t src_size,
                                unsigned max_log, void* workspace, size_t workspace_size, int bmi2);
unsigned FSE_isError(size_t code);
size_t FSE_normalizeCount(short* norm, unsigned table_log, const unsigned* count, size_t total,
                          unsigned max_symbol_value, unsigned use_low_prob_count);
size_t FSE_readNCount(short* norm, unsigned* max_symbol_value, unsigned* table_log, const void* src,
                      size_t size);
size_t FSE_writeNCount(void* dst, size_t capacity, const short* norm, unsigned max_symbol_value,
                       unsigned table_log);
size_t FSE_buildCTable_wksp(std::uint32_t* ct, const short* norm, unsigned max_symbol_value,
                            unsigned table_log, void* workspace, size_t workspace_size);
size_t FSE_compress_usingCTable(void* dst, size_t capacity, const void* src, size_t size,
                                const std::uint32_t* ct);
size_t ZSTD_decompress(void* dst, size_t capacity, const void* src, size_t size);
unsigned ZSTD_isError(size_t code);
}

namespace zstd_oracle {

namespace {

// Generous scratch: the library checks the sizes it is given.
constexpr std::size_t kWorkspaceU64 = 1 << 14;

}  // namespace

long long fse_decompress(std::uint8_t* dst, std::size_t capacity, const std::uint8_t* src,
                         std::size_t size) {
    std::vector<std::uint64_t> workspace(kWorkspaceU64);
    const size_t r = FSE_decompress_wksp_bmi2(dst, capacity, src, size, 12, workspace.data(),
                                              workspace.size() * 8, 0);
    return FSE_isError(r) ? -1 : static_cast<long long>(r);
}

std::vector<std::uint8_t> fse_compress(const std::uint8_t* src, std::size_t size,
                                       unsigned table_log) {
    unsigned count[256] = {};
    unsigned max_symbol = 0;
    for (std::size_t i = 0; i < size; ++i) {
        ++count[src[i]];
        if (src[i] > max_symbol) max_symbol = src[i];
    }
    short norm[256];
    if (FSE_isError(FSE_normalizeCount(norm, table_log, count, size, max_symbol, 1))) return {};
    std::vector<std::uint8_t> out(size * 2 + 1024);
    const size_t header = FSE_writeNCount(out.data(), out.size(), norm, max_symbol, table_log);
    if (FSE_isError(header)) return {};
    std::vector<std::uint32_t> ct(1 << 14);
    std::vector<std::uint64_t> workspace(kWorkspaceU64);
    if (FSE_isError(FSE_buildCTable_wksp(ct.data(), norm, max_symbol, table_log, workspace.data(),
                                         workspace.size() * 8))) {
        return {};
    }
    const size_t stream =
        FSE_compress_usingCTable(out.data() + header, out.size() - header, src, size, ct.data());
    if (FSE_isError(stream) || stream == 0) return {};
    out.resize(header + stream);
    return out;
}

long long fse_normalize(short* norm, unsigned table_log, const unsigned* count, std::size_t total,
                        unsigned max_symbol_value) {
    const size_t r = FSE_normalizeCount(norm, table_log, count, total, max_symbol_value, 1);
    return FSE_isError(r) ? -1 : static_cast<long long>(r);
}

long long fse_write_ncount(std::uint8_t* dst, std::size_t capacity, const short* norm,
                           unsigned max_symbol_value, unsigned table_log) {
    const size_t r = FSE_writeNCount(dst, capacity, norm, max_symbol_value, table_log);
    return FSE_isError(r) ? -1 : static_cast<long long>(r);
}

long long fse_read_ncount(short* norm, unsigned* max_symbol_value, unsigned* table_log,
                          const std::uint8_t* src, std::size_t size) {
    const size_t r = FSE_readNCount(norm, max_symbol_value, table_log, src, size);
    return FSE_isError(r) ? -1 : static_cast<long long>(r);
}

std::vector<std::uint32_t> fse_build_ctable(const short* norm, unsigned max_symbol_value,
                                            unsigned table_log) {
    const std::size_t words = 1 + (std::size_t{1} << (table_log - 1)) + 2 * (max_symbol_value + 1);
    std::vector<std::uint32_t> ct(words);
    std::vector<std::uint64_t> workspace(kWorkspaceU64);
    if (FSE_isError(FSE_buildCTable_wksp(ct.data(), norm, max_symbol_value, table_log,
                                         workspace.data(), workspace.size() * 8))) {
        return {};
    }
    return ct;
}

long long decompress_frame(std::uint8_t* dst, std::size_t capacity, const std::uint8_t* src,
                           std::size_t size) {
    const size_t r = ZSTD_decompress(dst, capacity, src, size);
    return ZSTD_isError(r) ? -1 : static_cast<long long>(r);
}

}  // namespace zstd_oracle
