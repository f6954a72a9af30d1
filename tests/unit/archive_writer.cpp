#include "archive_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include "codecs/codec.h"
#include "codecs/memory_channels.h"
#include "shell/settings.h"
#include "storage/block_node_data.h"
#include "storage/coded_arena.h"
#include "storage/compressed_node_data.h"
#include "storage/packed_arena.h"
#include "storage/packed_row.h"
#include "storage/plain_node_data.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

namespace {

void write_line_node(ArchiveBytes& out, const LineTreeNode& node) {
    out.u32v(node.player).i32v(node.street_offset).i32v(node.bet_count).i32v(node.index);
    out.f64v(node.amount).f64v(node.committed[0]).f64v(node.committed[1]);
    out.length(static_cast<i32>(node.children.size()), "child count");
    for (const auto& [key, child] : node.children) {
        out.f64v(key);
        write_line_node(out, *child);
    }
}

bool forgotten(const Tree& tree) {
    return tree.forget_level >= 0;
}

// A forgotten street has no stores after a load's reset, so its nodes have
// no store records, whatever stores a query solved again for them.
bool stores_written(const Tree& tree, const TreeNode& node, const ArchiveOptions& options) {
    if (!forgotten(tree)) return true;
    if (options.version >= 4) return false;
    return options.stores_of_forgotten_streets || static_cast<i32>(node.street) < tree.forget_level;
}

bool records_written(const Tree& tree, const TreeNode& node, i32 v) {
    if (node.results.empty()) return false;
    return !(forgotten(tree) && static_cast<i32>(node.street) > tree.forget_level && v >= 3);
}

i16 fixed_point(f64 x) {
    const f64 q = std::round(x * 150.0);
    return static_cast<i16>(std::clamp(q, -32768.0, 32767.0));
}

void write_array(ArchiveBytes& out, const DoubleArray& a, i32 v) {
    const i32 n = a.count;
    out.length(n, "array count");
    for (i32 h = 0; h < n; ++h) {
        const f64 x = a.data ? a.data[h] : 0.0;
        if (v < 2) {
            out.f64v(x);
        } else if (v < 4) {
            out.put(static_cast<f32>(x));
        } else {
            out.put(fixed_point(x));
        }
    }
}

void write_record(ArchiveBytes& out, const Tree& tree, const NodeResultRecord& r, i32 v) {
    if (v >= 4) {
        const u8 flags[2] = {static_cast<u8>(forgotten(tree) ? r.reach_recomputable[0] : 0),
                             static_cast<u8>(forgotten(tree) ? r.reach_recomputable[1] : 0)};
        out.u8v(flags[0]).u8v(flags[1]);
        for (int a = 0; a < 2; ++a) {
            if (!flags[a]) write_array(out, r.arrays[a], v);
        }
    } else {
        for (const DoubleArray& a : r.arrays) write_array(out, a, v);
    }
    out.u8v(r.reach_frozen).u64v(r.solved_splits);
}

void write_plain(ArchiveBytes& out, const PlainNodeData& store) {
    out.u32v(const_cast<PlainNodeData&>(store).entry(-1, -1).flags);
    for (i32 a = 0; a < store.rows(); ++a) {
        out.put_bytes(store.row(a), sizeof(f32) * static_cast<std::size_t>(store.hands()));
    }
}

template <class Store, class WriteRow>
void write_block_store(ArchiveBytes& out, Store& store, WriteRow write_row) {
    const NodeDataLayout& layout = store.layout();
    for (i32 b = 0; b < layout.blocks; ++b) {
        for (u32 j = 0; j < layout.block_table()[b].entry_count; ++j) {
            out.u32v(store.entry(b, static_cast<i32>(j)).flags);
        }
    }
    for (i32 b = 0; b < layout.blocks; ++b) {
        for (u32 j = 0; j < layout.block_table()[b].entry_count; ++j) {
            const i32 hands = static_cast<i32>(layout.entry(b, static_cast<i32>(j)).hands);
            for (i32 a = 0; a < layout.actions; ++a) {
                write_row(store.row(b, static_cast<i32>(j), a), hands);
            }
        }
    }
}

// An arena record; a block without arena gets an empty one.
void write_arena(ArchiveBytes& out, const BlockArena* arena, u32 mode) {
    if (mode == 1) {
        const auto* packed = static_cast<const PackedArena*>(arena);
        const i64 length = packed ? packed->write_mark() : 0;
        out.length(static_cast<i32>(length), "write mark");
        out.length(packed ? packed->region().reserved : i64{0}, "reservation");
        out.length(length, "arena length");
        if (length > 0) out.put_bytes(packed->region().base, static_cast<std::size_t>(length));
        return;
    }
    const auto* coded = static_cast<const CodedArena*>(arena);
    i64 length = 0;
    for (i32 c = 0; c < kCodecChannels; ++c) {
        const u32 size = coded ? static_cast<u32>(coded->joined_size(c)) : 0;
        out.length(size, "channel size").length(size, "channel position");
        length += size;
    }
    out.length(coded ? coded->region().reserved : i64{0}, "reservation");
    out.length(length, "arena length");
    if (length > 0) out.put_bytes(coded->region().base, static_cast<std::size_t>(length));
}

void write_compressed(ArchiveBytes& out, CompressedNodeData& store) {
    const NodeDataLayout& layout = store.layout();
    bool any = false;
    for (i32 b = 0; b < layout.blocks; ++b) {
        for (u32 j = 0; j < layout.block_table()[b].entry_count; ++j) {
            out.u32v(store.entry(b, static_cast<i32>(j)).flags);
        }
        any = any || store.arena(b) != nullptr;
    }
    out.u8v(any ? 1 : 0);
    if (!any) return;
    for (i32 b = 0; b < layout.blocks; ++b) write_arena(out, store.arena(b), store.mode());
}

void write_store(ArchiveBytes& out, NodeDataBase& store, i32 v) {
    if (auto* plain = dynamic_cast<PlainNodeData*>(&store)) return write_plain(out, *plain);
    if (auto* turn = dynamic_cast<CompositeNodeData*>(&store)) {
        for (i32 t = 0; t < turn->boards(); ++t) write_plain(out, turn->element(t));
        return;
    }
    if (auto* f = dynamic_cast<FloatBlockNodeData*>(&store)) {
        return write_block_store(out, *f, [&](const f32* row, i32 hands) {
            out.put_bytes(row, sizeof(f32) * static_cast<std::size_t>(hands));
        });
    }
    if (auto* q = dynamic_cast<U16BlockNodeData*>(&store)) {
        return write_block_store(out, *q, [&](const u16* row, i32 hands) {
            if (v < 4) {
                out.put_bytes(row, sizeof(u16) * static_cast<std::size_t>(hands));
                return;
            }
            std::vector<u8> packed(static_cast<std::size_t>(packed_u16_row_max_bytes(hands)) + 8);
            const u8* end = pack_u16_row(packed.data(), row, hands);
            const auto length = static_cast<i16>(end - packed.data());
            out.length(length, "row length")
                .put_bytes(packed.data(), static_cast<std::size_t>(length));
        });
    }
    if (auto* c = dynamic_cast<CompressedNodeData*>(&store)) return write_compressed(out, *c);
    throw std::logic_error("the archive writer does not know this store kind");
}

template <class Visit>
void for_each_written_record(const Tree& tree, i32 v, Visit visit) {
    for (const TreeNode& node : tree.nodes) {
        if (!records_written(tree, node, v)) continue;
        for (const NodeResultRecord& r : node.results) visit(r);
    }
}

u32 zigzag(i32 d) {
    return (static_cast<u32>(d) << 1) ^ static_cast<u32>(d >> 31);
}

std::vector<SectionArray> result_arrays(const Tree& tree, i32 v) {
    std::vector<SectionArray> arrays;
    for_each_written_record(tree, v, [&](const NodeResultRecord& r) {
        for (int a = 2; a < 6; ++a) {
            const DoubleArray& x = r.arrays[a];
            if (x.count <= 0) continue;
            SectionArray s;
            for (i32 h = 0; h < x.count; ++h) {
                const f64 value = x.data ? x.data[h] : 0.0;
                s.values.push_back(zigzag(static_cast<i32>(std::lround(value * 100.0))));
            }
            arrays.push_back(std::move(s));
        }
    });
    return arrays;
}

// The strategy that the reach walks use: the average strategy where the
// strategy sums count and hold something for the hand, else the current one.
std::vector<DoubleArray> walk_strategy(const Tree& tree, TreeNode& node, i32 turn) {
    const u32 n = node.action_count();
    std::vector<DoubleArray> current;
    const std::vector<f32> uniform(n, 1.0f / static_cast<f32>(n));
    node.regrets->average_strategy(current, turn, -1, uniform);
    if (!node.strategy_sums || tree.iteration <= 60) return current;
    std::vector<DoubleArray> average;
    const std::vector<f32> zeros(n, 0.0f);
    node.strategy_sums->average_strategy(average, turn, -1, zeros);
    for (i32 h = 0; h < current[0].count; ++h) {
        f64 sum = 0.0;
        for (u32 a = 0; a < n; ++a) sum += average[a].data[h];
        if (sum == 0.0) continue;
        for (u32 a = 0; a < n; ++a) current[a].data[h] = average[a].data[h];
    }
    return current;
}

std::vector<SectionArray> strategy_arrays(Tree& tree) {
    std::vector<SectionArray> arrays;
    const StreetData& street = *tree.street_data;
    for (TreeNode& node : tree.nodes) {
        if (static_cast<i32>(node.street) >= tree.forget_level || !node.regrets) continue;
        const i32 boards = node.street == kStreetFlop ? 1 : static_cast<i32>(street.boards.size());
        for (i32 t = 0; t < boards; ++t) {
            const i32 turn = node.street == kStreetFlop ? -1 : t;
            const std::vector<DoubleArray> rows = walk_strategy(tree, node, turn);
            for (u32 a = 0; a + 1 < node.action_count(); ++a) {
                SectionArray s;
                s.sixteen_bit = true;
                for (i32 h = 0; h < rows[a].count; ++h) {
                    s.values.push_back(static_cast<u32>(std::lround(1000.0 * rows[a].data[h])));
                }
                arrays.push_back(std::move(s));
            }
        }
    }
    return arrays;
}

// A coded section, with the lengths of its 24 channels noted.
void put_section(ArchiveBytes& out, const std::vector<u8>& section, const char* what) {
    std::size_t at = 0;
    for (i32 c = 0; c < kCodecChannels; ++c) {
        u64 length = 0;
        std::memcpy(&length, section.data() + at, sizeof length);
        out.lengths.push_back({out.bytes.size() + at, sizeof length, what});
        at += sizeof length + length;
    }
    out.put_bytes(section.data(), section.size());
}

}  // namespace

