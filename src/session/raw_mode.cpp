#include "session/raw_mode.h"

#include "input/key_reader.h"
#include "session/signal_handler.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

termios saved_termios;

// The settings in force while the game runs, for re-applying after a
// suspension. Only applied while raw_mode_active is set, so a late
// continue signal after the session has closed changes nothing.
static termios game_termios;
static volatile sig_atomic_t raw_mode_active = 0;
// Set by the continue handler, so a suspension can tell whether it stopped.
static volatile sig_atomic_t continued = 0;

// Ctrl-Z: give the shell its terminal back as it was found, then stop with
// the default action. The handler runs with SIGTSTP held back, so raising it
// here would wait until the handler returns; it is let through for the stop.
static void on_suspend(int) {
    int saved_errno = errno;
    if (raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_termios);
    signal(SIGTSTP, SIG_DFL);
    sigset_t suspend;
    sigemptyset(&suspend);
    sigaddset(&suspend, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &suspend, nullptr);
    continued = 0;
    raise(SIGTSTP);
    // Continued, the continue handler has already put the game's mode back.
    // A process group with no shell of its own session to wake it (the game
    // started straight by a terminal emulator, say) is never stopped: the
    // kernel drops the signal, and the game goes on in its own mode.
    if (!continued && raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
    install_signal_handler(SIGTSTP, on_suspend);
    errno = saved_errno;
}

static void on_continue(int) {
    int saved_errno = errno;
    continued = 1;
    if (raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
    errno = saved_errno;
}

void raw_mode_on() {
    if (tcgetattr(STDIN_FILENO, &saved_termios) == 0) {
        game_termios = saved_termios;
        game_termios.c_lflag &= ~(ICANON | ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
        raw_mode_active = 1;
    }
    install_interrupt_handlers();
    install_signal_handler(SIGTSTP, on_suspend);
    install_signal_handler(SIGCONT, on_continue);
}

void raw_mode_off() {
    if (!raw_mode_active)
        return;
    raw_mode_active = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_termios);
}
