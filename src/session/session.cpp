// The terminal's whole life, from the top: the one choice between the full
// and the plain game, the signals the game takes, the start, a stop and its
// continue, the end, and the game between them. The key reader only reports
// what the handlers noted; everything that touches the terminal happens here
// or in the chooser, on the main path.
#include "session/session.h"

#include "input/key_reader.h"
#include "menu/chooser.h"
#include "menu/plain_chooser.h"
#include "session/messages.h"
#include "session/raw_mode.h"
#include "story/story.h"
#include "term/ansi.h"
#include "term/paragraph.h"
#include "term/window_size.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <termios.h>
#include <unistd.h>

// ---- Signals

// The session's whole state: the style chosen, what the start found, and
// what the handlers note.
struct Session {
    // Chosen once, by run_game: the plain style leaves the keyboard mode, a
    // stop and a continue to the terminal (choose_style).
    bool plain;
    // Every signal the game handles; each handler holds back the others, so
    // two never interleave on the key reader's counts.
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
    // Set by the SIGCONT handler, so a stop can tell that it was woken.
    volatile sig_atomic_t continued;
    // Set while the game's screen (its colours, bracketed paste) is on the
    // terminal, for the handlers of fatal signals.
    volatile sig_atomic_t game_screen_on;
};
static Session session;

static void wait_for_foreground();

// A write to the terminal that a resize or a continue cuts short goes on
// afterwards, so a resize while the terminal is slow to take the output
// loses none of it. One that an ending signal cuts short is not taken up
// again: the game ends rather than wait for its terminal.
constexpr int GOES_ON = SA_RESTART;
constexpr int CUT_SHORT = 0;

static void install(int signal_number, void (*handler)(int), int flags = GOES_ON,
                    struct sigaction* before = nullptr) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_mask = session.handled_signals;
    action.sa_flags = flags;
    sigaction(signal_number, &action, before);
}

// After an interrupt, a termination signal or a reader's end of the pipe,
// the parent must see the game ended by that signal, so that a script stops
// as it would for any other program: the default action, raised again.
// SIGQUIT, whose default would leave a core file, and a signal ignored from
// the start (a hang-up under nohup) give the shell's status for it instead.
// Everything is written by now. Async-signal-safe.
static int status_after_signal(int signal_number) {
    if (signal_number == SIGQUIT || sigismember(&session.ignored_at_start, signal_number))
        return 128 + signal_number;
    install(signal_number, SIG_DFL);
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, signal_number);
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);
    raise(signal_number);
    return 128 + signal_number;
}

// Whether the game's process group is the foreground of its terminal (the
// keyboard's, else the screen's); true without one. Async-signal-safe.
static bool owns_terminal() {
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO}) {
        pid_t foreground = tcgetpgrp(descriptor);
        if (foreground != -1)
            return foreground == getpgrp();
    }
    return true;
}

// Ctrl-Z: only noted, since giving the terminal back means writing to it,
// which a handler must not do. The chooser carries it out at its next wait
// for a key, with the cursor below its list (stop_game, its suspend hook).
static void on_stop(int) {
    note_terminal_event(EVENT_SUSPEND);
}

// A new size: only noted, since measuring the window is no call a handler
// may make. The chooser measures it when it takes the note, and draws the
// screen again at that size.
static void on_window_change(int) {
    note_terminal_event(EVENT_RESIZE);
}

// Noted too: after a stop from outside the game finds the terminal in the
// shell's mode (resume_game_after_stop, the chooser's resume hook).
static void on_continue(int) {
    session.continued = 1;
    note_terminal_event(EVENT_CONTINUE);
}

// Noted for the key reader, so that the game ends in order. Out of the
// foreground the game has nothing to give back, and a job stopped for its
// terminal (kill %1 to a game stopped for input or output) must not go back
// to waiting for it: the game ends at once, by the signal.
static void on_ending(int signal_number) {
    int saved_errno = errno;
    if (!owns_terminal())
        std::_Exit(status_after_signal(signal_number));
    on_interrupt(signal_number);
    errno = saved_errno;
}

