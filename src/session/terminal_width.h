// The terminal's width, kept up to date across resizes.
#pragma once

#include "term/term_width.h"

// The width used when standard output is no terminal or reports 0 columns.
constexpr int FALLBACK_WIDTH = 80;

// Sets TERM_WIDTH from the window-size query of standard output.
void read_terminal_width();

// SIGWINCH handler: measures the width again. Writes nothing.
void on_window_change(int signal_number);
