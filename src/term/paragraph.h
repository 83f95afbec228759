// The paragraph writer: running narration word-wrapped at the window's
// width, and the measures of text that the lists wrap their labels with.
// Widths and columns are counted in characters: every byte that is not a
// UTF-8 continuation byte takes one column, as each letter of the game's
// texts takes one cell, whatever the locale.
#pragma once

#include "term/ansi.h"

// Columns filled on the current screen line by the paragraph writer, its
// joining and indenting spaces included; 0 means the cursor stands at the
// start of an empty line.
int paragraph_column();
// Tells the writer where the cursor stands: at the start of an empty line
// (0) once a list or a replay has left it there.
void paragraph_at_column(int column);
// Takes what the writer needs of the style, once, before it writes.
void paragraph_set_style(TermStyle style);

// Length of text, but no more than max; 0 when max is 0 or negative.
int bounded_strlen(const char* text, int max);

// Writes text up to its NUL or n bytes, whichever comes first; a negative n
// writes the whole text.
void put_n(const char* text, int n);

// How many bytes from the start of text go on a line with width free
// columns: the whole text if it fits, else the longest prefix followed by a
// space, else 0. A limit of 0 or more caps the result at that many
// characters (at least one) once they fit, even inside a word.
int fit_length(const char* text, int limit, int width);

// A piece of a text laid out on one screen line.
struct TextLine {
    int bytes;        // bytes of the text on the line
    int columns;      // the columns they fill
    const char* next; // where the next line begins: past the spaces at the break
};

// The line that text begins on a line with width free columns, broken as
// fit_length breaks it. With cut_words, meant for a line that starts empty,
// a word wider than the line is cut after as many characters as fit, and at
// least one, so that every line takes something of a non-empty text.
TextLine text_line(const char* text, int width, bool cut_words);

// Columns that the whole text fills.
int text_columns(const char* text);

// Erases the rest of the line, unless its columns fill all width cells.
void clear_rest_of_line(int columns_on_line, int width);

// Continues the current paragraph with text: first one joining space where
// the line already holds something (a full line gets its line break
// instead; the plain style writes the space only where the text's first
// word follows on that line, so that no line ends in a blank), then the text
// line by line, each line erased to its end unless its columns fill it.
void say(const char* text);
// Ends the current paragraph and opens the next: a newline unless the line
// is empty, then one space. The next say adds its joining space, so the
// paragraph's first line begins with two spaces.
void new_paragraph();
