// ANSI (VT100-family) output primitives, the text attribute byte, and the
// style they write in, chosen once at the start (term_set_style).
// Every operation adds its bytes to the screen's frame, which the terminal
// room sends to standard output in one write() (terminal_flush); nothing
// here writes to a descriptor.
#pragma once

#include <cstddef>
#include <string_view>

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
// Chosen once, by the session at its start; STYLE_COLOR until then.
void term_set_style(TermStyle style);

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
// The same at the end, with the rest of the screen cleared: what the end
// writes, when it cannot wait for the terminal.
constexpr char TERM_END_AT_ONCE[] = "\x1b[0m\x1b[J\x1b[?2004l";
void term_putch(char c);
// Text as it is, without a line feed of its own (as fputs).
void term_put_text(const char* text);
void term_put_bytes(const char* bytes, std::size_t size);
[[gnu::format(printf, 1, 2)]] void term_printf(const char* format, ...);
void term_clear_screen(); // leaves the cursor where it is
void term_clear_eol();
void term_clear_below(); // from the cursor to the end of the screen

// The frame's buffer: a resize's whole screen (the remembered turns, 16 KiB
// of texts at most, with their erases and the list) fits, but in the
// narrowest windows, where the erases outweigh the text, and a larger frame
// takes memory for as long as it lasts.
constexpr std::size_t SCREEN_FRAME_SIZE = 32768;
// The longest text one term_printf writes.
constexpr std::size_t FORMATTED_SIZE = 256;

// The frame gathered since it was last sent, and its end once sent (or
// dropped): for the terminal room.
std::string_view term_frame();
void term_frame_sent();
