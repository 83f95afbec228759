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

struct Feeding {
    long sent = 0;
    long answered = 0; // bytes the game had read at its last answer
    int new_games = 0;
    bool ended = false;
    std::string last; // the bytes sent last
};

void send_and_wait(PtyGame& game, const std::string& bytes, Feeding& feeding) {
    game.send(bytes);
    feeding.last = bytes;
    feeding.sent += static_cast<long>(bytes.size());
    if (answers_or_ended_in_order(game))
        feeding.answered = game.keys_read();
    else
        feeding.ended = true;
}

// Sends the runs in chunks, each answered before the next, until the game
// ends.
Feeding feed_chunks(PtyGame& game, const std::vector<std::string>& runs) {
    Feeding feeding;
    std::string chunk;
    for (size_t i = 0; i < runs.size() && !feeding.ended; ++i) {
        chunk += runs[i];
        if (chunk.size() >= CHUNK_BYTES || i + 1 == runs.size()) {
            send_and_wait(game, chunk, feeding);
            chunk.clear();
        }
    }
    return feeding;
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
Feeding feed_keys_and_go_on(PtyGame& game, const std::vector<std::string>& keys) {
    Feeding feeding;
    for (size_t i = 0; i < keys.size() && !feeding.ended; ++i) {
        send_and_wait(game, keys[i], feeding);
        Question question = question_in(game.read_for(0));
        if (question != Question::NONE && !feeding.ended) {
            int key = game.choose(new_game_label(question));
            feeding.sent += 1;
            feeding.ended = !answers_or_ended_in_order(game);
            feeding.new_games += key != 0;
        }
    }
    return feeding;
}

void report(const char* kind, unsigned seed, const Feeding& feeding) {
    std::printf("%s, seed %u: %ld bytes sent, %ld answered, %d new games, %s\n", kind, seed,
                feeding.sent, feeding.answered, feeding.new_games,
                feeding.ended ? "ended by its input" : "ended by q");
}

class AnyBytes : public testing::TestWithParam<unsigned> {};
class QuitFreeBytes : public testing::TestWithParam<unsigned> {};

// Quit bytes come early among any bytes, so most of these games end soon;
// each ends in order.
TEST_P(AnyBytes, EndTheGameInOrder) {
    std::mt19937 rng(GetParam());
    PtyGame game;
    ASSERT_TRUE(game.settle()) << "no first listing";
    Feeding feeding = feed_chunks(game, random_byte_runs(rng, 400, false));
    report("any bytes", GetParam(), feeding);
    if (!feeding.ended) {
        game.send("q");
        expect_ended_in_order(game);
    }
}

// Without quit bytes nothing ends the game: it answers every byte, new games
// after death and the finale included, until the closing q.
TEST_P(QuitFreeBytes, NeverEndTheGame) {
    std::mt19937 rng(GetParam());
    PtyGame game;
    ASSERT_TRUE(game.settle()) << "no first listing";
    Feeding feeding = feed_keys_and_go_on(game, keys_of(random_byte_runs(rng, 3000, true)));
    report("quit-free bytes", GetParam(), feeding);
    EXPECT_FALSE(feeding.ended) << "ended after " << feeding.answered << " bytes, at \""
                                << escaped(feeding.last) << "\"; it wrote last: "
                                << escaped(game.transcript().substr(
                                       game.transcript().size() -
                                       std::min<size_t>(600, game.transcript().size())));
    EXPECT_EQ(feeding.answered, feeding.sent);
    game.send("q");
    expect_ended_in_order(game);
}

INSTANTIATE_TEST_SUITE_P(Seeds, AnyBytes, testing::Range(1u, seeds_end(32)));
INSTANTIATE_TEST_SUITE_P(Seeds, QuitFreeBytes, testing::Range(1u, seeds_end(8)));

} // namespace
