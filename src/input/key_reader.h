// The key reader: one key code per call from standard input, with terminal
// escape sequences decoded and a push-back ring for replayed bytes and for
// the interrupt signals.
#pragma once

#include <cstdint>

// Decoded keys. A plain byte comes back as a signed 8-bit value, so these
// share their codes with the control bytes (KEY_INSERT reads like a tab).
enum : int {
    KEY_INTERRUPT = 0, // a signal, or the end of input
    KEY_UP = 1,
    KEY_DOWN = 2,
    KEY_LEFT = 3,
    KEY_RIGHT = 4,
    KEY_HOME = 5,
    KEY_END = 6,
    KEY_PAGE_UP = 7,
    KEY_PAGE_DOWN = 8,
    KEY_INSERT = 9,
    KEY_F1 = 11,
    KEY_F2 = 12,
    KEY_F3 = 13,
    KEY_F4 = 14,
    KEY_F5 = 15,
    KEY_ESCAPE = 27,
    KEY_DELETE = 127,
    // Above the byte range: what happened to the terminal while the game
    // waited, for the chooser to draw its list again.
    KEY_RESIZE = 256,   // the window changed size
    KEY_CONTINUE = 257, // the game went on after a stop
};

// Time allowed for each further byte of an escape sequence.
constexpr int ESCAPE_BYTE_TIMEOUT_MS = 100;
// Stray bytes a console F-key sequence may pass over before it fails.
constexpr int MAX_CONSOLE_FN_STRAY = 32;
// Longest key sequence, its ESC included, that the decoder takes; a longer
// one fails. (Not the console F-key sequence, whose stray bytes are counted.)
constexpr int MAX_SEQUENCE_BYTES = 32;

// The push-back ring: bytes waiting to be returned before any new input.
// Empty when the two indexes are equal; both wrap from 255 to 0.
extern volatile char pushback_buf[256];
extern volatile std::uint8_t pushback_in;
extern volatile std::uint8_t pushback_out;

// Returns the next key code; blocks until one is available. At the end of
// input, and on a read error, returns KEY_INTERRUPT at once. A noted
// continue or resize comes back as KEY_CONTINUE or KEY_RESIZE before any
// further key; a noted suspension is carried out first. Holds the game's
// signals back while it runs, except during its waits.
int read_key();

// Waits up to timeout_ms (negative: without limit) for standard input, then
// reads at most one byte. Returns 0 when the time passed, a negative value
// when the wait failed or a signal ended it (errno EINTR), and otherwise the
// result of the read: 1 with a byte stored at dest, 0 at end of input. When
// a terminal has discarded the input that the wait saw (as typing the
// interrupt key does), returns -1 with errno EINTR instead of reading.
int read_byte_timeout(char* dest, int timeout_ms);

// Handler of SIGINT, SIGQUIT and SIGTERM: queues a KEY_INTERRUPT, unless
// the ring is full and so already holds a key for the reader.
void on_interrupt(int signal_number);

// The signal that queued the first KEY_INTERRUPT (SIGINT, SIGQUIT or
// SIGTERM), or 0 while none has.
extern volatile int interrupt_signal;

// What a signal handler notes for read_key to act on at its next wait, on
// the main path. Async-signal-safe: a store.
enum TerminalEvent { EVENT_SUSPEND, EVENT_CONTINUE, EVENT_RESIZE };
void note_terminal_event(TerminalEvent event);

// Carries out a suspension noted with EVENT_SUSPEND: called by read_key on
// the main path, with the game's signals held back. Set by the session; a
// suspension is ignored while it is null.
extern void (*suspend_game)();

// Installs on_interrupt for the three signals, each holding back all three
// while it runs so that two handlers never interleave on the ring, and
// without restarting calls, so that a signal ends the reader's wait.
void install_interrupt_handlers();
