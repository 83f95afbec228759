#include "text_window_model.h"

#include "byte_reader.h"
#include "fuzz_check.h"
#include "window/memory_screen.h"
#include "window/text_window.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Cell {
    int x;
    int y;
    int attr;
    char ch;
};

// A screen that reports whatever size the input gives it, keeps its cells in
// a memory screen and records what the window does to it.
struct CheckingScreen {
    int width;
    int height;
    MemoryScreen* cells;
    std::vector<Cell> written; // since the start of the current step
    int scrolls;
};

CheckingScreen* as_checking(void* screen) {
    return static_cast<CheckingScreen*>(screen);
}

void checking_put_cell(void* screen, int x, int y, int attr, char ch) {
    CheckingScreen* s = as_checking(screen);
    FUZZ_CHECK(x >= 0 && x < s->width && y >= 0 && y < s->height);
    s->written.push_back({x, y, attr, ch});
    memory_screen_put_cell(s->cells, x, y, attr, ch);
}

void checking_scroll_up(void* screen, int n) {
    CheckingScreen* s = as_checking(screen);
    FUZZ_CHECK(n == 1);
    s->scrolls++;
    memory_screen_scroll_up(s->cells, n);
}

int checking_width(void* screen) {
    return as_checking(screen)->width;
}

int checking_height(void* screen) {
    return as_checking(screen)->height;
}

const ScreenOps CHECKING_SCREEN_OPS = {nullptr, checking_put_cell, checking_scroll_up,
                                       checking_width, checking_height};

bool has_cells(const CheckingScreen& s) {
    return s.width > 0 && s.height > 0;
}

// A position or count: mostly small, sometimes negative or extreme.
int take_argument(ByteReader& data) {
    std::uint8_t b = reader_byte(data);
    if (b == 255)
        return INT_MAX;
    if (b == 254)
        return INT_MIN;
    return b - 16;
}

std::string take_text(ByteReader& data) {
    int length = reader_pick(data, 64);
    std::string text;
    for (int i = 0; i < length && !reader_done(data); i++)
        text += static_cast<char>(reader_byte(data));
    return text.substr(0, text.find('\0'));
}

// What the window is expected to hold, kept from the operations' rules.
struct CursorModel {
    int x = 0;
    int y = 0;
    int attr = 7;
    bool placed = true; // false while a resize may have left the cursor outside
};

int clamp_to(int position, int size) {
    return std::max(0, std::min(position, size - 1));
}

// A count as a move uses it: negative counts 0, and no move passes the edge.
long long move_count(int n) {
    return std::max(n, 0);
}

void model_follow(CursorModel& m, const CheckingScreen& s) {
    m.x = clamp_to(m.x, s.width);
    m.y = clamp_to(m.y, s.height);
    m.placed = true;
}

void model_move(CursorModel& m, const CheckingScreen& s, int dx, int dy, int n) {
    model_follow(m, s);
    m.x =
        clamp_to(static_cast<int>(std::clamp(m.x + dx * move_count(n), -1LL, 1LL << 30)), s.width);
    m.y =
        clamp_to(static_cast<int>(std::clamp(m.y + dy * move_count(n), -1LL, 1LL << 30)), s.height);
}

// A newline: on the bottom row the screen scrolls by one and the window
// blanks that row in its attribute.
void model_new_line(CursorModel& m, const CheckingScreen& s, std::vector<Cell>& cells,
                    int& scrolls) {
    m.x = 0;
    if (!has_cells(s)) {
        m.y = 0;
        return;
    }
    if (++m.y < s.height)
        return;
    m.y = s.height - 1;
    scrolls++;
    for (int x = 0; x < s.width; x++)
        cells.push_back({x, m.y, m.attr, ' '});
}

void model_putc(CursorModel& m, const CheckingScreen& s, char ch, std::vector<Cell>& cells,
                int& scrolls) {
    model_follow(m, s);
    switch (ch) {
    case '\b':
        model_move(m, s, -1, 0, 1);
        return;
    case '\t':
        model_move(m, s, 1, 0, 8 - m.x % 8);
        return;
    case '\n':
        model_new_line(m, s, cells, scrolls);
        return;
    case '\r':
        m.x = 0;
        return;
    }
    if (!has_cells(s))
        return;
    cells.push_back({m.x, m.y, m.attr, ch});
    if (++m.x >= s.width)
        model_new_line(m, s, cells, scrolls);
}

bool same_cells(const std::vector<Cell>& a, const std::vector<Cell>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Cell& p, const Cell& q) {
        return p.x == q.x && p.y == q.y && p.attr == q.attr && p.ch == q.ch;
    });
}

bool interpreted(char ch) {
    return ch == '\b' || ch == '\t' || ch == '\n' || ch == '\r';
}

// The bytes of text that must land in cells, spaces left out: a break may
// drop a space, and a scroll blanks a row with spaces.
std::string printed(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch != ' ' && !interpreted(ch))
            out += ch;
    }
    return out;
}

std::string printed(const std::vector<Cell>& cells) {
    std::string out;
    for (const Cell& cell : cells) {
        if (cell.ch != ' ')
            out += cell.ch;
    }
    return out;
}

