#include "recording_screen.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using Calls = std::vector<std::string>;

TEST(TextWindow, NewWindowStartsAtTheTopLeftInGreyOnBlackAndDrawsNothing) {
    RecordedWindow rw(10, 3);
    TextWindow* w = rw.window;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->screen_ops, &RECORDING_SCREEN_OPS);
    EXPECT_EQ(w->screen, &rw.screen);
    EXPECT_EQ(cursor_of(w), At(0, 0));
    EXPECT_EQ(window_get_attr(w), 7);
    EXPECT_EQ(window_get_fg(w), 7);
    EXPECT_EQ(window_get_bg(w), 0);
    EXPECT_TRUE(rw.take_calls().empty());
}

TEST(TextWindow, ColoursReplaceOneNibbleAndKeepTheOther) {
    RecordedWindow rw(10, 3);
    TextWindow* w = rw.window;
    window_set_attr(w, 0x2F);
    window_set_fg(w, 15);
    EXPECT_EQ(window_get_attr(w), 0x2F);
    window_set_bg(w, 1);
    EXPECT_EQ(window_get_attr(w), 0x1F);
    window_set_fg(w, 4);
    EXPECT_EQ(window_get_attr(w), 0x14);
    window_set_bg(w, 0x0C); // bright background: the blink bit
    EXPECT_EQ(window_get_attr(w), 0xC4);
    EXPECT_EQ(window_get_fg(w), 4);
    EXPECT_EQ(window_get_bg(w), 0x0C);
    window_set_attr(w, 0x1AB);
    EXPECT_EQ(window_get_attr(w), 0xAB);

    window_putc(w, 'x');
    EXPECT_EQ(rw.take_calls(), Calls{put_call(0, 0, 0xAB, 'x')});
}

TEST(TextWindow, TabMovesToTheNextMultipleOfEightAndStopsAtTheEdge) {
    RecordedWindow rw(20, 2);
    TextWindow* w = rw.window;
    const int from[] = {0, 7, 8, 15, 17, 19};
    const int to[] = {8, 8, 16, 16, 19, 19};
    for (int i = 0; i < 6; i++) {
        window_set_cursor(w, from[i], 1);
        window_putc(w, '\t');
        EXPECT_EQ(cursor_of(w), At(to[i], 1)) << "tab from column " << from[i];
    }
    EXPECT_TRUE(rw.take_calls().empty());
}

TEST(TextWindow, BackspaceAndCarriageReturnMoveWithoutErasing) {
    RecordedWindow rw(10, 3);
    TextWindow* w = rw.window;
    window_set_cursor(w, 0, 1);
    window_putc(w, '\b');
    EXPECT_EQ(cursor_of(w), At(0, 1));
    window_puts(w, "abc\bX\r>");
    EXPECT_EQ(rw.row(1), ">bX       ");
    EXPECT_EQ(cursor_of(w), At(1, 1));
}

TEST(TextWindow, TheTenthByteOfATenColumnRowWrapsAtOnce) {
    RecordedWindow rw(10, 3);
    TextWindow* w = rw.window;
    window_puts(w, "abcdefghi");
    EXPECT_EQ(window_get_x(w), 9);
    rw.take_calls();
    window_putc(w, 'j');
    EXPECT_EQ(rw.take_calls(), Calls{put_call(9, 0, 7, 'j')});
    EXPECT_EQ(cursor_of(w), At(0, 1));
}

TEST(TextWindow, NewlineOnTheBottomRowScrollsAndBlanksThatRowInTheCurrentAttribute) {
    RecordedWindow rw(3, 2);
    TextWindow* w = rw.window;
    window_puts(w, "ab\ncd");
    window_set_attr(w, 0x1E);
    rw.take_calls();
    window_putc(w, '\n');
    EXPECT_EQ(rw.take_calls(), (Calls{"scroll 1", put_call(0, 1, 0x1E, ' '),
                                      put_call(1, 1, 0x1E, ' '), put_call(2, 1, 0x1E, ' ')}));
    EXPECT_EQ(rw.row(0), "cd ");
    EXPECT_EQ(cursor_of(w), At(0, 1));
}

