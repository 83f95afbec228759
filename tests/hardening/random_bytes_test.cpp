// Random bytes through a pseudo-terminal, escape fragments, stray control
// bytes and invalid UTF-8 among them: whatever arrives, the game answers it
// or ends in order, and never hangs.
#include "hardening/hardening.h"
#include "support/pty_game.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Runs go out in chunks of about this many bytes, each answered before the
// next, so the terminal's input buffer never fills.
constexpr size_t CHUNK_BYTES = 16;

struct Feeding : RandomPlayer {
    long sent = 0;
    long answered_bytes = 0; // bytes the game had read at its last answer
    std::string last;        // the bytes sent last

    explicit Feeding(unsigned seed) : RandomPlayer(seed) { start(); }

    bool send(const std::string& bytes) {
        last = bytes;
        sent += static_cast<long>(bytes.size());
        if (!press(bytes))
            return false;
        answered_bytes = game->keys_read();
        return true;
    }
};

// Sends the runs in chunks, each answered before the next, until the game
// ends.
void feed_chunks(Feeding& feeding, const std::vector<std::string>& runs) {
    std::string chunk;
    for (size_t i = 0; i < runs.size() && !feeding.ended; ++i) {
        chunk += runs[i];
        if (chunk.size() >= CHUNK_BYTES || i + 1 == runs.size()) {
            feeding.send(chunk);
            chunk.clear();
        }
    }
}

// The keys of quit-free runs: an escape sequence whole, other bytes one by
// one.
std::vector<std::string> keys_of(const std::vector<std::string>& runs) {
    std::vector<std::string> keys;
    for (const std::string& run : runs) {
        if (run[0] == '\x1b')
            keys.push_back(run);
        else
            for (char byte : run)
                keys.emplace_back(1, byte);
    }
    return keys;
}

// Sends the keys one by one, going on to a new game whenever the game asks
// after a death or the finale, so only the keys themselves could end it.
void feed_keys_and_go_on(Feeding& feeding, const std::vector<std::string>& keys) {
    for (size_t i = 0; i < keys.size() && !feeding.ended; ++i)
        if (feeding.send(keys[i]))
            feeding.sent += feeding.go_on(feeding.game->read_for(0));
}

void report(const char* kind, unsigned seed, const Feeding& feeding) {
    std::printf("%s, seed %u: %ld bytes sent, %ld answered, %d new games, %s\n", kind, seed,
                feeding.sent, feeding.answered_bytes, feeding.games - 1,
                feeding.ended ? "ended by its input" : "ended by q");
}

class AnyBytes : public testing::TestWithParam<unsigned> {};
class QuitFreeBytes : public testing::TestWithParam<unsigned> {};

// Quit bytes come early among any bytes, so most of these games end soon;
// each ends in order.
TEST_P(AnyBytes, EndTheGameInOrder) {
    Feeding feeding(GetParam());
    feed_chunks(feeding, random_byte_runs(feeding.rng, 400, false));
    report("any bytes", GetParam(), feeding);
    if (!feeding.ended) {
        feeding.game->send("q");
        expect_ended_in_order(*feeding.game);
    }
}

// Without quit bytes nothing ends the game: it answers every byte, new games
// after death and the finale included, until the closing q.
TEST_P(QuitFreeBytes, NeverEndTheGame) {
    Feeding feeding(GetParam());
    feed_keys_and_go_on(feeding, keys_of(random_byte_runs(feeding.rng, 3000, true)));
    report("quit-free bytes", GetParam(), feeding);
    const std::string& transcript = feeding.game->transcript();
    EXPECT_FALSE(feeding.ended)
        << "ended after " << feeding.answered_bytes << " bytes, at \"" << escaped(feeding.last)
        << "\"; it wrote last: "
        << escaped(transcript.substr(transcript.size() - std::min<size_t>(600, transcript.size())));
    EXPECT_EQ(feeding.answered_bytes, feeding.sent);
    feeding.game->send("q");
    expect_ended_in_order(*feeding.game);
}

INSTANTIATE_TEST_SUITE_P(Seeds, AnyBytes, testing::Range(1u, seeds_end(32)));
INSTANTIATE_TEST_SUITE_P(Seeds, QuitFreeBytes, testing::Range(1u, seeds_end(8)));

} // namespace
