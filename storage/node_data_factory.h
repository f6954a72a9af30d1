// Node-data factory: chooses, node by node, the kind of store that holds a
// decision node's cumulative regrets and the kind that holds its strategy
// sums, builds both empty (storage comes with `allocate`), and counts per
// street the values that the regret stores hold. The choice follows the
// node's street, the root's street, the tree's data-format version and the
// pair of compression modes. The solve reset runs it over a whole tree; the
// rebuild of forgotten streets, the split solves and the strategy query run
// it on single nodes.
#pragma once

#include "platform/int_types.h"
#include "storage/store_modes.h"

struct Tree;
struct TreeNode;
struct StreetData;
class NodeDataLayout;

// Replaces the stores of a decision node (terminal nodes keep none) and clears
// its stores-prepared flag; value_counts[street] grows by the new regret
// store's value count. `layout` is the tree's layout for the node's action
// count, read only on the river; `format5` is set when the tree's data-format
// version is 5 or more.
void create_node_data(TreeNode& node, const StreetData& street, const NodeDataLayout* layout,
                      u64 value_counts[4], bool with_strategy, u32 root_street, const u32 modes[2],
                      bool format5);

// `create_node_data` with the tree's own settings: its street data, its
// layout for the node's action count, its averaging mode, root street, store
// modes and data-format version. Clears the tree's all-stores-prepared flag.
void create_tree_node_data(Tree& tree, TreeNode& node, u64 value_counts[4]);

// Stores for every node of the tree that is not on a forgotten street, under
// the tree's store modes; recomputes the value counts and data sizes and sets
// the iteration counter and the all-stores-prepared flag to 0.
void create_all_node_data(Tree& tree);

// Gives every node's stores their memory (`allocate`, regrets then strategy
// sums) once: nodes already prepared are skipped, and the tree's flag says
// when all are. Returns false at the first store that cannot be allocated;
// the nodes prepared so far stay prepared, so a later call resumes there.
// Callers: the solver start, the results query, the archive reader and the
// queries that read node data.
bool prepare_node_stores(Tree& tree);
