#include "menu/chooser.h"

#include "input/key_reader.h"
#include "menu/turn_store.h"
#include "term/ansi.h"
#include "term/paragraph.h"
#include "term/window_size.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

MenuSlot slots[MAX_SLOTS];
std::int32_t slot_count;
std::int32_t highlighted;
std::int32_t cursor_slot;
void (*suspend_game)() = nullptr;
bool (*resume_game)() = nullptr;

// The window the list on the screen was laid out for, and the lines each
// whole label takes at that width.
static int listed_width;
static int listed_rows;
static int label_lines[MAX_SLOTS];

// The options on the screen, from view_first to view_last: all of them,
// unless the list is taller than the window.
static int view_first;
static int view_last;

// Below this many rows the window holds no marker lines, only the options.
constexpr int MIN_VIEW_ROWS = 4;
// The marker lines in place of the options hidden above and below the view.
// Where the words do not fit the width, the arrow and the count stand alone.
const char* const MARKER_ABOVE = "↑";
const char* const MARKER_BELOW = "↓";
const char* const MARKER_WORDS = " val till";

// The label's line that starts at rest.
static TextLine label_line(const char* rest) {
    return text_line(rest, listed_width - LABEL_MARGIN, true);
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
// indent never do.
static int draw_slot(const MenuSlot& slot, bool highlight, int max_lines) {
    const char prefix[PREFIX_COLUMNS] = {' ', static_cast<char>(slot.key), ':', ' '};
    term_put_bytes(prefix, PREFIX_COLUMNS);
    const char* rest = slot.label;
    int lines = 1;
    for (;;) {
        TextLine line = label_line(rest);
        if (highlight)
            term_set_attr(ATTR_HIGHLIGHT);
        put_n(rest, line.bytes);
        clear_rest_of_line(PREFIX_COLUMNS + line.columns, listed_width);
        term_set_attr(ATTR_NORMAL);
        term_putch('\n');
        rest = line.next;
        if (*rest == '\0' || lines == max_lines)
            break;
        term_put_text("    ");
        lines++;
    }
    cursor_slot++;
    return lines;
}

// The listing function: fills the next slot. Options beyond the table are
// left off the list.
static void add_slot(void*, const char* label, MenuNode* node) {
    if (slot_count == MAX_SLOTS)
        return;
    MenuSlot& slot = slots[slot_count];
    slot.key = '1' + slot_count;
    slot.label = label;
    slot.node = node;
    slot.lines = 0;
    slot_count++;
}

static int marker_rows(int first, int last) {
    if (listed_rows < MIN_VIEW_ROWS)
        return 0;
    return (first > 0) + (last < slot_count - 1);
}

// Rows the options first to last take with their marker lines, and the line
// below them, where the cursor waits.
static int rows_for(int first, int last) {
    int rows = 1 + marker_rows(first, last);
    for (int i = first; i <= last; i++)
        rows += label_lines[i];
    return rows;
}

static bool fits(int rows, int window_rows) {
    return window_rows == 0 || rows <= window_rows;
}

static bool view_fits(int first, int last) {
    return first >= 0 && last < slot_count && fits(rows_for(first, last), listed_rows);
}

// Widens the view by whole options as far as the window holds them, first
// in the direction of step, then in the other.
static void widen_view(int step) {
    for (int s : {step, -step}) {
        int& edge = s > 0 ? view_last : view_first;
        while (view_fits(view_first + std::min(s, 0), view_last + std::max(s, 0)))
            edge += s;
    }
}

// The view from first down, if it reaches the highlighted option; else the
// view that ends with it.
static void fit_view(int first) {
    view_first = view_last = first;
    widen_view(1);
    if (highlighted > view_last) {
        view_first = view_last = highlighted;
        widen_view(-1);
    }
}

// Measures the options for the window as it is now, and fits the view to it
// around the highlight.
static void lay_out() {
    listed_width = term_window().columns;
    listed_rows = term_window().rows;
    for (int i = 0; i < slot_count; i++)
        label_lines[i] = lines_of(slots[i].label);
    fit_view(std::min(view_first, highlighted));
}

// A marker line takes the place of the nearest hidden slot, so the moves
// by line counts pass over it; the other hidden slots take no lines.
static int draw_marker(const char* arrow, int hidden) {
    if (listed_rows < MIN_VIEW_ROWS)
        return 0;
    char line[32];
    int bytes = std::snprintf(line, sizeof line, "   %s %d%s", arrow, hidden, MARKER_WORDS);
    if (text_columns(line) >= listed_width)
        line[bytes - std::strlen(MARKER_WORDS)] = '\0';
    term_put_text(line);
    clear_rest_of_line(text_columns(line), listed_width);
    term_putch('\n');
    return 1;
}

// Draws the view from the cursor's line down, with the highlight where it
// is; the line counts of this drawing are the ones in force from now on. An
// option taller than the window alone is cut to the rows there are.
static void draw_slots() {
    int room = std::max(1, listed_rows - 1 - marker_rows(view_first, view_last));
    cursor_slot = 0;
    for (int i = 0; i < slot_count; i++) {
        if (i == view_first - 1)
            slots[i].lines = draw_marker(MARKER_ABOVE, view_first);
        else if (i == view_last + 1)
            slots[i].lines = draw_marker(MARKER_BELOW, slot_count - 1 - view_last);
        else if (i >= view_first && i <= view_last)
            slots[i].lines = draw_slot(slots[i], i == highlighted, listed_rows ? room : INT_MAX);
        else
            slots[i].lines = 0;
        cursor_slot = i + 1;
    }
}

// The cursor stands on the first line of slot cursor_slot, which is between
// 0 and slot_count (the line below the list).
static void move_to_slot(int target) {
    while (target < cursor_slot && cursor_slot > 0) {
        cursor_slot--;
        term_cursor_up(slots[cursor_slot].lines);
    }
    while (cursor_slot < target && cursor_slot < slot_count) {
        term_cursor_down(slots[cursor_slot].lines);
        cursor_slot++;
    }
}

// Inside the view, just the two options concerned are drawn again. Past its
// edge, the view moves by whole options and is drawn again in place.
static void set_highlight(int index) {
    if (index == highlighted)
        return;
    if (index < view_first || index > view_last) {
        move_to_slot(0);
        term_clear_below();
        highlighted = index;
        fit_view(std::min(view_first, index));
        draw_slots();
        return;
    }
    move_to_slot(highlighted);
    draw_slot(slots[highlighted], false, INT_MAX);
    move_to_slot(index);
    draw_slot(slots[index], true, INT_MAX);
    highlighted = index;
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
    return term_window().columns != listed_width || term_window().rows != listed_rows;
}

// The screen cleared as at the start and written again as it was: the turns
// that led here, as far as they are remembered, then this one and its list.
static void redraw_turn() {
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
// So too after a stop from outside, once the session has taken back the
// terminal that it gave the shell, which wrote wherever the cursor stood.
static void stop_and_go_on(int key) {
    if (key == KEY_SUSPEND && suspend_game != nullptr) {
        move_to_slot(highlighted);
        draw_slot(slots[highlighted], false, slots[highlighted].lines);
        move_to_slot(slot_count);
        suspend_game();
    } else if (key == KEY_SUSPEND || resume_game == nullptr || !resume_game()) {
        return;
    }
    if (window_changed()) {
        redraw_turn();
        return;
    }
    term_putch('\r');
    lay_out();
    draw_slots();
}

// Leaves every line of the list empty and the cursor at the start of the
// line where the first option stood, so the story writes on from there.
static void blank_list() {
    move_to_slot(0);
    for (int i = 0; i < slot_count; i++) {
        for (int line = 0; line < slots[i].lines; line++) {
            term_clear_eol();
            term_putch('\n');
        }
        cursor_slot++;
    }
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
    for (int i = 0; i < slot_count; i++)
        if (slots[i].key == key)
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
        term_flush();
        if (term_write_error() != 0)
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
            return highlighted;
        case KeyAction::PREVIOUS:
            set_highlight((highlighted + slot_count - 1) % slot_count);
            break;
        case KeyAction::NEXT:
            set_highlight((highlighted + 1) % slot_count);
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
    cursor_slot = highlighted = slot_count = view_first = 0;
    menu_list(&menu_tree, add_slot, nullptr);
    // Nothing left to offer: end the game in order rather than wait on an
    // empty list.
    if (slot_count == 0)
        return STATE_QUIT;

    draw_list();
    int chosen = wait_for_choice();
    std::int32_t result = chosen < 0 ? STATE_QUIT : menu_select(&menu_tree, slots[chosen].node);
    blank_list();
    return result;
}

std::int32_t story_choose() {
    return choose_option();
}
