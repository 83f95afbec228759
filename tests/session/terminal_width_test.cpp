// The width comes from the terminal on standard output alone, with a sound
// fallback where there is none.
#include "session/terminal_width.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Runs the measurement with standard output on the given descriptor.
int width_with_stdout_on(int fd) {
    std::fflush(stdout);
    int saved = dup(1);
    dup2(fd, 1);
    read_terminal_width();
    dup2(saved, 1);
    close(saved);
    return TERM_WIDTH;
}

TEST(TerminalWidth, IsTheColumnCountOfTheTerminalOnStandardOutput) {
    int master, slave;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    winsize size{};
    size.ws_col = 123;
    size.ws_row = 7;
    ioctl(master, TIOCSWINSZ, &size);
    setenv("COLUMNS", "45", 1); // never consulted
    EXPECT_EQ(width_with_stdout_on(slave), 123);
    close(slave);
    close(master);
}

TEST(TerminalWidth, FallsBackTo80WithoutATerminalOrWithZeroColumns) {
    int master, slave;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(width_with_stdout_on(slave), FALLBACK_WIDTH); // size never set
    close(slave);
    close(master);

    FILE* file = std::tmpfile();
    EXPECT_EQ(width_with_stdout_on(fileno(file)), FALLBACK_WIDTH);
    std::fclose(file);
}

TEST(TerminalWidth, FollowsAResizeSignal) {
    int master, slave;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    std::fflush(stdout);
    int saved = dup(1);
    dup2(slave, 1);
    winsize size{};
    size.ws_col = 33;
    ioctl(master, TIOCSWINSZ, &size);
    on_window_change(SIGWINCH);
    int measured = TERM_WIDTH;
    dup2(saved, 1);
    close(saved);
    EXPECT_EQ(measured, 33);
    close(slave);
    close(master);
}

} // namespace
