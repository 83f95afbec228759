#include "menu/chooser.h"

#include "input/key_reader.h"
#include "menu/turn_store.h"
#include "term/ansi.h"
#include "term/paragraph.h"
#include "term/terminal.h"
#include "term/window_size.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

// The list on the screen (see ChooserList).
static ChooserList shown;

// Below this many rows the window holds no marker lines, only the options.
constexpr int MIN_VIEW_ROWS = 4;
// The marker lines in place of the options hidden above and below the view.
// Where the words do not fit the width, the arrow and the count stand alone.
const char* const MARKER_ABOVE = "↑";
const char* const MARKER_BELOW = "↓";
const char* const MARKER_WORDS = " val till";
constexpr int MARKER_BYTES = 32;

// The prefix " 1: " narrows where the window cannot hold it and a letter
// of the label on one line: "1: ", "1:", then the key alone. So a line
// never wraps, which would make the terminal's lines more than the count.
static int prefix_columns_for(int width) {
    return std::clamp(width - 1, 1, PREFIX_COLUMNS);
}

// In a window of one column the key fills the line.
static bool label_has_room() {
    return shown.listed_width > shown.prefix_columns;
}

// The label's line that starts at rest, ending a column short of the right
// edge; at five columns or fewer one character that fills the line, and at
// one column none at all.
static TextLine label_line(const char* rest) {
    if (!label_has_room())
        return {0, 0, rest + std::strlen(rest)};
    return text_line(rest, shown.listed_width - shown.prefix_columns - 1, true);
}

// Every change of shown.cursor_slot comes here: the cursor has just come to
// the first line of slot, by a move or by drawing the slots above it.
static void cursor_now_at(int slot) {
    shown.cursor_slot = slot;
}

static int lines_of(const char* label) {
    int lines = 0;
    do {
        label = label_line(label).next;
        lines++;
    } while (*label != '\0');
    return lines;
}

// Draws a slot at the cursor, which stands at the start of a line, in at
// most max_lines lines, and returns the number of lines drawn. Only the label
// and the erased rest of its lines carry the highlight; the prefix and the
// indent never do, but for a key that has no label beside it.
static int draw_slot(const MenuSlot& slot, bool highlight, int max_lines) {
    const char prefix[PREFIX_COLUMNS] = {' ', static_cast<char>(slot.key), ':', ' '};
    bool key_lit = highlight && !label_has_room();
    if (key_lit)
        term_set_attr(ATTR_HIGHLIGHT);
    term_put_bytes(prefix + (shown.prefix_columns < PREFIX_COLUMNS), shown.prefix_columns);
    const char* rest = slot.label;
    int lines = 1;
    for (;;) {
        TextLine line = label_line(rest);
        if (highlight && !key_lit)
            term_set_attr(ATTR_HIGHLIGHT);
        put_n(rest, line.bytes);
        clear_rest_of_line(shown.prefix_columns + line.columns, shown.listed_width);
        term_set_attr(ATTR_NORMAL);
        term_putch('\n');
        rest = line.next;
        if (*rest == '\0' || lines == max_lines)
            break;
        term_put_bytes("    ", shown.prefix_columns);
        lines++;
    }
    return lines;
}

// A new list, of the current menu's options, with nothing drawn yet.
static void list_options() {
    MenuListing listing = menu_listing(&menu_tree);
    shown = ChooserList{};
    for (int i = 0; i < listing.count; i++)
        shown.slots[i] = {listing.options[i].label, '1' + i, 0, listing.options[i].node};
    shown.slot_count = listing.count;
}

static int marker_rows(int first, int last) {
    if (shown.listed_rows < MIN_VIEW_ROWS)
        return 0;
    return (first > 0) + (last < shown.slot_count - 1);
}

// Rows the options first to last take with their marker lines, and the line
// below them, where the cursor waits.
static int rows_for(int first, int last) {
    int rows = 1 + marker_rows(first, last);
    for (int i = first; i <= last; i++)
        rows += shown.label_lines[i];
    return rows;
}

static bool fits(int rows, int window_rows) {
    return window_rows == 0 || rows <= window_rows;
}

static bool view_fits(int first, int last) {
    return first >= 0 && last < shown.slot_count && fits(rows_for(first, last), shown.listed_rows);
}

// Widens the view by whole options as far as the window holds them, first
// in the direction of step, then in the other.
static void widen_view(int step) {
    for (int s : {step, -step}) {
        int& edge = s > 0 ? shown.view_last : shown.view_first;
        while (view_fits(shown.view_first + std::min(s, 0), shown.view_last + std::max(s, 0)))
            edge += s;
    }
}

// The view from first down, if it reaches the highlighted option; else the
// view that ends with it.
static void fit_view(int first) {
    shown.view_first = shown.view_last = first;
    widen_view(1);
    if (shown.highlighted > shown.view_last) {
        shown.view_first = shown.view_last = shown.highlighted;
        widen_view(-1);
    }
}

