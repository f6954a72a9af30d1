#include "tree/archive_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/files.h"

namespace {

std::string errno_text(const char* what, int error) {
    return std::string(what) + " (errno " + std::to_string(error) + ")";
}

[[noreturn]] void refuse_open(int fd, int error) {
    close(fd);
    throw IOException(errno_text("can't open file", error));
}

// What a FIFO already holds, read without waiting; empty with no writer
// there (the read sees the end at once) as with one that has not written.
bool take_fifo_bytes(int fd, std::vector<u8>& bytes) {
    constexpr std::size_t kProbeSize = 4096;
    bytes.resize(kProbeSize);
    for (;;) {
        const ssize_t n = ::read(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.resize(static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        bytes.clear();
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

}  // namespace

void throw_invalid_file() {
    throw IOException(kInvalidFile);
}

FileReader::FileReader(const std::string& path) {
    errno = 0;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw IOException(errno_text("can't open file", errno));
    struct stat info {};
    if (fstat(fd, &info) != 0) refuse_open(fd, errno);
    if (S_ISFIFO(info.st_mode) && !take_fifo_bytes(fd, first_bytes_)) refuse_open(fd, ENXIO);
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISSOCK(info.st_mode)) {
        refuse_open(fd, ENODEV);
    }
    make_blocking(fd);
    file_ = fdopen(fd, "rb");
    if (!file_) refuse_open(fd, errno);
    if (S_ISREG(info.st_mode)) {
        size_ = static_cast<u64>(info.st_size);
        size_known_ = true;
    }
}

FileReader::~FileReader() {
    if (file_) std::fclose(file_);
}

void FileReader::read(void* buffer, u64 count) {
    if (count == 0) return;
    const u64 first = std::min<u64>(count, first_bytes_.size() - first_bytes_taken_);
    if (first > 0) {
        std::memcpy(buffer, first_bytes_.data() + first_bytes_taken_, first);
        first_bytes_taken_ += first;
    }
    errno = 0;
    const std::size_t got = std::fread(static_cast<u8*>(buffer) + first, 1, count - first, file_);
    if (got != count - first) throw IOException(errno_text("can't read from file", errno));
    bytes_read += count;
}

u64 FileReader::bytes_left() const {
    if (!size_known_) return std::numeric_limits<u64>::max();
    return bytes_read < size_ ? size_ - bytes_read : 0;
}

bool FileReader::at_end() {
    if (first_bytes_taken_ < first_bytes_.size()) return false;
    const int next = std::fgetc(file_);
    if (next == EOF) return true;
    std::ungetc(next, file_);
    return false;
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

void require_end_of_file(Reader& in) {
    if (!in.at_end()) throw_invalid_file();
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
