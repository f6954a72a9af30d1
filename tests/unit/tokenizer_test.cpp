#include "shell/tokenizer.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(Tokenizer, BlanksSeparateAndNeverLeaveEmptyTokens) {
    EXPECT_EQ(tokenize_line("a  b   c"), (Tokens{"a", "b", "c"}));
    EXPECT_EQ(tokenize_line("   lead trail   "), (Tokens{"lead", "trail"}));
    EXPECT_TRUE(tokenize_line("").empty());
    EXPECT_TRUE(tokenize_line("     ").empty());
}

TEST(Tokenizer, TabsAndOtherWhiteSpaceBelongToTheToken) {
    EXPECT_EQ(tokenize_line("a\tb c"), (Tokens{"a\tb", "c"}));
    EXPECT_EQ(tokenize_line("\tx\r"), (Tokens{"\tx\r"}));
}

TEST(Tokenizer, QuotesContinueTheTokenAndTheClosingQuoteEndsIt) {
    EXPECT_EQ(tokenize_line("ab\"c d\""), (Tokens{"abc d"}));
    EXPECT_EQ(tokenize_line("say \"a b\"c"), (Tokens{"say", "a b", "c"}));
    EXPECT_EQ(tokenize_line("echo \"a  b\""), (Tokens{"echo", "a  b"}));
    EXPECT_EQ(tokenize_line("x \"\" y"), (Tokens{"x", "y"}));
    EXPECT_EQ(tokenize_line("\"\"\"\""), Tokens{});
}

TEST(Tokenizer, UnclosedQuoteRunsToTheEndOfTheLine) {
    EXPECT_EQ(tokenize_line("echo \"open  to end "), (Tokens{"echo", "open  to end "}));
}

TEST(SplitString, KeepsOnlyNonEmptyPieces) {
    EXPECT_EQ(split_string("r:0:b50::c:", ':'), (std::vector<std::string>{"r", "0", "b50", "c"}));
    EXPECT_EQ(split_string("a  b", ' '), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(split_string(":::", ':').empty());
    EXPECT_TRUE(split_string("", ':').empty());
}

TEST(JoinTokens, JoinsARangeCutToTheTokenCount) {
    Tokens tokens{"repeat", "3", "a", "b"};
    EXPECT_EQ(join_tokens(tokens, 2, INT_MAX), "a b");
    EXPECT_EQ(join_tokens(tokens, 0, 2), "repeat 3");
    EXPECT_EQ(join_tokens(tokens, 4, INT_MAX), "");
    EXPECT_EQ(join_tokens(tokens, 3, 2), "");
}

TEST(StripCarriageReturn, RemovesOneTrailingReturnOnly) {
    std::string line = "is_ready\r";
    strip_carriage_return(line);
    EXPECT_EQ(line, "is_ready");
    line = "a\rb";
    strip_carriage_return(line);
    EXPECT_EQ(line, "a\rb");
    line = "";
    strip_carriage_return(line);
    EXPECT_EQ(line, "");
}

}  // namespace
