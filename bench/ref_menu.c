/* The yardstick: the least work a hand-written program does to show the
 * game's first menu, its sentence and labels given as arguments
 * (ref_menu SENTENCE LABEL...), and move its highlight. Keyboard mode as the game's
 * (canonical input and echo off, restored at the end), the first screen in
 * one write(), each redraw in one write(), quit on "q". Arrows come as
 * ESC "[" or ESC "O" followed by "A" or "B". */
#include "menu_screen.h"

#include <termios.h>
#include <unistd.h>

static void put(const char* bytes, size_t n) {
    while (n > 0) {
        ssize_t done = write(STDOUT_FILENO, bytes, n);
        if (done <= 0)
            return;
        bytes += done;
        n -= (size_t)done;
    }
}

/* Feeds one input byte through the arrow decoder; returns 1 on "q". */
static int on_byte(unsigned char c, int* escape, MenuState* state, char* out) {
    if (*escape == 1) {
        *escape = (c == '[' || c == 'O') ? 2 : 0;
    } else if (*escape == 2) {
        *escape = 0;
        if (c == 'A' || c == 'B')
            put(out, menu_move(out, "\n", state, c == 'A' ? -1 : 1));
    } else if (c == 27) {
        *escape = 1;
    } else if (c == 'q') {
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 3 || menu_screen_set(argv[1], (const char* const*)argv + 2, argc - 2) != 0)
        return 2;
    struct termios saved, raw;
    int have_terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (have_terminal) {
        raw = saved;
        raw.c_lflag &= ~(tcflag_t)(ICANON | ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    char out[MENU_SCREEN_MAX];
    MenuState state;
    put(out, menu_first_screen(out, "\n", &state));

    unsigned char in[64];
    int escape = 0, quit = 0;
    ssize_t n;
    while (!quit && (n = read(STDIN_FILENO, in, sizeof in)) > 0)
        for (ssize_t i = 0; i < n && !quit; i++)
            quit = on_byte(in[i], &escape, &state, out);

    put(out, menu_blank(out, "\n", &state));
    if (have_terminal)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return 0;
}
