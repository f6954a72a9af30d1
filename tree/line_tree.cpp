#include "tree/line_tree.h"

#include <algorithm>
#include <tuple>

#include "platform/cpu_features.h"

std::unique_ptr<LineTreeNode> g_line_tree = std::make_unique<LineTreeNode>();

LineTreeNode::~LineTreeNode() {
    // Detach descendants onto a work list so that each node dies childless and
    // no destructor recurses, whatever the depth of the line.
    std::vector<std::unique_ptr<LineTreeNode>> pending;
    for (auto& entry : children) pending.push_back(std::move(entry.second));
    children.clear();
    while (!pending.empty()) {
        std::unique_ptr<LineTreeNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& entry : node->children) pending.push_back(std::move(entry.second));
        node->children.clear();
    }
}

LineTreeNode* LineTreeNode::child(f64 key) const {
    const auto it = children.find(key);
    return it == children.end() ? nullptr : it->second.get();
}

LineTreeNode& LineTreeNode::child_or_new(f64 key, bool& created) {
    auto& slot = children[key];
    created = slot == nullptr;
    if (created) slot = std::make_unique<LineTreeNode>(this);
    return *slot;
}

bool LineTreeNode::remove_child(f64 key) {
    const auto it = children.find(key);
    if (it == children.end()) return false;
    // Unlink before destroying: the map stays consistent while the subtree dies.
    std::unique_ptr<LineTreeNode> doomed = std::move(it->second);
    children.erase(it);
    return true;
}

void reset_line_tree() {
    g_line_tree = std::make_unique<LineTreeNode>();
}

f64 max_line_amount(const LineTreeNode& node, f64 start) {
    f64 best = start;
    std::vector<const LineTreeNode*> pending{&node};
    while (!pending.empty()) {
        const LineTreeNode* current = pending.back();
        pending.pop_back();
        for (const auto& [key, child] : current->children) {
            best = std::max(best, key);
            pending.push_back(child.get());
        }
    }
    return best;
}

namespace {

using FillRecords = i64 (*)(const LineNodeFacts*, i64, f64, i32, LineRecord*);

FillRecords chosen_record_kernel() {
    static const FillRecords kernel =
        cpu_has_avx2_set() ? fill_line_records_avx2 : fill_line_records_generic;
    return kernel;
}

LineNodeFacts facts_of(const LineTreeNode& node, i32 parent_index, f64 key) {
    return LineNodeFacts{
        parent_index, node.children.empty() ? 0u : 1u,       node.player, node.street_offset, key,
        node.amount,  {node.committed[0], node.committed[1]}};
}

// Pre-order walk with an explicit stack; children are pushed in reverse map
// order so that they come off the stack in map order.
void gather_line_nodes(LineTreeNode& top, i32 parent_index, f64 key, i32 first_index,
                       std::vector<LineNodeFacts>& facts, std::vector<LineTreeNode*>& nodes) {
    std::vector<std::tuple<LineTreeNode*, i32, f64>> pending{{&top, parent_index, key}};
    while (!pending.empty()) {
        const auto [node, parent, edge] = pending.back();
        pending.pop_back();
        const i32 index = first_index + static_cast<i32>(facts.size());
        facts.push_back(facts_of(*node, parent, edge));
        nodes.push_back(node);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
            pending.emplace_back(it->second.get(), index, it->first);
        }
    }
}

}  // namespace

bool collect_line_actions_dispatch(LineFlattening& out, LineTreeNode& node, i32 parent_index,
                                   f64 key, f64 pot, i32 root_street) {
    const std::size_t first = out.records.size();
    std::vector<LineNodeFacts> facts;
    gather_line_nodes(node, parent_index, key, static_cast<i32>(first), facts, out.nodes);
    out.records.resize(first + facts.size());
    const i64 invalid = chosen_record_kernel()(facts.data(), static_cast<i64>(facts.size()), pot,
                                               root_street, out.records.data() + first);
    if (invalid < 0) return true;
    if (out.invalid == nullptr) out.invalid = out.nodes[first + static_cast<std::size_t>(invalid)];
    return false;
}

void assign_line_indices(const LineFlattening& flat) {
    for (std::size_t i = 0; i < flat.nodes.size(); ++i) {
        flat.nodes[i]->index = static_cast<i32>(i);
    }
}
