// The window's size comes from the terminal the player sees, with a sound
// fallback where there is none.
#include "term/window_size.h"

#include <gtest/gtest.h>

#include "support/child.h"
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

TEST(WindowSize, IsTheColumnCountOfTheTerminalOnStandardOutput) {
    int master, slave;
    ASSERT_EQ(child_open_pty(123, 7, &master, &slave), 0);
    setenv("COLUMNS", "45", 1); // never consulted
    EXPECT_EQ(width_with_stdout_on(slave), 123);
    EXPECT_EQ(term_window().rows, 7);
    close(slave);
    close(master);
}

TEST(WindowSize, FallsBackTo80WithoutATerminalOrWithZeroColumns) {
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

} // namespace
