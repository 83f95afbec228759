// ANSI (VT100-family) output primitives and the text attribute byte.
// Every operation writes through the buffered standard output stream and
// never flushes it.
#pragma once

// A text attribute, one byte passed in an int: bits 0-2 foreground colour
// (bit 0 blue, bit 1 green, bit 2 red), bit 3 bright, bits 4-6 background
// colour in the same order, bit 7 blink.
using TextAttr = int;

constexpr TextAttr ATTR_NORMAL = 7;     // light grey on black
constexpr TextAttr ATTR_HIGHLIGHT = 47; // bright white on green

// How the terminal is written to. STYLE_COLOR is the game's own.
// STYLE_MONOCHROME (NO_COLOR set) writes no colour: an attribute with a
// coloured background as reverse video, any other as the terminal's own
// rendition; cursor moves and erases stay. STYLE_PLAIN (screen readers,
// dumb terminals) writes no escape byte at all: every operation here that
// would write a control sequence writes nothing.
enum TermStyle { STYLE_COLOR, STYLE_MONOCHROME, STYLE_PLAIN };
extern TermStyle term_style;

// Attribute colour numbers put blue in bit 0, ANSI colour numbers put red
// there; this table turns the one into the other.
extern const int ATTR_TO_ANSI[8];

void term_move_to(int column, int row); // zero-based
void term_cursor_up(int n);
void term_cursor_down(int n);
void term_cursor_right(int n);
void term_cursor_left(int n);
void term_set_attr(TextAttr attr);
// Sends the attribute last set again, after another program has had the
// terminal (a suspension); nothing before the first setting.
void term_restore_attr();
// Gives the terminal its own attributes back: ESC [0m.
void term_reset_attr();
// Bracketed paste on or off: while on, the terminal marks pasted text with
// ESC [200~ and ESC [201~, so that it is never taken for keys.
void term_bracketed_paste(bool on);
// What gives the terminal back from a handler of a fatal signal, in one
// write(): its own attributes, and no bracketed paste.
constexpr char TERM_GIVE_BACK_AT_ONCE[] = "\x1b[0m\x1b[?2004l";
void term_putch(char c);
// Text as it is, without a line feed of its own (as fputs).
void term_put_text(const char* text);
[[gnu::format(printf, 1, 2)]] void term_printf(const char* format, ...);
void term_clear_screen(); // leaves the cursor where it is
void term_clear_eol();
void term_clear_below(); // from the cursor to the end of the screen

// Flushes the screen stream, noting a failure for term_write_error.
void term_flush();
// The system's error number of the first write to the screen that failed,
// or 0, as the failing call itself set it: whatever calls came after, it
// names that write's error. Callers look here before every wait and at the
// end.
int term_write_error();
