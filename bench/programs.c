#include "programs.h"

#include "child.h"
#include "menu_screen.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { LEARN_QUIET_MS = 400, LEARN_MOVES = 6 };

typedef struct {
    const char *path, *name, *down_key, *up_key;
} CursesMenu;

static const CursesMenu CURSES_MENUS[] = {
    /* dialog switches the terminal's cursor keys to application mode, where
     * an arrow sends ESC "O" and its letter. */
    {"/usr/bin/dialog", "dialog --menu", "\x1bOB", "\x1bOA"},
    {"/usr/bin/whiptail", "whiptail --menu", "\x1b[B", "\x1b[A"},
};

static void set_exact(Program* p, const char* name, const char* path) {
    memset(p, 0, sizeof *p);
    p->name = name;
    p->argv[0] = (char*)path;
    p->down_key = "\x1b[B";
    p->up_key = "\x1b[A";
    p->quit_key = "q";
    p->exact = 1;
}

/* The reference draws the menu it is given. */
static void set_reference(Program* p, const char* name, const char* path) {
    set_exact(p, name, path);
    p->argv[1] = (char*)menu_text;
    for (int i = 0; i < menu_options; i++)
        p->argv[2 + i] = (char*)menu_labels[i];
}

/* The same question as the game's first screen: its sentence, its
 * options. Enter takes the highlighted option and ends the menu. */
static void set_curses(Program* p, const CursesMenu* menu) {
    static char tags[MENU_MAX_OPTIONS][2], count[2];
    memset(p, 0, sizeof *p);
    char** arg = p->argv;
    *arg++ = (char*)menu->path;
    *arg++ = "--menu";
    *arg++ = (char*)menu_text;
    *arg++ = "10";
    *arg++ = "60";
    count[0] = (char)('0' + menu_options);
    *arg++ = count;
    for (int i = 0; i < menu_options; i++) {
        tags[i][0] = (char)('1' + i);
        *arg++ = tags[i];
        *arg++ = (char*)menu_labels[i];
    }
    p->name = menu->name;
    p->down_key = menu->down_key;
    p->up_key = menu->up_key;
    p->quit_key = "\n";
}

int programs_setup(Program* programs, const char* game, const char* ref, const char* ref_static,
                   char* const* other_builds, int other_count, int without_curses) {
    int n = 0;
    set_exact(&programs[n++], "vakna", game);
    set_reference(&programs[n++], "C reference", ref);
    set_reference(&programs[n++], "C reference static", ref_static);
    for (int i = 0; i < other_count && i < MAX_OTHER_BUILDS; i++) {
        char* path = strchr(other_builds[i], '=');
        if (path == NULL)
            continue;
        *path++ = '\0';
        set_exact(&programs[n++], other_builds[i], path);
    }
    for (size_t i = 0; !without_curses && i < sizeof CURSES_MENUS / sizeof CURSES_MENUS[0]; i++) {
        if (access(CURSES_MENUS[i].path, X_OK) == 0)
            set_curses(&programs[n++], &CURSES_MENUS[i]);
        else
            printf("(%s not installed: skipped)\n", CURSES_MENUS[i].path);
    }
    return n;
}

static Bytes copy_bytes(const char* bytes, size_t len) {
    Bytes b = {malloc(len + 1), len};
    memcpy(b.bytes, bytes, len);
    b.bytes[len] = '\0';
    return b;
}

static int prepare_exact(Program* p) {
    char out[MENU_SCREEN_MAX];
    MenuState state;
    p->first = copy_bytes(out, menu_first_screen(out, "\r\n", &state));
    for (int k = 0; k < MOVE_PATTERN; k++)
        p->moves[k] = copy_bytes(out, menu_move(out, "\r\n", &state, k % 2 == 0 ? 1 : -1));
    return 0;
}

/* Runs the program once and keeps what each screen brought, each one ended
 * by a quiet spell. The later moves must repeat the steady pattern. */
static int learn(Program* p) {
    static Child c;
    double started, ended;
    if (child_start_pty(&c, p->argv, NULL, 80, 24, 0, &started) != 0)
        return -1;
    int failed = child_read_quiet(&c, LEARN_QUIET_MS) == 0;
    p->first = copy_bytes(c.buf, c.len);
    for (int k = 0; k < LEARN_MOVES && !failed; k++) {
        failed = child_send(&c, program_key(p, k), strlen(program_key(p, k))) != 0 ||
                 child_read_quiet(&c, LEARN_QUIET_MS) == 0;
        if (k < MOVE_PATTERN)
            p->moves[k] = copy_bytes(c.buf, c.len);
        else if (c.len != p->moves[k - 2].len || memcmp(c.buf, p->moves[k - 2].bytes, c.len) != 0)
            printf("(%s: move %d drew other bytes than move %d)\n", p->name, k + 1, k - 1);
    }
    child_send(&c, p->quit_key, strlen(p->quit_key));
    child_reap(&c, 2000, &ended);
    child_close(&c);
    return failed ? -1 : 0;
}

int program_prepare(Program* p) {
    return p->exact ? prepare_exact(p) : learn(p);
}

const Bytes* program_move(const Program* p, int k) {
    return &p->moves[k < 2 ? k : 2 + k % 2];
}

const char* program_key(const Program* p, int k) {
    return k % 2 == 0 ? p->down_key : p->up_key;
}

size_t program_tail(const Program* p) {
    return p->exact ? 0 : MARKER_TAIL;
}