std::vector<u8> write_tree_archive(const ArchiveOptions& options, ArchiveLayout* layout) {
    ArchiveLayout ignored;
    ArchiveLayout& at = layout ? *layout : ignored;
    Tree& tree = *g_tree;
    const i32 v = options.version;
    ArchiveBytes out;
    out.put_bytes("AI6:", 4).i32v(v);
    if (v >= 4) out.u8v(options.omit_values ? 1 : 0);
    at.masks = out.bytes.size();
    out.u64v(g_flop_mask).u64v(g_turn_mask).u64v(g_river_mask);
    for (const f64 p : g_pot_args) out.f64v(p);
    at.ranges = out.bytes.size();
    for (const std::vector<f64>& range : g_ranges) {
        out.put_bytes(range.data(), sizeof(f64) * range.size());
    }
    at.lines = out.bytes.size();
    write_line_node(out, *g_line_tree);
    at.settings = out.bytes.size();
    out.u32v(tree.flags).i32v(tree.forget_level).i32v(tree.results_iteration);
    for (const f64 x : tree.pass_results) out.f64v(x);
    out.f64v(tree.mean_ev).f64v(tree.exploitability);
    at.level = out.bytes.size();
    out.u32v(static_cast<u32>(g_actual_compression));
    out.u32v(tree.iteration);
    at.node_part = out.bytes.size();
    for (TreeNode& node : tree.nodes) {
        if (records_written(tree, node, v)) {
            for (const NodeResultRecord& r : node.results) write_record(out, tree, r, v);
        }
        if (!stores_written(tree, node, options)) continue;
        if (node.regrets) write_store(out, *node.regrets, v);
        if (node.strategy_sums) write_store(out, *node.strategy_sums, v);
    }
    if (v < 4) {
        at.lengths = std::move(out.lengths);
        return out.bytes;
    }
    at.counts = out.bytes.size();
    for_each_written_record(tree, v, [&](const NodeResultRecord& r) {
        for (int a = 2; a < 6; ++a) {
            out.length(static_cast<u32>(std::max(r.arrays[a].count, 0)), "value count");
        }
    });
    at.sections = out.bytes.size();
    if (!options.omit_values) {
        put_section(out, coded_section(options.result_codec, result_arrays(tree, v)),
                    "result channel length");
    }
    if (forgotten(tree)) {
        put_section(out, coded_section(options.strategy_codec, strategy_arrays(tree)),
                    "strategy channel length");
    }
    at.lengths = std::move(out.lengths);
    return out.bytes;
}

