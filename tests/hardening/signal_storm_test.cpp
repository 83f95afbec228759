// Signals at random moments while keys and output flow, and resizes to any
// width from 1 to 300 between and during turns: the first interrupt ends the
// game in order within a second, and nothing else hangs it or loses output.
#include "hardening/hardening.h"
#include "support/pty_game.h"
#include "support/screen.h"
#include "support/stdio_redirect.h"
#include "support/utf8_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <thread>

namespace {

constexpr int INTERRUPT_SIGNALS[] = {SIGINT, SIGTERM, SIGQUIT};
constexpr int MAX_WIDTH = 300;
// Below this width an option's prefix and one character of its label fill
// the line, and lines may overrun it.
constexpr int NARROWEST_CHECKED_WIDTH = 10;

void pause_us(int microseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

// The longest row of an answer in characters, as a terminal far wider than
// any width the game is told shows it: a paragraph that fills its line
// exactly is joined to the next text by a space just past the edge before
// the break, which a row's text leaves out, as the terminal's last column
// would. A row past the model's width wraps, still longer than any width.
int longest_line(const std::string& output) {
    int rows = static_cast<int>(std::count(output.begin(), output.end(), '\n')) + 2;
    Screen screen = screen_play(output, 2 * MAX_WIDTH + 1, rows);
    int longest = 0;
    for (int row = 0; row < rows; ++row)
        longest = std::max(longest, utf8_character_count(screen.text(row)));
    return longest;
}

// Plays random keys and resizes the terminal between and during turns. A
// game that ends (the questions after death and the finale cannot be read
// at every width, so random keys may decline to go on) must have ended in
// order, and a new one takes its place.
struct StormPlayer : RandomPlayer {
    int width = 1 + below(rng, MAX_WIDTH);
    int resizes = 0;
    int checked_lines = 0;

    explicit StormPlayer(unsigned seed) : RandomPlayer(seed) { start(); }

    void start() { RandomPlayer::start(width, 1 + below(rng, 100)); }

    void resize() {
        width = 1 + below(rng, MAX_WIDTH);
        game->resize(width, 1 + below(rng, 100));
        ++resizes;
    }

    // One key, with a resize before it or during its answer now and then;
    // an answer laid out wholly at one width keeps every line within it.
    void play_key() {
        if (below(rng, 4) == 0)
            resize();
        int laid_out_at = width;
        std::string key = random_key(rng);
        game->send(key);
        bool resized_during = below(rng, 4) == 0;
        for (int n = resized_during ? 1 + below(rng, 3) : 0; n > 0; --n)
            resize();
        if (!answered()) {
            ASSERT_FALSE(testing::Test::HasFailure())
                << "key " << keys << " (" << escaped(key) << ") at width " << width;
            start();
            return;
        }
        std::string written = game->read_for(0);
        if (!resized_during && laid_out_at >= NARROWEST_CHECKED_WIDTH) {
            EXPECT_LE(longest_line(written), laid_out_at) << escaped(written);
            ++checked_lines;
        }
    }
};

class ResizeStorm : public testing::TestWithParam<unsigned> {};

TEST_P(ResizeStorm, PlayGoesOnAtEveryWidth) {
    StormPlayer player(GetParam());
    while (player.keys < 600 && !testing::Test::HasFailure())
        player.play_key();
    std::printf("resize storm, seed %u: %ld keys, %d resizes, %d games, %d answers measured\n",
                GetParam(), player.keys, player.resizes, player.games, player.checked_lines);
    player.game->send("q");
    expect_ended_in_order(*player.game);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ResizeStorm, testing::Range(1u, seeds_end(4)));

// After some play, a handful of keys goes out at once, sometimes with half
// an escape sequence behind them, and while the game works through them the
// storm comes: an interrupt-class signal first, then more signals and
// resizes of every kind.
class InterruptStorm : public testing::TestWithParam<unsigned> {};

TEST_P(InterruptStorm, TheFirstInterruptEndsTheGameInOrderWithinASecond) {
    StormPlayer player(GetParam());
    for (int n = below(player.rng, 30); n > 0 && !testing::Test::HasFailure(); --n)
        player.play_key();
    ASSERT_FALSE(testing::Test::HasFailure());
    PtyGame& game = *player.game;
    std::mt19937& rng = player.rng;

    std::string burst;
    for (int n = below(rng, 8); n > 0; --n)
        burst += random_key(rng);
    bool half_sequence = below(rng, 3) == 0;
    game.send(half_sequence ? burst + "\x1b[" : burst);
    pause_us(below(rng, 3000));
    double first = now_ms();
    game.signal(INTERRUPT_SIGNALS[below(rng, 3)]);
    for (int n = below(rng, 6); n > 0; --n) {
        pause_us(below(rng, 500));
        if (below(rng, 3) == 0)
            player.resize();
        else
            game.signal(below(rng, 2) == 0 ? SIGWINCH : INTERRUPT_SIGNALS[below(rng, 3)]);
    }
    if (half_sequence)
        game.send("B");
    int status = game.wait_exit(5000);
    double took = now_ms() - first;
    std::printf("interrupt storm, seed %u: width %d, %ld keys played, %zu bytes in the burst%s;"
                " ended %.0f ms after the first interrupt\n",
                GetParam(), player.width, player.keys, burst.size(),
                half_sequence ? " and half a sequence" : "", took);
    EXPECT_LT(took, 1000);
    EXPECT_TRUE(ended_in_order(status)) << status;
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
}

INSTANTIATE_TEST_SUITE_P(Seeds, InterruptStorm, testing::Range(1u, seeds_end(16)));

// Waits until the game has read the first bytes of a sequence and sits in
// the wait for the rest.
bool half_read(PtyGame& game) {
    game.send("\x1b[");
    eventually([&] { return game.keys_read() >= 2; }, 2000, [&] { game.read_for(1); });
    return game.keys_read() == 2;
}

class HalfSequence : public testing::TestWithParam<int> {};

TEST_P(HalfSequence, AnInterruptBeforeItsLastByteEndsTheGameInOrder) {
    PtyGame game;
    ASSERT_TRUE(game.settle());
    ASSERT_TRUE(half_read(game));
    double sent = now_ms();
    game.signal(GetParam());
    game.send("B");
    int status = game.wait_exit(5000);
    EXPECT_LT(now_ms() - sent, 1000);
    EXPECT_TRUE(ended_by(status, GetParam())) << status;
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
}

INSTANTIATE_TEST_SUITE_P(Signals, HalfSequence, testing::ValuesIn(INTERRUPT_SIGNALS));

// A resize cuts the sequence short as any signal does; the key reader then
// reports a lone escape, which ends the game, but in order.
TEST(HalfSequence, AResizeBeforeItsLastByteNeverHangsTheGame) {
    PtyGame game;
    ASSERT_TRUE(game.settle());
    ASSERT_TRUE(half_read(game));
    game.resize(40, 24);
    game.send("B");
    bool went_on = answers_or_ended_in_order(game);
    std::printf("a resize in the middle of a sequence %s the game\n",
                went_on ? "did not end" : "ended");
    if (went_on) {
        game.send("q");
        expect_ended_in_order(game);
    }
}

// A hundred quits, each inside a storm of continues, stops and resizes: no
// signal takes the keyboard mode again once the end has given it back.
TEST(QuitUnderSignals, EveryEndLeavesTheTerminalsSettingsAsTheyWere) {
    std::mt19937 rng(21);
    for (int round = 0; round < 100 && !testing::Test::HasFailure(); ++round) {
        PtyGame game;
        ASSERT_TRUE(game.settle());
        std::thread storm([&game, seed = rng()] {
            std::mt19937 local(seed);
            for (int n = 0; n < 40; ++n) {
                game.signal(std::array{SIGCONT, SIGWINCH, SIGTSTP}[below(local, 3)]);
                pause_us(below(local, 200));
            }
        });
        pause_us(below(rng, 4000));
        game.send("q");
        storm.join();
        EXPECT_TRUE(ended_in_order(game.wait_exit())) << "round " << round;
        EXPECT_TRUE(same_settings(game.settings(), game.initial_settings())) << "round " << round;
    }
}

// Plays the bed's repeatable second option again and again at a width that makes its
// answers long; returns all the game wrote before the closing q.
std::string sleep_again_and_again(int storm_signals, bool non_blocking = false) {
    PtyGame game(2, 24);
    EXPECT_TRUE(game.settle());
    // As another program sharing the terminal makes it (dd iflag=nonblock).
    if (non_blocking)
        fcntl(game.slave(), F_SETFL, fcntl(game.slave(), F_GETFL) | O_NONBLOCK);
    game.send(std::string(300, '2'));
    // Not reading, so the game's writes soon block on the full terminal.
    for (int n = 0; n < storm_signals; ++n) {
        game.signal(n % 2 == 0 ? SIGWINCH : SIGCONT);
        pause_us(300);
    }
    EXPECT_TRUE(game.settle());
    std::string written = game.transcript();
    game.send("q");
    expect_ended_in_order(game);
    return written;
}

TEST(OutputUnderSignals, ResizeAndContinueSignalsWhileOutputIsBlockedLoseNothing) {
    std::string quiet = sleep_again_and_again(0);
    std::string stormy = sleep_again_and_again(3000); // a continue without a stop draws nothing
    ASSERT_GT(quiet.size(), 100000u) << "too little output to fill the terminal";
    EXPECT_TRUE(quiet == sleep_again_and_again(3000, true)) << "on a non-blocking terminal";
    size_t differ = std::mismatch(quiet.begin(), quiet.end(), stormy.begin(), stormy.end()).first -
                    quiet.begin();
    EXPECT_TRUE(quiet == stormy) << "the output differs from byte " << differ << " of "
                                 << quiet.size() << " (" << stormy.size() << " under the storm)";
}

// Made non-blocking mid-game, read slowly and resized again and again: the
// game waits for its terminal and plays on.
TEST(OutputUnderSignals, ATerminalMadeNonBlockingMidGameIsWaitedForThroughResizes) {
    PtyGame game(2, 24);
    ASSERT_TRUE(game.settle());
    fcntl(game.slave(), F_SETFL, fcntl(game.slave(), F_GETFL) | O_NONBLOCK);
    game.send(std::string(300, '2'));
    for (int n = 0; n < 400; ++n) {
        game.resize(2 + n % 2, 24);
        pause_us(500);
        if (n % 40 == 0)
            game.read_for(0);
    }
    EXPECT_TRUE(game.settle(30000));
    EXPECT_EQ(game.transcript().find("vakna:"), std::string::npos);
    game.send("q");
    expect_ended_in_order(game);
}

} // namespace
