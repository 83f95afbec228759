// Ending the game, signals, resizes, suspension and scripted play: the
// terminal is always left as it was found.
#include "support/pty_game.h"
#include "support/roads.h"
#include "support/stdio_redirect.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string LAST_OPTION_OF_THE_BED = last_option_line(BED_MENU);
const std::string BED_LIST = listing(BED_MENU);
const std::string END_AT_THE_BED = end_of_list(BED_MENU.size());
const std::string LAST_OPTION_OF_THE_ROOM = last_option_line(ROOM_MENU);
// The bed's second option highlighted.
const std::string SECOND_LIT = option_line(1, BED_MENU[1], true);

using ::eventually;
bool eventually(PtyGame& game, const std::function<bool()>& condition) {
    return eventually(condition, 20000, [&] { game.read_for(10); });
}

class QuitKey : public testing::TestWithParam<std::string> {};

TEST_P(QuitKey, EndsTheGameAndRestoresTheTerminal) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.send(GetParam());
    expect_clean_end(game);
    EXPECT_EQ(game.read_for(0), END_AT_THE_BED);
}

INSTANTIATE_TEST_SUITE_P(Keys, QuitKey, testing::Values("q", "Q", "\x1b"));

// Alt plus a key does nothing, nor does a held Esc and then Delete; an ESC
// that breaks a sequence begins the next key; a sequence that a slow link
// cuts acts as its key within a second, and is dropped past it, the late
// byte then a key of its own; Esc and then q a moment apart quit once.
TEST(Session, AltKeysDoNothingAndSlowSequencesKeepTheirMeaning) {
    PtyGame game;
    ASSERT_TRUE(game.settle());
    game.send("1");
    game.read_until(LAST_OPTION_OF_THE_ROOM);
    game.send("\x1bx\x1b\x31\x1b\n\x1b\x1b\x1b[3~"); // Alt+x, Alt+1, Alt+Enter, Esc Esc Delete
    EXPECT_EQ(game.read_settled(), "");
    ProcessIo before = process_io(game.pid());
    long long keys_before = game.keys_read();
    game.send("\x1b[");
    // Read and waited on for its rest, it has drawn nothing.
    EXPECT_TRUE(eventually(game, [&] { return game.keys_read() == keys_before + 2; }));
    EXPECT_EQ(process_io(game.pid()).written, before.written);
    game.send("\x1b[B"); // Alt+[, then Down
    game.read_until(option_line(1, ROOM_MENU[1], true));
    game.send("\x1b[b\x1bOb"); // rxvt's Shift+Down and Ctrl+Down
    game.read_until(option_line(3, ROOM_MENU[3], true));
    game.send("\x1bOa\x1bOa"); // rxvt's Ctrl+Up
    game.read_until(option_line(1, ROOM_MENU[1], true));
    game.send("\x1b[");
    EXPECT_EQ(game.read_settled(), "");
    game.send("B"); // a plain B: the previous option
    game.read_until(option_line(0, ROOM_MENU[0], true));
    game.send("\x1b");
    game.read_for(30);
    expect_quit(game);
}

// Each key arrives alone even where an earlier program left VMIN at 3, and
// each answer waits for a terminal that another program left non-blocking
// (dd does) while it is slow to take far more than it holds; both settings
// are given back.
TEST(Session, EveryKeyIsAnsweredWhateverMinimumTheTerminalHad) {
    PtyGame game(
        {"/bin/sh", "-c",
         std::string("stty min 3; dd iflag=nonblock count=0 2>/dev/null; exec ") + VAKNA_BINARY});
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.send(keys::DOWN);
    game.read_until(SECOND_LIT);
    game.send(std::string(1000, '2'));
    usleep(500000);
    game.send("q");
    EXPECT_EQ(game.wait_exit(), 0);
    EXPECT_EQ(game.settings().c_cc[VMIN], 3);
    EXPECT_TRUE(fcntl(game.slave(), F_GETFL) & O_NONBLOCK);
    size_t answers = 0;
    for (size_t at = 0; (at = game.transcript().find(SLEEP_TEXT, at + 1)) != std::string::npos;)
        answers++;
    EXPECT_EQ(answers, 1000u);
}

// The same orderly end as a quit key, and then the parent learns which
// signal ended the game, so that a script stops at it, even where the parent
// blocked it, and the moment the mode changes; kill -USR1 or a crash gives
// the settings and colours back.
class QuitSignal : public testing::TestWithParam<int> {};

