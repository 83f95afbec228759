// Ending the game, signals, resizes, suspension and scripted play: the
// terminal is always left as it was found.
#include "support/pty_game.h"
#include "support/stdio_redirect.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

const char* const LAST_OPTION_OF_THE_BED = " 2: Sova\x1b[K\x1b[0;37;40m\r\n";

void expect_clean_end(PtyGame& game) {
    EXPECT_EQ(game.wait_exit(), 0);
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
}

class QuitKey : public testing::TestWithParam<std::string> {};

TEST_P(QuitKey, EndsTheGameAndRestoresTheTerminal) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.send(GetParam());
    expect_clean_end(game);
}

INSTANTIATE_TEST_SUITE_P(Keys, QuitKey, testing::Values("q", "Q", "\x1b", std::string(1, '\0')));

class QuitSignal : public testing::TestWithParam<int> {};

TEST_P(QuitSignal, EndsTheGameInOrder) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    double sent = now_ms();
    game.signal(GetParam());
    expect_clean_end(game);
    EXPECT_LT(now_ms() - sent, 1000);
}

INSTANTIATE_TEST_SUITE_P(Signals, QuitSignal, testing::Values(SIGINT, SIGQUIT, SIGTERM));

TEST(Session, TheInterruptKeyEndsTheGameInOrder) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.send("\x03"); // the terminal turns Ctrl-C into SIGINT
    expect_clean_end(game);
}

TEST(Session, ModeClearsOnlyCanonicalInputAndEcho) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    termios expected = game.initial_settings();
    expected.c_lflag &= ~(ICANON | ECHO);
    EXPECT_TRUE(same_settings(game.settings(), expected));
    game.send("q");
    expect_clean_end(game);
}

TEST(Session, AResizeWritesNothingAndTheNextTextWrapsAtTheNewWidth) {
    PtyGame game(80, 24);
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.resize(30, 24);
    EXPECT_EQ(game.read_for(200), "");
    game.send("2");
    // At 30 columns the answer breaks after "vaknar" (27 bytes with the ä).
    EXPECT_NE(
        game.read_until("samma säng.\x1b[K").find("Du somnar... När du vaknar\x1b[K\r\nmärker"),
        std::string::npos);
    game.send("q");
    expect_clean_end(game);
}

template <typename Condition>
bool eventually(PtyGame& game, Condition condition) {
    double deadline = now_ms() + 5000;
    while (!condition() && now_ms() < deadline)
        game.read_for(10);
    return condition();
}

TEST(Session, SuspendGivesTheTerminalBackAndContinueTakesItAgain) {
    PtyGame game(80, 24, VAKNA_BINARY, true);
    game.read_until(LAST_OPTION_OF_THE_BED);
    pid_t player = game.foreground();
    ASSERT_NE(player, game.pid());
    game.send("\x1a"); // the terminal turns Ctrl-Z into SIGTSTP
    ASSERT_TRUE(eventually(game, [&] { return process_state(player) == 'T'; }));
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));

    kill(player, SIGCONT);
    termios raw = game.initial_settings();
    raw.c_lflag &= ~(ICANON | ECHO);
    EXPECT_TRUE(eventually(game, [&] { return same_settings(game.settings(), raw); }));
    EXPECT_EQ(game.read_for(100), "") << "nothing is redrawn";
    game.send("2");
    game.read_until("Du somnar...");
    game.send("q");
    expect_clean_end(game);
}

// Started straight on the terminal, as a terminal emulator starts it, the
// game leads its own session: no shell could wake it, so the kernel never
// stops it, and it must go on in its own keyboard mode.
TEST(Session, SuspendKeyThatCannotStopTheGameLeavesItsKeyboardMode) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.send("\x1a");
    game.send("2"); // answered without Enter
    game.read_until("Du somnar...");
    termios raw = game.initial_settings();
    raw.c_lflag &= ~(ICANON | ECHO);
    EXPECT_TRUE(same_settings(game.settings(), raw));
    game.send("q");
    expect_clean_end(game);
}

std::string run_through_pipes(const char* keys, int* status) {
    std::string command = std::string("printf '") + keys + "' | " + VAKNA_BINARY;
    std::string out;
    FILE* game = popen(command.c_str(), "r");
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, game)) > 0;)
        out.append(chunk, n);
    *status = pclose(game);
    return out;
}

TEST(Session, ScriptedPlayThroughPipesPlaysEachKeyAndEndsAtTheEndOfInput) {
    int status = -1;
    std::string out = run_through_pipes("12", &status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(out.find("Du står lutad mot fönstret och tittar ut över den\x1b[K frusna sjön"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(" 4: Gå in genom fönstret"), std::string::npos);
}

TEST(Session, EmptyInputEndsTheGameAtOnce) {
    int status = -1;
    std::string out = run_through_pipes("", &status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(out.find("Kliva upp"), std::string::npos);
}

} // namespace
