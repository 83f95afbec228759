#include "session/raw_mode.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

termios saved_termios;

// The settings in force while the game runs, for taking the terminal again
// after a stop.
static termios game_termios;
// Read by the handlers of fatal signals too.
static volatile sig_atomic_t raw_mode_active = 0;

// Settings in which keys reach the game as they are typed, without echo.
static bool in_game_mode(const termios& settings) {
    return (settings.c_lflag & (ICANON | ECHO)) == 0;
}

// Keeps found as the settings to give back, and applies the game's mode
// over them.
static void take_mode_over(const termios& found) {
    saved_termios = found;
    game_termios = found;
    // Without IXON, Ctrl-S and Ctrl-Q reach the game as keys that do
    // nothing, instead of freezing the screen while the keys still act.
    game_termios.c_lflag &= ~(ICANON | ECHO);
    game_termios.c_iflag &= ~IXON;
    // Each key alone, whatever an earlier program left: with VMIN 3 a
    // Down arrow would arrive whole but a single key only with two more.
    game_termios.c_cc[VMIN] = 1;
    game_termios.c_cc[VTIME] = 0;
    // Active before the mode changes: a fatal signal the instant after
    // must find the settings to give back. The fence keeps the stores
    // above ahead of the flag, as its handler sees them.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    raw_mode_active = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
}

void raw_mode_on() {
    termios found;
    if (tcgetattr(STDIN_FILENO, &found) == 0)
        take_mode_over(found);
}

void raw_mode_off() {
    raw_mode_give_back();
    raw_mode_active = 0;
}

void raw_mode_give_back() {
    if (raw_mode_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_termios);
}

// Settings still in the game's mode are no player's: the ones found before
// are kept then.
void raw_mode_take_again() {
    termios found;
    if (!raw_mode_active)
        return;
    if (tcgetattr(STDIN_FILENO, &found) == 0 && !in_game_mode(found))
        take_mode_over(found);
    else
        tcsetattr(STDIN_FILENO, TCSANOW, &game_termios);
}

bool raw_mode_lost() {
    termios found;
    return raw_mode_active && tcgetattr(STDIN_FILENO, &found) == 0 && !in_game_mode(found);
}
