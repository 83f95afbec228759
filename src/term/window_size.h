// The window's size: the one place it is kept. It changes only on the main
// path, when the window is measured, never under a signal handler, so one
// drawing lays every line out at the one size measured before it.
#pragma once

// The width used when no standard stream is a terminal, or the terminal
// reports 0 columns.
constexpr int FALLBACK_WIDTH = 80;

struct WindowSize {
    int columns; // what the writers lay their lines out to; 0 until measured
    int rows;    // what the chooser fits its list into; 0 when unknown: no limit
};

// The size as last measured or set.
const WindowSize& term_window();

// Measures the window of the first of standard output, standard input and
// standard error that is a terminal. Called when the session starts, and
// when a resize or a continue is taken.
void term_measure_window();

// A size of the caller's choosing, for a tool or a test with no window.
void term_set_window(WindowSize size);
