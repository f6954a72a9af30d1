// Protocol fuzzer: writes, for one seed, a session of command lines drawn from
// the whole command table (read from g_command_table, so that every command
// added to the table is drawn too) with arguments that look valid and
// arguments that are broken: huge, negative, NaN, hex and empty numbers, long
// and binary tokens, bad cards, boards and paths, files that do not exist,
// redirections to places that cannot be written, nested scripts, a FIFO
// without a peer, and queries and edits racing a running solver.
//
//   vostrel_fuzz --seed N [--commands M] [--dir DIR]
//
// The session goes to standard output; the nested scripts and the FIFO that
// it names are created in DIR (default "."), where the program runs. The same
// seed always gives the same session. tests/fuzz/run_fuzz.sh runs sessions
// against a build and reports every one that crashes, hangs, ends with an
// error code or draws a sanitizer report.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cards/card_text.h"
#include "cards/hand_tables.h"
#include "platform/int_types.h"
#include "shell/command_table.h"

namespace {

// splitmix64: the same numbers for a seed on every platform and library.
class Random {
public:
    explicit Random(u64 seed) : state_(seed) {}
    u64 next() {
        u64 z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    u32 below(u32 n) { return n == 0 ? 0 : static_cast<u32>(next() % n); }
    bool chance(u32 percent) { return below(100) < percent; }
    i32 between(i32 low, i32 high) {
        return low + static_cast<i32>(below(static_cast<u32>(high - low + 1)));
    }
    template <class T>
    const T& pick(const std::vector<T>& items) {
        return items[below(static_cast<u32>(items.size()))];
    }

private:
    u64 state_;
};

constexpr const char* kRanks = "23456789TJQKA";
// Marker lines around a bound probe (see add_bound_probe).
constexpr const char* kProbeBegin = "bound-probe";
constexpr const char* kProbeEnd = "bound-probe-end";

// What an argument slot of a command holds when it looks valid.
enum class Slot {
    number,
    small_int,
    threads,
    level,
    flag,
    weight,
    probability,
    amount,
    player,
    card,
    path,
    script,
    output,
    label,
    word,
    text,
    go_limit,
    sleep_ms,
    seconds,
    streets,
};

// Argument slots of the commands whose arguments have a known shape. A
// command without an entry (one added to the table later) gets slots of
// every kind, its token count permitting.
const std::map<std::string_view, std::vector<Slot>>& known_slots() {
    using S = Slot;
    static const std::map<std::string_view, std::vector<Slot>> slots = {
        {"set_threads", {S::threads}},
        {"ai6_set_threads", {S::threads}},
        {"set_recalc_accuracy", {S::number, S::number, S::number}},
        {"set_isomorphism", {S::flag, S::flag}},
        {"skip_if_done", {S::script, S::label}},
        {"load_script", {S::script}},
        {"set_pot", {S::small_int, S::small_int, S::small_int}},
        {"load_tree", {S::script}},
        {"show_node", {S::path}},
        {"show_children", {S::path}},
        {"show_strategy", {S::path}},
        {"show_strategy_pp", {S::path}},
        {"show_probs", {S::path}},
        {"show_range", {S::player, S::path}},
        {"calc_ev", {S::player, S::path}},
        {"calc_ev_pp", {S::player, S::path}},
        {"calc_ev_line", {S::player, S::path}},
        {"calc_eq", {S::player}},
        {"calc_eq_pp", {S::player}},
        {"calc_eq_node", {S::player, S::path}},
        {"stdoutredi", {S::output}},
        {"stdoutredi_append", {S::output}},
        {"set_eff_stack", {S::number}},
        {"set_rake", {S::number, S::number}},
        {"set_ev_boost", {S::path, S::number}},
        {"set_accuracy", {S::number, S::word}},
        {"forget", {S::streets}},
        {"solve_all_splits", {S::streets}},
        {"lock_node", {S::path}},
        {"unlock_node", {S::path}},
        {"solve_partial", {S::path}},
        {"explo_partial", {S::path}},
        {"show_categories", {S::card, S::card, S::card, S::card, S::card}},
        {"ai6_set_compression", {S::level}},
        {"set_scheduler", {S::small_int}},
        {"sleep", {S::sleep_ms}},
        {"take_a_break", {S::seconds}},
        {"repeat", {S::small_int, S::text, S::text}},
        {"echo", {S::text, S::text}},
        {"ignore_mem_check", {S::word}},
        {"go", {S::go_limit}},
    };
    return slots;
}

class SessionWriter {
public:
    SessionWriter(u64 seed, std::string dir) : random_(seed), dir_(std::move(dir)) {}

