#include "term/term_width.h"

volatile int TERM_WIDTH = 0;
volatile int TERM_HEIGHT = 0;
