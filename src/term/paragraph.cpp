#include "term/paragraph.h"

#include "term/ansi.h"
#include "term/term_width.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

int out_column = 0;

static bool is_continuation_byte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int bounded_strlen(const char* text, int max) {
    int n = 0;
    while (n < max && text[n] != '\0')
        ++n;
    return n;
}

void put_n(const char* text, int n) {
    for (int i = 0; (n < 0 || i < n) && text[i] != '\0'; ++i)
        term_putch(text[i]);
}

// The first byte from at on that takes a column, or the NUL.
static int next_character(const char* text, int at) {
    while (is_continuation_byte(text[at]))
        ++at;
    return at;
}

// fit_length's piece with the columns it fills. Its next is just behind it.
static TextLine fit_line(const char* text, int limit, int width) {
    TextLine best{0, 0, text};
    // at is where the text stands after the first `columns` characters; a
    // character ends where the next one begins, so it is never split.
    int at = next_character(text, 0);
    for (int columns = 0; columns <= width; ++columns) {
        if (text[at] == '\0' || (columns > 0 && limit >= 0 && columns >= limit))
            return {at, columns, text + at};
        // The start of the text is no break point.
        if (columns > 0 && text[at] == ' ')
            best = {at, columns, text + at};
        at = next_character(text, at + 1);
    }
    return best;
}

int fit_length(const char* text, int limit, int width) {
    return fit_line(text, limit, width).bytes;
}

TextLine text_line(const char* text, int width, bool cut_words) {
    TextLine line = fit_line(text, -1, width);
    if (line.bytes == 0 && cut_words && text[0] != '\0') {
        int most = std::max(width, 1);
        line = fit_line(text, most, most);
    }
    while (*line.next == ' ')
        ++line.next;
    return line;
}

int text_columns(const char* text) {
    return fit_line(text, -1, INT_MAX).columns;
}

void clear_rest_of_line(int columns_on_line, int width) {
    // A line filled to its last cell leaves the cursor waiting at the right
    // margin, and there an erase takes the last letter with it (xterm and
    // its kin). Nothing can stand to the right of a full line anyway.
    if (columns_on_line != width)
        term_clear_eol();
}

void say(const char* text) {
    if (out_column >= TERM_WIDTH && out_column != 0) {
        // A full line leaves the cursor waiting in its last column; a joining
        // space would wrap there by itself and leave an empty line inside
        // the paragraph, so the line break alone joins the texts.
        term_putch('\n');
        out_column = 0;
    } else if (out_column != 0) {
        term_putch(' ');
        ++out_column;
    }
    for (;;) {
        // The width may change under a resize; each line takes it afresh.
        int columns = TERM_WIDTH;
        // On a fresh line a word wider than the line is cut, so that every
        // line makes progress; elsewhere it waits for the next line.
        TextLine line = text_line(text, columns - out_column, out_column == 0);
        put_n(text, line.bytes);
        out_column += line.columns;
        clear_rest_of_line(out_column, columns);
        text = line.next;
        if (*text == '\0')
            return;
        term_putch('\n');
        out_column = 0;
    }
}

void new_paragraph() {
    if (out_column != 0)
        term_putch('\n');
    term_putch(' ');
    out_column = 1;
}

// What the story said since the last choice, in order: each text as the
// byte SAID, the text and its NUL, each paragraph break as the byte
// PARAGRAPH. The texts are copied: a count's text lives in a buffer that a
// later turn changes. The store grows with the C library, which throws
// nothing; a text that finds no room is left out of the turn's redrawing.
constexpr char SAID = 's';
constexpr char PARAGRAPH = 'p';
static char* turn;
static size_t turn_length;
static size_t turn_capacity;

static void remember(char kind, const char* text) {
    size_t bytes = 1 + (kind == SAID ? std::strlen(text) + 1 : 0);
    if (turn_length + bytes > turn_capacity) {
        size_t capacity = std::max(2 * turn_capacity, turn_length + bytes);
        char* grown = static_cast<char*>(std::realloc(turn, capacity));
        if (grown == nullptr)
            return;
        turn = grown;
        turn_capacity = capacity;
    }
    turn[turn_length] = kind;
    if (kind == SAID)
        std::memcpy(turn + turn_length + 1, text, bytes - 1);
    turn_length += bytes;
}

void story_say(const char* text) {
    remember(SAID, text);
    say(text);
}

void story_paragraph() {
    remember(PARAGRAPH, nullptr);
    new_paragraph();
}

void replay_turn() {
    out_column = 0;
    for (size_t at = 0; at < turn_length;) {
        if (turn[at++] == PARAGRAPH) {
            new_paragraph();
            continue;
        }
        say(turn + at);
        at += std::strlen(turn + at) + 1;
    }
}

void forget_turn() {
    turn_length = 0;
}
