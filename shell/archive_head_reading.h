// The head of a tree archive, read by `load_tree` before anything of the
// current state changes: magic, version, the values-omitted flag (version 4
// on), the board masks, the pot settings, both ranges, the line tree, the
// tree settings and the compression level. Everything is checked as the
// setting commands and the tree build would check it, so that a file whose
// head cannot stand for a tree is refused while the previous tree, lines,
// board, pot and ranges are still in place.
#pragma once

#include <memory>
#include <vector>

#include "platform/int_types.h"
#include "tree/archive_reader.h"
#include "tree/line_tree.h"
#include "tree/tree_settings_reading.h"

// Format versions this program reads.
inline constexpr i32 kNewestArchiveVersion = 5;
inline constexpr const char* kUnsupportedFormat =
    "unsupported data format, update to latest version";

struct ArchiveHead {
    i32 version = -1;
    bool values_omitted = false;
    u64 flop_mask = 0;
    u64 turn_mask = 0;
    u64 river_mask = 0;
    f64 pot_args[3] = {0.0, 0.0, 0.0};
    // 1326 weights each, combo order.
    std::vector<f64> ranges[2];
    std::unique_ptr<LineTreeNode> lines;
    TreeSettingsRecord settings;
    // The level in use when the archive was written. Any value is taken: one
    // outside 0 to 4 (a later version's) stores uncompressed and is reported
    // as the level in use, as a 32-bit signed number.
    u32 compression_level = 0;

    i32 level() const { return static_cast<i32>(compression_level); }

    // 1 flop, 2 turn, 3 river.
    i32 root_street() const { return 1 + (turn_mask != 0) + (river_mask != 0); }
};

// Reads and checks the head; sets the reader's version. Throws IOException:
// "invalid file" for a wrong magic or any field out of its range, the
// unsupported-format text for a version outside 0 to 5, the reader's
// failures for a short file.
ArchiveHead read_archive_head(Reader& in);

// Reads one line-tree node record with its whole subtree into root, without
// recursion. Children stand under their keys; a key met twice keeps the later
// child. Throws "invalid file" for a player other than 0 and 1, a key or
// amount that is not finite (or a negative key other than the fold's -1), a
// root street offset other than 0, a child whose street offset is neither its
// parent's nor the next, or a line deeper than any line command can make.
void read_line_tree(Reader& in, LineTreeNode& root);