// The text writers: which one is the input's choice. A text write moves the
// cursor as its bytes would, so afterwards the model takes the window's.
void step_text(TextWindow* w, CursorModel& m, CheckingScreen& s, ByteReader& data, int writer) {
    std::string text = take_text(data);
    int n = take_argument(data);
    std::string expected = printed(text);
    if (writer == 0) {
        window_puts(w, text.c_str());
    } else if (writer == 1) {
        window_put_n(w, text.c_str(), n);
        if (n >= 0)
            expected = printed(text.substr(0, static_cast<size_t>(n)));
    } else {
        window_put_wrapped(w, text.c_str());
    }
    FUZZ_CHECK(printed(s.written) == (has_cells(s) ? expected : ""));
    for (const Cell& cell : s.written) {
        if (cell.ch != ' ')
            FUZZ_CHECK(cell.attr == m.attr);
    }
    bool wrote = !text.empty() && (writer != 1 || n != 0);
    if (wrote)
        m.placed = true;
    m.x = w->x;
    m.y = w->y;
}

void step_resize(CursorModel& m, CheckingScreen& s, ByteReader& data) {
    s.width = reader_byte(data) - 16;
    s.height = reader_pick(data, 80) - 8;
    memory_screen_resize(s.cells, s.width, s.height);
    if (m.x >= std::max(s.width, 1) || m.y >= std::max(s.height, 1))
        m.placed = false;
}

// One of the four cursor moves: up, down, left, right.
void step_move(TextWindow* w, CursorModel& m, const CheckingScreen& s, ByteReader& data, int move) {
    const TextWindowTable& ops = TextWindowOps;
    void (*const moves[])(TextWindow*, int) = {ops.window_cursor_up, ops.window_cursor_down,
                                               ops.window_cursor_left, ops.window_cursor_right};
    const int dx[] = {0, 0, -1, 1};
    const int dy[] = {-1, 1, 0, 0};
    int n = take_argument(data);
    moves[move](w, n);
    model_move(m, s, dx[move], dy[move], n);
}

void step(TextWindow* w, CursorModel& m, CheckingScreen& s, ByteReader& data) {
    const TextWindowTable& ops = TextWindowOps;
    std::vector<Cell> cells;
    int scrolls = 0;
    int kind = reader_pick(data, 20);
    switch (kind) {
    case 0: {
        int x = take_argument(data);
        int y = take_argument(data);
        ops.window_set_cursor(w, x, y);
        m.x = clamp_to(x, s.width);
        m.y = clamp_to(y, s.height);
        m.placed = true;
        break;
    }
    case 1:
    case 2:
    case 3:
    case 4:
        step_move(w, m, s, data, kind - 1);
        break;
    case 5: {
        int colour = reader_pick(data, 16);
        ops.window_set_fg(w, colour);
        m.attr = (m.attr & 0xF0) | colour;
        break;
    }
    case 6: {
        int colour = reader_pick(data, 16);
        ops.window_set_bg(w, colour);
        m.attr = (colour << 4) | (m.attr & 0x0F);
        break;
    }
    case 7: {
        int attr = take_argument(data);
        ops.window_set_attr(w, attr);
        m.attr = attr & 0xFF;
        break;
    }
    case 8: {
        char ch = static_cast<char>(reader_byte(data));
        ops.window_putc(w, ch);
        model_putc(m, s, ch, cells, scrolls);
        FUZZ_CHECK(same_cells(s.written, cells) && s.scrolls == scrolls);
        break;
    }
    case 9: {
        ops.window_clear(w);
        for (int y = 0; y < s.height; y++)
            for (int x = 0; x < s.width; x++)
                cells.push_back({x, y, m.attr, ' '});
        FUZZ_CHECK(same_cells(s.written, cells));
        break;
    }
    case 10: {
        ops.window_clear_eol(w);
        if (has_cells(s)) {
            model_follow(m, s);
            for (int x = m.x; x < s.width; x++)
                cells.push_back({x, m.y, m.attr, ' '});
        }
        FUZZ_CHECK(same_cells(s.written, cells));
        break;
    }
    case 11:
        FUZZ_CHECK(ops.window_get_fg(w) == (m.attr & 0x0F));
        FUZZ_CHECK(ops.window_get_bg(w) == m.attr >> 4);
        FUZZ_CHECK(window_get_attr(w) == m.attr);
        break;
    case 12:
        FUZZ_CHECK(ops.window_get_x(w) == w->x && ops.window_get_y(w) == w->y);
        break;
    case 13:
    case 14:
    case 15:
        step_text(w, m, s, data, reader_pick(data, 3));
        break;
    default:
        step_resize(m, s, data);
        break;
    }
    FUZZ_CHECK(w->attr == m.attr);
    if (m.placed) {
        FUZZ_CHECK(w->x == m.x && w->y == m.y);
        FUZZ_CHECK(w->x >= 0 && w->x < std::max(s.width, 1));
        FUZZ_CHECK(w->y >= 0 && w->y < std::max(s.height, 1));
    }
}

} // namespace

void text_window_run(const std::uint8_t* bytes, std::size_t size) {
    ByteReader data{bytes, size, 0};
    CheckingScreen screen{0, 0, memory_screen_new(0, 0), {}, 0};
    CursorModel model;
    step_resize(model, screen, data);
    TextWindow* window = window_new(&CHECKING_SCREEN_OPS, &screen);
    FUZZ_CHECK(window && window->x == 0 && window->y == 0 && window_get_attr(window) == 7);
    while (!reader_done(data)) {
        screen.written.clear();
        screen.scrolls = 0;
        step(window, model, screen, data);
    }
    delete window;
    memory_screen_destroy(screen.cells);
}
