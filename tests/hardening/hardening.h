// Helpers for driving the game hard: random keys and bytes as a terminal
// sends them, and the check that a game ended in order.
#pragma once

#include "support/pty_game.h"
#include "support/utf8_text.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

// The address sanitizer holds freed memory back in a quarantine, so resident
// memory grows under it, and a memory checker cannot run beside it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool SANITIZED_BUILD = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SANITIZED_BUILD = true;
#else
constexpr bool SANITIZED_BUILD = false;
#endif
#else
constexpr bool SANITIZED_BUILD = false;
#endif

// A number from 0 to bound - 1.
int below(std::mt19937& rng, int bound);

// The seeds a many-seed run plays: the first two, or all of 1 to `all`
// when VAKNA_ALL_SEEDS is set (make soak). An end for testing::Range.
unsigned seeds_end(unsigned all);

// One key press that neither quits nor raises a signal: a move, a choice,
// an option's digit or a key the chooser ignores, with its escape sequence
// or UTF-8 bytes whole.
std::string random_key(std::mt19937& rng);

// Runs of random bytes: any byte, escape fragments, stray control bytes,
// invalid UTF-8. Never the suspend byte or the flow-control bytes, which
// would stop the game or its output rather than reach it. quit_free leaves
// out every byte that ends the game (q, Q, 0, the interrupt and quit keys)
// and every ESC but those of sequences the key reader recognises, console
// F-key sequences with stray bytes passed over among them. Each run must
// reach the game whole: an escape sequence split in time is another input.
std::vector<std::string> random_byte_runs(std::mt19937& rng, int runs, bool quit_free);

// After keys were sent: true when the game has answered them all and waits
// for more, false when it has ended, which it must have done in order (exit
// status 0 or by an interrupt signal, the terminal's settings restored). A game that does neither
// within timeout_ms fails the test as hung.
bool answers_or_ended_in_order(PtyGame& game, int timeout_ms = 10000);

// Waits for the game to end and expects an orderly ending (exit status 0, or
// ended by an interrupt signal) and the terminal's settings exactly as they
// were before the game started.
void expect_ended_in_order(PtyGame& game, int timeout_ms = 5000);

// A game played one key at a time, each answered, as the soak, the storms
// and the random bytes play it. A game that ends must have ended in order.
struct RandomPlayer {
    std::mt19937 rng;
    std::unique_ptr<PtyGame> game;
    long keys = 0;
    int games = 0;
    int deaths = 0;
    int finales = 0;
    bool ended = false; // after the last key

    explicit RandomPlayer(unsigned seed) : rng(seed) {}
    // A new game in place of the one before.
    void start(int columns = 80, int rows = 24);
    // Sends the key; true once it is answered, false when the game ended.
    bool press(const std::string& key);
    // The same for a key already sent.
    bool answered();
    // Presses the key of the option with this label.
    bool choose(const std::string& label);
    // At the question after a death or the finale, if what the game wrote
    // asks it, chooses a new game; whether it asked.
    bool go_on(const std::string& written);
};
