// The paragraph writer: running narration word-wrapped at the terminal's
// width. Widths and columns are counted in characters: every byte that is
// not a UTF-8 continuation byte takes one column, as each letter of the
// game's texts takes one cell, whatever the locale.
#pragma once

// Columns filled on the current screen line by the paragraph writer;
// 0 means the cursor stands at the start of an empty line.
extern int out_column;

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
