// A reference hand-category classifier for the category tests, written from
// the category definitions over an evaluator of its own: hand values come
// from counting ranks and suits, in the layout of the system's evaluator
// (category << 24, the deciding ranks from bits 16-19 down, missing ones 0),
// without its masks, tables or rank-position helper. Cards are card indices
// (13 x suit + rank).
#pragma once

#include <algorithm>
#include <vector>

#include "platform/int_types.h"

namespace ref {

using Cards = std::vector<int>;

inline int rank_of(int card) {
    return card % 13;
}
inline int suit_of(int card) {
    return card / 13;
}

// Top rank of a five-rank run in a 13-bit rank set (3 for the wheel), or -1.
inline int straight_top(unsigned ranks) {
    for (int top = 12; top >= 4; --top) {
        const unsigned run = 0x1Fu << (top - 4);
        if ((ranks & run) == run) return top;
    }
    const unsigned wheel = 0x100Fu;
    return (ranks & wheel) == wheel ? 3 : -1;
}

// Up to seven ranks, in order.
struct RankList {
    int rank[7];
    int size = 0;
    void push(int r) { rank[size++] = r; }
};

inline u32 pack(int category, const RankList& ranks) {
    u32 value = static_cast<u32>(category) << 24;
    for (int i = 0; i < ranks.size && i < 5; ++i) {
        value |= static_cast<u32>(ranks.rank[i]) << (16 - 4 * i);
    }
    return value;
}

inline RankList list(std::initializer_list<int> ranks) {
    RankList out;
    for (int r : ranks) out.push(r);
    return out;
}

struct Counts {
    int of_rank[13] = {};
    unsigned suit_ranks[4] = {};
    unsigned ranks = 0;
    int n = 0;

