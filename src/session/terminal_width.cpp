#include "session/terminal_width.h"

#include "input/key_reader.h"

#include <cerrno>
#include <initializer_list>
#include <sys/ioctl.h>
#include <unistd.h>

// The size comes from the terminal the player sees, never from the
// environment: standard output, or standard input when the output goes
// through a pipe (vakna | tee FILE), or standard error. A size that was never
// set (0 columns) falls back to the classic width, so writers always see a
// positive column count; without a terminal there is no height to keep to.
void read_terminal_width() {
    winsize size{};
    for (int descriptor : {STDOUT_FILENO, STDIN_FILENO, STDERR_FILENO})
        if (ioctl(descriptor, TIOCGWINSZ, &size) == 0)
            break;
    TERM_WIDTH = size.ws_col > 0 ? size.ws_col : FALLBACK_WIDTH;
    TERM_HEIGHT = size.ws_row;
}

// Runs with SIGWINCH held back, so a resize during it is delivered right
// after and the width never stays stale. The main path may be between a
// failed call and its look at errno, so errno is kept. The note lets a menu
// on the screen be drawn again at the new width.
void on_window_change(int) {
    int saved_errno = errno;
    read_terminal_width();
    note_terminal_event(EVENT_RESIZE);
    errno = saved_errno;
}
