#include "tree/tree.h"

#include <utility>

#include "cards/board_records.h"
#include "tree/node_data_layout.h"

std::unique_ptr<Tree> g_tree;

Tree::Tree() = default;

Tree::~Tree() {
    // River stores keep a pointer to their layout: the nodes go first.
    nodes.clear();
}

void install_tree(std::unique_ptr<Tree> tree) {
    g_tree = std::move(tree);
}

void release_tree() {
    g_tree.reset();
}

std::string tree_flags_text(u32 flags) {
    static constexpr const char* kNames[] = {"INCOMPLETE_TREE", "ISOMORPHISM_ON", "NEW_TREE"};
    std::string text;
    for (u32 bit = 0; bit < 3; ++bit) {
        if ((flags & (1u << bit)) == 0) continue;
        if (!text.empty()) text += ' ';
        text += kNames[bit];
    }
    return text;
}

std::string tree_flags_text() {
    return g_tree ? tree_flags_text(g_tree->flags) : std::string();
}
