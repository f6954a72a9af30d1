// Helpers of the command-shell tests: run protocol lines through the
// dispatcher and collect what they printed into the deferred output.
#pragma once

#include <string>

#include "shell/dispatcher.h"
#include "shell/output.h"

// Output of one dispatched line (the deferred buffer, emptied again).
inline std::string run_line(const std::string& line) {
    g_output_buffer.clear();
    run_command_line(line);
    std::string printed = g_output_buffer;
    g_output_buffer.clear();
    return printed;
}