TEST_P(QuitSignal, EndsTheGameInOrderAndTellsTheParent) {
    const std::string game_without_core = std::string("ulimit -c 0; exec ") + VAKNA_BINARY;
    for (int tries = 0; tries < 12; ++tries) {
        PtyGame early({"/bin/sh", "-c", game_without_core});
        for (double end = now_ms() + 5000; (early.settings().c_lflag & ICANON) && now_ms() < end;) {
        }
        early.signal(GetParam());
        EXPECT_TRUE(ended_by(early.wait_exit(), GetParam()));
        EXPECT_TRUE(same_settings(early.settings(), early.initial_settings()));
    }
    PtyGame game({"/usr/bin/env", "--block-signal=HUP,INT,QUIT,TERM,USR1,ABRT", "/bin/sh", "-c",
                  game_without_core});
    game.read_until(LAST_OPTION_OF_THE_BED);
    double sent = now_ms();
    game.signal(GetParam());
    int status = game.wait_exit();
    EXPECT_LT(now_ms() - sent, 1000);
    EXPECT_TRUE(ended_by(status, GetParam())) << status;
    EXPECT_FALSE(WCOREDUMP(status));
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
    bool fatal = GetParam() == SIGUSR1 || GetParam() == SIGABRT;
    EXPECT_EQ(game.read_for(0), fatal ? std::string("\x1b[0m\x1b[?2004l") : END_AT_THE_BED);
}

INSTANTIATE_TEST_SUITE_P(Signals, QuitSignal,
                         testing::Values(SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGUSR1, SIGABRT));

// Nothing reads the terminal, or Ctrl-S has stopped it in the plain mode:
// the game's writes wait, and an ending or a fatal signal still ends it at
// once, what was queued dropped and the terminal's own colours and paste
// mode back.
TEST(Session, AnEndingSignalEndsAGameWhoseTerminalTakesNothing) {
    for (auto [plain, signal_number] :
         {std::pair{false, SIGTERM}, {true, SIGTERM}, {false, SIGUSR1}}) {
        PtyGame game({VAKNA_BINARY, plain ? "-p" : "--"}, 2, 24);
        ASSERT_TRUE(game.settle());
        game.send(plain ? "\x13" + std::string(3000, '\n') : std::string(300, '2'));
        usleep(300000);
        game.signal(signal_number);
        double sent = now_ms();
        eventually([&] { return has_ended(game.pid()); }, 3000, [] { usleep(1000); });
        EXPECT_LT(now_ms() - sent, 1000) << plain;
        EXPECT_TRUE(ended_by(game.wait_exit(), signal_number)) << plain;
        EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
        std::string reset =
            signal_number == SIGTERM ? "\x1b[0m\x1b[J\x1b[?2004l" : "\x1b[0m\x1b[?2004l";
        EXPECT_TRUE(plain || game.transcript().ends_with(reset)) << signal_number;
    }
}

TEST(Session, AResizeInTheMiddleOfAnArrowKeyDoesNotEndTheGame) {
    PtyGame game;
    ASSERT_TRUE(game.settle());
    game.send("\x1b[");
    game.resize(60, 24);
    game.send("B");
    game.read_until(SECOND_LIT);
    // A paste does nothing, however slowly it comes; a new size meanwhile
    // is drawn at once, and the paste goes on being dropped.
    game.send("\x1b[200~q1\n\x1b[A");
    ASSERT_TRUE(game.settle());
    game.read_for(0);
    size_t before = game.transcript().size();
    game.resize(70, 24);
    ASSERT_TRUE(game.settle());
    game.read_for(0);
    EXPECT_NE(game.transcript().find("\x1b[2J", before), std::string::npos);
    // Nor can the kernel stop a game that leads its own session: a stop
    // inside the paste gives the terminal back and takes it again at once.
    game.signal(SIGTSTP);
    game.read_until("\x1b[?2004h");
    game.send("2\x1b[201~");
    EXPECT_EQ(game.read_settled(), "");
    expect_quit(game);
}

TEST(Session, TheInterruptKeyEndsTheGameInOrder) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.send("\x03"); // the terminal turns Ctrl-C into SIGINT
    EXPECT_TRUE(ended_by(game.wait_exit(), SIGINT));
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
}

TEST(Session, ModeClearsOnlyCanonicalInputEchoAndFlowControl) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    ASSERT_TRUE(game.initial_settings().c_iflag & IXON);
    EXPECT_TRUE(same_settings(game.settings(), game_mode(game.initial_settings())));
    game.send("\x13" + keys::DOWN); // Ctrl-S freezes nothing
    game.read_until(SECOND_LIT);
    expect_quit(game);
}

// The turns as a fresh game at the same size draws them, each with the
// empty line that stood above its list.
std::string turns_along(const Labels& road, int columns) {
    std::string all;
    for (const std::string& turn : turns_in(drawn_along(road, columns)))
        all += turn + "\r\n\r\n";
    return all;
}

