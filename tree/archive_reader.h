// Byte sources of tree archives. An archive comes from outside and is read
// as hostile: every read either fills its buffer or throws `IOException`, and
// every length or count taken from the file is checked against what the bytes
// left can hold before anything is allocated for it. `load_tree` reads the
// head and the line tree through a `FileReader`; the tree settings, the result
// records and the stores' records are read through the same reader.
//
// Archives are little-endian throughout, as is every processor this program
// runs on, so the typed reads copy bytes unchanged.
#pragma once

#include <bit>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/int_types.h"

static_assert(std::endian::native == std::endian::little,
              "archives are read on little-endian hosts");

// The failure of an archive read; `load_tree` answers "ERROR: load_tree
// <message>". Deliberately not a standard exception: nothing else catches it.
class IOException {
public:
    explicit IOException(std::string message) : message_(std::move(message)) {}
    const std::string& message() const { return message_; }

private:
    std::string message_;
};

// Reason given for every structural fault of an archive.
inline constexpr const char* kInvalidFile = "invalid file";
[[noreturn]] void throw_invalid_file();

class Reader {
public:
    Reader() = default;
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    virtual ~Reader() = default;

    // Fills the buffer with the next count bytes, or throws IOException.
    virtual void read(void* buffer, u64 count) = 0;
    // Bytes not yet read; an upper bound when the source cannot tell.
    virtual u64 bytes_left() const = 0;
    // Whether no byte follows; a source that cannot tell otherwise waits for
    // the next byte or the end.
    virtual bool at_end() = 0;

    u64 bytes_read = 0;
    // Archive format version; -1 until the head has been read.
    i32 version = -1;
};

// Reads a regular file. A pipe or FIFO is read as well, with no bound known
// in advance: its bytes_left is the largest value, so that only the fixed
// caps of each length apply. Opening never waits: a FIFO that no writer holds
// open is refused (errno ENXIO), and so is a device (errno ENODEV), whose
// input may never end or never come.
class FileReader final : public Reader {
public:
    // Throws IOException "can't open file (errno N)".
    explicit FileReader(const std::string& path);
    ~FileReader() override;

    // A short read throws "can't read from file (errno N)"; at the end of the
    // file errno is 0.
    void read(void* buffer, u64 count) override;
    u64 bytes_left() const override;
    bool at_end() override;

private:
    std::FILE* file_ = nullptr;
    u64 size_ = 0;
    bool size_known_ = false;
    // The bytes that telling whether a FIFO has a writer took out of it.
    std::vector<u8> first_bytes_;
    u64 first_bytes_taken_ = 0;
};

// Reads bytes held in memory; a read past the end throws like a short file
// read. Used for byte sections kept in memory and by tests.
class MemoryReader final : public Reader {
public:
    explicit MemoryReader(std::vector<u8> bytes) : bytes_(std::move(bytes)) {}
    void read(void* buffer, u64 count) override;
    u64 bytes_left() const override { return bytes_.size() - position_; }
    bool at_end() override { return bytes_left() == 0; }

private:
    std::vector<u8> bytes_;
    u64 position_ = 0;
};

template <class T>
T read_value(Reader& in) {
    T value;
    in.read(&value, sizeof value);
    return value;
}

inline u8 read_u8(Reader& in) {
    return read_value<u8>(in);
}
inline u32 read_u32(Reader& in) {
    return read_value<u32>(in);
}
inline i32 read_i32(Reader& in) {
    return read_value<i32>(in);
}
inline u64 read_u64(Reader& in) {
    return read_value<u64>(in);
}
inline i64 read_i64(Reader& in) {
    return read_value<i64>(in);
}
inline f64 read_f64(Reader& in) {
    return read_value<f64>(in);
}

// The failure of a read past the end: "can't read from file (errno 0)".
[[noreturn]] void throw_short_read();

// Throws "invalid file" unless the source is at its end.
void require_end_of_file(Reader& in);

// Throws the short-read failure unless `bytes` more bytes can follow: a
// length is checked before its buffer is allocated.
void require_bytes_left(const Reader& in, u64 bytes);

// n elements of `width` bytes each: "invalid file" unless 0 <= n <= limit,
// the short-read failure unless the bytes are there. Returns n.
u64 checked_count(const Reader& in, i64 n, i64 limit, u64 width);
