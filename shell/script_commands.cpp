#include "shell/script_commands.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "shell/command_reply.h"
#include "shell/dispatcher.h"
#include "shell/number_reading.h"
#include "shell/output.h"

namespace {

constexpr i32 kMaxRepeatCount = 99999;

int g_script_depth = 0;

class ScriptDepthGuard {
public:
    ScriptDepthGuard() { ++g_script_depth; }
    ~ScriptDepthGuard() { --g_script_depth; }
    ScriptDepthGuard(const ScriptDepthGuard&) = delete;
    ScriptDepthGuard& operator=(const ScriptDepthGuard&) = delete;
};

// A directory opens as a stream on Linux and then fails every read; it is
// refused like a missing file.
bool is_directory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// '#' at the start keeps the informational rule of the output layer for user
// text, which is never used as a format.
bool is_informational_text(const std::string& text) {
    return !text.empty() && text[0] == '#';
}

void run_script_lines(std::ifstream& script) {
    std::string line;
    while (std::getline(script, line)) {
        run_command_line(std::move(line));
        flush_deferred_output();
        std::fflush(stdout);
    }
}

}  // namespace

void cmd_load_script(const Tokens& tokens) {
    if (g_script_depth >= kMaxScriptDepth)
        throw_command_error("scripts nested deeper than " + std::to_string(kMaxScriptDepth));
    if (is_directory(tokens[1])) throw_command_error("can't open file");
    std::ifstream script(tokens[1]);
    if (!script) throw_command_error("can't open file");
    ScriptDepthGuard depth;
    run_script_lines(script);
}

void cmd_skip_if_done(const Tokens& tokens) {
    if (file_exists_not_dir(tokens[1])) g_skip_label = tokens[2];
    print_ok();
}

void cmd_echo(const Tokens& tokens) {
    if (tokens.size() < 2) throw_argument_error();
    if (is_informational_text(tokens[1])) return;
    out_text(tokens[1]);
}

void cmd_repeat(const Tokens& tokens) {
    if (tokens.size() < 3) throw_argument_error();
    i32 count = read_i32(tokens[1]);
    if (count < 1 || count > kMaxRepeatCount) throw_argument_error();
    std::string text = join_tokens(tokens, 2, INT_MAX) + "\n";
    if (!is_informational_text(text)) {
        g_output_buffer.reserve(g_output_buffer.size() +
                                text.size() * static_cast<std::size_t>(count));
        for (i32 i = 0; i < count; ++i) out_text(text);
    }
    out_printf("END\n");
}
