// The members of a tree node that create, move and destroy its two stores.
// They are defined here, where the store type is complete, so that the tree
// itself needs no more of storage than the name of the store type.
#include "storage/node_data.h"
#include "tree/tree.h"

TreeNode::TreeNode() = default;
TreeNode::TreeNode(TreeNode&&) noexcept = default;
TreeNode& TreeNode::operator=(TreeNode&&) noexcept = default;
TreeNode::~TreeNode() = default;
