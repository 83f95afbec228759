#include "term/ansi.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

const int ATTR_TO_ANSI[8] = {0, 4, 2, 6, 1, 5, 3, 7};

TermStyle term_style = STYLE_COLOR;

// The attribute last set, for giving it back after a suspension; -1 before
// the first.
static TextAttr last_attr = -1;
static int write_error = 0;

// The stream keeps only a flag, and errno tells why only until the next
// system call that fails (a terminal call on a pipe does), so every output
// operation looks at once: any of them may be the one that writes.
static void note_write_error() {
    if (write_error == 0 && std::ferror(stdout))
        write_error = errno != 0 ? errno : EIO;
}

static void write_formatted(const char* format, va_list arguments) {
    std::vprintf(format, arguments);
    note_write_error();
}

// Every control sequence goes out here, so that the plain style holds
// for all of them.
[[gnu::format(printf, 1, 2)]] static void put_sequence(const char* format, ...) {
    if (term_style == STYLE_PLAIN)
        return;
    va_list arguments;
    va_start(arguments, format);
    write_formatted(format, arguments);
    va_end(arguments);
}

void term_move_to(int column, int row) {
    put_sequence("\x1b[%i;%iH", row + 1, column + 1);
}

// A count of 1 goes out in the short form without a number; 0 moves nothing.
static void term_cursor_move(int n, char final_byte) {
    if (n == 0)
        return;
    if (n == 1)
        put_sequence("\x1b[%c", final_byte);
    else
        put_sequence("\x1b[%i%c", n, final_byte);
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
    last_attr = attr;
    // Without colour, what stands out keeps standing out on any theme.
    if (term_style == STYLE_MONOCHROME) {
        put_sequence((attr >> 4) & 7 ? "\x1b[0;7m" : "\x1b[0m");
        return;
    }
    // A blinking attribute carries no reset, so a bright rendition left by an
    // earlier sequence stays in force.
    const char* reset_or_blink = attr > 127 ? "5;" : "0;";
    const char* bright = (attr & 15) > 7 ? "1;" : "";
    put_sequence("\x1b[%s%s%i;%im", reset_or_blink, bright, 30 + ATTR_TO_ANSI[attr & 7],
                 40 + ATTR_TO_ANSI[(attr >> 4) & 7]);
}

void term_restore_attr() {
    if (last_attr >= 0)
        term_set_attr(last_attr);
}

void term_reset_attr() {
    put_sequence("\x1b[0m");
}

void term_bracketed_paste(bool on) {
    put_sequence(on ? "\x1b[?2004h" : "\x1b[?2004l");
}

void term_putch(char c) {
    std::putchar(static_cast<unsigned char>(c));
    note_write_error();
}

void term_put_text(const char* text) {
    std::fputs(text, stdout);
    note_write_error();
}

void term_printf(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    write_formatted(format, arguments);
    va_end(arguments);
}

void term_clear_screen() {
    put_sequence("\x1b[2J");
}

void term_clear_eol() {
    put_sequence("\x1b[K");
}

void term_clear_below() {
    put_sequence("\x1b[J");
}

void term_flush() {
    std::fflush(stdout);
    note_write_error();
}

int term_write_error() {
    // Only a write that went around the operations above is still unnoted.
    note_write_error();
    return write_error;
}