    // The lines of a session of about `commands` commands.
    std::vector<std::string> session(int commands, bool top_level) {
        std::vector<std::string> lines;
        if (top_level && random_.chance(80)) add_spot(lines);
        for (int i = 0; i < commands; ++i) add_command(lines, top_level);
        if (top_level) {
            lines.push_back("stop");
            lines.push_back("wait_for_solver");
        }
        return lines;
    }

    // Nested scripts, written into the directory. Script i loads only
    // scripts after it, so that a session stays short; "self.cmd" loads
    // itself until the depth limit ends it.
    void write_scripts() {
        for (int i = 0; i < kScripts; ++i) {
            current_script_ = i;
            std::ofstream file(dir_ + "/" + script_name(i), std::ios::binary);
            for (const std::string& line : session(random_.between(1, 12), false)) {
                file << line << (random_.chance(95) ? "\n" : "\r\n");
            }
        }
        current_script_ = -1;
        std::ofstream self(dir_ + "/self.cmd", std::ios::binary);
        self << "echo deeper\nload_script self.cmd\n";
    }

    static std::string script_name(int i) { return "script" + std::to_string(i) + ".cmd"; }

private:
    // A small, valid spot: ranges, board, pot and lines that build, so that
    // the commands that need a tree (or a running solver) get past their
    // first checks. Flop spots have narrow ranges to keep passes short.
    void add_spot(std::vector<std::string>& lines) {
        const int street_cards = random_.chance(20) ? 3 : random_.chance(50) ? 4 : 5;
        const int rank_count = street_cards == 3 ? random_.between(2, 3) : random_.between(3, 7);
        for (const char* player : {"OOP", "IP"}) {
            lines.push_back(std::string("set_range ") + player + " " + range_text(rank_count));
        }
        lines.push_back("set_board " + board_text(street_cards));
        lines.push_back("set_pot 0 0 " + std::to_string(random_.between(10, 200)));
        const int streets = 6 - street_cards;
        const int line_count = random_.between(1, street_cards == 3 ? 2 : 4);
        for (int i = 0; i < line_count; ++i) lines.push_back("add_line " + line_amounts(streets));
        if (random_.chance(30))
            lines.push_back("ai6_set_compression " + std::to_string(random_.between(-1, 4)));
        lines.push_back("build_tree");
        if (random_.chance(50))
            lines.push_back("set_threads " + std::to_string(random_.between(1, 3)));
        // The commands that follow race the solver until the session stops it.
        if (random_.chance(75)) lines.push_back(random_.chance(50) ? "go" : "go 200 steps");
    }

    // One weight per hand class (pair, suited or offsuit ranks), as suit
    // isomorphism of flop trees asks.
    std::string range_text(int rank_count) {
        std::string ranks;
        const int first = random_.between(0, 13 - rank_count);
        for (int r = first; r < first + rank_count; ++r) ranks += kRanks[r];
        static const std::vector<std::string> weights = {"1", "1", "0.5", "0.25", "0.75", "1e-3"};
        std::map<int, std::string> class_weights;
        std::string text;
        text.reserve(kHandCount * 2);
        for (int h = 0; h < kHandCount; ++h) {
            // Protocol card 4 x rank + suit; the hand's higher card first.
            int hi = 1;
            while (hi * (hi + 1) / 2 <= h) ++hi;
            const int lo = h - hi * (hi - 1) / 2;
            const bool in = ranks.find(kRanks[hi / 4]) != std::string::npos &&
                            ranks.find(kRanks[lo / 4]) != std::string::npos;
            if (h > 0) text += ' ';
            if (!in) {
                text += '0';
                continue;
            }
            const int hand_class = (hi / 4) * 26 + (lo / 4) * 2 + (hi % 4 == lo % 4 ? 1 : 0);
            auto [weight, fresh] = class_weights.try_emplace(hand_class);
            if (fresh) weight->second = random_.pick(weights);
            text += weight->second;
        }
        return text;
    }

    std::string board_text(int cards) {
        u64 used = 0;
        std::string text;
        for (int i = 0; i < cards; ++i) {
            int card;
            do {
                card = static_cast<int>(random_.below(52));
            } while (used & (u64{1} << card));
            used |= u64{1} << card;
            if (i > 0) text += ' ';
            text += card_text(card);
        }
        return text;
    }

