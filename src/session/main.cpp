// vakna: a menu-driven text adventure for the terminal.
#include "session/session.h"
#include "story/story.h"

#include <cstdio>

int main() {
    if (!session_start())
        return 1;
    try {
        run_story(STATE_START);
    } catch (...) {
        // The terminal must never be left without echo, whatever went wrong.
        session_end();
        std::fputs("vakna: internal error\n", stderr);
        return 70;
    }
    session_end();
    return 0;
}
