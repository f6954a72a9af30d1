#include "storage/node_data.h"

#include <stdexcept>

void NodeDataBase::save(ArchiveWriter&) const {
    throw std::logic_error("node data archives are not written");
}

void NodeDataBase::load(Reader&) {
    throw std::logic_error("this node data kind has no archive record");
}

u64 NodeDataBase::min_record_bytes(i32) const {
    return 0;
}

BlockArena* NodeDataBase::open_block(BlockArena*, i32, i64) {
    return nullptr;
}

BlockArena* NodeDataBase::close_block(BlockArena*, i32, bool) {
    return nullptr;
}
