#include "term/window_size.h"

#include <initializer_list>
#include <sys/ioctl.h>
#include <unistd.h>

static WindowSize window;

const WindowSize& term_window() {
    return window;
}

// The size comes from the terminal the player sees, never from the
// environment: standard output, or standard input when the output goes
// through a pipe (vakna | tee FILE), or standard error. A size that was never
// set (0 columns) falls back to the classic width, so writers always see a
// positive column count; without a terminal there is no height to keep to.
void term_measure_window() {
    winsize size{};
    for (int descriptor : {STDOUT_FILENO, STDIN_FILENO, STDERR_FILENO})
        if (ioctl(descriptor, TIOCGWINSZ, &size) == 0)
            break;
    window = {size.ws_col > 0 ? size.ws_col : FALLBACK_WIDTH, size.ws_row};
}

void term_set_window(WindowSize size) {
    window = size;
}