// A signal that would end the game at once (a crash, an alarm, a kill -USR1)
// first gives the terminal back: its settings, and its own colours without
// bracketed paste in one write(), as much as a handler may safely do
// anywhere. Then the signal ends the game by its default action.
static void on_fatal(int signal_number) {
    if (owns_terminal()) {
        raw_mode_give_back();
        if (session.game_screen_on &&
            write(STDOUT_FILENO, TERM_GIVE_BACK_AT_ONCE, sizeof TERM_GIVE_BACK_AT_ONCE - 1) < 0) {
        }
    }
    status_after_signal(signal_number);
}

struct SignalRole {
    int number;
    void (*full)(int);  // in the full style
    void (*plain)(int); // in the plain style
    int flags;          // what a call that the signal cuts short does
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
static const SignalRole SIGNAL_ROLES[] = {
    {SIGINT, on_ending, on_ending, CUT_SHORT},
    {SIGQUIT, on_ending, on_ending, CUT_SHORT},
    {SIGTERM, on_ending, on_ending, CUT_SHORT},
    {SIGHUP, on_ending, on_ending, CUT_SHORT},
    {SIGWINCH, on_window_change, on_window_change, GOES_ON},
    {SIGTSTP, on_stop, SIG_DFL, GOES_ON},
    {SIGCONT, on_continue, SIG_DFL, GOES_ON},
    {SIGPIPE, SIG_IGN, SIG_IGN, GOES_ON},
    {SIGXFSZ, SIG_IGN, SIG_IGN, GOES_ON},
    {SIGUSR1, on_fatal, on_fatal, GOES_ON},
    {SIGUSR2, on_fatal, on_fatal, GOES_ON},
    {SIGALRM, on_fatal, on_fatal, GOES_ON},
    {SIGVTALRM, on_fatal, on_fatal, GOES_ON},
    {SIGPROF, on_fatal, on_fatal, GOES_ON},
    {SIGPWR, on_fatal, on_fatal, GOES_ON},
    {SIGSTKFLT, on_fatal, on_fatal, GOES_ON},
    {SIGIO, on_fatal, on_fatal, GOES_ON},
    {SIGXCPU, on_fatal, on_fatal, GOES_ON},
    {SIGTRAP, on_fatal, on_fatal, GOES_ON},
    {SIGSYS, on_fatal, on_fatal, GOES_ON},
    {SIGSEGV, on_fatal, on_fatal, GOES_ON},
    {SIGBUS, on_fatal, on_fatal, GOES_ON},
    {SIGFPE, on_fatal, on_fatal, GOES_ON},
    {SIGILL, on_fatal, on_fatal, GOES_ON},
    {SIGABRT, on_fatal, on_fatal, GOES_ON},
};

// Visits every signal's role: the table's, then the real-time signals',
// whose default action ends a program too, and whose numbers only the
// running system knows.
template <typename Visit>
static void for_each_role(Visit visit) {
    for (const SignalRole& role : SIGNAL_ROLES)
        visit(role);
    for (int number = SIGRTMIN; number <= SIGRTMAX; number++)
        visit(SignalRole{number, on_fatal, on_fatal, GOES_ON});
}

// Notes what the start found: see Session, ignored_at_start and kept_at_start.
static void look_at_start(const SignalRole& role) {
    struct sigaction found;
    sigaction(role.number, nullptr, &found);
    bool ignored = found.sa_handler == SIG_IGN;
    if (ignored && role.number != SIGCONT && role.number != SIGWINCH)
        sigaddset(&session.ignored_at_start, role.number);
    if (sigismember(&session.ignored_at_start, role.number) ||
        (role.full == on_fatal && !ignored && found.sa_handler != SIG_DFL))
        sigaddset(&session.kept_at_start, role.number);
}

static void handlers_on(bool plain) {
    open_signal_pipe();
    for_each_role([](const SignalRole& role) {
        if (!session.looked_at_start)
            look_at_start(role);
        sigaddset(&session.handled_signals, role.number);
    });
    session.looked_at_start = true;
    // A handled signal that the parent blocked would never reach its
    // handler: Ctrl-C would do nothing, a resize draw nothing.
    sigset_t taken;
    sigemptyset(&taken);
    for_each_role([plain, &taken](const SignalRole& role) {
        void (*handler)(int) = plain ? role.plain : role.full;
        if (sigismember(&session.kept_at_start, role.number))
            return;
        install(role.number, handler, role.flags);
        if (handler != SIG_DFL && handler != SIG_IGN)
            sigaddset(&taken, role.number);
    });
    sigprocmask(SIG_UNBLOCK, &taken, nullptr);
}

void session_signals_on(TermStyle style) {
    handlers_on(style == STYLE_PLAIN);
}

// ---- Start

// A game started in the background waits for the foreground, as after bg,
// before it changes the terminal's settings or draws: a parent that ignores
// SIGTTOU would let it do both over the shell's prompt.
static void take_terminal_at_start() {
    wait_for_foreground();
    raw_mode_on();
    session.game_screen_on = 1;
}

static bool ending_noted() {
    return interrupt_signal() != 0;
}

void session_start() {
    // Every handler in place before the terminal is touched, so that a
    // signal at any instant of the start ends the game in order.
    handlers_on(session.plain);
    // A terminal left non-blocking, or made so by any program while the
    // game runs, keeps its flag: the screen waits for it as a key wait
    // does, and an ending signal ends that wait too.
    term_set_waits({ending_noted, wait_for_output_room});
    if (!session.plain)
        take_terminal_at_start();
    term_measure_window();
    // Pastes marked before anything else, so that none is taken for keys;
    // the colours set before the clear, so the whole screen takes them.
    // (The plain style writes none of these sequences.)
    term_bracketed_paste(true);
    term_set_attr(ATTR_NORMAL);
    term_clear_screen();
    term_move_to(0, 0);
}

// ---- A stop and its continue

// Stops the game by the default action of signal_number until it is
// session.continued. False when it was never stopped: the kernel drops the stop of
// a process group that no shell of its session could wake (the game started
// straight by a terminal emulator).
static bool stop_by(int signal_number) {
    struct sigaction own;
    install(signal_number, SIG_DFL, GOES_ON, &own);
    sigset_t stop, held;
    sigemptyset(&stop);
    sigaddset(&stop, signal_number);
    session.continued = 0;
    sigprocmask(SIG_UNBLOCK, &stop, &held);
    raise(signal_number);
    sigprocmask(SIG_SETMASK, &held, nullptr);
    sigaction(signal_number, &own, nullptr);
    return session.continued;
}

// Continued in the background (bg), the game must not take the terminal:
// it stops again, as any background job that needs its terminal does,
// until fg. An ending signal meanwhile ends it by its handler.
static void wait_for_foreground() {
    while (interrupt_signal() == 0 && !owns_terminal() && stop_by(SIGTTOU)) {
    }
}

// The game's mode again, over the settings the player may have changed
// meanwhile (stty), and the window measured again: a stopped game gets no
// SIGWINCH, and the window may have changed while the shell had it.
static void take_terminal_again() {
    raw_mode_take_again();
    term_measure_window();
    term_bracketed_paste(true);
    term_restore_attr();
}

// Ctrl-Z, carried out by the chooser with the cursor below its list: the
// shell gets the terminal as it was found, its own colours included, and
// the game stops until it is in the foreground again. Told to end just
// before the stop, it ends as soon as it runs again, by the signal, without
// touching the terminal: from the background that would stop it again.
static void stop_game() {
    term_reset_attr();
    term_bracketed_paste(false);
    term_flush();
    raw_mode_give_back();
    if (interrupt_signal() == 0 && stop_by(SIGTSTP))
        wait_for_foreground();
    if (interrupt_signal() != 0)
        std::_Exit(status_after_signal(interrupt_signal()));
    take_terminal_again();
}

// A continue after a stop from outside (SIGSTOP), which gave the shell the
// terminal without the game's knowing: the shell's mode is on it now. The
// game takes its own again, once in the foreground, and has its list drawn
// again. A continue that finds the game's mode changes nothing.
static bool resume_game_after_stop() {
    if (!raw_mode_lost())
        return false;
    wait_for_foreground();
    take_terminal_again();
    return true;
}

// ---- End

void session_end() {
    // The terminal's own colours back, and the rest of the screen cleared
    // in them, so the shell's text after the game is in its own colours.
    // No handler touches the keyboard mode, so nothing can take it again
    // once it has been given back here.
    term_reset_attr();
    term_clear_below();
    term_bracketed_paste(false);
    term_flush();
    session.game_screen_on = 0;
    give_back_unread_input();
    // Out of the foreground the keys and the settings are the shell's, and
    // touching them would stop the game by SIGTTOU in its own end.
    if (!owns_terminal())
        return;
    discard_unread_keys();
    raw_mode_off();
}

// ---- How the game ended

// The exit status, after a message for what failed: what names the output
// in it. After a hang-up (SIGHUP, or the terminal itself: an end of input
// that came with one, or a write that failed with EIO) there is no terminal
// to fault, and the game ends as SIGHUP ends it, quietly, whether the
// signal came before, comes after or never comes.
static int ending_status(const char* what) {
    int write_error = term_write_error();
    bool hung_up = interrupt_signal() == SIGHUP || input_error() == EIO || write_error == EIO;
    int ending_signal = interrupt_signal() != 0 ? interrupt_signal() : hung_up ? SIGHUP : 0;
    if (hung_up)
        write_error = 0;
    int read_error = hung_up ? 0 : input_error();
    // A reader that has gone is how a pipeline ends its writer (vakna | head):
    // nothing to report, and the end by the SIGPIPE that was held off, as
    // the pipeline's other programs have, unless it was ignored throughout.
    bool reader_gone = write_error == EPIPE && !sigismember(&session.ignored_at_start, SIGPIPE);
    if (write_error != 0 && !reader_gone)
        std::fprintf(stderr, _("vakna: cannot %s: %s\n"), _(what), messages_error(write_error));
    if (read_error != 0)
        std::fprintf(stderr, _("vakna: cannot read the keyboard: %s\n"),
                     messages_error(read_error));
    if (ending_signal != 0)
        return status_after_signal(ending_signal);
    if (reader_gone && read_error == 0)
        return status_after_signal(SIGPIPE);
    return write_error != 0 || read_error != 0 ? CANNOT_WRITE : 0;
}

// Help and version go to standard output, which may be a file or a pipe
// that fails: the same write, and the same statuses, as the game's screen.
int session_answer(const char* text) {
    // As in the game: past a file's size limit a write fails, and a reader
    // that has gone is told from the write, not by a signal that kills.
    for (int signal_number : {SIGPIPE, SIGXFSZ}) {
        struct sigaction found;
        install(signal_number, SIG_IGN, GOES_ON, &found);
        if (found.sa_handler == SIG_IGN)
            sigaddset(&session.ignored_at_start, signal_number);
    }
    term_put_text(text);
    term_flush();
    return ending_status(N_("write standard output"));
}

// ---- The game

// The one choice between the full and the plain game: how the screen is
// written, which chooser answers, and whether the game takes the keyboard
// and carries out a stop itself (session.plain, for the start and the
// signals' handlers).
static void choose_style(TermStyle style) {
    session.plain = style == STYLE_PLAIN;
    term_set_style(style);
    paragraph_set_style(style);
    if (session.plain)
        story_chooser = plain_choose;
    else
        chooser_set_stops({stop_game, resume_game_after_stop});
}

int run_game(TermStyle style) {
    choose_style(style);
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
        std::fputs(_("vakna: internal error\n"), stderr);
        return INTERNAL_ERROR;
    }
    return ending_status(N_("write the screen"));
}
