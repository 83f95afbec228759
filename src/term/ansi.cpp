#include "term/ansi.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const int ATTR_TO_ANSI[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// The screen's frame: what the game writes between two waits for a key
// gathers here, and the terminal room sends it in one write(), so that the
// terminal never shows half a frame (a list with no option lit) and a slow
// link carries one packet, not many.
struct ScreenOutput {
    size_t used;
    // A frame past the buffer (a whole screen again in the narrowest
    // windows, where the erases outweigh the text) goes on in memory taken
    // for it, so that it too goes out whole; null while the frame fits.
    char* larger;
    size_t larger_size;
    // The attribute last set, for giving it back after a suspension, once
    // one has been set.
    bool attr_set;
    TextAttr last_attr;
    // What the style, chosen once (term_set_style), leaves out here: every
    // control sequence (plain), or the colours of an attribute (monochrome).
    // All zero is the full style in colour.
    bool without_sequences;
    bool without_colour;
    // Last, so that a small frame touches no more pages than it fills.
    char bytes[SCREEN_FRAME_SIZE];
};

// All zero at the start, so that the buffer takes no room in the program's
// file and no memory until it is written.
static ScreenOutput screen;

void term_set_style(TermStyle style) {
    screen.without_sequences = style == STYLE_PLAIN;
    screen.without_colour = style == STYLE_MONOCHROME;
}

// The frame's bytes: the buffer's, or the larger memory's once it has
// outgrown the buffer.
static char* frame_bytes() {
    return screen.larger != nullptr ? screen.larger : screen.bytes;
}

static size_t frame_room() {
    return screen.larger != nullptr ? screen.larger_size : sizeof screen.bytes;
}

// Twice the room, the bytes so far moved over. Without memory the frame
// keeps what fits, as a terminal that takes no more would.
static bool frame_grown() {
    size_t size = 2 * frame_room();
    char* larger = static_cast<char*>(std::realloc(screen.larger, size));
    if (larger == nullptr)
        return false;
    if (screen.larger == nullptr)
        std::memcpy(larger, screen.bytes, screen.used);
    screen.larger = larger;
    screen.larger_size = size;
    return true;
}

void term_put_bytes(const char* bytes, size_t size) {
    while (screen.used + size > frame_room()) {
        if (!frame_grown()) {
            size = frame_room() - screen.used;
            break;
        }
    }
    std::memcpy(frame_bytes() + screen.used, bytes, size);
    screen.used += size;
}

std::string_view term_frame() {
    return {frame_bytes(), screen.used};
}

void term_frame_sent() {
    std::free(screen.larger);
    screen.larger = nullptr;
    screen.used = 0;
}

static void write_formatted(const char* format, va_list arguments) {
    char text[FORMATTED_SIZE];
    int length = std::vsnprintf(text, sizeof text, format, arguments);
    if (length > 0)
        term_put_bytes(text, std::min<size_t>(static_cast<size_t>(length), sizeof text - 1));
}

// A control sequence as it is built, from the introducer ESC [ on:
// printf's machinery took most of a key's work for these few bytes.
struct Sequence {
    char bytes[32];
    size_t size;
};

static Sequence introducer() {
    return {{'\x1b', '['}, 2};
}

static void add_text(Sequence& sequence, const char* text) {
    while (*text != '\0')
        sequence.bytes[sequence.size++] = *text++;
}

static void add_number(Sequence& sequence, int n) {
    char digits[10];
    int count = 0;
    unsigned magnitude = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (n < 0)
        sequence.bytes[sequence.size++] = '-';
    while (count > 0)
        sequence.bytes[sequence.size++] = digits[--count];
}

// Every control sequence goes out here, so that the plain style holds
// for all of them.
static void put_sequence(const Sequence& sequence) {
    if (!screen.without_sequences)
        term_put_bytes(sequence.bytes, sequence.size);
}

// A sequence without numbers: what follows the introducer.
static void put_fixed(const char* rest) {
    Sequence sequence = introducer();
    add_text(sequence, rest);
    put_sequence(sequence);
}

void term_move_to(int column, int row) {
    Sequence sequence = introducer();
    add_number(sequence, row + 1);
    add_text(sequence, ";");
    add_number(sequence, column + 1);
    add_text(sequence, "H");
    put_sequence(sequence);
}

// A count of 1 goes out in the short form without a number; 0 moves nothing.
static void term_cursor_move(int n, char final_byte) {
    if (n == 0)
        return;
    Sequence sequence = introducer();
    if (n != 1)
        add_number(sequence, n);
    sequence.bytes[sequence.size++] = final_byte;
    put_sequence(sequence);
}

void term_cursor_up(int n) {
    term_cursor_move(n, 'A');
}

void term_cursor_down(int n) {
    term_cursor_move(n, 'B');
}

void term_cursor_right(int n) {
    term_cursor_move(n, 'C');
}

void term_cursor_left(int n) {
    term_cursor_move(n, 'D');
}

void term_set_attr(TextAttr attr) {
    screen.attr_set = true;
    screen.last_attr = attr;
    // Without colour, what stands out keeps standing out on any theme.
    if (screen.without_colour) {
        put_fixed((attr >> 4) & 7 ? "0;7m" : "0m");
        return;
    }
    // A blinking attribute carries no reset, so a bright rendition left by an
    // earlier sequence stays in force.
    Sequence sequence = introducer();
    add_text(sequence, attr > 127 ? "5;" : "0;");
    add_text(sequence, (attr & 15) > 7 ? "1;" : "");
    add_number(sequence, 30 + ATTR_TO_ANSI[attr & 7]);
    add_text(sequence, ";");
    add_number(sequence, 40 + ATTR_TO_ANSI[(attr >> 4) & 7]);
    add_text(sequence, "m");
    put_sequence(sequence);
}

void term_restore_attr() {
    if (screen.attr_set)
        term_set_attr(screen.last_attr);
}

void term_reset_attr() {
    put_fixed("0m");
}

void term_bracketed_paste(bool on) {
    put_fixed(on ? "?2004h" : "?2004l");
}

void term_putch(char c) {
    term_put_bytes(&c, 1);
}

void term_put_text(const char* text) {
    term_put_bytes(text, std::strlen(text));
}

void term_printf(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    write_formatted(format, arguments);
    va_end(arguments);
}

void term_clear_screen() {
    put_fixed("2J");
}

void term_clear_eol() {
    put_fixed("K");
}

void term_clear_below() {
    put_fixed("J");
}
