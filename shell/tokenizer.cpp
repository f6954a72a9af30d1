#include "shell/tokenizer.h"

#include <algorithm>

namespace {

struct TokenBuilder {
    Tokens tokens;
    std::string current;
    bool quoted = false;

    void end_token() {
        if (!current.empty()) tokens.push_back(std::move(current));
        current.clear();
        quoted = false;
    }

    void take(char c) {
        if (quoted) {
            if (c == '"') {
                end_token();
                return;
            }
            current.push_back(c);
            return;
        }
        if (c == ' ') {
            end_token();
            return;
        }
        if (c == '"') {
            quoted = true;
            return;
        }
        current.push_back(c);
    }
};

}  // namespace

Tokens tokenize_line(std::string_view line) {
    TokenBuilder builder;
    for (char c : line) builder.take(c);
    builder.end_token();
    return std::move(builder.tokens);
}

std::vector<std::string> split_string(std::string_view text, char delimiter) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(delimiter, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

std::string join_tokens(const Tokens& tokens, int first, int last) {
    int begin = std::max(first, 0);
    int end = std::min(last, static_cast<int>(tokens.size()));
    std::string text;
    for (int i = begin; i < end; ++i) {
        if (i > begin) text.push_back(' ');
        text += tokens[i];
    }
    return text;
}

void strip_carriage_return(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}
