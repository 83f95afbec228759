#include "term/paragraph.h"

#include "term/ansi.h"
#include "term/window_size.h"

#include <algorithm>
#include <climits>
#include <cstring>

// What the writer keeps between its calls.
struct ParagraphWriter {
    int column; // see paragraph_column
    // Whether a joining space goes out where the text's first word goes on
    // to the next line: the full style's erase covers it, but a braille
    // display or a transcript of the plain style would show a line ending
    // in a blank.
    bool join_before_break;
};
static ParagraphWriter writer = {0, true};

int paragraph_column() {
    return writer.column;
}

void paragraph_at_column(int column) {
    writer.column = column;
}

void paragraph_set_style(TermStyle style) {
    writer.join_before_break = style != STYLE_PLAIN;
}

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
    term_put_bytes(text, n < 0 ? std::strlen(text) : static_cast<size_t>(bounded_strlen(text, n)));
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

// The whole text is laid out at one width, the window's as last measured.
void say(const char* text) {
    int columns = term_window().columns;
    int& column = writer.column;
    bool joined = column != 0;
    if (column >= columns && joined) {
        // A full line leaves the cursor waiting in its last column; a joining
        // space would wrap there by itself and leave an empty line inside
        // the paragraph, so the line break alone joins the texts.
        term_putch('\n');
        column = 0;
        joined = false;
    } else if (joined) {
        ++column; // the joining space's column
    }
    for (;;) {
        // On a fresh line a word wider than the line is cut, so that every
        // line makes progress; elsewhere it waits for the next line.
        TextLine line = text_line(text, columns - column, column == 0);
        if (joined) {
            if (line.bytes > 0 || writer.join_before_break)
                term_putch(' ');
            else
                --column;
            joined = false;
        }
        put_n(text, line.bytes);
        column += line.columns;
        clear_rest_of_line(column, columns);
        text = line.next;
        if (*text == '\0')
            return;
        term_putch('\n');
        column = 0;
    }
}

void new_paragraph() {
    if (writer.column != 0)
        term_putch('\n');
    term_putch(' ');
    writer.column = 1;
}
