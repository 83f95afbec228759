#include "menu/chooser.h"

#include "input/key_reader.h"
#include "term/ansi.h"
#include "term/paragraph.h"
#include "term/term_width.h"

#include <cstdio>

MenuSlot slots[MAX_SLOTS];
std::int32_t slot_count;
std::int32_t highlighted;
std::int32_t cursor_slot;

// The width the list on the screen was drawn at.
static int listed_width;

// Draws a slot at the cursor, which stands at the start of a line, and
// returns the number of lines drawn. Only the label and the erased rest of
// its lines carry the highlight; the prefix and the indent never do.
static int draw_slot(const MenuSlot& slot, bool highlight) {
    std::printf(" %c: ", slot.key);
    const char* rest = slot.label;
    int lines = 1;
    for (;;) {
        int columns = TERM_WIDTH;
        int n = fit_or_cut_length(rest, columns - LABEL_MARGIN);
        if (highlight)
            term_set_attr(ATTR_HIGHLIGHT);
        put_n(rest, n);
        clear_rest_of_line(PREFIX_COLUMNS + char_count(rest, n), columns);
        term_set_attr(ATTR_NORMAL);
        term_putch('\n');
        rest += n;
        while (*rest == ' ')
            rest++;
        if (*rest == '\0')
            break;
        std::printf("    ");
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

// The line counts measured at listing time stay in force for the whole
// call, even if a resize makes a redraw take more or fewer lines.
static void set_highlight(int index) {
    if (index == highlighted)
        return;
    move_to_slot(highlighted);
    draw_slot(slots[highlighted], false);
    move_to_slot(index);
    draw_slot(slots[index], true);
    highlighted = index;
}

// Draws every slot from the cursor's line down, with the highlight where it
// is; the line counts of this drawing are the ones in force from now on.
static void draw_slots() {
    listed_width = TERM_WIDTH;
    cursor_slot = 0;
    for (int i = 0; i < slot_count; i++)
        slots[i].lines = draw_slot(slots[i], i == highlighted);
}

static void draw_list() {
    std::puts("\n");
    draw_slots();
}

// After a continue the shell's lines stand below the old list, and the
// cursor under them: the list is drawn again from there.
static void redraw_after_continue() {
    term_putch('\r');
    draw_slots();
}

// At a new width the old lines no longer match the old counts: back to the
// list's first line by the counts it was drawn with, and draw it afresh.
// A terminal that rewraps old lines when it narrows can make those counts
// short; the list then comes out a little low but whole.
static void redraw_at_new_width() {
    if (TERM_WIDTH == listed_width)
        return;
    move_to_slot(0);
    term_clear_below();
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
    out_column = 0;
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
        // Nobody sees the screen any more: end the game rather than go on
        // blind.
        if (term_write_error() != 0)
            return -1;
        int key = read_key();
        if (key == KEY_CONTINUE) {
            redraw_after_continue();
            continue;
        }
        if (key == KEY_RESIZE) {
            redraw_at_new_width();
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
    cursor_slot = highlighted = slot_count = 0;
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