TEST(Session, ANewSizeDrawsTheScreenAgainAsItWas) {
    const Labels to_the_window = {SLEEP, GET_UP, TAKE_ICE_DRILL, OUT_OF_THE_WINDOW};
    const Labels to_a_new_game = concat({to_the_window, FROM_THE_WINDOW_TO_A_DEATH, {GO_ON}});
    const Labels turns_at_80 = turns_in(drawn_along(to_a_new_game, 80));
    const Labels turns_at_30 = turns_in(drawn_along({SLEEP}, 30));
    // Each drawing begins where the cursor rested, on the lit label.
    const std::string bed_at_80 = "\r\x1b[2J\x1b[1;1H" + turns_at_80.at(0) + "\r\n\r\n";
    // Taken even where the parent ignored or blocked them.
    PtyGame game(
        {"/usr/bin/env", "--ignore-signal=CONT,WINCH", "--block-signal=WINCH", VAKNA_BINARY}, 80,
        24);
    ASSERT_TRUE(game.settle());
    game.read_for(0);
    game.signal(SIGCONT);
    EXPECT_EQ(game.read_settled(), "") << "a continue without a stop redraws nothing";
    game.resize(80, 30); // a height alone: a window that grows shows old lines at its top
    EXPECT_EQ(game.read_until(LAST_OPTION_OF_THE_BED), bed_at_80 + BED_LIST);
    game.resize(80, 2); // cleared as at the start: the turn, and what the window holds of the list
    EXPECT_EQ(game.read_until(option_line(0, BED_MENU[0], true)),
              bed_at_80 + option_line(0, BED_MENU[0], true));
    game.resize(30, 30);
    // A line that fills the last column has no erase. The cursor rested on
    // the one option the two rows held.
    const std::string bed_at_30 = "\x1b[A\x1b[4C\r\x1b[2J\x1b[1;1H" + turns_at_30.at(0) +
                                  "\r\n\r\n" + listing_at(BED_MENU, 30);
    EXPECT_EQ(game.read_until(bed_at_30), bed_at_30);
    // So narrow that the first option takes two lines: the moves follow
    // the new counts from then on.
    game.resize(10, 30);
    std::string ups;
    for (size_t i = BED_MENU.size(); i-- > 0;) {
        size_t lines = label_lines(BED_MENU[i], 10).size();
        ups += lines == 1 ? "\x1b[A" : "\x1b[" + std::to_string(lines) + "A";
    }
    ASSERT_GT(label_lines(BED_MENU[0], 10).size(), 1u);
    game.read_until(listing_at(BED_MENU, 10) + ups + "\x1b[4C");
    game.send(keys::DOWN);
    const std::string second_lit = option_lines(1, BED_MENU[1], 10, true);
    EXPECT_EQ(game.read_until(second_lit), "\r" + option_lines(0, BED_MENU[0], 10) + second_lit);
    game.resize(30, 30);
    game.read_until(listing_at(BED_MENU, 30, 1));
    game.send(std::to_string(number_in(BED_MENU, SLEEP)));
    // The answer laid out at 30 columns.
    EXPECT_NE(game.read_settled().find(turns_at_30.at(1)), std::string::npos);
    // The turns that led to the menu, oldest first, each with the empty line
    // that stood above its list; a death and a new game end none of them.
    for (const std::string& label : {GET_UP, TAKE_ICE_DRILL, OUT_OF_THE_WINDOW})
        game.choose(label_lines(label, 30).at(0));
    ASSERT_TRUE(game.settle());
    game.read_for(0);
    game.resize(40, 30);
    game.read_until("\x1b[2J");
    const std::string turns_at_40 = "\x1b[1;1H" + turns_along(to_the_window, 40) + " 1: ";
    EXPECT_EQ(game.read_until(turns_at_40), turns_at_40);
    for (const std::string& label : concat({FROM_THE_WINDOW_TO_A_DEATH, {GO_ON}}))
        game.choose(label_lines(label, 40).at(0));
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.resize(80, 30);
    std::string again = game.read_until(LAST_OPTION_OF_THE_BED);
    EXPECT_EQ(again.find(bed_at_80), 0u) << escaped(again);
    const std::string death = turns_at_80.at(turns_at_80.size() - 2);
    EXPECT_NE(again.find(death + "\r\n\r\n" + turns_at_80.back() + "\r\n\r\n"), std::string::npos);
    expect_quit(game);
}

