/* The bytes of the bed scene's menu, built the way the game's chooser
 * builds them: the clear and home of session start, the opening
 * sentence, the blank line, then one line per option, the highlighted label
 * in bright white on green. A redraw moves up over the option lines by
 * relative cursor steps, redraws the old option plain and the new one
 * highlighted, exactly as the game does. After each drawing the cursor
 * rests on the highlighted label, and the next one begins with a carriage
 * return. So the reference program and the
 * benchmark expect the same bytes from one sentence and set of labels:
 * the story's own, which the reference takes as its arguments.
 *
 * newline is "\n" for the bytes a program writes, "\r\n" for the bytes that
 * reach the terminal's master side through output processing. */
#ifndef MENU_SCREEN_H
#define MENU_SCREEN_H

#include <stddef.h>

enum { MENU_MAX_OPTIONS = 9, MENU_SCREEN_MAX = 2048 };

/* The sentence and the options drawn, set by menu_screen_set. */
extern const char* menu_text;
extern const char* menu_labels[MENU_MAX_OPTIONS];
extern int menu_options;
/* Sets the menu drawn: at least two options and at most
 * MENU_MAX_OPTIONS; returns 0, or -1 for another count. */
int menu_screen_set(const char* text, const char* const* labels, int count);
/* The attribute sequence that starts a highlighted label. */
extern const char MENU_HIGHLIGHT[];

/* Which option is highlighted, and on the first line of which option the
 * cursor stands: the highlighted one, where it rests between drawings. */
typedef struct {
    int highlighted;
    int cursor_slot;
} MenuState;

/* Each writes at most MENU_SCREEN_MAX bytes into out and returns their
 * count. */
size_t menu_first_screen(char* out, const char* newline, MenuState* state);
/* The redraw for a move of the highlight by step (+1 down, -1 up), wrapping
 * at the ends of the list. */
size_t menu_move(char* out, const char* newline, MenuState* state, int step);
/* What a quit leaves: every option line erased, the cursor on the first,
 * then the terminal's own attributes and the rest of the screen erased. */
size_t menu_blank(char* out, const char* newline, MenuState* state);

#endif
