// The paragraph writer: running narration word-wrapped at the terminal's
// width. Widths are counted in bytes, so a two-byte letter counts two
// columns and lines break early, never late.
#pragma once

// Bytes written on the current screen line by the paragraph writer;
// 0 means the cursor stands at the start of an empty line.
extern int out_column;
// Characters on the current line, each taking one cell, beside out_column's
// bytes: the right margin is reached by characters. Taken as 0 whenever
// out_column is 0, so emptying the line needs out_column alone.
extern int out_chars;

// Length of text, but no more than max; 0 when max is 0 or negative.
int bounded_strlen(const char* text, int max);

// Writes text up to its NUL or n bytes, whichever comes first; a negative n
// writes the whole text.
void put_n(const char* text, int n);

// How many bytes from the start of text go on a line with width free
// columns: the whole text if it fits, else the longest prefix followed by a
// space, else 0. A limit of 0 or more caps the result at the limit.
int fit_length(const char* text, int limit, int width);

// Bytes of text for a line that starts empty and has width free columns:
// fit_length's answer, or, when not even the first word fits, the longest
// prefix that fits and ends on a whole UTF-8 character (at least one whole
// character, however narrow the line). Always 1 or more for a non-empty text.
int fit_or_cut_length(const char* text, int width);

// Characters among the first n bytes of text (or up to its NUL): the bytes
// that are not UTF-8 continuation bytes. Each of the game's characters takes
// one cell.
int char_count(const char* text, int n);

// Erases the rest of the line, unless its characters fill all width cells.
void clear_rest_of_line(int chars_on_line, int width);

// Continues the current paragraph with text, joined by one space.
void say(const char* text);
// Ends the current paragraph and opens the next, indented by one space.
void new_paragraph();

// The story's entry points. Both are remembered until forget_turn, so that
// the turn can be written again at a new width.
void story_say(const char* text);
void story_paragraph();

// Writes the turn's texts again, with the same paragraph breaks, from the
// start of an empty line.
void replay_turn();
// Starts a new turn: called when the player has chosen.
void forget_turn();
