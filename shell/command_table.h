// The table of command words of the text protocol. Each row names its handler
// (declared in the header of the commands' concern) and the token count that
// the dispatcher checks before calling it. Rows keep the protocol's order;
// a command is added by inserting its row at its place in command_table.cpp.
#pragma once

#include <span>
#include <string_view>

#include "platform/int_types.h"
#include "shell/tokenizer.h"

using CommandHandler = void (*)(const Tokens& tokens);

// Any token count: the handler checks its arguments itself.
constexpr i32 kAnyTokenCount = -1;

struct CommandEntry {
    const char* word;
    CommandHandler handler;
    // Including the command word, or kAnyTokenCount.
    i32 token_count;
};

extern const std::span<const CommandEntry> g_command_table;

// First row whose word equals `word` exactly (case-sensitive), or nullptr.
const CommandEntry* find_command(std::string_view word);
