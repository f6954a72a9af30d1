#include "storage/node_data.h"

#include <stdexcept>

void NodeDataBase::save(ArchiveWriter&) const {
    throw std::logic_error("node data archive records are not supported");
}

void NodeDataBase::load(Reader&) {
    throw std::logic_error("node data archive records are not supported");
}

BlockArena* NodeDataBase::open_block(BlockArena*, i32, i64) {
    return nullptr;
}

BlockArena* NodeDataBase::close_block(BlockArena*, i32, bool) {
    return nullptr;
}
