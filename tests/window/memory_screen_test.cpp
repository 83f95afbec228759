#include "window/memory_screen.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

void put_row(MemoryScreen* screen, int y, const char* text) {
    for (int x = 0; text[x] != '\0'; x++)
        memory_screen_put_cell(screen, x, y, 0x10 + y, text[x]);
}

} // namespace

TEST(MemoryScreen, StartsBlankAndIgnoresWritesOutside) {
    MemoryScreen* screen = memory_screen_new(3, 2);
    EXPECT_EQ(MEMORY_SCREEN_OPS.width(screen), 3);
    EXPECT_EQ(MEMORY_SCREEN_OPS.height(screen), 2);
    EXPECT_EQ(memory_screen_cell(screen, 2, 1).ch, ' ');
    EXPECT_EQ(memory_screen_cell(screen, 2, 1).attr, 7);
    for (int x : {-1, 3})
        MEMORY_SCREEN_OPS.put_cell(screen, x, 0, 1, '#');
    for (int y : {-1, 2})
        MEMORY_SCREEN_OPS.put_cell(screen, 0, y, 1, '#');
    MEMORY_SCREEN_OPS.put_cell(screen, 2, 0, 0x4E, '*');
    EXPECT_EQ(memory_screen_row(screen, 0), "  *");
    EXPECT_EQ(memory_screen_row(screen, 1), "   ");
    EXPECT_EQ(memory_screen_cell(screen, 2, 0).attr, 0x4E);
    EXPECT_EQ(memory_screen_cell(screen, 5, 5).ch, ' ');
    MEMORY_SCREEN_OPS.destroy(screen);
}

TEST(MemoryScreen, ScrollingMovesRowsUpAndBlanksTheExposedOnes) {
    MemoryScreen* screen = memory_screen_new(2, 3);
    put_row(screen, 0, "ab");
    put_row(screen, 1, "cd");
    put_row(screen, 2, "ef");
    memory_screen_scroll_up(screen, 0);
    memory_screen_scroll_up(screen, -1);
    EXPECT_EQ(memory_screen_row(screen, 0), "ab");
    memory_screen_scroll_up(screen, 2);
    EXPECT_EQ(memory_screen_row(screen, 0), "ef");
    EXPECT_EQ(memory_screen_cell(screen, 0, 0).attr, 0x12);
    EXPECT_EQ(memory_screen_row(screen, 1), "  ");
    EXPECT_EQ(memory_screen_cell(screen, 0, 1).attr, 7);
    memory_screen_scroll_up(screen, INT_MAX);
    EXPECT_EQ(memory_screen_row(screen, 0), "  ");
    memory_screen_destroy(screen);
}

TEST(MemoryScreen, ResizingKeepsTheCellsThatStayInside) {
    MemoryScreen* screen = memory_screen_new(3, 2);
    put_row(screen, 0, "abc");
    put_row(screen, 1, "def");
    memory_screen_resize(screen, 2, 3);
    EXPECT_EQ(memory_screen_row(screen, 0), "ab");
    EXPECT_EQ(memory_screen_row(screen, 1), "de");
    EXPECT_EQ(memory_screen_row(screen, 2), "  ");
    EXPECT_EQ(memory_screen_cell(screen, 1, 1).attr, 0x11);
    memory_screen_resize(screen, -4, 2);
    EXPECT_EQ(screen->width, 0);
    EXPECT_TRUE(screen->cells.empty());
    memory_screen_resize(screen, 4, 1);
    EXPECT_EQ(memory_screen_row(screen, 0), "    ");
    memory_screen_destroy(screen);
}
