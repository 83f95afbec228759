#include "window/text_window.h"

#include "term/ansi.h"

#include <new>

namespace {

constexpr int TAB_WIDTH = 8;

int screen_width(TextWindow* w) {
    return w->screen_ops->width(w->screen);
}
int screen_height(TextWindow* w) {
    return w->screen_ops->height(w->screen);
}
bool screen_empty(TextWindow* w) {
    return screen_width(w) <= 0 || screen_height(w) <= 0;
}

// A position inside 0..size-1; 0 on a screen without cells.
int inside(int position, int size) {
    if (position >= size)
        position = size - 1;
    return position < 0 ? 0 : position;
}

// A count of 0..size, so that adding it to a position can never overflow.
int count(int n, int size) {
    if (n > size)
        n = size;
    return n < 0 ? 0 : n;
}

// Brings back a cursor that a shrinking screen has left outside.
void follow_screen(TextWindow* w) {
    w->x = inside(w->x, screen_width(w));
    w->y = inside(w->y, screen_height(w));
}

// Moves n cells across (dx) or down (dy), each -1, 0 or 1, stopping at the edge.
void move_cursor(TextWindow* w, int dx, int dy, int n) {
    follow_screen(w);
    int width = screen_width(w);
    int height = screen_height(w);
    w->x = inside(w->x + dx * count(n, width), width);
    w->y = inside(w->y + dy * count(n, height), height);
}

void fill_row(TextWindow* w, int from, int y, int width) {
    for (int x = from; x < width; x++)
        w->screen_ops->put_cell(w->screen, x, y, w->attr, ' ');
}

void new_line(TextWindow* w) {
    w->x = 0;
    int height = screen_height(w);
    if (screen_empty(w)) {
        w->y = 0;
        return;
    }
    w->y++;
    if (w->y < height)
        return;
    w->y = height - 1;
    w->screen_ops->scroll_up(w->screen, 1);
    // The screen need not blank the row it exposes; it gets the current attribute.
    window_clear_eol(w);
}

// Index of the first space or NUL after index from, which the caller knows
// holds no NUL.
int word_end(const char* text, int from) {
    int end = from + 1;
    while (text[end] != '\0' && text[end] != ' ')
        end++;
    return end;
}

} // namespace

TextWindow* window_new(const ScreenOps* screen_ops, void* screen) {
    return new (std::nothrow) TextWindow{screen_ops, screen, 0, 0, ATTR_NORMAL};
}

void window_set_cursor(TextWindow* w, int x, int y) {
    w->x = inside(x, screen_width(w));
    w->y = inside(y, screen_height(w));
}

void window_cursor_up(TextWindow* w, int n) {
    move_cursor(w, 0, -1, n);
}
void window_cursor_down(TextWindow* w, int n) {
    move_cursor(w, 0, 1, n);
}
void window_cursor_left(TextWindow* w, int n) {
    move_cursor(w, -1, 0, n);
}
void window_cursor_right(TextWindow* w, int n) {
    move_cursor(w, 1, 0, n);
}

void window_set_fg(TextWindow* w, int colour) {
    w->attr = (w->attr & 0xF0) | colour;
}
void window_set_bg(TextWindow* w, int colour) {
    w->attr = (colour << 4) | (w->attr & 0x0F);
}
void window_set_attr(TextWindow* w, int attr) {
    w->attr = attr & 0xFF;
}

void window_putc(TextWindow* w, char ch) {
    follow_screen(w);
    switch (ch) {
    case '\b':
        window_cursor_left(w, 1);
        return;
    case '\t':
        window_cursor_right(w, TAB_WIDTH - w->x % TAB_WIDTH);
        return;
    case '\n':
        new_line(w);
        return;
    case '\r':
        w->x = 0;
        return;
    }
    if (screen_empty(w))
        return;
    w->screen_ops->put_cell(w->screen, w->x, w->y, w->attr, ch);
    w->x++;
    if (w->x >= screen_width(w))
        new_line(w);
}

void window_clear(TextWindow* w) {
    int width = screen_width(w);
    int height = screen_height(w);
    for (int y = 0; y < height; y++)
        fill_row(w, 0, y, width);
}

void window_clear_eol(TextWindow* w) {
    if (screen_empty(w))
        return;
    follow_screen(w);
    fill_row(w, w->x, w->y, screen_width(w));
}

int window_get_fg(TextWindow* w) {
    return w->attr & 0x0F;
}
int window_get_bg(TextWindow* w) {
    return w->attr >> 4;
}
int window_get_x(TextWindow* w) {
    return w->x;
}
int window_get_y(TextWindow* w) {
    return w->y;
}
int window_get_attr(TextWindow* w) {
    return w->attr;
}

void window_puts(TextWindow* w, const char* text) {
    window_put_n(w, text, -1);
}

void window_put_n(TextWindow* w, const char* text, int n) {
    for (int i = 0; text[i] != '\0' && (n < 0 || i < n); i++)
        window_putc(w, text[i]);
}

void window_put_wrapped(TextWindow* w, const char* text) {
    // Measure from a cursor inside the screen as it is now.
    follow_screen(w);
    while (*text != '\0') {
        int width = screen_width(w);
        if (screen_empty(w))
            return;  // nothing could be written, so the text would never move on
        int fit = 0; // the longest prefix ending before a space that fits on the row
        int end = word_end(text, fit);
        while (end <= width - w->x) {
            if (text[end] == '\0') {
                window_puts(w, text);
                return;
            }
            fit = end;
            end = word_end(text, fit);
        }
        if (fit > 0) {
            window_put_n(w, text, fit);
            if (w->x != 0) // a piece that ended at the edge has wrapped already
                window_putc(w, '\n');
            text += fit + 1; // only the one space at the break is dropped
        } else if (w->x != 0) {
            window_putc(w, '\n'); // measure the first word again on an empty row
        } else {
            // A word wider than the screen: one row of it, which wraps by itself.
            window_put_n(w, text, width);
            text += width;
        }
    }
}

const TextWindowTable TextWindowOps = {
    window_set_cursor,   window_cursor_up, window_cursor_down, window_cursor_left,
    window_cursor_right, window_set_fg,    window_set_bg,      window_set_attr,
    window_putc,         window_clear,     window_clear_eol,   window_get_fg,
    window_get_bg,       window_get_x,     window_get_y,
};
