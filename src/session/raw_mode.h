// The game's keyboard mode: canonical input, echo and output flow control
// off, each key read alone, nothing else.
#pragma once

#include <termios.h>

// Settings of standard input as found when the session opened; zero-filled
// when standard input is no terminal.
extern termios saved_termios;

// Saves the settings of standard input, clears ICANON, ECHO and IXON, and
// sets VMIN 1 and VTIME 0.
void raw_mode_on();
// Applies saved_termios again, for good.
void raw_mode_off();

// For a stop: the settings as found, then the game's mode again, over the
// settings found now, which are the ones given back from then on (the
// player may have changed them while the game was stopped). Both only while
// the mode is on, and only on the main path: no signal handler takes the
// keyboard mode, so none can take it again after the end. Giving it back is
// async-signal-safe, for the handlers of fatal signals.
void raw_mode_give_back();
void raw_mode_take_again();
// Whether the mode is on but the terminal is no longer in it: a stop the
// game did not make gave it to the shell, which put its own mode on it.
bool raw_mode_lost();