    // A line of checks, bets and calls over `streets` streets; amounts are
    // totals, so they never decrease. Its node paths, each prefix with a
    // card dealt where a street ends, join the paths that queries draw.
    std::string line_amounts(int streets) {
        std::string text;
        std::string path = "r:0";
        int total = 0;
        for (int s = 0; s < streets; ++s) {
            const bool bet = random_.chance(50);
            if (bet) total += 25 * random_.between(1, 4);
            text += std::to_string(total) + " " + std::to_string(total) + " ";
            path += bet ? ":b" + std::to_string(total) : ":c";
            spot_paths_.push_back(path);
            path += ":c";
            spot_paths_.push_back(path);
            if (bet && random_.chance(30)) break;
            path += ":" + card_text(static_cast<int>(random_.below(52)));
            spot_paths_.push_back(path);
        }
        text.pop_back();
        return text;
    }

    void add_command(std::vector<std::string>& lines, bool top_level) {
        const u32 roll = random_.below(100);
        if (roll < 4) {
            lines.push_back(odd_line());
            return;
        }
        if (roll < 7 && top_level) {
            add_bound_probe(lines);
            return;
        }
        const CommandEntry& entry =
            g_command_table[random_.below(static_cast<u32>(g_command_table.size()))];
        const std::string word = entry.word;
        // Waiting for a solver without a limit could take its whole cap.
        if (word == "wait_for_solver") lines.push_back("stop");
        if (!top_level && (word == "go" || word == "set_threads")) return;
        lines.push_back(command_line(entry));
    }

    // A line whose numbers read well but lie outside what the program takes
    // (a negative range weight, a pot of 0 or less), between two marker lines
    // on the standard output the program started with. run_fuzz.sh reports
    // an "ok!" between the markers.
    void add_bound_probe(std::vector<std::string>& lines) {
        lines.push_back("stdoutback");
        lines.push_back(std::string("echo ") + kProbeBegin);
        if (random_.chance(50)) {
            const std::string pot =
                random_.pick(std::vector<std::string>{"0", "-0", "-1", "-100", "-2147483648"});
            lines.push_back("set_pot " + valid_token(Slot::small_int) + " " +
                            valid_token(Slot::small_int) + " " + pot);
        } else {
            std::vector<std::string> weights = split_words(range_text(random_.between(2, 13)));
            const std::string negative =
                random_.pick(std::vector<std::string>{"-1", "-0.5", "-1e-300", "-1e12"});
            // One hand's weight, or every hand's, below 0.
            if (random_.chance(20)) {
                for (std::string& weight : weights) weight = negative;
            } else {
                weights[random_.below(kHandCount)] = negative;
            }
            std::string line = std::string("set_range ") +
                               random_.pick(std::vector<std::string>{"OOP", "IP", "hero"});
            for (const std::string& weight : weights) line += " " + weight;
            lines.push_back(line);
        }
        lines.push_back(std::string("echo ") + kProbeEnd);
    }

    // Comments, label lines, blanks, unbalanced quotes, unknown words and
    // raw bytes.
    std::string odd_line() {
        switch (random_.below(7)) {
            case 0:
                return "# " + text_token();
            case 1:
                return "LABEL: " + random_.pick(labels());
            case 2:
                return std::string(random_.below(5), ' ');
            case 3:
                return "echo \"unbalanced " + text_token();
            case 4:
                return hostile_token() + " " + hostile_token();
            case 5:
                return random_.chance(10) ? "exit" : "is_ready";
            default:
                return binary_token(random_.between(1, 200));
        }
    }

    std::string command_line(const CommandEntry& entry) {
        std::vector<Slot> slots;
        const auto known = known_slots().find(entry.word);
        if (known != known_slots().end()) slots = known->second;
        i32 arguments =
            entry.token_count > 0 ? entry.token_count - 1 : static_cast<i32>(slots.size());
        if (entry.token_count <= 0 && random_.chance(30)) arguments = random_.between(0, 4);
        if (random_.chance(8)) arguments += random_.chance(50) ? 1 : -1;
        std::string line = entry.word;
        std::string_view word = entry.word;
        // Most lines are clean, so that the long ones (1326 weights or
        // probabilities) get through now and then.
        const bool clean = random_.chance(65);
        for (i32 i = 0; i < arguments; ++i) {
            Slot slot = i < static_cast<i32>(slots.size()) ? slots[static_cast<std::size_t>(i)]
                                                           : filler_slot(word, i);
            line += ' ';
            const bool hostile = !clean && random_.chance(arguments > 10 ? 2 : 40);
            if (!hostile) {
                line += valid_token(slot);
            } else {
                line += pauses(word) ? pause_hostile_token() : hostile_token();
            }
        }
        return line;
    }

