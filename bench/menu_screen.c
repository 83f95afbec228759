#include "menu_screen.h"

#include <string.h>

const char* menu_text;
const char* menu_labels[MENU_MAX_OPTIONS];
int menu_options;

int menu_screen_set(const char* text, const char* const* labels, int count) {
    if (count < 2 || count > MENU_MAX_OPTIONS)
        return -1;
    menu_text = text;
    for (int i = 0; i < count; i++)
        menu_labels[i] = labels[i];
    menu_options = count;
    return 0;
}

static const char CLEAR_SCREEN[] = "\x1b[2J";
static const char HOME[] = "\x1b[1;1H";
static const char CLEAR_EOL[] = "\x1b[K";
static const char CURSOR_UP[] = "\x1b[A";
static const char CURSOR_DOWN[] = "\x1b[B";
static const char ATTR_NORMAL_SGR[] = "\x1b[0;37;40m";
const char MENU_HIGHLIGHT[] = "\x1b[0;1;37;42m";

/* Every option label fits on one line at any usable width, so each option
 * takes exactly one line. */
static char* draw_option(char* p, const char* newline, MenuState* state, int index, int highlight) {
    char prefix[] = " 1: ";
    prefix[1] = (char)('1' + index);
    p = stpcpy(p, prefix);
    if (highlight)
        p = stpcpy(p, MENU_HIGHLIGHT);
    p = stpcpy(p, menu_labels[index]);
    p = stpcpy(p, CLEAR_EOL);
    p = stpcpy(p, ATTR_NORMAL_SGR);
    p = stpcpy(p, newline);
    state->cursor_slot++;
    return p;
}

static char* move_to_option(char* p, MenuState* state, int target) {
    while (target < state->cursor_slot) {
        state->cursor_slot--;
        p = stpcpy(p, CURSOR_UP);
    }
    while (state->cursor_slot < target) {
        p = stpcpy(p, CURSOR_DOWN);
        state->cursor_slot++;
    }
    return p;
}

/* The cursor on the highlighted label, where the game waits for a key. */
static char* rest(char* p, MenuState* state) {
    p = move_to_option(p, state, state->highlighted);
    return stpcpy(p, "\x1b[4C");
}

size_t menu_first_screen(char* out, const char* newline, MenuState* state) {
    char* p = stpcpy(out, "\x1b[?2004h");
    p = stpcpy(p, ATTR_NORMAL_SGR);
    p = stpcpy(p, CLEAR_SCREEN);
    p = stpcpy(p, HOME);
    p = stpcpy(p, menu_text);
    p = stpcpy(p, CLEAR_EOL);
    p = stpcpy(p, newline);
    p = stpcpy(p, newline);
    state->highlighted = 0;
    state->cursor_slot = 0;
    for (int i = 0; i < menu_options; i++)
        p = draw_option(p, newline, state, i, i == 0);
    p = rest(p, state);
    return (size_t)(p - out);
}

size_t menu_move(char* out, const char* newline, MenuState* state, int step) {
    int target = (state->highlighted + menu_options + step) % menu_options;
    char* p = stpcpy(out, "\r");
    if (target == state->highlighted)
        return 0;
    p = draw_option(p, newline, state, state->highlighted, 0);
    p = move_to_option(p, state, target);
    p = draw_option(p, newline, state, target, 1);
    state->highlighted = target;
    p = rest(p, state);
    return (size_t)(p - out);
}

size_t menu_blank(char* out, const char* newline, MenuState* state) {
    char* p = move_to_option(stpcpy(out, "\r"), state, 0);
    for (int i = 0; i < menu_options; i++) {
        p = stpcpy(p, CLEAR_EOL);
        p = stpcpy(p, newline);
        state->cursor_slot++;
    }
    p = move_to_option(p, state, 0);
    p = stpcpy(p, "\x1b[0m\x1b[J\x1b[?2004l");
    return (size_t)(p - out);
}
