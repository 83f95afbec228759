// The option chooser: lists the current menu below the story text, lets the
// player move the highlight or press an option's key, and returns the state
// the choice yields. It draws with relative cursor moves only.
#pragma once

#include "menu/menu_tree.h"

constexpr int MAX_SLOTS = 20;
// The prefix " 1: " and the indent of a label's further lines.
constexpr int PREFIX_COLUMNS = 4;
// Labels are measured against the width minus the four columns of the
// prefix and one more, so their text ends at least a column short of the
// right edge.
constexpr int LABEL_MARGIN = 5;

struct MenuSlot {
    const char* label;
    std::int32_t key;   // the character shown for the option: '1' + index
    std::int32_t lines; // screen lines the option took when listed
    MenuNode* node;
};

extern MenuSlot slots[MAX_SLOTS];
extern std::int32_t slot_count;
extern std::int32_t highlighted;
extern std::int32_t cursor_slot; // slot whose first line the cursor is on

// Hands the terminal to the shell and stops until the game goes on in the
// foreground, then takes the terminal again and measures the window (Ctrl-Z).
// Set by the session, which owns the terminal; while null, a stop is
// ignored. The chooser calls it with the cursor below its list, so the
// shell's lines never cover an option.
extern void (*suspend_game)();
// After a continue (KEY_CONTINUE): takes the terminal again when a stop the
// game did not make has given it to the shell, and then returns true, for
// the list to be drawn again as after suspend_game. Set by the session.
extern bool (*resume_game)();

// Runs the chooser on menu_tree: the chosen option's next state, 0 when a
// group was entered, or STATE_QUIT on a quit key or an empty menu.
std::int32_t choose_option();
std::int32_t story_choose();
