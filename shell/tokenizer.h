// Token handling of the text protocol: a command line becomes a token vector
// (token 0 is the command word) for `dispatch_command`; node paths are split
// at ':' with `split_string`; `repeat` and the category report join tokens
// back into text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using Tokens = std::vector<std::string>;

// Blanks (and only blanks: a tab belongs to its token) separate tokens; a
// double quote continues the current token up to the next double quote,
// which ends it. Both quotes are dropped and empty tokens never appear.
Tokens tokenize_line(std::string_view line);

// Pieces of `text` between occurrences of `delimiter`, empty pieces left out.
std::vector<std::string> split_string(std::string_view text, char delimiter);

// Tokens first to last-1 joined by single blanks; `last` is cut to the token
// count, and an empty range gives the empty string.
std::string join_tokens(const Tokens& tokens, int first, int last);

// Lines of CR-LF files (and terminals that send CR) read the same as bare LF.
void strip_carriage_return(std::string& line);
