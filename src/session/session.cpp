#include "session/session.h"

#include "session/raw_mode.h"
#include "session/signal_handler.h"
#include "session/terminal_width.h"
#include "term/ansi.h"

#include <csignal>

int session_start() {
    raw_mode_on();
    install_signal_handler(SIGWINCH, on_window_change);
    read_terminal_width();
    term_clear_screen();
    term_move_to(0, 0);
    return 1;
}

void session_end() {
    raw_mode_off();
}
