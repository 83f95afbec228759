// Fuzz target for the option chooser's drawing: a menu of arbitrary labels
// (up to 24, so some inputs pass the 20 slots) at a width from 1 to 100, and
// arbitrary keys on standard input, which ends with the end of input (read
// as an interrupt, so the chooser quits at the latest there). Standard
// output is played on the tests' screen model. Checked:
// - no line wraps at that width: the screen's lines are the ones counted;
// - every drawing of an option shows its prefix, then its label broken into
//   lines of the width less the prefix and 1 (but for one character too wide
//   for a line), cut only between whole UTF-8 characters, with only spaces
//   at the breaks left out, in as many lines as the chooser counted;
// - the listing highlights the first option only;
// - before each wait the cursor rests on the lit option's label, and what
//   comes after begins with a return to the line's start;
// - the cursor never leaves the list's lines, and at the end every line of
//   the list is blank, the cursor is at the start of its first line and
//   the paragraph column is 0;
// - the result is STATE_QUIT or the first state of a listed option.
#include "byte_reader.h"
#include "fuzz_check.h"
#include "fuzz_io.h"
#include "input/key_reader.h"
#include "line_checks.h"
#include "menu/chooser.h"
#include "support/screen.h"
#include "term/paragraph.h"
#include "term/window_size.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int MAX_OPTIONS = 24;
constexpr size_t MAX_KEYS = 512;
constexpr StateId FIRST_STATE = 100;
const std::string HIGHLIGHT = "\x1b[0;1;37;42m";

// One line as the chooser wrote it: the bytes written from column 0, and
// whether the highlight was switched on in it.
struct DrawnLine {
    std::string text;
    bool highlighted;
};

struct Menu {
    int width;
    std::vector<std::string> labels; // listed labels, in order
    std::vector<StateId> states;     // the state each listed label yields first
    int drawings = 0;
    std::string indent{}; // of a label's further lines
};

// The slot whose prefix, narrowed as the window is, begins text; -1 if none.
int slot_starting(const std::string& text) {
    size_t columns = static_cast<size_t>(chooser_list().prefix_columns);
    for (int slot = 0; slot < chooser_list().slot_count; slot++)
        if (text.compare(0, columns, {' ', char('1' + slot), ':', ' '}, columns < 4, columns) == 0)
            return slot;
    return -1;
}

// Checks one complete drawing of an option against its label.
void check_drawing(const Menu& menu, const std::vector<DrawnLine>& lines) {
    int slot = slot_starting(lines[0].text);
    FUZZ_CHECK(slot >= 0 && static_cast<int>(lines.size()) == chooser_list().slots[slot].lines);
    if (menu.drawings < chooser_list().slot_count)
        FUZZ_CHECK(slot == menu.drawings && lines[0].highlighted == (slot == 0));
    const std::string& label = menu.labels[static_cast<size_t>(slot)];
    size_t p = 0;
    for (size_t i = 0; i < lines.size(); i++) {
        FUZZ_CHECK(lines[i].highlighted == lines[0].highlighted);
        std::string piece = lines[i].text.substr(menu.indent.size());
        FUZZ_CHECK(i == 0 || lines[i].text.compare(0, menu.indent.size(), menu.indent) == 0);
        check_line(piece, menu.width - chooser_list().prefix_columns - 1);
        FUZZ_CHECK(label.compare(p, piece.size(), piece) == 0);
        FUZZ_CHECK(i == 0 || !piece.empty());
        p += piece.size();
        size_t cut = p;
        while (p < label.size() && label[p] == ' ')
            p++;
        if (cut == p && i + 1 < lines.size())
            FUZZ_CHECK(!utf8_splits_character(label, cut));
    }
    FUZZ_CHECK(p == label.size() || menu.width == 1); // there the key alone
}

// Follows the chooser's output as the screen model plays it on an
// emulated terminal of the window's width, line by line, option by option. Rows count from
// the line where the output began.
struct DrawingChecker : ScreenEvents {
    Menu& menu;
    DrawnLine line{"", false};      // the line being written
    std::vector<DrawnLine> drawing; // the option being drawn, line by line
    int top = 2;                    // first row of the list
    int bottom = 2;                 // the row below the list
    int row = 0, column = 0;        // the cursor after the last step
    bool just_returned = false;     // the last step a carriage return
    int lit_row = -1;               // the first line of the option drawn lit last
    bool resting = false;           // the cursor on the lit label, in a wait

    explicit DrawingChecker(Menu& checked) : menu(checked) {
        for (int i = 0; i < chooser_list().slot_count; i++)
            bottom += chooser_list().slots[i].lines;
    }

    void end_drawing() {
        if (drawing.empty())
            return;
        check_drawing(menu, drawing);
        drawing.clear();
        menu.drawings++;
    }

