// The terminal's life, read top to bottom: the one record, the notes and
// the pipe that wakes the waits, the keyboard mode, the signal table and
// its handlers, a stop's pieces, the screen's output, then what the main
// path asks: the one wait, the start, a stop and its continue, and the end.
#include "term/terminal.h"

#include "term/window_size.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int NOTE_KINDS = NOTE_RESIZE + 1;

// The terminal's whole state. The handlers only raise their counts, note
// the first interrupt's signal and write to the pipe; the main path keeps
// its own counts of what it has answered. Neither side ever writes the
// other's fields, so nothing is lost to a signal between a look and a store.
struct Terminal {
    // Chosen once, by terminal_take: the plain style leaves the keyboard
    // mode, a stop and a continue to the terminal.
    bool plain;
    // Every signal the game handles; each handler that notes holds back the
    // others, so two never interleave on the counts.
    sigset_t handled_signals;
    // The signals found ignored at the start, by nohup or by the shell for a
    // script's background job: they stay ignored, to the end of the game,
    // but for a continue and a new size, which end nothing and unseen would
    // leave the game in the shell's mode or at the old size.
    sigset_t ignored_at_start;
    // Those, and a fatal signal found with a handler of its own (a
    // sanitizer's, which reports the crash): left as they were found.
    sigset_t kept_at_start;
    // Whether the two above were filled: only the first start looks, since
    // later the game's own handlers are in place.
    bool looked_at_start;

    // Written by the handlers.
    volatile sig_atomic_t notes[NOTE_KINDS];
    volatile sig_atomic_t interrupts_noted;
    volatile sig_atomic_t ending_signal;
    volatile sig_atomic_t continued; // for a stop, to tell that it was woken
    // The handlers write a byte here after each note, and every wait watches
    // it beside its descriptor: a note made after the main path has looked
    // ends the wait that follows, with no signal ever held back.
    int wake_pipe[2] = {-1, -1};

    // Kept by the main path.
    sig_atomic_t notes_taken[NOTE_KINDS];
    sig_atomic_t interrupts_answered;

    // The settings found, to give back, and the game's own, to take again
    // after a stop. The keyboard mode is on from the start to the end, and
    // only then are found and game read by a fatal signal's handler.
    termios found;
    termios game;
    volatile sig_atomic_t keyboard_on;
    // Set while the game's screen (its colours, bracketed paste) is on the
    // terminal, for a fatal signal's handler.
    volatile sig_atomic_t screen_on;
    // The errno of the first write to the screen that failed, 0 while none
    // has. Nothing is written after it: nobody sees the screen any more.
    int write_error;
};

Terminal terminal;

// ---- The notes and the wake pipe

// The pipe may be full of earlier wakings: the note is there all the same.
void wake_the_waits() {
    int saved_errno = errno;
    if (terminal.wake_pipe[1] >= 0 && write(terminal.wake_pipe[1], "", 1) < 0) {
    }
    errno = saved_errno;
}

void note(TerminalNote kind) {
    terminal.notes[kind] = terminal.notes[kind] + 1;
    wake_the_waits();
}