// Turns enough to fill the store, written again one letter a line, and the
// window back at its old size a little later each time, so that now and
// then it comes while they are drawn: a drawing keeps the size it measured,
// and the resize noted meanwhile brings one more, so the screen always ends
// as a redraw at the final size draws it.
TEST(Session, AResizeWhileTheScreenIsDrawnAgainEndsAtTheNewestSize) {
    PtyGame game(30, 100);
    ASSERT_TRUE(game.settle());
    const std::string sleep_key =
        std::to_string(1 + std::find(BED_MENU.begin(), BED_MENU.end(), SLEEP) - BED_MENU.begin());
    game.send(repeated(sleep_key, 300));
    ASSERT_TRUE(game.settle(60000));
    auto last_drawing = [&game] {
        const std::string& all = game.transcript();
        return all.substr(all.rfind("\x1b[2J"));
    };
    game.read_for(0);
    game.resize(31, 100);
    game.read_until(listing_end(BED_MENU, 31), 20000);
    game.resize(30, 100);
    game.read_until(listing_end(BED_MENU, 30), 20000);
    ASSERT_TRUE(game.settle(20000));
    const std::string at_30 = last_drawing();
    for (int round = 0; round < 40; round++) {
        game.resize(1, 1);
        usleep(50 * round);
        game.resize(30, 100);
        ASSERT_TRUE(game.settle(20000));
        game.read_for(0);
        EXPECT_EQ(last_drawing(), at_30) << round;
    }
    expect_quit(game);
}

TEST(Session, SuspendGivesTheTerminalBackAndContinueTakesItAgain) {
    PtyGame game(80, 24, VAKNA_BINARY, true);
    game.read_until(LAST_OPTION_OF_THE_BED);
    pid_t player = game.foreground();
    ASSERT_NE(player, game.pid());
    size_t before = game.transcript().size();
    game.send("\x1a"); // the terminal turns Ctrl-Z into SIGTSTP
    ASSERT_TRUE(eventually(game, [&] { return proc_state(player) == 'T'; }));
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
    game.read_for(0); // the terminal holds all it wrote before the stop
    // The highlight goes out, the cursor below the list, the shell's colours.
    EXPECT_EQ(game.transcript().substr(before), "\r" + option_line(0, BED_MENU[0]) +
                                                    repeated("\x1b[B", BED_MENU.size() - 1) +
                                                    "\x1b[0m\x1b[?2004l");

    before = game.transcript().size();
    kill(player, SIGCONT);
    termios raw = game_mode(game.initial_settings());
    EXPECT_TRUE(eventually(game, [&] { return same_settings(game.settings(), raw); }));
    EXPECT_TRUE(eventually(game, [&] {
        return game.transcript().find(LAST_OPTION_OF_THE_BED, before) != std::string::npos;
    }));
    // The game's colours again, then the whole list from the line where the
    // shell left the cursor, the highlight where it was.
    EXPECT_EQ(game.transcript().substr(before),
              std::string("\x1b[?2004h\x1b[0;37;40m\r") + BED_LIST);
    game.send("2");
    game.read_until(SLEEP_TEXT);
    expect_quit(game);
}

// Through a pipe (vakna | tee FILE) the game measures the terminal it reads
// its keys from. Stopped, it gets no SIGWINCH, since the shell has the
// terminal: the list is drawn at the width the window has when it goes on.
TEST(Session, ThroughAPipeAndAfterAStopTheWidthIsTheTerminalsAsItIsNow) {
    const std::string bed_at_50 = turns_in(drawn_along({}, 50)).at(0);
    const std::string screen_at_10 = first_screen(10);
    PtyGame game({"/bin/bash", "--norc", "-i"}, 50);
    game.send(std::string(VAKNA_BINARY) + " | cat\n");
    EXPECT_NE(game.read_until(listing_at(BED_MENU, 50)).find(bed_at_50), std::string::npos);
    game.send("\x1a");
    game.read_until("Stopped");
    game.resize(10, 24);
    game.send("fg\n");
    // A new width: the screen cleared and the turn written again at it.
    std::string drawn = game.read_until(screen_at_10);
    EXPECT_NE(drawn.find(screen_at_10), std::string::npos);
    EXPECT_NE(drawn.find("\n\r\n" + option_lines(0, BED_MENU[0], 10, true)), std::string::npos);
}

// The shell's report of how the current job ended, which comes once the
// shell has taken its status, whenever that is.
void expect_end(PtyGame& game, const std::string& command, const std::string& report) {
    game.send(command + " p=$(jobs -p %%); while [ -e /proc/$p ]; do sleep 0.1; done\n");
    game.read_until(report, 30000);
}