// Measures the options for the window as it is now, and fits the view to it
// around the highlight.
static void lay_out() {
    shown.listed_width = term_window().columns;
    shown.listed_rows = term_window().rows;
    shown.prefix_columns = prefix_columns_for(shown.listed_width);
    for (int i = 0; i < shown.slot_count; i++)
        shown.label_lines[i] = lines_of(shown.slots[i].label);
    fit_view(std::min(shown.view_first, shown.highlighted));
}

// The marker's text for the width: with its words where they leave the
// last column free, else the arrow and the count with as many of their
// three leading spaces as fit, else the two joined, else the arrow alone.
static void marker_text(char (&line)[MARKER_BYTES], const char* arrow, int hidden) {
    int width = shown.listed_width;
    std::snprintf(line, sizeof line, "   %s %d%s", arrow, hidden, MARKER_WORDS);
    if (text_columns(line) < width)
        return;
    for (int lead = 3; lead >= 0; lead--) {
        std::snprintf(line, sizeof line, "%*s%s %d", lead, "", arrow, hidden);
        if (text_columns(line) <= width)
            return;
    }
    std::snprintf(line, sizeof line, "%s%d", arrow, hidden);
    if (text_columns(line) > width)
        std::snprintf(line, sizeof line, "%s", arrow);
}

// A marker line takes the place of the nearest hidden slot, so the moves
// by line counts pass over it; the other hidden slots take no lines.
static int draw_marker(const char* arrow, int hidden) {
    if (shown.listed_rows < MIN_VIEW_ROWS)
        return 0;
    char line[MARKER_BYTES];
    marker_text(line, arrow, hidden);
    term_put_text(line);
    clear_rest_of_line(text_columns(line), shown.listed_width);
    term_putch('\n');
    return 1;
}

// Draws the view from the cursor's line down, with the highlight where it
// is; the line counts of this drawing are the ones in force from now on. An
// option taller than the window alone is cut to the rows there are.
static void draw_slots() {
    int room = std::max(1, shown.listed_rows - 1 - marker_rows(shown.view_first, shown.view_last));
    for (int i = 0; i < shown.slot_count; i++) {
        if (i == shown.view_first - 1)
            shown.slots[i].lines = draw_marker(MARKER_ABOVE, shown.view_first);
        else if (i == shown.view_last + 1)
            shown.slots[i].lines =
                draw_marker(MARKER_BELOW, shown.slot_count - 1 - shown.view_last);
        else if (i >= shown.view_first && i <= shown.view_last)
            shown.slots[i].lines = draw_slot(shown.slots[i], i == shown.highlighted,
                                             shown.listed_rows ? room : INT_MAX);
        else
            shown.slots[i].lines = 0;
        cursor_now_at(i + 1);
    }
}

// One slot's lines at a time, so a move passes over each slot as the slot
// was drawn.
static void move_to_slot(int target) {
    int slot = shown.cursor_slot;
    for (; slot > target && slot > 0; slot--)
        term_cursor_up(shown.slots[slot - 1].lines);
    for (; slot < target && slot < shown.slot_count; slot++)
        term_cursor_down(shown.slots[slot].lines);
    cursor_now_at(slot);
}

// Draws slot index again over its own lines.
static void redraw_slot(int index, bool highlight, int max_lines) {
    move_to_slot(index);
    draw_slot(shown.slots[index], highlight, max_lines);
    cursor_now_at(index + 1);
}

// Before a wait for a key, from wherever the drawing left the cursor: the
// readers of a terminal for the blind name the line that the cursor is on,
// and a highlight's colour tells them nothing.
static void rest_on_highlight() {
    if (shown.resting)
        return;
    move_to_slot(shown.highlighted);
    // On the label's first column; in a window of one column, on the key.
    term_cursor_right(label_has_room() ? shown.prefix_columns : 0);
    shown.resting = true;
}

// The cursor at the start of the line it is on, where every drawing begins.
static void to_line_start() {
    term_putch('\r');
    shown.resting = false;
}

// Before anything is written after a wait for a key.
static void leave_rest() {
    if (shown.resting)
        to_line_start();
}

// Inside the view, just the two options concerned are drawn again. Past its
// edge, the view moves by whole options and is drawn again in place.
static void set_highlight(int index) {
    if (index == shown.highlighted)
        return;
    leave_rest();
    if (index < shown.view_first || index > shown.view_last) {
        move_to_slot(0);
        term_clear_below();
        shown.highlighted = index;
        fit_view(std::min(shown.view_first, index));
        draw_slots();
        return;
    }
    redraw_slot(shown.highlighted, false, INT_MAX);
    redraw_slot(index, true, INT_MAX);
    shown.highlighted = index;
}

static void draw_list() {
    term_put_text(BEFORE_LIST);
    lay_out();
    draw_slots();
}

