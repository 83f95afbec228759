// The window's size comes from the terminal the player sees, with a sound
// fallback where there is none, and changes only when it is measured.
#include "input/key_reader.h"
#include "support/stdio_redirect.h"
#include "term/terminal.h"
#include "term/window_size.h"

#include <gtest/gtest.h>

#include "support/child.h"
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const int NO_TERMINAL = open("/dev/null", O_RDWR);

// Runs the measurement with standard output on the given descriptor.
int width_with_stdout_on(int fd) {
    std::fflush(stdout);
    int saved = dup(1), saved_in = dup(0), saved_err = dup(2);
    dup2(fd, 1);
    dup2(NO_TERMINAL, 0);
    dup2(NO_TERMINAL, 2);
    term_measure_window();
    dup2(saved, 1);
    dup2(saved_in, 0);
    dup2(saved_err, 2);
    for (int descriptor : {saved, saved_in, saved_err})
        close(descriptor);
    return term_window().columns;
}

TEST(TerminalWidth, IsTheColumnCountOfTheTerminalOnStandardOutput) {
    int master, slave;
    ASSERT_EQ(child_open_pty(123, 7, &master, &slave), 0);
    setenv("COLUMNS", "45", 1); // never consulted
    EXPECT_EQ(width_with_stdout_on(slave), 123);
    EXPECT_EQ(term_window().rows, 7);
    close(slave);
    close(master);
}

TEST(TerminalWidth, FallsBackTo80WithoutATerminalOrWithZeroColumns) {
    int master, slave;
    ASSERT_EQ(child_open_pty(0, 0, &master, &slave), 0);
    EXPECT_EQ(width_with_stdout_on(slave), FALLBACK_WIDTH); // size never set
    close(slave);
    close(master);

    FILE* file = std::tmpfile();
    EXPECT_EQ(width_with_stdout_on(fileno(file)), FALLBACK_WIDTH);
    EXPECT_EQ(term_window().rows, 0) << "no height to keep to";
    std::fclose(file);
}

// Puts back the disposition a signal had, when the test ends however it
// ends.
class DispositionKept {
  public:
    explicit DispositionKept(int signal_number) : signal_number_(signal_number) {
        sigaction(signal_number, nullptr, &saved_);
    }
    ~DispositionKept() { sigaction(signal_number_, &saved_, nullptr); }
    DispositionKept(const DispositionKept&) = delete;
    DispositionKept& operator=(const DispositionKept&) = delete;

  private:
    int signal_number_;
    struct sigaction saved_ {};
};

// A real SIGWINCH, as the kernel sends it to the foreground of a resized
// terminal, to the handler installed as the session installs it; raising
// it delivers it before raise returns, on this one thread. The handler only
// notes it: the size changes when the main path takes the note and measures.
// The widths are checked once standard output is back.
TEST(WindowChange, IsNotedForTheMainPathToMeasure) {
    DispositionKept kept(SIGWINCH);
    bool resized = true;
    int at_start, before_signal, after_signal, measured, after_second_signal;
    int noted, noted_again;
    {
        StdoutPty terminal;
        resized = resized && terminal.resize(50, 20);
        terminal_signals_on(STYLE_PLAIN);
        term_measure_window();
        at_start = term_window().columns;

        resized = resized && terminal.resize(33, 20);
        before_signal = term_window().columns;
        raise(SIGWINCH);
        after_signal = term_window().columns;
        noted = read_key();
        term_measure_window();
        measured = term_window().columns;

        resized = resized && terminal.resize(120, 20);
        kill(getpid(), SIGWINCH);
        noted_again = read_key();
        term_measure_window();
        after_second_signal = term_window().columns;
    }
    ASSERT_TRUE(resized);
    EXPECT_EQ(at_start, 50);
    EXPECT_EQ(before_signal, 50);
    EXPECT_EQ(after_signal, 50) << "the handler measures nothing";
    EXPECT_EQ(noted, KEY_RESIZE);
    EXPECT_EQ(measured, 33);
    EXPECT_EQ(noted_again, KEY_RESIZE) << "the handler stays installed after it has run";
    EXPECT_EQ(after_second_signal, 120);
}

} // namespace
