// Fuzz target for the option chooser's drawing: a menu of arbitrary labels
// (up to 24, so some inputs pass the 20 slots) at a width from 1 to 300, and
// arbitrary keys on standard input, which ends with the end of input (read
// as an interrupt, so the chooser quits at the latest there). Standard
// output is replayed on a small terminal model. Checked:
// - every drawing of an option shows its prefix, then its label broken into
//   lines of at most the width minus 5 columns (but for one character too wide
//   for a line), cut only between whole UTF-8 characters, with only spaces
//   at the breaks left out, in as many lines as the chooser counted;
// - the listing highlights the first option only;
// - the cursor never leaves the list's lines, and at the end every line of
//   the list is blank, the cursor is at the start of its first line and
//   `out_column` is 0;
// - the result is STATE_QUIT or the first state of a listed option.
#include "byte_reader.h"
#include "fuzz_check.h"
#include "fuzz_io.h"
#include "input/key_reader.h"
#include "line_checks.h"
#include "menu/chooser.h"
#include "term/paragraph.h"
#include "term/term_width.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int MAX_OPTIONS = 24;
constexpr size_t MAX_KEYS = 512;
constexpr StateId FIRST_STATE = 100;
const std::string HIGHLIGHT = "\x1b[0;1;37;42m";
const std::string PREFIX_END = ": ";
const std::string INDENT(PREFIX_COLUMNS, ' ');

// One line as the chooser wrote it: the bytes written from column 0, and
// whether the highlight was switched on in it.
struct DrawnLine {
    std::string text;
    bool highlighted;
};

// Replays the chooser's output on an endless-width terminal. Rows count
// from the line where the output began.
struct Terminal {
    std::vector<std::string> rows{1};
    int row = 0;
    int col = 0;
    DrawnLine line;                 // the line being written
    std::vector<DrawnLine> drawing; // the option being drawn, line by line
    int top = 0;                    // first row of the list
    int bottom = 0;                 // the row below the list
};

struct Menu {
    int width;
    std::vector<std::string> labels; // listed labels, in order
    std::vector<StateId> states;     // the state each listed label yields first
    int drawings = 0;
};

// Checks one complete drawing of an option against its label.
void check_drawing(const Menu& menu, const std::vector<DrawnLine>& lines) {
    const std::string& first = lines[0].text;
    int slot = static_cast<unsigned char>(first[1]) - '1';
    FUZZ_CHECK(first[0] == ' ' && first.compare(2, 2, PREFIX_END) == 0);
    FUZZ_CHECK(slot >= 0 && slot < slot_count);
    FUZZ_CHECK(static_cast<int>(lines.size()) == slots[slot].lines);
    if (menu.drawings < slot_count)
        FUZZ_CHECK(slot == menu.drawings && lines[0].highlighted == (slot == 0));
    const std::string& label = menu.labels[static_cast<size_t>(slot)];
    size_t p = 0;
    for (size_t i = 0; i < lines.size(); i++) {
        FUZZ_CHECK(lines[i].highlighted == lines[0].highlighted);
        std::string piece = lines[i].text.substr(INDENT.size());
        FUZZ_CHECK(i == 0 || lines[i].text.compare(0, INDENT.size(), INDENT) == 0);
        check_line(piece, menu.width - LABEL_MARGIN);
        FUZZ_CHECK(label.compare(p, piece.size(), piece) == 0);
        FUZZ_CHECK(i == 0 || !piece.empty());
        p += piece.size();
        size_t cut = p;
        while (p < label.size() && label[p] == ' ')
            p++;
        if (cut == p && i + 1 < lines.size())
            FUZZ_CHECK(!utf8_splits_character(label, cut));
    }
    FUZZ_CHECK(p == label.size());
}

void end_drawing(Terminal& t, Menu& menu) {
    if (t.drawing.empty())
        return;
    check_drawing(menu, t.drawing);
    t.drawing.clear();
    menu.drawings++;
}

// A newline ends a line of an option, a blanked line or one of the two
// empty lines above the list.
void new_line(Terminal& t, Menu& menu) {
    const std::string& text = t.line.text;
    bool starts_option = text.size() >= 4 && text[0] == ' ' && text.compare(2, 2, PREFIX_END) == 0;
    bool continues = !t.drawing.empty() && text.compare(0, INDENT.size(), INDENT) == 0;
    if (starts_option || !continues)
        end_drawing(t, menu);
    if (starts_option || continues)
        t.drawing.push_back(t.line);
    t.line = {"", false};
    t.row++;
    t.col = 0;
    if (t.row == static_cast<int>(t.rows.size()))
        t.rows.emplace_back();
    FUZZ_CHECK(t.row <= t.bottom);
}

