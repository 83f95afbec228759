// The chooser of the plain style, for screen readers, braille displays,
// dumb terminals and scripts: output that only ever scrolls forward, the
// options listed one per line, answered with a typed number and Enter in the
// terminal's own line editing. It writes no escape byte.
#pragma once

#include "menu/state_id.h"

// Lists the options of menu_tree and asks until the player answers: the
// chosen option's next state, or STATE_QUIT on q, at the end of input, on
// an interrupt signal, when the screen cannot be written, or for an empty
// menu.
StateId plain_choose();
