#include "shell/script_commands.h"

#include <fcntl.h>

#include <climits>
#include <cstdio>
#include <string_view>

#include "platform/files.h"
#include "shell/command_reply.h"
#include "shell/dispatcher.h"
#include "shell/line_reader.h"
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

// '#' at the start keeps the informational rule of the output layer for user
// text, which is never used as a format.
bool is_informational_text(const std::string& text) {
    return !text.empty() && text[0] == '#';
}

// A last line without its newline is run too.
void run_script_lines(LineReader& script) {
    std::string line;
    bool terminated = false;
    for (;;) {
        const LineRead read = script.next(line, terminated);
        if (read == LineRead::end) return;
        run_read_line(read, line);
        flush_deferred_output();
        std::fflush(stdout);
    }
}

}  // namespace

void cmd_load_script(const Tokens& tokens) {
    if (g_script_depth >= kMaxScriptDepth)
        throw_command_error("scripts nested deeper than " + std::to_string(kMaxScriptDepth));
    // A directory is refused like a missing file; so are a FIFO that no
    // writer holds open, whose reading would block the command thread for
    // ever, and a device, whose input may never end (/dev/zero).
    const FileDescriptor file(open_without_waiting(tokens[1], O_RDONLY));
    if (file.get() < 0 || !is_file_or_fifo(file.get())) throw_command_error("can't open file");
    LineReader script(file.get());
    if (is_fifo(file.get()) && !script.fifo_has_writer()) throw_command_error("can't open file");
    make_blocking(file.get());
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
    constexpr std::string_view kEnd = "END\n";
    if (!is_informational_text(text)) {
        // Room for the END line too: growing a buffer this large would hold
        // it twice over for a moment.
        g_output_buffer.reserve(g_output_buffer.size() +
                                text.size() * static_cast<std::size_t>(count) + kEnd.size());
        for (i32 i = 0; i < count; ++i) out_text(text);
    }
    g_output_buffer.append(kEnd);
}
