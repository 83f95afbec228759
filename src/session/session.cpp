// The terminal's whole life, from the top: the signals the game takes, the
// start, a stop and its continue, the end, and the game between them. The
// key reader only reports what the handlers noted; everything that touches
// the terminal happens here or in the chooser, on the main path.
#include "session/session.h"

#include "input/key_reader.h"
#include "menu/chooser.h"
#include "menu/plain_chooser.h"
#include "session/raw_mode.h"
#include "session/terminal_width.h"
#include "story/story.h"
#include "term/ansi.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <termios.h>
#include <unistd.h>

// ---- Signals

// Set when a SIGCONT arrives, so a stop can tell that it was woken.
static volatile sig_atomic_t continued = 0;

// Ctrl-Z: only noted, since giving the terminal back means writing to it,
// which a handler must not do. The chooser carries it out at its next wait
// for a key, with the cursor below its list (stop_game).
static void on_stop(int) {
    note_terminal_event(EVENT_SUSPEND);
}

static void on_continue(int) {
    continued = 1;
}

struct SignalRole {
    int number;
    void (*full)(int);  // in the full style
    void (*plain)(int); // in the plain style
};

// Every signal the game changes. The interrupts end the game in order, and
// then by the signal itself; a hang-up too, since a kill -HUP leaves the
// terminal in use. The plain style leaves the terminal's line editing and
// echo on, so a stop there is the system's: nothing to give back or draw
// again. A reader that goes away is an ordinary write error, which ends the
// game in order, instead of a signal that kills it mid-screen. Everything
// else is left to the system: a game in the background that touches the
// terminal is stopped by SIGTTOU or SIGTTIN.
static const SignalRole SIGNAL_ROLES[] = {
    {SIGINT, on_interrupt, on_interrupt},
    {SIGQUIT, on_interrupt, on_interrupt},
    {SIGTERM, on_interrupt, on_interrupt},
    {SIGHUP, on_interrupt, on_interrupt},
    {SIGWINCH, on_window_change, on_window_change},
    {SIGTSTP, on_stop, SIG_DFL},
    {SIGCONT, on_continue, SIG_DFL},
    {SIGPIPE, SIG_IGN, SIG_IGN},
};

static bool reports_to_key_reader(void (*handler)(int)) {
    return handler == on_interrupt || handler == on_window_change || handler == on_stop;
}

// Each handler holds back the others that report to the key reader, so two
// never interleave on its notes. A write to the terminal that a signal cuts
// short goes on afterwards (SA_RESTART), so a resize while the terminal is
// slow to take the output loses none of it; the key reader's wait (pselect)
// is never resumed, so a signal still ends it.
static void install(int signal_number, void (*handler)(int), struct sigaction* before = nullptr) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_mask = reported_signals;
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, &action, before);
}

void session_signals_on(TermStyle style) {
    sigemptyset(&reported_signals);
    for (const SignalRole& role : SIGNAL_ROLES) {
        void (*handler)(int) = style == STYLE_PLAIN ? role.plain : role.full;
        if (reports_to_key_reader(handler))
            sigaddset(&reported_signals, role.number);
    }
    for (const SignalRole& role : SIGNAL_ROLES)
        install(role.number, style == STYLE_PLAIN ? role.plain : role.full);
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
    install(signal_number, SIG_DFL);
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, signal_number);
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);
    raise(signal_number);
    return 128 + signal_number;
}

// ---- Start

void session_start() {
    // Line by line whatever the output is, so that a game played through a
    // pipe (vakna | tee FILE) shows each screen before its wait for a key,
    // as on a terminal.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    if (term_style != STYLE_PLAIN)
        raw_mode_on();
    session_signals_on(term_style);
    read_terminal_width();
    // Set before the clear, so the whole screen takes the game's colours.
    // (The plain style writes none of these sequences.)
    term_set_attr(ATTR_NORMAL);
    term_clear_screen();
    term_move_to(0, 0);
}

// ---- A stop and its continue

// Whether the game's process group is the foreground of its terminal (the
// keyboard's, else the screen's); true without one.
static bool owns_terminal() {
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO}) {
        pid_t foreground = tcgetpgrp(descriptor);
        if (foreground != -1)
            return foreground == getpgrp();
    }
    return true;
}

// Stops the game by the default action of signal_number until it is
// continued. False when it was never stopped: the kernel drops the stop of
// a process group that no shell of its session could wake (the game started
// straight by a terminal emulator).
static bool stop_by(int signal_number) {
    struct sigaction own;
    install(signal_number, SIG_DFL, &own);
    sigset_t stop, held;
    sigemptyset(&stop);
    sigaddset(&stop, signal_number);
    continued = 0;
    sigprocmask(SIG_UNBLOCK, &stop, &held);
    raise(signal_number);
    sigprocmask(SIG_SETMASK, &held, nullptr);
    sigaction(signal_number, &own, nullptr);
    return continued;
}

// While the game is stopped the terminal is the shell's, and nothing of the
// game needs ending: these end it at once by their own action, as they end
// any stopped program (kill %1). SIGQUIT keeps its handler, which spares
// the core file.
constexpr int ENDING_WHILE_STOPPED[] = {SIGINT, SIGTERM, SIGHUP};

// Ctrl-Z, carried out by the chooser with the cursor below its list: the
// shell gets the terminal as it was found, its own colours included, and
// the game stops. Continued in the background (bg), it must not take the
// terminal: it stops again, as any background job that needs its terminal
// does, until fg. Told to end just before the stop, or by SIGQUIT while
// stopped, it ends as soon as it runs again, by the signal, without
// touching the terminal: from the background that would stop it again.
static void stop_game() {
    term_reset_attr();
    term_flush();
    raw_mode_give_back();
    struct sigaction own[std::size(ENDING_WHILE_STOPPED)];
    for (size_t i = 0; i < std::size(ENDING_WHILE_STOPPED); i++)
        install(ENDING_WHILE_STOPPED[i], SIG_DFL, &own[i]);
    bool stopped = interrupt_signal == 0 && stop_by(SIGTSTP);
    while (stopped && interrupt_signal == 0 && !owns_terminal())
        stopped = stop_by(SIGTTOU);
    for (size_t i = 0; i < std::size(ENDING_WHILE_STOPPED); i++)
        sigaction(ENDING_WHILE_STOPPED[i], &own[i], nullptr);
    if (interrupt_signal != 0)
        std::_Exit(status_after_signal(interrupt_signal));
    raw_mode_take_again();
    // A stopped game gets no SIGWINCH: the window may have changed while
    // the shell had it.
    read_terminal_width();
    term_restore_attr();
}

// ---- End

void session_end() {
    // The terminal's own colours back, and the rest of the screen cleared
    // in them, so the shell's text after the game is in its own colours.
    // No handler touches the keyboard mode, so nothing can take it again
    // once it has been given back here.
    term_reset_attr();
    term_clear_below();
    term_flush();
    discard_unread_keys();
    raw_mode_off();
}

// ---- The game

int run_game(TermStyle style) {
    term_style = style;
    if (style == STYLE_PLAIN)
        story_chooser = plain_choose;
    else
        suspend_game = stop_game;
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
