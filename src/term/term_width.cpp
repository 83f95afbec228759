#include "term/term_width.h"

volatile int TERM_WIDTH = 0;
