#include "tree/tree_settings_reading.h"

#include "tree/tree.h"

namespace {

constexpr u32 kKnownFlags = kTreeIncomplete | kTreeIsomorphism | kTreeNew;
constexpr i32 kForgetTurns = 2;
constexpr i32 kForgetRivers = 3;

}  // namespace

TreeSettingsRecord read_tree_settings_record(Reader& in) {
    TreeSettingsRecord s;
    s.flags = read_u32(in);
    s.forget_level = read_i32(in);
    s.results_iteration = read_i32(in);
    for (f64& value : s.pass_results) value = read_f64(in);
    s.mean_ev = read_f64(in);
    s.exploitability = read_f64(in);
    return s;
}

void check_tree_settings(const TreeSettingsRecord& settings, u32 root_street) {
    const i32 level = settings.forget_level;
    if (level == -1) return;
    if (level != kForgetTurns && level != kForgetRivers) throw_invalid_file();
    // The streets forgotten begin after the root's: a root that opens a
    // forgotten street has no parent whose list keeps its reach, and no split
    // of it could be solved again.
    if (level <= static_cast<i32>(root_street)) throw_invalid_file();
}

bool settings_isomorphism(const TreeSettingsRecord& settings) {
    return (settings.flags & kTreeIsomorphism) != 0;
}

void apply_tree_settings(Tree& tree, const TreeSettingsRecord& settings, i32 version) {
    tree.format_version = version;
    u32 flags = settings.flags & kKnownFlags;
    if (settings.forget_level >= 0) flags |= kTreeIncomplete;
    tree.flags = flags;
    tree.forget_level = settings.forget_level;
    tree.results_iteration = settings.results_iteration;
    for (int i = 0; i < 4; ++i) tree.pass_results[i] = settings.pass_results[i];
    tree.mean_ev = settings.mean_ev;
    tree.exploitability = settings.exploitability;
}
