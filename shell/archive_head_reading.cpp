#include "shell/archive_head_reading.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "cards/hand_tables.h"
#include "shell/line_commands.h"

namespace {

constexpr char kMagic[4] = {'A', 'I', '6', ':'};
constexpr i32 kFirstFlaggedVersion = 4;
constexpr u64 kCardBits = (u64{1} << 52) - 1;
// A child record takes at least its key and the fixed fields of a node.
constexpr u64 kNodeFieldBytes = sizeof(u32) + 3 * sizeof(i32) + 3 * sizeof(f64) + sizeof(i32);
constexpr u64 kChildBytes = sizeof(f64) + kNodeFieldBytes;
// A line command takes at most this many amounts, each one node deeper, and
// the automatic responses of the last one stand one deeper still.
constexpr i64 kMaxLineDepth = kMaxLineAmounts + 1;

void require(bool condition) {
    if (!condition) throw_invalid_file();
}

bool is_finite(f64 value) {
    return std::isfinite(value);
}

// What `set_board` accepts: three flop cards, then a turn card, then a river
// card, all different.
void check_board(const ArchiveHead& head) {
    const u64 all = head.flop_mask | head.turn_mask | head.river_mask;
    require((all & ~kCardBits) == 0);
    require(std::popcount(head.flop_mask) == 3);
    require(std::popcount(head.turn_mask) <= 1 && std::popcount(head.river_mask) <= 1);
    require(head.river_mask == 0 || head.turn_mask != 0);
    require(std::popcount(all) ==
            3 + std::popcount(head.turn_mask) + std::popcount(head.river_mask));
}

std::vector<f64> read_range(Reader& in) {
    std::vector<f64> range(kHandCount);
    in.read(range.data(), sizeof(f64) * range.size());
    for (f64& weight : range) {
        require(is_finite(weight) && weight >= 0.0);
        weight += 0.0;
    }
    return range;
}

// Fields of one node record up to its child count, which is returned.
i64 read_node_fields(Reader& in, LineTreeNode& node) {
    node.player = read_u32(in);
    node.street_offset = read_i32(in);
    node.bet_count = read_i32(in);
    node.index = read_i32(in);
    node.amount = read_f64(in);
    node.committed[0] = read_f64(in);
    node.committed[1] = read_f64(in);
    const i32 children = read_i32(in);
    require(node.player <= 1);
    require(is_finite(node.amount) && is_finite(node.committed[0]) && is_finite(node.committed[1]));
    // Indices are written again when the tree is built.
    node.index = -1;
    if (children <= 0) return 0;
    return static_cast<i64>(checked_count(in, children, children, kChildBytes));
}

bool valid_key(f64 key) {
    return is_finite(key) && (key >= 0.0 || key == kFoldKey);
}

struct PendingNode {
    LineTreeNode* node;
    i64 children_left;
};

}  // namespace

void read_line_tree(Reader& in, LineTreeNode& root) {
    std::vector<PendingNode> path;
    path.push_back({&root, read_node_fields(in, root)});
    require(root.street_offset == 0);
    while (!path.empty()) {
        PendingNode& top = path.back();
        if (top.children_left == 0) {
            path.pop_back();
            continue;
        }
        --top.children_left;
        LineTreeNode* parent = top.node;
        const f64 key = read_f64(in);
        require(valid_key(key));
        auto child = std::make_unique<LineTreeNode>(parent);
        const i64 children = read_node_fields(in, *child);
        const i32 step = child->street_offset - parent->street_offset;
        require(step == 0 || step == 1);
        require(static_cast<i64>(path.size()) <= kMaxLineDepth);
        LineTreeNode* raw = child.get();
        parent->children[key + 0.0] = std::move(child);
        path.push_back({raw, children});
    }
}

ArchiveHead read_archive_head(Reader& in) {
    ArchiveHead head;
    char magic[sizeof kMagic];
    in.read(magic, sizeof magic);
    require(std::memcmp(magic, kMagic, sizeof magic) == 0);
    head.version = read_i32(in);
    if (head.version < 0 || head.version > kNewestArchiveVersion) {
        throw IOException(kUnsupportedFormat);
    }
    in.version = head.version;
    if (head.version >= kFirstFlaggedVersion) head.values_omitted = read_u8(in) != 0;
    head.flop_mask = read_u64(in);
    head.turn_mask = read_u64(in);
    head.river_mask = read_u64(in);
    check_board(head);
    for (f64& value : head.pot_args) value = read_f64(in);
    for (const f64 value : head.pot_args) require(is_finite(value));
    // The first two values are kept as they are; the pot is what `set_pot`
    // accepts.
    require(head.pot_args[2] > 0.0);
    head.ranges[0] = read_range(in);
    head.ranges[1] = read_range(in);
    head.lines = std::make_unique<LineTreeNode>();
    read_line_tree(in, *head.lines);
    head.settings = read_tree_settings_record(in);
    check_tree_settings(head.settings, static_cast<u32>(head.root_street()));
    head.compression_level = read_u32(in);
    return head;
}