TEST(TextWindow, WritingTheLastCellOfTheScreenScrollsAtOnce) {
    RecordedWindow rw(2, 2);
    TextWindow* w = rw.window;
    window_puts(w, "abcd");
    EXPECT_EQ(rw.take_calls(), (Calls{put_call(0, 0, 7, 'a'), put_call(1, 0, 7, 'b'),
                                      put_call(0, 1, 7, 'c'), put_call(1, 1, 7, 'd'), "scroll 1",
                                      put_call(0, 1, 7, ' '), put_call(1, 1, 7, ' ')}));
    EXPECT_EQ(rw.row(0), "cd");
    EXPECT_EQ(window_get_y(w), 1);
}

TEST(TextWindow, EveryOtherByteFillsOneCell) {
    RecordedWindow rw(10, 2);
    TextWindow* w = rw.window;
    window_puts(w, "p\xC3\xA5\a\x1B");
    EXPECT_EQ(rw.row(0), "p\xC3\xA5\a\x1B     ");
    EXPECT_EQ(window_get_x(w), 5);
}

TEST(TextWindow, MovesClampEachInItsOwnDirection) {
    RecordedWindow rw(10, 5);
    TextWindow* w = rw.window;
    window_set_cursor(w, 40, 2);
    EXPECT_EQ(cursor_of(w), At(9, 2));
    window_set_cursor(w, 3, 99);
    EXPECT_EQ(window_get_y(w), 4);
    window_cursor_up(w, 3);
    EXPECT_EQ(window_get_y(w), 1);
    window_cursor_up(w, 3);
    EXPECT_EQ(window_get_y(w), 0);
    window_cursor_down(w, INT_MAX);
    EXPECT_EQ(window_get_y(w), 4);
    window_cursor_right(w, 4);
    EXPECT_EQ(window_get_x(w), 7);
    window_cursor_right(w, INT_MAX);
    EXPECT_EQ(cursor_of(w), At(9, 4)); // never on to the next row
    window_cursor_left(w, 20);
    EXPECT_EQ(window_get_x(w), 0);
}

TEST(TextWindow, NegativePositionsAndCountsCountAsZero) {
    RecordedWindow rw(10, 5);
    TextWindow* w = rw.window;
    window_set_cursor(w, -3, -1);
    EXPECT_EQ(cursor_of(w), At(0, 0));
    window_set_cursor(w, 4, 2);
    window_cursor_up(w, -2);
    window_cursor_down(w, -2);
    window_cursor_left(w, INT_MIN);
    window_cursor_right(w, -2);
    EXPECT_EQ(cursor_of(w), At(4, 2));
}

TEST(TextWindow, ClearsFillInTheCurrentAttributeAndLeaveTheCursor) {
    RecordedWindow rw(3, 2);
    TextWindow* w = rw.window;
    window_set_attr(w, 0x2F);
    window_set_cursor(w, 1, 1);
    window_clear(w);
    EXPECT_EQ(rw.take_calls(), (Calls{put_call(0, 0, 0x2F, ' '), put_call(1, 0, 0x2F, ' '),
                                      put_call(2, 0, 0x2F, ' '), put_call(0, 1, 0x2F, ' '),
                                      put_call(1, 1, 0x2F, ' '), put_call(2, 1, 0x2F, ' ')}));
    window_clear_eol(w);
    EXPECT_EQ(rw.take_calls(), (Calls{put_call(1, 1, 0x2F, ' '), put_call(2, 1, 0x2F, ' ')}));
    EXPECT_EQ(cursor_of(w), At(1, 1));
}

