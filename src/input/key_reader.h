// The key reader: one key code per call from standard input. It owns the
// bytes read and not yet used and the decoder's state, and waits for bytes
// with the time limits the decoder asks for, in the terminal's one wait
// (term/terminal.h), which a signal's note ends; the decoder (key_decoder)
// makes keys of the bytes. The notes it reports as keys are the terminal
// room's.
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
// The errno that every read of standard input would fail with (EBADF
// closed or open for writing only, EISDIR a folder), or 0: for the game to
// end before it draws anything.
int input_unreadable();

// Whether the input ended with its terminal's hang-up: an end of input with
// POLLHUP, or EIO from a terminal whose foreground the game is in (out of
// it, EIO is the refusal of an orphaned group's read).
bool input_hung_up();

// The end of the game's input. From a file on standard input the offset
// goes back over the bytes held and not used, so that the next program
// reads on from there, as after head. From a terminal whose foreground the
// game is in, what has been typed but not read is thrown away, so that no
// rest of a paste reaches the shell as commands: a long paste is still
// arriving when the game has read its q, so what comes later goes too, until
// the input has been quiet for PASTE_PAUSE_MS, and MOST_DISCARD_MS at most.
// A paste that an interrupt cut short goes on being dropped up to its end
// marker, or, unmarked, until the input has been quiet for
// CUT_PASTE_PAUSE_MS. A hang-up meanwhile is kept as the end of input's.
constexpr int PASTE_PAUSE_MS = 50;
constexpr int MOST_DISCARD_MS = 1000;
constexpr int CUT_PASTE_PAUSE_MS = 3000;
void finish_input();
// Forgets the bytes the reader holds unread, and the key begun; the
// descriptor is left alone.
void forget_unread_keys();
// How many bytes the reader holds, read and not yet used: for tests.
int unread_input_bytes();
