#include "session/terminal_width.h"

#include "input/key_reader.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

// The width comes from standard output, where the text goes, never from the
// environment. A failed query (no terminal) or a size that was never set (0
// columns) falls back to the classic width, so writers always see a positive
// column count.
void read_terminal_width() {
    winsize size{};
    int columns = 0;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0)
        columns = size.ws_col;
    TERM_WIDTH = columns > 0 ? columns : FALLBACK_WIDTH;
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
