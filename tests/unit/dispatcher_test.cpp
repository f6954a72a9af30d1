#include "shell/dispatcher.h"

#include <gtest/gtest.h>

#include "shell/command_table.h"
#include "shell/settings.h"
#include "shell_test_support.h"

namespace {

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        g_skip_label.clear();
        g_current_command.clear();
    }
    void TearDown() override { g_skip_label.clear(); }
};

TEST_F(Dispatcher, TableWordsAreUniqueAndCountsPlausible) {
    for (std::size_t i = 0; i < g_command_table.size(); ++i) {
        const CommandEntry& entry = g_command_table[i];
        EXPECT_EQ(find_command(entry.word), &entry) << entry.word;
        EXPECT_TRUE(entry.token_count == kAnyTokenCount || entry.token_count >= 1) << entry.word;
        EXPECT_NE(entry.handler, nullptr) << entry.word;
    }
    EXPECT_EQ(find_command("IS_READY"), nullptr);
    EXPECT_EQ(find_command("is_read"), nullptr);
}

TEST_F(Dispatcher, TokenCountFailureKeepsThePreviousCommandWord) {
    EXPECT_EQ(run_line("is_ready"), "is_ready ok!\n");
    EXPECT_EQ(run_line("set_threads"), "ERROR: set_threads incorrect or missing argument\n");
    EXPECT_EQ(g_current_command, "is_ready");
    EXPECT_EQ(run_line("sleep abc"), "Invalid value\n");
    EXPECT_EQ(g_current_command, "sleep");
}

TEST_F(Dispatcher, PendingSkipIgnoresEverythingButItsLabel) {
    g_skip_label = "x";
    EXPECT_EQ(run_line("is_ready"), "");
    EXPECT_EQ(run_line("exit"), "");
    EXPECT_EQ(run_line("no_such_command"), "");
    EXPECT_EQ(run_line("LABEL: y"), "");
    EXPECT_EQ(g_skip_label, "x");
    EXPECT_EQ(run_line("LABEL: x"), "");
    EXPECT_TRUE(g_skip_label.empty());
    EXPECT_EQ(run_line("is_ready"), "is_ready ok!\n");
}

TEST_F(Dispatcher, ALabelMustMatchExactly) {
    g_skip_label = "done";
    run_line("LABEL: done2");
    run_line("LABEL: Done");
    EXPECT_EQ(g_skip_label, "done");
    run_line("LABEL: \"done\"");
    EXPECT_TRUE(g_skip_label.empty());
}

TEST_F(Dispatcher, CommentsAndBlankLinesPrintNothing) {
    EXPECT_EQ(run_line("#is_ready"), "");
    EXPECT_EQ(run_line("  # is_ready"), "");
    EXPECT_EQ(run_line("    "), "");
    EXPECT_EQ(run_line("\r"), "");
    EXPECT_EQ(run_line("is_ready\r"), "is_ready ok!\n");
}

TEST_F(Dispatcher, UnknownWordIsQuotedAsText) {
    EXPECT_EQ(run_line("%s%n"), "ERROR: Command %s%n not recognized\n");
}

TEST_F(Dispatcher, SettingCommandsStoreTheirValues) {
    run_line("set_isomorphism 0 1");
    EXPECT_EQ(g_isomorphism_by_street[1], 0);
    EXPECT_EQ(g_isomorphism_by_street[2], 1);
    run_line("set_isomorphism 00 0");
    EXPECT_EQ(g_isomorphism_by_street[1], 1);
    EXPECT_EQ(g_isomorphism_by_street[2], 0);
    run_line("set_threads 3");
    EXPECT_EQ(g_thread_count.load(), 3);
    run_line("set_threads 100000");
    EXPECT_EQ(g_thread_count.load(), kMaxThreadCount);
    run_line("set_threads 0");
    EXPECT_GE(g_thread_count.load(), 1);
    run_line("set_scheduler 2");
    EXPECT_EQ(g_scheduler.load(), 2);
    EXPECT_NE(run_line("set_scheduler -1"), "set_scheduler ok!\n");
    EXPECT_EQ(g_scheduler.load(), 2);
    run_line("set_scheduler 0");
    run_line("ai6_set_compression 7");
    EXPECT_EQ(g_compression_setting, 4);
    run_line("ai6_set_compression -2");
    EXPECT_EQ(g_compression_setting, 0);
    run_line("ai6_set_compression auto");
    EXPECT_EQ(g_compression_setting, -1);
    run_line("ai6_set_compression medium");
    EXPECT_EQ(g_compression_setting, 2);
    run_line("ai6_set_compression auto");
    run_line("set_rake 0.05 3");
    EXPECT_EQ(g_rake[0], 0.05);
    EXPECT_EQ(g_rake[1], 3.0);
    EXPECT_NE(run_line("set_rake 0.5 -1"), "set_rake ok!\n");
    EXPECT_EQ(g_rake[0], 0.05);
    run_line("set_rake 0 0");
}

}  // namespace