    // The slots past the known ones: the values of set_range and
    // set_strategy, further amounts of a line, or any kind for a command
    // that has no known slots.
    Slot filler_slot(std::string_view word, i32 index) {
        if (word == "set_range") return index == 0 ? Slot::player : Slot::weight;
        if (word == "set_strategy")
            return index == 0 ? Slot::path : index == 1 ? Slot::small_int : Slot::probability;
        if (word == "add_line" || word == "force_line" || word == "remove_line")
            return Slot::amount;
        if (word == "set_board") return Slot::card;
        static const std::vector<Slot> any = {Slot::number,   Slot::path, Slot::player,
                                              Slot::script,   Slot::card, Slot::word,
                                              Slot::small_int};
        return random_.pick(any);
    }

    std::string valid_token(Slot slot) {
        switch (slot) {
            case Slot::number:
                return random_.pick(
                    std::vector<std::string>{"0", "1", "0.5", "50", "100", "0.01", "-0.5", "1e3"});
            case Slot::small_int:
                return std::to_string(random_.between(-1, 5));
            case Slot::threads:
                return std::to_string(random_.between(0, 4));
            case Slot::level:
                return std::to_string(random_.between(-2, 5));
            case Slot::flag:
                return std::to_string(random_.between(0, 1));
            case Slot::weight:
                return weight_token();
            case Slot::probability:
                return probability_token();
            case Slot::amount:
                return std::to_string(25 * random_.between(0, 8));
            case Slot::player:
                return random_.pick(
                    std::vector<std::string>{"OOP", "IP", "hero", "villain", "oop", "BTN"});
            case Slot::card:
                return card_token();
            case Slot::path:
                return path_token();
            case Slot::script:
                return file_token(true);
            case Slot::output:
                return file_token(false);
            case Slot::label:
                return random_.pick(labels());
            case Slot::word:
                return random_.pick(
                    std::vector<std::string>{"on", "off", "fraction", "steps", "seconds", "x"});
            case Slot::text:
                return text_token();
            case Slot::go_limit:
                return random_.pick(std::vector<std::string>{"5 steps", "30 steps", "1 seconds",
                                                             "0 seconds", "2", "x steps"});
            case Slot::sleep_ms:
                return std::to_string(random_.between(0, 20));
            case Slot::seconds:
                return std::to_string(random_.between(0, 1));
            case Slot::streets:
                return random_.pick(std::vector<std::string>{"rivers", "turns", "river", "3"});
        }
        return "0";
    }

    // Mostly ordinary; the largest weight taken and one beyond it now and
    // then, one line in about ten.
    std::string weight_token() {
        if (random_.chance(70)) return "0";
        if (random_.below(4000) == 0) return random_.chance(50) ? "1e12" : "2e12";
        return random_.pick(std::vector<std::string>{"1", "0.5", "0.25", "1", "-0"});
    }

    std::string probability_token() {
        if (random_.below(4000) == 0) return random_.chance(50) ? "1e30" : "1e31";
        return random_.pick(std::vector<std::string>{"0", "1", "0.5", "0.25", "0", "1"});
    }

    // A pause that the user asks for is waited out, however long; the
    // broken arguments of pauses are those that read as no number, or as
    // one out of range.
    static bool pauses(std::string_view word) { return word == "sleep" || word == "take_a_break"; }

    std::string pause_hostile_token() {
        return random_.pick(std::vector<std::string>{"-1", "-2147483648", "nan", "inf", "x", "\"\"",
                                                     "2147483648", "1e309", "0x7fffffff", "-0"});
    }

