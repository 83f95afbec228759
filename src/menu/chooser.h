// The option chooser: lists the current menu below the story text, lets the
// player move the highlight or press an option's key, and returns the state
// the choice yields. It draws with relative cursor moves only. It owns the
// list on the screen (ChooserList), and has a stop and a continue carried
// out by the terminal room (term/terminal.h) between two of its drawings.
#pragma once

#include "menu/menu_tree.h"

// The prefix " 1: " and the indent of a label's further lines; fewer in a
// window too narrow for them and a letter (ChooserList's prefix_columns).
constexpr int PREFIX_COLUMNS = 4;
// Labels are measured against the width minus the four columns of the
// prefix and one more, so their text ends at least a column short of the
// right edge.
constexpr int LABEL_MARGIN = 5;

struct MenuSlot {
    const char* label;
    std::int32_t key;   // the character shown for the option: '1' + index
    std::int32_t lines; // screen lines the slot takes as last drawn
    MenuNode* node;
};

// The list on the screen, from its listing until it is blanked: the one
// record of the chooser's state.
struct ChooserList {
    MenuSlot slots[MENU_MAX_OPTIONS];
    std::int32_t slot_count;
    std::int32_t highlighted;
    // The slot whose first line the cursor is on, from 0 to slot_count (the
    // line below the list). Moves and drawings change it in one function.
    std::int32_t cursor_slot;
    // While the chooser waits for a key, the cursor rests on the first line
    // of the lit option, at its label, for a screen reader or a braille
    // display to follow; cursor_slot is then the highlighted slot. Anything
    // written after the wait begins with a return to the line's start.
    bool resting;
    // The options on the screen, from view_first to view_last: all of them,
    // unless the list is taller than the window.
    int view_first;
    int view_last;
    // The window the list was laid out for, and the lines each whole label
    // takes at that width.
    int listed_width;
    int listed_rows;
    // The columns of the prefix and of the indent at listed_width, where a
    // lit label begins: PREFIX_COLUMNS, fewer in a window too narrow for
    // the prefix and a letter beside it.
    int prefix_columns;
    int label_lines[MENU_MAX_OPTIONS];
};

// The list as the chooser left it, for tests and fuzzing to look at.
const ChooserList& chooser_list();

// Runs the chooser on menu_tree: the chosen option's next state, 0 when a
// group was entered, or STATE_QUIT on a quit key or an empty menu.
std::int32_t choose_option();
std::int32_t story_choose();
