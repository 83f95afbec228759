// The scene catalogue: what each of the story's states says, which options
// it offers, what it changes, and how it ends.
#pragma once

#include "menu/state_id.h"

#include <iterator>

// Every state of the story, in order of number: its number, its name and
// the function in catalogue.cpp that performs it. The named constants, the
// dispatch, the names that tools print and HIGHEST_STATE all come from this
// one table. An entry state's function, enter<SHOW_...>, begins its scene
// with a fresh menu and performs the scene's display state.
// clang-format off
#define STORY_STATES(X)                                         \
    X(1,  START,                enter<RESET_GAME>)              \
    X(2,  QUIT,                 end_run)                        \
    X(3,  MEET_ICE_GIANT,       meet_ice_giant)                 \
    X(4,  HIDE_SEA,             hide_sea)                       \
    X(5,  DRINK_NO_MORE,        drink_no_more)                  \
    X(6,  SAIL_ACROSS,          sail_across)                    \
    X(7,  DRAW_BACK,            draw_back)                      \
    X(8,  SHOW_SEA_ROOM,        show_sea_room)                  \
    X(9,  DRINK_SEA,            drink_sea)                      \
    X(10, BUILD_BOAT,           build_boat)                     \
    X(11, EIGHTH_THOUGHT,       think_in_vain)                  \
    X(12, THINK_NO_MORE,        think_no_more)                  \
    X(13, SHOW_DOWN_BELOW,      show_down_below)                \
    X(14, DRILL_THREE_HOLES,    drill_three_holes)              \
    X(15, DRILL_TWO_HOLES,      drill_two_holes)                \
    X(16, BORING_HOLE,          boring_hole)                    \
    X(17, FUN_HOLE,             fun_hole)                       \
    X(18, COUNT_HOLES,          count_holes)                    \
    X(19, CLIMB_BACK_IN,        climb_back_in)                  \
    X(20, WALK_THREE_LAPS,      walk_three_laps)                \
    X(21, WALK_TWO_LAPS,        walk_two_laps)                  \
    X(22, WALK_ONE_LAP,         walk_one_lap)                   \
    X(23, HOLES_COUNTED,        holes_counted)                  \
    X(24, ON_THE_ICE,           enter<SHOW_ON_THE_ICE>)         \
    X(25, BED,                  enter<SHOW_BED>)                \
    X(26, SEVENTH_THOUGHT,      think_in_vain)                  \
    X(27, SIXTH_THOUGHT,        think_in_vain)                  \
    X(28, FIFTH_THOUGHT,        think_in_vain)                  \
    X(29, SECOND_THOUGHT,       think_in_vain)                  \
    X(30, FOURTH_THOUGHT,       think_in_vain)                  \
    X(31, THIRD_THOUGHT,        think_in_vain)                  \
    X(32, ROOM,                 enter<SHOW_ROOM>)               \
    X(33, FIRST_THOUGHT,        think_in_vain)                  \
    X(34, THINK,                think_in_vain)                  \
    X(35, PUT_EYES_BACK,        put_eyes_back)                  \
    X(36, TURN_BACK,            turn_back)                      \
    X(37, BEHIND_DOOR,          enter<SHOW_BEHIND_DOOR>)        \
    X(38, FINALE,               enter<SHOW_FINALE>)             \
    X(39, GO_ON,                go_on)                          \
    X(40, ISLAND,               enter<SHOW_ISLAND>)             \
    X(41, WINDOW,               enter<SHOW_WINDOW>)             \
    X(42, ICE_GIANT,            enter<MEET_ICE_GIANT>)          \
    X(43, DOWN_BELOW,           enter<SHOW_DOWN_BELOW>)         \
    X(44, TINY_ROOM,            enter<SHOW_TINY_ROOM>)          \
    X(45, DOOR_ROOM,            enter<SHOW_DOOR_ROOM>)          \
    X(46, HURRY_TO_LIFT,        hurry_to_lift)                  \
    X(47, DO_NOT_GO_ON,         end_run)                        \
    X(48, DEATH,                enter<SHOW_DEATH>)              \
    X(49, SHOW_BEHIND_DOOR,     show_behind_door)               \
    X(50, SQUEEZE_INTO_LIFT,    squeeze_into_lift)              \
    X(51, PULL_ROPE_END,        pull_rope_end)                  \
    X(52, SHOW_TINY_ROOM,       show_tiny_room)                 \
    X(53, TAKE_HAMMER,          take_hammer)                    \
    X(54, PULL_ROPE,            pull_rope)                      \
    X(55, OPEN_DOOR,            open_door)                      \
    X(56, SHOW_DOOR_ROOM,       show_door_room)                 \
    X(57, FIT_MUSSEL,           fit_mussel)                     \
    X(58, SHOW_WINDOW,          show_window)                    \
    X(59, TAKE_ICE_DRILL,       take_ice_drill)                 \
    X(60, EAT,                  eat)                            \
    X(61, NEW_GAME,             enter<RESET_GAME>)              \
    X(62, CLIMB_OUT,            climb_out)                      \
    X(63, LIE_DOWN,             lie_down)                       \
    X(64, SHOW_ROOM,            show_room)                      \
    X(65, SEA_ROOM,             enter<SHOW_SEA_ROOM>)           \
    X(66, FALL_ASLEEP,          fall_asleep)                    \
    X(67, GET_UP,               get_up)                         \
    X(68, SHOW_BED,             show_bed)                       \
    X(69, RESET_GAME,           reset_game)                     \
    X(70, SHOW_DEATH,           show_death)                     \
    X(71, PLAY_AGAIN,           play_again)                     \
    X(72, DO_NOT_PLAY_AGAIN,    end_run)                        \
    X(73, SHOW_FINALE,          show_finale)                    \
    X(74, TAKE_HANDLE,          take_handle)                    \
    X(75, SAIL_BACK,            sail_back)                      \
    X(76, SHOW_ISLAND,          show_island)                    \
    X(77, TAKE_KEY,             take_key)                       \
    X(78, USE_LIFT,             use_lift)                       \
    X(79, SHOW_ON_THE_ICE,      show_on_the_ice)                \
    X(80, LEAVE_LIFT,           leave_lift)                     \
    X(81, BUTTON_4,             button_4)                       \
    X(82, LAPS_TOLD,            laps_told)                      \
    X(83, BUTTON_3,             button_3)                       \
    X(84, BUTTON_2,             button_2)                       \
    X(85, BUTTON_1,             button_1)                       \
    X(86, SHOW_LIFT,            show_lift)                      \
    X(87, GLAMMA,               glamma)                         \
    X(88, ENTER_SUBMARINE,      enter_submarine)                \
    X(89, TAKE_MUSSEL,          take_mussel)                    \
    X(90, TAKE_LIFT_FROM_BELOW, take_lift_from_below)           \
    X(91, LIFT,                 enter<SHOW_LIFT>)
