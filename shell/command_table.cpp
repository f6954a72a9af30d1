#include "shell/command_table.h"

#include "queries/category_commands.h"
#include "queries/equity_commands.h"
#include "queries/ev_commands.h"
#include "queries/node_commands.h"
#include "queries/node_edit_commands.h"
#include "queries/partial_commands.h"
#include "queries/strategy_commands.h"
#include "shell/info_commands.h"
#include "shell/line_commands.h"
#include "shell/load_tree_command.h"
#include "shell/pause_commands.h"
#include "shell/rake_stack_commands.h"
#include "shell/range_board_commands.h"
#include "shell/redirection.h"
#include "shell/script_commands.h"
#include "shell/solver_commands.h"
#include "shell/solver_settings_commands.h"
#include "shell/tree_commands.h"

namespace {

// In protocol order; the lookup takes the first equal word. Commands not yet
// built have no row and answer "not recognized".
constexpr CommandEntry kCommandRows[] = {
    {"is_ready", cmd_is_ready, 1},
    {"solver_time", cmd_solver_time, 1},
    {"show_hand_order", cmd_show_hand_order, 1},
    {"show_settings", cmd_show_settings, 1},
    {"show_tree_params", cmd_show_tree_params, 1},
    {"set_threads", cmd_set_threads, 2},
    {"ai6_set_threads", cmd_set_threads, 2},
    {"set_recalc_accuracy", cmd_set_recalc_accuracy, 4},
    {"set_isomorphism", cmd_set_isomorphism, 3},
    {"skip_if_done", cmd_skip_if_done, 3},
    {"is_tree_present", cmd_is_tree_present, 1},
    {"go", cmd_go, kAnyTokenCount},
    {"stop", cmd_stop, 1},
    {"load_script", cmd_load_script, 2},
    {"set_range", cmd_set_range, 1328},
    {"set_board", cmd_set_board, kAnyTokenCount},
    {"set_pot", cmd_set_pot, 4},
    {"clear_lines", cmd_clear_lines, 1},
    {"free_schematic_tree", cmd_free_schematic_tree, 1},
    {"add_line", cmd_add_line, kAnyTokenCount},
    {"remove_line", cmd_remove_line, kAnyTokenCount},
    {"force_line", cmd_force_line, kAnyTokenCount},
    {"build_tree", cmd_build_tree, 1},
    {"load_tree", cmd_load_tree, 2},
    {"free_tree", cmd_free_tree, 1},
    {"show_node", cmd_show_node, 2},
    {"show_children", cmd_show_children, 2},
    {"show_strategy", cmd_show_strategy, 2},
    {"show_strategy_pp", cmd_show_strategy_pp, 2},
    {"show_range", cmd_show_range, kAnyTokenCount},
    {"show_probs", cmd_show_probs, 2},
    {"calc_results", cmd_calc_results, 1},
    {"calc_ev", cmd_calc_ev, 3},
    {"calc_ev_pp", cmd_calc_ev_pp, 3},
    {"calc_ev_line", cmd_calc_ev_line, 3},
    {"calc_eq", cmd_calc_eq, 2},
    {"calc_eq_pp", cmd_calc_eq_pp, 2},
    {"calc_eq_node", cmd_calc_eq_node, 3},
    {"stdoutredi", cmd_stdoutredi, 2},
    {"stdoutredi_append", cmd_stdoutredi_append, 2},
    {"stdoutback", cmd_stdoutback, 1},
    {"wait_for_solver", cmd_wait_for_solver, 1},
    {"show_memory", cmd_show_memory, 1},
    {"node_count", cmd_node_count, 1},
    {"show_effective_stack", cmd_show_effective_stack, 1},
    {"set_eff_stack", cmd_is_ready, 2},
    {"set_rake", cmd_set_rake, 3},
    {"set_ev_boost", cmd_set_ev_boost, 3},
    {"set_accuracy", cmd_set_accuracy, kAnyTokenCount},
    {"forget", cmd_forget, 2},
    {"rebuild_forgotten_streets", cmd_rebuild_forgotten_streets, 1},
    {"rebuild_all", cmd_rebuild_forgotten_streets, 1},
    {"solve_all_splits", cmd_solve_all_splits, 2},
    {"lock_node", cmd_lock_node, 2},
    {"unlock_node", cmd_unlock_node, 2},
    {"set_strategy", cmd_set_strategy, 1329},
    {"solve_partial", cmd_solve_partial, 2},
    {"explo_partial", cmd_explo_partial, 2},
    {"show_category_names", cmd_show_category_names, 1},
    {"show_categories", cmd_show_categories, kAnyTokenCount},
    {"ai6_set_compression", cmd_ai6_set_compression, 2},
    {"ai6_get_actual_compression", cmd_ai6_get_actual_compression, 1},
    {"ai6_get_instruction_set", cmd_ai6_get_instruction_set, 1},
    {"set_scheduler", cmd_set_scheduler, 2},
    {"sleep", cmd_sleep, 2},
    {"take_a_break", cmd_take_a_break, 2},
    {"repeat", cmd_repeat, kAnyTokenCount},
    {"echo", cmd_echo, kAnyTokenCount},
    {"ignore_mem_check", cmd_ignore_mem_check, 2},
};

}  // namespace

const std::span<const CommandEntry> g_command_table{kCommandRows};

const CommandEntry* find_command(std::string_view word) {
    for (const CommandEntry& entry : g_command_table) {
        if (word == entry.word) return &entry;
    }
    return nullptr;
}
