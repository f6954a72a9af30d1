#include "queries/category_commands.h"

#include <bit>
#include <climits>
#include <string>

#include "cards/classifier_boards.h"
#include "queries/category_report.h"
#include "shell/command_reply.h"
#include "shell/range_board_commands.h"

void cmd_show_category_names(const Tokens&) {
    print_category_names();
}

// The cards may come in any tokens ("Ks 7d 2c", "ks7d2c"); the board is
// handed over in ascending card index.
void cmd_show_categories(const Tokens& tokens) {
    const u64 cards = parse_card_list(join_tokens(tokens, 1, INT_MAX));
    const int count = std::popcount(cards);
    if (count < 3 || count > 5) throw_command_error("invalid board");
    ClassifierBoard board{};
    board.count = count;
    int slot = 0;
    for (u64 rest = cards; rest; rest &= rest - 1) {
        board.cards[slot++] = classifier_card_of(std::countr_zero(rest));
    }
    print_hand_categories(board);
}