// As a job of an interactive shell: Ctrl-Z after a move puts the cursor
// below the list first, so the shell writes under its last option; bg stops
// the game again, since it needs its terminal; fg draws the list again; and
// kill %1 ends the stopped game at once, by SIGTERM itself. Stopped
// from outside, it finds the shell's line mode at fg and takes its own
// again. In the plain mode kill %1 ends it after bg, and where tostop has
// stopped it at its first write; and its end in the background touches
// nothing that would stop it.
TEST(Session, AsAShellsJobItStopsBelowItsListKeepsOutOfTheBackgroundAndEndsByKill) {
    const std::string vakna = VAKNA_BINARY;
    PtyGame game({"/bin/bash", "--norc", "-i"});
    game.send(vakna + "\n");
    game.read_until(LAST_OPTION_OF_THE_BED);
    pid_t player = game.foreground();
    game.send("1");
    game.read_until(LAST_OPTION_OF_THE_ROOM);
    game.send(keys::DOWN);
    game.read_until(option_line(1, ROOM_MENU[1], true));
    game.send("\x1a");
    std::string stop = game.read_until("Stopped");
    EXPECT_NE(stop.find("\x1b[B\x1b[B\x1b[0m\x1b[?2004l\r\n"), std::string::npos) << escaped(stop);
    // Stopped again by the terminal after bg: it ran since the stop above.
    ASSERT_TRUE(eventually(game, [&] { return proc_state(player) == 'T'; }));
    long long switches = proc_switches(player);
    game.send("bg\n");
    game.read_until("&");
    EXPECT_TRUE(eventually(
        game, [&] { return proc_state(player) == 'T' && proc_switches(player) > switches; }));
    game.send("fg\n");
    EXPECT_NE(game.read_until(listing(ROOM_MENU, 1)).find("\r 1: " + ROOM_MENU[0]),
              std::string::npos);
    game.send("\x1a");
    game.read_until("Stopped");
    expect_end(game, "kill %%;", "Terminated");

    // Started in the background with SIGTTOU ignored, it waits for fg
    // untouched; a continue it ignored would leave the shell's mode.
    game.send("set -b; env --ignore-signal=TTOU,TTIN,CONT " + vakna + " &\n");
    EXPECT_EQ(game.read_until("Stopped").find("Pl"), std::string::npos);
    game.send("fg\n");
    game.read_until(LAST_OPTION_OF_THE_BED);
    player = game.foreground();
    kill(player, SIGSTOP);
    game.read_until("Stopped");
    game.send("fg\n");
    EXPECT_NE(game.read_until(BED_LIST).find(std::string("\x1b[?2004h\x1b[0;37;40m\r") + BED_LIST),
              std::string::npos);
    game.send(keys::DOWN);
    game.read_until(SECOND_LIT);
    game.send("q");
    EXPECT_TRUE(eventually(game, [&] { return has_ended(player); }));

    game.send(vakna + " -p\n");
    game.read_until("sluta: ");
    game.send("\x1a");
    game.read_until("Stopped");
    game.send("bg\n");
    game.read_until("&");
    expect_end(game, "kill %%;", "Terminated");
    expect_end(game, "stty tostop; " + vakna + " -p & wait $!; kill %%;", "Terminated");
    expect_end(game, "stty -tostop; " + vakna + " -p > /dev/full &", "Exit 74");
}

// Closes the terminal's other side, as a window that closes does, keeping
// the descriptor's number taken.
void hang_up(PtyGame& game) {
    int nothing = open("/dev/null", O_WRONLY);
    dup2(nothing, game.master());
    close(nothing);
}

// The window closed with an interactive shell between it and the game: the
// game sees the hang-up before the SIGHUP that the shell sends its jobs, and
// ends quietly as SIGHUP ends it, in either mode; and so without the signal
// (ignored from the start), by the terminal's hang-up alone.
TEST(Session, AHangUpEndsTheGameAsSighupDoesQuietly) {
    for (auto [trap, option] : {std::pair{":", ""}, {":", " -p"}, {"\"\"", ""}}) {
        std::string ended = testing::TempDir() + "vakna-hang-up";
        unlink((ended + ".status").c_str());
        PtyGame game({"/bin/bash", "--norc", "-i"});
        // (Without the signal the game exits, and the leak check of a sanitized
        // game, which stops the game by ptrace, at times never ends there.)
        game.send("sh -c 'trap " + std::string(trap) + " HUP; ASAN_OPTIONS=detect_leaks=0 " +
                  VAKNA_BINARY + option + " 2> " + ended + ".err; echo $? > " + ended +
                  ".status'\n");
        game.read_until(*option == '\0' ? LAST_OPTION_OF_THE_BED : "sluta: ");
        hang_up(game);
        eventually([&] { return !read_file(ended + ".status").empty(); });
        EXPECT_EQ(read_file(ended + ".status"), "129\n") << option;
        // (Only the shell's report of the signal, "Hangup", may stand there.)
        EXPECT_EQ(read_file(ended + ".err").find("vakna"), std::string::npos) << option;
    }
}

