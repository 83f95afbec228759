#include "session/terminal_width.h"

volatile int TERM_WIDTH = 0;
