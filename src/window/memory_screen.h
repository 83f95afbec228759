// A screen of character cells held in memory, for tests and for rendering
// off-screen. Its size can be changed at any time; a window over it follows.
#pragma once

#include "window/text_window.h"

#include <string>
#include <vector>

struct ScreenCell {
    char ch;
    int attr;
};

// Cells are kept row by row. A new cell holds a space in attribute 7.
struct MemoryScreen {
    int width;
    int height;
    std::vector<ScreenCell> cells;
};

// Sizes below 0 count as 0. Allocation failure throws as the containers do.
MemoryScreen* memory_screen_new(int width, int height);
// Keeps the cells that stay inside; cells that come into being are blank.
void memory_screen_resize(MemoryScreen* screen, int width, int height);
// A blank cell for a position outside the screen.
ScreenCell memory_screen_cell(const MemoryScreen* screen, int x, int y);
// The characters of row y, for reading what the screen shows.
std::string memory_screen_row(const MemoryScreen* screen, int y);

// The table's operations, also for screens that keep a MemoryScreen inside.
// Writes outside the screen are ignored. Scrolling blanks the exposed rows.
void memory_screen_destroy(void* screen);
void memory_screen_put_cell(void* screen, int x, int y, int attr, char ch);
void memory_screen_scroll_up(void* screen, int n);
int memory_screen_width(void* screen);
int memory_screen_height(void* screen);

extern const ScreenOps MEMORY_SCREEN_OPS;
