#include "shell/dispatcher.h"

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
        report_unexpected(tokens[0], "out of memory");
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
    dispatch_command(tokenize_line(line));
}
