#include "cards/board_records.h"

void destroy_board_records(std::vector<BoardRecord>& boards) {
    std::vector<BoardRecord>().swap(boards);
}
