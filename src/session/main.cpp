// vakna: a menu-driven text adventure for the terminal.
#include "session/session.h"

int main() {
    return run_game();
}