void empty_wake_pipe() {
    char bytes[64];
    while (read(terminal.wake_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

// A standard descriptor that is closed must stay closed (the game reads
// its keys from descriptor 0, which may be), so the pipe keeps above them.
int above_standard(int descriptor) {
    if (descriptor > STDERR_FILENO)
        return descriptor;
    int moved = fcntl(descriptor, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(descriptor);
    return moved;
}

// Without room for both ends above the standard descriptors (ulimit -n 4
// with descriptors closed) the game goes on without the pipe: one end alone
// would wake every wait at once, for ever.
void open_wake_pipe() {
    int* ends = terminal.wake_pipe;
    if (ends[0] >= 0 || pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    for (int i = 0; i < 2; i++)
        ends[i] = above_standard(ends[i]);
    if (ends[0] >= 0 && ends[1] >= 0)
        return;
    for (int i = 0; i < 2; i++) {
        if (ends[i] >= 0)
            close(ends[i]);
        ends[i] = -1;
    }
}

bool take(TerminalNote kind) {
    if (terminal.notes_taken[kind] == terminal.notes[kind])
        return false;
    terminal.notes_taken[kind] = terminal.notes[kind];
    return true;
}

// ---- The keyboard mode

// Settings in which keys reach the game as they are typed, without echo.
bool in_game_mode(const termios& settings) {
    return (settings.c_lflag & (ICANON | ECHO)) == 0;
}

// Keeps found as the settings to give back, and applies the game's mode
// over them.
void keyboard_mode_over(const termios& found) {
    terminal.found = found;
    terminal.game = found;
    // Without IXON, Ctrl-S and Ctrl-Q reach the game as keys that do
    // nothing, instead of freezing the screen while the keys still act.
    terminal.game.c_lflag &= ~(ICANON | ECHO);
    terminal.game.c_iflag &= ~IXON;
    // What the game relies on, whatever an earlier program left (stty raw):
    // each line feed written begins a line, Enter reads as a line feed,
    // and the interrupt and stop keys are signals.
    terminal.game.c_oflag |= OPOST | ONLCR;
    terminal.game.c_iflag |= ICRNL;
    terminal.game.c_iflag &= ~(INLCR | IGNCR);
    terminal.game.c_lflag |= ISIG;
    // Each key alone, whatever an earlier program left: with VMIN 3 a
    // Down arrow would arrive whole but a single key only with two more.
    terminal.game.c_cc[VMIN] = 1;
    terminal.game.c_cc[VTIME] = 0;
    // On before the mode changes: a fatal signal the instant after must
    // find the settings to give back. The fence keeps the stores above
    // ahead of the flag, as its handler sees them.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    terminal.keyboard_on = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &terminal.game);
}

void keyboard_mode_on() {
    termios found;
    if (tcgetattr(STDIN_FILENO, &found) == 0)
        keyboard_mode_over(found);
}

// The settings as found, for a stop or the end. Async-signal-safe, for the
// handlers of fatal signals.
void keyboard_mode_give_back() {
    if (terminal.keyboard_on)
        tcsetattr(STDIN_FILENO, TCSANOW, &terminal.found);
}

// After a stop: the game's mode again, over the settings found now, which
// are the ones given back from then on (the player may have changed them
// while the game was stopped). Settings still in the game's mode are no
// player's: the ones found before are kept then.
void keyboard_mode_take_again() {
    termios found;
    if (tcgetattr(STDIN_FILENO, &found) == 0 && !in_game_mode(found))
        keyboard_mode_over(found);
    else
        tcsetattr(STDIN_FILENO, TCSANOW, &terminal.game);
}

// Whether the mode is on but the terminal is no longer in it: a stop the
// game did not make gave it to the shell, which put its own mode on it.
bool keyboard_mode_lost() {
    termios found;
    return terminal.keyboard_on && tcgetattr(STDIN_FILENO, &found) == 0 && !in_game_mode(found);
}

// ---- Signals

void on_fatal(int signal_number);

void install(int signal_number, void (*handler)(int), int flags = SA_RESTART,
             struct sigaction* before = nullptr) {
    struct sigaction action {};
    action.sa_handler = handler;
    if (handler != on_fatal)
        action.sa_mask = terminal.handled_signals;
    action.sa_flags = flags;
    sigaction(signal_number, &action, before);
}

// Ctrl-Z: only noted, since giving the terminal back means writing to it,
// which a handler must not do. The chooser carries it out at its next wait
// for a key, with the cursor below its list (terminal_stop).
void on_stop(int) {
    note(NOTE_STOP);
}

// A new size: only noted, since measuring the window is no call a handler
// may make. The chooser measures it when it takes the note, and draws the
// screen again at that size.
void on_window_change(int) {
    note(NOTE_RESIZE);
}

// Noted too: after a stop from outside the game finds the terminal in the
// shell's mode (terminal_resume).
void on_continue(int) {
    terminal.continued = 1;
    note(NOTE_CONTINUE);
}

// Noted, so that the game ends in order. Out of the foreground the game has
// nothing to give back, and a job stopped for its terminal (kill %1 to a
// game stopped for input or output) must not go back to waiting for it: the
// game ends at once, by the signal.
void on_ending(int signal_number) {
    int saved_errno = errno;
    if (!terminal_in_foreground())
        std::_Exit(terminal_end_by(signal_number));
    terminal_note_interrupt(signal_number);
    errno = saved_errno;
}

// The terminal's own colours and paste mode back at once, whatever it
// holds: what is queued for it and not yet sent is dropped, so that the few
// bytes fit, and what it does not take now is not waited for.
// Async-signal-safe.
bool screen_back_at_once(const char* bytes, size_t size) {
    tcflush(STDOUT_FILENO, TCOFLUSH);
    return terminal_write_now(STDOUT_FILENO, bytes, size) == static_cast<ssize_t>(size);
}

// A signal that would end the game at once (a crash, an alarm, a kill -USR1)
// first gives the terminal back, as much as a handler may safely do
// anywhere and without waiting for it: its settings, and its own colours
// without bracketed paste. Then the signal ends the game by its default
// action. It holds back no other signal, so that an ending one still ends
// the game should this one not.
void on_fatal(int signal_number) {
    int saved_errno = errno;
    if (terminal_in_foreground()) {
        keyboard_mode_give_back();
        if (terminal.screen_on)
            screen_back_at_once(TERM_GIVE_BACK_AT_ONCE, sizeof TERM_GIVE_BACK_AT_ONCE - 1);
    }
    errno = saved_errno;
    terminal_end_by(signal_number);
}

struct SignalRole {
    int number;
    void (*full)(int);  // in the full style
    void (*plain)(int); // in the plain style
    // SA_RESTART: a write to the terminal that a resize or a continue cuts
    // short goes on afterwards, so a slow terminal loses none of the
    // screen. 0: an ending signal cuts a blocking call short, and the game
    // ends rather than wait for its terminal.
    int flags;
};

// Every signal the game changes. The interrupts end the game in order, and
// then by the signal itself; a hang-up too, since a kill -HUP leaves the
// terminal in use. The plain style leaves the terminal's line editing and
// echo on, so a stop there is the system's: nothing to give back or draw
// again. A reader that goes away, or a file past its size limit (ulimit
// -f), is an ordinary write error, which ends the game in order, instead of
// a signal that kills it mid-screen. Every other signal whose default action
// ends the game gives the terminal back first. Everything else is left to
// the system: a game in the background that touches the terminal is stopped
// by SIGTTOU or SIGTTIN.
const SignalRole SIGNAL_ROLES[] = {
    {SIGINT, on_ending, on_ending, 0},
    {SIGQUIT, on_ending, on_ending, 0},
    {SIGTERM, on_ending, on_ending, 0},
    {SIGHUP, on_ending, on_ending, 0},
    {SIGWINCH, on_window_change, on_window_change, SA_RESTART},
    {SIGTSTP, on_stop, SIG_DFL, SA_RESTART},
    {SIGCONT, on_continue, SIG_DFL, SA_RESTART},
    {SIGPIPE, SIG_IGN, SIG_IGN, SA_RESTART},
    {SIGXFSZ, SIG_IGN, SIG_IGN, SA_RESTART},
    {SIGUSR1, on_fatal, on_fatal, SA_RESTART},
    {SIGUSR2, on_fatal, on_fatal, SA_RESTART},
    {SIGALRM, on_fatal, on_fatal, SA_RESTART},
    {SIGVTALRM, on_fatal, on_fatal, SA_RESTART},
    {SIGPROF, on_fatal, on_fatal, SA_RESTART},
    {SIGPWR, on_fatal, on_fatal, SA_RESTART},
    {SIGSTKFLT, on_fatal, on_fatal, SA_RESTART},
    {SIGIO, on_fatal, on_fatal, SA_RESTART},
    {SIGXCPU, on_fatal, on_fatal, SA_RESTART},
    {SIGTRAP, on_fatal, on_fatal, SA_RESTART},
    {SIGSYS, on_fatal, on_fatal, SA_RESTART},
    {SIGSEGV, on_fatal, on_fatal, SA_RESTART},
    {SIGBUS, on_fatal, on_fatal, SA_RESTART},
    {SIGFPE, on_fatal, on_fatal, SA_RESTART},
    {SIGILL, on_fatal, on_fatal, SA_RESTART},
    {SIGABRT, on_fatal, on_fatal, SA_RESTART},
};

// Visits every signal's role: the table's, then the real-time signals',
// whose default action ends a program too, and whose numbers only the
// running system knows.
template <typename Visit>
void for_each_role(Visit visit) {
    for (const SignalRole& role : SIGNAL_ROLES)
        visit(role);
    for (int number = SIGRTMIN; number <= SIGRTMAX; number++)
        visit(SignalRole{number, on_fatal, on_fatal, SA_RESTART});
}

// Notes what the start found: see Terminal, ignored_at_start and
// kept_at_start.
void look_at_start(const SignalRole& role) {
    struct sigaction found;
    sigaction(role.number, nullptr, &found);
    bool ignored = found.sa_handler == SIG_IGN;
    if (ignored && role.number != SIGCONT && role.number != SIGWINCH)
        sigaddset(&terminal.ignored_at_start, role.number);
    if (sigismember(&terminal.ignored_at_start, role.number) ||
        (role.full == on_fatal && !ignored && found.sa_handler != SIG_DFL))
        sigaddset(&terminal.kept_at_start, role.number);
}

// ---- Stopping, and waiting for the foreground

// Stops the game by the default action of signal_number until it is
// continued. False when it was never stopped: the kernel drops the stop of
// a process group that no shell of its session could wake (the game
// started straight by a terminal emulator).
bool stop_by(int signal_number) {
    struct sigaction own;
    install(signal_number, SIG_DFL, SA_RESTART, &own);
    sigset_t stop, held;
    sigemptyset(&stop);
    sigaddset(&stop, signal_number);
    terminal.continued = 0;
    sigprocmask(SIG_UNBLOCK, &stop, &held);
    raise(signal_number);
    sigprocmask(SIG_SETMASK, &held, nullptr);
    sigaction(signal_number, &own, nullptr);
    return terminal.continued;
}

// A game started or continued in the background (bg) must not take the
// terminal: it stops, as any background job that needs its terminal does,
// until fg. A parent that ignores SIGTTOU would otherwise let it change the
// settings and draw over the shell's prompt. An ending signal meanwhile
// ends it by its handler.
void wait_for_foreground() {
    while (terminal.ending_signal == 0 && !terminal_in_foreground() && stop_by(SIGTTOU)) {
    }
}

// The game's mode again, over the settings the player may have changed
// meanwhile (stty), and the window measured again: a stopped game gets no
// SIGWINCH, and the window may have changed while the shell had it.
void take_again() {
    keyboard_mode_take_again();
    term_measure_window();
    term_bracketed_paste(true);
    term_restore_attr();
}

// ---- The screen's output

// Hands the bytes to standard output until it has taken them all: true, or
// false when they were dropped. A write cut short goes on from where it
// stopped, so a resize during a slow write loses and repeats nothing. A
// write never waits inside the system: what the terminal does not take now
// is waited for in the one wait, as a key is, which a signal's note ends.
// Once the game is to end nothing waits for the terminal any more: what it
// does not take at once is dropped.
bool write_all(const char* bytes, size_t size) {
    while (size > 0 && terminal.write_error == 0) {
        ssize_t taken = terminal_write_now(STDOUT_FILENO, bytes, size);
        if (taken > 0) {
            bytes += taken;
            size -= static_cast<size_t>(taken);
        } else if (taken < 0 && errno == EAGAIN) {
            if (terminal.ending_signal != 0)
                return false;
            terminal_wait(STDOUT_FILENO, POLLOUT, -1);
        } else if (taken == 0 || errno != EINTR) {
            terminal.write_error = taken < 0 ? errno : EIO;
        }
    }
    return size == 0;
}

} // namespace

bool terminal_flush() {
    std::string_view frame = term_frame();
    bool taken = write_all(frame.data(), frame.size());
    term_frame_sent();
    return taken;
}

int terminal_write_error() {
    return terminal.write_error;
}

// ---- What the main path asks

TerminalNote terminal_take_note() {
    if (take(NOTE_STOP) && !terminal_interrupt_waiting())
        return NOTE_STOP;
    if (take(NOTE_CONTINUE))
        return NOTE_CONTINUE;
    if (take(NOTE_RESIZE))
        return NOTE_RESIZE;
    return NOTE_NONE;
}

bool terminal_note_waiting() {
    for (int kind = 0; kind < NOTE_KINDS; kind++) {
        if (terminal.notes_taken[kind] != terminal.notes[kind])
            return true;
    }
    return false;
}

bool terminal_interrupt_waiting() {
    return terminal.interrupts_noted != terminal.interrupts_answered;
}

void terminal_answer_interrupt() {
    terminal.interrupts_answered = terminal.interrupts_answered + 1;
}

// Handlers that count hold each other back, so none interleaves with
// another on the count.
void terminal_note_interrupt(int signal_number) {
    if (terminal.ending_signal == 0)
        terminal.ending_signal = signal_number;
    terminal.interrupts_noted = terminal.interrupts_noted + 1;
    wake_the_waits();
}

int terminal_ending_signal() {
    return terminal.ending_signal;
}

int terminal_wait(int descriptor, short events, int timeout_ms) {
    pollfd watched[2] = {{descriptor, events, 0}, {terminal.wake_pipe[0], POLLIN, 0}};
    int ready = poll(watched, 2, timeout_ms);
    if (ready < 0 && errno != EINTR)
        return -1;
    if (ready < 0 || (watched[1].revents & POLLIN)) {
        if (terminal.wake_pipe[0] >= 0)
            empty_wake_pipe();
        errno = EINTR;
        return -1;
    }
    return ready;
}

ssize_t terminal_write_now(int descriptor, const char* bytes, size_t size) {
    int flags = fcntl(descriptor, F_GETFL);
    bool blocking = flags >= 0 && !(flags & O_NONBLOCK);
    if (blocking)
        fcntl(descriptor, F_SETFL, flags | O_NONBLOCK);
    ssize_t taken = write(descriptor, bytes, size);
    int saved_errno = errno;
    if (blocking)
        fcntl(descriptor, F_SETFL, flags);
    errno = saved_errno;
    return taken;
}

// A terminal that is not the process's controlling terminal has no
// foreground to tell: asking for it fails with ENOTTY.
bool terminal_is_own() {
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO}) {
        if (isatty(descriptor) && tcgetpgrp(descriptor) == -1 && errno == ENOTTY)
            return false;
    }
    return true;
}

bool terminal_in_foreground() {
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO}) {
        pid_t foreground = tcgetpgrp(descriptor);
        if (foreground != -1)
            return foreground == getpgrp();
    }
    return true;
}

