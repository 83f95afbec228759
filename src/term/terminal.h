// The terminal's life for the game, in one room: the signals the game takes
// and what their handlers note, the pipe that wakes every wait, the
// keyboard mode, taking the terminal and giving it back, a stop and its
// continue. A handler only notes (a count, a wake byte); the stop, the
// continue and every drawing happen on the main path, when the chooser asks
// for them here, between two waits for a key.
#pragma once

#include "term/ansi.h"

#include <sys/types.h>
#include <termios.h>

// Installs the game's handlers for the style and lets through the handled
// signals that the parent blocked. terminal_take does so; tests call it
// alone.
void terminal_signals_on(TermStyle style);

// Whether every standard stream that is a terminal is the game's
// controlling terminal. Another's (the game started by setsid, or with no
// controlling terminal at all) is never switched to the game's settings.
bool terminal_is_own();

// Takes the terminal for the game, every handler in place first: waits for
// the foreground, turns the keyboard mode on (not in the plain style),
// measures the window, and clears the screen in the game's colours with
// bracketed paste on. False, with nothing changed or drawn, when the game
// is out of the foreground where no stop can come (an orphaned group).
bool terminal_take(TermStyle style);
// Gives the screen back: the terminal's own colours, the rest of the
// screen cleared in them, bracketed paste off, all of it sent, and after an
// ending signal without waiting for a terminal that takes no output.
void terminal_screen_off();
// Gives the settings found back, for good: nothing takes the keyboard mode
// again afterwards.
void terminal_keyboard_off();
// Whether the game's process group is the foreground of its terminal (the
// keyboard's, else the screen's); true without one. Out of it the keys and
// the settings are the shell's.
bool terminal_in_foreground();

// Whether the game holds the keyboard mode, and so carries out a stop
// itself: not in the plain style, nor in a test that took no terminal.
bool terminal_keyboard_taken();
// Ctrl-Z, called with the cursor below the list when the keyboard is
// taken: gives the shell the terminal as it was found, stops until the game
// is in the foreground again, then takes the terminal back and measures the
// window.
void terminal_stop();
// After a continue: when a stop the game did not make (SIGSTOP) gave the
// shell the terminal, takes it back and returns true, for the list to be
// drawn again as after terminal_stop.
bool terminal_resume();

// What the handlers noted of a stop, a continue and a new size, taken once
// each: the stop first, then the continue, then the new size. A stop noted
// while an interrupt waits is dropped, since it would only delay the end.
enum TerminalNote { NOTE_NONE, NOTE_STOP, NOTE_CONTINUE, NOTE_RESIZE };
TerminalNote terminal_take_note();
// Whether a note waits to be taken.
bool terminal_note_waiting();
// An interrupt (SIGINT, SIGQUIT, SIGTERM, SIGHUP) is noted once per signal
// and answered once, as a key.
bool terminal_interrupt_waiting();
void terminal_answer_interrupt();
// The handler of the interrupts; async-signal-safe.
void terminal_note_interrupt(int signal_number);
// The signal of the first interrupt noted, 0 while none: once it is set,
// the game is to end, and no write waits for the terminal any more.
int terminal_ending_signal();

// Sends the screen's frame (term/ansi.h): called before every wait for a
// key, before a stop and at the end. It returns when the terminal has taken
// every byte (true), a write has failed (terminal_write_error), or, once
// the game is to end, when the terminal takes no more at once: false then,
// with the rest dropped.
bool terminal_flush();
// The system's error number of the first write to the screen that failed,
// or 0. Nothing is written after it. Callers look here before every wait
// and at the end.
int terminal_write_error();

// Writes what the descriptor takes now, never waiting for it, whatever its
// flags: as write(), with EAGAIN when it takes nothing now. So a signal
// that lands just before the write cannot leave it waiting on the
// terminal. Async-signal-safe.
ssize_t terminal_write_now(int descriptor, const char* bytes, size_t size);

// The one wait of the game, for a key and for a screen that takes no more:
// until the descriptor is ready for events or timeout_ms pass (negative:
// no limit). Returns 1, 0, or -1 with errno EINTR when a handler noted
// something, whose note the caller looks at next.
int terminal_wait(int descriptor, short events, int timeout_ms);

// Ends the game as the signal ends a program, by its default action, so
// that the parent sees it; returns the shell's status for it where that
// action would leave a core file (SIGQUIT) or the signal was ignored from
// the start. Async-signal-safe.
int terminal_end_by(int signal_number);
// Whether the signal was found ignored at the start (nohup, a script's
// background job): it stays ignored.
bool terminal_ignored_at_start(int signal_number);
// For an answer on standard output (the help, the version): a reader that
// has gone and a file past its size limit make write errors, not signals.
void terminal_writes_fail_quietly();

// The settings of standard input as found when the game took it;
// zero-filled when standard input is no terminal.
const termios& terminal_found_settings();
