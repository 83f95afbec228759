// A text window: a cursor and a current attribute laid over any screen of
// character cells. The window draws nothing itself; every cell it changes and
// every question about the screen's size goes through the screen's ScreenOps.
// The window covers the whole screen, column 0, row 0 at the top left.
#pragma once

// What a screen must offer the window. Every operation takes the screen
// object as its first argument.
struct ScreenOps {
    // Releases the screen object and all it holds. For the screen's owner
    // only: the window never calls it and never releases its screen.
    void (*destroy)(void* screen);
    void (*put_cell)(void* screen, int x, int y, int attr, char ch);
    // Moves the contents up by n rows. The window calls it with 1 only and
    // blanks the exposed row itself, so a screen may leave that row as it likes.
    void (*scroll_up)(void* screen, int n);
    int (*width)(void* screen);
    int (*height)(void* screen);
};

struct TextWindow {
    const ScreenOps* screen_ops;
    void* screen; // passed to every ScreenOps call, never looked into
    int x;
    int y;
    int attr; // a TextAttr byte, given to every cell the window writes
};

// Makes a window at 0, 0 with attribute 7 over the screen; draws nothing.
// Returns a null pointer when no memory can be had (nothing is thrown).
// The window is one block from new: release it with delete. The screen and
// its table must outlive the window.
TextWindow* window_new(const ScreenOps* screen_ops, void* screen);

// The size is asked of the screen afresh by every operation, so a screen that
// changes size is followed from the next operation on: each move and each
// write first brings a cursor that the shrinking left outside back inside.
// Negative positions and counts count as 0. On a screen with no cells the
// cursor stays at 0, 0 and nothing is written.
void window_set_cursor(TextWindow* w, int x, int y); // clamped to the last row and column
void window_cursor_up(TextWindow* w, int n);
void window_cursor_down(TextWindow* w, int n);
void window_cursor_left(TextWindow* w, int n);
void window_cursor_right(TextWindow* w, int n); // stops at the last column, never wraps
// Colours are 0..15 and are not masked: a larger one spills into the other nibble.
void window_set_fg(TextWindow* w, int colour); // keeps the background nibble
void window_set_bg(TextWindow* w, int colour); // keeps the foreground nibble
void window_set_attr(TextWindow* w, int attr); // keeps the low byte
// Interprets backspace, tab (stops every 8 columns), newline (scrolls on the
// bottom row and blanks the new row) and carriage return; any other byte
// fills one cell and the cursor wraps at once after the last column.
void window_putc(TextWindow* w, char ch);
void window_clear(TextWindow* w);     // spaces in the current attribute; cursor stays
void window_clear_eol(TextWindow* w); // from the cursor to the right edge; cursor stays
int window_get_fg(TextWindow* w);
int window_get_bg(TextWindow* w);
int window_get_x(TextWindow* w);
int window_get_y(TextWindow* w);

int window_get_attr(TextWindow* w);
void window_puts(TextWindow* w, const char* text);
// Writes up to n bytes of text, stopping at its NUL; a negative n writes it all.
void window_put_n(TextWindow* w, const char* text, int n);
// Writes text from the cursor, breaking rows at the last space that fits; the
// one space at a break is dropped. A word wider than the whole screen is cut
// into pieces one screen wide.
void window_put_wrapped(TextWindow* w, const char* text);

// The window's fifteen basic operations as one table of plain pointers.
struct TextWindowTable {
    void (*window_set_cursor)(TextWindow* w, int x, int y);
    void (*window_cursor_up)(TextWindow* w, int n);
    void (*window_cursor_down)(TextWindow* w, int n);
    void (*window_cursor_left)(TextWindow* w, int n);
    void (*window_cursor_right)(TextWindow* w, int n);
    void (*window_set_fg)(TextWindow* w, int colour);
    void (*window_set_bg)(TextWindow* w, int colour);
    void (*window_set_attr)(TextWindow* w, int attr);
    void (*window_putc)(TextWindow* w, char ch);
    void (*window_clear)(TextWindow* w);
    void (*window_clear_eol)(TextWindow* w);
    int (*window_get_fg)(TextWindow* w);
    int (*window_get_bg)(TextWindow* w);
    int (*window_get_x)(TextWindow* w);
    int (*window_get_y)(TextWindow* w);
};

extern const TextWindowTable TextWindowOps;