void write_byte(Terminal& t, char c) {
    std::string& row = t.rows[static_cast<size_t>(t.row)];
    if (static_cast<int>(row.size()) <= t.col)
        row.resize(static_cast<size_t>(t.col) + 1, ' ');
    row[static_cast<size_t>(t.col)] = c;
    t.col++;
    t.line.text += c;
}

// One control sequence, ESC "[" parameters and a final byte, from out[at].
size_t control(Terminal& t, Menu& menu, const std::string& out, size_t at) {
    size_t end = out.find_first_of("ABKm", at + 2);
    FUZZ_CHECK(out[at + 1] == '[' && end != std::string::npos);
    std::string sequence = out.substr(at, end + 1 - at);
    std::string parameters = out.substr(at + 2, end - at - 2);
    int n = parameters.empty() ? 1 : std::stoi(parameters);
    switch (out[end]) {
    case 'A':
    case 'B':
        end_drawing(t, menu);
        FUZZ_CHECK(t.col == 0 && n > 0);
        t.row += out[end] == 'A' ? -n : n;
        FUZZ_CHECK(t.row >= t.top && t.row <= t.bottom);
        break;
    case 'K':
        t.rows[static_cast<size_t>(t.row)].resize(
            std::min(t.rows[static_cast<size_t>(t.row)].size(), static_cast<size_t>(t.col)));
        break;
    default:
        t.line.highlighted = t.line.highlighted || sequence == HIGHLIGHT;
        break;
    }
    return end + 1;
}

void replay(const std::string& out, Menu& menu) {
    Terminal t;
    t.top = 2;
    t.bottom = t.top;
    for (int i = 0; i < slot_count; i++)
        t.bottom += slots[i].lines;
    FUZZ_CHECK(out.compare(0, 2, "\n\n") == 0);
    for (size_t at = 0; at < out.size();) {
        if (out[at] == '\x1b') {
            at = control(t, menu, out, at);
        } else {
            if (out[at] == '\n')
                new_line(t, menu);
            else
                write_byte(t, out[at]);
            at++;
        }
    }
    end_drawing(t, menu);
    FUZZ_CHECK(menu.drawings >= slot_count);
    FUZZ_CHECK(t.row == t.top && t.col == 0 && t.line.text.empty());
    for (int row = t.top; row < t.bottom; row++)
        FUZZ_CHECK(t.rows[static_cast<size_t>(row)].empty());
}

// Adds the options; equal labels merge into one option, listed where the
// first of them was added.
Menu build_menu(ByteReader& data, int width, std::vector<std::string>& texts) {
    Menu menu{width, {}, {}};
    int count = reader_pick(data, MAX_OPTIONS + 1);
    for (int i = 0; i < count; i++)
        texts.push_back(take_text(data));
    scene_begin(STATE_START);
    for (int i = 0; i < count; i++) {
        const std::string& text = texts[static_cast<size_t>(i)];
        add_option(FIRST_STATE + i, text.c_str());
        if (std::find(menu.labels.begin(), menu.labels.end(), text) == menu.labels.end()) {
            menu.labels.push_back(text);
            menu.states.push_back(FIRST_STATE + i);
        }
    }
    return menu;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    ByteReader data{bytes, size, 0};
    int low = reader_byte(data);
    int width = 1 + (low | reader_byte(data) << 8) % 300;
    TERM_WIDTH = width;
    out_column = 7;
    std::vector<std::string> texts;
    Menu menu = build_menu(data, width, texts);
    feed_stdin(bytes + data.pos, std::min(size - std::min(size, data.pos), MAX_KEYS));
    start_capture();
    StateId result = choose_option();
    std::string out = take_output();
    FUZZ_CHECK(slot_count == std::min(static_cast<int>(menu.labels.size()), MAX_SLOTS));
    if (slot_count == 0) {
        FUZZ_CHECK(result == STATE_QUIT && out.empty());
    } else {
        menu.states.resize(static_cast<size_t>(slot_count));
        FUZZ_CHECK(result == STATE_QUIT ||
                   std::count(menu.states.begin(), menu.states.end(), result) == 1);
        replay(out, menu);
        FUZZ_CHECK(out_column == 0);
    }
    // Bytes read ahead or put back belong to this input only.
    forget_unread_keys();
    scene_begin(STATE_START);
    return 0;
}