// A paste still arriving after the quit, and then the window closes: the
// end's discard of unread keys stops at the hang-up instead of running on,
// and the game ends as after any hang-up, also with SIGHUP ignored.
TEST(Session, AHangUpEndsTheDiscardOfUnreadKeysAtOnce) {
    PtyGame game({"/bin/sh", "-c", std::string("trap '' HUP; exec ") + VAKNA_BINARY});
    game.read_until(LAST_OPTION_OF_THE_BED);
    pid_t paster = fork();
    for (int n = 0; paster == 0; n++)
        if (n == 1000 || write(game.master(), n == 0 ? "q" : "x", 1) < 0 || usleep(2000) < 0)
            _exit(0);
    game.read_until("\x1b[J");
    usleep(100000);
    kill(paster, SIGKILL);
    waitpid(paster, nullptr, 0);
    hang_up(game);
    double closed = now_ms();
    eventually([&] { return has_ended(game.pid()); }, 3000, [] { usleep(1000); });
    EXPECT_LT(now_ms() - closed, 500);
    EXPECT_EQ(game.wait_exit(), 129 << 8);
}

// Another session's terminal (setsid) keeps its settings: the game plays
// there in the plain mode. An orphaned group in the background, which no
// stop can hold, neither draws nor changes the settings, and ends with 74.
// An inherited raw mode gets what the game relies on: lines that begin at
// the left, Ctrl-C as a signal, and the settings found given back.
TEST(Session, OnlyItsOwnTerminalIsTakenAndWhatTheGameReliesOnIsOn) {
    PtyGame other({"/usr/bin/setsid", "-w", VAKNA_BINARY});
    EXPECT_NE(other.read_until("sluta: ").find("plain mode\r\n"), std::string::npos);
    EXPECT_TRUE(same_settings(other.settings(), other.initial_settings()));
    other.send("q\n");
    EXPECT_EQ(other.wait_exit(), 0);

    std::string ended = testing::TempDir() + "vakna-orphan";
    unlink(ended.c_str());
    PtyGame orphan({"/bin/bash", "-c",
                    "set -m; sh -c '(sleep 0.3; " + std::string(VAKNA_BINARY) + "; echo $? > " +
                        ended + ") &'; sleep 5"});
    eventually([&] { return !read_file(ended).empty(); });
    EXPECT_EQ(read_file(ended), "74\n");
    EXPECT_NE(orphan.read_for(0).find("another job"), std::string::npos);
    EXPECT_EQ(orphan.transcript().find("\x1b["), std::string::npos);
    EXPECT_TRUE(same_settings(orphan.settings(), orphan.initial_settings()));

    for (bool plain : {false, true}) {
        PtyGame raw({"/bin/sh", "-c",
                     std::string("stty raw; exec ") + VAKNA_BINARY + (plain ? " -p" : "")});
        std::string first = raw.read_until(plain ? "sluta: " : LAST_OPTION_OF_THE_BED);
        EXPECT_TRUE(plain || first.find(BED_TEXT + "\x1b[K\r\n") != std::string::npos) << first;
        raw.send(plain ? "2\r" : "\x03");
        if (plain) {
            raw.read_until(SLEEP_TEXT);
            raw.send("q\r");
        }
        EXPECT_EQ(raw.wait_exit(), plain ? 0 : SIGINT) << plain;
        termios after = raw.settings(); // raw again, as found
        EXPECT_FALSE((after.c_oflag & OPOST) || (after.c_lflag & (ISIG | ICANON))) << plain;
    }
}

// Started straight on the terminal, as a terminal emulator starts it, the
// game leads its own session: no shell could wake it, so the kernel never
// stops it, and it must go on in its own keyboard mode.
TEST(Session, SuspendKeyThatCannotStopTheGameLeavesItsKeyboardMode) {
    PtyGame game;
    game.read_until(LAST_OPTION_OF_THE_BED);
    game.send("\x1a");
    game.send("2"); // answered without Enter
    game.read_until(SLEEP_TEXT);
    termios raw = game_mode(game.initial_settings());
    EXPECT_TRUE(same_settings(game.settings(), raw));
    expect_quit(game);
}

std::string run_through_pipes(const char* keys, int* status) {
    return output_of(std::string("printf '") + keys + "' | " + VAKNA_BINARY + " 2>&1", status);
}

