// The width the writers lay their lines out to.
#pragma once

// Columns of the terminal on standard output as last measured; 0 until the
// session opens. The session keeps it up to date across resizes, from a
// signal handler, so readers take it afresh for every line they lay out.
extern volatile int TERM_WIDTH;