// clang-format on

#define CATALOGUE_STATE_NUMBER(number, name, function) number,
constexpr StateId CATALOGUE_NUMBERS[] = {STORY_STATES(CATALOGUE_STATE_NUMBER)};
#undef CATALOGUE_STATE_NUMBER

constexpr bool catalogue_numbered_one_by_one() {
    for (StateId i = 0; i < static_cast<StateId>(std::size(CATALOGUE_NUMBERS)); i++) {
        if (CATALOGUE_NUMBERS[i] != i + 1)
            return false;
    }
    return true;
}
static_assert(catalogue_numbered_one_by_one(),
              "the table numbers its states 1, 2, 3, ... in order, once each");

// The story's states are 1 to HIGHEST_STATE, without gaps.
constexpr StateId HIGHEST_STATE = static_cast<StateId>(std::size(CATALOGUE_NUMBERS));

constexpr bool catalogue_has_state(StateId state) {
    return state >= 1 && state <= HIGHEST_STATE;
}

// The state's name in the table, "GET_UP"; null for a number that is no
// state.
const char* catalogue_state_name(StateId state);

// How a state ends: ask the player, continue at once with another state, or
// return from the current run of the story.
struct Step {
    enum Ending { CHOOSE, GO_TO, RETURN };
    Ending ending;
    StateId next; // only for GO_TO
};

// Performs one state. A number that is no state ends the run.
Step catalogue_perform(StateId state);
