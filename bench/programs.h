/* The programs compared, and the exact bytes that end each of their
 * screens as they reach the terminal. */
#ifndef PROGRAMS_H
#define PROGRAMS_H

#include <stddef.h>

enum { PROGRAM_ARGS = 32, MAX_OTHER_BUILDS = 4, MAX_PROGRAMS = 5 + MAX_OTHER_BUILDS };

/* The redraws of a session follow one pattern: the first move down, the
 * first move up, then the steady down and up that repeat from there on. */
enum { MOVE_PATTERN = 4 };

typedef struct {
    char* bytes;
    size_t len;
} Bytes;

typedef struct {
    const char* name;
    char* argv[PROGRAM_ARGS];
    const char *down_key, *up_key, *quit_key;
    /* Exact programs draw the game's own bytes, known from the menu
     * constants; the others are learnt once from the program itself, and a
     * screen ends when its last MARKER_TAIL bytes have come. */
    int exact;
    Bytes first;
    Bytes moves[MOVE_PATTERN];
} Program;

enum { MARKER_TAIL = 16 };

/* Fills in the programs to compare: the game, the two references, other
 * builds of the game (each "name=path", up to MAX_OTHER_BUILDS), and the
 * curses menus found on the system unless without_curses. Returns how many;
 * the first is the game and the second the dynamic reference. */
int programs_setup(Program* programs, const char* game, const char* ref, const char* ref_static,
                   char* const* other_builds, int other_count, int without_curses);
/* Works out or learns the program's bytes. Returns 0 on success. */
int program_prepare(Program* p);

const Bytes* program_move(const Program* p, int k);
const char* program_key(const Program* p, int k);
/* How much of the end of an expected screen marks it complete: all of it
 * for exact programs. */
size_t program_tail(const Program* p);

#endif
