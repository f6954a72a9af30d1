// Test-side tree archive writer. The program reads archives only, so the
// tests make their own: `write_tree_archive` serialises the current tree with
// its solver data and the shell's settings (board, pot, ranges, lines) in any
// format version 0 to 5, and `ArchiveBytes` builds small archives byte by byte
// for the hand-made cases. Nothing here calls the reader.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/int_types.h"

// A length or count field of a written archive: where it stands, its width
// in bytes and what it counts ("child count", "row length", ...).
struct LengthField {
    std::size_t offset;
    std::size_t width;
    std::string what;
};

// Little-endian byte sink.
class ArchiveBytes {
public:
    template <class T>
    ArchiveBytes& put(T value) {
        const std::size_t at = bytes.size();
        bytes.resize(at + sizeof value);
        std::memcpy(bytes.data() + at, &value, sizeof value);
        return *this;
    }
    // A length or count field, noted in `lengths`.
    template <class T>
    ArchiveBytes& length(T value, const char* what) {
        lengths.push_back({bytes.size(), sizeof value, what});
        return put(value);
    }
    ArchiveBytes& put_bytes(const void* data, std::size_t n) {
        const std::size_t at = bytes.size();
        bytes.resize(at + n);
        if (n > 0) std::memcpy(bytes.data() + at, data, n);
        return *this;
    }
    ArchiveBytes& u8v(u8 v) { return put(v); }
    ArchiveBytes& u32v(u32 v) { return put(v); }
    ArchiveBytes& i32v(i32 v) { return put(v); }
    ArchiveBytes& u64v(u64 v) { return put(v); }
    ArchiveBytes& f64v(f64 v) { return put(v); }

    std::vector<u8> bytes;
    std::vector<LengthField> lengths;
};

struct ArchiveOptions {
    i32 version = 5;
    // Version 4 on: leave out the coded values of the result records.
    bool omit_values = false;
    // Codec ids of the result and strategy sections (version 4 on).
    u8 result_codec = 2;
    u8 strategy_codec = 2;
    // Before version 4: also the stores that a forgotten street has again
    // (splits solved for queries), where the reader expects none.
    bool stores_of_forgotten_streets = false;
};

// Where the parts of a written archive begin.
struct ArchiveLayout {
    std::size_t masks = 0;
    std::size_t ranges = 0;
    std::size_t lines = 0;
    std::size_t settings = 0;
    std::size_t level = 0;
    std::size_t node_part = 0;  // after the iteration counter
    std::size_t counts = 0;     // version 4 on
    std::size_t sections = 0;   // version 4 on
    // Every length and count field, in file order.
    std::vector<LengthField> lengths;
};

// The current tree (`g_tree`, whose data-format version should be the
// archive's), the line tree and the shell's board, pot and ranges, with the
// compression level in use, as the archive of that version holds them.
std::vector<u8> write_tree_archive(const ArchiveOptions& options, ArchiveLayout* layout = nullptr);

// The coded form of arrays for a section: writes each array through a codec
// writer of the given id and returns the section (24 channels, each a u64
// length and its bytes).
struct SectionArray {
    std::vector<u32> values;
    bool sixteen_bit = false;
};
std::vector<u8> coded_section(u8 codec, const std::vector<SectionArray>& arrays);

void write_bytes_file(const std::string& path, const std::vector<u8>& bytes);
// A path in the temporary folder, unique to the process, the running test
// and `name`.
std::string temp_archive_path(const std::string& name);
