// The story's state machine: dispatches state numbers, keeps the fourteen
// flags and the two counts, and runs until a state returns.
#pragma once

#include "menu/state_id.h"

// The fourteen story flags, one byte each. A new game clears them all and
// puts the lift at floor 3; exactly one floor flag is set from then on.
struct StoryFlags {
    bool boat_built;
    bool rope_dropped;   // the rope fell through the floor: no hammer this game
    bool rope_pulled_up; // pulled up from the tiny room, with the hammer on it
    bool at_floor_4;
    bool at_floor_3;
    bool at_floor_2;
    bool at_floor_1;
    bool has_handle;
    bool mussel_fitted; // the lift's buttons work
    bool has_key;
    bool has_hammer;
    bool has_mussel;
    bool has_ice_drill;
    bool drowned;
};
static_assert(sizeof(StoryFlags) == 14, "one byte per flag");

extern StoryFlags story_flags;

// The two counts as decimal text. Each text is null before its first
// setting, then a constant "0", then the counter's own buffer once it has
// been increased.
constexpr int COUNTER_BUFFER_SIZE = 16; // any int's digits, sign and NUL
extern const char* holes_text;
extern char holes_buffer[COUNTER_BUFFER_SIZE];
extern const char* laps_text;
extern char laps_buffer[COUNTER_BUFFER_SIZE];

// The value of a count's text, read as atoi reads it (leading white space,
// an optional sign, then digits); 0 for a null text. A value beyond the
// range of int reads as the nearest end of the range.
int counter_value(const char* text);

// Writes the decimal text of value into buffer and returns buffer.
char* counter_format(char* buffer, int value);

// Writes the value of text plus amount into buffer and returns buffer. The
// sum saturates at the ends of the int range: a count past 2147483647 stays
// at 2147483647 (walking the lake could otherwise get there).
char* counter_add(const char* text, char* buffer, int amount);

// Where the story gets the player's choices, and who is told of every
// state as the catalogue begins to perform it (with scene_begins set for
// the display state that an entry state performs after emptying the menu).
// The game sets them once, before the run: its chooser, and no watcher;
// tests and tools that drive or watch the story set their own.
using ChooseFn = StateId (*)();
using StateWatchFn = void (*)(StateId state, bool scene_begins);
struct StoryHooks {
    ChooseFn choose;    // story_choose unless set
    StateWatchFn watch; // may be null
};
void story_set_hooks(StoryHooks hooks);
const StoryHooks& story_hooks();
// Tells the watcher, if any, of a state begun.
void story_watch(StateId state, bool scene_begins);

// Runs the story from start until a state returns. A number that is no state
// of the catalogue ends the run as the quit does.
void run_story(StateId start);
