// How handlers answer: a confirmation with the command word, or a command
// failure that `dispatch_command` catches and prints. A failure carries its
// finished message ("ERROR: ...\n"), never a format.
#pragma once

#include <stdexcept>
#include <string>

class CommandError : public std::runtime_error {
public:
    explicit CommandError(const std::string& message) : std::runtime_error(message) {}
};

// "%s ok!\n" with the current command word.
void print_ok();

// "ERROR: %s %s\n" with the current command word and `reason`.
[[noreturn]] void throw_command_error(const std::string& reason);
// "ERROR: %s incorrect or missing argument\n" with the current command word.
[[noreturn]] void throw_argument_error();
// The same with an explicit command word (the token-count test runs before
// the current command word is set).
[[noreturn]] void throw_argument_error(const std::string& command);
