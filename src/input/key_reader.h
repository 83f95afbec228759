// The key reader: one key code per call from standard input, with terminal
// escape sequences decoded and a push-back ring for replayed bytes. It only
// reads keys and reports what the signal handlers noted; what a signal does
// to the terminal and the process is the session's.
#pragma once

#include <cstdint>

// Key codes. A plain byte comes back as a signed 8-bit value; everything
// else has a code above the byte range, so that no decoded key reads as a
// control byte (Page Down is no backspace) and no typed byte as a key.
enum : int {
    // What happened to the terminal or the input while the game waited.
    KEY_RESIZE = 256,       // the window changed size
    KEY_SUSPEND = 257,      // Ctrl-Z or SIGTSTP: the screen's owner is to stop
    KEY_INTERRUPT = 258,    // SIGINT, SIGQUIT, SIGTERM or SIGHUP
    KEY_INPUT_CLOSED = 259, // the end of input, or a read error (input_error)
    KEY_CONTINUE = 260,     // SIGCONT: the game goes on after a stop

    // Keys decoded from escape sequences, far from any byte.
    KEY_UP = 1000,
    KEY_DOWN,
    KEY_LEFT,
    KEY_RIGHT,
    KEY_HOME,
    KEY_END,
    KEY_PAGE_UP,
    KEY_PAGE_DOWN,
    KEY_INSERT,
    KEY_DELETE,
    KEY_ESCAPE, // a lone Esc
    KEY_F1,
    KEY_F2,
    KEY_F3,
    KEY_F4,
    KEY_F5,
    KEY_F6,
    KEY_F7,
    KEY_F8,
    KEY_F9,
    KEY_F10,
    KEY_F11,
    KEY_F12,
};

// Time allowed for the byte after an ESC that came alone; none within it
// makes a lone Esc.
constexpr int ESCAPE_BYTE_TIMEOUT_MS = 100;
// Time allowed for each further byte once "[" or "O" (or "]", "P", "_" or
// "^", which begin a terminal's string) has followed the ESC: a key
// sequence cut by a slow link still arrives as its key. A paste has none.
constexpr int SEQUENCE_BYTE_TIMEOUT_MS = 1000;
// Stray bytes a console F-key sequence may pass over before it fails.
constexpr int MAX_CONSOLE_FN_STRAY = 32;
// Longest key sequence, its ESC included, that the decoder takes; a longer
// one is passed over up to its final byte, and none of its bytes is a key.
// (Not the console F-key sequence, whose stray bytes are counted.)
constexpr int MAX_SEQUENCE_BYTES = 32;

// The push-back ring: bytes waiting to be returned before any new input.
// Empty when the two indexes are equal; both wrap from 255 to 0.
extern volatile char pushback_buf[256];
extern volatile std::uint8_t pushback_in;
extern volatile std::uint8_t pushback_out;

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
extern int input_error;

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
// Forgets what the reader holds unread (put back or read ahead), as
// discard_unread_keys does first; the descriptor is left alone.
void forget_unread_keys();
// Forgets it too, but from a file on standard input first moves the offset
// back over it, so that the next program reads on from there, as after
// head; a pipe or a terminal cannot take it back.
void give_back_unread_input();

// Takes a byte the reader holds unread, or waits up to timeout_ms (negative:
// without limit) for standard input and reads what is waiting. Returns 0
// when the time passed, a negative value when the wait failed or a signal
// ended it (errno EINTR), and otherwise 1 with a byte stored at dest, or 0
// at end of input. When
// a terminal has discarded the input that the wait saw (as typing the
// interrupt key does), returns -1 with errno EINTR instead of reading.
int read_byte_timeout(char* dest, int timeout_ms);

// Signal handler that counts a KEY_INTERRUPT for the reader.
void on_interrupt(int signal_number);

// The signal that queued the first KEY_INTERRUPT, or 0 while none has.
extern volatile int interrupt_signal;

// What a signal handler notes for read_key to report at its next call, on
// the main path. Async-signal-safe: a count and a write to a pipe.
enum TerminalEvent { EVENT_SUSPEND, EVENT_RESIZE, EVENT_CONTINUE };
void note_terminal_event(TerminalEvent event);

// Opens the pipe through which the handlers above wake a wait of the
// reader; called before they are installed. No signal is ever held back:
// a note made while the reader looks at the notes ends the wait that follows.
void open_signal_pipe();
