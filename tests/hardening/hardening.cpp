#include "hardening/hardening.h"

#include "support/roads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Keys by what the chooser makes of them.
const std::vector<std::string> MOVES = {"\x1b[A", "\x1b[B", "\t", "\b", "\x7f",     " ",
                                        "b",      "B",      "n",  "N",  "\x1b[1;5A"};
const std::vector<std::string> CHOICES = {"\n", "\r", "\x1b[C", "\x1b\x1b[C"};
const std::vector<std::string> DIGITS = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
const std::vector<std::string> IGNORED = {
    "\x1b[D",  "\x1b[1~",    "\x1b[4~", "\x1b[5~", "\x1b[3~", "\x1b[[A", "\x1b[[B",  "\x1b[[D",
    "\x1b[[E", "\x1b[[xyzE", "x",       "z",       "ä",       "é",       "€",        "\x01",
    "\x02",    "\x04",       "\x05",    "\x06",    "\x0b",    "\x0c",    "#",        ":",
    ";",       "<",          "\x1b[6~", "\x1b[2~", "\x1b[[C", "\x1bOR",  "\x1b\x31", "\x1bx"};

// The suspend byte (Ctrl-Z) and the flow-control bytes (Ctrl-Q, Ctrl-S).
bool stops_the_game(unsigned char byte) {
    return byte == 0x1a || byte == 0x11 || byte == 0x13;
}

// The quit keys (Esc, when it comes alone) and the bytes the terminal turns
// into SIGINT and SIGQUIT.
bool ends_the_game(unsigned char byte) {
    return byte == 'q' || byte == 'Q' || byte == 0x1b || byte == 0x03 || byte == 0x1c;
}

template <typename T>
const T& pick(std::mt19937& rng, const std::vector<T>& items) {
    return items[std::uniform_int_distribution<size_t>(0, items.size() - 1)(rng)];
}

char any_byte(std::mt19937& rng, bool quit_free) {
    for (;;) {
        auto byte = static_cast<unsigned char>(below(rng, 256));
        if (!stops_the_game(byte) && !(quit_free && ends_the_game(byte)))
            return static_cast<char>(byte);
    }
}

std::string control_bytes(std::mt19937& rng, bool quit_free) {
    std::string run;
    for (int n = 1 + below(rng, 4); n > 0; --n) {
        auto byte = static_cast<unsigned char>(below(rng, 33));
        byte = byte == 32 ? 0x7f : byte;
        if (!stops_the_game(byte) && !(quit_free && ends_the_game(byte)))
            run += static_cast<char>(byte);
    }
    return run;
}

// clang-format off
const std::vector<std::string> BAD_UTF8 = {
    "\x80", "\xbf", "\xc3", "\xc3q", "\xe2\x82", "\xf0\x9f\x98", "\xc0\xaf", "\xe0\x80\xaf",
    "\xed\xa0\x80", "\xf5\x80\x80\x80", "\xfe", "\xff", "\x80\x80\x80\x80\x80\x80", "\xc3\xa4"};
// clang-format on

std::string bad_utf8(std::mt19937& rng, bool quit_free) {
    std::string run = pick(rng, BAD_UTF8);
    if (quit_free)
        std::erase_if(run, [](char c) { return ends_the_game(static_cast<unsigned char>(c)); });
    return run;
}

// Whole sequences the key reader knows.
const std::vector<std::string> SEQUENCES = {"\x1b[A",  "\x1b[B",  "\x1b[C",  "\x1b[D",  "\x1b[1~",
                                            "\x1b[2~", "\x1b[3~", "\x1b[4~", "\x1b[5~", "\x1b[6~",
                                            "\x1b[[A", "\x1b[[B", "\x1b[[C", "\x1b[[D", "\x1b[[E"};

// A console F-key sequence that passes over up to its 32 stray bytes, which
// may be anything but its final letters, an ESC (which begins a key of its
// own) and the bytes the terminal acts on.
std::string console_key_with_strays(std::mt19937& rng) {
    std::string run = "\x1b[[";
    for (int n = below(rng, 33); n > 0; --n) {
        char byte;
        do
            byte = static_cast<char>(below(rng, 256));
        while ((byte >= 'A' && byte <= 'E') || stops_the_game(static_cast<unsigned char>(byte)) ||
               byte == 0x03 || byte == 0x1c || byte == 0x1b);
        run += byte;
    }
    return run + static_cast<char>('A' + below(rng, 5));
}

