#include "term/paragraph.h"

#include "term/ansi.h"
#include "term/term_width.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

int out_column = 0;

int out_chars = 0;

// The longest UTF-8 character; malformed text may hold longer runs of
// continuation bytes, and a line never takes more than this for one character.
constexpr int UTF8_MAX_BYTES = 4;

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

int fit_length(const char* text, int limit, int width) {
    if (text[0] == '\0')
        return 0;
    int best = 0;
    // i counts the bytes tried; text[i] is the byte just after them.
    for (int i = 1; i <= width; ++i) {
        if (text[i] == '\0')
            return i;
        if (limit >= 0 && i >= limit)
            return i;
        if (text[i] == ' ')
            best = i;
    }
    return best;
}

// The lead byte of text and the continuation bytes that follow it.
static int first_character_length(const char* text) {
    int n = 1;
    while (n < UTF8_MAX_BYTES && is_continuation_byte(text[n]))
        ++n;
    return n;
}

int char_count(const char* text, int n) {
    int chars = 0;
    for (int i = 0; i < n && text[i] != '\0'; ++i)
        chars += !is_continuation_byte(text[i]);
    return chars;
}

void clear_rest_of_line(int chars_on_line, int width) {
    // A line filled to its last cell leaves the cursor waiting at the right
    // margin, and there an erase takes the last letter with it (xterm and
    // its kin). Nothing can stand to the right of a full line anyway.
    if (chars_on_line != width)
        term_clear_eol();
}

int fit_or_cut_length(const char* text, int width) {
    int fit = fit_length(text, -1, width);
    if (fit > 0 || text[0] == '\0')
        return fit;
    // The next line must not begin inside a character.
    int cut = bounded_strlen(text, width);
    while (cut > 0 && is_continuation_byte(text[cut]))
        --cut;
    return cut > 0 ? cut : first_character_length(text);
}

void say(const char* text) {
    if (out_column == 0)
        out_chars = 0;
    if (out_column >= TERM_WIDTH && out_column != 0) {
        // A full line leaves the cursor waiting in its last column; a joining
        // space would wrap there by itself and leave an empty line inside
        // the paragraph, so the line break alone joins the texts.
        term_putch('\n');
        out_column = out_chars = 0;
    } else if (out_column != 0) {
        term_putch(' ');
        ++out_column;
        ++out_chars;
    }
    for (;;) {
        // The width may change under a resize; each line takes it afresh.
        int columns = TERM_WIDTH;
        int width = columns - out_column;
        // On a fresh line a word wider than the line is cut, so that every
        // line makes progress; elsewhere it waits for the next line.
        int len = out_column == 0 ? fit_or_cut_length(text, width) : fit_length(text, -1, width);
        put_n(text, len);
        out_chars += char_count(text, len);
        text += len;
        clear_rest_of_line(out_chars, columns);
        out_column += len;
        while (*text == ' ')
            ++text;
        if (*text == '\0')
            return;
        term_putch('\n');
        out_column = out_chars = 0;
    }
}

void new_paragraph() {
    if (out_column != 0)
        term_putch('\n');
    term_putch(' ');
    out_column = out_chars = 1;
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
    out_column = out_chars = 0;
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
