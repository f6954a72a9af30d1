// File-system services of the shell: existence tests, and opening files in
// a way that never waits for another process (a FIFO without a peer).
#pragma once

#include <string>

// True when `path` names an existing file that is not a directory.
bool file_exists_not_dir(const std::string& path);

// Opens without waiting: `flags` are those of open(2) (O_RDONLY, or O_WRONLY
// with O_CREAT and O_TRUNC or O_APPEND); O_NONBLOCK and O_CLOEXEC are added.
// A FIFO opened for writing without a reader fails at once (ENXIO) instead of
// waiting for one. Returns the descriptor, still non-blocking, or -1; a
// directory is refused.
int open_without_waiting(const std::string& path, int flags);
// Makes reads and writes on `fd` wait again, as after a plain open.
void make_blocking(int fd);
bool is_fifo(int fd);
// A regular file or a FIFO: input that ends (a device such as /dev/zero
// may never end).
bool is_file_or_fifo(int fd);

// Closes the descriptor it owns.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
