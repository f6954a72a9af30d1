// Node data of a tree archive: after the head, the line tree, the settings and
// the compression level, an archive holds the iteration counter and, node by
// node, the result records and the stores' records; from version 4 on the
// counts of the result arrays, a coded section with their values and, when
// streets were forgotten, a coded section with the strategies of the streets
// kept. `load_tree` builds the tree from the head, gives it its settings and
// fresh stores (solve reset), and then has this module read the rest into it.
#pragma once

#include "platform/int_types.h"
#include "tree/archive_reader.h"

struct Tree;

// The fewest bytes the node data of this tree can take in the archive's
// version: checked before the stores get their memory, so that a short file
// with a large line tree cannot make the loader commit gigabytes first.
u64 min_node_data_bytes(const Tree& tree, i32 version, bool values_omitted);

// Reads the node data (the reader's version decides the layouts) into a tree
// whose settings are read and whose stores are prepared by `allocate`.
// Throws IOException on a short or damaged file; the tree is then only fit
// to be destroyed.
void read_tree_node_data(Tree& tree, Reader& in, bool values_omitted);
