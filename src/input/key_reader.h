// The key reader: one key code per call from standard input. It owns the
// bytes read and not yet used, the waits for them (with the time limits the
// decoder asks for), the notes of the signal handlers and the pipe that
// wakes its waits; the decoder (key_decoder) makes keys of the bytes. What a
// signal does to the terminal and the process is the session's.
#pragma once

#include "input/key_codes.h"

// Returns the next key code; blocks until one is available. At the end of
// input, and on a read error, returns KEY_INPUT_CLOSED at once. A noted
// stop, continue or resize comes back as KEY_SUSPEND, KEY_CONTINUE or
// KEY_RESIZE before any further key, in that order; an interrupt comes back
// as KEY_INTERRUPT once per signal, after the key it interrupted.
int read_key();

// The next byte of input as read_key would begin a key with it, undecoded:
// an ESC is the byte 27. Signals and the end of input come back as from
// read_key. For reading lines of text.
int read_byte();

// The errno of the read error that closed the input, or 0. A terminal that
// hung up (its end of input comes with POLLHUP) sets EIO, as a read from
// it may fail with.
int input_error();

// Waits until standard output takes more bytes, or a signal handler has
// noted something: the wait for a key, on the screen.
void wait_for_output_room();

// Throws away what has been typed but not read, on a terminal: the rest of
// a paste, which must not reach the shell as commands. A long paste is still
// arriving when the game has read its q, so what comes later goes too, until
// the input has been quiet for PASTE_PAUSE_MS, and MOST_DISCARD_MS at most.
constexpr int PASTE_PAUSE_MS = 50;
constexpr int MOST_DISCARD_MS = 1000;
void discard_unread_keys();
// Forgets the bytes the reader holds unread, as discard_unread_keys does
// first; the descriptor is left alone.
void forget_unread_keys();
// Forgets them too, but from a file on standard input first moves the
// offset back over them, so that the next program reads on from there, as
// after head; a pipe or a terminal cannot take them back.
void give_back_unread_input();
// How many bytes the reader holds, read and not yet used: for tests.
int unread_input_bytes();

// Signal handler that counts a KEY_INTERRUPT for the reader.
void on_interrupt(int signal_number);

// The signal that queued the first KEY_INTERRUPT, or 0 while none has.
int interrupt_signal();

// What a signal handler notes for read_key to report at its next call, on
// the main path. Async-signal-safe, as on_interrupt: a count and a write
// to the pipe.
enum TerminalEvent { EVENT_SUSPEND, EVENT_RESIZE, EVENT_CONTINUE };
void note_terminal_event(TerminalEvent event);

// Opens the pipe through which the handlers above wake a wait of the
// reader; called before they are installed. No signal is ever held back:
// a note made while the reader looks at the notes ends the wait that follows.
void open_signal_pipe();
