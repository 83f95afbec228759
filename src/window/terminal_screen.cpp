#include "window/terminal_screen.h"

#include "term/ansi.h"

#include <algorithm>
#include <string>

namespace {

constexpr int LONGEST_CHARACTER = 4; // bytes of one UTF-8 character

TerminalScreen* as_terminal(void* screen) {
    return static_cast<TerminalScreen*>(screen);
}

unsigned char byte_at(const MemoryScreen* cells, int x, int y) {
    return static_cast<unsigned char>(memory_screen_cell(cells, x, y).ch);
}

bool is_continuation(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

// 0 for a byte that cannot begin a character of several bytes.
int character_length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The number of cells of the complete character that begins at x, or 0.
int complete_character_at(const MemoryScreen* cells, int x, int y) {
    int length = character_length(byte_at(cells, x, y));
    if (length == 0 || x + length > cells->width)
        return 0;
    for (int i = 1; i < length; i++)
        if (!is_continuation(byte_at(cells, x + i, y)))
            return 0;
    // U+0080..U+009F are the C1 controls, which some terminals obey.
    if (byte_at(cells, x, y) == 0xC2 && byte_at(cells, x + 1, y) < 0xA0)
        return 0;
    return length;
}

// Where the complete character that covers cell x begins, or -1.
int character_start(const MemoryScreen* cells, int x, int y) {
    for (int start = x; start >= 0 && start > x - LONGEST_CHARACTER; start--)
        if (start + complete_character_at(cells, start, y) > x)
            return start;
    return -1;
}

// The bytes that show cell x in one terminal column.
std::string glyph(const MemoryScreen* cells, int x, int y) {
    unsigned char byte = byte_at(cells, x, y);
    if (byte >= 32 && byte < 127)
        return std::string(1, static_cast<char>(byte));
    int start = byte >= 0x80 ? character_start(cells, x, y) : -1;
    if (start < 0)
        return "?";
    if (start < x)
        return " "; // the character stands in the column of its first byte
    std::string bytes;
    for (int i = 0; i < complete_character_at(cells, x, y); i++)
        bytes += static_cast<char>(byte_at(cells, x + i, y));
    return bytes;
}

// Draws cells from to to - 1 of row y, moving the terminal's cursor once and
// setting the attribute only where it changes along the row.
void draw_run(const MemoryScreen* cells, int y, int from, int to) {
    term_move_to(from, y);
    int shown = -1;
    for (int x = from; x < to; x++) {
        int attr = memory_screen_cell(cells, x, y).attr;
        if (attr != shown)
            term_set_attr(attr);
        shown = attr;
        for (char byte : glyph(cells, x, y))
            term_putch(byte);
    }
}

} // namespace

TerminalScreen* terminal_screen_new(int width, int height) {
    auto* screen = new TerminalScreen{{0, 0, {}}};
    memory_screen_resize(&screen->cells, width, height);
    return screen;
}

void terminal_screen_resize(TerminalScreen* screen, int width, int height) {
    memory_screen_resize(&screen->cells, width, height);
}

void terminal_screen_redraw(TerminalScreen* screen) {
    const MemoryScreen* cells = &screen->cells;
    for (int y = 0; y < cells->height; y++)
        draw_run(cells, y, 0, cells->width);
}

void terminal_screen_destroy(void* screen) {
    delete as_terminal(screen);
}

void terminal_screen_put_cell(void* screen, int x, int y, int attr, char ch) {
    MemoryScreen* cells = &as_terminal(screen)->cells;
    if (x < 0 || y < 0 || x >= cells->width || y >= cells->height)
        return;
    bool was_plain = byte_at(cells, x, y) < 0x80;
    memory_screen_put_cell(cells, x, y, attr, ch);
    if (was_plain && byte_at(cells, x, y) < 0x80) {
        draw_run(cells, y, x, x + 1);
        return;
    }
    // Every character that may have begun or ended with this byte is drawn again.
    int from = std::max(0, x - (LONGEST_CHARACTER - 1));
    int to = std::min(cells->width, x + LONGEST_CHARACTER);
    draw_run(cells, y, from, to);
}

void terminal_screen_scroll_up(void* screen, int n) {
    memory_screen_scroll_up(&as_terminal(screen)->cells, n);
    terminal_screen_redraw(as_terminal(screen));
}

int terminal_screen_width(void* screen) {
    return as_terminal(screen)->cells.width;
}
int terminal_screen_height(void* screen) {
    return as_terminal(screen)->cells.height;
}

const ScreenOps TERMINAL_SCREEN_OPS = {
    terminal_screen_destroy, terminal_screen_put_cell, terminal_screen_scroll_up,
    terminal_screen_width,   terminal_screen_height,
};
