/* The bytes of the bed scene's two-option menu, built the way the game's
 * chooser builds them: the clear and home of session start, the opening
 * sentence, the blank line, then one line per option, the highlighted label
 * in bright white on green. A redraw moves up over the option lines by
 * relative cursor steps, redraws the old option plain and the new one
 * highlighted, exactly as the game does, so the reference program and the
 * benchmark expect the same bytes from one set of constants.
 *
 * newline is "\n" for the bytes a program writes, "\r\n" for the bytes that
 * reach the terminal's master side through output processing. */
#ifndef MENU_SCREEN_H
#define MENU_SCREEN_H

#include <stddef.h>

enum { MENU_OPTIONS = 2, MENU_SCREEN_MAX = 512 };

extern const char MENU_TEXT[];
extern const char* const MENU_LABELS[MENU_OPTIONS];
/* The attribute sequence that starts a highlighted label. */
extern const char MENU_HIGHLIGHT[];

/* Which option is highlighted, and on the first line of which option the
 * cursor stands (MENU_OPTIONS: on the line below the list). */
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
