#include "shell/dispatcher.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "shell/command_reply.h"
#include "shell/command_table.h"
#include "shell/number_reading.h"
#include "shell/output.h"
#include "shell/shutdown.h"

std::string g_current_command;
std::string g_skip_label;

namespace {

bool is_label_line(const Tokens& tokens) {
    return tokens.size() >= 2 && tokens[0] == "LABEL:";
}

void report_unexpected(const std::string& command, const char* reason) {
    out_printf("ERROR: %s %s\n", command.c_str(), reason);
}

// Longer command words are cut in the error line.
constexpr int kMaxReportedWordLength = 64;

// The command word of a line that could not be tokenized: its text up to the
// first blank.
std::string_view first_word(std::string_view line) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    const std::size_t end = line.find(' ', start);
    return line.substr(start, end == std::string_view::npos ? line.size() - start : end - start);
}

bool try_print_out_of_memory(std::string_view command) {
    const int length =
        static_cast<int>(std::min<std::size_t>(command.size(), kMaxReportedWordLength));
    try {
        if (length == 0) {
            out_printf("ERROR: out of memory\n");
        } else {
            out_printf("ERROR: %.*s out of memory\n", length, command.data());
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void run_entry(const CommandEntry& entry, const Tokens& tokens) {
    if (entry.token_count > 0 && static_cast<std::size_t>(entry.token_count) != tokens.size()) {
        throw_argument_error(tokens[0]);
    }
    g_current_command = tokens[0];
    entry.handler(tokens);
}

void run_guarded(const CommandEntry& entry, const Tokens& tokens) {
    try {
        run_entry(entry, tokens);
    } catch (const CommandError& error) {
        out_text(error.what());
    } catch (const InvalidNumber&) {
        out_printf("Invalid value\n");
    } catch (const std::bad_alloc&) {
        report_out_of_memory(tokens[0]);
    } catch (const std::exception& error) {
        report_unexpected(tokens[0], error.what());
    } catch (...) {
        report_unexpected(tokens[0], "unknown failure");
    }
}

}  // namespace

void dispatch_command(const Tokens& tokens) {
    if (tokens.empty()) return;
    if (is_label_line(tokens)) {
        if (tokens[1] == g_skip_label) g_skip_label.clear();
        return;
    }
    if (!g_skip_label.empty()) return;
    if (tokens[0][0] == '#') return;
    if (tokens[0] == "exit") shutdown_and_exit(0);
    const CommandEntry* entry = find_command(tokens[0]);
    if (!entry) {
        out_printf("ERROR: Command %s not recognized\n", tokens[0].c_str());
        return;
    }
    run_guarded(*entry, tokens);
}

void run_command_line(std::string line) {
    strip_carriage_return(line);
    if (line.empty()) return;
    try {
        dispatch_command(tokenize_line(line));
    } catch (const std::bad_alloc&) {
        report_out_of_memory(first_word(line));
    }
}

void run_read_line(LineRead read, std::string& line) {
    switch (read) {
        case LineRead::line:
            run_command_line(std::move(line));
            return;
        case LineRead::too_long:
            try {
                out_printf("ERROR: line longer than %zu characters\n", kMaxLineLength);
            } catch (const std::bad_alloc&) {
                report_out_of_memory({});
            }
            return;
        case LineRead::out_of_memory:
            report_out_of_memory({});
            return;
        case LineRead::end:
            return;
    }
}

void report_out_of_memory(std::string_view command) {
    if (try_print_out_of_memory(command)) return;
    // The pending output of the line is given up for the answer's sake.
    std::string().swap(g_output_buffer);
    if (try_print_out_of_memory(command)) return;
    std::lock_guard<std::mutex> lock(g_output_mutex);
    std::fputs("ERROR: out of memory\n", stdout);
}