// A sequence cut short, or gone astray after its first bytes.
std::string escape_fragment(std::mt19937& rng) {
    const std::string& whole = pick(rng, SEQUENCES);
    std::string run = whole.substr(0, 1 + below(rng, static_cast<int>(whole.size()) - 1));
    if (below(rng, 2) == 0)
        run += any_byte(rng, false);
    return run;
}

std::string escape_run(std::mt19937& rng, bool quit_free) {
    switch (below(rng, 3)) {
    case 0:
        return pick(rng, SEQUENCES);
    case 1:
        return console_key_with_strays(rng);
    default:
        return quit_free ? pick(rng, SEQUENCES) : escape_fragment(rng);
    }
}

} // namespace

unsigned seeds_end(unsigned all) {
    constexpr unsigned IN_THE_SUITE = 2;
    return 1 + (std::getenv("VAKNA_ALL_SEEDS") ? all : std::min(all, IN_THE_SUITE));
}

int below(std::mt19937& rng, int bound) {
    return std::uniform_int_distribution<int>(0, bound - 1)(rng);
}

std::string random_key(std::mt19937& rng) {
    int kind = below(rng, 100);
    if (kind < 30)
        return pick(rng, MOVES);
    if (kind < 45)
        return pick(rng, CHOICES);
    if (kind < 80)
        return pick(rng, DIGITS);
    return pick(rng, IGNORED);
}

std::vector<std::string> random_byte_runs(std::mt19937& rng, int runs, bool quit_free) {
    std::vector<std::string> out;
    while (static_cast<int>(out.size()) < runs) {
        std::string run;
        switch (below(rng, 5)) {
        case 0:
            run = std::string(1, any_byte(rng, quit_free));
            break;
        case 1:
            run = control_bytes(rng, quit_free);
            break;
        case 2:
            run = bad_utf8(rng, quit_free);
            break;
        case 3:
            run = escape_run(rng, quit_free);
            break;
        default:
            run = random_key(rng);
        }
        if (!run.empty())
            out.push_back(run);
    }
    return out;
}

static void expect_in_order(PtyGame& game, int status) {
    EXPECT_TRUE(ended_in_order(status))
        << "the game did not end with status 0 or by an interrupt signal: " << status;
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()))
        << "the terminal's settings were not restored";
}

bool answers_or_ended_in_order(PtyGame& game, int timeout_ms) {
    if (game.settle(timeout_ms))
        return true;
    int status = game.wait_exit(1000);
    if (status == -1) {
        ADD_FAILURE() << "the game neither answered nor ended within " << timeout_ms << " ms";
        return false;
    }
    expect_in_order(game, status);
    return false;
}

void expect_ended_in_order(PtyGame& game, int timeout_ms) {
    expect_in_order(game, game.wait_exit(timeout_ms));
}

void RandomPlayer::start(int columns, int rows) {
    game = std::make_unique<PtyGame>(columns, rows);
    ++games;
    ended = false;
    ASSERT_TRUE(game->settle()) << "no first listing at width " << columns;
}

bool RandomPlayer::press(const std::string& key) {
    game->send(key);
    return answered();
}

bool RandomPlayer::answered() {
    ++keys;
    ended = !answers_or_ended_in_order(*game);
    return !ended;
}

bool RandomPlayer::choose(const std::string& label) {
    if (game->choose(label, 10000) != 0)
        return answered();
    ended = true;
    return false;
}

bool RandomPlayer::go_on(const std::string& written) {
    bool after_death = written.find(DECLINE_TO_GO_ON + "\x1b[K") != std::string::npos;
    if (!after_death && written.find(DECLINE_TO_PLAY_AGAIN + "\x1b[K") == std::string::npos)
        return false;
    ++(after_death ? deaths : finales);
    ++games;
    choose(after_death ? GO_ON : PLAY_AGAIN);
    return true;
}