// Everything is written by now when this runs.
int terminal_end_by(int signal_number) {
    if (signal_number == SIGQUIT || sigismember(&terminal.ignored_at_start, signal_number))
        return 128 + signal_number;
    install(signal_number, SIG_DFL);
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, signal_number);
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);
    raise(signal_number);
    return 128 + signal_number;
}

bool terminal_ignored_at_start(int signal_number) {
    return sigismember(&terminal.ignored_at_start, signal_number);
}

void terminal_writes_fail_quietly() {
    for (int signal_number : {SIGPIPE, SIGXFSZ}) {
        struct sigaction found;
        install(signal_number, SIG_IGN, SA_RESTART, &found);
        if (found.sa_handler == SIG_IGN)
            sigaddset(&terminal.ignored_at_start, signal_number);
    }
}

const termios& terminal_found_settings() {
    return terminal.found;
}

void terminal_signals_on(TermStyle style) {
    terminal.plain = style == STYLE_PLAIN;
    open_wake_pipe();
    for_each_role([](const SignalRole& role) {
        if (!terminal.looked_at_start)
            look_at_start(role);
        sigaddset(&terminal.handled_signals, role.number);
    });
    terminal.looked_at_start = true;
    // A handled signal that the parent blocked would never reach its
    // handler: Ctrl-C would do nothing, a resize draw nothing.
    sigset_t taken;
    sigemptyset(&taken);
    for_each_role([&taken](const SignalRole& role) {
        void (*handler)(int) = terminal.plain ? role.plain : role.full;
        if (sigismember(&terminal.kept_at_start, role.number))
            return;
        install(role.number, handler, role.flags);
        if (handler != SIG_DFL && handler != SIG_IGN)
            sigaddset(&taken, role.number);
    });
    sigprocmask(SIG_UNBLOCK, &taken, nullptr);
}