TEST(Session, ScriptedPlayThroughPipesPlaysEachKeyAndEndsAtTheEndOfInput) {
    int status = -1;
    std::string out = run_through_pipes("12", &status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const Labels window = says("SHOW_WINDOW");
    EXPECT_NE(out.find(window.at(0) + "\x1b[K " + window.at(1).substr(0, window.at(1).find(' '))),
              std::string::npos)
        << escaped(out);
    EXPECT_NE(out.find(" " + std::to_string(number_in(WINDOW_MENU, BACK_IN)) + ": " + BACK_IN),
              std::string::npos)
        << escaped(out);
}

TEST(Session, EmptyInputEndsTheGameAtOnce) {
    int status = -1;
    std::string out = run_through_pipes("", &status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(out.find(GET_UP), std::string::npos);
}

// Through a pipe the screen is written line by line, as on a terminal: a
// game played through tee shows each screen before its wait for a key.
TEST(Session, ThroughAPipeEachScreenArrivesBeforeTheWaitForAKey) {
    char record[] = "/tmp/vakna-tee-XXXXXX";
    close(mkstemp(record));
    int keys[2], screen[2];
    ASSERT_EQ(pipe(keys), 0);
    ASSERT_EQ(pipe(screen), 0);
    game_environment();
    std::string command = std::string(VAKNA_BINARY) + " | tee " + record;
    pid_t shell = fork();
    if (shell == 0) {
        dup2(keys[0], STDIN_FILENO);
        dup2(screen[1], STDOUT_FILENO);
        close(keys[1]);
        close(screen[0]);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(keys[0]);
    close(screen[1]);
    std::string shown;
    read_fd_until(
        screen[0], shown,
        [](const std::string& s) {
            return s.find(BED_MENU.back() + "\x1b[K\x1b[0;37;40m\n") != std::string::npos;
        },
        5000);
    EXPECT_NE(shown.find(BED_TEXT), std::string::npos) << "no key was sent yet";
    close(keys[1]); // the end of input ends the game
    for (char chunk[4096]; read(screen[0], chunk, sizeof chunk) > 0;) {
    }
    close(screen[0]);
    int status = -1;
    waitpid(shell, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read_file(record).rfind(shown, 0), 0u) << "tee records what was shown";
    unlink(record);
}

// Where the screen cannot be written the game ends at its first wait for a
// key instead of going on blind; a keyboard that cannot be read is found
// before anything is drawn. Either way it says why, and gives the terminal
// back.
void expect_cannot(const std::string& redirection, const std::string& reason) {
    PtyGame game({"/bin/sh", "-c", std::string("ulimit -f 0; exec ") + VAKNA_BINARY + redirection});
    int status = game.wait_exit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 74) << status;
    EXPECT_NE(game.transcript().find("vakna: cannot " + reason + "\r\n"), std::string::npos)
        << escaped(game.transcript());
    if (reason.rfind("read", 0) == 0) {
        EXPECT_EQ(game.transcript(), "vakna: cannot " + reason + "\r\n");
    }
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
}

TEST(Session, AFullDeviceOrAClosedOrUnreadableStreamEndsTheGameWithStatus74) {
    expect_cannot(" > /dev/full", "write the screen: No space left on device");
    expect_cannot(" >&-", "write the screen: Bad file descriptor");
    expect_cannot(" <&-", "read the keyboard: Bad file descriptor");
    expect_cannot(" < /", "read the keyboard: Is a directory");
    char file[] = "/tmp/vakna-limit-XXXXXX"; // past the size limit above, as full
    close(mkstemp(file));
    expect_cannot(std::string(" > ") + file, "write the screen: File too large");
    expect_cannot(std::string(" --help > ") + file, "write standard output: File too large");
    unlink(file);
}

// Without room for its wake pipe above the standard descriptors the game
// plays and idles all the same; without its keys it ends at once.
TEST(Session, WithoutItsWakePipeTheGameIdlesAndPlays) {
    // The descriptors a test runner leaves open go first.
    const std::string limited =
        std::string("exec 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&-; ulimit -n 4; exec ") + VAKNA_BINARY;
    PtyGame game({"/bin/bash", "-c", limited + " 2>&-"});
    ASSERT_TRUE(game.settle());
    double cpu_us = proc_cpu_us(game.pid());
    usleep(500000);
    EXPECT_LT(proc_cpu_us(game.pid()) - cpu_us, 50000);
    expect_quit(game);
    PtyGame closed({"/bin/bash", "-c", "exec > /dev/null; " + limited + " <&- 2>&-"});
    EXPECT_EQ(closed.wait_exit(), 74 << 8);
}

// A reader that goes away: the next screen the game writes fails, and the
// game ends in order and then quietly by SIGPIPE, as a pipeline's programs
// do; also where terminal calls on a pipe fail after that write.
TEST(Session, AReaderThatClosesThePipeEndsTheGameQuietlyBySigpipe) {
    for (std::string pipeline : {
             std::string(VAKNA_BINARY) + " | head -c 100 > /dev/null; exit ${PIPESTATUS[0]}",
             // The answer comes once the reader has gone.
             std::string("closed=/tmp/vakna-closed-$$; "
                         "(until [ -e $closed ]; do sleep 0.01; done; echo q) | ") +
                 VAKNA_BINARY +
                 " --plain | { head -c 1 > /dev/null; exec <&-; touch $closed; }; "
                 "status=${PIPESTATUS[1]}; rm -f $closed; exit $status",
         }) {
        PtyGame game({"/bin/bash", "-c", pipeline});
        int status = -1;
        for (double deadline = now_ms() + 30000; status == -1 && now_ms() < deadline;) {
            game.send("n"); // each move writes to the screen
            status = game.wait_exit(100);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGPIPE) << status;
        EXPECT_EQ(game.transcript().find("vakna"), std::string::npos) << escaped(game.transcript());
        EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
    }
}

// In tmux, a real terminal, the cursor waits on the lit option's label,
// where a screen reader or a braille display that follows it reads.
TEST(Session, InARealTerminalTheCursorWaitsOnTheLitOptionsLabel) {
    const std::string shown = testing::TempDir() + "vakna-tmux-" + std::to_string(getpid());
    const std::string tmux = "tmux -f /dev/null -S " + shown + ".socket ";
    if (std::system("tmux -V > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "tmux is missing";
    game_environment();
    struct Ender {
        std::string command;
        ~Ender() { std::system(command.c_str()); }
    } server{tmux + "kill-server; rm -f " + shown + " " + shown + ".socket"};
    for (auto [action, lit] :
         {std::pair{"new -d -x 60 -y 20 " + std::string(VAKNA_BINARY), " 1: " + GET_UP},
          {"send-keys Down", " 2: " + SLEEP},
          {"resize-window -x 50", " 2: " + SLEEP},
          {"send-keys 1", " 1: " + ROOM_MENU[0]}}) {
        std::system((tmux + action).c_str());
        std::string line;
        for (double end = now_ms() + 10000; line != lit && now_ms() < end; usleep(10000)) {
            std::system(
                (tmux + "display -p '#{cursor_x} #{cursor_y}' \\; capturep -p >" + shown).c_str());
            std::istringstream in(read_file(shown));
            int x = -1, y = -1;
            for (in >> x >> y; y >= -1 && std::getline(in, line); y--) {
            }
            line = x == 4 ? line : "";
        }
        EXPECT_EQ(line, lit) << action << ":\n" << read_file(shown);
    }
}

// The rest of a paste must not reach the shell as commands: after a q, not
// even of a paste still arriving while the game ends; after an interrupt
// inside a marked paste, up to its end marker however late it comes; and
// after one inside the plain mode's unmarked paste, until it has ended.
TEST(Session, KeysTheGameDidNotReadAreDiscardedAtItsEnd) {
    std::string lines;
    while (lines.size() < 600)
        lines += "echo LEAKED\n";
    std::string many = lines;
    while (many.size() < 20000)
        many += lines;
    struct Paste {
        const char* option;
        std::string before, after; // after comes half a second later
        int pause_us;              // between the bytes before
    };
    for (const Paste& paste : {Paste{"--", "q" + many, "", 0},
                               Paste{"--", "\x1b[200~" + lines + "\x03", lines + "\x1b[201~", 200},
                               Paste{"-p", lines + "\x03", lines, 200}}) {
        bool plain = std::string(paste.option) == "-p";
        PtyGame game({"/bin/sh", "-c",
                      "trap : INT; " + std::string(VAKNA_BINARY) + " " + paste.option +
                          "; timeout 1 cat | sed 's/^/LEFT /'; echo AFTER THE GAME"});
        game.read_until(plain ? "sluta: " : LAST_OPTION_OF_THE_BED);
        pid_t paster = fork();
        for (size_t at = 0; paster == 0 && at < paste.before.size();) {
            size_t part = paste.pause_us ? 1 : paste.before.size();
            if (write(game.master(), paste.before.data() + at, part) < 0 || usleep(paste.pause_us))
                _exit(1);
            at += part;
        }
        if (paster == 0) {
            usleep(500000);
            _exit(write(game.master(), paste.after.data(), paste.after.size()) < 0);
        }
        std::string rest = game.read_until("AFTER THE GAME", 15000);
        kill(paster, SIGKILL);
        waitpid(paster, nullptr, 0);
        EXPECT_EQ(rest.find("LEFT"), std::string::npos) << paste.option << escaped(rest);
        EXPECT_EQ(game.waiting_input(), 0);
        game.wait_exit();
    }
}

} // namespace
