#include "tree/archive_reader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace {

std::string errno_text(const char* what, int error) {
    return std::string(what) + " (errno " + std::to_string(error) + ")";
}

}  // namespace

void throw_invalid_file() {
    throw IOException(kInvalidFile);
}

FileReader::FileReader(const std::string& path) {
    errno = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) throw IOException(errno_text("can't open file", errno));
    struct stat info {};
    if (fstat(fileno(file_), &info) == 0 && S_ISREG(info.st_mode)) {
        size_ = static_cast<u64>(info.st_size);
        size_known_ = true;
    }
}

FileReader::~FileReader() {
    if (file_) std::fclose(file_);
}

void FileReader::read(void* buffer, u64 count) {
    if (count == 0) return;
    errno = 0;
    const std::size_t got = std::fread(buffer, 1, count, file_);
    if (got != count) throw IOException(errno_text("can't read from file", errno));
    bytes_read += count;
}

u64 FileReader::bytes_left() const {
    if (!size_known_) return std::numeric_limits<u64>::max();
    return bytes_read < size_ ? size_ - bytes_read : 0;
}

void MemoryReader::read(void* buffer, u64 count) {
    if (count == 0) return;
    if (count > bytes_left()) {
        position_ = bytes_.size();
        throw_short_read();
    }
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    bytes_read += count;
}

void throw_short_read() {
    throw IOException(errno_text("can't read from file", 0));
}

void require_bytes_left(const Reader& in, u64 bytes) {
    if (bytes > in.bytes_left()) throw_short_read();
}

u64 checked_count(const Reader& in, i64 n, i64 limit, u64 width) {
    if (n < 0 || n > limit) throw_invalid_file();
    const u64 count = static_cast<u64>(n);
    if (width != 0 && count > in.bytes_left() / width) throw_short_read();
    return count;
}