// ---- Start

bool terminal_take(TermStyle style) {
    // Every handler in place before the terminal is touched, so that a
    // signal at any instant of the start ends the game in order.
    terminal_signals_on(style);
    if (!terminal.plain) {
        wait_for_foreground();
        if (!terminal_in_foreground() && terminal.ending_signal == 0)
            return false;
        keyboard_mode_on();
        terminal.screen_on = 1;
    }
    term_measure_window();
    // Pastes marked before anything else, so that none is taken for keys;
    // the colours set before the clear, so the whole screen takes them.
    // (The plain style writes none of these sequences.)
    term_bracketed_paste(true);
    term_set_attr(ATTR_NORMAL);
    term_clear_screen();
    term_move_to(0, 0);
    return true;
}

// ---- A stop and its continue

// Told to end just before the stop, the game ends as soon as it runs
// again, by the signal, without touching the terminal: from the background
// that would stop it again.
bool terminal_keyboard_taken() {
    return terminal.keyboard_on;
}

void terminal_stop() {
    term_reset_attr();
    term_bracketed_paste(false);
    terminal_flush();
    keyboard_mode_give_back();
    if (terminal.ending_signal == 0 && stop_by(SIGTSTP))
        wait_for_foreground();
    if (terminal.ending_signal != 0)
        std::_Exit(terminal_end_by(terminal.ending_signal));
    take_again();
}

