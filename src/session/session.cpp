#include "session/session.h"

#include "session/raw_mode.h"
#include "session/signal_handler.h"
#include "session/terminal_width.h"
#include "story/story.h"
#include "term/ansi.h"

#include <csignal>
#include <cstdio>

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

// Exit status for an error that escaped the story.
constexpr int INTERNAL_ERROR = 70;

int run_game() {
    if (!session_start())
        return 1;
    try {
        run_story(STATE_START);
    } catch (...) {
        // The terminal must never be left without echo, whatever went wrong.
        session_end();
        std::fputs("vakna: internal error\n", stderr);
        return INTERNAL_ERROR;
    }
    session_end();
    return 0;
}
