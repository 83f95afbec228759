// vakna: a menu-driven text adventure for the terminal.
#include "session/command_line.h"

int main(int argc, char** argv) {
    return command_line_run(argc, argv);
}
