#include "shell/command_reply.h"

#include <cstdarg>
#include <cstdio>

#include "shell/dispatcher.h"
#include "shell/output.h"

namespace {

// Messages are cut to 255 characters; a cut message still ends its line.
constexpr int kMessageBufferSize = 256;

[[noreturn]] __attribute__((format(printf, 1, 2))) void throw_formatted(const char* format, ...) {
    char buffer[kMessageBufferSize];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length >= kMessageBufferSize) buffer[kMessageBufferSize - 2] = '\n';
    throw CommandError(buffer);
}

}  // namespace

void print_ok() {
    out_printf("%s ok!\n", g_current_command.c_str());
}

void throw_command_error(const std::string& reason) {
    throw_formatted("ERROR: %s %s\n", g_current_command.c_str(), reason.c_str());
}

void throw_argument_error() {
    throw_argument_error(g_current_command);
}

void throw_argument_error(const std::string& command) {
    throw_formatted("ERROR: %s incorrect or missing argument\n", command.c_str());
}
