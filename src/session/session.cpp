#include "session/session.h"

#include "input/key_reader.h"
#include "input/signal_handler.h"
#include "menu/plain_chooser.h"
#include "session/raw_mode.h"
#include "session/suspension.h"
#include "session/terminal_width.h"
#include "story/story.h"
#include "term/ansi.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <termios.h>
#include <unistd.h>

void session_start() {
    // Line by line whatever the output is, so that a game played through a
    // pipe (vakna | tee FILE) shows each screen before its wait for a key,
    // as on a terminal.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    // A reader that goes away is then an ordinary write error, which ends
    // the game in order, instead of a signal that kills it mid-screen.
    install_signal_handler(SIGPIPE, SIG_IGN);
    // The plain style leaves the terminal's line editing and echo on, and
    // Ctrl-Z to the shell: there is nothing to give back or draw again.
    bool plain = term_style == STYLE_PLAIN;
    if (!plain)
        raw_mode_on();
    install_interrupt_handlers();
    if (!plain)
        suspension_handlers_on();
    // Both measure the window; neither may come between the other's writes of
    // the width and the height.
    install_signal_handler(SIGWINCH, on_window_change, {SIGCONT});
    read_terminal_width();
    // Set before the clear, so the whole screen takes the game's colours.
    // (The plain style writes none of these sequences.)
    term_set_attr(ATTR_NORMAL);
    term_clear_screen();
    term_move_to(0, 0);
}

void session_end() {
    // The terminal's own colours back, and the rest of the screen cleared
    // in them, so the shell's text after the game is in its own colours.
    term_reset_attr();
    term_clear_below();
    term_flush();
    discard_unread_keys();
    raw_mode_off();
}

// A shell's status for a process that SIGQUIT ended, without a core file.
constexpr int QUIT_STATUS = 128 + SIGQUIT;

// After an interrupt, a termination signal or a reader's end of the pipe,
// the parent must see the game ended by that signal, so that a script stops
// as it would for any other program: the default action, raised again.
// Everything is written by now.
static int status_after_signal(int signal_number) {
    if (signal_number == SIGQUIT)
        return QUIT_STATUS;
    install_signal_handler(signal_number, SIG_DFL);
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, signal_number);
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);
    raise(signal_number);
    return 128 + signal_number;
}

int run_game(TermStyle style) {
    term_style = style;
    if (style == STYLE_PLAIN)
        story_chooser = plain_choose;
    session_start();
    bool failed = false;
    try {
        run_story(STATE_START);
    } catch (...) {
        failed = true;
    }
    // The terminal must never be left without echo, whatever went wrong.
    session_end();
    if (failed) {
        std::fputs("vakna: internal error\n", stderr);
        return INTERNAL_ERROR;
    }
    int write_error = term_write_error();
    // A reader that has gone is how a pipeline ends its writer (vakna | head):
    // nothing to report, and the end by the SIGPIPE that was held off, as
    // the pipeline's other programs have.
    bool reader_gone = write_error == EPIPE;
    if (write_error != 0 && !reader_gone)
        std::fprintf(stderr, "vakna: cannot write the screen: %s\n", std::strerror(write_error));
    if (input_error != 0)
        std::fprintf(stderr, "vakna: cannot read the keyboard: %s\n", std::strerror(input_error));
    if (interrupt_signal != 0)
        return status_after_signal(interrupt_signal);
    if (reader_gone && input_error == 0)
        return status_after_signal(SIGPIPE);
    return write_error != 0 || input_error != 0 ? CANNOT_WRITE : 0;
}