    Counts(const int* cards, int count) : n(count) {
        for (int i = 0; i < count; ++i) {
            ++of_rank[rank_of(cards[i])];
            suit_ranks[suit_of(cards[i])] |= 1u << rank_of(cards[i]);
            ranks |= 1u << rank_of(cards[i]);
        }
    }
    // Ranks held at least `count` times, highest first, leaving out `skip`.
    RankList held(int count, int skip = -1) const {
        RankList out;
        for (int r = 12; r >= 0; --r) {
            if (of_rank[r] >= count && r != skip && out.size < 7) out.push(r);
        }
        return out;
    }
    // `used`, then the first `k` other ranks held, highest first.
    RankList kickers(RankList used, int k) const {
        for (int r = 12; r >= 0 && k > 0; --r) {
            if (of_rank[r] == 0) continue;
            bool taken = false;
            for (int i = 0; i < used.size; ++i) taken |= used.rank[i] == r;
            if (taken) continue;
            used.push(r);
            --k;
        }
        return used;
    }
};

// Value of the best five cards of 5 to 7 cards; of 3 or 4 cards, the same
// ranks without straights, flushes or missing kickers.
inline u32 value_of(const int* cards, int n) {
    const Counts x(cards, n);
    if (n >= 5) {
        for (unsigned suit : x.suit_ranks) {
            if (__builtin_popcount(suit) >= 5 && straight_top(suit) >= 0) {
                return pack(8, list({straight_top(suit)}));
            }
        }
    }
    const RankList quads = x.held(4);
    if (quads.size) return pack(7, x.kickers(list({quads.rank[0]}), n - 4 > 0 ? 1 : 0));
    const RankList trips = x.held(3);
    if (n >= 5 && trips.size) {
        const RankList pairs = x.held(2, trips.rank[0]);
        if (pairs.size) return pack(6, list({trips.rank[0], pairs.rank[0]}));
    }
    if (n >= 5) {
        for (unsigned suit : x.suit_ranks) {
            if (__builtin_popcount(suit) < 5) continue;
            RankList top;
            for (int r = 12; r >= 0 && top.size < 5; --r) {
                if (suit >> r & 1) top.push(r);
            }
            return pack(5, top);
        }
        if (straight_top(x.ranks) >= 0) return pack(4, list({straight_top(x.ranks)}));
    }
    if (trips.size) return pack(3, x.kickers(list({trips.rank[0]}), std::min(2, n - 3)));
    const RankList pairs = x.held(2);
    if (pairs.size >= 2) {
        return pack(2, x.kickers(list({pairs.rank[0], pairs.rank[1]}), n > 4 ? 1 : 0));
    }
    if (pairs.size == 1) return pack(1, x.kickers(list({pairs.rank[0]}), std::min(3, n - 2)));
    return pack(0, x.kickers(RankList{}, std::min(5, n)));
}

inline u32 value_of(const Cards& cards) {
    return value_of(cards.data(), static_cast<int>(cards.size()));
}

inline int category_of(u32 value) {
    return static_cast<int>(value >> 24);
}
inline int nibble(u32 value, int shift) {
    return static_cast<int>(value >> shift & 0xf);
}

inline Cards with(Cards cards, std::initializer_list<int> more) {
    cards.insert(cards.end(), more);
    return cards;
}

inline bool holds(const Cards& cards, int card) {
    return std::find(cards.begin(), cards.end(), card) != cards.end();
}

// 2 x (distinct board ranks above the rank) + 1 when the board holds it.
inline int rank_position(const Cards& board, int rank) {
    unsigned above = 0;
    bool on_board = false;
    for (int c : board) {
        if (rank_of(c) > rank) above |= 1u << rank_of(c);
        if (rank_of(c) == rank) on_board = true;
    }
    return 2 * __builtin_popcount(above) + (on_board ? 1 : 0);
}

// Made-hand category index; -1 for a dead hand, -2 for a hand the decision
// table cannot place.
inline int made(const Cards& board, int first, int second) {
    if (holds(board, first) || holds(board, second)) return -1;
    const u32 v = value_of(with(board, {first, second}));
    const u32 bv = value_of(board);
    const int h = category_of(v);
    const int b = category_of(bv);
    const bool raises_first = nibble(v, 16) > nibble(bv, 16);
    const bool raises_second = nibble(v, 12) > nibble(bv, 12);
    auto kicker = [&] {
        for (int shift = 16; shift >= 0; shift -= 4) {
            if (nibble(v, shift) > nibble(bv, shift)) {
                return nibble(v, shift) == 12 ? 2 : nibble(v, shift) == 11 ? 1 : 0;
            }
        }
        return 0;
    };
    auto pair_position = [&] {
        int p = rank_position(board, rank_of(first));
        if (p % 2 == 0) p = rank_position(board, rank_of(second));
        const int by_position[] = {9, 7, 6, 5, 4, 4};
        return p < 6 ? by_position[p] : 3;
    };
    switch (h) {
        case 8:
            return b < 8 || v > bv ? 18 : 0;
        case 7:
            return b < 7 ? 17 : kicker();
        case 6:
            return b < 6 ? 15 : raises_first ? 16 : raises_second ? 15 : 0;
        case 5:
            return b < 5 ? 14 : 0;
        case 4:
            return b < 4 || v > bv ? 13 : kicker();
        case 3:
            return b == 0 ? 12 : b == 1 ? 11 : b == 2 ? -2 : kicker();
        case 2:
            if (b == 0) return 10;
            return b == 1 || raises_first || raises_second ? pair_position() : kicker();
        case 1:
            return b == 0 ? pair_position() : kicker();
        default:
            return kicker();
    }
}

struct Outs {
    int straight = 0;
    int flush = 0;
};

// Straight and flush outs of a live hand on a three- or four-card board.
inline Outs outs(const Cards& board, int first, int second) {
    Outs result;
    const int n = static_cast<int>(board.size());
    int cards[7];
    std::copy(board.begin(), board.end(), cards);
    cards[n + 1] = first;
    cards[n + 2] = second;
    const int current = category_of(value_of(with(board, {first, second})));
    for (int card = 0; card < 52; ++card) {
        if (holds(board, card) || card == first || card == second) continue;
        cards[n] = card;
        const u32 reference = n == 4 ? value_of(cards, 5) : 0;
        const u32 next = value_of(cards, n + 3);
        if (next <= reference) continue;
        if (category_of(next) == 4 && current < 4) ++result.straight;
        if ((category_of(next) == 5 || category_of(next) == 8) && current < 5) ++result.flush;
    }
    return result;
}

// Draw category index on a three- or four-card board; -1 for a dead hand.
inline int draw(const Cards& board, int first, int second) {
    if (holds(board, first) || holds(board, second)) return -1;
    const Outs o = outs(board, first, second);
    if (o.flush == 0) return o.straight / 4;
    return o.straight == 0 ? 3 : 4;
}

// The two cards of each protocol hand: the higher protocol card number
// (4 x rank + suit) first, in protocol hand order.
struct HandCards {
    int first;
    int second;
};

inline int card_of_protocol(int p) {
    return 13 * (p % 4) + p / 4;
}

inline std::vector<HandCards> protocol_hands() {
    std::vector<HandCards> hands;
    for (int hi = 1; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo)
            hands.push_back({card_of_protocol(hi), card_of_protocol(lo)});
    }
    return hands;
}

}  // namespace ref
