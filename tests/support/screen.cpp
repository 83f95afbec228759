#include "support/screen.h"

#include "support/utf8_text.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

std::vector<int> sgr_parameters(const std::string& list) {
    std::vector<int> parameters;
    std::istringstream in(list);
    for (std::string number; std::getline(in, number, ';');)
        parameters.push_back(number.empty() ? 0 : std::atoi(number.c_str()));
    return parameters;
}

namespace {

bool has_parameter(const ShownCell& cell, int parameter) {
    return std::find(cell.sgr.begin(), cell.sgr.end(), parameter) != cell.sgr.end();
}

bool is_foreground(int p) {
    return (p >= 30 && p <= 39) || (p >= 90 && p <= 97);
}

bool is_background(int p) {
    return (p >= 40 && p <= 49) || (p >= 100 && p <= 107);
}

// The rendition after one SGR parameter: 0 resets it, a colour takes the
// place of the one before it, anything else is added. (The game writes no
// parameter that turns one attribute off.)
void apply_sgr(std::vector<int>& rendition, int p) {
    if (p == 0) {
        rendition.clear();
        return;
    }
    for (bool (*same)(int) : {is_foreground, is_background}) {
        if (same(p))
            rendition.erase(std::remove_if(rendition.begin(), rendition.end(), same),
                            rendition.end());
    }
    rendition.push_back(p);
}

// The terminal that screen_play drives: the screen, and the wrap that a
// character written in the last column leaves pending for the next one.
struct Terminal {
    Screen screen;
    int columns;
    int cursor_row = 0;
    int cursor_column = 0;
    bool wrap_pending = false;
    std::vector<int> rendition;

    int& row() { return cursor_row; }
    int& column() { return cursor_column; }
    int last_row() const { return static_cast<int>(screen.rows.size()) - 1; }

    // Rows hold the cells written so far, up to the last one not erased:
    // the blanks past them cost nothing.
    void erase(int row, int from, int to) {
        ScreenRow& cells = screen.rows[row];
        if (to >= static_cast<int>(cells.size()))
            cells.resize(std::min(cells.size(), static_cast<size_t>(from)));
        for (int c = from; c < std::min(to, static_cast<int>(cells.size())); c++)
            cells[c] = {" ", {}};
    }

    void line_feed() {
        if (row() < last_row()) {
            row()++;
            return;
        }
        screen.rows.erase(screen.rows.begin());
        screen.rows.emplace_back();
    }

    void put(const std::string& character) {
        if (wrap_pending) {
            column() = 0;
            line_feed();
        }
        ScreenRow& cells = screen.rows[row()];
        if (static_cast<int>(cells.size()) <= column())
            cells.resize(column() + 1, ShownCell{" ", {}});
        cells[column()] = {character, rendition};
        wrap_pending = column() == columns - 1;
        column() = std::min(column() + 1, columns - 1);
    }

    void control(char final, const std::vector<int>& p) {
        int n = std::max(1, p[0]);
        wrap_pending = false;
        switch (final) {
        case 'A':
            row() = std::max(0, row() - n);
            break;
        case 'B':
            row() = std::min(last_row(), row() + n);
            break;
        case 'C':
            column() = std::min(columns - 1, column() + n);
            break;
        case 'D':
            column() = std::max(0, column() - n);
            break;
        case 'H':
        case 'f':
            row() = std::clamp(n - 1, 0, last_row());
            column() = std::clamp(std::max(1, p.size() > 1 ? p[1] : 1) - 1, 0, columns - 1);
            break;
        case 'J':
            for (int r = 0; r <= last_row(); r++) {
                bool before = r<row(), after = r> row();
                if ((p[0] == 0 && after) || (p[0] == 1 && before) || p[0] >= 2)
                    erase(r, 0, columns);
            }
            if (p[0] < 2)
                control('K', p);
            break;
        case 'K':
            erase(row(), p[0] == 0 ? column() : 0, p[0] == 1 ? column() + 1 : columns);
            break;
        case 'm':
            for (int parameter : p)
                apply_sgr(rendition, parameter);
            break;
        default:
            break;
        }
    }
};

// The end of the control sequence that begins at `at` (ESC "["): its
// final byte, or the output's end.
size_t sequence_end(const std::string& output, size_t at) {
    size_t end = at + 2;
    while (end < output.size() && (output[end] < 0x40 || output[end] > 0x7e))
        end++;
    return end;
}

} // namespace

