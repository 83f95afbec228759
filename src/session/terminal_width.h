// The terminal's size, kept up to date across resizes and suspensions.
#pragma once

#include "term/term_width.h"

// The width used when no standard stream is a terminal, or the terminal
// reports 0 columns.
constexpr int FALLBACK_WIDTH = 80;

// Sets TERM_WIDTH and TERM_HEIGHT from the window-size query of the first
// of standard output, standard input and standard error that is a terminal.
// Async-signal-safe.
void read_terminal_width();

// SIGWINCH handler: measures the size again. Writes nothing.
void on_window_change(int signal_number);