    // Numbers and tokens that no command should take as they stand.
    std::string hostile_token() {
        switch (random_.below(12)) {
            case 0:
                return random_.pick(std::vector<std::string>{"1e308", "1e309", "-1e308",
                                                             "99999999999", "2147483648", "1e30"});
            case 1:
                return random_.pick(std::vector<std::string>{"-1", "-2147483648", "-0", "-1e-320"});
            case 2:
                return random_.pick(
                    std::vector<std::string>{"nan", "NaN", "-nan", "inf", "-inf", "infinity"});
            case 3:
                return random_.pick(std::vector<std::string>{"0x1f", "0x", "0X7fffffff", "0x1p3"});
            case 4:
                return "\"\"";
            case 5:
                return std::string(static_cast<std::size_t>(random_.between(300, 20000)), 'q');
            case 6:
                return binary_token(random_.between(1, 64));
            case 7:
                return random_.pick(
                    std::vector<std::string>{"Xx", "Kh7d2c9s4d3h", "kh", "1s", "AhAh", "T", ""});
            case 8:
                return random_.pick(std::vector<std::string>{"r:", "r::0", ":::", "r:0:bx",
                                                             "r:0:b1e308", "r:0:c:c:Zz",
                                                             "r:0:f:f:f", "r:99"});
            case 9:
                return random_.pick(std::vector<std::string>{"/nonexistent/dir/file", "/", ".",
                                                             "/dev/full", "fifo"});
            case 10:
                return "\"" + text_token() + " " + text_token() + "\"";
            default:
                return std::to_string(static_cast<i64>(random_.next() >> random_.below(64)));
        }
    }

    // Bytes other than the line end; a NUL byte included.
    std::string binary_token(int length) {
        std::string token;
        for (int i = 0; i < length; ++i) {
            char c;
            do {
                c = static_cast<char>(random_.below(256));
            } while (c == '\n' || c == ' ');
            token += c;
        }
        return token;
    }

    std::string card_token() {
        if (random_.chance(80)) return card_text(static_cast<int>(random_.below(52)));
        return random_.pick(
            std::vector<std::string>{"QsJh2h", "qs", "Ah Kh", "AsAs", "1x", "Kd9c"});
    }

    // Paths of the spot's lines, or paths of random steps and cards.
    std::string path_token() {
        if (!spot_paths_.empty() && random_.chance(60)) return random_.pick(spot_paths_);
        static const std::vector<std::string> steps = {"c",    "c", "b25", "b50", "b75",
                                                       "b100", "f", "c",   "b150"};
        std::string path = random_.chance(10) ? "r" : "r:0";
        const int length = random_.between(0, 6);
        for (int i = 0; i < length; ++i) {
            path += ':';
            path += random_.chance(20) ? card_text(static_cast<int>(random_.below(52)))
                                       : random_.pick(steps);
        }
        return path;
    }

    std::string file_token(bool script) {
        if (script && random_.chance(60)) return script_token();
        return random_.pick(std::vector<std::string>{"out.txt", "fifo", "/nonexistent/dir/file",
                                                     "/", ".", "/dev/full", "missing.cmd",
                                                     "self.cmd"});
    }

    std::string script_token() {
        if (current_script_ < 0) {
            return random_.chance(15) ? "self.cmd" : script_name(random_.between(0, kScripts - 1));
        }
        if (current_script_ + 1 >= kScripts) return "missing.cmd";
        return script_name(random_.between(current_script_ + 1, kScripts - 1));
    }

    std::string text_token() {
        static const std::vector<std::string> texts = {"hello", "#note", "%s%n%d", "a\tb",
                                                       "END",   "100%",  "\x7f"};
        return random_.pick(texts);
    }

    static const std::vector<std::string>& labels() {
        static const std::vector<std::string> names = {"done", "x", "LABEL:", "end"};
        return names;
    }

    static std::vector<std::string> split_words(const std::string& text) {
        std::vector<std::string> words;
        std::size_t at = 0;
        while (at <= text.size()) {
            const std::size_t space = std::min(text.find(' ', at), text.size());
            words.push_back(text.substr(at, space - at));
            at = space + 1;
        }
        return words;
    }

    static constexpr int kScripts = 4;

    Random random_;
    std::string dir_;
    // The nested script being written; -1 for the session itself.
    int current_script_ = -1;
    std::vector<std::string> spot_paths_;
};

struct Options {
    u64 seed = 0;
    int commands = 60;
    std::string dir = ".";
};

bool parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--seed") {
            options.seed = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (name == "--commands") {
            options.commands = std::atoi(argv[i + 1]);
        } else if (name == "--dir") {
            options.dir = argv[i + 1];
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse_options(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s --seed N [--commands M] [--dir DIR]\n", argv[0]);
        return 2;
    }
    SessionWriter writer(options.seed, options.dir);
    const std::vector<std::string> session = writer.session(options.commands, true);
    writer.write_scripts();
    // A FIFO that no process opens: scripts and redirections on it must be
    // refused, not wait.
    mkfifo((options.dir + "/fifo").c_str(), 0600);
    for (const std::string& line : session) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}