// A continue that finds the game's mode changes nothing.
bool terminal_resume() {
    if (!keyboard_mode_lost())
        return false;
    wait_for_foreground();
    take_again();
    return true;
}

// ---- End

// The terminal's own colours back, and the rest of the screen cleared in
// them, so the shell's text after the game is in its own colours.
// Once the game is to end, a terminal that takes no output (nothing reads
// it, or its output was stopped) is not waited for: what is queued for it
// is dropped, and the same few bytes go out alone, its stopped output let
// go if need be, so that its colours, cursor and paste mode always come
// back.
void terminal_screen_off() {
    term_reset_attr();
    term_clear_below();
    term_bracketed_paste(false);
    if (!terminal_flush() && terminal.ending_signal != 0 && terminal.screen_on &&
        !screen_back_at_once(TERM_END_AT_ONCE, sizeof TERM_END_AT_ONCE - 1)) {
        tcflow(STDOUT_FILENO, TCOON);
        screen_back_at_once(TERM_END_AT_ONCE, sizeof TERM_END_AT_ONCE - 1);
    }
    terminal.screen_on = 0;
}

// No handler touches the keyboard mode, so nothing can take it again once
// it has been given back here. Out of the foreground the settings are the
// shell's, and touching them would stop the game by SIGTTOU in its own end.
void terminal_keyboard_off() {
    if (terminal_in_foreground())
        keyboard_mode_give_back();
    terminal.keyboard_on = 0;
}
