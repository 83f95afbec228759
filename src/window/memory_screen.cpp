#include "window/memory_screen.h"

#include "term/ansi.h"

#include <algorithm>

namespace {

constexpr ScreenCell BLANK = {' ', ATTR_NORMAL};

MemoryScreen* as_memory(void* screen) {
    return static_cast<MemoryScreen*>(screen);
}

bool holds(const MemoryScreen* screen, int x, int y) {
    return x >= 0 && y >= 0 && x < screen->width && y < screen->height;
}

size_t index_of(const MemoryScreen* screen, int x, int y) {
    return static_cast<size_t>(y) * screen->width + x;
}

ScreenCell& cell_at(MemoryScreen* screen, int x, int y) {
    return screen->cells[index_of(screen, x, y)];
}

} // namespace

MemoryScreen* memory_screen_new(int width, int height) {
    auto* screen = new MemoryScreen{0, 0, {}};
    memory_screen_resize(screen, width, height);
    return screen;
}

void memory_screen_resize(MemoryScreen* screen, int width, int height) {
    MemoryScreen resized{std::max(width, 0), std::max(height, 0), {}};
    resized.cells.assign(static_cast<size_t>(resized.width) * resized.height, BLANK);
    for (int y = 0; y < resized.height; y++)
        for (int x = 0; x < resized.width; x++)
            cell_at(&resized, x, y) = memory_screen_cell(screen, x, y);
    *screen = std::move(resized);
}

ScreenCell memory_screen_cell(const MemoryScreen* screen, int x, int y) {
    if (!holds(screen, x, y))
        return BLANK;
    return screen->cells[index_of(screen, x, y)];
}

std::string memory_screen_row(const MemoryScreen* screen, int y) {
    std::string row;
    for (int x = 0; x < screen->width; x++)
        row += memory_screen_cell(screen, x, y).ch;
    return row;
}

void memory_screen_destroy(void* screen) {
    delete as_memory(screen);
}

void memory_screen_put_cell(void* screen, int x, int y, int attr, char ch) {
    MemoryScreen* memory = as_memory(screen);
    if (holds(memory, x, y))
        cell_at(memory, x, y) = {ch, attr};
}

void memory_screen_scroll_up(void* screen, int n) {
    MemoryScreen* memory = as_memory(screen);
    if (n <= 0)
        return;
    for (int y = 0; y < memory->height; y++)
        for (int x = 0; x < memory->width; x++)
            cell_at(memory, x, y) = n < memory->height - y ? cell_at(memory, x, y + n) : BLANK;
}

int memory_screen_width(void* screen) {
    return as_memory(screen)->width;
}
int memory_screen_height(void* screen) {
    return as_memory(screen)->height;
}

const ScreenOps MEMORY_SCREEN_OPS = {
    memory_screen_destroy, memory_screen_put_cell, memory_screen_scroll_up,
    memory_screen_width,   memory_screen_height,
};
