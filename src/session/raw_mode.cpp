#include "session/raw_mode.h"

#include "input/key_reader.h"
#include "input/signal_handler.h"
#include "term/ansi.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

termios saved_termios;

// The settings in force while the game runs, for re-applying after a
// suspension. Only applied while raw_mode_active is set, so a late
// continue signal after the session has closed changes nothing.
static termios game_termios;
static volatile sig_atomic_t raw_mode_active = 0;

// Ctrl-Z: only noted here, since giving the terminal back means writing to
// it, which a handler must not do; the key reader carries it out at its
// next wait (suspend).
static void on_suspend(int) {
    note_terminal_event(EVENT_SUSPEND);
}

// The game's mode comes back at once, even while the main path is busy; the
// chooser then draws its list again, since the shell has written below it.
static void on_continue(int) {
    int saved_errno = errno;
    if (raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
    note_terminal_event(EVENT_CONTINUE);
    errno = saved_errno;
}

// Gives the shell the terminal as it was found, its own colours included,
// and stops until continued. Runs on the main path with the game's signals
// held back, so SIGTSTP is let through here for the stop.
static void suspend() {
    term_reset_attr();
    term_flush();
    if (raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_termios);
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
    if (raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
    term_restore_attr();
    term_flush();
}

void raw_mode_on() {
    if (tcgetattr(STDIN_FILENO, &saved_termios) == 0) {
        game_termios = saved_termios;
        game_termios.c_lflag &= ~(ICANON | ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
        raw_mode_active = 1;
    }
    suspend_game = suspend;
    install_signal_handler(SIGTSTP, on_suspend);
    install_signal_handler(SIGCONT, on_continue);
}

void raw_mode_off() {
    if (!raw_mode_active)
        return;
    raw_mode_active = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_termios);
}
