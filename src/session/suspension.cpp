#include "session/suspension.h"

#include "input/key_reader.h"
#include "input/signal_handler.h"
#include "session/raw_mode.h"
#include "session/terminal_width.h"
#include "term/ansi.h"

#include <cerrno>
#include <csignal>

// Ctrl-Z: only noted here, since giving the terminal back means writing to
// it, which a handler must not do; the key reader carries it out at its
// next wait (suspend).
static void on_suspend(int) {
    note_terminal_event(EVENT_SUSPEND);
}

// The game's mode comes back at once, even while the main path is busy; the
// chooser then draws its list again, since the shell has written below it.
// A stopped game gets no SIGWINCH, so the window is measured here: it may
// have been resized while the shell had it.
static void on_continue(int) {
    int saved_errno = errno;
    raw_mode_take_again();
    read_terminal_width();
    note_terminal_event(EVENT_CONTINUE);
    errno = saved_errno;
}

// Gives the shell the terminal as it was found, its own colours included,
// and stops until continued. Runs on the main path with the game's signals
// held back, so SIGTSTP is let through here for the stop.
static void suspend() {
    term_reset_attr();
    term_flush();
    raw_mode_give_back();
    install_signal_handler(SIGTSTP, SIG_DFL);
    sigset_t stop, held;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, &held);
    raise(SIGTSTP);
    sigprocmask(SIG_SETMASK, &held, nullptr);
    install_signal_handler(SIGTSTP, on_suspend);
    // Continued, or never stopped: a process group with no shell of its own
    // session to wake it (the game started straight by a terminal emulator,
    // say) is never stopped, the kernel drops the signal, and the game goes
    // on in its own mode.
    raw_mode_take_again();
    term_restore_attr();
    term_flush();
}

void suspension_handlers_on() {
    suspend_game = suspend;
    install_signal_handler(SIGTSTP, on_suspend);
    install_signal_handler(SIGCONT, on_continue, {SIGWINCH});
}
