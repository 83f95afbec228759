#include "term/paragraph.h"

#include "term/ansi.h"
#include "term/term_width.h"

#include <algorithm>
#include <climits>
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

void say(const char* text) {
    bool joined = out_column != 0;
    if (out_column >= TERM_WIDTH && joined) {
        // A full line leaves the cursor waiting in its last column; a joining
        // space would wrap there by itself and leave an empty line inside
        // the paragraph, so the line break alone joins the texts.
        term_putch('\n');
        out_column = 0;
        joined = false;
    } else if (joined) {
        ++out_column; // the joining space's column
    }
    for (;;) {
        // The width may change under a resize; each line takes it afresh.
        int columns = TERM_WIDTH;
        // On a fresh line a word wider than the line is cut, so that every
        // line makes progress; elsewhere it waits for the next line.
        TextLine line = text_line(text, columns - out_column, out_column == 0);
        if (joined) {
            // Where the first word goes to the next line, the joining space
            // would end this one in a blank: a braille display or a transcript
            // shows it, so the plain style leaves it out. The full style's
            // erase covers it anyway.
            if (line.bytes > 0 || term_style != STYLE_PLAIN)
                term_putch(' ');
            else
                --out_column;
            joined = false;
        }
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

// What the story said, turn by turn from the oldest kept: each text as the
// byte SAID, the text and its NUL; each paragraph break as the byte
// PARAGRAPH; the end of a turn as the byte TURN_END. The texts are copied: a
// count's text lives in a buffer that a later turn changes. The store has a
// fixed size, so memory stays flat however long the game runs: the oldest
// turns make room, and they go whole. Only the part in use is ever touched.
constexpr char SAID = 's';
constexpr char PARAGRAPH = 'p';
constexpr char TURN_END = 't';
// Room for the texts themselves and as many bytes again for the marks
// around them, which a turn of many short texts needs.
constexpr size_t TURN_STORE_SIZE = 2 * SAID_BUDGET;
static char turns[TURN_STORE_SIZE];
static size_t kept_from;    // the oldest kept turn's first record
static size_t current_from; // the current turn's first record
static size_t kept_to;      // just behind the newest record
static size_t said_kept;    // bytes of the kept texts, the current turn's included

static size_t record_size(const char* record) {
    return *record == SAID ? std::strlen(record + 1) + 2 : 1;
}

// Forgets the oldest turn before the current one; false when there is none.
static bool forget_oldest_turn() {
    if (kept_from == current_from)
        return false;
    char kind;
    do {
        kind = turns[kept_from];
        if (kind == SAID)
            said_kept -= std::strlen(turns + kept_from + 1);
        kept_from += record_size(turns + kept_from);
    } while (kind != TURN_END);
    return true;
}

// A turn's last byte always finds room: the current turn's texts and breaks
// leave it free.
static bool fits(size_t said, size_t bytes, char kind) {
    size_t room = TURN_STORE_SIZE - (kind == TURN_END ? 0 : 1);
    return said_kept + said <= SAID_BUDGET && kept_to - kept_from + bytes <= room;
}

static void remember(char kind, const char* text) {
    size_t said = kind == SAID ? std::strlen(text) : 0;
    size_t bytes = kind == SAID ? said + 2 : 1;
    while (!fits(said, bytes, kind) && forget_oldest_turn()) {
    }
    // A text that the current turn alone cannot hold within the budget is
    // left out of the redrawing.
    if (!fits(said, bytes, kind))
        return;
    if (kept_to + bytes > TURN_STORE_SIZE) {
        std::memmove(turns, turns + kept_from, kept_to - kept_from);
        current_from -= kept_from;
        kept_to -= kept_from;
        kept_from = 0;
    }
    turns[kept_to] = kind;
    if (kind == SAID)
        std::memcpy(turns + kept_to + 1, text, said + 1);
    kept_to += bytes;
    said_kept += said;
}

void story_say(const char* text) {
    remember(SAID, text);
    say(text);
}

void story_paragraph() {
    remember(PARAGRAPH, nullptr);
    new_paragraph();
}

void replay_turns() {
    out_column = 0;
    for (size_t at = kept_from; at < kept_to; at += record_size(turns + at)) {
        if (turns[at] == SAID) {
            say(turns + at + 1);
        } else if (turns[at] == PARAGRAPH) {
            new_paragraph();
        } else {
            term_put_text(BEFORE_LIST);
            out_column = 0;
        }
    }
}

void end_turn() {
    remember(TURN_END, nullptr);
    current_from = kept_to;
}
