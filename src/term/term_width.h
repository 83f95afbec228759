// The width the writers lay their lines out to, and the height the chooser
// fits its list into.
#pragma once

// Columns of the terminal the player sees as last measured; 0 until the
// session opens. The session keeps it up to date across resizes, from a
// signal handler, so readers take it afresh for every line they lay out.
extern volatile int TERM_WIDTH;
// Rows of that terminal, measured with the width; 0 when unknown, which
// sets no limit.
extern volatile int TERM_HEIGHT;
