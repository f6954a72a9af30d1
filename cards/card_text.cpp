#include "cards/card_text.h"

#include <cctype>
#include <cstring>

namespace {

constexpr char kRankChars[] = "23456789TJQKA";
constexpr char kSuitChars[] = "cdhs";

int index_in(const char* alphabet, char c) {
    if (c == '\0') return -1;
    const char* at = std::strchr(alphabet, c);
    return at ? static_cast<int>(at - alphabet) : -1;
}

}  // namespace

int parse_card(const char* text, std::size_t length) {
    if (length != 2) return -1;
    int rank = index_in(kRankChars, static_cast<char>(std::toupper(text[0])));
    int suit = index_in(kSuitChars, static_cast<char>(std::tolower(text[1])));
    if (rank < 0 || suit < 0) return -1;
    return 13 * suit + rank;
}

std::string card_text(int card) {
    if (card < 0 || card >= 52) return std::string();
    return std::string{kRankChars[card_rank(card)], kSuitChars[card_suit(card)]};
}
