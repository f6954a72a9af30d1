#include "shell/redirection.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/files.h"
#include "shell/command_reply.h"
#include "shell/output.h"

namespace {

int g_console_fd = -1;

// Whatever the stream still buffers belongs to the old target; after the
// switch the stream goes on writing to descriptor 1, now the new target.
// Under the output lock, so that a status block of the solver thread lands
// whole on one side of the switch.
void point_standard_output_at(int fd) {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    std::fflush(stdout);
    dup2(fd, STDOUT_FILENO);
    std::clearerr(stdout);
}

// A target that cannot be opened leaves the previous one in force; so does a
// FIFO without a reader, which would block the command thread until one came.
void redirect_to_file(const std::string& path, int mode_flags) {
    const FileDescriptor file(open_without_waiting(path, O_WRONLY | O_CREAT | mode_flags));
    if (file.get() < 0) throw_command_error("can't open file");
    make_blocking(file.get());
    point_standard_output_at(file.get());
    print_ok();
}

}  // namespace

void remember_console_output() {
    g_console_fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
}

void cmd_stdoutredi(const Tokens& tokens) {
    redirect_to_file(tokens[1], O_TRUNC);
}

void cmd_stdoutredi_append(const Tokens& tokens) {
    redirect_to_file(tokens[1], O_APPEND);
}

void cmd_stdoutback(const Tokens&) {
    if (g_console_fd < 0) throw_command_error("can't open console");
    point_standard_output_at(g_console_fd);
    print_ok();
}
