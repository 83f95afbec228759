// Shows a text window on the real terminal: colours, word wrap, tab stops,
// scrolling and a Swedish line. Usage: window_demo [columns [rows]]
#include "term/ansi.h"
#include "window/terminal_screen.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int GREY_ON_BLUE = 0x17;
constexpr int YELLOW = 14;
constexpr int LIGHT_RED = 12;
constexpr int LIGHT_GREEN = 10;

void show(TextWindow* w) {
    window_set_attr(w, GREY_ON_BLUE);
    window_clear(w);
    window_set_attr(w, ATTR_HIGHLIGHT);
    window_puts(w, " Text window \n");
    window_set_attr(w, GREY_ON_BLUE);
    window_put_wrapped(w, "The window wraps its text at the last space that fits on the row, "
                          "and scrolls when it runs past the bottom.\n");
    window_puts(w, "tab\t8\t16\t24\t32\n");
    window_set_fg(w, YELLOW);
    window_puts(w, "yellow ");
    window_set_fg(w, LIGHT_RED);
    window_puts(w, "red ");
    window_set_fg(w, LIGHT_GREEN);
    window_puts(w, "green\n");
    window_set_attr(w, GREY_ON_BLUE);
    window_put_wrapped(w, "Pl\xC3\xB6tsligt vaknar du och m\xC3\xA4rker att du ligger i en "
                          "s\xC3\xA4ng.\n");
    window_puts(w, "control bytes: [\x1b[31m]\n");
    window_put_wrapped(w, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 end");
}

} // namespace

int main(int argc, char** argv) {
    int width = argc > 1 ? std::atoi(argv[1]) : 40;
    int height = argc > 2 ? std::atoi(argv[2]) : 10;
    TerminalScreen* screen = terminal_screen_new(width, height);
    TextWindow* w = window_new(&TERMINAL_SCREEN_OPS, screen);
    if (w == nullptr)
        return 1;
    term_clear_screen();
    show(w);
    term_set_attr(ATTR_NORMAL);
    term_move_to(window_get_x(w), window_get_y(w));
    std::fflush(stdout);
    delete w;
    TERMINAL_SCREEN_OPS.destroy(screen);
    return 0;
}