    void written(const std::string& character, int at_row, int at_column) override {
        FUZZ_CHECK(!resting);
        line.text += character;
        FUZZ_CHECK(at_row == row && utf8_character_count(line.text) <= menu.width);
        column = at_column;
        just_returned = false;
    }

    // The terminal's own return before each newline of the output is no
    // byte of the line; a label's return is.
    // In a window of one column the cursor rests on the key, where the
    // return that leaves the rest moves nothing.
    void returned() override {
        if (resting || (menu.width == 1 && column == 0 && line.text.empty())) {
            resting = false;
            return;
        }
        line.text += '\r';
        column = 0;
        just_returned = true;
    }

    // A newline ends a line of an option, a blanked line or one of the two
    // empty lines above the list.
    void line_fed(int at_row) override {
        if (just_returned)
            line.text.pop_back();
        just_returned = false;
        const std::string& text = line.text;
        bool starts_option = slot_starting(text) >= 0;
        bool continues = !drawing.empty() && text.compare(0, menu.indent.size(), menu.indent) == 0;
        if (starts_option || !continues)
            end_drawing();
        if (starts_option || continues)
            drawing.push_back(line);
        if (starts_option && line.highlighted)
            lit_row = row;
        line = {"", false};
        row = at_row;
        FUZZ_CHECK(row <= bottom);
    }

    void sequence(const std::string& parameters, char final, int at_row, int at_column) override {
        just_returned = false;
        FUZZ_CHECK(!resting && final != '\0' &&
                   std::string("ABCKm").find(final) != std::string::npos);
        resting = final == 'C';
        int prefix = chooser_list().prefix_columns;
        if (resting)
            FUZZ_CHECK(parameters == (prefix == 1 ? "" : std::to_string(prefix)) &&
                       at_column == prefix && at_row == lit_row);
        if (final == 'A' || final == 'B') {
            end_drawing();
            FUZZ_CHECK(at_column == 0 && (parameters.empty() || std::stoi(parameters) > 0));
            FUZZ_CHECK(at_row >= top && at_row <= bottom);
        }
        if (final == 'm')
            line.highlighted = line.highlighted || "\x1b[" + parameters + "m" == HIGHLIGHT;
        row = at_row;
        column = at_column;
    }

    void stray_escape() override { FUZZ_CHECK(false); }
};

void replay(const std::string& out, Menu& menu) {
    FUZZ_CHECK(out.compare(0, 2, "\n\n") == 0);
    DrawingChecker checker(menu);
    // At the window's width, tall enough never to scroll; each newline
    // a return and a line feed, as a terminal shows a program's lines.
    // A stray continuation byte takes a cell but no column: such labels play endlessly wide.
    std::string shown;
    for (char c : out)
        shown += c == '\n' ? std::string("\r\n") : std::string(1, c);
    int rows = checker.bottom + static_cast<int>(std::count(out.begin(), out.end(), '\n')) + 2;
    bool whole = std::all_of(menu.labels.begin(), menu.labels.end(), utf8_is_whole);
    Screen screen = screen_play(shown, whole ? menu.width : 1 << 20, rows, &checker);
    checker.end_drawing();
    FUZZ_CHECK(menu.drawings >= chooser_list().slot_count);
    FUZZ_CHECK(checker.row == checker.top && checker.column == 0 && checker.line.text.empty());
    for (int row = checker.top; row < checker.bottom; row++)
        FUZZ_CHECK(screen.rows[static_cast<size_t>(row)].empty());
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
    int width = 1 + (low | reader_byte(data) << 8) % 100;
    term_set_window({width, term_window().rows});
    paragraph_at_column(7);
    std::vector<std::string> texts;
    Menu menu = build_menu(data, width, texts);
    feed_stdin(bytes + data.pos, std::min(size - std::min(size, data.pos), MAX_KEYS));
    start_capture();
    StateId result = choose_option();
    std::string out = take_output();
    FUZZ_CHECK(chooser_list().slot_count ==
               std::min(static_cast<int>(menu.labels.size()), MENU_MAX_OPTIONS));
    if (chooser_list().slot_count == 0) {
        FUZZ_CHECK(result == STATE_QUIT && out.empty());
    } else {
        menu.states.resize(static_cast<size_t>(chooser_list().slot_count));
        menu.indent.assign(static_cast<size_t>(chooser_list().prefix_columns), ' ');
        FUZZ_CHECK(result == STATE_QUIT ||
                   std::count(menu.states.begin(), menu.states.end(), result) == 1);
        replay(out, menu);
        FUZZ_CHECK(paragraph_column() == 0);
    }
    // Bytes the reader holds belong to this input only.
    forget_unread_keys();
    scene_begin(STATE_START);
    return 0;
}
