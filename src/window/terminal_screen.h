// A screen whose cells are shown on the terminal on standard output, with
// cell 0, 0 at the terminal's top left. It keeps its own copy of the cells so
// that scrolling can redraw what moved. Output gathers in the screen's frame
// (term/ansi.h), which the caller sends (terminal_flush, term/terminal.h)
// before it waits.
//
// The window fills one cell per byte, while the terminal shows a UTF-8
// character in one column. So a cell that begins a complete UTF-8 character
// (its further bytes in the cells to its right on the same row) shows the
// whole character, and the cells of its further bytes show spaces. Control
// bytes, and bytes that form no complete character, show as '?': no byte
// written into a cell can reach the terminal as a control.
#pragma once

#include "window/memory_screen.h"

struct TerminalScreen {
    MemoryScreen cells; // what the terminal is meant to show
};

// Draws nothing: the terminal is taken to show the blank copy only after
// the window has cleared it or terminal_screen_redraw has drawn it.
TerminalScreen* terminal_screen_new(int width, int height);
// Keeps the cells that stay inside, the new ones blank; draws nothing.
void terminal_screen_resize(TerminalScreen* screen, int width, int height);
// Draws every cell of the copy again, for instance after other output.
void terminal_screen_redraw(TerminalScreen* screen);

void terminal_screen_destroy(void* screen);
void terminal_screen_put_cell(void* screen, int x, int y, int attr, char ch);
void terminal_screen_scroll_up(void* screen, int n); // redraws the whole screen
int terminal_screen_width(void* screen);
int terminal_screen_height(void* screen);

extern const ScreenOps TERMINAL_SCREEN_OPS;
