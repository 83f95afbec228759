/* The game's own figures beyond the menu: the lone Escape, and a whole
 * walkthrough to the finale played from a script through a pipe. */
#ifndef EXTRAS_H
#define EXTRAS_H

#include <stddef.h>

enum { MAX_EXTRA_RUNS = 100 };

typedef struct {
    double answered_ms; /* from writing ESC until the blanked list has come */
    double exited_ms;   /* from writing ESC until the game has ended */
} EscapeTiming;

/* Times runs lone Escapes, one a session; fills the medians. */
int escape_time(const char* game, int runs, EscapeTiming* median_timing, EscapeTiming* least,
                EscapeTiming* most);

/* The game's write() calls for each kind of action, from the kernel's
 * count (/proc/<pid>/io syscw) around it, each taken once the game waits
 * for the next key, or has ended: the first screen, a move of the
 * highlight, a choice with its answer and new list, a new window size,
 * and the end after a quit key. */
enum { ACTION_FIRST, ACTION_MOVE, ACTION_CHOICE, ACTION_RESIZE, ACTION_END, ACTIONS };
extern const char* const ACTION_NAMES[ACTIONS];
int action_writes(const char* game, long long writes[ACTIONS]);

/* Plays the road to the finale through a pseudo-terminal, choosing each
 * option by its label, and writes the keys pressed into keys (NUL-ended).
 * The last key declines a new game, so the game ends. */
int walkthrough_keys(const char* game, char* keys, size_t size);

/* The road to the finale, by option labels, ending with the option that
 * declines a new game. */
size_t road_length(void);
const char* road_label(size_t i);
/* Sets the menu of menu_screen.h to the bed's, as the story has it. */
void road_bed_menu(void);

/* Times the game playing keys from a pipe to its end, its output on a pipe
 * too; checks that the finale was reached. Median and output size. */
int walkthrough_time(const char* game, const char* keys, int runs, double* median_ms,
                     size_t* output_bytes);

/* Times the game taking bytes of input it has no use for ("x" again and
 * again) from a pipe until it has ended: keys that do nothing in the full
 * mode, one long wrong answer in the plain mode. Median of runs. */
int piped_input_time(const char* game, int plain, size_t bytes, int runs, double* median_ms);

/* Instructions the game executes for the same script under callgrind;
 * -1 when valgrind is not there or failed. */
long long walkthrough_instructions(const char* game, const char* keys);

#endif
