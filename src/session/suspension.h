// Ctrl-Z and fg: the shell gets the terminal as it was found, and the game
// takes it again when continued.
#pragma once

// Installs the handlers of SIGTSTP and SIGCONT.
void suspension_handlers_on();