// The bytes of the character that begins at `at`: as many as its first
// byte announces, up to the first that cannot continue it.
size_t character_length(const std::string& output, size_t at) {
    size_t n = 1;
    size_t announced = static_cast<size_t>(std::max(1, utf8_announced_length(output[at])));
    while (n < announced && at + n < output.size() && utf8_is_continuation(output[at + n]))
        n++;
    return n;
}

Screen screen_play(const std::string& output, int columns, int rows, ScreenEvents* events) {
    ScreenEvents none;
    ScreenEvents& tell = events ? *events : none;
    Terminal t;
    t.columns = columns;
    t.screen.rows.resize(rows);
    for (size_t at = 0; at < output.size();) {
        char byte = output[at];
        if (byte == '\x1b' && at + 1 < output.size() && output[at + 1] == '[') {
            size_t end = sequence_end(output, at);
            std::string list = output.substr(at + 2, end - at - 2);
            std::vector<int> parameters = sgr_parameters(list);
            if (parameters.empty())
                parameters = {0};
            if (end < output.size() && list.find_first_not_of("0123456789;") == std::string::npos)
                t.control(output[end], parameters);
            tell.sequence(list, end < output.size() ? output[end] : '\0', t.row(), t.column());
            at = end + 1;
        } else if (byte == '\x1b') {
            tell.stray_escape();
            at += 2;
        } else if (byte == '\r') {
            t.column() = 0;
            t.wrap_pending = false;
            tell.returned();
            at++;
        } else if (byte == '\n') {
            t.line_feed();
            t.wrap_pending = false;
            tell.line_fed(t.row());
            at++;
        } else {
            size_t n = static_cast<unsigned char>(byte) < 0x20 ? 1 : character_length(output, at);
            if (n > 1 || static_cast<unsigned char>(byte) >= 0x20)
                t.put(output.substr(at, n));
            tell.written(output.substr(at, n), t.row(), t.column());
            at += n;
        }
    }
    return t.screen;
}

std::string Screen::text(int row) const {
    std::string line;
    for (const ShownCell& cell : rows[row])
        line += cell.text;
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

int Screen::find(const std::string& needle, int from) const {
    for (int row = std::max(from, 0); row < static_cast<int>(rows.size()); row++)
        if (text(row).find(needle) != std::string::npos)
            return row;
    return -1;
}

int Screen::find_last_line(const std::string& line) const {
    for (int row = static_cast<int>(rows.size()) - 1; row >= 0; row--)
        if (text(row) == line)
            return row;
    return -1;
}

int Screen::count(const std::string& needle, int from) const {
    int found = 0;
    for (int row = find(needle, from); row >= 0; row = find(needle, row + 1))
        found++;
    return found;
}

std::vector<ShownCell> Screen::cells_of(int row, const std::string& needle) const {
    std::vector<ShownCell> cells;
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return cells;
    size_t at = text(row).find(needle);
    if (at == std::string::npos)
        return cells;
    size_t offset = 0;
    for (const ShownCell& cell : rows[row]) {
        if (offset >= at && offset < at + needle.size())
            cells.push_back(cell);
        offset += cell.text.size();
    }
    return cells;
}

int Screen::width() const {
    size_t widest = 0;
    for (const ScreenRow& row : rows)
        widest = std::max(widest, row.size());
    return static_cast<int>(widest);
}

// The game lights its highlighted option with a green background, or in
// reverse video without colours.
constexpr int LIT_BACKGROUND = 42;
constexpr int LIT_REVERSE = 7;

std::string Screen::dump() const {
    std::string all;
    for (int row = 0; row < static_cast<int>(rows.size()); row++) {
        bool lit = any_cell_has(rows[row], LIT_BACKGROUND) || any_cell_has(rows[row], LIT_REVERSE);
        all += std::to_string(row) + "|" + escaped(text(row)) + (lit ? "   <- lit" : "") + "\n";
    }
    return all;
}

bool all_cells_have(const std::vector<ShownCell>& cells, int parameter) {
    return !cells.empty() && std::all_of(cells.begin(), cells.end(), [&](const ShownCell& cell) {
        return has_parameter(cell, parameter);
    });
}

bool any_cell_has(const std::vector<ShownCell>& cells, int parameter) {
    return std::any_of(cells.begin(), cells.end(),
                       [&](const ShownCell& cell) { return has_parameter(cell, parameter); });
}
