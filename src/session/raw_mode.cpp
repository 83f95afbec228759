#include "session/raw_mode.h"

#include <unistd.h>

termios saved_termios;

// The settings in force while the game runs, for taking the terminal again
// after a stop.
static termios game_termios;
static bool raw_mode_active = false;

void raw_mode_on() {
    if (tcgetattr(STDIN_FILENO, &saved_termios) != 0)
        return;
    game_termios = saved_termios;
    // Without IXON, Ctrl-S and Ctrl-Q reach the game as keys that do
    // nothing, instead of freezing the screen while the keys still act.
    game_termios.c_lflag &= ~(ICANON | ECHO);
    game_termios.c_iflag &= ~IXON;
    // Each key alone, whatever an earlier program left: with VMIN 3 a
    // Down arrow would arrive whole but a single key only with two more.
    game_termios.c_cc[VMIN] = 1;
    game_termios.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
    raw_mode_active = true;
}

void raw_mode_off() {
    raw_mode_give_back();
    raw_mode_active = false;
}

void raw_mode_give_back() {
    if (raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_termios);
}

void raw_mode_take_again() {
    if (raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
}