void write_bytes_file(const std::string& path, const std::vector<u8>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::string temp_archive_path(const std::string& name) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string id = test ? std::string(test->test_suite_name()) + "." + test->name() : "none";
    for (char& c : id) {
        if (c == '/') c = '_';
    }
    // The process id keeps runs of several builds at once (release and
    // sanitizer suites, other checkouts) from sharing a file.
    return ::testing::TempDir() + "vostrel_" + std::to_string(getpid()) + "_" + id + "_" + name +
           ".bin";
}

std::vector<u8> coded_section(u8 codec, const std::vector<SectionArray>& arrays) {
    ChannelBytes channels;
    CodecStats stats;
    CodecWriter* writer =
        codec_create_encoder(codec, nullptr, nullptr, ChannelBytes::append, &channels, &stats);
    if (!writer) throw std::logic_error("no writer for this codec id");
    std::vector<u16> narrow;
    for (const SectionArray& a : arrays) {
        const i32 n = static_cast<i32>(a.values.size());
        if (!a.sixteen_bit) {
            codec_write_u32_array(writer, a.values.data(), nullptr, n);
            continue;
        }
        narrow.assign(a.values.begin(), a.values.end());
        codec_write_u16_array(writer, narrow.data(), nullptr, n);
    }
    codec_destroy(writer);
    ArchiveBytes out;
    for (const std::vector<u8>& channel : channels.channel) {
        out.u64v(channel.size()).put_bytes(channel.data(), channel.size());
    }
    return out.bytes;
}
