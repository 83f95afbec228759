#include "term/ansi.h"

#include "term/terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

const int ATTR_TO_ANSI[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// The screen's output: what the game writes between two waits for a key
// gathers here and goes out in one write(), so that the terminal never
// shows half a frame (a list with no option lit) and a slow link carries
// one packet, not many.
struct ScreenOutput {
    size_t used;
    // The errno of the first write that failed, 0 while none has. Nothing
    // is written after it: nobody sees the screen any more.
    int error;
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

// Hands the bytes to the descriptor until it has taken them all: true,
// or false when they were dropped. A write cut short goes on from where it
// stopped, so a resize during a slow write loses and repeats nothing. A
// write never waits inside the system: what the terminal does not take now
// is waited for in the terminal's one wait, as a key is, which a signal's
// note ends. Once the game is to end nothing waits for the terminal any
// more: what it does not take at once is dropped.
static bool write_all(int descriptor, const char* bytes, size_t size) {
    while (size > 0 && screen.error == 0) {
        ssize_t taken = terminal_write_now(descriptor, bytes, size);
        if (taken > 0) {
            bytes += taken;
            size -= static_cast<size_t>(taken);
        } else if (taken < 0 && errno == EAGAIN) {
            if (terminal_ending_signal() != 0)
                return false;
            terminal_wait(descriptor, POLLOUT, -1);
        } else if (taken == 0 || errno != EINTR) {
            screen.error = taken < 0 ? errno : EIO;
        }
    }
    return size == 0;
}

bool term_flush() {
    bool taken = write_all(STDOUT_FILENO, screen.bytes, screen.used);
    screen.used = 0;
    return taken;
}

void term_put_bytes(const char* bytes, size_t size) {
    while (size > 0) {
        if (screen.used == sizeof screen.bytes)
            term_flush();
        size_t part = std::min(size, sizeof screen.bytes - screen.used);
        std::memcpy(screen.bytes + screen.used, bytes, part);
        screen.used += part;
        bytes += part;
        size -= part;
    }
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

int term_write_error() {
    return screen.error;
}
