// The game as a program: the style chosen once, the story's run between
// taking the terminal and giving it back, and the exit status.
#pragma once

#include "term/ansi.h"

// Exit statuses besides 0, in the usual meanings: a command used wrongly,
// and those of sysexits.
constexpr int USAGE_ERROR = 2;
constexpr int INTERNAL_ERROR = 70;
constexpr int CANNOT_WRITE = 74;

// Writes text (the help, the version) to standard output as the game writes
// its screen, and returns the exit status as the game's: 0, or 74 after a
// message for a write that failed (a full disk, a file-size limit); ended by
// SIGPIPE when the reader has gone, by SIGHUP after a hang-up.
int session_answer(const char* text);

// The game: opens the session, plays from a new game until the story
// returns, and closes the session. Returns the exit status: 0 when the
// story has ended, nonzero when an error escaped it (the terminal is
// restored first either way). The style is chosen here, once: the plain one
// also answers with the plain chooser and leaves the keyboard mode and Ctrl-Z
// to the terminal.
int run_game(TermStyle style = STYLE_COLOR);
