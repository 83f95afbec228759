// The option chooser: lists the current menu below the story text, lets the
// player move the highlight or press an option's key, and returns the state
// the choice yields. It draws with relative cursor moves only. It owns the
// list on the screen (ChooserList) and carries out a stop and a continue
// through the hooks the session sets (ChooserStops).
#pragma once

#include "menu/menu_tree.h"

// The prefix " 1: " and the indent of a label's further lines.
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
// record of the chooser's state but for its hooks.
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
    int label_lines[MENU_MAX_OPTIONS];
};

// The list as the chooser left it, for tests and fuzzing to look at.
const ChooserList& chooser_list();

// How a stop and a continue reach the session, which owns the terminal. The
// session sets both once, at its start; while a hook is null its key is
// ignored (the plain style leaves a stop to the terminal).
struct ChooserStops {
    // Hands the terminal to the shell and stops until the game goes on in
    // the foreground, then takes the terminal again and measures the window
    // (Ctrl-Z). Called with the cursor below the list, so the shell's lines
    // never cover an option.
    void (*suspend)();
    // After a continue (KEY_CONTINUE): takes the terminal again when a stop
    // the game did not make has given it to the shell, and then returns
    // true, for the list to be drawn again as after suspend.
    bool (*resume)();
};
void chooser_set_stops(ChooserStops stops);

// Runs the chooser on menu_tree: the chosen option's next state, 0 when a
// group was entered, or STATE_QUIT on a quit key or an empty menu.
std::int32_t choose_option();
std::int32_t story_choose();