// A new width rewraps what the terminal shows, each terminal in its own way,
// and a window that grows brings lines back from the scrollback at its top
// (an old turn, an old list): after any new size nothing on the screen can
// be counted on.
static bool window_changed() {
    return term_window().columns != shown.listed_width || term_window().rows != shown.listed_rows;
}

// The screen cleared as at the start and written again as it was: the turns
// that led here, as far as they are remembered, then this one and its list.
static void redraw_turn() {
    leave_rest();
    term_clear_screen();
    term_move_to(0, 0);
    replay_turns();
    draw_list();
}

// Ctrl-Z: the shell writes from the line below the list, so the cursor goes
// there first, and the highlight goes out, since the list left above the
// shell's lines is no longer the one that answers keys. Back in the same
// window, the shell's lines stand below the old list and the cursor under
// them: the list is drawn again from there, its highlight the only one lit.
// So too after a stop from outside, once the terminal room has taken back
// the terminal that the shell had, which wrote wherever the cursor stood.
// Where the game holds no keyboard mode (the plain style, a test) a stop
// is the system's, and neither key draws anything.
static void stop_and_go_on(int key) {
    if (key == KEY_SUSPEND && terminal_keyboard_taken()) {
        leave_rest();
        redraw_slot(shown.highlighted, false, shown.slots[shown.highlighted].lines);
        move_to_slot(shown.slot_count);
        terminal_stop();
    } else if (key == KEY_SUSPEND || !terminal_resume()) {
        return;
    }
    if (window_changed()) {
        redraw_turn();
        return;
    }
    to_line_start();
    lay_out();
    draw_slots();
}

// Leaves every line of the list empty and the cursor at the start of the
// line where the first option stood, so the story writes on from there.
static void blank_list() {
    leave_rest();
    move_to_slot(0);
    for (int i = 0; i < shown.slot_count; i++) {
        for (int line = 0; line < shown.slots[i].lines; line++) {
            term_clear_eol();
            term_putch('\n');
        }
    }
    cursor_now_at(shown.slot_count);
    move_to_slot(0);
    paragraph_at_column(0);
}

enum class KeyAction { CHOOSE, PREVIOUS, NEXT, QUIT, OTHER };

// The fixed bindings, which come before the options' own keys: so the
// eighteenth option's key "B" moves the highlight instead of choosing.
// Backspace is 127 on most terminals and 8 on some.
static KeyAction fixed_binding(int key) {
    switch (key) {
    case '\n':
    case '\r':
    case KEY_RIGHT:
        return KeyAction::CHOOSE;
    case KEY_UP:
    case '\b':
    case 127:
    case 'B':
    case 'b':
        return KeyAction::PREVIOUS;
    case KEY_DOWN:
    case '\t':
    case ' ':
    case 'N':
    case 'n':
        return KeyAction::NEXT;
    case KEY_INTERRUPT:
    case KEY_INPUT_CLOSED:
    case KEY_ESCAPE:
    case 'Q':
    case 'q':
        return KeyAction::QUIT;
    default:
        return KeyAction::OTHER;
    }
}

static int slot_with_key(int key) {
    for (int i = 0; i < shown.slot_count; i++)
        if (shown.slots[i].key == key)
            return i;
    return -1;
}

// Reads keys until the player chooses or quits; returns the chosen slot's
// index, or -1 for a quit.
static int wait_for_choice() {
    for (;;) {
        // The frame goes out whole before the wait, and nobody sees the
        // screen any more after a write failed: end the game rather than go
        // on blind.
        rest_on_highlight();
        terminal_flush();
        if (terminal_write_error() != 0)
            return -1;
        int key = read_key();
        if (key == KEY_SUSPEND || key == KEY_CONTINUE) {
            stop_and_go_on(key);
            continue;
        }
        // Measured here, once for the whole drawing: a resize while it draws
        // is noted for the next key wait, which draws again at that size.
        if (key == KEY_RESIZE) {
            term_measure_window();
            if (window_changed())
                redraw_turn();
            continue;
        }
        switch (fixed_binding(key)) {
        case KeyAction::CHOOSE:
            return shown.highlighted;
        case KeyAction::PREVIOUS:
            set_highlight((shown.highlighted + shown.slot_count - 1) % shown.slot_count);
            break;
        case KeyAction::NEXT:
            set_highlight((shown.highlighted + 1) % shown.slot_count);
            break;
        case KeyAction::QUIT:
            return -1;
        case KeyAction::OTHER:
            if (int slot = slot_with_key(key); slot >= 0)
                return slot;
            break;
        }
    }
}

std::int32_t choose_option() {
    list_options();
    // Nothing left to offer: end the game in order rather than wait on an
    // empty list.
    if (shown.slot_count == 0)
        return STATE_QUIT;

    draw_list();
    int chosen = wait_for_choice();
    std::int32_t result =
        chosen < 0 ? STATE_QUIT : menu_select(&menu_tree, shown.slots[chosen].node);
    blank_list();
    return result;
}

std::int32_t story_choose() {
    return choose_option();
}

const ChooserList& chooser_list() {
    return shown;
}
