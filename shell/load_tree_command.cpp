#include "shell/load_tree_command.h"

#include <memory>
#include <new>
#include <stdexcept>

#include "shell/archive_head_reading.h"
#include "shell/command_reply.h"
#include "shell/compression_level.h"
#include "shell/settings.h"
#include "shell/tree_commands.h"
#include "solver/solve_reset.h"
#include "storage/node_data_factory.h"
#include "storage/tree_node_data_reading.h"
#include "tree/tree.h"
#include "tree/tree_create.h"

namespace {

// The checks and the tree of the build core, from the archive's settings and
// with the isomorphism the archive was written with; nothing current changes.
std::unique_ptr<Tree> build_from_head(const ArchiveHead& head, LineFlattening& flat) {
    if (head.lines->children.empty()) throw_command_error("lines not set");
    const GameSetup setup{head.lines.get(),
                          head.ranges,
                          head.flop_mask,
                          head.turn_mask,
                          head.river_mask,
                          head.pot_args[2],
                          settings_isomorphism(head.settings)};
    std::unique_ptr<Tree> tree = build_game_tree(setup, flat);
    apply_tree_settings(*tree, head.settings, head.version);
    return tree;
}

// Fresh stores for the archive's level, then the node data. The tree is not
// current yet, so that a failure leaves none.
void read_node_data(Tree& tree, const ArchiveHead& head, Reader& in) {
    reset_stores_or_fail(tree, head.level());
    require_bytes_left(in, min_node_data_bytes(tree, head.version, head.values_omitted));
    if (!prepare_node_stores(tree)) throw_command_error("out of memory");
    read_tree_node_data(tree, in, head.values_omitted);
}

void take_settings(ArchiveHead& head, const LineFlattening& flat) {
    g_flop_mask = head.flop_mask;
    g_turn_mask = head.turn_mask;
    g_river_mask = head.river_mask;
    for (int i = 0; i < 3; ++i) g_pot_args[i] = head.pot_args[i];
    send_accuracy_target();
    g_ranges[0] = std::move(head.ranges[0]);
    g_ranges[1] = std::move(head.ranges[1]);
    g_effective_stack = effective_stack_of(*head.lines);
    assign_line_indices(flat);
    g_line_tree = std::move(head.lines);
    g_root_street = head.root_street();
    g_actual_compression = head.level();
}

void load_archive(const std::string& path) {
    FileReader in(path);
    ArchiveHead head = read_archive_head(in);
    LineFlattening flat;
    std::unique_ptr<Tree> tree = build_from_head(head, flat);
    check_range_weights_for_level(*tree, head.level());

    // From here on the previous tree is gone, whatever happens.
    release_tree();
    g_tree_present = 0;
    g_ev_flag_from_file = 0;
    read_node_data(*tree, head, in);
    // Bytes after the last section mean the archive was laid out otherwise
    // than it was read: its values cannot be trusted.
    require_end_of_file(in);

    install_reset_tree(std::move(tree), head.level());
    take_settings(head, flat);
    g_ev_flag_from_file = head.values_omitted ? 1 : 0;
    g_tree_present = 1;
}

}  // namespace

void cmd_load_tree(const Tokens& tokens) {
    refuse_while_solving();
    try {
        load_archive(tokens[1]);
    } catch (const IOException& error) {
        throw_command_error(error.message());
    } catch (const std::bad_alloc&) {
        throw_command_error("out of memory");
    } catch (const std::length_error&) {
        throw_command_error("out of memory");
    }
    print_ok();
}