TEST(TextWindow, PutNStopsAtTheCountOrTheEndOfTheText) {
    RecordedWindow rw(10, 2);
    TextWindow* w = rw.window;
    window_put_n(w, "abcdef", 3);
    window_put_n(w, "xy", 5);
    window_put_n(w, "-", 0);
    window_put_n(w, "123", -1);
    EXPECT_EQ(rw.row(0), "abcxy123  ");
}

TEST(TextWindow, TheTableHoldsTheOperationsInSlotOrder) {
    RecordedWindow rw(20, 5);
    TextWindow* w = rw.window;
    const TextWindowTable& ops = TextWindowOps;
    ops.window_set_cursor(w, 10, 2);
    ops.window_cursor_up(w, 1);
    ops.window_cursor_left(w, 2);
    EXPECT_EQ(ops.window_get_x(w), 8);
    EXPECT_EQ(ops.window_get_y(w), 1);
    ops.window_cursor_down(w, 3);
    ops.window_cursor_right(w, 1);
    EXPECT_EQ(ops.window_get_x(w), 9);
    EXPECT_EQ(ops.window_get_y(w), 4);
    ops.window_set_attr(w, 0x12);
    ops.window_set_fg(w, 3);
    ops.window_set_bg(w, 5);
    EXPECT_EQ(ops.window_get_fg(w), 3);
    EXPECT_EQ(ops.window_get_bg(w), 5);
    ops.window_putc(w, 'q');
    EXPECT_EQ(rw.take_calls(), Calls{put_call(9, 4, 0x53, 'q')});
    ops.window_clear_eol(w);
    EXPECT_EQ(rw.take_calls().size(), 10u);
    ops.window_clear(w);
    EXPECT_EQ(rw.take_calls().size(), 100u);
}

TEST(TextWindow, FollowsAScreenThatChangesSize) {
    RecordedWindow rw(10, 4);
    TextWindow* w = rw.window;
    window_puts(w, "abcde");
    memory_screen_resize(rw.screen.memory, 6, 4);
    window_putc(w, 'f');
    EXPECT_EQ(cursor_of(w), At(0, 1)); // wrapped at the new right edge

    window_set_cursor(w, 5, 3);
    memory_screen_resize(rw.screen.memory, 3, 2);
    rw.take_calls();
    window_putc(w, 'g'); // the cursor comes back inside before it writes
    EXPECT_EQ(rw.screen.writes_outside, 0);
    EXPECT_EQ(rw.take_calls().front(), put_call(2, 1, 7, 'g'));

    memory_screen_resize(rw.screen.memory, 12, 2);
    window_set_cursor(w, 50, 0);
    EXPECT_EQ(window_get_x(w), 11);

    // Shrunk to nothing, every writer leaves the cursor at 0, 0.
    memory_screen_resize(rw.screen.memory, 0, 0);
    window_put_wrapped(w, "x");
    EXPECT_EQ(cursor_of(w), At(0, 0));
}

TEST(TextWindow, OnAScreenWithoutCellsNothingIsWritten) {
    for (int size : {0, 1}) {
        RecordedWindow rw(size, 1 - size);
        TextWindow* w = rw.window;
        window_puts(w, "ab\ncd\tx\b\r");
        window_put_wrapped(w, "a long line of words");
        window_clear(w);
        window_clear_eol(w);
        window_cursor_down(w, 3);
        window_set_cursor(w, 4, 4);
        EXPECT_TRUE(rw.take_calls().empty());
        EXPECT_EQ(cursor_of(w), At(0, 0));
    }
}

namespace {
bool fail_nothrow_new = false;
}

// Lets a test see window_new meet an allocation that fails.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (fail_nothrow_new)
        return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

TEST(TextWindow, NewWindowIsNullWhenNoMemoryCanBeHad) {
    MemoryScreen* screen = memory_screen_new(4, 4);
    fail_nothrow_new = true;
    TextWindow* w = window_new(&MEMORY_SCREEN_OPS, screen);
    fail_nothrow_new = false;
    EXPECT_EQ(w, nullptr);
    memory_screen_destroy(screen);
}
